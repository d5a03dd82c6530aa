// Configuration sections of the spectral engine: integration keys, pulse
// blocks, post-processing blocks and the medium.

#include "uppe/uppesimulator.h"

#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/units.h"

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

// Tokens of a line split at runs of white space, empty pieces kept.
QStringList tokensOf(const QString &line)
{
  static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
  return line.split(whiteSpace);
}

// Index of the first line containing text, ignoring case; -1 if none.
int firstLineContaining(const QStringList &lines, const QString &text)
{
  for (int i = 0; i < lines.size(); ++i)
    if (lines.at(i).contains(text, Qt::CaseInsensitive))
      return i;
  return -1;
}

// Plain decimal conversion; a token that is not a number counts as 0.
double numberOrZero(const QString &token)
{
  bool ok = false;
  const double v = token.toDouble(&ok);
  return ok ? v : 0.0;
}

// A finite positive value.
bool positive(double v) { return v > 0.0 && std::isfinite(v); }

} // namespace

bool UPPESimulator::parseIntegrationKeys(QStringList lines)
{
  bool ok = false;

  const QString method = readValue(lines, keyword(Kw::method), missingKeyword, currentLine);
  const int stepperIndex = method.isNull() ? -1 : indexIgnoringCase(stepperNames, method);
  if (stepperIndex < 0) {
    errorLine = currentLine;
    return true;
  }
  const gsl_odeiv2_step_type *types[] = {gsl_odeiv2_step_rkf45, gsl_odeiv2_step_rkck,
                                         gsl_odeiv2_step_rk8pd};
  stepper = types[stepperIndex];

  const QString fixed = readValue(lines, keyword(Kw::fixedStep), missingKeyword, currentLine);
  if (fixed.isNull())
    return true;
  fixedStep = numberOrZero(fixed) != 0.0;

  // Step lengths and tolerance: numbers, finite and positive (a zero or
  // negative length would never reach the end of the medium).
  struct Key
  {
    int keyword;
    double *target;
  };
  const Key lengths[] = {{Kw::initialintegstep, &h},
                         {Kw::evolutionstep, &evolutionStep},
                         {Kw::tolerance, &tolerance}};
  for (const Key &key : lengths) {
    const QString value = readValue(lines, keyword(key.keyword), missingKeyword, currentLine);
    if (value.isNull())
      return true;
    *key.target = value.toDouble(&ok);
    if (!ok || !positive(*key.target)) {
      errorLine = currentLine;
      return true;
    }
  }

  const QString shift = readValue(lines, keyword(Kw::fshift), missingKeyword, currentLine);
  if (shift.isNull())
    return true;
  frequencyShiftHz = shift.toDouble(&ok);
  if (!ok || !std::isfinite(frequencyShiftHz)) {
    errorLine = currentLine;
    return true;
  }

  const QString general = readValue(lines, keyword(Kw::usegeneral), missingKeyword, currentLine);
  if (general.isNull())
    return true;
  const int generalValue = general.toInt(&ok, 10);
  if (!ok) {
    errorLine = currentLine;
    return true;
  }
  useGeneral = generalValue != 0;

  const QString unit = readValueFrom(lines, keyword(Kw::funit), missingKeyword, currentLine, 0);
  if (unit.isNull())
    return true;
  if (isNotListed(unit, frequencyUnits)) {
    errorLine = currentLine;
    return true;
  }
  frequencyExponent = 3 * indexIgnoringCase(frequencyUnits, unit);
  frequencyAxisLabel = QStringLiteral("Frequency [") + unit + QStringLiteral("]");
  frequencyShiftHz *= powerOfTen(frequencyExponent);
  return false;
}

