// Medium sections of the grid engine's configuration: each section is a
// "medium" line (the material type), a "meshpoints" line (its number of
// cells) and a "parameters" line (its constants); the j-th lines of each kind
// belong together, and the sections tile the grid in that order.

#include "fdtd/fdtdconfigreader.h"

#include "fdtd/sellmeiermedium.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/physicalconstants.h"
#include "input/reasons.h"
#include "input/tokens.h"
#include "input/units.h"

#include <QVector>

namespace {

using namespace gridmedium;
using Placement = SectionPlacement<int, double>;

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

// Refusals of one parameters line, naming the token at fault.
struct ParameterRefusal
{
  const QStringList &tokens;
  const QStringList names;
  int type;
  QString bad(int k, const QString &what) const
  {
    return reason::token(k + 1, names.value(k), what, tokens.value(k));
  }
  QString tooFew(int minimum) const
  {
    return reason::tooFewTokens(minimum, tokens.size() - 1, names.join(QStringLiteral(", "))) +
           reason::tr(" for \"%1\"").arg(mediumTypes.at(type));
  }
};

// The constants of a section's type from the numbers of its parameters line.
void assignConstants(const double *v, SectionDescription &d)
{
  d.epsilonR = v[0];
  d.muR = v[1];
  if (d.type == Ker1) {
    d.chi3 = v[2], d.tau1 = v[3], d.tau2 = v[4], d.alpha = v[5];
    return;
  }
  if (d.type == Diel)
    return;
  d.sigma = v[2];
  if (d.type == LDiel)
    return;
  d.epsilonStatic = v[3];
  static const int poleCounts[] = {0, 0, 1, 2, 3, 0, 1, 3};
  d.poleCount = poleCounts[d.type];
  const bool weighted = d.type == Lor2 || d.type == Lor3 || d.type == Lor3Ker1;
  int k = 4;
  for (int p = 0; p < d.poleCount; ++p) {
    d.poles[p].damping = v[k++];
    d.poles[p].resonance = v[k++];
    d.poles[p].weight = weighted ? v[k++] : 1.0;
  }
  if (d.type == Lor1Ker1 || d.type == Lor3Ker1)
    d.chi3 = v[k], d.tau1 = v[k + 1], d.tau2 = v[k + 2], d.alpha = v[k + 3];
}

// The numbers of a parameters line and the limits every medium shares:
// epsR and muR must be positive with epsR muR S^2 >= 1 (the Courant limit);
// conductivities may be negative (gain) as long as the update stays defined.
QString readNumbers(const QStringList &tokens, double stability, double timeStep,
                    SectionDescription &d)
{
  static const int minimumTokens[] = {2, 3, 7, 11, 14, 7, 11, 18};
  static const int numbers[] = {2, 3, 6, 10, 13, 6, 10, 17};
  const ParameterRefusal refusal{tokens, parameterNames(d.type), d.type};
  const int type = d.type;
  if (tokens.size() < minimumTokens[type])
    return refusal.tooFew(minimumTokens[type]);
  double v[17] = {}; // token k
  for (int k = 0; k < numbers[type]; ++k)
    if (!toReal(tokens.at(k), v[k]))
      return k == tokens.size() - 1 ? refusal.tooFew(minimumTokens[type])
                                    : refusal.bad(k, reason::number());
  if (!(v[0] > 0.0))
    return refusal.bad(0, reason::above(0));
  if (!(v[1] > 0.0))
    return refusal.bad(1, reason::above(0));
  if (v[0] * v[1] * stability * stability < 1.0 - 1e-12)
    return reason::tr("with stability %1 and \u03b5r\u00b7\u03bcr = %2 the time step "
                      "exceeds the stability limit: \u03b5r\u00b7\u03bcr\u00b7stability\u00b2 "
                      "must be at least 1")
        .arg(stability)
        .arg(v[0] * v[1]);
  // Gain: a = dt sigma / (2 eps0 epsR) must stay above -1.
  const double sigmaLimit = -2.0 * physconst::epsilon0 * v[0] / timeStep;
  if (type >= LDiel && type != Ker1 && !(v[2] > sigmaLimit))
    return refusal.bad(2, reason::tr("a conductivity above %1 S/m (a stronger gain makes the "
                                     "update singular at this time step)")
                              .arg(sigmaLimit, 0, 'g', 4));
  // Linearisation threshold and unit of the Kerr types.
  if (type == Lor1 || type == Lor2 || type == Lor3) {
    d.exponent = frequencyExponent(tokens.at(numbers[type]));
  } else if (type == Ker1) {
    if (!toReal(tokens.at(6), d.theta))
      d.theta = 0.01;
  } else if (type == Lor1Ker1 || type == Lor3Ker1) {
    const int at = numbers[type];
    if (toReal(tokens.at(at), d.theta)) {
      if (tokens.size() >= at + 3)
        d.exponent = frequencyExponent(tokens.at(at + 1));
    } else {
      d.theta = 0.01;
      d.exponent = frequencyExponent(tokens.at(at));
    }
  }
  assignConstants(v, d);
  return QString();
}

// Pole dampings (2 + 2 pi g dt must stay above 0), Raman times (positive)
// and Kerr fraction (within [0, 1]).
QString checkPolesAndKerr(const QStringList &tokens, double timeStep, const SectionDescription &d)
{
  const ParameterRefusal refusal{tokens, parameterNames(d.type), d.type};
  const double dampingLimit = -1.0 / (physconst::pi * powerOfTen(d.exponent) * timeStep);
  // Pole p's damping is token 4 + 3 p.
  for (int p = 0; p < d.poleCount; ++p)
    if (!(d.poles[p].damping > dampingLimit))
      return refusal.bad(4 + 3 * p, reason::tr("a damping above %1 %2 (a stronger gain makes the update "
                                       "singular at this time step)")
                                .arg(dampingLimit, 0, 'g', 4)
                                .arg(frequencyUnitName(d.exponent)));
  static const int kerrAt[] = {-1, -1, -1, -1, -1, 2, 6, 13}; // chi3, tau1, tau2, alpha
  const int first = kerrAt[d.type];
  if (first < 0)
    return QString();
  if (!(d.tau1 > 0.0))
    return refusal.bad(first + 1, reason::above(0));
  if (!(d.tau2 > 0.0))
    return refusal.bad(first + 2, reason::above(0));
  if (!(d.alpha >= 0.0 && d.alpha <= 1.0))
    return refusal.bad(first + 3, reason::between(0, 1));
  return QString();
}

// Where section j of count lies, after total cells, for m cells of its own.
Placement placeSection(bool periodic, int count, int j, int total, int m)
{
  Placement placement;
  placement.threshold = 0.0;
  if (periodic) {
    placement.eStart = 1;
    placement.hStart = 1;
    placement.eEnd = m - 1;
    placement.hEnd = m;
  } else if (count == 1) {
    placement.eStart = 1;
    placement.hStart = 1;
    placement.eEnd = m - 1;
    placement.hEnd = m - 1;
  } else {
    placement.eStart = j == 0 ? 1 : total;
    placement.hStart = total + 1;
    placement.eEnd = total + m - 1;
    placement.hEnd = j == count - 1 ? total + m - 1 : total + m;
  }
  return placement;
}

// The "medium" and "meshpoints" lines of a section, after total cells.
// Returns the line at fault (0: none) with the reason in why.
int describeSection(const NumberedLine &mediumLine, const NumberedLine &meshLine, int total,
                    bool periodic, SectionDescription &d, QString &why)
{
  const auto fail = [&why](int line, const QString &reason) {
    why = reason;
    return line;
  };
  const QString typeWord = lineValue(mediumLine.text);
  d.type = indexIgnoringCase(mediumTypes, typeWord);
  if (d.type < 0)
    return fail(mediumLine.line, reason::value(reason::oneOf(mediumTypes), typeWord));
  // One pole with Kerr and Raman exists for the plain grid only.
  if (d.type == Lor1Ker1 && periodic)
    return fail(mediumLine.line,
                reason::tr("\"lor1ker1\" exists for the \"1d\" problem only; use \"lor3ker1\" "
                           "on a ring"));
  double cells = 0.0;
  const QString cellsWord = lineValue(meshLine.text);
  if (!toReal(cellsWord, cells) || !(cells >= 1.0))
    return fail(meshLine.line,
                reason::value(reason::tr("a number of cells of at least 1"), cellsWord));
  if (!(cells <= static_cast<double>(FdtdConfigReader::maximumMeshPoints - total)))
    return fail(meshLine.line, reason::tr("at most %1 cells in all; this line asks for %2 after %3")
                                   .arg(FdtdConfigReader::maximumMeshPoints)
                                   .arg(cellsWord)
                                   .arg(total));
  d.cells = static_cast<int>(cells);
  return 0;
}


} // namespace

