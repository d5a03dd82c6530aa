// Parsing of the post-processing sections (time, fourier, spectrogram) into
// the engine's lists; the observation of every step is in fdtdobservationrun.cpp.
#include "postprocessing/fdtdobservation.h"
#include "input/tokens.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/physicalconstants.h"
#include "input/reasons.h"
#include "input/units.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

enum SectionType { Time = 0, Fourier, Spectrogram, Poynting, ConversionEfficiency };

QStringList wordsOf(const QString &line)
{
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  return line.split(blanks, Qt::KeepEmptyParts);
}


// Spectral unit of a section: a frequency unit (exponent 3k) or a wavelength
// unit paired with a frequency unit (m with MHz ... nm with PHz).
bool spectralUnit(const QString &unit, unsigned short &exponent, bool &frequency)
{
  const int f = indexIgnoringCase(frequencyUnits, unit);
  if (f >= 0) {
    exponent = static_cast<unsigned short>(3 * f);
    frequency = true;
    return true;
  }
  const int l = indexIgnoringCase(lengthUnits, unit);
  if (l >= 0) {
    exponent = static_cast<unsigned short>(6 + 3 * l);
    frequency = false;
    return true;
  }
  return false;
}

QString spectralUnits()
{
  return reason::tr("a frequency unit (%1) or a wavelength unit (%2)")
      .arg(frequencyUnits.join(QStringLiteral(", ")), lengthUnits.join(QStringLiteral(", ")));
}

QString fourierObjectsLimit(long long asked)
{
  return reason::tr("at most %1 spectral transforms in all; this line asks for %2")
      .arg(ObservationLimits::fourierObjects)
      .arg(asked);
}

QString spectralPointsLimit(long long asked)
{
  return reason::tr("at most %1 spectral points in all; this line asks for %2")
      .arg(ObservationLimits::spectralPointsTotal)
      .arg(asked);
}

// The spectral line: "start step end keyword". Returns the point count, or
// -1 with the reason in why when the numbers break a rule. A step of 0 is
// accepted for a single point (end equal to start); wavelength grids must
// stay above 0.
long long readSpectralLine(const QStringList &words, double &start, double &step, double &end,
                           bool wavelength, QString &why)
{
  if (words.size() < 4) {
    why = reason::tooFewTokens(3, words.size() - 1, reason::tr("start, step, end"));
    return -1;
  }
  static const char *names[] = {"start", "step", "end"};
  double *values[] = {&start, &step, &end};
  for (int k = 0; k < 3; ++k) {
    if (!toReal(words.at(k), *values[k]) || !(*values[k] >= 0.0)) {
      why = reason::token(k + 1, reason::tr(names[k]), reason::atLeast(0), words.at(k));
      return -1;
    }
  }
  if (!(end >= start)) {
    why = reason::tr("the end %1 lies before the start %2").arg(end).arg(start);
    return -1;
  }
  if (wavelength && !(start > 0.0)) {
    why = reason::token(1, reason::tr("start"), reason::tr("a wavelength above 0"), words.at(0));
    return -1;
  }
  const long long n = spectralGridCount(start, step, end);
  if (n < 1) {
    why = reason::tr("a step of 0 is allowed only when the end equals the start");
    return -1;
  }
  if (n > ObservationLimits::spectralPointsPerObject) {
    why = reason::tr("at most %1 spectral points per transform; this line asks for %2")
              .arg(ObservationLimits::spectralPointsPerObject)
              .arg(n);
    return -1;
  }
  return n;
}

// Frequencies c / lambda over the wavelength grid, in the frequency unit
// paired with the wavelength unit.
std::vector<double> wavelengthFrequencies(double start, double step, double end)
{
  const long long n = spectralGridCount(start, step, end);
  std::vector<double> f(static_cast<std::size_t>(std::max(0LL, n)));
  for (std::size_t i = 0; i < f.size(); ++i)
    f[i] = physconst::pairedFrequency(start + static_cast<double>(i) * step);
  return f;
}

} // namespace

