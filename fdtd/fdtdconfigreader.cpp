// Reading of the grid engine's configuration: the grid lines, the lumped
// termination and the sources (the medium sections: fdtdsectionreader.cpp).

#include "fdtd/fdtdconfigreader.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/physicalconstants.h"
#include "input/reasons.h"
#include "input/tokens.h"
#include "input/units.h"
#include "materials/materials.h"
#include "postprocessing/observationreader.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

FdtdConfigReader::FdtdConfigReader(const QStringList &lines, const QString &folder, ParseStatus &status)
    : lines(lines), folder(folder), status(status)
{
}

bool FdtdConfigReader::read(FdtdConfig &config)
{
  if (readTimingLogs(lines, status, config.timingLogs) || readGrid(config.grid))
    return true;
  const GridDescription &g = config.grid;
  stability = g.stability;
  timeStep = lengthScaleOf(g.lengthUnit) * g.cellSize / (g.stability * physconst::speedOfLight);
  periodic = g.formulation >= 1;
  if (readMedium(config.sections))
    return true;
  meshPoints = 0;
  for (const SectionDescription &d : config.sections)
    meshPoints += d.cells;
  if (!periodic && readLumpedTermination(config.termination))
    return true;
  if (readSources(config.sources))
    return true;
  // A save action without its "file" line fails the load on that keyword.
  if (readActions(lines, status, config.actions) || status.failed())
    return true;
  return ObservationReader(lines, gridInfo(config), status).read(config.observation);
}

FdtdGridInfo FdtdConfigReader::gridInfo(const FdtdConfig &config)
{
  const GridDescription &g = config.grid;
  FdtdGridInfo info;
  for (const SectionDescription &d : config.sections)
    info.cells += d.cells;
  info.cellSize = g.cellSize;
  info.lengthScale = lengthScaleOf(g.lengthUnit);
  info.timeStep = info.lengthScale * g.cellSize / (g.stability * physconst::speedOfLight);
  info.stability = g.stability;
  info.periodic = g.formulation >= 1;
  info.conditionallyPeriodic = g.formulation == 2;
  info.lengthUnit = g.lengthUnit;
  return info;
}

bool FdtdConfigReader::readGrid(GridDescription &grid)
{
  int &line = status.currentLine;
  QString value = readValue(lines, keyword(Kw::stability), status.missingKeyword, line);
  if (value.isNull())
    return true;
  if (!toReal(value, grid.stability) || !(grid.stability > 0.0))
    return fail(line, reason::value(reason::above(0), value));
  grid.stabilityLine = line;

  value = readValue(lines, keyword(Kw::threads), status.missingKeyword, line);
  if (value.isNull())
    return true;
  bool converted = false;
  const int threads = value.toInt(&converted);
  if (!converted || threads < 0)
    return fail(line, reason::value(reason::tr("a whole number of at least 0 (0: as many "
                                               "as the machine offers)"),
                                    value));
  if (threads > maximumThreads)
    return fail(line, reason::tr("at most %1 threads; this line asks for %2").arg(maximumThreads).arg(threads));
  grid.threads = threads;
  grid.threadsLine = line;

  value = readValue(lines, keyword(Kw::measure), status.missingKeyword, line);
  if (value.isNull())
    return true;
  if (isNotListed(value, lengthUnits))
    return fail(line, reason::value(reason::oneOf(lengthUnits), value));
  grid.lengthUnit = value;
  grid.unitLine = line;

  value = readValue(lines, keyword(Kw::size), status.missingKeyword, line);
  if (value.isNull())
    return true;
  if (!toReal(value, grid.cellSize) || !(grid.cellSize > 0.0))
    return fail(line, reason::value(reason::above(0), value));
  const double dt = lengthScaleOf(grid.lengthUnit) * grid.cellSize / (grid.stability * physconst::speedOfLight);
  if (!(dt > 0.0) || !std::isfinite(dt)) // a step too small to represent
    return fail(line, reason::tr("with this cell size and stability %1 the time step "
                                 "cannot be represented")
                          .arg(grid.stability));
  grid.sizeLine = line;

  value = readValue(lines, keyword(Kw::physical), status.missingKeyword, line);
  if (value.isNull())
    return true;

  value = readValue(lines, keyword(Kw::problem), status.missingKeyword, line);
  if (value.isNull())
    return true;
  grid.formulation = indexIgnoringCase(geometries, value);
  if (grid.formulation < 0)
    return fail(line, reason::value(reason::oneOf(geometries), value));
  grid.problemLine = line;
  return false;
}

