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

const QStringList uppeMediumNames = {
    QStringLiteral("lor1"),       QStringLiteral("const_n_ker1"),   QStringLiteral("step_n_ker1"),
    QStringLiteral("taylorSeriesDispersive"), QStringLiteral("lor1ker1"),
    QStringLiteral("sellmeier"),  QStringLiteral("sellmeier_ker1"), QStringLiteral("material"),
    QStringLiteral("material_ker1"), QStringLiteral("tabulated"),   QStringLiteral("tabulated_ker1"),
    QStringLiteral("fibre")};

namespace {

using namespace uppereading;

const QStringList stepperNames = {QStringLiteral("rkf45"), QStringLiteral("rkck"),
                                  QStringLiteral("rk8pd"), QStringLiteral("erk43ip")};
constexpr int interactionPictureStepper = 3;
const QStringList modelNames = {QStringLiteral("envelope"), QStringLiteral("field")};
constexpr int maximumPlanes = 10000;

bool positive(double v) { return v > 0.0 && std::isfinite(v); }

// Index of the first line in [from, to) that has word (case-sensitive) as a
// whole token after its value; -1 if none.
int findWordLine(const QStringList &lines, const QString &word, int from, int to)
{
  to = std::min(to, int(lines.size()));
  for (int i = std::max(from, 0); i < to; ++i) {
    const QStringList tokens = lineTokens(lines.at(i));
    // Name lines ("text * name") hold free text, not keywords.
    if (std::any_of(tokens.begin(), tokens.end(), [](const QString &t) { return t.startsWith(QLatin1Char('*')); }))
      continue;
    for (int t = 1; t < tokens.size(); ++t)
      if (tokens.at(t) == word)
        return i;
  }
  return -1;
}

} // namespace

UppeConfigReader::UppeConfigReader(const QStringList &lines, const QString &folder, ParseStatus &status)
    : lines(lines), folder(folder), status(status)
{
}

bool UppeConfigReader::fail(int line, const QString &reason) { return status.fail(line, reason); }

bool UppeConfigReader::missing(int keywordId)
{
  return status.missing(keyword(keywordId));
}

bool UppeConfigReader::readRunControl(UppeConfig &config)
{
  return readActions(lines, status, config.actions) || readTimingLogs(lines, status, config.timingLogs);
}

bool UppeConfigReader::readSections(UppeConfig &config)
{
  // Pulse forms depend on the medium: power and energy belong to a fibre.
  const int mediumLine = firstLineContaining(lines, keyword(Kw::medium));
  fibreMedium = mediumLine >= 0 && mediumOf(valueAt(lines, mediumLine + 1)) == Fibre;
  if (readDumpSwitch(config.integration) || readIntegration(config.integration) ||
      readModelAndPlanes(config.integration))
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
  if (readValue(lines, keyword(Kw::method), status.missingKeyword, status.currentLine).isNull()) {
    status.errorLine = status.currentLine;
    return true;
  }
  settings.stepper = indexIgnoringCase(stepperNames, valueAt(lines, status.currentLine));
  if (settings.stepper < 0)
    return fail(status.currentLine, oneOf(stepperNames));
  settings.methodLine = status.currentLine;
  settings.interactionPicture = settings.stepper == interactionPictureStepper;
  if (settings.interactionPicture)
    settings.stepper = 0;

  if (readValue(lines, keyword(Kw::fixedStep), status.missingKeyword, status.currentLine).isNull())
    return true;
  const QString problem = numberProblem(valueAt(lines, status.currentLine), Range::Any, value);
  if (!problem.isEmpty())
    return fail(status.currentLine, problem + tr(" (0 for adaptive steps, 1 for fixed steps)"));
  settings.fixedStep = value != 0.0;
  if (readStepKeys(settings))
    return true;

  if (readValue(lines, keyword(Kw::usegeneral), status.missingKeyword, status.currentLine).isNull())
    return true;
  bool ok = false;
  const QString general = valueAt(lines, status.currentLine);
  const int generalValue = general.toInt(&ok);
  if (!ok)
    return fail(status.currentLine, tr("the value \"%1\" is not a whole number; 0 (real formulation) "
                                "or 1 (general formulation) was expected")
                                 .arg(general));
  settings.general = generalValue != 0;
  settings.generalLine = status.currentLine;

  if (readValueFrom(lines, keyword(Kw::funit), status.missingKeyword, status.currentLine, 0).isNull())
    return true;
  const QString unit = valueAt(lines, status.currentLine);
  if (isNotListed(unit, frequencyUnits))
    return fail(status.currentLine, oneOf(frequencyUnits));
  settings.frequencyExponent = 3 * indexIgnoringCase(frequencyUnits, unit);
  settings.frequencyUnit = frequencyUnits.at(settings.frequencyExponent / 3);
  settings.frequencyAxisLabel = QStringLiteral("Frequency [") + unit + QStringLiteral("]");
  settings.frequencyShift *= powerOfTen(settings.frequencyExponent);
  return false;
}