FdtdObservation::FdtdObservation(const ObservationLists &lists, ObservationListener &listener,
                                 const FdtdGridInfo &grid)
    : lists_(lists), listener_(listener), grid_(grid)
{
  // The pulse is looked for every N/20 iterations within N/20 cells of the
  // centre; grids under 20 cells look every iteration, within one cell.
  state_.checkInterval = std::max(1, grid_.cells / 20);
  state_.centre = grid_.centreIndex >= 0 && grid_.centreIndex < grid_.cells ? grid_.centreIndex
                                                                            : grid_.cells / 2;
}

FdtdObservation::~FdtdObservation()
{
  for (auto *p : probes_)
    delete p;
}

bool FdtdObservation::fail(int line, const QString &why)
{
  return status_->fail(line, why);
}

bool FdtdObservation::failMissing(const QString &keyword)
{
  return status_->missing(keyword);
}

// --- parsing ------------------------------------------------------------------------

QString FdtdObservation::valueOf(const QStringList &lines, int word, int t)
{
  return readValueFrom(lines, keyword(word), status_->missingKeyword, status_->currentLine, t);
}

// The "itstart" value at or after the section anchor t: an integer of at least 1.
bool FdtdObservation::readIterationStart(const QStringList &lines, int t, int &itstart)
{
  const QString text = valueOf(lines, Kw::itstart, t);
  if (text.isNull())
    return true;
  if (!toInteger(text, itstart) || itstart < 1)
    return fail(status_->currentLine,
                reason::value(reason::tr("a whole number of at least 1"), text));
  return false;
}

bool FdtdObservation::parse(const QStringList &lines, ParseStatus &status)
{
  status_ = &status;
  const bool failed = parseSections(lines);
  status_ = nullptr;
  return failed;
}

bool FdtdObservation::parseSections(const QStringList &lines)
{
  const QString &typeOfKw = keyword(Kw::typeOf);
  int t = findLineFrom(lines, typeOfKw, 0);
  while (t >= 0) {
    const int type = indexIgnoringCase(postprocessingTypes, lineValue(lines.at(t)));
    if (type < 0)
      return fail(t + 1, reason::value(reason::oneOf(postprocessingTypes), lineValue(lines.at(t))));
    const QString name = readTextFrom(lines, keyword(Kw::name), status_->missingKeyword,
                                      status_->currentLine, t);
    if (name.isNull())
      return true;
    if (type == Spectrogram) {
      if (parseSpectrogram(lines, t, name))
        return true;
    } else if (parseSection(lines, t, type, name)) {
      return true;
    }
    if (t + 1 >= lines.size())
      break;
    t = findLineFrom(lines, typeOfKw, t + 1);
  }
  spectraActive_ = !lists_.fourier.empty();
  probesActive_ = !probes_.empty();
  return false;
}

// "z_location" and "use" (with "every" for a series) of a time, Fourier,
// Poynting or conversion-efficiency section.
bool FdtdObservation::readPlacement(const QStringList &lines, int t, Series &series)
{
  const int n = grid_.cells;
  const QString zText = valueOf(lines, Kw::z_location, t);
  if (zText.isNull())
    return true;
  int z = 0;
  if (!toInteger(zText, z) || z < 1 || z > n)
    return fail(status_->currentLine,
                reason::value(reason::tr("a grid point from 1 to %1 (the grid's cells)").arg(n), zText));
  series.location = z - 1;

  const QString useText = valueOf(lines, Kw::use, t);
  if (useText.isNull())
    return true;
  if (!toInteger(useText, series.use))
    return fail(status_->currentLine,
                reason::value(reason::tr("a whole number (0: one window, otherwise a series)"),
                              useText));
  if (series.use == 0)
    return false;
  const int found = findLineFrom(lines, keyword(Kw::every), t);
  if (found < 0)
    return failMissing(keyword(Kw::every));
  series.everyLine = found + 1;
  const QStringList words = wordsOf(lines.at(found));
  if (words.size() < 2 || !toInteger(words.at(0), series.stride) || series.stride < 1)
    return fail(series.everyLine, reason::token(1, reason::tr("stride"),
                                                reason::tr("a whole number of at least 1"),
                                                words.value(0)));
  if (!toInteger(words.at(1), series.lastStart) || series.lastStart < 1)
    return fail(series.everyLine, reason::token(2, reason::tr("last window start"),
                                                reason::tr("a whole number of at least 1"),
                                                words.at(1)));
  return false;
}

