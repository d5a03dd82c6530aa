// The medium part of the spectral engine's configuration reader: the medium
// line, its parameters (fibre, numeric media, Sellmeier formulas, library and
// tabulated materials), its length and the model it allows.

#include "uppe/uppeconfigreader.h"
#include "uppe/uppereadinghelpers.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/tokens.h"
#include "input/units.h"
#include "materials/tabulatedindex.h"
#include "uppe/pulseenvelope.h"
#include "input/physicalconstants.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace uppereading;

// Values of the "parameters" line per numeric medium (in MediumType order);
// the Taylor series takes at least two (fr and beta1).
struct MediumLayout
{
  int values;
  const char *names;
};
const MediumLayout mediumLayouts[] = {
    {6, "eps_inf, two placeholders, eps_s, damping, resonance"},
    {6, "Re n, Im n, n2, tau1, tau2, weight"},
    {9, "Re n_low, Im n_low, step frequency, Re n_high, Im n_high, n2, tau1, tau2, weight"},
    {2, "reference frequency, beta1, beta2, ..."},
    {10, "eps_inf, two placeholders, eps_s, damping, resonance, n2, tau1, tau2, weight"}};

bool isKerrMaterial(MediumType t) { return t == SellmeierKer1 || t == MaterialKer1 || t == TabulatedKer1; }
bool isFormula(MediumType t) { return t == Sellmeier || t == SellmeierKer1; }

} // namespace

bool UppeConfigReader::readMedium(UppeConfig &config)
{
  MediumDescription &medium = config.medium;
  // "linear": the lossy flag; no such line means lossy.
  const int linearLine = firstLineContaining(lines, keyword(Kw::linear));
  if (linearLine >= 0) {
    double v = 0.0;
    const QString problem = numberProblem(valueAt(lines, linearLine + 1), Range::Any, v);
    if (!problem.isEmpty())
      return fail(linearLine + 1, problem + tr(" (0 drops the imaginary part of the index)"));
    medium.lossy = v != 0.0;
  }
  const int mediumLine = firstLineContaining(lines, keyword(Kw::medium));
  if (mediumLine < 0)
    return missing(Kw::medium);
  status.currentLine = mediumLine + 1;
  medium.type = mediumOf(valueAt(lines, status.currentLine));
  if (medium.type == NoMedium)
    return fail(status.currentLine, oneOf(uppeMediumNames + QStringList(QStringLiteral("fiber"))));
  if (readParameters(medium, config.integration.frequencyExponent) || readLength(medium))
    return true;
  if (medium.type == Fibre && !medium.lossy)
    medium.fibre.alpha = 0.0;
  return resolveModel(config);
}

bool UppeConfigReader::resolveModel(UppeConfig &config)
{
  IntegrationSettings &settings = config.integration;
  const bool fibre = config.medium.type == Fibre;
  if (settings.modelLine == 0)
    settings.envelope = fibre;
  if (settings.envelope && !fibre)
    return fail(settings.modelLine, tr("the envelope model needs a fibre medium (its beta series and "
                                       "gamma); the other media take \"field model\""));
  if (settings.envelope && !settings.interactionPicture)
    return fail(settings.methodLine, tr("the envelope model integrates with erk43ip (interaction "
                                        "picture with an embedded error estimate)"));
  if (!settings.envelope && settings.interactionPicture)
    return fail(settings.methodLine, tr("erk43ip integrates the envelope model of a fibre; the field "
                                        "model takes rkf45, rkck or rk8pd"));
  if (settings.envelope && settings.general)
    return fail(settings.generalLine, tr("the envelope model has its own window about the reference "
                                         "frequency; 0 usegeneral was expected"));
  if (!settings.envelope)
    return false;
  // Every pulse's centre lies inside the envelope window about f0.
  const TimeWindow &window = config.window;
  const double dt = window.duration / double(window.points - 1);
  const double halfWidth = 0.5 / dt;
  const double f0 = config.medium.fibre.frequency;
  for (const PulseDescription &pulse : config.pulses)
    if (std::fabs(pulse.carrier - f0) >= 0.9 * halfWidth)
      return fail(pulse.line, tr("the pulse's centre frequency lies %1 THz from the fibre's reference "
                                 "frequency %2 THz, beyond the envelope window's half width of %3 THz "
                                 "(shorten the time step: more \"timepoints\")")
                                  .arg((pulse.carrier - f0) * 1e-12, 0, 'g', 4)
                                  .arg(f0 * 1e-12, 0, 'g', 6)
                                  .arg(halfWidth * 1e-12, 0, 'g', 4));
  return false;
}

