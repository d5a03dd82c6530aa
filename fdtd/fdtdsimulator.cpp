#include "fdtd/fdtdsimulator.h"

#include "engine/performancecounter.h"
#include "fdtd/sections/cellloop.h"
#include "fdtd/sections/materialdescription.h"
#include "fdtd/sections/meshsection.h"
#include "fdtd/sources/source.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/units.h"
#include "fdtd/poynting.h"

#include <omp.h>

#include <chrono>
#include <cmath>

FDTDSimulator::FDTDSimulator(const QStringList &lines, const QString &name, const QString &folder)
    : Simulator(name), dataFolder(folder)
{
  // Created (or emptied) for every loaded problem; nothing is written to them.
  debugStream.open("Debug.txt", std::ios::out | std::ios::trunc);
  sourceStream.open("Source.txt", std::ios::out | std::ios::trunc);

  if (checkLineForms(lines) || FdtdConfigReader(lines, dataFolder, parseStatus).read(config))
    return;
  setUpTimingLogs(config.timingLogs);
  if (timingLogEnabled) {
    timingStream.setDevice(&timingLog);
    timingStream.setRealNumberPrecision(9);
  }
  applyGrid();

  buildSections(conditionallyPeriodic ? 2 : (periodic ? 1 : 0), gridConstants());
  int meshPoints = 0;
  for (const SectionDescription &d : config.sections)
    meshPoints += d.cells;
  meshPointCount = meshPoints;
  positions.resize(static_cast<std::size_t>(meshPoints));
  for (int i = 0; i < meshPoints; ++i)
    positions[static_cast<std::size_t>(i)] = i * cellSize;

  const TerminationDescription &t = config.termination;
  lumpedEnabled = t.enabled;
  lumpedResistance = t.resistance;
  lumpedIndex = t.index;

  eField.assign(static_cast<std::size_t>(meshPoints), 0.0);
  hField.assign(static_cast<std::size_t>(meshPoints) + 1, 0.0);

  buildSources();
  arrangeColocatedSources();

  setUpActions(config.actions);
  buildObservation();

  planThreadUse();
  collectWarnings();
  addLoadChecks();
  markConstructed();
}

void FDTDSimulator::planThreadUse()
{
  std::vector<SectionLength> lengths;
  for (const MeshSection<int, double> *s : sections) {
    MaterialDescription m;
    s->describe(m);
    const bool plain = m.poles.empty() && !m.kerr;
    lengths.push_back({s->eEnd - s->eStart + 1, plain ? parallelcells::plain : parallelcells::dispersive});
  }
  threadPlan = planThreads(threadCount, omp_get_num_procs(), lengths);
  tuner = ThreadTuner(threadPlan.most);
  omp_set_num_threads(tuner.threads());
}

// The post-processing; the engine takes over what it reports.
void FDTDSimulator::buildObservation()
{
  const ObservationLists lists{fourierPostprocessings, spectrogramPostprocessings,
                               poyntingPostprocessings};
  observation = std::make_unique<FdtdObservation>(lists, static_cast<ObservationListener &>(*this),
                                                  FdtdConfigReader::gridInfo(config));
  observation->build(config.observation);
  spectraReady = observation->hasSpectra();
  probesReady = observation->probeCount() > 0;
  spectrogramReady = observation->hasStaticSpectrogram();
  dynamicSpectrogram = observation->hasDynamicSpectrogram();
}

void FDTDSimulator::windowsOpened()
{
  spectraReady = true;
  probesReady = true;
  emit createActionSpectrum();
  emit createActionTime();
}

void FDTDSimulator::spectrogramRebuilt()
{
  emit updateDynamicSpectrogram();
}

void FDTDSimulator::stopRun(const QString &reason)
{
  if (runFailure.isEmpty())
    runFailure = reason;
  finished = true;
}

FDTDSimulator::~FDTDSimulator()
{
  qDeleteAll(sources);
  sources.clear();
  sourceCount = 0;
  observation.reset();
  for (auto *s : sections)
    delete s;
  sections.clear();
  debugStream.close();
  sourceStream.close();
}

