// Medium sections of the FDTD engine: each section is a "medium" line (the
// material type), a "meshpoints" line (its number of cells) and a
// "parameters" line (its constants); the j-th lines of each kind belong
// together, and the sections tile the grid in that order.

#include "fdtd/fdtdsimulator.h"

#include "input/tokens.h"
#include "fdtd/sellmeiermedium.h"
#include "fdtd/sections/kerrraman.h"
#include "fdtd/sections/lorentz.h"
#include "fdtd/sections/lossless.h"
#include "fdtd/sections/lossy.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/physicalconstants.h"
#include "input/reasons.h"
#include "input/units.h"

#include <QVector>



namespace {

using Placement = SectionPlacement<int, double>;

// The material class for the formulation: 0 "1d", 1 "1dp", 2 "1dcp".
template <template <typename> class Material, typename... Args>
MeshSection<int, double> *build(int formulation, const Placement &placement, Simulator &engine,
                                Args... args)
{
  switch (formulation) {
  case 1:
    return new Material<PDielectric<int, double>>(placement, engine, args...);
  case 2:
    return new Material<CPDielectric<int, double>>(placement, engine, args...);
  default:
    return new Material<Dielectric<int, double>>(placement, engine, args...);
  }
}

struct NumberedLine
{
  QString text;
  int line; // 1-based
};

// Exponent of a frequency-unit word; an unknown word means GHz.
int frequencyExponent(const QString &word)
{
  const int k = indexIgnoringCase(frequencyUnits, word);
  return k >= 0 ? 3 * k : 9;
}

enum MediumType { Diel, LDiel, Lor1, Lor2, Lor3, Ker1, Lor1Ker1, Lor3Ker1, Sellmeier, Material };

// A Sellmeier medium as the Lorentz section of its number of poles
// (resonances in Hz: frequency exponent 0).
MeshSection<int, double> *buildSellmeier(int formulation, const Placement &placement,
                                         Simulator &engine, const GridSellmeier &s)
{
  const double *f = s.resonance;
  const double *w = s.weight;
  switch (s.poles) {
  case 1:
    return build<Lorentz1PoleMaterial>(formulation, placement, engine, s.epsilonInfinity, s.muR,
                                       s.sigma, s.epsilonStatic, 0.0, f[0], 0, 1.0);
  case 2:
    return build<Lorentz2PoleMaterial>(formulation, placement, engine, s.epsilonInfinity, s.muR,
                                       s.sigma, s.epsilonStatic, 0.0, f[0], w[0], 0.0, f[1], w[1],
                                       0);
  default:
    return build<Lorentz3PoleMaterial>(formulation, placement, engine, s.epsilonInfinity, s.muR,
                                       s.sigma, s.epsilonStatic, 0.0, f[0], w[0], 0.0, f[1], w[1],
                                       0.0, f[2], w[2], 0);
  }
}

// Names of the parameter tokens of each type, for the reasons of a refusal.
QStringList parameterNames(int type)
{
  const QString e = QStringLiteral("\u03b5r"), m = QStringLiteral("\u03bcr"),
                c = QStringLiteral("\u03c3"), es = QStringLiteral("\u03b5s");
  const QStringList kerr = {QStringLiteral("\u03c73"), QStringLiteral("\u03c41"),
                            QStringLiteral("\u03c42"), QStringLiteral("\u03b1")};
  QStringList poles;
  for (int k = 1; k <= 3; ++k)
    poles << QStringLiteral("damping %1").arg(k) << QStringLiteral("resonance %1").arg(k)
          << QStringLiteral("weight %1").arg(k);
  const QString unit = QStringLiteral("unit");
  switch (type) {
  case Diel:
    return {e, m};
  case LDiel:
    return {e, m, c};
  case Lor1:
    return {e, m, c, es, QStringLiteral("damping"), QStringLiteral("resonance"), unit};
  case Lor2:
    return QStringList{e, m, c, es} + poles.mid(0, 6) + QStringList{unit};
  case Lor3:
    return QStringList{e, m, c, es} + poles + QStringList{unit};
  case Ker1:
    return QStringList{e, m} + kerr + QStringList{QStringLiteral("\u03b8")};
  case Lor1Ker1:
    return QStringList{e, m, c, es, QStringLiteral("damping"), QStringLiteral("resonance")} + kerr +
           QStringList{unit};
  default:
    return QStringList{e, m, c, es} + poles + kerr + QStringList{unit};
  }
}

} // namespace

