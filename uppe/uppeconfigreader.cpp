#include "uppe/uppeconfigreader.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/tokens.h"
#include "input/units.h"
#include "materials/tabulatedindex.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>
#include <limits>

const QStringList uppeMediumNames = {
    QStringLiteral("lor1"),       QStringLiteral("const_n_ker1"),   QStringLiteral("step_n_ker1"),
    QStringLiteral("taylorSeriesDispersive"), QStringLiteral("lor1ker1"),
    QStringLiteral("sellmeier"),  QStringLiteral("sellmeier_ker1"), QStringLiteral("material"),
    QStringLiteral("material_ker1"), QStringLiteral("tabulated"),   QStringLiteral("tabulated_ker1")};

namespace {

const QStringList stepperNames = {QStringLiteral("rkf45"), QStringLiteral("rkck"),
                                  QStringLiteral("rk8pd")};
constexpr double femtosecond = 1e-15;

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

QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }

// First word of line number `line` (1-based).
QString valueAt(const QStringList &lines, int line) { return lineTokens(lines.value(line - 1)).value(0); }

// Index of the first line with the keyword, ignoring case; -1 if none.
int firstLineContaining(const QStringList &lines, const QString &keyword)
{
  return findLineFrom(lines, keyword, 0, Qt::CaseInsensitive);
}

bool positive(double v) { return v > 0.0 && std::isfinite(v); }

enum class Range { Any, NotNegative, Positive };

QString expected(Range range)
{
  switch (range) {
  case Range::NotNegative:
    return tr("a number of at least 0");
  case Range::Positive:
    return tr("a number above 0");
  case Range::Any:
    break;
  }
  return tr("a number");
}

// Converts token; an empty string when it is a finite number in the range,
// otherwise the reason (what names the value: "the value", "value 3" ...).
QString numberProblem(const QString &token, Range range, double &value,
                      const QString &what = tr("the value"))
{
  const bool ok = toReal(token, value);
  if (token.isEmpty())
    return tr("%1 is missing; %2 was expected").arg(what, expected(range));
  if (!ok)
    return tr("%1 \"%2\" is not a finite number; %3 was expected").arg(what, token, expected(range));
  if ((range == Range::Positive && !(value > 0.0)) || (range == Range::NotNegative && !(value >= 0.0)))
    return tr("%1 %2 is out of range; %3 was expected").arg(what, token, expected(range));
  return QString();
}

QString oneOf(const QStringList &words)
{
  return tr("one of %1 was expected").arg(words.join(QStringLiteral(", ")));
}

bool isKerrMaterial(MediumType t) { return t == SellmeierKer1 || t == MaterialKer1 || t == TabulatedKer1; }
bool isFormula(MediumType t) { return t == Sellmeier || t == SellmeierKer1; }

} // namespace

UppeConfigReader::UppeConfigReader(const QStringList &lines, const QString &folder)
    : lines(lines), folder(folder)
{
}

bool UppeConfigReader::fail(int line, const QString &reason)
{
  if (errorLine == 0 && missingKeyword.isEmpty()) {
    errorLine = line;
    errorReason = reason;
  }
  return true;
}

bool UppeConfigReader::missing(int keywordId)
{
  missingKeyword = keyword(keywordId);
  return true;
}

bool UppeConfigReader::readSections(UppeConfig &config)
{
  if (readDumpSwitch(config.integration) || readIntegration(config.integration))
    return true;
  const QString shapeKey = keyword(Kw::shape);
  for (int from = 0; from < lines.size();) {
    const int s = findLineFrom(lines, shapeKey, from);
    if (s < 0)
      break;
    if (readPulseBlock(s, config))
      return true;
    from = s + 1;
  }
  if (config.pulses.empty())
    return missing(Kw::shape);
  const QString typeKey = keyword(Kw::typeOf);
  for (int from = 0; from < lines.size();) {
    const int p = findLineFrom(lines, typeKey, from);
    if (p < 0)
      break;
    if (readPostprocessingBlock(p, config.postprocessing))
      return true;
    from = p + 1;
  }
  return false;
}

bool UppeConfigReader::readDumpSwitch(IntegrationSettings &settings)
{
  // A line with the value 0 and the keyword "dump" switches the diagnostic
  // files off for this run; any other number keeps them, as does no such line.
  const int dumpLine = findLineFrom(lines, keyword(Kw::dump), 0);
  if (dumpLine < 0)
    return false;
  double v = 0.0;
  const QString problem = numberProblem(valueAt(lines, dumpLine + 1), Range::Any, v);
  if (!problem.isEmpty())
    return fail(dumpLine + 1, problem + tr(" (0 switches the diagnostic files off)"));
  settings.dumps = v != 0.0;
  return false;
}

