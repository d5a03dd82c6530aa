// Reading of the post-processing sections (time, fourier, spectrogram,
// poynting, conversionEfficiency) into their description.
#include "postprocessing/observationreader.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/reasons.h"
#include "input/tokens.h"
#include "input/units.h"
#include "postprocessing/fourierpostprocessing.h"

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

} // namespace

long long ObservationSection::windowCount() const
{
  if (use == 0)
    return 1;
  const long long reachable =
      std::min<long long>(lastStart, INT_MAX - static_cast<long long>(itstart));
  return reachable / stride + 1;
}

ObservationReader::ObservationReader(const QStringList &lines, const FdtdGridInfo &grid,
                                     ParseStatus &status)
    : lines(lines), grid(grid), status(status)
{
}

QString ObservationReader::valueOf(int word)
{
  return readValueFrom(lines, keyword(word), status.missingKeyword, status.currentLine, anchor);
}

bool ObservationReader::read(ObservationDescription &description)
{
  const QString &typeOfKw = keyword(Kw::typeOf);
  int t = findLineFrom(lines, typeOfKw, 0);
  while (t >= 0) {
    const int type = indexIgnoringCase(postprocessingTypes, lineValue(lines.at(t)));
    if (type < 0)
      return fail(t + 1, reason::value(reason::oneOf(postprocessingTypes), lineValue(lines.at(t))));
    Section s;
    s.type = static_cast<Section::Type>(type);
    s.line = t + 1;
    anchor = t;
    s.name = readTextFrom(lines, keyword(Kw::name), status.missingKeyword, status.currentLine, anchor);
    if (s.name.isNull())
      return true;
    if (readSection(s))
      return true;
    description.sections.push_back(std::move(s));
    if (t + 1 >= lines.size())
      break;
    t = findLineFrom(lines, typeOfKw, t + 1);
  }
  return false;
}

bool ObservationReader::readSection(Section &s)
{
  if (s.type == Section::Spectrogram)
    return readSpectrogram(s);
  if (readPlacement(s))
    return true;
  if (s.type == Section::Fourier)
    return readFourier(s);
  if (s.type == Section::Time)
    return readTime(s);
  // Poynting and conversion efficiency: location and use only (the latter
  // belongs to the spectral engine and creates nothing here).
  return false;
}

// The "itstart" value at or after the section anchor: a whole number of at least 1.
bool ObservationReader::readIterationStart(Section &s)
{
  const QString text = valueOf(Kw::itstart);
  if (text.isNull())
    return true;
  s.itstartLine = status.currentLine;
  if (!toInteger(text, s.itstart) || s.itstart < 1)
    return fail(status.currentLine, reason::value(reason::tr("a whole number of at least 1"), text));
  return false;
}

// "z_location" and "use" (with "every" for a series) of a time, Fourier,
// Poynting or conversion-efficiency section.
bool ObservationReader::readPlacement(Section &s)
{
  const int n = grid.cells;
  const QString zText = valueOf(Kw::z_location);
  if (zText.isNull())
    return true;
  s.locationLine = status.currentLine;
  int z = 0;
  if (!toInteger(zText, z) || z < 1 || z > n)
    return fail(status.currentLine,
                reason::value(reason::tr("a grid point from 1 to %1 (the grid's cells)").arg(n), zText));
  s.location = z - 1;

  const QString useText = valueOf(Kw::use);
  if (useText.isNull())
    return true;
  s.useLine = status.currentLine;
  if (!toInteger(useText, s.use))
    return fail(status.currentLine,
                reason::value(reason::tr("a whole number (0: one window, otherwise a series)"),
                              useText));
  if (s.use == 0)
    return false;
  const int found = findLineFrom(lines, keyword(Kw::every), anchor);
  if (found < 0)
    return failMissing(keyword(Kw::every));
  s.everyLine = found + 1;
  const QStringList words = wordsOf(lines.at(found));
  if (words.size() < 2 || !toInteger(words.at(0), s.stride) || s.stride < 1)
    return fail(s.everyLine, reason::token(1, reason::tr("stride"),
                                           reason::tr("a whole number of at least 1"),
                                           words.value(0)));
  if (!toInteger(words.at(1), s.lastStart) || s.lastStart < 1)
    return fail(s.everyLine, reason::token(2, reason::tr("last window start"),
                                           reason::tr("a whole number of at least 1"),
                                           words.at(1)));
  return false;
}