bool FDTDSimulator::parseMedium(const QStringList &lines, int &meshPoints)
{
  QVector<NumberedLine> meshLines;
  QVector<NumberedLine> mediumLines;
  QVector<NumberedLine> parameterLines;
  for (int i = 0; i < lines.size(); ++i) {
    const QString &line = lines.at(i);
    if (line.contains(keyword(Kw::meshpoints), Qt::CaseInsensitive))
      meshLines.append({line, i + 1});
    if (line.contains(keyword(Kw::medium), Qt::CaseInsensitive))
      mediumLines.append({line, i + 1});
    if (line.contains(keyword(Kw::parameters), Qt::CaseInsensitive))
      parameterLines.append({line, i + 1});
  }
  if (meshLines.size() != mediumLines.size() || meshLines.size() != parameterLines.size())
    return fail(-1, reason::tr("Every section needs one \"medium\", one \"meshpoints\" and one "
                               "\"parameters\" line; found %1 \"medium\", %2 \"meshpoints\" "
                               "and %3 \"parameters\" lines.")
                        .arg(mediumLines.size())
                        .arg(meshLines.size())
                        .arg(parameterLines.size()));
  int count = meshLines.size();
  if (periodic && count > 1)
    count = 1; // a ring holds one section
  const int formulation = conditionallyPeriodic ? 2 : (periodic ? 1 : 0);

  int total = 0;
  int nextE = 1;
  int nextH = 1;
  for (int j = 0; j < count; ++j) {
    const NumberedLine &mediumLine = mediumLines.at(j);
    const NumberedLine &meshLine = meshLines.at(j);
    const NumberedLine &parameterLine = parameterLines.at(j);

    const QString typeWord = lineValue(mediumLine.text);
    const int type = indexIgnoringCase(mediumTypes, typeWord);
    if (type < 0)
      return fail(mediumLine.line, reason::value(reason::oneOf(mediumTypes), typeWord));
    // One pole with Kerr and Raman exists for the plain grid only.
    if (type == Lor1Ker1 && periodic)
      return fail(mediumLine.line,
                  reason::tr("\"lor1ker1\" exists for the \"1d\" problem only; use \"lor3ker1\" "
                             "on a ring"));

    double cells = 0.0;
    const QString cellsWord = lineValue(meshLine.text);
    if (!toReal(cellsWord, cells) || !(cells >= 1.0))
      return fail(meshLine.line,
                  reason::value(reason::tr("a number of cells of at least 1"), cellsWord));
    if (!(cells <= static_cast<double>(maximumMeshPoints - total)))
      return fail(meshLine.line,
                  reason::tr("at most %1 cells in all; this line asks for %2 after %3")
                      .arg(maximumMeshPoints)
                      .arg(cellsWord)
                      .arg(total));
    const int m = static_cast<int>(cells);

    Placement placement;
    placement.threshold = 0.0;
    if (periodic) {
      placement.eStart = 1;
      placement.hStart = 1;
      placement.eEnd = m - 1;
      placement.hEnd = m;
    } else if (count == 1) {
      placement.eStart = nextE;
      placement.hStart = nextH;
      placement.eEnd = m - 1;
      placement.hEnd = m - 1;
    } else {
      placement.eStart = nextE;
      placement.hStart = nextH;
      placement.eEnd = total + m - 1;
      placement.hEnd = j == count - 1 ? total + m - 1 : total + m;
    }

    // Sellmeier media and library materials: undamped Lorentz poles.
    if (type == Sellmeier || type == Material) {
      GridSellmeier medium;
      QString reason;
      if (!readGridSellmeier(lineTokens(parameterLine.text), type == Material, stability,
                             medium, reason))
        return fail(parameterLine.line, reason);
      sections.push_back(buildSellmeier(formulation, placement, *this, medium));
      ++sectionCount;
      total += m;
      nextE = total;
      nextH = total + 1;
      continue;
    }

    // The constants: tokens 0 ... numbers - 1 must be numbers.
    static const int minimumTokens[] = {2, 3, 7, 11, 14, 7, 11, 18};
    static const int numbers[] = {2, 3, 6, 10, 13, 6, 10, 17};
    const QStringList tokens = lineTokens(parameterLine.text);
    const QStringList names = parameterNames(type);
    const auto refuse = [&](const QString &why) { return fail(parameterLine.line, why); };
    const auto tooFew = [&] {
      return refuse(reason::tooFewTokens(minimumTokens[type], tokens.size() - 1,
                                         names.join(QStringLiteral(", "))) +
                    reason::tr(" for \"%1\"").arg(mediumTypes.at(type)));
    };
    // Token k (from 0) holds something other than what was expected.
    const auto bad = [&](int k, const QString &what) {
      return refuse(reason::token(k + 1, names.value(k), what, tokens.value(k)));
    };
    if (tokens.size() < minimumTokens[type])
      return tooFew();
    double v[17] = {};
    for (int k = 0; k < numbers[type]; ++k)
      if (!toReal(tokens.at(k), v[k]))
        return k == tokens.size() - 1 ? tooFew() : bad(k, reason::number());

    // epsR and muR must be positive with epsR muR S^2 >= 1 (the Courant
    // limit). Conductivities and dampings may be negative (gain), as long as
    // the update stays defined. Raman times are positive and the Kerr
    // fraction lies within [0, 1].
    const double epsilonR = v[0];
    const double muR = v[1];
    if (!(epsilonR > 0.0))
      return bad(0, reason::above(0));
    if (!(muR > 0.0))
      return bad(1, reason::above(0));
    if (epsilonR * muR * stability * stability < 1.0 - 1e-12)
      return refuse(reason::tr("with stability %1 and \u03b5r\u00b7\u03bcr = %2 the time step "
                               "exceeds the stability limit: \u03b5r\u00b7\u03bcr\u00b7stability\u00b2 "
                               "must be at least 1")
                        .arg(stability)
                        .arg(epsilonR * muR));
    // Gain: a = dt sigma / (2 eps0 epsR) must stay above -1.
    const double sigmaLimit = -2.0 * physconst::epsilon0 * epsilonR / deltaT;
    if (type >= LDiel && type != Ker1 && !(v[2] > sigmaLimit))
      return bad(2, reason::tr("a conductivity above %1 S/m (a stronger gain makes the update "
                               "singular at this time step)")
                        .arg(sigmaLimit, 0, 'g', 4));
    const auto kerrOk = [&](int first) { // chi3, tau1, tau2, alpha
      if (!(v[first + 1] > 0.0))
        return !bad(first + 1, reason::above(0));
      if (!(v[first + 2] > 0.0))
        return !bad(first + 2, reason::above(0));
      if (!(v[first + 3] >= 0.0 && v[first + 3] <= 1.0))
        return !bad(first + 3, reason::between(0, 1));
      return true;
    };

    // Linearisation threshold and unit of the Kerr types.
    double theta = 0.01;
    int exponent = 9;
    if (type == Lor1 || type == Lor2 || type == Lor3) {
      exponent = frequencyExponent(tokens.at(numbers[type]));
    } else if (type == Ker1) {
      if (!toReal(tokens.at(6), theta))
        theta = 0.01;
    } else if (type == Lor1Ker1 || type == Lor3Ker1) {
      const int at = numbers[type];
      if (toReal(tokens.at(at), theta)) {
        if (tokens.size() >= at + 3)
          exponent = frequencyExponent(tokens.at(at + 1));
      } else {
        theta = 0.01;
        exponent = frequencyExponent(tokens.at(at));
      }
    }
    // Gain of a pole: 2 + 2 pi g dt must stay above 0.
    const double dampingLimit = -1.0 / (physconst::pi * powerOfTen(exponent) * deltaT);
    const auto dampingsOk = [&](std::initializer_list<int> positions) {
      for (int p : positions)
        if (!(v[p] > dampingLimit))
          return !bad(p, reason::tr("a damping above %1 %2 (a stronger gain makes the update "
                                    "singular at this time step)")
                             .arg(dampingLimit, 0, 'g', 4)
                             .arg(frequencyUnitName(exponent)));
      return true;
    };

    MeshSection<int, double> *section = nullptr;
    switch (type) {
    case Diel:
      section = build<LosslessMaterial>(formulation, placement, *this, epsilonR, muR);
      break;
    case LDiel:
      section = build<LossyMaterial>(formulation, placement, *this, epsilonR, muR, v[2]);
      break;
    case Lor1:
      if (!dampingsOk({4}))
        return true;
      section = build<Lorentz1PoleMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                            v[3], v[4], v[5], exponent, 1.0);
      break;
    case Lor2:
      if (!dampingsOk({4, 7}))
        return true;
      section = build<Lorentz2PoleMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                            v[3], v[4], v[5], v[6], v[7], v[8], v[9], exponent);
      break;
    case Lor3:
      if (!dampingsOk({4, 7, 10}))
        return true;
      section = build<Lorentz3PoleMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                            v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                                            v[11], v[12], exponent);
      break;
    case Ker1:
      if (!kerrOk(2))
        return true;
      section = build<KerrRamanMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                         v[3], v[4], v[5], theta);
      break;
    case Lor1Ker1:
      if (!dampingsOk({4}) || !kerrOk(6))
        return true;
      section = new Lorentz1PoleKerrRamanMaterial<Dielectric<int, double>>(
          placement, *this, epsilonR, muR, v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], theta,
          exponent);
      break;
    case Lor3Ker1:
      if (!dampingsOk({4, 7, 10}) || !kerrOk(13))
        return true;
      section = build<Lorentz3PoleKerrRamanMaterial>(
          formulation, placement, *this, epsilonR, muR, v[2], v[3], v[4], v[5], v[6], v[7], v[8],
          v[9], v[10], v[11], v[12], v[13], v[14], v[15], v[16], theta, exponent);
      break;
    default:
      break;
    }
    sections.push_back(section);
    ++sectionCount;

    total += m;
    nextE = total;
    nextH = total + 1;
  }
  meshPoints = total;
  return false;
}