bool UppeConfigReader::readIntegration(IntegrationSettings &settings)
{
  double value = 0.0;
  if (readValue(lines, keyword(Kw::method), missingKeyword, currentLine).isNull()) {
    errorLine = currentLine;
    return true;
  }
  settings.stepper = indexIgnoringCase(stepperNames, valueAt(lines, currentLine));
  if (settings.stepper < 0)
    return fail(currentLine, oneOf(stepperNames));

  if (readValue(lines, keyword(Kw::fixedStep), missingKeyword, currentLine).isNull())
    return true;
  const QString problem = numberProblem(valueAt(lines, currentLine), Range::Any, value);
  if (!problem.isEmpty())
    return fail(currentLine, problem + tr(" (0 for adaptive steps, 1 for fixed steps)"));
  settings.fixedStep = value != 0.0;
  if (readStepKeys(settings))
    return true;

  if (readValue(lines, keyword(Kw::usegeneral), missingKeyword, currentLine).isNull())
    return true;
  bool ok = false;
  const QString general = valueAt(lines, currentLine);
  const int generalValue = general.toInt(&ok, 10);
  if (!ok)
    return fail(currentLine, tr("the value \"%1\" is not a whole number; 0 (real formulation) "
                                "or 1 (general formulation) was expected")
                                 .arg(general));
  settings.general = generalValue != 0;

  if (readValueFrom(lines, keyword(Kw::funit), missingKeyword, currentLine, 0).isNull())
    return true;
  const QString unit = valueAt(lines, currentLine);
  if (isNotListed(unit, frequencyUnits))
    return fail(currentLine, oneOf(frequencyUnits));
  settings.frequencyExponent = 3 * indexIgnoringCase(frequencyUnits, unit);
  settings.frequencyUnit = frequencyUnits.at(settings.frequencyExponent / 3);
  settings.frequencyAxisLabel = QStringLiteral("Frequency [") + unit + QStringLiteral("]");
  settings.frequencyShift *= powerOfTen(settings.frequencyExponent);
  return false;
}

bool UppeConfigReader::readStepKeys(IntegrationSettings &settings)
{
  // Step lengths and tolerance: finite and positive (a zero or negative
  // length would never reach the end of the medium).
  const std::pair<int, double *> keys[] = {{Kw::initialintegstep, &settings.initialStep},
                                           {Kw::evolutionstep, &settings.evolutionStep},
                                           {Kw::tolerance, &settings.tolerance}};
  for (const auto &key : keys) {
    if (readValue(lines, keyword(key.first), missingKeyword, currentLine).isNull())
      return true;
    const QString problem = numberProblem(valueAt(lines, currentLine), Range::Positive, *key.second);
    if (!problem.isEmpty())
      return fail(currentLine, problem);
  }
  // "1e-6 relative tolerance": the bound scales with the largest initial
  // spectral magnitude.
  settings.relativeTolerance = false;
  for (const QString &word : lineTokens(lines.at(currentLine - 1)))
    if (word.compare(QLatin1String("relative"), Qt::CaseInsensitive) == 0)
      settings.relativeTolerance = true;

  if (readValue(lines, keyword(Kw::fshift), missingKeyword, currentLine).isNull())
    return true;
  const QString problem = numberProblem(valueAt(lines, currentLine), Range::Any, settings.frequencyShift);
  return !problem.isEmpty() && fail(currentLine, problem);
}

