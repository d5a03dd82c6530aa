#include "uppe/uppeconfigreader.h"

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

const QStringList stepperNames = {QStringLiteral("rkf45"), QStringLiteral("rkck"),
                                  QStringLiteral("rk8pd"), QStringLiteral("erk43ip")};
constexpr int interactionPictureStepper = 3;
const QStringList modelNames = {QStringLiteral("envelope"), QStringLiteral("field")};
constexpr int maximumPlanes = 10000;
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

// Medium type of a medium word ("fiber" is the fibre too); NoMedium if unknown.
MediumType mediumOf(const QString &word)
{
  if (word.compare(QLatin1String("fiber"), Qt::CaseInsensitive) == 0)
    return Fibre;
  return MediumType(indexIgnoringCase(uppeMediumNames, word));
}

bool isKerrMaterial(MediumType t) { return t == SellmeierKer1 || t == MaterialKer1 || t == TabulatedKer1; }
bool isFormula(MediumType t) { return t == Sellmeier || t == SellmeierKer1; }

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
  const int generalValue = general.toInt(&ok, 10);
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
      const int value = use.toInt(&ok);
      if (!ok)
        return fail(status.currentLine, tr("the value \"%1\" is not a whole number").arg(use));
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