bool UppeConfigReader::readModelAndPlanes(IntegrationSettings &settings)
{
  // "envelope model" or "field model"; without the line a fibre takes the
  // envelope, every other medium the field (resolved with the medium).
  const int modelLine = findWordLine(lines, keyword(Kw::model), 0, lines.size());
  if (modelLine >= 0) {
    const int position = indexIgnoringCase(modelNames, valueAt(lines, modelLine + 1));
    if (position < 0)
      return fail(modelLine + 1, oneOf(modelNames));
    settings.modelLine = modelLine + 1;
    settings.envelope = position == 0;
  }
  const int planesLine = findWordLine(lines, keyword(Kw::planes), 0, lines.size());
  if (planesLine < 0)
    return false;
  const QString text = valueAt(lines, planesLine + 1);
  int planes = 0;
  if (!toInteger(text, planes) || planes < 2 || planes > maximumPlanes)
    return fail(planesLine + 1, tr("\"%1\" is not a whole number of planes from 2 to %2 (the "
                                   "records at 0 and at the end of the medium count)")
                                    .arg(text)
                                    .arg(maximumPlanes));
  settings.planes = planes;
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
    if (readValue(lines, keyword(key.first), status.missingKeyword, status.currentLine).isNull())
      return true;
    const QString problem = numberProblem(valueAt(lines, status.currentLine), Range::Positive, *key.second);
    if (!problem.isEmpty())
      return fail(status.currentLine, problem);
  }
  // "1e-6 relative tolerance": the bound scales with the largest initial
  // spectral magnitude.
  settings.relativeTolerance = false;
  for (const QString &word : lineTokens(lines.at(status.currentLine - 1)))
    if (word.compare(QLatin1String("relative"), Qt::CaseInsensitive) == 0)
      settings.relativeTolerance = true;

  if (readValue(lines, keyword(Kw::fshift), status.missingKeyword, status.currentLine).isNull())
    return true;
  const QString problem = numberProblem(valueAt(lines, status.currentLine), Range::Any, settings.frequencyShift);
  return !problem.isEmpty() && fail(status.currentLine, problem);
}