// The spectral line at "start" and the unit ("anyunit") of a Fourier or
// spectrogram section. A spectrogram's unit line may also hold its unit as
// the first word with no "*" word.
bool ObservationReader::readSpectrum(Section &s)
{
  const bool spectrogram = s.type == Section::Spectrogram;
  const int startFound = findLineFrom(lines, keyword(Kw::start), anchor);
  if (startFound < 0)
    return failMissing(keyword(Kw::start));
  s.spectralLine = startFound + 1;
  const QStringList words = wordsOf(lines.at(startFound));
  QString why;
  s.spectralPoints = readSpectralLine(words, s.spectralStart, s.spectralStep, s.spectralEnd, false, why);
  if (s.spectralPoints < 0)
    return fail(s.spectralLine, why);
  if (!spectrogram && (readIterationStart(s) || readIterationEnd(s)))
    return true;

  QString unit = spectrogram ? readTextFrom(lines, keyword(Kw::anyunit), status.missingKeyword,
                                            status.currentLine, anchor)
                             : valueOf(Kw::anyunit);
  if (unit.isNull())
    return true;
  s.unitLine = status.currentLine;
  if (!spectralUnit(unit, s.exponent, s.frequency)) {
    const QString &line = lines.at(status.currentLine - 1);
    bool starred = false;
    for (const QString &w : wordsOf(line))
      starred = starred || w.startsWith(QLatin1Char('*'));
    if (!spectrogram || starred || !spectralUnit(lineValue(line), s.exponent, s.frequency))
      return fail(status.currentLine, reason::value(spectralUnits(), unit));
    unit = lineValue(line);
  }
  s.spectralUnit = unit;
  if (!s.frequency) {
    s.spectralPoints = readSpectralLine(words, s.spectralStart, s.spectralStep, s.spectralEnd, true, why);
    if (s.spectralPoints < 0)
      return fail(s.spectralLine, why);
  }
  return false;
}

// "itend" of a Fourier section: "end" or an iteration at or after "itstart".
bool ObservationReader::readIterationEnd(Section &s)
{
  const QString text = valueOf(Kw::itend);
  if (text.isNull())
    return true;
  s.itendLine = status.currentLine;
  const bool open = text.compare(keyword(Kw::end), Qt::CaseInsensitive) == 0;
  if (open)
    s.itend = INT_MAX;
  if ((!open && !toInteger(text, s.itend)) || s.itend < s.itstart)
    return fail(status.currentLine,
                reason::value(reason::tr("\"end\" or a whole number of at least %1 (the "
                                         "\"itstart\" value)")
                                  .arg(s.itstart),
                              text));
  return false;
}

bool ObservationReader::readFourier(Section &s)
{
  if (readSpectrum(s))
    return true;
  return addTransforms(s.use != 0 ? s.everyLine : s.spectralLine, s.windowCount(), s.spectralPoints);
}

// Counts count transforms of points each against the limits; the line asked for them.
bool ObservationReader::addTransforms(int line, long long count, long long points)
{
  const long long objects = fourierObjects + count;
  if (objects > ObservationLimits::fourierObjects)
    return fail(line, fourierObjectsLimit(objects));
  if (spectralPoints + count * points > ObservationLimits::spectralPointsTotal)
    return fail(line, spectralPointsLimit(spectralPoints + count * points));
  fourierObjects = objects;
  spectralPoints += count * points;
  return false;
}

bool ObservationReader::readTime(Section &s)
{
  if (readIterationStart(s))
    return true;
  const QString itendText = valueOf(Kw::itend);
  if (itendText.isNull())
    return true;
  s.itendLine = status.currentLine;
  s.timeUnit = valueOf(Kw::tunit);
  if (s.timeUnit.isNull())
    return true;
  s.timeUnitLine = status.currentLine;
  if (isNotListed(s.timeUnit, timeUnits))
    return fail(status.currentLine, reason::value(reason::oneOf(timeUnits), s.timeUnit));
  // A probe needs a finite window: "end" is refused like any bad value
  // (reported on the unit line, the last one read).
  if (!toInteger(itendText, s.itend) || s.itend < s.itstart)
    return fail(status.currentLine,
                reason::tr("the \"itend\" value (line %1): %2")
                    .arg(s.itendLine)
                    .arg(reason::expected(
                        reason::tr("a whole number of at least %1 (the \"itstart\" value)")
                            .arg(s.itstart),
                        itendText)));

  const long long count = s.windowCount();
  const long long samples = static_cast<long long>(s.itend) - s.itstart + 1;
  const int limitLine = s.use != 0 ? s.everyLine : s.itendLine;
  if (probes + count > ObservationLimits::probes)
    return fail(limitLine, reason::tr("at most %1 time probes; this section would make %2")
                               .arg(ObservationLimits::probes)
                               .arg(probes + count));
  if (probeSamples + count * samples > ObservationLimits::probeSamplesTotal)
    return fail(limitLine, reason::tr("at most %1 probe samples in all; this section asks for %2")
                               .arg(ObservationLimits::probeSamplesTotal)
                               .arg(probeSamples + count * samples));
  probes += count;
  probeSamples += count * samples;
  return false;
}

