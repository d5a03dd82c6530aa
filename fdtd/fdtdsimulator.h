#pragma once
// The finite-difference time-domain engine: a one-dimensional staggered grid
// of E (N points) and H (N + 1 points, H[i] between E[i - 1] and E[i]),
// material sections that tile it, point sources and an optional lumped
// termination, advanced by one leap-frog step per call of step().
//
// The constructor reads the whole problem from the configuration lines into
// an FdtdConfig (FdtdConfigReader: grid, sections, termination, sources; then
// actions and post-processing) and builds itself from it; the first problem
// found is left in the load status (errorLine -1: unequal numbers of
// "medium", "meshpoints" and "parameters" lines; -2: an unusable pulse file)
// and construction stops there.

#include "engine/simulator.h"
#include "fdtd/fdtdconfig.h"
#include "fdtd/fdtdconfigreader.h"
#include "input/vocabulary.h"
#include "fdtd/gridconstants.h"
#include "fdtd/threadchoice.h"
#include "postprocessing/fdtdobservation.h"

#include <QTextStream>

#include <fstream>
#include <memory>
#include <vector>

template <typename I, typename T> class MeshSection;
template <typename I, typename T> class Source;

class FDTDSimulator : public Simulator, private ObservationListener
{
  Q_OBJECT

public:
  // folder: the configuration file's folder, where a relative pulse file
  // name is looked for first (then the working folder); empty: the working
  // folder only.
  FDTDSimulator(const QStringList &lines, const QString &runName, const QString &folder = QString());
  ~FDTDSimulator() override;

  // Limits on what a configuration may ask for.
  static constexpr int maximumMeshPoints = FdtdConfigReader::maximumMeshPoints;
  static constexpr int maximumThreads = FdtdConfigReader::maximumThreads;
  static constexpr int maximumPulseSamples = FdtdConfigReader::maximumPulseSamples;
  // Iterations between two checks that the fields are still finite.
  static constexpr int finiteCheckPeriod = 256;

  void step() override;
  double progress() override;
  double currentTime() override;
  double probeSampleInterval(unsigned short index) override;
  double timeStep() override;
  QStringList probeNames() override;
  int resultCount(ResultKind kind) const override;
  QString engineName() const override { return QStringLiteral("FDTD"); }
  ProgressAxis progressAxis() const override { return ProgressAxis::Iterations; }
  std::vector<double> &electricField() override;
  std::vector<double> &conversionCurveA() override;
  std::vector<double> &conversionCurveB() override;
  std::vector<double> &conversionPositions() override;
  int pointCount() override;
  double pointSpacing() override;
  QString probeTimeUnit(unsigned short index) override;
  double probeStartTime(unsigned short index) override;
  int probeSampleCount(unsigned short index) override;
  std::vector<double> &probeSamples(unsigned short index) override;
  double lengthScale() override;
  QString timeAxisLabel(unsigned short index) override;
  // Grid, sections with their index at the sources' centre frequency,
  // sources, post-processing and a memory estimate.
  QString setupSummary() const override;
  QStringList keywords() const override { return engineKeywords(QStringLiteral("FDTD")); }
  const std::vector<double> &magneticField() const override { return hField; }

  // --- grid state -------------------------------------------------------------
  std::vector<double> eField;    // V/m, N points
  std::vector<double> hField;    // A/m, N + 1 points
  std::vector<double> positions; // i * cellSize
  int meshPointCount = 0;        // N
  double time = 0.0;             // simulated time (s)
  double deltaT = 0.0;           // time step (s)
  double stability = 0.0;        // Courant divisor S
  int threadCount = 0;           // "threads", a most (0: as many as the machine offers)
  ThreadPlan threadPlan;         // the most threads that pay off, and why
  double cellSize = 0.0;         // in the length unit
  double lengthUnitFactor = 0.0; // metres per length unit
  std::vector<MeshSection<int, double> *> sections;
  int sectionCount = 0;
  bool periodic = false;
  bool conditionallyPeriodic = false;
  bool lumpedEnabled = false;
  double lumpedResistance = 0.0; // ohm
  int lumpedIndex = 0;
  std::unique_ptr<FdtdObservation> observation;

  // What sections and sources are built from.
  GridConstants gridConstants() const { return {deltaT, cellSize, lengthUnitFactor}; }

public:
  // The description the engine was built from.
  const FdtdConfig &configuration() const { return config; }

private:
  FdtdConfig config;
  // The configuration file's folder: relative pulse files are looked for there first.
  QString dataFolder;
  // One leap-frog step and its observation (step() adds the thread tuning).
  void advance();
  void planThreadUse();
  std::pair<int, int> sectionCells(std::size_t k) const;
  ThreadTuner tuner;
  // Results that exist (see resultCount()).
  bool spectraReady = false;
  bool probesReady = false;
  bool spectrogramReady = false;
  // What the post-processing reports during a run.
  void windowsOpened() override;
  void spectrogramRebuilt() override;
  void stopRun(const QString &reason) override;
  void buildObservation();

  // The engine from config, once it is read (fdtdsetup.cpp, sectionbuilder.cpp).
  void applyGrid();
  // Builds the sections of config.sections on the grid (formulation 0 "1d", 1 "1dp", 2 "1dcp").
  void buildSections(int formulation, const GridConstants &grid);
  void buildSources();
  Source<int, double> *buildSource(const SourceDescription &d) const;
  void arrangeColocatedSources();
  // Load warnings: unstable Lorentz sections, too few cells per wavelength,
  // strong Kerr index changes, sources and probes that cannot see a pulse.
  void collectWarnings();
  void warnAboutSection(std::size_t k, double highest, double peak);
  void warnAboutPlacement();
  // Parts of the set-up summary; the first and the last return their bytes.
  double summarizeSections(QTextStream &out, double centre) const;
  void summarizeSources(QTextStream &out) const;
  double summarizePostprocessing(QTextStream &out) const;
  struct SourceSpectrum
  {
    QString kind;
    double centre = 0.0;   // carrier (Hz); 0 for a recorded pulse
    double highest = 0.0;  // highest significant frequency (Hz); 0 when unknown
    double peak = 0.0;     // largest field (V/m)
    double duration = 0.0; // s
    double delay = 0.0;    // s
  };
  SourceSpectrum spectrumOf(const Source<int, double> &source) const;
  // Further load warnings (loadchecks.cpp): a lumped termination the update
  // cannot hold, library materials used outside their wavelengths, runs that
  // an exit action makes longer than ten minutes.
  void addLoadChecks();
  void warnAboutLumpedTermination();
  void warnAboutMaterialRanges();
  void warnAboutRunTime();
  struct LibrarySection
  {
    std::size_t section; // index into sections
    QString name;
    double shortest, longest; // um
  };
  std::vector<LibrarySection> librarySections;
  bool fieldsAreFinite() const;
  void writeTimingRecord();

  std::ofstream debugStream;
  std::ofstream sourceStream;
  QTextStream timingStream;
};