bool UppeConfigReader::readPulseBlock(int s, UppeConfig &config)
{
  if (readValueFrom(lines, keyword(Kw::shape), status.missingKeyword, status.currentLine, s).isNull())
    return true;
  const int shapeIndex = indexIgnoringCase(pulseShapes, valueAt(lines, s + 1));
  // "sine" and "user" pulses have no spectral counterpart here: refused.
  if (shapeIndex < PulseDescription::Gauss || shapeIndex > PulseDescription::Sech2)
    return fail(s + 1, oneOf({QStringLiteral("gauss"), QStringLiteral("sech"), QStringLiteral("sech2")}));
  PulseDescription pulse;
  pulse.shape = PulseDescription::Shape(shapeIndex);
  pulse.line = s + 1;
  // The optional forms belong to this block: up to the next "shape" line.
  const int next = findWordLine(lines, keyword(Kw::shape), s + 1, lines.size());
  const int blockEnd = next < 0 ? int(lines.size()) : next;

  // Size line: amplitude, peak power or energy, then the delay of the centre.
  const int powerLine = findWordLine(lines, keyword(Kw::peakpower), s, blockEnd);
  const int energyLine = findWordLine(lines, keyword(Kw::energy), s, blockEnd);
  int a = -1;
  double size = 0.0;
  if (powerLine >= 0 || energyLine >= 0) {
    a = std::max(powerLine, energyLine);
    if (powerLine >= 0 && energyLine >= 0)
      return fail(a + 1, tr("a pulse takes either \"peakpower\" or \"energy\", not both"));
    const int amplitudeLine = findWordLine(lines, keyword(Kw::amplitude), s, blockEnd);
    if (amplitudeLine >= 0)
      return fail(std::max(a, amplitudeLine) + 1,
                  tr("a pulse takes either \"amplitude\" or \"%1\", not both")
                      .arg(keyword(powerLine >= 0 ? Kw::peakpower : Kw::energy)));
    if (!fibreMedium)
      return fail(a + 1, tr("\"peakpower\" and \"energy\" describe pulses in a fibre medium "
                            "(field in sqrt(W)); other media take \"amplitude\" in V/m"));
    pulse.size = powerLine >= 0 ? PulseDescription::PeakPower : PulseDescription::Energy;
  } else {
    a = findLineFrom(lines, keyword(Kw::amplitude), s);
    if (a < 0)
      return missing(Kw::amplitude);
  }
  const QStringList sizeTokens = lineTokens(lines.at(a));
  double delay = 0.0;
  const QString sizeName = pulse.size == PulseDescription::PeakPower
                               ? tr("the peak power (W)")
                               : (pulse.size == PulseDescription::Energy ? tr("the energy (J)")
                                                                         : tr("the amplitude"));
  QString problem = numberProblem(sizeTokens.value(0),
                                  pulse.size == PulseDescription::Amplitude ? Range::NotNegative
                                                                            : Range::Positive,
                                  size, sizeName);
  if (problem.isEmpty())
    problem = numberProblem(sizeTokens.size() > 2 ? sizeTokens.at(1) : QString(),
                            Range::Any, delay, tr("the delay (second value)"));
  if (!problem.isEmpty())
    return fail(a + 1, problem);
  if (pulse.size == PulseDescription::PeakPower)
    pulse.peakPower = size;
  else if (pulse.size == PulseDescription::Energy)
    pulse.energy = size;
  else
    pulse.amplitude = size;

  BlockUnits units;
  double centre = 0.0;
  if (readPulseUnits(s, units) || !readPositive(Kw::centre, s, centre))
    return true;
  pulse.carrier = centre * powerOfTen(units.frequencyExponent);
  if (readWindow(s, units, pulse.carrier, config) ||
      readPulseCentre(a, delay, units, config.window, pulse) ||
      readPulseForm(s, blockEnd, units, pulse))
    return true;
  const double secondsPerUnit = secondsPerTimeUnit(units.timeUnitPosition);
  QString sizeText;
  if (pulse.size == PulseDescription::PeakPower)
    sizeText = tr("peak power %1 W").arg(pulse.peakPower);
  else if (pulse.size == PulseDescription::Energy)
    sizeText = tr("energy %1 J").arg(pulse.energy);
  else
    sizeText = fibreMedium ? tr("amplitude %1 sqrt(W)").arg(pulse.amplitude)
                           : tr("amplitude %1 V/m").arg(pulse.amplitude);
  pulse.summary = tr("%1, centre %2 %3, %4, %5, centred at %6 %7")
                      .arg(pulse.dataFile.isEmpty() ? pulseShapes.at(shapeIndex)
                                                    : tr("measured (%1)").arg(pulse.dataFile))
                      .arg(centre)
                      .arg(units.frequency, pulse.summary, sizeText)
                      .arg(pulse.centreTime / secondsPerUnit, 0, 'g', 8)
                      .arg(units.time);
  pulse.envelopeForm = fibreMedium || pulse.size != PulseDescription::Amplitude || pulse.fwhmGiven ||
                       pulse.gdd != 0.0 || pulse.tod != 0.0 || !pulse.dataFile.isEmpty();
  config.pulses.push_back(pulse);
  return false;
}