// Window starts of a series: itstart + j for j = 0, stride, ... <= the
// "every" limit (so "100 500 every" from itstart 1 opens windows at 1, 101,
// ... 501); windows that would start beyond the last iteration are dropped.
long long FdtdObservation::Series::count(int itstart) const
{
  if (use == 0)
    return 1;
  const long long reachable =
      std::min<long long>(lastStart, INT_MAX - static_cast<long long>(itstart));
  return reachable / stride + 1;
}

bool FdtdObservation::parseSection(const QStringList &lines, int t, int type, const QString &name)
{
  Series series;
  if (readPlacement(lines, t, series))
    return true;
  if (type == Fourier)
    return parseFourier(lines, t, name, series);
  if (type == Time)
    return parseTime(lines, t, name, series);
  if (type == Poynting)
    lists_.poynting.push_back(new PoyntingPostprocessing<int, double>(name, grid_.cells));
  // "conversionEfficiency" belongs to the spectral engine; location and use
  // have been checked, nothing is created here.
  return false;
}

// The spectral line at "start" and the unit ("anyunit") of a Fourier or
// spectrogram section. A spectrogram's unit line may also hold its unit as
// the first word with no "*" word (spectrogram true).
bool FdtdObservation::readSpectrum(const QStringList &lines, int t, bool spectrogram,
                                   Spectrum &spectrum)
{
  const int startFound = findLineFrom(lines, keyword(Kw::start), t);
  if (startFound < 0)
    return failMissing(keyword(Kw::start));
  spectrum.line = startFound + 1;
  const QStringList words = wordsOf(lines.at(startFound));
  QString why;
  spectrum.points = readSpectralLine(words, spectrum.start, spectrum.step, spectrum.end, false, why);
  if (spectrum.points < 0)
    return fail(spectrum.line, why);
  if (!spectrogram && readIterationStart(lines, t, spectrum.itstart))
    return true;
  if (!spectrogram && readIterationEnd(lines, t, spectrum))
    return true;

  QString unit = spectrogram ? readTextFrom(lines, keyword(Kw::anyunit), status_->missingKeyword,
                                            status_->currentLine, t)
                             : valueOf(lines, Kw::anyunit, t);
  if (unit.isNull())
    return true;
  if (!spectralUnit(unit, spectrum.exponent, spectrum.frequency)) {
    const QString &line = lines.at(status_->currentLine - 1);
    bool starred = false;
    for (const QString &w : wordsOf(line))
      starred = starred || w.startsWith(QLatin1Char('*'));
    if (!spectrogram || starred ||
        !spectralUnit(lineValue(line), spectrum.exponent, spectrum.frequency))
      return fail(status_->currentLine, reason::value(spectralUnits(), unit));
    unit = lineValue(line);
  }
  spectrum.unit = unit;
  if (!spectrum.frequency) {
    spectrum.points =
        readSpectralLine(words, spectrum.start, spectrum.step, spectrum.end, true, why);
    if (spectrum.points < 0)
      return fail(spectrum.line, why);
  }
  return false;
}

// "itend" of a Fourier section: "end" or an iteration at or after "itstart".
bool FdtdObservation::readIterationEnd(const QStringList &lines, int t, Spectrum &spectrum)
{
  const QString text = valueOf(lines, Kw::itend, t);
  if (text.isNull())
    return true;
  const bool open = text.compare(keyword(Kw::end), Qt::CaseInsensitive) == 0;
  if (open)
    spectrum.itend = INT_MAX;
  if ((!open && !toInteger(text, spectrum.itend)) || spectrum.itend < spectrum.itstart)
    return fail(status_->currentLine,
                reason::value(reason::tr("\"end\" or a whole number of at least %1 (the "
                                         "\"itstart\" value)")
                                  .arg(spectrum.itstart),
                              text));
  return false;
}