// Two "lumped" lines: the resistance, then the grid point (1 ... N or "end").
bool FdtdConfigReader::readLumpedTermination(TerminationDescription &termination)
{
  const QString &lumpedKw = keyword(Kw::lumped);
  const int first = findLineFrom(lines, lumpedKw, 0);
  if (first < 0)
    return false;
  double resistance = 0.0;
  if (!toReal(lineValue(lines.at(first)), resistance) || resistance < 0.0)
    return fail(first + 1, reason::value(reason::tr("a resistance of at least 0 ohm"),
                                         lineValue(lines.at(first))));
  if (first + 1 >= lines.size()) { // the first line cannot be its own position line
    status.missingKeyword = lumpedKw;
    return true;
  }
  const QString where = readValueFrom(lines, lumpedKw, status.missingKeyword, status.currentLine, first + 1);
  if (where.isNull())
    return true;
  int point = meshPoints;
  if (where.compare(keyword(Kw::end), Qt::CaseInsensitive) != 0 &&
      !(toInteger(where, point) && point >= 1 && point <= meshPoints))
    return fail(status.currentLine,
                reason::value(reason::tr("\"end\" or a grid point from 1 to %1").arg(meshPoints),
                              where));
  TerminationDescription &t = termination;
  t.enabled = true;
  t.resistance = resistance;
  t.index = point - 1;
  t.resistanceLine = first + 1;
  t.positionLine = status.currentLine;
  return false;
}

// One source per "geometry" line, in file order.
bool FdtdConfigReader::readSources(std::vector<SourceDescription> &sources)
{
  const QString &geometryKw = keyword(Kw::geometry);
  int g = findLineFrom(lines, geometryKw, 0);
  while (g >= 0) {
    if (readSourceBlock(g, sources))
      return true;
    if (g + 1 >= lines.size())
      break;
    g = findLineFrom(lines, geometryKw, g + 1);
  }
  return false;
}

bool FdtdConfigReader::readSourceBlock(int g, std::vector<SourceDescription> &sources)
{
  SourceDescription d;
  if (readSourcePlacement(g, d))
    return true;
  const QString value = readValueFrom(lines, keyword(Kw::shape), status.missingKeyword, status.currentLine, g);
  if (value.isNull())
    return true;
  d.shape = indexIgnoringCase(pulseShapes, value);
  if (d.shape < 0)
    return fail(status.currentLine, reason::value(reason::oneOf(pulseShapes), value));
  if (d.shape == SourceDescription::User) {
    if (readUserPulse(g, d))
      return true;
    if (d.samples.empty())
      return false;
  } else {
    if (readCarrier(g, d))
      return true;
    if (d.planeWave && readPlaneWaveMedium(d))
      return true;
    if (d.shape != SourceDescription::Sine &&
        readPositive(g, d.shape == SourceDescription::Gauss ? Kw::threeDB : Kw::tau, d.width))
      return true;
  }
  sources.push_back(std::move(d));
  return false;
}