bool UppeConfigReader::readFibre(const QStringList &values, MediumDescription &medium)
{
  static const char *const names[] = {"lambda0 (nm)", "gamma (1/(W m))", "fR", "tau1 (fs)",
                                      "tau2 (fs)", "loss (dB/km)"};
  static const Range ranges[] = {Range::Positive, Range::NotNegative, Range::NotNegative,
                                 Range::Positive, Range::Positive, Range::NotNegative};
  constexpr int fixed = 6;
  if (values.size() < fixed + 1)
    return fail(status.currentLine, tr("fibre takes at least 7 values (lambda0 in nm, gamma in 1/(W m), fR, "
                                "tau1 and tau2 in fs, loss in dB/km, then beta2 ... betan in ps^k/km) "
                                "before \"parameters\"; this line has %1")
                                 .arg(values.size()));
  double v[fixed] = {};
  for (int i = 0; i < fixed; ++i) {
    const QString problem = numberProblem(values.at(i), ranges[i], v[i],
                                          tr("value %1, %2,").arg(i + 1).arg(QLatin1String(names[i])));
    if (!problem.isEmpty())
      return fail(status.currentLine, problem);
  }
  if (v[2] > 1.0)
    return fail(status.currentLine, tr("value 3, fR, %1 is out of range; a fraction from 0 to 1 was expected")
                                 .arg(values.at(2)));
  FibreParameters &fibre = medium.fibre;
  fibre.wavelength = v[0] * 1e-9;
  fibre.frequency = physconst::speedOfLight / fibre.wavelength;
  fibre.gamma = v[1];
  fibre.ramanFraction = v[2];
  fibre.tau1 = v[3] * femtosecond;
  fibre.tau2 = v[4] * femtosecond;
  fibre.lossDb = v[5];
  fibre.alpha = v[5] * std::log(10.0) / 10.0 / 1000.0;
  fibre.betas.clear();
  double scale = 1e-3; // ps^k/km in s^k/m
  for (int i = fixed; i < values.size(); ++i) {
    const int order = i - fixed + 2;
    double beta = 0.0;
    const QString problem = numberProblem(values.at(i), Range::Any, beta,
                                          tr("value %1, beta%2,").arg(i + 1).arg(order));
    if (!problem.isEmpty())
      return fail(status.currentLine, problem);
    if (i == fixed)
      scale *= 1e-24;
    else
      scale *= 1e-12;
    fibre.betas.push_back(beta * scale);
  }
  return false;
}