bool UppeConfigReader::readPulseForm(int s, int blockEnd, const BlockUnits &units,
                                     PulseDescription &pulse)
{
  // Width: "pulsedata" (a measured spectrum), "fwhm" or the shape's own key.
  const double secondsPerUnit = secondsPerTimeUnit(units.timeUnitPosition);
  const int dataLine = findWordLine(lines, keyword(Kw::pulsedata), s, blockEnd);
  const int fwhmLine = findWordLine(lines, keyword(Kw::fwhm), s, blockEnd);
  const int shapeWidthLine = findWordLine(
      lines, keyword(pulse.shape == PulseDescription::Gauss ? Kw::threeDB : Kw::tau), s, blockEnd);
  if (dataLine >= 0 && std::max(fwhmLine, shapeWidthLine) >= 0)
    return fail(std::max(dataLine, std::max(fwhmLine, shapeWidthLine)) + 1,
                tr("a measured pulse (\"pulsedata\") takes its width from its spectrum; no other "
                   "width may be given"));
  if (fwhmLine >= 0 && shapeWidthLine >= 0)
    return fail(std::max(fwhmLine, shapeWidthLine) + 1,
                tr("a pulse takes either \"fwhm\" or \"%1\", not both")
                    .arg(keyword(pulse.shape == PulseDescription::Gauss ? Kw::threeDB : Kw::tau)));
  if (dataLine >= 0) {
    if (readPulseData(dataLine, units, pulse))
      return true;
  } else if (fwhmLine >= 0) {
    double fwhm = 0.0;
    const QString problem = numberProblem(valueAt(lines, fwhmLine + 1), Range::Positive, fwhm,
                                          tr("the intensity FWHM"));
    if (!problem.isEmpty())
      return fail(fwhmLine + 1, problem);
    pulse.fwhmGiven = true;
    pulse.t0 = fwhm * secondsPerUnit / pulseShapeFactor(pulse.shape);
    // The legacy width of the same envelope.
    pulse.width = pulse.shape == PulseDescription::Gauss
                      ? std::sqrt(std::log(2.0)) / (2.0 * physconst::pi * pulse.t0)
                      : pulse.t0;
    pulse.summary = tr("FWHM %1 %2").arg(fwhm).arg(units.time);
  } else {
    if (readPulseWidth(s, units, pulse))
      return true;
    pulse.t0 = pulse.shape == PulseDescription::Gauss
                   ? std::sqrt(std::log(2.0)) / (2.0 * physconst::pi * pulse.width)
                   : pulse.width;
  }
  // Spectral phase about the pulse's centre frequency: "gdd" in fs^2, "tod" in fs^3.
  const std::pair<int, double *> phases[] = {{Kw::gdd, &pulse.gdd}, {Kw::tod, &pulse.tod}};
  for (int i = 0; i < 2; ++i) {
    const int line = findWordLine(lines, keyword(phases[i].first), s, blockEnd);
    if (line < 0)
      continue;
    const QString problem = numberProblem(valueAt(lines, line + 1), Range::Any, *phases[i].second,
                                          i == 0 ? tr("the GDD (fs^2)") : tr("the TOD (fs^3)"));
    if (!problem.isEmpty())
      return fail(line + 1, problem);
    *phases[i].second *= i == 0 ? 1e-30 : 1e-45;
    pulse.summary += i == 0 ? tr(", GDD %1 fs^2").arg(valueAt(lines, line + 1))
                            : tr(", TOD %1 fs^3").arg(valueAt(lines, line + 1));
  }
  return false;
}

