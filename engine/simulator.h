#pragma once
// Abstract engine behind the main window and the batch runner.
//
// An engine is built from the configuration line list; its constructor runs
// every section reader, which record the first problem in the engine's one
// ParseStatus (read through loadStatus()). Engines mark a complete construction with
// markConstructed() as the last statement of their constructor, so that an
// engine that stopped early without setting a status field still fails the load.

#include "engine/resultkind.h"
#include "input/parsestatus.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class AbstractBreakpoint;
struct ActionDescription;
struct TimingLogDescription;
struct EvolutionRecord;
template <typename I, typename T> class FourierPostprocessing;
template <typename I, typename T> class SpectrogramPostprocessing;
template <typename I, typename T> struct PoyntingPostprocessing;
template <typename I, typename T> class Source;

class Simulator : public QObject
{
  Q_OBJECT

public:
  explicit Simulator(const QString &runName);
  ~Simulator() override;

  // --- status and flags -----------------------------------------------------
  bool hasBreakpoints = false;
  QList<AbstractBreakpoint *> breakpoints;
  int breakpointCount = 0;
  bool finished = false;
  QString runName;
  int timingLogPeriod = 0;
  std::int64_t timingStartCounter = 0;
  std::int64_t timingLastCounter = 0;
  std::int64_t timingCounterFrequency = 0;
  QFile timingLog;
  bool timingLogEnabled = false;
  double referenceEnergy = 0.0;
  bool dynamicSpectrogram = false;
  int iteration = 0;
  QString lengthUnit;

  // Post-processing collections, owned by the engine (deleted by ~Simulator).
  std::vector<FourierPostprocessing<int, double> *> fourierPostprocessings;
  std::vector<SpectrogramPostprocessing<int, double> *> spectrogramPostprocessings;
  std::vector<PoyntingPostprocessing<int, double> *> poyntingPostprocessings;

  // Excitation pulses, in the engine's order. The derived engine owns and
  // deletes them (Source is defined with the FDTD sources).
  QList<Source<int, double> *> sources;
  int sourceCount = 0;

  // --- plain accessors --------------------------------------------------------
  bool getHasBreakpoints() const { return hasBreakpoints; }
  QList<AbstractBreakpoint *> getBreakpoints() const { return breakpoints; }
  int getBreakpointCount() const { return breakpointCount; }
  bool isFinished() const { return finished; }
  QString getRunName() const { return runName; }
  int getTimingLogPeriod() const { return timingLogPeriod; }
  bool isTimingLogEnabled() const { return timingLogEnabled; }
  int getIteration() const { return iteration; }
  bool isConstructed() const { return constructed; }

  // --- load status ------------------------------------------------------------
  // The first problem of the load and its warnings: the one place to read them.
  const ParseStatus &loadStatus() const { return parseStatus; }
  // The loader puts its own warnings (lines read by nothing) in front.
  void prependWarnings(const QStringList &first) { parseStatus.warnings = first + parseStatus.warnings; }

  // --- results ------------------------------------------------------------------
  // How many results of the kind the engine offers now: 0 when it has none,
  // otherwise the number of entries (one field, every Fourier post-processing,
  // every time probe ...). It may grow during a run (the windows of a dynamic
  // spectrogram). The results catalogue, Save All, lumora-batch and the
  // window's View actions ask this and nothing else.
  virtual int resultCount(ResultKind kind) const = 0;
  bool hasResult(ResultKind kind) const { return resultCount(kind) > 0; }
  // The engine's name as results files record it ("FDTD", "UPPE").
  virtual QString engineName() const = 0;
  // What progress() counts.
  virtual ProgressAxis progressAxis() const = 0;

  // --- post-processing accessors ---------------------------------------------
  QStringList fourierNames() const;
  QString fourierUnit(unsigned short i) const;
  bool fourierIsWavelength(unsigned short i) const;
  double fourierStart(unsigned short i) const;
  double fourierStep(unsigned short i) const;
  int fourierPointCount(unsigned short i) const;
  const std::vector<double> &fourierMagnitudes(unsigned short i) const;
  const std::vector<double> &fourierPhases(unsigned short i) const;
  SpectrogramPostprocessing<int, double> *spectrogram(unsigned short i) const;
  QString spectrogramUnit(unsigned short i) const;
  bool spectrogramIsFrequency(unsigned short i) const;
  const std::vector<double> &poyntingEnvelope() const;
  // Magnetic field along the grid (A/m, pointCount() + 1 values between and
  // around the electric-field points); empty for engines without a grid.
  virtual const std::vector<double> &magneticField() const { return emptyVector(); }
  bool hasPoynting() const { return !poyntingPostprocessings.empty(); }

