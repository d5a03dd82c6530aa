// Configuration sections of the spectral engine: integration keys, pulse
// blocks, post-processing blocks, the medium and the dump switch. Every
// refused line is recorded with the reason (fail); values are read from the
// first word of their line, leading blanks ignored.

#include "uppe/uppesimulator.h"
#include "input/tokens.h"

#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/units.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

const QStringList stepperNames = {QStringLiteral("rkf45"), QStringLiteral("rkck"),
                                  QStringLiteral("rk8pd")};
const QStringList mediumNames = {QStringLiteral("lor1"), QStringLiteral("const_n_ker1"),
                                 QStringLiteral("step_n_ker1"),
                                 QStringLiteral("taylorSeriesDispersive"),
                                 QStringLiteral("lor1ker1"),
                                 QStringLiteral("sellmeier"), QStringLiteral("sellmeier_ker1"),
                                 QStringLiteral("material"), QStringLiteral("material_ker1"),
                                 QStringLiteral("tabulated"), QStringLiteral("tabulated_ker1")};

// Values of the "parameters" line per medium (in mediumNames order); the
// Taylor series takes at least two (fr and beta1).
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
QString valueAt(const QStringList &lines, int line)
{
  return lineTokens(lines.value(line - 1)).value(0);
}

// Index of the first line containing text, ignoring case; -1 if none.
int firstLineContaining(const QStringList &lines, const QString &text)
{
  for (int i = 0; i < lines.size(); ++i)
    if (lines.at(i).contains(text, Qt::CaseInsensitive))
      return i;
  return -1;
}

// A finite positive value.
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

// Converts token; returns an empty string when it is a finite number in the
// range, otherwise the reason (what names the value: "the value", "value 3" ...).
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

} // namespace

QString UPPESimulator::mediumTypeName() const { return mediumNames.value(int(mediumType)); }

bool UPPESimulator::parseDumpSwitch(const QStringList &lines)
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
  dumps = v != 0.0;
  return false;
}

bool UPPESimulator::parseIntegrationKeys(QStringList lines)
{
  double value = 0.0;
  const QString method = readValue(lines, keyword(Kw::method), missingKeyword, currentLine);
  if (method.isNull()) {
    errorLine = currentLine;
    return true;
  }
  const int stepperIndex = indexIgnoringCase(stepperNames, valueAt(lines, currentLine));
  if (stepperIndex < 0)
    return fail(currentLine, oneOf(stepperNames));
  const gsl_odeiv2_step_type *types[] = {gsl_odeiv2_step_rkf45, gsl_odeiv2_step_rkck,
                                         gsl_odeiv2_step_rk8pd};
  stepper = types[stepperIndex];

  if (readValue(lines, keyword(Kw::fixedStep), missingKeyword, currentLine).isNull())
    return true;
  QString problem = numberProblem(valueAt(lines, currentLine), Range::Any, value);
  if (!problem.isEmpty())
    return fail(currentLine, problem + tr(" (0 for adaptive steps, 1 for fixed steps)"));
  fixedStep = value != 0.0;

  // Step lengths and tolerance: finite and positive (a zero or negative
  // length would never reach the end of the medium).
  struct Key
  {
    int keyword;
    double *target;
  };
  const Key lengths[] = {{Kw::initialintegstep, &h},
                         {Kw::evolutionstep, &evolutionStep},
                         {Kw::tolerance, &tolerance}};
  for (const Key &key : lengths) {
    if (readValue(lines, keyword(key.keyword), missingKeyword, currentLine).isNull())
      return true;
    problem = numberProblem(valueAt(lines, currentLine), Range::Positive, *key.target);
    if (!problem.isEmpty())
      return fail(currentLine, problem);
  }
  // "1e-6 relative tolerance": the bound scales with the largest initial
  // spectral magnitude (applied once the spectrum exists).
  relativeTolerance = false;
  for (const QString &word : lineTokens(lines.at(currentLine - 1)))
    if (word.compare(QLatin1String("relative"), Qt::CaseInsensitive) == 0)
      relativeTolerance = true;

  if (readValue(lines, keyword(Kw::fshift), missingKeyword, currentLine).isNull())
    return true;
  problem = numberProblem(valueAt(lines, currentLine), Range::Any, frequencyShiftHz);
  if (!problem.isEmpty())
    return fail(currentLine, problem);

  if (readValue(lines, keyword(Kw::usegeneral), missingKeyword, currentLine).isNull())
    return true;
  bool ok = false;
  const QString general = valueAt(lines, currentLine);
  const int generalValue = general.toInt(&ok, 10);
  if (!ok)
    return fail(currentLine, tr("the value \"%1\" is not a whole number; 0 (real formulation) "
                                "or 1 (general formulation) was expected")
                                 .arg(general));
  useGeneral = generalValue != 0;

  if (readValueFrom(lines, keyword(Kw::funit), missingKeyword, currentLine, 0).isNull())
    return true;
  const QString unit = valueAt(lines, currentLine);
  if (isNotListed(unit, frequencyUnits))
    return fail(currentLine, oneOf(frequencyUnits));
  frequencyExponent = 3 * indexIgnoringCase(frequencyUnits, unit);
  frequencyUnitText = frequencyUnits.at(frequencyExponent / 3);
  frequencyAxisLabel = QStringLiteral("Frequency [") + unit + QStringLiteral("]");
  frequencyShiftHz *= powerOfTen(frequencyExponent);
  return false;
}