bool UppeConfigReader::readPulseBlock(int s, UppeConfig &config)
{
  if (readValueFrom(lines, keyword(Kw::shape), missingKeyword, currentLine, s).isNull())
    return true;
  const int shapeIndex = indexIgnoringCase(pulseShapes, valueAt(lines, s + 1));
  // "sine" and "user" pulses have no spectral counterpart here: refused.
  if (shapeIndex < PulseDescription::Gauss || shapeIndex > PulseDescription::Sech2)
    return fail(s + 1, oneOf({QStringLiteral("gauss"), QStringLiteral("sech"), QStringLiteral("sech2")}));
  PulseDescription pulse;
  pulse.shape = PulseDescription::Shape(shapeIndex);

  // Amplitude line: amplitude (>= 0) and delay of the pulse centre.
  const int a = findLineFrom(lines, keyword(Kw::amplitude), s);
  if (a < 0)
    return missing(Kw::amplitude);
  const QStringList amplitudeTokens = lineTokens(lines.at(a));
  double delay = 0.0;
  QString problem = numberProblem(amplitudeTokens.value(0), Range::NotNegative, pulse.amplitude,
                                  tr("the amplitude"));
  if (problem.isEmpty())
    problem = numberProblem(amplitudeTokens.size() > 2 ? amplitudeTokens.at(1) : QString(),
                            Range::Any, delay, tr("the delay (second value)"));
  if (!problem.isEmpty())
    return fail(a + 1, problem);

  BlockUnits units;
  double centre = 0.0;
  if (readPulseUnits(s, units) || !readPositive(Kw::centre, s, centre))
    return true;
  pulse.carrier = centre * powerOfTen(units.frequencyExponent);
  if (readWindow(s, units, pulse.carrier, config) ||
      readPulseCentre(a, delay, units, config.window, pulse) || readPulseWidth(s, units, pulse))
    return true;
  const double secondsPerUnit = secondsPerTimeUnit(units.timeUnitPosition);
  pulse.summary = tr("%1, centre %2 %3, %4, amplitude %5 V/m, centred at %6 %7")
                      .arg(pulseShapes.at(shapeIndex))
                      .arg(centre)
                      .arg(units.frequency, pulse.summary)
                      .arg(pulse.amplitude)
                      .arg(pulse.centreTime / secondsPerUnit, 0, 'g', 8)
                      .arg(units.time);
  config.pulses.push_back(pulse);
  return false;
}

bool UppeConfigReader::readPulseUnits(int s, BlockUnits &units)
{
  if (readValueFrom(lines, keyword(Kw::funit), missingKeyword, currentLine, s + 1).isNull())
    return true;
  const QString funit = valueAt(lines, currentLine);
  if (isNotListed(funit, frequencyUnits))
    return fail(currentLine, oneOf(frequencyUnits));
  units.frequencyExponent = 3 * indexIgnoringCase(frequencyUnits, funit);
  units.frequency = funit;

  if (readValueFrom(lines, keyword(Kw::tunit), missingKeyword, currentLine, s).isNull())
    return true;
  const QString tunit = valueAt(lines, currentLine);
  if (isNotListed(tunit, timeUnits))
    return fail(currentLine, oneOf(timeUnits));
  units.timeUnitPosition = indexIgnoringCase(timeUnits, tunit);
  units.time = tunit;
  return false;
}

// Reads a positive value of a key searched from line index from; false on
// failure (status set). Its line is currentLine.
bool UppeConfigReader::readPositive(int keywordId, int from, double &value)
{
  if (readValueFrom(lines, keyword(keywordId), missingKeyword, currentLine, from).isNull())
    return false;
  const QString why = numberProblem(valueAt(lines, currentLine), Range::Positive, value);
  return why.isEmpty() || !fail(currentLine, why);
}

bool UppeConfigReader::readWindow(int s, const BlockUnits &units, double carrier, UppeConfig &config)
{
  // Every block states the same window as the first, which sets it.
  TimeWindow &window = config.window;
  const bool first = config.pulses.empty();
  const QString &tunit = units.time;
  double duration = 0.0, points = 0.0;
  if (!readPositive(Kw::timeduration, s, duration))
    return true;
  const double seconds = duration * secondsPerTimeUnit(units.timeUnitPosition);
  const QString durationText = valueAt(lines, currentLine) + QLatin1Char(' ') + tunit;
  if (!first && std::fabs(seconds - window.duration) > 1e-12 * window.duration)
    return fail(currentLine, tr("every pulse block needs the same \"timeduration\" as the "
                                "first (%1); this line asks for %2")
                                 .arg(window.durationText, durationText));
  if (!positive(seconds) || !positive(carrier))
    return fail(currentLine, tr("the window is not a finite positive time in seconds"));
  if (!readPositive(Kw::timepoints, s, points))
    return true;
  if (points != std::floor(points) || points < 2.0)
    return fail(currentLine, tr("a whole number of at least 2 was expected"));
  if (points > double(maximumUppeTimePoints))
    return fail(currentLine, tr("at most %1 time points; this line asks for %2")
                                 .arg(maximumUppeTimePoints)
                                 .arg(valueAt(lines, currentLine)));
  if (!first && int(points) != window.points)
    return fail(currentLine, tr("every pulse block needs the same \"timepoints\" as the "
                                "first (%1); this line asks for %2")
                                 .arg(window.points)
                                 .arg(int(points)));
  if (first) {
    window.points = int(points);
    window.duration = seconds;
    window.durationText = durationText;
    window.timeExponent = -3 * units.timeUnitPosition;
    window.timeUnit = timeUnits.at(units.timeUnitPosition);
    window.timeAxisLabel = QStringLiteral("Time [") + tunit + QStringLiteral("]");
  }
  return false;
}