bool UppeConfigReader::readParameters(MediumDescription &medium, int frequencyExponent)
{
  const int parametersLine = firstLineContaining(lines, keyword(Kw::parameters));
  if (parametersLine < 0)
    return missing(Kw::parameters);
  status.currentLine = medium.parametersLine = parametersLine + 1;
  // Values stand before the keyword; only the Lorentz media take a word
  // after it (the unit of damping and resonance).
  const QStringList tokens = lineTokens(lines.at(parametersLine));
  int keywordIndex = 0;
  while (keywordIndex < tokens.size() &&
         tokens.at(keywordIndex).compare(keyword(Kw::parameters), Qt::CaseInsensitive) != 0)
    ++keywordIndex;
  if (medium.type == Fibre) {
    if (keywordIndex + 1 < tokens.size())
      return fail(status.currentLine, tr("nothing may follow \"parameters\""));
    return readFibre(tokens.mid(0, keywordIndex), medium);
  }
  // Real materials read their values themselves (names are not numbers).
  if (medium.type >= Sellmeier)
    return readMaterial(tokens.mid(0, keywordIndex), medium);
  std::vector<double> values;
  for (int i = 0; i < keywordIndex; ++i) {
    double v = 0.0;
    const QString problem = numberProblem(tokens.at(i), Range::Any, v, tr("value %1").arg(i + 1));
    if (!problem.isEmpty())
      return fail(status.currentLine, problem);
    values.push_back(v);
  }
  const MediumLayout &layout = mediumLayouts[medium.type];
  const int count = int(values.size());
  const bool taylor = medium.type == TaylorSeriesDispersive;
  if (taylor ? count < layout.values : count != layout.values)
    return fail(status.currentLine, tr("%1 takes %2%3 values (%4) before \"parameters\"; this line has %5")
                                 .arg(uppeMediumNames.at(medium.type), taylor ? tr("at least ") : QString())
                                 .arg(layout.values)
                                 .arg(QLatin1String(layout.names))
                                 .arg(count));
  const QStringList after = tokens.mid(keywordIndex + 1);
  const bool lorentz = medium.type == Lor1 || medium.type == Lor1Ker1;
  if (after.size() > (lorentz ? 1 : 0))
    return fail(status.currentLine, lorentz ? tr("only a frequency unit may follow \"parameters\"")
                                     : tr("nothing may follow \"parameters\""));
  return assignParameters(values, after, medium, frequencyExponent);
}

bool UppeConfigReader::assignParameters(const std::vector<double> &v, const QStringList &after,
                                        MediumDescription &medium, int frequencyExponent)
{
  // The Kerr and Raman constants: n2, tau1 (fs), tau2 (fs), a from index k.
  auto nonlinearAt = [&](std::size_t k) {
    medium.nonlinear = {v[k], v[k + 1] * femtosecond, v[k + 2] * femtosecond, v[k + 3]};
  };
  switch (medium.type) {
  case Lor1:
  case Lor1Ker1: {
    int exponent = 9; // GHz unless a unit follows the keyword
    if (!after.isEmpty()) {
      if (isNotListed(after.at(0), frequencyUnits))
        return fail(status.currentLine, tr("the unit \"%1\" after \"parameters\": %2")
                                     .arg(after.at(0), oneOf(frequencyUnits)));
      exponent = 3 * indexIgnoringCase(frequencyUnits, after.at(0));
    }
    medium.epsInfinity = v[0];
    medium.epsStatic = v[3];
    medium.damping = v[4] * powerOfTen(exponent);
    medium.resonance = v[5] * powerOfTen(exponent);
    if (medium.type == Lor1Ker1)
      nonlinearAt(6);
    return false;
  }
  case ConstNKer1:
    medium.constantIndex = {v[0], v[1]};
    nonlinearAt(2);
    return false;
  case StepNKer1:
    medium.stepLow = {v[0], v[1]};
    medium.stepFrequency = v[2] * powerOfTen(frequencyExponent);
    medium.stepHigh = {v[3], v[4]};
    nonlinearAt(5);
    return false;
  default:
    break;
  }
  // Taylor series: the frame moves with 1/beta_1, a whole number of metres per second.
  medium.taylorReference = v[0];
  medium.taylorCoefficients.assign(v.begin() + 1, v.end());
  const double beta1 = medium.taylorCoefficients.front();
  const double velocity = 1.0 / beta1;
  const double top = double(std::numeric_limits<int>::max());
  if (!std::isfinite(velocity) || std::fabs(velocity) < 1.0 || std::fabs(velocity) >= top)
    return fail(status.currentLine, tr("beta1 = %1 s/m gives no usable frame velocity 1/beta1; a "
                                "value between %2 and 1 s/m was expected")
                                 .arg(beta1)
                                 .arg(1.0 / top, 0, 'g', 3));
  medium.groupVelocity = int(velocity);
  return false;
}