// One leap-frog step: H from E, the sources' H terms, half a time step, E from
// H, the sources' E terms, the lumped termination, the second half step; then
// the observers, the timing log and the breakpoints see the new iteration.
void FDTDSimulator::step()
{
  // Another engine in this process may have set its own team size.
  if (omp_get_max_threads() != tuner.threads())
    omp_set_num_threads(tuner.threads());
  if (!tuner.tunes()) {
    advance();
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  advance();
  tuner.stepTook(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

void FDTDSimulator::advance()
{
  const FlushDenormals flush;
  if (iteration == 0 && timingLogEnabled) {
    timingStartCounter = performanceCounter();
    timingCounterFrequency = performanceFrequency();
  }

  for (MeshSection<int, double> *s : sections)
    s->updateH(eField, hField);
  const GridClock atH{iteration, time};
  for (Source<int, double> *s : qAsConst(sources))
    s->applyH(eField, hField, atH);
  time += deltaT * 0.5;

  for (MeshSection<int, double> *s : sections)
    s->updateE(eField, hField);
  const GridClock atE{iteration, time};
  for (Source<int, double> *s : qAsConst(sources))
    s->applyE(eField, hField, atE);
  if (lumpedEnabled)
    eField[static_cast<std::size_t>(lumpedIndex)] =
        -(hField[static_cast<std::size_t>(lumpedIndex)] * lumpedResistance);
  time += deltaT * 0.5;
  ++iteration;

  if (iteration % finiteCheckPeriod == 0 && !finished && !fieldsAreFinite()) {
    finished = true;
    runFailure =
        tr("The field is no longer finite at iteration %1: the run was stopped.").arg(iteration);
  }

  for (auto *p : poyntingPostprocessings)
    updatePoynting(*p, eField, hField, iteration);
  if (observation)
    observation->observe(eField, hField, iteration);

  if (timingLogEnabled && timingLogPeriod > 0 && iteration % timingLogPeriod == 0)
    writeTimingRecord();

  checkBreakpoints();
}

bool FDTDSimulator::fieldsAreFinite() const
{
  // x * 0 is 0 for every finite x and NaN for an infinity or a NaN.
  double probe = 0.0;
  const double *e = eField.data();
  const double *h = hField.data();
  const std::size_t ne = eField.size();
  const std::size_t nh = hField.size();
#pragma omp simd reduction(+ : probe)
  for (std::size_t i = 0; i < ne; ++i)
    probe += e[i] * 0.0;
#pragma omp simd reduction(+ : probe)
  for (std::size_t i = 0; i < nh; ++i)
    probe += h[i] * 0.0;
  return probe == 0.0;
}

void FDTDSimulator::writeTimingRecord()
{
  const std::int64_t now = performanceCounter();
  timingLastCounter = now;
  timingCounterFrequency = performanceFrequency();
  const double seconds =
      static_cast<double>(now - timingStartCounter) / static_cast<double>(timingCounterFrequency);
  const qulonglong bytes = (eField.capacity() + hField.capacity()) * 4 + 48;
  timingStream << seconds << '\n' << bytes << '\n';
  timingStream.flush();
}

double FDTDSimulator::progress() { return static_cast<double>(iteration); }
double FDTDSimulator::currentTime() { return time; }
double FDTDSimulator::timeStep() { return deltaT; }
std::vector<double> &FDTDSimulator::electricField() { return eField; }
std::vector<double> &FDTDSimulator::conversionCurveA() { return positions; }
std::vector<double> &FDTDSimulator::conversionCurveB() { return positions; }
std::vector<double> &FDTDSimulator::conversionPositions() { return positions; }
int FDTDSimulator::pointCount() { return meshPointCount; }
double FDTDSimulator::pointSpacing() { return cellSize; }
double FDTDSimulator::lengthScale() { return lengthUnitFactor; }

// The fields on the grid always; spectra, time series and static
// spectrograms once they exist (at load, or when a dynamic spectrogram opens
// its first windows).
int FDTDSimulator::resultCount(ResultKind kind) const
{
  switch (kind) {
  case ResultKind::ElectricField:
  case ResultKind::MagneticField:
  case ResultKind::PoyntingVector:
    return 1;
  case ResultKind::Spectrum:
    return spectraReady ? static_cast<int>(fourierPostprocessings.size()) : 0;
  case ResultKind::TimeProbe:
    return probesReady && observation ? observation->probeCount() : 0;
  case ResultKind::Spectrogram:
    return spectrogramReady ? static_cast<int>(spectrogramPostprocessings.size()) : 0;
  default:
    return 0;
  }
}

QStringList FDTDSimulator::probeNames()
{
  return observation ? observation->probeNames() : QStringList();
}

double FDTDSimulator::probeSampleInterval(unsigned short index)
{
  return observation ? observation->probeSampleInterval(index) : 0.0;
}

QString FDTDSimulator::probeTimeUnit(unsigned short index)
{
  return observation ? observation->probeTimeUnit(index) : QString();
}

double FDTDSimulator::probeStartTime(unsigned short index)
{
  return observation ? observation->probeStartTime(index) : 0.0;
}

int FDTDSimulator::probeSampleCount(unsigned short index)
{
  return observation ? observation->probeSampleCount(index) : 0;
}

std::vector<double> &FDTDSimulator::probeSamples(unsigned short index)
{
  if (observation)
    return observation->probeSamples(index);
  static std::vector<double> none;
  none.clear();
  return none;
}

QString FDTDSimulator::timeAxisLabel(unsigned short index)
{
  return QStringLiteral("Time [") + probeTimeUnit(index) + QStringLiteral("]");
}