bool UppeConfigReader::readPulseCentre(int a, double delay, const BlockUnits &units,
                                       const TimeWindow &window, PulseDescription &pulse)
{
  // The pulse is centred at T/2 + delay; a centre outside the window fails
  // at the amplitude line.
  const double secondsPerUnit = secondsPerTimeUnit(units.timeUnitPosition);
  pulse.centreTime = 0.5 * window.duration + delay * secondsPerUnit;
  if (pulse.centreTime >= 0.0 && pulse.centreTime <= window.duration)
    return false;
  const QString &tunit = units.time;
  return fail(a + 1, tr("the pulse centre T/2 + delay = %1 %2 lies outside the time window "
                        "0 ... %3 %2")
                         .arg(pulse.centreTime / secondsPerUnit, 0, 'g', 8)
                         .arg(tunit)
                         .arg(window.duration / secondsPerUnit, 0, 'g', 8));
}

bool UppeConfigReader::readPulseWidth(int s, const BlockUnits &units, PulseDescription &pulse)
{
  double value = 0.0;
  if (pulse.shape == PulseDescription::Gauss) {
    if (!readPositive(Kw::threeDB, s, value))
      return true;
    pulse.width = value * powerOfTen(units.frequencyExponent);
    pulse.summary = tr("3dB bandwidth %1 %2").arg(value).arg(units.frequency);
    return false;
  }
  // sech, sech2: "tau" in the block's own time unit.
  if (!readPositive(Kw::tau, s, value))
    return true;
  pulse.width = value * powerOfTen(-3 * units.timeUnitPosition);
  pulse.summary = tr("tau %1 %2").arg(value).arg(units.time);
  return false;
}

bool UppeConfigReader::readPostprocessingBlock(int p, PostprocessingDescription &post)
{
  const QString type = valueAt(lines, p + 1);
  if (isNotListed(type, postprocessingTypes))
    return fail(p + 1, oneOf(postprocessingTypes));
  if (readTextFrom(lines, keyword(Kw::name), missingKeyword, currentLine, p).isNull())
    return true;
  if (type.compare(keyword(Kw::conversionEfficiency), Qt::CaseInsensitive) == 0) {
    const int b = findLineFrom(lines, keyword(Kw::start), p);
    if (b < 0)
      return missing(Kw::start);
    const QStringList tokens = lineTokens(lines.at(b));
    double low = 0.0, high = 0.0;
    QString problem = numberProblem(tokens.value(0), Range::NotNegative, low, tr("the band start (THz)"));
    if (problem.isEmpty())
      problem = numberProblem(tokens.size() > 2 ? tokens.at(1) : QString(), Range::NotNegative,
                              high, tr("the band end (THz, second value)"));
    if (problem.isEmpty() && high < low)
      problem = tr("the band end %1 THz lies below its start %2 THz").arg(high).arg(low);
    if (!problem.isEmpty())
      return fail(b + 1, problem);
    post.bandLow = low;
    post.bandHigh = high;
    post.conversionEfficiency = true;
  } else if (type.compare(keyword(Kw::time), Qt::CaseInsensitive) == 0) {
    // A missing "use" fails the load through missingKeyword later.
    if (!readValueFrom(lines, keyword(Kw::use), missingKeyword, currentLine, p).isNull()) {
      bool ok = false;
      const QString use = valueAt(lines, currentLine);
      const int value = use.toInt(&ok);
      if (!ok)
        return fail(currentLine, tr("the value \"%1\" is not a whole number").arg(use));
      if (value == 0)
        post.timeSeriesCount += 1;
    }
  }
  return false;
}

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
  currentLine = mediumLine + 1;
  medium.type = MediumType(indexIgnoringCase(uppeMediumNames, valueAt(lines, currentLine)));
  if (medium.type == NoMedium)
    return fail(currentLine, oneOf(uppeMediumNames));
  return readParameters(medium, config.integration.frequencyExponent) || readLength(medium);
}

