#pragma once
// Evolution of a pulse along the propagation axis, recorded by an engine at
// planes 0 ... L: the spectrum (dB) and the temporal power of every plane,
// and the final field for a time-frequency map. Rows are planes in the order
// recorded; the matrices are row-major.

#include <QString>

#include <complex>
#include <vector>

struct EvolutionRecord
{
  int plannedPlanes = 0;
  std::vector<double> distances;      // one per recorded plane, in the run's length unit
  QString lengthUnit;

  std::vector<double> frequencies;    // spectral columns, ascending, display unit
  QString frequencyUnit;
  double frequencyScale = 1.0;        // hertz per display unit
  std::vector<double> spectra;        // rows x frequencies.size(), dB
  QString spectrumTitle;              // "Spectral energy density [dB J/Hz]" ...

  std::vector<double> delays;         // temporal columns, display unit, 0 at the window centre
  QString timeUnit;
  double timeScale = 1.0;             // seconds per display unit
  std::vector<double> powers;         // rows x delays.size()
  QString powerTitle;                 // "Power [W]" ...

  // Final complex envelope about carrierHz (the analytic signal when the
  // carrier is 0), sampled every sampleSeconds; for the spectrogram.
  std::vector<std::complex<double>> finalField;
  double carrierHz = 0.0;
  double sampleSeconds = 0.0;

  int rows() const { return int(distances.size()); }
};
