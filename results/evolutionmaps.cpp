#include "results/evolutionmaps.h"

#include "engine/evolutionrecord.h"
#include "results/columnwriter.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr double speedOfLight = 299792458.0;
constexpr double pi = 3.141592653589793;
constexpr double floorDb = -400.0;

double toDb(double power) { return power > 0.0 ? 10.0 * std::log10(power) : floorDb; }

QString bracketed(const QString &name, const QString &unit) { return name + QStringLiteral(" [") + unit + QLatin1Char(']'); }

} // namespace

EvolutionMap spectralEvolutionMap(const EvolutionRecord &r, bool wavelength, int maxColumns)
{
  EvolutionMap m;
  const int columns = int(r.frequencies.size());
  m.rows = r.rows();
  m.y = r.distances;
  m.yTitle = bracketed(QStringLiteral("Distance"), r.lengthUnit);
  m.zTitle = r.spectrumTitle;
  if (m.rows <= 0 || columns <= 0 || r.spectra.size() < std::size_t(m.rows) * std::size_t(columns))
    return EvolutionMap();
  if (!wavelength) {
    m.columns = columns;
    m.x = r.frequencies;
    m.values.assign(r.spectra.begin(), r.spectra.begin() + long(m.rows) * columns);
    m.xTitle = bracketed(QStringLiteral("Frequency"), r.frequencyUnit);
    return m;
  }
  // The lit band: columns whose largest value over the planes lies within 60 dB of the peak.
  std::vector<double> top(std::size_t(columns), floorDb);
  for (int row = 0; row < m.rows; ++row)
    for (int c = 0; c < columns; ++c)
      top[std::size_t(c)] = std::max(top[std::size_t(c)], r.spectra[std::size_t(row) * std::size_t(columns) + std::size_t(c)]);
  const double peak = *std::max_element(top.begin(), top.end());
  int first = columns, last = -1;
  for (int c = 0; c < columns; ++c)
    if (r.frequencies[std::size_t(c)] > 0.0 && top[std::size_t(c)] >= peak - 60.0) {
      first = std::min(first, c);
      last = c;
    }
  if (last < first)
    return EvolutionMap();
  const double scale = r.frequencyScale;
  const double lowest = speedOfLight / (r.frequencies[std::size_t(last)] * scale) * 1e9;
  const double highest = speedOfLight / (r.frequencies[std::size_t(first)] * scale) * 1e9;
  const double pad = 0.05 * (highest - lowest);
  const double from = std::max(lowest - pad, speedOfLight / (r.frequencies.back() * scale) * 1e9);
  const double to = highest + pad;
  m.columns = std::max(2, std::min(maxColumns, columns));
  m.x.resize(std::size_t(m.columns));
  m.values.resize(std::size_t(m.rows) * std::size_t(m.columns));
  for (int c = 0; c < m.columns; ++c) {
    const double nm = from + (to - from) * double(c) / double(m.columns - 1);
    m.x[std::size_t(c)] = nm;
    const double f = speedOfLight / (nm * 1e-9) / scale;
    // Linear interpolation in frequency (ascending columns).
    const auto at = std::upper_bound(r.frequencies.begin(), r.frequencies.end(), f);
    const std::size_t hi = std::min(std::size_t(at - r.frequencies.begin()), std::size_t(columns - 1));
    const std::size_t lo = hi == 0 ? 0 : hi - 1;
    const double span = r.frequencies[hi] - r.frequencies[lo];
    const double w = span > 0.0 ? std::clamp((f - r.frequencies[lo]) / span, 0.0, 1.0) : 0.0;
    for (int row = 0; row < m.rows; ++row) {
      const double *line = r.spectra.data() + std::size_t(row) * std::size_t(columns);
      m.values[std::size_t(row) * std::size_t(m.columns) + std::size_t(c)] = line[lo] + w * (line[hi] - line[lo]);
    }
  }
  m.xTitle = QStringLiteral("Wavelength [nm]");
  return m;
}

EvolutionMap temporalEvolutionMap(const EvolutionRecord &r)
{
  EvolutionMap m;
  const int columns = int(r.delays.size());
  m.rows = r.rows();
  if (m.rows <= 0 || columns <= 0 || r.powers.size() < std::size_t(m.rows) * std::size_t(columns))
    return EvolutionMap();
  m.columns = columns;
  m.x = r.delays;
  m.y = r.distances;
  m.values.resize(std::size_t(m.rows) * std::size_t(columns));
  for (std::size_t i = 0; i < m.values.size(); ++i)
    m.values[i] = toDb(r.powers[i]);
  m.xTitle = bracketed(QStringLiteral("Delay"), r.timeUnit);
  m.yTitle = bracketed(QStringLiteral("Distance"), r.lengthUnit);
  m.zTitle = r.powerTitle + QStringLiteral(" (dB)");
  return m;
}