bool UPPESimulator::parsePulseBlocks(QStringList lines)
{
  const QString shapeKey = keyword(Kw::shape);
  int from = 0;
  bool firstBlock = true;
  pulseCount = 0;
  while (from < lines.size()) {
    const int s = findLineFrom(lines, shapeKey, from);
    if (s < 0)
      break;
    bool ok = false;

    const QString shape = readValueFrom(lines, shapeKey, missingKeyword, currentLine, s);
    if (shape.isNull())
      return true;
    const int shapeIndex = indexIgnoringCase(pulseShapes, shape);
    // "sine" and "user" pulses have no spectral counterpart here: refused.
    if (shapeIndex < 0 || shapeIndex == 0 || shapeIndex == 4) {
      errorLine = s + 1;
      return true;
    }

    // Amplitude line: amplitude (>= 0) and delay (a number, without effect here).
    const int a = findLineFrom(lines, keyword(Kw::amplitude), s);
    if (a < 0) {
      missingKeyword = keyword(Kw::amplitude);
      return true;
    }
    const QStringList amplitudeTokens = tokensOf(lines.at(a));
    bool okDelay = false;
    const double amplitude = amplitudeTokens.value(0).toDouble(&ok);
    const double delay = amplitudeTokens.value(1).toDouble(&okDelay);
    if (!ok || !okDelay || !(amplitude >= 0.0) || !std::isfinite(amplitude) ||
        !std::isfinite(delay)) {
      errorLine = a + 1;
      return true;
    }

    const QString funit = readValueFrom(lines, keyword(Kw::funit), missingKeyword, currentLine, s + 1);
    if (funit.isNull())
      return true;
    if (isNotListed(funit, frequencyUnits)) {
      errorLine = currentLine;
      return true;
    }
    const int frequencyUnitExp = 3 * indexIgnoringCase(frequencyUnits, funit);

    const QString tunit = readValueFrom(lines, keyword(Kw::tunit), missingKeyword, currentLine, s);
    if (tunit.isNull())
      return true;
    if (isNotListed(tunit, timeUnits)) {
      errorLine = currentLine;
      return true;
    }
    const int timeUnitExp = -3 * indexIgnoringCase(timeUnits, tunit);
    if (firstBlock) {
      timeExponent = timeUnitExp;
      timeAxisLabelText = QStringLiteral("Time [") + tunit + QStringLiteral("]");
    }

    // Reads a positive finite value of a key searched from s.
    auto positiveValue = [&](int key, double &value) -> bool {
      const QString text = readValueFrom(lines, keyword(key), missingKeyword, currentLine, s);
      if (text.isNull())
        return false;
      value = numberOrZero(text);
      if (!positive(value)) {
        errorLine = currentLine;
        return false;
      }
      return true;
    };

    double centre = 0.0, duration = 0.0, points = 0.0;
    if (!positiveValue(Kw::centre, centre))
      return true;
    const double carrier = centre * powerOfTen(frequencyUnitExp);
    if (!positiveValue(Kw::timeduration, duration))
      return true;
    const double window = duration * powerOfTen(timeUnitExp);
    if (!positiveValue(Kw::timepoints, points))
      return true;
    // At least two samples (the spacing is T / (n - 1)), at most the cap.
    if (points < 2.0 || points >= double(maximumUppeTimePoints) + 1.0) {
      errorLine = currentLine;
      return true;
    }
    if (!positive(carrier) || !positive(window)) {
      errorLine = currentLine;
      return true;
    }

    timePointCount = int(points);
    frequencyCountValue = timePointCount / 2 + 1;
    timeWindow = window;
    dt = window / double(timePointCount - 1);
    maxFrequency = double(timePointCount / 2) / (double(timePointCount) * dt);
    df = maxFrequency / double(timePointCount / 2);
    stateDimension = useGeneral ? 2 * timePointCount : timePointCount;

    CarrierWaveSource<int, double> *pulse = nullptr;
    if (shapeIndex == 1) { // gauss
      double bandwidthValue = 0.0;
      if (!positiveValue(Kw::threeDB, bandwidthValue))
        return true;
      const double bandwidth = bandwidthValue * powerOfTen(frequencyUnitExp);
      auto *g = new HardGaussianSource<int, double>(0, delay, 0.0, amplitude, 1.0,
                                                    (carrier + bandwidth) * window / 2.0,
                                                    carrier, 0, false, bandwidth);
      g->setCentreTime(window / 2.0);
      pulse = g;
    } else { // sech, sech2
      double tauValue = 0.0;
      if (!positiveValue(Kw::tau, tauValue))
        return true;
      auto *p = new HardHyperbolicSecantSource<int, double>(
          0, delay, 0.0, amplitude, 1.0, carrier * window / 2.0, carrier, 0, false, tauValue,
          -timeExponent / 3, shapeIndex == 2 ? 1 : 2);
      p->setCentreTime(window / 2.0);
      pulse = p;
    }
    pulse->samplingWindow = window;
    sources.append(pulse);
    sourceCount = sources.size();
    ++pulseCount;
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
    const QString type = lineValue(lines.at(p));
    if (isNotListed(type, postprocessingTypes)) {
      errorLine = p + 1;
      return true;
    }
    const QString name = readTextFrom(lines, keyword(Kw::name), missingKeyword, currentLine, p);
    if (name.isNull())
      return true;

    if (type.compare(keyword(Kw::conversionEfficiency), Qt::CaseInsensitive) == 0) {
      const int b = findLineFrom(lines, keyword(Kw::start), p);
      if (b < 0) {
        missingKeyword = keyword(Kw::start);
        return true;
      }
      const QStringList tokens = tokensOf(lines.at(b));
      bool ok = false;
      const double low = tokens.value(0).toDouble(&ok);
      if (!ok || !(low >= 0.0) || !std::isfinite(low)) {
        errorLine = b + 1;
        return true;
      }
      const double high = tokens.value(1).toDouble(&ok);
      if (!ok || !(high >= 0.0) || !std::isfinite(high) || high < low) {
        errorLine = b + 1;
        return true;
      }
      bandLow = low;
      bandHigh = high;
      conversionEfficiency = true;
      conversionEfficiencyAvailable = true;
    } else if (type.compare(keyword(Kw::time), Qt::CaseInsensitive) == 0) {
      // A missing "use" fails the load through missingKeyword later.
      const QString use = readValueFrom(lines, keyword(Kw::use), missingKeyword, currentLine, p);
      if (!use.isNull() && use.toInt() == 0)
        timeSeriesCount += 1;
    }
    from = p + 1;
  }
  return false;
}