// "geometry", "z_location" and the line "Z A delay [epsR muR x x] amplitude".
bool FdtdConfigReader::readSourcePlacement(int g, SourceDescription &d)
{
  const QString kind = readValueFrom(lines, keyword(Kw::geometry), status.missingKeyword, status.currentLine, g);
  if (kind.isNull())
    return true;
  const int kindIndex = indexIgnoringCase(sourceKinds, kind);
  if (kindIndex < 0)
    return fail(status.currentLine, reason::value(reason::oneOf(sourceKinds), kind));
  d.planeWave = kindIndex == 1;

  const QString value = readValueFrom(lines, keyword(Kw::z_location), status.missingKeyword, status.currentLine, g);
  if (value.isNull())
    return true;
  bool converted = false;
  const int z = value.toInt(&converted);
  if (!converted || z < 1 || z > meshPoints)
    return fail(status.currentLine,
                reason::value(reason::tr("a grid point from 1 to %1 (the grid's cells)").arg(meshPoints),
                              value));
  d.gridPoint = z - 1;

  const int amplitudeIndex = findLineFrom(lines, keyword(Kw::amplitude), g);
  if (amplitudeIndex < 0) {
    status.missingKeyword = keyword(Kw::amplitude);
    return true;
  }
  d.amplitudeLine = amplitudeIndex + 1;
  status.currentLine = d.amplitudeLine;
  d.tokens = lineTokens(lines.at(amplitudeIndex));
  const QStringList &tokens = d.tokens;
  static const char *layout = "coupling impedance, amplitude, delay";
  if (tokens.size() < 4)
    return fail(d.amplitudeLine, reason::tooFewTokens(3, tokens.size() - 1, reason::tr(layout)));
  if (!toReal(tokens.at(0), d.impedance) || d.impedance < 0.0)
    return fail(d.amplitudeLine, reason::token(1, reason::tr("coupling impedance"),
                                               reason::atLeast(0), tokens.at(0)));
  if (!toReal(tokens.at(1), d.amplitude))
    return fail(d.amplitudeLine,
                reason::token(2, reason::tr("amplitude"), reason::number(), tokens.at(1)));
  if (!toReal(tokens.at(2), d.delay) || d.delay < 0.0)
    return fail(d.amplitudeLine,
                reason::token(3, reason::tr("delay"), reason::atLeast(0), tokens.at(2)));
  return false;
}

// "funit", "tunit", "centre" and "duration" of a carrier-wave source.
bool FdtdConfigReader::readCarrier(int g, SourceDescription &d)
{
  QString value = readValueFrom(lines, keyword(Kw::funit), status.missingKeyword, status.currentLine, g);
  if (value.isNull())
    return true;
  d.frequencyIndex = indexIgnoringCase(frequencyUnits, value);
  if (d.frequencyIndex < 0)
    return fail(status.currentLine, reason::value(reason::oneOf(frequencyUnits), value));

  value = readValueFrom(lines, keyword(Kw::tunit), status.missingKeyword, status.currentLine, g);
  if (value.isNull())
    return true;
  d.timeIndex = indexIgnoringCase(timeUnits, value);
  if (d.timeIndex < 0)
    return fail(status.currentLine, reason::value(reason::oneOf(timeUnits), value));

  value = readValueFrom(lines, keyword(Kw::centre), status.missingKeyword, status.currentLine, g);
  if (value.isNull())
    return true;
  if (!toReal(value, d.centre) || !(d.centre > 0.0))
    return fail(status.currentLine, reason::value(reason::above(0), value));

  value = readValueFrom(lines, keyword(Kw::duration), status.missingKeyword, status.currentLine, g);
  if (value.isNull())
    return true;
  if (!toReal(value, d.duration) || !(std::trunc(d.duration) > 0.0))
    return fail(status.currentLine,
                reason::value(reason::tr("a whole number of carrier periods above 0"), value));
  d.duration = std::trunc(d.duration);
  return false;
}