bool FdtdConfigReader::readMedium(std::vector<SectionDescription> &sections)
{
  QVector<NumberedLine> meshLines;
  QVector<NumberedLine> mediumLines;
  QVector<NumberedLine> parameterLines;
  for (int i = 0; i < lines.size(); ++i) {
    const QString &line = lines.at(i);
    if (hasKeyword(line, keyword(Kw::meshpoints), Qt::CaseInsensitive))
      meshLines.append({line, i + 1});
    if (hasKeyword(line, keyword(Kw::medium), Qt::CaseInsensitive))
      mediumLines.append({line, i + 1});
    if (hasKeyword(line, keyword(Kw::parameters), Qt::CaseInsensitive))
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
  if (periodic && count > 1) {
    // A ring holds one section: the others are read by nobody.
    QStringList ignored;
    for (int j = 1; j < count; ++j)
      ignored << QString::number(mediumLines.at(j).line);
    status.warnings << (count == 2 ? reason::tr("A ring grid holds one section: the section of the \"medium\" "
                                                "line %1 is ignored.")
                                   : reason::tr("A ring grid holds one section: the sections of the \"medium\" "
                                                "lines %1 are ignored."))
                           .arg(ignored.join(QStringLiteral(", ")));
    count = 1;
  }

  int total = 0;
  for (int j = 0; j < count; ++j) {
    const NumberedLine &parameterLine = parameterLines.at(j);
    SectionDescription d;
    d.mediumLine = mediumLines.at(j).line;
    d.meshLine = meshLines.at(j).line;
    d.parameterLine = parameterLine.line;
    QString why;
    if (const int at = describeSection(mediumLines.at(j), meshLines.at(j), total, periodic, d, why))
      return fail(at, why);
    d.placement = placeSection(periodic, count, j, total, d.cells);
    const QStringList tokens = lineTokens(parameterLine.text);
    if (d.type == Sellmeier || d.type == Material) {
      // Sellmeier media and library materials: undamped Lorentz poles.
      why = readGridSellmeier(tokens, d.type == Material, stability, d.sellmeier);
    } else {
      why = readNumbers(tokens, stability, timeStep, d);
      if (why.isEmpty())
        why = checkPolesAndKerr(tokens, timeStep, d);
    }
    if (!why.isEmpty())
      return fail(parameterLine.line, why);
    if (d.type == Material)
      d.materialName = tokens.value(0);
    sections.push_back(d);
    total += d.cells;
  }
  return false;
}