double defaultGateSeconds(const EvolutionRecord &r)
{
  const double window = double(r.finalField.size()) * r.sampleSeconds;
  return std::sqrt(window * r.sampleSeconds) * 2.0;
}

EvolutionMap outputSpectrogram(const EvolutionRecord &r, double gateSeconds, int delays, int frequencies)
{
  const int n = int(r.finalField.size());
  if (n < 4 || !(r.sampleSeconds > 0.0))
    return EvolutionMap();
  if (!(gateSeconds > 0.0))
    gateSeconds = defaultGateSeconds(r);
  const double dt = r.sampleSeconds;
  const double df = 1.0 / (double(n) * dt);
  // Frequency rows: the envelope's whole window about its carrier, or the
  // positive half of an analytic signal.
  const bool analytic = r.carrierHz == 0.0;
  const int first = analytic ? 0 : -(n / 2);
  const int count = analytic ? n / 2 : n;
  const int rows = std::min(frequencies, count);
  const int stride = (count + rows - 1) / rows;
  const int rowCount = (count + stride - 1) / stride;
  const int columns = std::min(delays, n);

  EvolutionMap m;
  m.rows = rowCount;
  m.columns = columns;
  m.values.assign(std::size_t(rowCount) * std::size_t(columns), floorDb);
  std::vector<std::complex<double>> buffer(static_cast<std::size_t>(n));
  auto *data = reinterpret_cast<fftw_complex *>(buffer.data());
  fftw_plan plan = fftw_plan_dft_1d(n, data, data, FFTW_FORWARD, FFTW_ESTIMATE);
  // Intensity FWHM of the gate: |g|^2 = exp(-4 ln 2 t^2 / w^2).
  const double a = 2.0 * std::log(2.0) / (gateSeconds * gateSeconds);
  for (int c = 0; c < columns; ++c) {
    const double tau = (double(c) + 0.5) * double(n) * dt / double(columns);
    for (int j = 0; j < n; ++j) {
      const double s = double(j) * dt - tau;
      buffer[std::size_t(j)] = r.finalField[std::size_t(j)] * std::exp(-a * s * s);
    }
    fftw_execute(plan);
    for (int i = 0; i < count; ++i) {
      const int k = ((first + i) % n + n) % n;
      const double v = toDb(std::norm(buffer[std::size_t(k)]) * dt * dt);
      double &cell = m.values[std::size_t(i / stride) * std::size_t(columns) + std::size_t(c)];
      cell = std::max(cell, v);
    }
  }
  fftw_destroy_plan(plan);
  m.x.resize(std::size_t(columns));
  for (int c = 0; c < columns; ++c)
    m.x[std::size_t(c)] = ((double(c) + 0.5) * double(n) * dt / double(columns) - 0.5 * double(n - 1) * dt) / r.timeScale;
  m.y.resize(std::size_t(rowCount));
  for (int i = 0; i < rowCount; ++i)
    m.y[std::size_t(i)] = (r.carrierHz + double(first + i * stride) * df) / r.frequencyScale;
  m.xTitle = bracketed(QStringLiteral("Delay"), r.timeUnit);
  m.yTitle = bracketed(QStringLiteral("Frequency"), r.frequencyUnit);
  m.zTitle = QStringLiteral("Spectrogram [dB]");
  return m;
}

QByteArray evolutionMapText(const EvolutionMap &m, const QString &name)
{
  if (m.empty())
    return QByteArray();
  QByteArray bytes = formatMatrix(m.values.data(), m.values.size(), m.rows, m.columns,
                                  QStringLiteral("! ") + name + QStringLiteral(" ") + m.zTitle +
                                      QStringLiteral(": one row per ") + m.yTitle +
                                      QStringLiteral(", one column per ") + m.xTitle);
  bytes += formatMatrix(m.x.data(), m.x.size(), m.columns, 1,
                        QStringLiteral("! ") + m.xTitle + QStringLiteral(" (corresponds to the columns):"));
  bytes += formatMatrix(m.y.data(), m.y.size(), m.rows, 1,
                        QStringLiteral("! ") + m.yTitle + QStringLiteral(" (corresponds to the rows):"));
  return bytes;
}
