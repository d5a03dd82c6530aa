#pragma once
// FDTD post-processing owned by the FDTD engine: parses the "time",
// "fourier", "spectrogram", "poynting" and "conversionEfficiency" sections,
// runs the observation block after every step and keeps the time probes.
// It knows nothing of the engine: the engine hands it the lists it fills
// and hears back through ObservationListener; parsing fills the engine's status.

#include "input/keywords.h"
#include "input/parsestatus.h"
#include "postprocessing/timeprobe.h"

#include <QString>
#include <QStringList>

#include <vector>

template <typename I, typename T> class FourierPostprocessing;
template <typename I, typename T> class SpectrogramPostprocessing;
template <typename I, typename T> class DynamicSpectrogramPostprocessing;
template <typename I, typename T> struct PoyntingPostprocessing;

// The engine's result lists the post-processing sections add to.
struct ObservationLists
{
  std::vector<FourierPostprocessing<int, double> *> &fourier;
  std::vector<SpectrogramPostprocessing<int, double> *> &spectrograms;
  std::vector<PoyntingPostprocessing<int, double> *> &poynting;
};

// What happens during a run that the engine must know of.
class ObservationListener
{
public:
  virtual ~ObservationListener() = default;
  // The first windows of the dynamic spectrograms are open: spectra and time
  // series exist from now on.
  virtual void windowsOpened() = 0;
  // A dynamic spectrogram map was rebuilt from its windows.
  virtual void spectrogramRebuilt() = 0;
  // The run must end; reason is empty when the work is simply complete.
  virtual void stopRun(const QString &reason) = 0;
};


// What the post-processing needs to know about the grid.
struct FdtdGridInfo
{
  int cells = 0;               // N, number of E points
  double cellSize = 0.0;       // in the run's length unit
  double timeStep = 0.0;       // seconds
  double lengthScale = 1.0;    // metres per length unit
  int centreIndex = 0;         // N / 2
  double stability = 1.0;      // Courant divisor S
  bool periodic = false;       // "1dp" or "1dcp"
  bool conditionallyPeriodic = false; // "1dcp"
  QString lengthUnit;
};

// Limits on what a configuration may ask for; beyond them the section fails
// with a syntax error on the line that asked for too much.
namespace ObservationLimits {
constexpr long long spectralPointsPerObject = 1000000;
constexpr long long spectralPointsTotal = 2000000;
constexpr long long fourierObjects = 100000;
constexpr long long probeSamplesTotal = 20000000;
constexpr long long probes = 100000;
} // namespace ObservationLimits

class FdtdObservation
{
public:
  FdtdObservation(const ObservationLists &lists, ObservationListener &listener,
                  const FdtdGridInfo &grid);
  ~FdtdObservation();
  FdtdObservation(const FdtdObservation &) = delete;
  FdtdObservation &operator=(const FdtdObservation &) = delete;

  // Reads the post-processing sections; true on failure, with the first
  // problem recorded in status.
  bool parse(const QStringList &lines, ParseStatus &status);
  bool hasSpectra() const { return !lists_.fourier.empty(); }

  // Observation block of one step, with the counter after the increment
  // (the engine updates the Poynting records itself, before this).
  void observe(const std::vector<double> &e, const std::vector<double> &h, int iteration);

  // Time probes, indexed in creation order.
  int probeCount() const;
  QStringList probeNames() const;
  double probeSampleInterval(unsigned short index) const;
  QString probeTimeUnit(unsigned short index) const;
  double probeStartTime(unsigned short index) const;
  int probeSampleCount(unsigned short index) const;
  std::vector<double> &probeSamples(unsigned short index);
  const TimeProbe<int, double> *probe(unsigned short index) const;

  // State of the dynamic-spectrogram scheduler (for displays and tests).
  struct SchedulerState
  {
    int checkInterval = 1;   // K, also the capture half-width
    int centre = 0;          // centre cell
    bool firstSeen = false;
    bool secondSeen = false;
    bool periodKnown = false;
    int firstSighting = 0;   // t1
    int secondSighting = 0;  // t2
    int lastSighting = 0;
    int period = 0;          // P
    int currentPeriod = 0;   // P'
    int windowOrigin = 0;
    int windowsOpened = 0;   // windows opened by the first dynamic spectrogram
  };
  const SchedulerState &scheduler() const { return state_; }
  bool hasStaticSpectrogram() const { return staticActive_; }
  bool hasDynamicSpectrogram() const { return dynamicActive_; }

  // True when E has its first positive maximum within centre +- K.
  bool peakNearCentre(const std::vector<double> &e) const;

private:
  // Where a time or Fourier section looks and whether it opens a series.
  struct Series
  {
    int location = 0;  // cell
    int use = 0;       // 0: one window
    int stride = 1;
    int lastStart = 0;
    int everyLine = 0;
    long long count(int itstart) const;
  };
  // The spectral grid of a Fourier section or a spectrogram.
  struct Spectrum
  {
    int line = 0; // of the spectral line
    double start = 0, step = 0, end = 0;
    long long points = 0;
    QString unit;
    unsigned short exponent = 0;
    bool frequency = true;
    int itstart = 0, itend = 0; // Fourier sections only
  };
  // The rows of a static spectrogram.
  struct RowCells
  {
    int line = 0;
    double first = 0, step = 0, last = 0;
    std::vector<int> cells;
  };

  QString valueOf(const QStringList &lines, int word, int t);
  bool parseSection(const QStringList &lines, int t, int type, const QString &name);
  bool readPlacement(const QStringList &lines, int t, Series &series);
  bool readSpectrum(const QStringList &lines, int t, bool spectrogram, Spectrum &spectrum);
  bool readIterationEnd(const QStringList &lines, int t, Spectrum &spectrum);
  bool parseFourier(const QStringList &lines, int t, const QString &name, const Series &series);
  bool parseTime(const QStringList &lines, int t, const QString &name, const Series &series);
  bool parseSpectrogram(const QStringList &lines, int t, const QString &name);
  bool readRowCells(const QStringList &lines, int t, RowCells &rows);
  bool parseStaticSpectrogram(const QStringList &lines, int t, const QString &name,
                              const Spectrum &sp);
  bool parseDynamicSpectrogram(const QStringList &lines, int t, const QString &name,
                               const Spectrum &sp);
  bool fail(int line, const QString &reason);
  bool failMissing(const QString &keyword);
  bool readIterationStart(const QStringList &lines, int t, int &itstart);
  void schedule(const std::vector<double> &e, int iteration);
  void openWindow(DynamicSpectrogramPostprocessing<int, double> *s, bool first, int iteration);
  FourierPostprocessing<int, double> *makeFourier(const QString &name, int location, int start,
                                                  int end, double spectralStart,
                                                  double spectralStep, double spectralEnd,
                                                  unsigned short exponent, bool frequency);
  void addProbe(TimeProbe<int, double> *probe);
  static int clampToInt(long long v);

  ObservationLists lists_;
  ObservationListener &listener_;
  bool parseSections(const QStringList &lines);
  ParseStatus *status_ = nullptr; // during parse()
  FdtdGridInfo grid_;
  std::vector<TimeProbe<int, double> *> probes_;
  std::vector<DynamicSpectrogramPostprocessing<int, double> *> dynamic_;
  std::vector<double> empty_;
  SchedulerState state_;
  bool staticActive_ = false;
  bool dynamicActive_ = false;
  bool spectraActive_ = false;
  bool probesActive_ = false;
  long long spectralPoints_ = 0; // spectral points of all Fourier objects so far
  long long probeSamples_ = 0;   // samples of all probes created at set-up
};
