#pragma once
// Plain description of the grid engine's post-processing sections ("time",
// "fourier", "spectrogram", "poynting", "conversionEfficiency"), each value
// with its line; filled by ObservationReader, built by FdtdObservation.

#include <QString>

#include <vector>

// What the post-processing needs to know about the grid.
struct FdtdGridInfo
{
  int cells = 0;               // N, number of E points
  double cellSize = 0.0;       // in the run's length unit
  double timeStep = 0.0;       // seconds
  double lengthScale = 1.0;    // metres per length unit
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

// One post-processing section as read. Only the values its type has are set.
struct ObservationSection
{
  enum Type { Time = 0, Fourier, Spectrogram, Poynting, ConversionEfficiency };
  Type type = Time;
  QString name;
  int line = 0; // the "typeOf" anchor

  // Where a time, Fourier, Poynting or conversion-efficiency section looks
  // ("z_location", 0-based cell) and whether it opens a series of windows
  // ("use" not 0; "every": stride and last window start).
  int location = 0;
  int use = 0;
  int stride = 1;
  int lastStart = 0;
  int locationLine = 0, useLine = 0, everyLine = 0;

  // Iterations of a Fourier window or a time probe ("itstart", "itend";
  // INT_MAX for a Fourier window open to the end).
  int itstart = 0, itend = 0;
  int itstartLine = 0, itendLine = 0;
  QString timeUnit; // of a time probe ("tunit")
  int timeUnitLine = 0;

  // Spectral grid of a Fourier section or a spectrogram ("start" line and
  // "anyunit"): frequencies in 10^exponent Hz, or wavelengths in the length
  // unit paired with that frequency unit.
  double spectralStart = 0.0, spectralStep = 0.0, spectralEnd = 0.0;
  long long spectralPoints = 0;
  QString spectralUnit;
  unsigned short exponent = 0;
  bool frequency = true;
  int spectralLine = 0, unitLine = 0;

  // Static spectrogram: the rows' cells ("loc_start": first, step, last).
  double rowFirst = 0.0, rowStep = 0.0, rowLast = 0.0;
  std::vector<int> rowCells;
  int rowLine = 0;

  // Dynamic spectrogram (ring grids): the distance to cover ("maxdistance",
  // in the length unit).
  int maxDistance = 0;
  int distanceLine = 0;

  // Windows a time or Fourier section opens: one, or itstart + j for j = 0,
  // stride, ... up to the "every" limit (windows that would start beyond
  // the last iteration are dropped).
  long long windowCount() const;
  bool isDynamicSpectrogram() const { return type == Spectrogram && distanceLine > 0; }
};

struct ObservationDescription
{
  std::vector<ObservationSection> sections;
};