bool UPPESimulator::parsePulseBlocks(QStringList lines)
{
  const QString shapeKey = keyword(Kw::shape);
  const QStringList spectralShapes = {QStringLiteral("gauss"), QStringLiteral("sech"),
                                      QStringLiteral("sech2")};
  int from = 0;
  bool firstBlock = true;
  QString firstDurationText;
  pulseCount = 0;
  while (from < lines.size()) {
    const int s = findLineFrom(lines, shapeKey, from);
    if (s < 0)
      break;

    if (readValueFrom(lines, shapeKey, missingKeyword, currentLine, s).isNull())
      return true;
    const QString shape = valueAt(lines, s + 1);
    const int shapeIndex = indexIgnoringCase(pulseShapes, shape);
    // "sine" and "user" pulses have no spectral counterpart here: refused.
    if (shapeIndex != 1 && shapeIndex != 2 && shapeIndex != 3)
      return fail(s + 1, oneOf(spectralShapes));

    // Amplitude line: amplitude (>= 0) and delay of the pulse centre.
    const int a = findLineFrom(lines, keyword(Kw::amplitude), s);
    if (a < 0) {
      missingKeyword = keyword(Kw::amplitude);
      return true;
    }
    const QStringList amplitudeTokens = lineTokens(lines.at(a));
    double amplitude = 0.0, delayValue = 0.0;
    QString problem = numberProblem(amplitudeTokens.value(0), Range::NotNegative, amplitude,
                                    tr("the amplitude"));
    if (problem.isEmpty())
      problem = numberProblem(amplitudeTokens.size() > 2 ? amplitudeTokens.at(1) : QString(),
                              Range::Any, delayValue, tr("the delay (second value)"));
    if (!problem.isEmpty())
      return fail(a + 1, problem);

    if (readValueFrom(lines, keyword(Kw::funit), missingKeyword, currentLine, s + 1).isNull())
      return true;
    const QString funit = valueAt(lines, currentLine);
    if (isNotListed(funit, frequencyUnits))
      return fail(currentLine, oneOf(frequencyUnits));
    const int frequencyUnitExp = 3 * indexIgnoringCase(frequencyUnits, funit);

    if (readValueFrom(lines, keyword(Kw::tunit), missingKeyword, currentLine, s).isNull())
      return true;
    const QString tunit = valueAt(lines, currentLine);
    if (isNotListed(tunit, timeUnits))
      return fail(currentLine, oneOf(timeUnits));
    const int timeUnitPosition = indexIgnoringCase(timeUnits, tunit);
    const double secondsPerUnit = secondsPerTimeUnit(timeUnitPosition);
    if (firstBlock) {
      timeExponent = -3 * timeUnitPosition;
      timeUnitText = timeUnits.at(timeUnitPosition);
      timeAxisLabelText = QStringLiteral("Time [") + tunit + QStringLiteral("]");
    }

    // Reads a positive value of a key searched from s; its line is currentLine.
    auto positiveValue = [&](int key, double &value) -> bool {
      if (readValueFrom(lines, keyword(key), missingKeyword, currentLine, s).isNull())
        return false;
      const QString why = numberProblem(valueAt(lines, currentLine), Range::Positive, value);
      return why.isEmpty() || !fail(currentLine, why);
    };

    double centre = 0.0, duration = 0.0, points = 0.0;
    if (!positiveValue(Kw::centre, centre))
      return true;
    const double carrier = centre * powerOfTen(frequencyUnitExp);
    if (!positiveValue(Kw::timeduration, duration))
      return true;
    const double window = duration * secondsPerUnit;
    const QString durationText = valueAt(lines, currentLine) + QLatin1Char(' ') + tunit;
    if (!firstBlock && std::fabs(window - timeWindow) > 1e-12 * timeWindow)
      return fail(currentLine, tr("every pulse block needs the same \"timeduration\" as the "
                                  "first (%1); this line asks for %2")
                                   .arg(firstDurationText, durationText));
    if (!positive(window) || !positive(carrier))
      return fail(currentLine, tr("the window is not a finite positive time in seconds"));
    if (!positiveValue(Kw::timepoints, points))
      return true;
    if (points != std::floor(points) || points < 2.0)
      return fail(currentLine, tr("a whole number of at least 2 was expected"));
    if (points > double(maximumUppeTimePoints))
      return fail(currentLine, tr("at most %1 time points; this line asks for %2")
                                   .arg(maximumUppeTimePoints)
                                   .arg(valueAt(lines, currentLine)));
    if (!firstBlock && int(points) != timePointCount)
      return fail(currentLine, tr("every pulse block needs the same \"timepoints\" as the "
                                  "first (%1); this line asks for %2")
                                   .arg(timePointCount)
                                   .arg(int(points)));

    if (firstBlock) {
      firstDurationText = durationText;
      timePointCount = int(points);
      frequencyCountValue = timePointCount / 2 + 1;
      timeWindow = window;
      dt = window / double(timePointCount - 1);
      maxFrequency = double(timePointCount / 2) / (double(timePointCount) * dt);
      df = maxFrequency / double(timePointCount / 2);
      stateDimension = useGeneral ? 2 * timePointCount : timePointCount;
    }

    // The pulse is centred at T/2 + delay; a centre outside the window fails
    // at the amplitude line.
    const double delay = delayValue * secondsPerUnit;
    const double centreTime = 0.5 * timeWindow + delay;
    if (!(centreTime >= 0.0 && centreTime <= timeWindow))
      return fail(a + 1, tr("the pulse centre T/2 + delay = %1 %2 lies outside the time window "
                            "0 ... %3 %2")
                             .arg(centreTime / secondsPerUnit, 0, 'g', 8)
                             .arg(tunit)
                             .arg(timeWindow / secondsPerUnit, 0, 'g', 8));

    CarrierWaveSource<int, double> *pulse = nullptr;
    QString width;
    if (shapeIndex == 1) { // gauss
      double bandwidthValue = 0.0;
      if (!positiveValue(Kw::threeDB, bandwidthValue))
        return true;
      const double bandwidth = bandwidthValue * powerOfTen(frequencyUnitExp);
      auto *g = new HardGaussianSource<int, double>(0, 0.0, 0.0, amplitude, 1.0,
                                                    (carrier + bandwidth) * window / 2.0,
                                                    carrier, 0, false, bandwidth);
      g->setCentreTime(centreTime);
      pulse = g;
      width = tr("3dB bandwidth %1 %2").arg(bandwidthValue).arg(funit);
    } else { // sech, sech2: "tau" in the block's own time unit
      double tauValue = 0.0;
      if (!positiveValue(Kw::tau, tauValue))
        return true;
      auto *p = new HardHyperbolicSecantSource<int, double>(
          0, 0.0, 0.0, amplitude, 1.0, carrier * window / 2.0, carrier, 0, false, tauValue,
          timeUnitPosition, shapeIndex == 2 ? 1 : 2);
      p->setCentreTime(centreTime);
      pulse = p;
      width = tr("tau %1 %2").arg(tauValue).arg(tunit);
    }
    pulse->samplingWindow = window;
    sources.append(pulse);
    sourceCount = sources.size();
    ++pulseCount;
    pulseDescriptions << tr("%1, centre %2 %3, %4, amplitude %5 V/m, centred at %6 %7")
                             .arg(pulseShapes.at(shapeIndex))
                             .arg(centre)
                             .arg(funit, width)
                             .arg(amplitude)
                             .arg(centreTime / secondsPerUnit, 0, 'g', 8)
                             .arg(tunit);
    firstBlock = false;
    from = s + 1;
  }
  if (pulseCount == 0) {
    missingKeyword = shapeKey;
    return true;
  }
  return false;
}