bool FdtdObservation::parseFourier(const QStringList &lines, int t, const QString &name,
                                   const Series &series)
{
  Spectrum sp;
  if (readSpectrum(lines, t, false, sp))
    return true;
  const long long count = series.count(sp.itstart);
  const long long objects = static_cast<long long>(lists_.fourier.size()) + count;
  const int limitLine = series.use != 0 ? series.everyLine : sp.line;
  if (objects > ObservationLimits::fourierObjects)
    return fail(limitLine, fourierObjectsLimit(objects));
  if (spectralPoints_ + count * sp.points > ObservationLimits::spectralPointsTotal)
    return fail(limitLine, spectralPointsLimit(spectralPoints_ + count * sp.points));

  const long long span = static_cast<long long>(sp.itend) - sp.itstart;
  if (series.use == 0) {
    lists_.fourier.push_back(makeFourier(name, series.location, sp.itstart, sp.itend, sp.start,
                                         sp.step, sp.end, sp.exponent, sp.frequency));
  } else {
    for (long long i = 0, s = sp.itstart; i < count; ++i, s += series.stride) {
      const QString numbered =
          name + QString::number(static_cast<qulonglong>(lists_.fourier.size()) + 1);
      lists_.fourier.push_back(makeFourier(numbered, series.location, static_cast<int>(s),
                                           clampToInt(s + span), sp.start, sp.step, sp.end,
                                           sp.exponent, sp.frequency));
    }
  }
  spectralPoints_ += count * sp.points;
  return false;
}

bool FdtdObservation::parseTime(const QStringList &lines, int t, const QString &name,
                                const Series &series)
{
  int itstart = 0;
  if (readIterationStart(lines, t, itstart))
    return true;
  const QString itendText = valueOf(lines, Kw::itend, t);
  if (itendText.isNull())
    return true;
  const int itendLine = status_->currentLine;
  const QString unit = valueOf(lines, Kw::tunit, t);
  if (unit.isNull())
    return true;
  if (isNotListed(unit, timeUnits))
    return fail(status_->currentLine, reason::value(reason::oneOf(timeUnits), unit));
  // A probe needs a finite window: "end" is refused like any bad value
  // (reported on this line, the last one read).
  int itend = 0;
  if (!toInteger(itendText, itend) || itend < itstart)
    return fail(status_->currentLine,
                reason::tr("the \"itend\" value (line %1): %2")
                    .arg(itendLine)
                    .arg(reason::expected(
                        reason::tr("a whole number of at least %1 (the \"itstart\" value)")
                            .arg(itstart),
                        itendText)));

  const long long count = series.count(itstart);
  const long long samples = static_cast<long long>(itend) - itstart + 1;
  const int limitLine = series.use != 0 ? series.everyLine : itendLine;
  if (static_cast<long long>(probes_.size()) + count > ObservationLimits::probes)
    return fail(limitLine, reason::tr("at most %1 time probes; this section would make %2")
                               .arg(ObservationLimits::probes)
                               .arg(static_cast<long long>(probes_.size()) + count));
  if (probeSamples_ + count * samples > ObservationLimits::probeSamplesTotal)
    return fail(limitLine, reason::tr("at most %1 probe samples in all; this section asks for %2")
                               .arg(ObservationLimits::probeSamplesTotal)
                               .arg(probeSamples_ + count * samples));

  const long long span = static_cast<long long>(itend) - itstart;
  if (series.use == 0) {
    addProbe(new TimeProbe<int, double>(name, series.location, itstart, itend, grid_.timeStep,
                                        unit));
  } else {
    for (long long i = 0, s = itstart; i < count; ++i, s += series.stride) {
      const QString numbered = name + QString::number(static_cast<qulonglong>(probes_.size()) + 1);
      addProbe(new TimeProbe<int, double>(numbered, series.location, static_cast<int>(s),
                                          clampToInt(s + span), grid_.timeStep, unit));
    }
  }
  probeSamples_ += count * samples;
  return false;
}

