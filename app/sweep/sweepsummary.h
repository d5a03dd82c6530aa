#pragma once
// Scalar results of a finished run, read back from the result files that
// lumora-batch wrote into its folder, and the summary of a sweep: summary.csv
// and, on request, a picture per scalar.

#include <QList>
#include <QString>
#include <QStringList>

struct RunScalar
{
  QString name; // with its unit, e.g. "spectral centroid [THz]"
  double value = 0;
};

// Grid engine: the final electric-field energy (eps0/2 times the integral of
// E^2 over the grid) and the peak |E| from "Electric field.txt", and for every
// saved spectrum its peak frequency (or wavelength) and integrated power (the power spectrum
// 10^(dB/10) summed over frequency). Spectral engine: the final total and band
// energy of "Conversion efficiency.txt", the conversion efficiency (final
// band energy over the energy of "Input spectrum.txt"), the power-weighted
// centroid and rms width of "FFT spectrum.txt" and the E^2-weighted rms
// duration of "UPPE E-field.txt"; without a conversion-efficiency file the
// total energy comes from "FFT spectrum.txt" (the power spectrum summed bin
// by bin, as the engine does). Files that are missing give no scalars.
QList<RunScalar> runScalars(const QString &folder);

// One CSV field, quoted when it needs to be.
QString csvField(const QString &text);
// Splits one CSV line into its fields.
QStringList csvFields(const QString &line);

// The load warnings of a run, read from its "Set-up summary.txt".
QStringList runWarnings(const QString &folder);

struct SummaryRow
{
  QString run;        // "run-0001"
  QStringList values; // one per varied key
  QString status;     // ok, time-limit, failed, interrupted, not run
  QStringList warnings;
  QList<RunScalar> scalars;
};

// Writes folder/summary.csv (run, the varied keys, status, warnings (their
// count and the first: "2: ..."), then every scalar any run has) and, with plots, folder/plots/<scalar>.png: the scalar against the
// first key, a curve per value of the second key. Returns false with problem
// set when a file cannot be written.
bool writeSummary(const QString &folder, const QStringList &keys, const QList<SummaryRow> &rows,
                  bool plots, QString &problem);