bool UPPESimulator::parsePostprocessingBlocks(QStringList lines)
{
  const QString typeKey = keyword(Kw::typeOf);
  int from = 0;
  while (from < lines.size()) {
    const int p = findLineFrom(lines, typeKey, from);
    if (p < 0)
      break;
    const QString type = valueAt(lines, p + 1);
    if (isNotListed(type, postprocessingTypes))
      return fail(p + 1, oneOf(postprocessingTypes));
    if (readTextFrom(lines, keyword(Kw::name), missingKeyword, currentLine, p).isNull())
      return true;

    if (type.compare(keyword(Kw::conversionEfficiency), Qt::CaseInsensitive) == 0) {
      const int b = findLineFrom(lines, keyword(Kw::start), p);
      if (b < 0) {
        missingKeyword = keyword(Kw::start);
        return true;
      }
      const QStringList tokens = lineTokens(lines.at(b));
      double low = 0.0, high = 0.0;
      QString problem =
          numberProblem(tokens.value(0), Range::NotNegative, low, tr("the band start (THz)"));
      if (problem.isEmpty())
        problem = numberProblem(tokens.size() > 2 ? tokens.at(1) : QString(), Range::NotNegative,
                                high, tr("the band end (THz, second value)"));
      if (problem.isEmpty() && high < low)
        problem = tr("the band end %1 THz lies below its start %2 THz").arg(high).arg(low);
      if (!problem.isEmpty())
        return fail(b + 1, problem);
      bandLow = low;
      bandHigh = high;
      conversionEfficiency = true;
      conversionEfficiencyAvailable = true;
    } else if (type.compare(keyword(Kw::time), Qt::CaseInsensitive) == 0) {
      // A missing "use" fails the load through missingKeyword later.
      if (!readValueFrom(lines, keyword(Kw::use), missingKeyword, currentLine, p).isNull()) {
        bool ok = false;
        const QString use = valueAt(lines, currentLine);
        const int value = use.toInt(&ok);
        if (!ok)
          return fail(currentLine, tr("the value \"%1\" is not a whole number").arg(use));
        if (value == 0)
          timeSeriesCount += 1;
      }
    }
    from = p + 1;
  }
  return false;
}

