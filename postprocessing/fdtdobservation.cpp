// Set-up of the post-processing from its description: the engine's lists
// and the time probes; the observation of every step is in
// fdtdobservationrun.cpp, the reading of the sections in observationreader.cpp.
#include "postprocessing/fdtdobservation.h"

#include "input/physicalconstants.h"
#include "input/units.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <algorithm>
#include <climits>

namespace {

// Frequencies c / lambda over the wavelength grid, in the frequency unit
// paired with the wavelength unit.
std::vector<double> wavelengthFrequencies(double start, double step, double end)
{
  const long long n = spectralGridCount(start, step, end);
  std::vector<double> f(static_cast<std::size_t>(std::max(0LL, n)));
  for (std::size_t i = 0; i < f.size(); ++i)
    f[i] = physconst::pairedFrequency(start + static_cast<double>(i) * step);
  return f;
}

} // namespace

FdtdObservation::FdtdObservation(const ObservationLists &lists, ObservationListener &listener,
                                 const FdtdGridInfo &grid)
    : lists_(lists), listener_(listener), grid_(grid)
{
  // The pulse is looked for every N/20 iterations within N/20 cells of the
  // centre N/2; grids under 20 cells look every iteration, within one cell.
  state_.checkInterval = std::max(1, grid_.cells / 20);
  state_.centre = grid_.cells / 2;
}

FdtdObservation::~FdtdObservation()
{
  for (auto *p : probes_)
    delete p;
}

void FdtdObservation::build(const ObservationDescription &description)
{
  for (const ObservationSection &s : description.sections) {
    switch (s.type) {
    case ObservationSection::Fourier:
      buildFourier(s);
      break;
    case ObservationSection::Time:
      buildTime(s);
      break;
    case ObservationSection::Spectrogram:
      if (s.isDynamicSpectrogram())
        buildDynamicSpectrogram(s);
      else
        buildStaticSpectrogram(s);
      break;
    case ObservationSection::Poynting:
      lists_.poynting.push_back(new PoyntingPostprocessing<int, double>(s.name, grid_.cells));
      break;
    case ObservationSection::ConversionEfficiency:
      break; // the spectral engine's; nothing to observe on the grid
    }
  }
  spectraActive_ = !lists_.fourier.empty();
  probesActive_ = !probes_.empty();
}

// One window, or a series numbered after all transforms so far.
void FdtdObservation::buildFourier(const ObservationSection &s)
{
  if (s.use == 0) {
    lists_.fourier.push_back(makeFourier(s.name, s.location, s.itstart, s.itend, s.spectralStart,
                                         s.spectralStep, s.spectralEnd, s.exponent, s.frequency));
    return;
  }
  const long long span = static_cast<long long>(s.itend) - s.itstart;
  const long long count = s.windowCount();
  for (long long i = 0, start = s.itstart; i < count; ++i, start += s.stride) {
    const QString numbered = s.name + QString::number(static_cast<qulonglong>(lists_.fourier.size()) + 1);
    lists_.fourier.push_back(makeFourier(numbered, s.location, static_cast<int>(start),
                                         clampToInt(start + span), s.spectralStart, s.spectralStep,
                                         s.spectralEnd, s.exponent, s.frequency));
  }
}

// One probe, or a series numbered after all probes so far.
void FdtdObservation::buildTime(const ObservationSection &s)
{
  if (s.use == 0) {
    addProbe(new TimeProbe<int, double>(s.name, s.location, s.itstart, s.itend, grid_.timeStep,
                                        s.timeUnit));
    return;
  }
  const long long span = static_cast<long long>(s.itend) - s.itstart;
  const long long count = s.windowCount();
  for (long long i = 0, start = s.itstart; i < count; ++i, start += s.stride) {
    const QString numbered = s.name + QString::number(static_cast<qulonglong>(probes_.size()) + 1);
    addProbe(new TimeProbe<int, double>(numbered, s.location, static_cast<int>(start),
                                        clampToInt(start + span), grid_.timeStep, s.timeUnit));
  }
}

// A map with one row per cell, each row a transform open over the whole run.
void FdtdObservation::buildStaticSpectrogram(const ObservationSection &s)
{
  const double cs = grid_.cellSize;
  const int rows = static_cast<int>(s.rowCells.size());
  lists_.spectrograms.push_back(new StaticSpectrogramPostprocessing<int, double>(
      s.name, s.spectralUnit, s.spectralStart, s.spectralStep, s.spectralEnd, s.exponent,
      s.frequency, s.rowFirst * cs, s.rowStep * cs, s.rowLast * cs, grid_.lengthUnit, rows,
      static_cast<int>(s.spectralPoints), static_cast<int>(lists_.fourier.size())));
  for (int cell : s.rowCells) {
    const QString rowName =
        s.name + QStringLiteral(" at ") + QString::number(cell) + QStringLiteral(" (spectrum)");
    lists_.fourier.push_back(makeFourier(rowName, cell, 1, INT_MAX, s.spectralStart, s.spectralStep,
                                         s.spectralEnd, s.exponent, s.frequency));
  }
  staticActive_ = true;
}

// A map of a travelling pulse: its windows open during the run.
void FdtdObservation::buildDynamicSpectrogram(const ObservationSection &s)
{
  auto *map = new DynamicSpectrogramPostprocessing<int, double>(
      s.name, s.spectralUnit, s.spectralStart, s.spectralStep, s.spectralEnd, s.exponent,
      s.frequency, grid_.cells * grid_.cellSize, grid_.lengthUnit, s.maxDistance);
  lists_.spectrograms.push_back(map);
  dynamic_.push_back(map);
  dynamicActive_ = true;
  const int k = state_.checkInterval;
  const int centre = state_.centre;
  state_ = SchedulerState();
  state_.checkInterval = k;
  state_.centre = centre;
}

FourierPostprocessing<int, double> *
FdtdObservation::makeFourier(const QString &name, int location, int start, int end,
                             double spectralStart, double spectralStep, double spectralEnd,
                             unsigned short exponent, bool frequency)
{
  if (frequency)
    return new FourierPostprocessing<int, double>(name, location, start, end, spectralStart,
                                                  spectralStep, spectralEnd, grid_.timeStep,
                                                  exponent);
  return new FourierPostprocessingFreqList<int, double>(
      name, location, start, end, spectralStart, spectralStep, spectralEnd, grid_.timeStep,
      exponent, wavelengthFrequencies(spectralStart, spectralStep, spectralEnd));
}

void FdtdObservation::addProbe(TimeProbe<int, double> *probe)
{
  probes_.push_back(probe);
}

int FdtdObservation::clampToInt(long long v) { return v > INT_MAX ? INT_MAX : static_cast<int>(v); }