// A spectrogram: rows of cells on an open grid, windows of a travelling
// pulse on a ring.
bool ObservationReader::readSpectrogram(Section &s)
{
  if (readSpectrum(s))
    return true;
  return grid.periodic ? readDistance(s) : readRowCells(s);
}

// "loc_start" of a static spectrogram: the cells of its rows.
bool ObservationReader::readRowCells(Section &s)
{
  const int n = grid.cells;
  const int locFound = findLineFrom(lines, keyword(Kw::loc_start), anchor);
  if (locFound < 0)
    return failMissing(keyword(Kw::loc_start));
  s.rowLine = locFound + 1;
  const QStringList loc = wordsOf(lines.at(locFound));
  if (loc.size() < 4)
    return fail(s.rowLine, reason::tooFewTokens(3, loc.size() - 1,
                                                reason::tr("first cell, step, last cell")));
  static const char *names[] = {"first cell", "step", "last cell"};
  double *values[] = {&s.rowFirst, &s.rowStep, &s.rowLast};
  for (int k = 0; k < 3; ++k) {
    const int last = k == 1 ? n : n - 1; // the step may span the grid
    if (!toReal(loc.at(k), *values[k]) || !(*values[k] >= 0 && *values[k] <= last))
      return fail(s.rowLine, reason::token(k + 1, reason::tr(names[k]),
                                           reason::between(0, last), loc.at(k)));
  }
  if (!(s.rowFirst <= s.rowLast))
    return fail(s.rowLine, reason::tr("the last cell %1 lies before the first %2")
                               .arg(s.rowLast)
                               .arg(s.rowFirst));
  // One row per location; a step of 0 only for a single location.
  const long long count = spectralGridCount(s.rowFirst, s.rowStep, s.rowLast);
  if (count < 1)
    return fail(s.rowLine, reason::tr("a step of 0 is allowed only when the last cell equals "
                                      "the first"));
  // Every sampled cell must lie on the grid (0 ... N-1).
  s.rowCells.resize(static_cast<std::size_t>(count));
  double c = std::floor(s.rowFirst);
  for (long long i = 0; i < count; ++i) {
    if (c >= n)
      return fail(s.rowLine, reason::tr("the rows overshoot the grid: row %1 would lie at cell "
                                        "%2, beyond the last cell %3")
                                 .arg(i + 1)
                                 .arg(c)
                                 .arg(n - 1));
    s.rowCells[static_cast<std::size_t>(i)] = static_cast<int>(c);
    c = std::floor(c + s.rowStep);
  }
  return addTransforms(s.rowLine, count, s.spectralPoints);
}

// "maxdistance" of a dynamic spectrogram: one window per grid length
// covered, which must fit within the limits on Fourier objects and points.
bool ObservationReader::readDistance(Section &s)
{
  const int maxFound = findLineFrom(lines, keyword(Kw::maxdistance), anchor);
  if (maxFound < 0)
    return failMissing(keyword(Kw::maxdistance));
  s.distanceLine = maxFound + 1;
  double distance = 0;
  const QString distanceWord = lineValue(lines.at(maxFound));
  if (!toReal(distanceWord, distance) || !(distance >= 0.0) ||
      !(std::trunc(distance) <= static_cast<double>(INT_MAX)))
    return fail(s.distanceLine, reason::value(reason::between(0, INT_MAX), distanceWord));
  s.maxDistance = static_cast<int>(std::trunc(distance));
  const double windows = std::max(
      1.0, std::ceil(static_cast<double>(s.maxDistance) / (static_cast<double>(grid.cells) * grid.cellSize)));
  const long long objectsLeft = ObservationLimits::fourierObjects - fourierObjects;
  const long long pointsLeft = ObservationLimits::spectralPointsTotal - spectralPoints;
  if (!(windows <= static_cast<double>(objectsLeft)))
    return fail(s.distanceLine,
                reason::tr("at most %1 spectral transforms in all; this distance needs %2 "
                           "windows with %3 left")
                    .arg(ObservationLimits::fourierObjects)
                    .arg(windows, 0, 'g', 12)
                    .arg(objectsLeft));
  if (!(windows * static_cast<double>(s.spectralPoints) <= static_cast<double>(pointsLeft)))
    return fail(s.distanceLine,
                reason::tr("at most %1 spectral points in all; this distance needs %2 windows of "
                           "%3 points with %4 points left")
                    .arg(ObservationLimits::spectralPointsTotal)
                    .arg(windows, 0, 'g', 12)
                    .arg(s.spectralPoints)
                    .arg(pointsLeft));
  return false;
}
