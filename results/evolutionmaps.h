#pragma once
// Maps of a run's evolution record: the spectrum against distance (on the
// frequency axis, or resampled on an even wavelength axis), the temporal
// power against distance, and the spectrogram of the final field with a
// Gaussian gate. Values are in dB; rows follow the y axis, columns the x axis.

#include <QByteArray>
#include <QString>

#include <vector>

struct EvolutionRecord;

struct EvolutionMap
{
  int rows = 0, columns = 0;
  std::vector<double> values; // row-major, rows x columns
  std::vector<double> x;      // one per column
  std::vector<double> y;      // one per row
  QString xTitle, yTitle, zTitle;
  bool empty() const { return rows <= 0 || columns <= 0; }
};

// The spectra of every recorded plane; wavelength: resampled on up to
// maxColumns even steps in nm over the band within 60 dB of the peak.
EvolutionMap spectralEvolutionMap(const EvolutionRecord &record, bool wavelength, int maxColumns = 1024);
// The power of every recorded plane in dB (10 log10).
EvolutionMap temporalEvolutionMap(const EvolutionRecord &record);
// |FFT(A(t) g(t - tau))|^2 in dB against delay tau (columns) and frequency
// (rows), g a Gaussian of intensity FWHM gateSeconds (0: the geometric mean
// of the window and the sample spacing).
EvolutionMap outputSpectrogram(const EvolutionRecord &record, double gateSeconds = 0.0, int delays = 256,
                               int frequencies = 512);
double defaultGateSeconds(const EvolutionRecord &record);

// Text of a map: the matrix (one row per line) and the two axes, each block
// with its "! " header.
QByteArray evolutionMapText(const EvolutionMap &map, const QString &name);
