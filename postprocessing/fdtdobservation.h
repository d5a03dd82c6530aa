#pragma once
// FDTD post-processing owned by the FDTD engine: parses the "time",
// "fourier", "spectrogram", "poynting" and "conversionEfficiency" sections,
// runs the observation block after every step and keeps the time probes.

#include <QString>
#include <QStringList>

#include <vector>

class Simulator;

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

private:
  Simulator &engine_;
  FdtdGridInfo grid_;
  std::vector<double> empty_;
};