bool UppeConfigReader::readPulseData(int dataLine, const BlockUnits &units, PulseDescription &pulse)
{
  // "FILE pulsedata [frequency]": columns wavelength (nm) or, with the word
  // "frequency", frequency in the block's unit; spectral intensity; phase (rad).
  const QStringList tokens = lineTokens(lines.at(dataLine));
  if (!fibreMedium)
    return fail(dataLine + 1, tr("\"pulsedata\" describes pulses in a fibre medium"));
  if (pulse.size == PulseDescription::Amplitude)
    return fail(dataLine + 1, tr("a measured pulse is scaled to the block's \"energy\" or "
                                 "\"peakpower\"; neither is given"));
  const int keywordAt = int(tokens.indexOf(keyword(Kw::pulsedata)));
  const QStringList after = tokens.mid(keywordAt + 1);
  bool frequencyColumn = false;
  if (!after.isEmpty()) {
    if (after.size() > 1 || after.at(0).compare(QLatin1String("frequency"), Qt::CaseInsensitive) != 0)
      return fail(dataLine + 1, tr("only the word \"frequency\" may follow \"pulsedata\" (the "
                                   "first column is then in %1, else in nm)")
                                    .arg(units.frequency));
    frequencyColumn = true;
  }
  QString reason;
  const QString name = tokens.value(0);
  if (!readPulseDataFile(materials::resolveDataFile(name, folder),
                         frequencyColumn ? powerOfTen(units.frequencyExponent) : 0.0, pulse, reason))
    return fail(dataLine + 1, reason);
  pulse.dataFile = QFileInfo(name).fileName();
  pulse.summary = tr("%1 spectral samples").arg(pulse.dataFrequency.size());
  return false;
}

bool UppeConfigReader::readPulseUnits(int s, BlockUnits &units)
{
  if (readValueFrom(lines, keyword(Kw::funit), status.missingKeyword, status.currentLine, s + 1).isNull())
    return true;
  const QString funit = valueAt(lines, status.currentLine);
  if (isNotListed(funit, frequencyUnits))
    return fail(status.currentLine, oneOf(frequencyUnits));
  units.frequencyExponent = 3 * indexIgnoringCase(frequencyUnits, funit);
  units.frequency = funit;

  if (readValueFrom(lines, keyword(Kw::tunit), status.missingKeyword, status.currentLine, s).isNull())
    return true;
  const QString tunit = valueAt(lines, status.currentLine);
  if (isNotListed(tunit, timeUnits))
    return fail(status.currentLine, oneOf(timeUnits));
  units.timeUnitPosition = indexIgnoringCase(timeUnits, tunit);
  units.time = tunit;
  return false;
}

// Reads a positive value of a key searched from line index from; false on
// failure (status set). Its line is currentLine.
bool UppeConfigReader::readPositive(int keywordId, int from, double &value)
{
  if (readValueFrom(lines, keyword(keywordId), status.missingKeyword, status.currentLine, from).isNull())
    return false;
  const QString why = numberProblem(valueAt(lines, status.currentLine), Range::Positive, value);
  return why.isEmpty() || !fail(status.currentLine, why);
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
  const QString durationText = valueAt(lines, status.currentLine) + QLatin1Char(' ') + tunit;
  if (!first && std::fabs(seconds - window.duration) > 1e-12 * window.duration)
    return fail(status.currentLine, tr("every pulse block needs the same \"timeduration\" as the "
                                "first (%1); this line asks for %2")
                                 .arg(window.durationText, durationText));
  if (!positive(seconds) || !positive(carrier))
    return fail(status.currentLine, tr("the window is not a finite positive time in seconds"));
  if (!readPositive(Kw::timepoints, s, points))
    return true;
  if (points != std::floor(points) || points < 2.0)
    return fail(status.currentLine, tr("a whole number of at least 2 was expected"));
  if (points > double(maximumUppeTimePoints))
    return fail(status.currentLine, tr("at most %1 time points; this line asks for %2")
                                 .arg(maximumUppeTimePoints)
                                 .arg(valueAt(lines, status.currentLine)));
  if (!first && int(points) != window.points)
    return fail(status.currentLine, tr("every pulse block needs the same \"timepoints\" as the "
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
  if (readTextFrom(lines, keyword(Kw::name), status.missingKeyword, status.currentLine, p).isNull())
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
    if (!readValueFrom(lines, keyword(Kw::use), status.missingKeyword, status.currentLine, p).isNull()) {
      bool ok = false;
      const QString use = valueAt(lines, status.currentLine);
      use.toInt(&ok);
      if (!ok)
        return fail(status.currentLine, tr("the value \"%1\" is not a whole number").arg(use));
    }
  }
  return false;
}