bool FdtdObservation::parseSpectrogram(const QStringList &lines, int t, const QString &name)
{
  Spectrum sp;
  if (readSpectrum(lines, t, true, sp))
    return true;
  return grid_.periodic ? parseDynamicSpectrogram(lines, t, name, sp)
                        : parseStaticSpectrogram(lines, t, name, sp);
}

// "loc_start" of a static spectrogram: the cells of its rows.
bool FdtdObservation::readRowCells(const QStringList &lines, int t, RowCells &rows)
{
  const int n = grid_.cells;
  const int locFound = findLineFrom(lines, keyword(Kw::loc_start), t);
  if (locFound < 0)
    return failMissing(keyword(Kw::loc_start));
  rows.line = locFound + 1;
  const QStringList loc = wordsOf(lines.at(locFound));
  if (loc.size() < 4)
    return fail(rows.line, reason::tooFewTokens(3, loc.size() - 1,
                                                reason::tr("first cell, step, last cell")));
  static const char *names[] = {"first cell", "step", "last cell"};
  double *values[] = {&rows.first, &rows.step, &rows.last};
  for (int k = 0; k < 3; ++k) {
    const int last = k == 1 ? n : n - 1; // the step may span the grid
    if (!toReal(loc.at(k), *values[k]) || !(*values[k] >= 0 && *values[k] <= last))
      return fail(rows.line, reason::token(k + 1, reason::tr(names[k]),
                                           reason::between(0, last), loc.at(k)));
  }
  if (!(rows.first <= rows.last))
    return fail(rows.line, reason::tr("the last cell %1 lies before the first %2")
                               .arg(rows.last)
                               .arg(rows.first));
  // One row per location; a step of 0 only for a single location.
  const long long count = spectralGridCount(rows.first, rows.step, rows.last);
  if (count < 1)
    return fail(rows.line, reason::tr("a step of 0 is allowed only when the last cell equals "
                                      "the first"));
  // Every sampled cell must lie on the grid (0 ... N-1).
  rows.cells.resize(static_cast<std::size_t>(count));
  double c = std::floor(rows.first);
  for (long long i = 0; i < count; ++i) {
    if (c >= n)
      return fail(rows.line, reason::tr("the rows overshoot the grid: row %1 would lie at cell "
                                        "%2, beyond the last cell %3")
                                 .arg(i + 1)
                                 .arg(c)
                                 .arg(n - 1));
    rows.cells[static_cast<std::size_t>(i)] = static_cast<int>(c);
    c = std::floor(c + rows.step);
  }
  return false;
}

bool FdtdObservation::parseStaticSpectrogram(const QStringList &lines, int t,
                                             const QString &name, const Spectrum &sp)
{
  RowCells rows;
  if (readRowCells(lines, t, rows))
    return true;
  const long long count = static_cast<long long>(rows.cells.size());
  const long long objects = static_cast<long long>(lists_.fourier.size()) + count;
  if (objects > ObservationLimits::fourierObjects)
    return fail(rows.line, fourierObjectsLimit(objects));
  if (spectralPoints_ + count * sp.points > ObservationLimits::spectralPointsTotal)
    return fail(rows.line, spectralPointsLimit(spectralPoints_ + count * sp.points));

  const double cs = grid_.cellSize;
  lists_.spectrograms.push_back(new StaticSpectrogramPostprocessing<int, double>(
      name, sp.unit, sp.start, sp.step, sp.end, sp.exponent, sp.frequency, rows.first * cs,
      rows.step * cs, rows.last * cs, grid_.lengthUnit, static_cast<int>(count),
      static_cast<int>(sp.points), static_cast<int>(lists_.fourier.size())));
  for (int cell : rows.cells) {
    const QString rowName =
        name + QStringLiteral(" at ") + QString::number(cell) + QStringLiteral(" (spectrum)");
    lists_.fourier.push_back(makeFourier(rowName, cell, 1, INT_MAX, sp.start, sp.step, sp.end,
                                         sp.exponent, sp.frequency));
  }
  spectralPoints_ += count * sp.points;
  staticActive_ = true;
  return false;
}

