// Medium sections of the FDTD engine: each section is a "medium" line (the
// material type), a "meshpoints" line (its number of cells) and a
// "parameters" line (its constants); the j-th lines of each kind belong
// together, and the sections tile the grid in that order.

#include "fdtd/fdtdsimulator.h"

#include "fdtd/parsenumber.h"
#include "fdtd/sellmeiermedium.h"
#include "fdtd/sections/kerrraman.h"
#include "fdtd/sections/lorentz.h"
#include "fdtd/sections/lossless.h"
#include "fdtd/sections/lossy.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/units.h"

#include <QVector>

using fdtdparse::toReal;

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
  if (meshLines.size() != mediumLines.size() || meshLines.size() != parameterLines.size()) {
    errorLine = -1;
    return true;
  }
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

    const int type = indexIgnoringCase(mediumTypes, lineValue(mediumLine.text));
    if (type < 0) {
      errorLine = mediumLine.line;
      return true;
    }
    // One pole with Kerr and Raman exists for the plain grid only.
    if (type == Lor1Ker1 && periodic) {
      errorLine = mediumLine.line;
      return true;
    }

    double cells = 0.0;
    if (!toReal(lineValue(meshLine.text), cells) || !(cells >= 1.0) ||
        !(cells <= static_cast<double>(maximumMeshPoints - total))) {
      errorLine = meshLine.line;
      return true;
    }
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
      if (!readGridSellmeier(fdtdparse::tokens(parameterLine.text), type == Material, stability,
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
    const QStringList tokens = fdtdparse::tokens(parameterLine.text);
    const auto bad = [&] {
      errorLine = parameterLine.line;
      return true;
    };
    if (tokens.size() < minimumTokens[type])
      return bad();
    double v[17] = {};
    for (int k = 0; k < numbers[type]; ++k)
      if (!toReal(tokens.at(k), v[k]))
        return bad();

    // Values that make the update meaningless or unstable are refused:
    // epsR and muR must be positive with epsR muR S^2 >= 1 (the Courant
    // limit), conductivities and dampings non-negative, Raman times positive
    // and the Kerr fraction within [0, 1].
    const double epsilonR = v[0];
    const double muR = v[1];
    if (!(epsilonR > 0.0) || !(muR > 0.0) ||
        epsilonR * muR * stability * stability < 1.0 - 1e-12)
      return bad();
    if (type >= LDiel && type != Ker1 && v[2] < 0.0)
      return bad();
    const auto dampingsOk = [&](std::initializer_list<int> positions) {
      for (int p : positions)
        if (v[p] < 0.0)
          return false;
      return true;
    };
    const auto kerrOk = [&](int first) { // chi3, tau1, tau2, alpha
      return v[first + 1] > 0.0 && v[first + 2] > 0.0 && v[first + 3] >= 0.0 &&
             v[first + 3] <= 1.0;
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
        return bad();
      section = build<Lorentz1PoleMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                            v[3], v[4], v[5], exponent, 1.0);
      break;
    case Lor2:
      if (!dampingsOk({4, 7}))
        return bad();
      section = build<Lorentz2PoleMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                            v[3], v[4], v[5], v[6], v[7], v[8], v[9], exponent);
      break;
    case Lor3:
      if (!dampingsOk({4, 7, 10}))
        return bad();
      section = build<Lorentz3PoleMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                            v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                                            v[11], v[12], exponent);
      break;
    case Ker1:
      if (!kerrOk(2))
        return bad();
      section = build<KerrRamanMaterial>(formulation, placement, *this, epsilonR, muR, v[2],
                                         v[3], v[4], v[5], theta);
      break;
    case Lor1Ker1:
      if (!dampingsOk({4}) || !kerrOk(6))
        return bad();
      section = new Lorentz1PoleKerrRamanMaterial<Dielectric<int, double>>(
          placement, *this, epsilonR, muR, v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], theta,
          exponent);
      break;
    case Lor3Ker1:
      if (!dampingsOk({4, 7, 10}) || !kerrOk(13))
        return bad();
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