bool UPPESimulator::parseMedium(QStringList lines)
{
  // "linear": the lossy flag; no such line means lossy.
  const int linearLine = firstLineContaining(lines, keyword(Kw::linear));
  lossy = linearLine < 0 || numberOrZero(lineValue(lines.at(linearLine))) != 0.0;

  const int mediumLine = firstLineContaining(lines, keyword(Kw::medium));
  if (mediumLine < 0) {
    missingKeyword = keyword(Kw::medium);
    return true;
  }
  currentLine = mediumLine + 1;
  mediumType = MediumType(indexIgnoringCase(mediumNames, lineValue(lines.at(mediumLine))));
  if (mediumType == NoMedium) {
    errorLine = mediumLine + 1;
    return true;
  }

  const int parametersLine = firstLineContaining(lines, keyword(Kw::parameters));
  if (parametersLine < 0) {
    missingKeyword = keyword(Kw::parameters);
    return true;
  }
  currentLine = parametersLine + 1;
  parameterTokens = tokensOf(lines.at(parametersLine));
  const int tokenCount = parameterTokens.size();
  parameterValues.clear();
  for (const QString &t : parameterTokens)
    parameterValues.push_back(numberOrZero(t));
  auto value = [&](int i) { return parameterValues[std::size_t(i)]; };
  // Real materials read their line themselves.
  const bool realMaterial = mediumType >= Sellmeier;
  if (realMaterial && parseMaterialMedium(lines.at(parametersLine), parametersLine + 1))
    return true;

  // Lines too short for their medium end the section without a status field.
  const int minimumTokens[] = {7, 7, 10, 3, 11};
  if (!realMaterial && tokenCount < minimumTokens[mediumType]) {
    errorLine = 0;
    return true;
  }

  const double femtosecond = 1e-15;
  switch (mediumType) {
  case Lor1:
  case Lor1Ker1: {
    const int unitToken = mediumType == Lor1 ? 7 : 11;
    int exponent = 9;
    if (tokenCount == unitToken + 1) {
      const int position = indexIgnoringCase(frequencyUnits, parameterTokens.at(unitToken));
      if (position >= 0)
        exponent = 3 * position;
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
    taylorCoefficients.assign(parameterValues.begin() + 1, parameterValues.end() - 1);
    // The frame moves with 1/beta_1, a whole number of metres per second.
    const double velocity = 1.0 / taylorCoefficients.front();
    if (!std::isfinite(velocity) || std::fabs(velocity) < 1.0 ||
        std::fabs(velocity) >= double(std::numeric_limits<int>::max())) {
      errorLine = 0;
      return true;
    }
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
  for (double v : parameterValues)
    if (!std::isfinite(v)) {
      errorLine = parametersLine + 1;
      return true;
    }

  refractiveIndex = useGeneral ? generalIndex(binFrequencies) : mediumIndex(frequencies);

  const QString measure = readValue(lines, keyword(Kw::measure), missingKeyword, currentLine);
  if (measure.isNull())
    return true;
  if (isNotListed(measure, lengthUnits)) {
    errorLine = currentLine;
    return true;
  }
  lengthUnit = measure;
  lengthScaleValue = powerOfTen(-3 * indexIgnoringCase(lengthUnits, measure));

  const int sizeLine = firstLineContaining(lines, keyword(Kw::size));
  if (sizeLine < 0) {
    missingKeyword = keyword(Kw::size);
    return true;
  }
  currentLine = sizeLine + 1;
  length = numberOrZero(lineValue(lines.at(sizeLine))) * lengthScaleValue;
  if (!std::isfinite(length)) {
    errorLine = currentLine;
    return true;
  }
  return false;
}