bool FdtdObservation::parseDynamicSpectrogram(const QStringList &lines, int t,
                                              const QString &name, const Spectrum &sp)
{
  const int n = grid_.cells;
  const int maxFound = findLineFrom(lines, keyword(Kw::maxdistance), t);
  if (maxFound < 0)
    return failMissing(keyword(Kw::maxdistance));
  double distance = 0;
  const QString distanceWord = lineValue(lines.at(maxFound));
  if (!toReal(distanceWord, distance) || !(distance >= 0.0) ||
      !(std::trunc(distance) <= static_cast<double>(INT_MAX)))
    return fail(maxFound + 1, reason::value(reason::between(0, INT_MAX), distanceWord));
  // One window per grid length covered: the windows the distance asks for
  // must fit within the limits on Fourier objects and spectral points.
  const double windows =
      std::max(1.0, std::ceil(std::trunc(distance) / (static_cast<double>(n) * grid_.cellSize)));
  const long long objectsLeft =
      ObservationLimits::fourierObjects - static_cast<long long>(lists_.fourier.size());
  const long long pointsLeft = ObservationLimits::spectralPointsTotal - spectralPoints_;
  if (!(windows <= static_cast<double>(objectsLeft)))
    return fail(maxFound + 1,
                reason::tr("at most %1 spectral transforms in all; this distance needs %2 "
                           "windows with %3 left")
                    .arg(ObservationLimits::fourierObjects)
                    .arg(windows, 0, 'g', 12)
                    .arg(objectsLeft));
  if (!(windows * static_cast<double>(sp.points) <= static_cast<double>(pointsLeft)))
    return fail(maxFound + 1,
                reason::tr("at most %1 spectral points in all; this distance needs %2 windows of "
                           "%3 points with %4 points left")
                    .arg(ObservationLimits::spectralPointsTotal)
                    .arg(windows, 0, 'g', 12)
                    .arg(sp.points)
                    .arg(pointsLeft));
  auto *s = new DynamicSpectrogramPostprocessing<int, double>(
      name, sp.unit, sp.start, sp.step, sp.end, sp.exponent, sp.frequency, n * grid_.cellSize,
      grid_.lengthUnit, static_cast<int>(std::trunc(distance)));
  lists_.spectrograms.push_back(s);
  dynamic_.push_back(s);
  dynamicActive_ = true;
  const int k = state_.checkInterval;
  const int centre = state_.centre;
  state_ = SchedulerState();
  state_.checkInterval = k;
  state_.centre = centre;
  return false;
}
FourierPostprocessing<int, double> *
FdtdObservation::makeFourier(const QString &name, int location, int start, int end,
                             double spectralStart, double spectralStep, double spectralEnd,
                             unsigned short exponent, bool frequency)
{
  if (frequency)
    return new FourierPostprocessing<int, double>(name, location, start, end, spectralStart,
                                                  spectralStep, spectralEnd, grid_.timeStep,
                                                  exponent);
  return new FourierPostprocessingFreqList<int, double>(
      name, location, start, end, spectralStart, spectralStep, spectralEnd, grid_.timeStep,
      exponent, wavelengthFrequencies(spectralStart, spectralStep, spectralEnd));
}

void FdtdObservation::addProbe(TimeProbe<int, double> *probe)
{
  probes_.push_back(probe);
}

int FdtdObservation::clampToInt(long long v) { return v > INT_MAX ? INT_MAX : static_cast<int>(v); }