bool UppeConfigReader::readParameters(MediumDescription &medium, int frequencyExponent)
{
  const int parametersLine = firstLineContaining(lines, keyword(Kw::parameters));
  if (parametersLine < 0)
    return missing(Kw::parameters);
  currentLine = medium.parametersLine = parametersLine + 1;
  // Values stand before the keyword; only the Lorentz media take a word
  // after it (the unit of damping and resonance).
  const QStringList tokens = lineTokens(lines.at(parametersLine));
  int keywordIndex = 0;
  while (keywordIndex < tokens.size() &&
         tokens.at(keywordIndex).compare(keyword(Kw::parameters), Qt::CaseInsensitive) != 0)
    ++keywordIndex;
  // Real materials read their values themselves (names are not numbers).
  if (medium.type >= Sellmeier)
    return readMaterial(tokens.mid(0, keywordIndex), medium);
  std::vector<double> values;
  for (int i = 0; i < keywordIndex; ++i) {
    double v = 0.0;
    const QString problem = numberProblem(tokens.at(i), Range::Any, v, tr("value %1").arg(i + 1));
    if (!problem.isEmpty())
      return fail(currentLine, problem);
    values.push_back(v);
  }
  const MediumLayout &layout = mediumLayouts[medium.type];
  const int count = int(values.size());
  const bool taylor = medium.type == TaylorSeriesDispersive;
  if (taylor ? count < layout.values : count != layout.values)
    return fail(currentLine, tr("%1 takes %2%3 values (%4) before \"parameters\"; this line has %5")
                                 .arg(uppeMediumNames.at(medium.type), taylor ? tr("at least ") : QString())
                                 .arg(layout.values)
                                 .arg(QLatin1String(layout.names))
                                 .arg(count));
  const QStringList after = tokens.mid(keywordIndex + 1);
  const bool lorentz = medium.type == Lor1 || medium.type == Lor1Ker1;
  if (after.size() > (lorentz ? 1 : 0))
    return fail(currentLine, lorentz ? tr("only a frequency unit may follow \"parameters\"")
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
        return fail(currentLine, tr("the unit \"%1\" after \"parameters\": %2")
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
    return fail(currentLine, tr("beta1 = %1 s/m gives no usable frame velocity 1/beta1; a "
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
    return fail(currentLine, tr(usage[type - Sellmeier]));
  }
  std::vector<double> v(std::size_t(count), 0.0);
  for (int i = formula ? 0 : 1; i < count; ++i)
    if (!toReal(values.at(i), v[std::size_t(i)]))
      return fail(currentLine, tr("\"%1\" is not a number").arg(values.at(i)));
  if (kerr) {
    const double *k = &v[formula ? 0 : 1];
    if (!(k[1] > 0.0) || !(k[2] > 0.0) || !(k[3] >= 0.0 && k[3] <= 1.0))
      return fail(currentLine, tr("the Raman times must be positive and a within 0 to 1"));
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
      return fail(currentLine, tr("unknown material \"%1\"; the library has %2")
                                   .arg(values.first(), materials::materialNames().join(QLatin1String(", "))));
    medium.dispersion = materials::Dispersion(m->name, m->formula, m->shortest, m->longest);
  } else {
    QString reason;
    std::shared_ptr<const materials::TabulatedIndex> table =
        materials::TabulatedIndex::read(materials::resolveDataFile(values.first(), folder), reason);
    if (!table)
      return fail(currentLine, reason);
    medium.dispersion = materials::Dispersion(QFileInfo(values.first()).fileName(), table);
  }
  return false;
}

bool UppeConfigReader::readLength(MediumDescription &medium)
{
  if (readValue(lines, keyword(Kw::measure), missingKeyword, currentLine).isNull())
    return true;
  const QString measure = valueAt(lines, currentLine);
  if (isNotListed(measure, lengthUnits))
    return fail(currentLine, oneOf(lengthUnits));
  const int position = indexIgnoringCase(lengthUnits, measure);
  medium.lengthUnit = lengthUnits.at(position);
  medium.lengthScale = powerOfTen(-3 * position);

  const int sizeLine = firstLineContaining(lines, keyword(Kw::size));
  if (sizeLine < 0)
    return missing(Kw::size);
  currentLine = sizeLine + 1;
  double size = 0.0;
  const QString problem = numberProblem(valueAt(lines, currentLine), Range::Positive, size);
  if (!problem.isEmpty())
    return fail(currentLine, problem);
  medium.length = size * medium.lengthScale;
  return false;
}