  // Records a refused line with its reason (only the first problem is kept)
  // and returns true, so that parsers can write "return fail(line, why);".
  bool fail(int line, const QString &reason) { return parseStatus.fail(line, reason); }

  // Human-readable description of the loaded set-up (grid, sections,
  // sources, post-processing, memory ...), without the warnings; empty for
  // an engine that has none. See setupSummaryText() in the loader.
  virtual QString setupSummary() const { return QString(); }

  // The keywords of the engine's configuration files: the loader warns about
  // lines that hold none of them and checks counts and single values. Empty
  // (no such checks) for an engine that does not say.
  virtual QStringList keywords() const { return QStringList(); }

  // Calls check(iteration, finished) on every breakpoint in list order.
  void checkBreakpoints();

  // Shared sections, from their descriptions (engine/runcontrol.h): the
  // breakpoints of the actions (a time is turned into an iteration with
  // timeStep() now), and the timing log, opened now.
  void setUpActions(const std::vector<ActionDescription> &actions);
  void setUpTimingLogs(const std::vector<TimingLogDescription> &logs);
  // Counts that are not whole and single values with company, on any line
  // whose keyword is one of keywords(); true on failure, with the status set.
  bool checkLineForms(const QStringList &lines);

  // --- engine operations -------------------------------------------------------
  virtual void step() = 0;
  virtual double progress() = 0;
  // The value progress() reaches at the end of the run; 0 when not known.
  virtual double progressEnd() const { return 0.0; }
  virtual double currentTime() = 0;
  virtual double probeSampleInterval(unsigned short index) = 0;
  virtual double timeStep() = 0;
  virtual QStringList probeNames() = 0;
  virtual std::vector<double> &electricField() = 0;
  virtual std::vector<double> &conversionCurveA() = 0;
  virtual std::vector<double> &conversionCurveB() = 0;
  virtual std::vector<double> &conversionPositions() = 0;
  virtual int pointCount() = 0;
  virtual double pointSpacing() = 0;
  virtual QString probeTimeUnit(unsigned short index);
  virtual double probeStartTime(unsigned short index) = 0;
  virtual int probeSampleCount(unsigned short index) = 0;
  virtual std::vector<double> &probeSamples(unsigned short index) = 0;
  // The input signal on the time points of timePointsDisplay() (the spectral
  // engine's field at z = 0); empty for an engine without one.
  virtual const std::vector<double> &inputSignal() const { return emptyVector(); }
  virtual double lengthScale() = 0;
  virtual QString spectrumAxisLabel();
  virtual QString timeAxisLabel(unsigned short index) = 0;

  // Spectral display data of engines with a time signal (the spectral engine);
  // the defaults describe an empty spectrum.
  virtual const std::vector<double> &spectrumDbVector() const { return emptyVector(); }
  virtual int frequencyCount() const { return 0; }
  virtual std::vector<double> frequenciesDisplay() const { return {}; }
  virtual std::vector<double> initialSpectrumDbData() const { return {}; }
  virtual std::vector<double> timePointsDisplay() const { return {}; }
  // Titles of the time signal and spectrum values when they are not an
  // electric field (for example power in W); empty for the default.
  virtual QString timeSignalTitle() const { return QString(); }
  virtual QString spectrumValueTitle() const { return QString(); }
  // Evolution along the propagation axis; null when the engine keeps none.
  virtual const EvolutionRecord *evolution() const { return nullptr; }

  // A message describing why the last step ended the run abnormally (for
  // example a field that is no longer finite); empty for a normal run.
  QString runFailure;

signals:
  void updateDynamicSpectrogram();
  void createActionSpectrum();
  void createActionTime();

protected:
  ParseStatus parseStatus;
  // Engines call this as the last statement of a constructor that completed.
  void markConstructed() { constructed = true; }
  static const std::vector<double> &emptyVector();

private:
  bool constructed = false;
};

class QDateTime;
// Name of the timing log started at now for the "file" value file.
QString timingLogFileName(const QDateTime &now, const QString &file);
