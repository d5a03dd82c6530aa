#pragma once
// FDTD post-processing owned by the FDTD engine: builds the transforms,
// spectrograms, Poynting records and time probes its description asks for,
// runs the observation block after every step and keeps the time probes.
// It knows nothing of the engine: the engine hands it the lists it fills
// and hears back through ObservationListener.

#include "postprocessing/observationdescription.h"
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


class FdtdObservation
{
public:
  FdtdObservation(const ObservationLists &lists, ObservationListener &listener,
                  const FdtdGridInfo &grid);
  ~FdtdObservation();
  FdtdObservation(const FdtdObservation &) = delete;
  FdtdObservation &operator=(const FdtdObservation &) = delete;

  // Creates what the sections ask for, in their order (series and map rows
  // numbered after what exists).
  void build(const ObservationDescription &description);
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
  void buildFourier(const ObservationSection &s);
  void buildTime(const ObservationSection &s);
  void buildStaticSpectrogram(const ObservationSection &s);
  void buildDynamicSpectrogram(const ObservationSection &s);
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
  FdtdGridInfo grid_;
  std::vector<TimeProbe<int, double> *> probes_;
  std::vector<DynamicSpectrogramPostprocessing<int, double> *> dynamic_;
  std::vector<double> empty_;
  SchedulerState state_;
  bool staticActive_ = false;
  bool dynamicActive_ = false;
  bool spectraActive_ = false;
  bool probesActive_ = false;
};