bool UPPESimulator::parseMedium(QStringList lines)
{
  // "linear": the lossy flag; no such line means lossy.
  const int linearLine = firstLineContaining(lines, keyword(Kw::linear));
  if (linearLine >= 0) {
    double v = 0.0;
    const QString problem = numberProblem(valueAt(lines, linearLine + 1), Range::Any, v);
    if (!problem.isEmpty())
      return fail(linearLine + 1, problem + tr(" (0 drops the imaginary part of the index)"));
    lossy = v != 0.0;
  }

  const int mediumLine = firstLineContaining(lines, keyword(Kw::medium));
  if (mediumLine < 0) {
    missingKeyword = keyword(Kw::medium);
    return true;
  }
  currentLine = mediumLine + 1;
  mediumType = MediumType(indexIgnoringCase(mediumNames, valueAt(lines, currentLine)));
  if (mediumType == NoMedium)
    return fail(currentLine, oneOf(mediumNames));

  const int parametersLine = firstLineContaining(lines, keyword(Kw::parameters));
  if (parametersLine < 0) {
    missingKeyword = keyword(Kw::parameters);
    return true;
  }
  currentLine = parametersLine + 1;
  // Values stand before the keyword; only the Lorentz media take a word
  // after it (the unit of damping and resonance).
  parameterTokens = lineTokens(lines.at(parametersLine));
  int keywordIndex = 0;
  while (keywordIndex < parameterTokens.size() &&
         !parameterTokens.at(keywordIndex).contains(keyword(Kw::parameters), Qt::CaseInsensitive))
    ++keywordIndex;
  const QStringList after = parameterTokens.mid(keywordIndex + 1);
  parameterValues.clear();
  // Real materials read their line themselves (names and file names are not
  // numbers).
  const bool realMaterial = mediumType >= Sellmeier;
  if (realMaterial && parseMaterialMedium(lines.at(parametersLine), parametersLine + 1))
    return true;
  for (int i = 0; !realMaterial && i < keywordIndex; ++i) {
    double v = 0.0;
    const QString problem = numberProblem(parameterTokens.at(i), Range::Any, v,
                                          tr("value %1").arg(i + 1));
    if (!problem.isEmpty())
      return fail(currentLine, problem);
    parameterValues.push_back(v);
  }
  const MediumLayout &layout = mediumLayouts[realMaterial ? 0 : mediumType];
  const int count = int(parameterValues.size());
  const bool taylor = mediumType == TaylorSeriesDispersive;
  if (!realMaterial && (taylor ? count < layout.values : count != layout.values))
    return fail(currentLine, tr("%1 takes %2%3 values (%4) before \"parameters\"; this line has %5")
                                 .arg(mediumNames.at(mediumType), taylor ? tr("at least ") : QString())
                                 .arg(layout.values)
                                 .arg(QLatin1String(layout.names))
                                 .arg(count));
  const bool lorentz = mediumType == Lor1 || mediumType == Lor1Ker1;
  if (!realMaterial && after.size() > (lorentz ? 1 : 0))
    return fail(currentLine, lorentz ? tr("only a frequency unit may follow \"parameters\"")
                                     : tr("nothing may follow \"parameters\""));
  auto value = [&](int i) { return parameterValues[std::size_t(i)]; };

  const double femtosecond = 1e-15;
  switch (mediumType) {
  case Lor1:
  case Lor1Ker1: {
    int exponent = 9; // GHz unless a unit follows the keyword
    if (!after.isEmpty()) {
      if (isNotListed(after.at(0), frequencyUnits))
        return fail(currentLine, tr("the unit \"%1\" after \"parameters\": %2")
                                     .arg(after.at(0), oneOf(frequencyUnits)));
      exponent = 3 * indexIgnoringCase(frequencyUnits, after.at(0));
    }
    lorentzEpsInfinity = value(0);
    lorentzEpsStatic = value(3);
    lorentzDamping = value(4) * powerOfTen(exponent);
    lorentzResonance = value(5) * powerOfTen(exponent);
    if (mediumType == Lor1Ker1) {
      kerrCoefficient = value(6);
      ramanTau1 = value(7) * femtosecond;
      ramanTau2 = value(8) * femtosecond;
      instantaneousWeight = value(9);
    }
    break;
  }
  case ConstNKer1:
    constantIndex = Complex(value(0), value(1));
    kerrCoefficient = value(2);
    ramanTau1 = value(3) * femtosecond;
    ramanTau2 = value(4) * femtosecond;
    instantaneousWeight = value(5);
    break;
  case StepNKer1:
    stepLow = Complex(value(0), value(1));
    stepFrequency = value(2) * powerOfTen(frequencyExponent);
    stepHigh = Complex(value(3), value(4));
    kerrCoefficient = value(5);
    ramanTau1 = value(6) * femtosecond;
    ramanTau2 = value(7) * femtosecond;
    instantaneousWeight = value(8);
    break;
  case TaylorSeriesDispersive: {
    taylorReference = value(0);
    taylorCoefficients.assign(parameterValues.begin() + 1, parameterValues.end());
    // The frame moves with 1/beta_1, a whole number of metres per second.
    const double velocity = 1.0 / taylorCoefficients.front();
    if (!std::isfinite(velocity) || std::fabs(velocity) < 1.0 ||
        std::fabs(velocity) >= double(std::numeric_limits<int>::max()))
      return fail(currentLine, tr("beta1 = %1 s/m gives no usable frame velocity 1/beta1; a "
                                  "value between %2 and 1 s/m was expected")
                                   .arg(taylorCoefficients.front())
                                   .arg(1.0 / double(std::numeric_limits<int>::max()), 0, 'g', 3));
    mediumGroupVelocity = int(velocity);
    break;
  }
  case Sellmeier:
  case SellmeierKer1:
  case Material:
  case MaterialKer1:
  case Tabulated:
  case TabulatedKer1:
  case NoMedium:
    break;
  }

  refractiveIndex = useGeneral ? generalIndex(binFrequencies) : mediumIndex(frequencies);

  if (readValue(lines, keyword(Kw::measure), missingKeyword, currentLine).isNull())
    return true;
  const QString measure = valueAt(lines, currentLine);
  if (isNotListed(measure, lengthUnits))
    return fail(currentLine, oneOf(lengthUnits));
  lengthUnit = lengthUnits.at(indexIgnoringCase(lengthUnits, measure));
  lengthScaleValue = powerOfTen(-3 * indexIgnoringCase(lengthUnits, measure));

  const int sizeLine = firstLineContaining(lines, keyword(Kw::size));
  if (sizeLine < 0) {
    missingKeyword = keyword(Kw::size);
    return true;
  }
  currentLine = sizeLine + 1;
  double size = 0.0;
  const QString problem = numberProblem(valueAt(lines, currentLine), Range::Positive, size);
  if (!problem.isEmpty())
    return fail(currentLine, problem);
  length = size * lengthScaleValue;
  return false;
}
