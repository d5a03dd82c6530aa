#pragma once
// FDTD post-processing owned by the FDTD engine: parses the "time",
// "fourier", "spectrogram", "poynting" and "conversionEfficiency" sections,
// runs the observation block after every step and keeps the time probes.

#include "postprocessing/timeprobe.h"

#include <QString>
#include <QStringList>

#include <vector>

class Simulator;
template <typename I, typename T> class FourierPostprocessing;
template <typename I, typename T> class DynamicSpectrogramPostprocessing;

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
  FdtdObservation(Simulator &engine, const FdtdGridInfo &grid);
  ~FdtdObservation();
  FdtdObservation(const FdtdObservation &) = delete;
  FdtdObservation &operator=(const FdtdObservation &) = delete;

  // Reads the post-processing sections; true on failure (status set on the engine).
  bool parse(const QStringList &lines);

  // Observation block of one step, with the counter after the increment.
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
  bool hasPoynting() const { return poyntingActive_; }

  // True when E has its first positive maximum within centre +- K.
  bool peakNearCentre(const std::vector<double> &e) const;

private:
  bool parseSection(const QStringList &lines, int t, int type, const QString &name);
  bool parseSpectrogram(const QStringList &lines, int t, const QString &name);
  bool fail(int line, const QString &reason);
  bool failMissing(const QString &keyword);
  bool readIterationStart(const QStringList &lines, int t, int &itstart);
  void schedule(const std::vector<double> &e, int iteration);
  void openWindow(DynamicSpectrogramPostprocessing<int, double> *s, bool first);
  FourierPostprocessing<int, double> *makeFourier(const QString &name, int location, int start,
                                                  int end, double spectralStart,
                                                  double spectralStep, double spectralEnd,
                                                  unsigned short exponent, bool frequency);
  void addProbe(TimeProbe<int, double> *probe);

  Simulator &engine_;
  FdtdGridInfo grid_;
  std::vector<TimeProbe<int, double> *> probes_;
  std::vector<DynamicSpectrogramPostprocessing<int, double> *> dynamic_;
  std::vector<double> empty_;
  SchedulerState state_;
  bool staticActive_ = false;
  bool dynamicActive_ = false;
  bool poyntingActive_ = false;
  long long spectralPoints_ = 0; // spectral points of all Fourier objects so far
  long long probeSamples_ = 0;   // samples of all probes created at set-up
};