bool UppeConfigReader::readMaterial(const QStringList &values, MediumDescription &medium)
{
  const MediumType type = medium.type;
  const bool kerr = isKerrMaterial(type), formula = isFormula(type);
  const int numbersAt = kerr && formula ? 4 : (formula ? 0 : 1); // n2 tau1 tau2 a come first
  const int count = values.size();
  const bool countOk = formula ? count >= numbersAt + 3 && (count - numbersAt) % 2 == 1
                               : count == (kerr ? 5 : 1);
  if (!countOk) {
    static const char *const usage[] = {
        "expected A and one or more Sellmeier terms B C (C in um^2)",
        "expected n2, tau1, tau2, a, then A and one or more Sellmeier terms B C (C in um^2)",
        "expected a material name", "expected a material name, then n2, tau1, tau2 and a",
        "expected a data file name", "expected a data file name, then n2, tau1, tau2 and a"};
    return fail(status.currentLine, tr(usage[type - Sellmeier]));
  }
  std::vector<double> v(std::size_t(count), 0.0);
  for (int i = formula ? 0 : 1; i < count; ++i)
    if (!toReal(values.at(i), v[std::size_t(i)]))
      return fail(status.currentLine, tr("\"%1\" is not a number").arg(values.at(i)));
  if (kerr) {
    const double *k = &v[formula ? 0 : 1];
    if (!(k[1] > 0.0) || !(k[2] > 0.0) || !(k[3] >= 0.0 && k[3] <= 1.0))
      return fail(status.currentLine, tr("the Raman times must be positive and a within 0 to 1"));
    medium.nonlinear = {k[0], k[1] * femtosecond, k[2] * femtosecond, k[3]};
  }
  if (formula) {
    materials::Sellmeier s;
    s.a = v[std::size_t(numbersAt)];
    for (int i = numbersAt + 1; i + 1 < count; i += 2) {
      s.b.push_back(v[std::size_t(i)]);
      s.c.push_back(v[std::size_t(i + 1)]);
    }
    medium.dispersion = materials::Dispersion(QStringLiteral("sellmeier"), s);
  } else if (type == Material || type == MaterialKer1) {
    const materials::LibraryMaterial *m = materials::findMaterial(values.first());
    if (!m)
      return fail(status.currentLine, tr("unknown material \"%1\"; the library has %2")
                                   .arg(values.first(), materials::materialNames().join(QLatin1String(", "))));
    medium.dispersion = materials::Dispersion(m->name, m->formula, m->shortest, m->longest);
  } else {
    QString reason;
    std::shared_ptr<const materials::TabulatedIndex> table =
        materials::TabulatedIndex::read(materials::resolveDataFile(values.first(), folder), reason);
    if (!table)
      return fail(status.currentLine, reason);
    medium.dispersion = materials::Dispersion(QFileInfo(values.first()).fileName(), table);
  }
  return false;
}

bool UppeConfigReader::readLength(MediumDescription &medium)
{
  if (readValue(lines, keyword(Kw::measure), status.missingKeyword, status.currentLine).isNull())
    return true;
  const QString measure = valueAt(lines, status.currentLine);
  if (isNotListed(measure, lengthUnits))
    return fail(status.currentLine, oneOf(lengthUnits));
  const int position = indexIgnoringCase(lengthUnits, measure);
  medium.lengthUnit = lengthUnits.at(position);
  medium.lengthScale = powerOfTen(-3 * position);

  const int sizeLine = firstLineContaining(lines, keyword(Kw::size));
  if (sizeLine < 0)
    return missing(Kw::size);
  status.currentLine = sizeLine + 1;
  double size = 0.0;
  const QString problem = numberProblem(valueAt(lines, status.currentLine), Range::Positive, size);
  if (!problem.isEmpty())
    return fail(status.currentLine, problem);
  medium.length = size * medium.lengthScale;
  return false;
}