// The medium of a plane wave (tokens 4 ... 7 of the amplitude line); a plane
// wave is always Gaussian.
bool FdtdConfigReader::readPlaneWaveMedium(SourceDescription &d)
{
  const QStringList &tokens = d.tokens;
  static const char *planeLayout =
      "coupling impedance, amplitude, delay, \u03b5r, \u03bcr and two more numbers";
  if (tokens.size() < 8)
    return fail(d.amplitudeLine, reason::tooFewTokens(7, tokens.size() - 1,
                                                      reason::tr(planeLayout)) +
                                     reason::tr(" for a plane wave"));
  for (int k = 0; k < 4; ++k)
    if (!toReal(tokens.at(3 + k), d.medium[k]) || (k < 2 && !(d.medium[k] > 0.0)))
      return fail(d.amplitudeLine,
                  reason::token(4 + k,
                                k == 0 ? reason::tr("\u03b5r")
                                       : (k == 1 ? reason::tr("\u03bcr") : reason::tr("unused")),
                                k < 2 ? reason::above(0) : reason::number(), tokens.at(3 + k)));
  if (d.shape != SourceDescription::Gauss)
    return fail(d.amplitudeLine,
                reason::tr("a plane wave needs the shape \"gauss\"; this source has \"%1\"")
                    .arg(pulseShapes.at(d.shape)));
  return false;
}

// A positive real after keyword k (the "3dB" bandwidth or "tau").
bool FdtdConfigReader::readPositive(int g, int k, double &result)
{
  const QString v = readValueFrom(lines, keyword(k), status.missingKeyword, status.currentLine, g);
  if (v.isNull())
    return true;
  if (!toReal(v, result) || !(result > 0.0))
    return fail(status.currentLine, reason::value(reason::above(0), v));
  return false;
}

// A recorded pulse: one sample per line (first word), "#" lines and empty
// lines skipped, each sample scaled by the amplitude.
bool FdtdConfigReader::readUserPulse(int g, SourceDescription &d)
{
  const QString fileName = readValueFrom(lines, keyword(Kw::file), status.missingKeyword, status.currentLine, g);
  if (fileName.isNull())
    return true;
  // Only a regular file can be a recording: a pipe would wait for a writer
  // and a device such as /dev/zero would never end.
  const QString path = materials::resolveDataFile(fileName, folder);
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
    return fail(-2, reason::tr("\"%1\" (line %2) is not a readable file.")
                        .arg(fileName)
                        .arg(status.currentLine));
  std::vector<double> samples;
  // Only the start of each line matters; longer lines are read in pieces and
  // the rest is dropped, so that no line can take unbounded memory.
  constexpr qint64 keep = 4096;
  char buffer[keep + 1];
  int lineNumber = 0;
  while (!file.atEnd()) {
    ++lineNumber;
    const qint64 n = file.readLine(buffer, sizeof buffer);
    if (n < 0)
      break;
    QString line = QString::fromLocal8Bit(buffer, static_cast<int>(n));
    bool complete = n == 0 || buffer[n - 1] == '\n' || file.atEnd();
    while (!complete) { // drop the rest of an overlong line
      const qint64 m = file.readLine(buffer, sizeof buffer);
      complete = m <= 0 || buffer[m - 1] == '\n' || file.atEnd();
    }
    const QStringList words = lineTokens(line);
    if (words.isEmpty() || words.first().startsWith(QLatin1Char('#')))
      continue;
    double sample = 0.0;
    if (!toReal(words.first(), sample))
      return fail(-2, reason::tr("Line %1 of \"%2\": %3.")
                          .arg(lineNumber)
                          .arg(fileName, reason::expected(reason::number(), words.first())));
    if (samples.size() >= static_cast<std::size_t>(maximumPulseSamples))
      return fail(-2, reason::tr("\"%1\" holds more than %2 samples, the most a pulse may have.")
                          .arg(fileName)
                          .arg(maximumPulseSamples));
    samples.push_back(sample * d.amplitude);
  }
  d.samples = std::move(samples);
  return false;
}
