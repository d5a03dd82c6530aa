#include "uppe/pulseenvelope.h"

#include "input/physicalconstants.h"
#include "input/tokens.h"
#include "uppe/fftwarrays.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

using physconst::pi;
using physconst::twoPi;

QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }

constexpr qint64 largestPulseFile = 64LL * 1024 * 1024;

// Angular frequency offset of bin k of an n-point transform (FFT order).
double binOffset(int k, int n, double dOmega) { return double(k <= (n - 1) / 2 ? k : k - n) * dOmega; }

// In-place complex transform of a vector (sign FFTW_FORWARD or FFTW_BACKWARD).
void transform(std::vector<Complex> &x, int sign)
{
  const int n = int(x.size());
  ComplexArray buffer(n);
  const FftwPlan plan = complexPlan(n, buffer, sign, FFTW_ESTIMATE);
  for (int j = 0; j < n; ++j) {
    buffer[j][0] = x[std::size_t(j)].real();
    buffer[j][1] = x[std::size_t(j)].imag();
  }
  plan.execute();
  for (int j = 0; j < n; ++j)
    x[std::size_t(j)] = Complex(buffer[j][0], buffer[j][1]);
}

// Measured spectrum (complex amplitude) at f, linear between samples, 0 outside.
Complex measuredAt(const PulseDescription &p, double f)
{
  const std::vector<double> &x = p.dataFrequency;
  if (x.empty() || f < x.front() || f > x.back())
    return Complex(0.0, 0.0);
  const std::size_t i = std::size_t(std::upper_bound(x.begin(), x.end(), f) - x.begin());
  const std::size_t hi = std::min(i, x.size() - 1), lo = hi == 0 ? 0 : hi - 1;
  const double w = hi == lo ? 0.0 : (f - x[lo]) / (x[hi] - x[lo]);
  const Complex a = std::polar(p.dataAmplitude[lo], p.dataPhase[lo]);
  const Complex b = std::polar(p.dataAmplitude[hi], p.dataPhase[hi]);
  return a + w * (b - a);
}

} // namespace

double pulseShapeFactor(PulseDescription::Shape shape)
{
  switch (shape) {
  case PulseDescription::Gauss:
    return 2.0 * std::sqrt(std::log(2.0));
  case PulseDescription::Sech:
    return 2.0 * std::acosh(std::sqrt(2.0));
  case PulseDescription::Sech2:
    break;
  }
  return 2.0 * std::acosh(std::pow(2.0, 0.25));
}

bool readPulseDataFile(const QString &path, double hertzPerUnit, PulseDescription &pulse, QString &reason)
{
  const QString name = QFileInfo(path).fileName();
  QFile file(path);
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    reason = tr("the pulse file \"%1\" cannot be read").arg(path);
    return false;
  }
  if (file.size() > largestPulseFile) {
    reason = tr("the pulse file \"%1\" is larger than 64 MiB").arg(name);
    return false;
  }
  struct Row { double f, amplitude, phase; };
  std::vector<Row> rows;
  QTextStream in(&file);
  QString line;
  int number = 0;
  while (in.readLineInto(&line)) {
    ++number;
    const QStringList t = lineTokens(line);
    if (t.isEmpty() || t.at(0).startsWith(QLatin1Char('#')))
      continue;
    double v[3] = {0.0, 0.0, 0.0};
    bool ok = t.size() == 2 || t.size() == 3;
    for (int i = 0; ok && i < t.size(); ++i)
      ok = toReal(t.at(i), v[i]);
    if (!ok) {
      reason = tr("pulse file %1, line %2: two or three numbers were expected (wavelength or "
                  "frequency, spectral intensity, optional phase in rad)")
                   .arg(name)
                   .arg(number);
      return false;
    }
    if (!(v[0] > 0.0) || !(v[1] >= 0.0)) {
      reason = tr("pulse file %1, line %2: the first column must be above 0 and the intensity "
                  "at least 0")
                   .arg(name)
                   .arg(number);
      return false;
    }
    // Intensity per wavelength becomes intensity per frequency: S_f = S_l l^2 / c.
    double f, intensity = v[1];
    if (hertzPerUnit > 0.0) {
      f = v[0] * hertzPerUnit;
    } else {
      const double metres = v[0] * 1e-9;
      f = physconst::speedOfLight / metres;
      intensity *= metres * metres / physconst::speedOfLight;
    }
    rows.push_back({f, std::sqrt(intensity), v[2]});
  }
  std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.f < b.f; });
  if (std::adjacent_find(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.f == b.f; }) !=
      rows.end()) {
    reason = tr("pulse file %1: two rows share the same wavelength or frequency").arg(name);
    return false;
  }
  if (rows.size() < 2 || std::none_of(rows.begin(), rows.end(), [](const Row &r) { return r.amplitude > 0.0; })) {
    reason = tr("pulse file %1: at least two rows with some spectral intensity were expected").arg(name);
    return false;
  }
  pulse.dataFrequency.clear();
  pulse.dataAmplitude.clear();
  pulse.dataPhase.clear();
  for (const Row &r : rows) {
    pulse.dataFrequency.push_back(r.f);
    pulse.dataAmplitude.push_back(r.amplitude);
    pulse.dataPhase.push_back(r.phase);
  }
  return true;
}

std::vector<Complex> pulseEnvelope(const PulseDescription &p, const std::vector<double> &times,
                                   double referenceHz, bool fibre)
{
  const int n = int(times.size());
  std::vector<Complex> a(std::size_t(n), Complex(0.0, 0.0));
  if (n < 2)
    return a;
  const double dt = times[1] - times[0];
  const double dOmega = twoPi / (double(n) * dt);
  const double offset = twoPi * (p.carrier - referenceHz);
  if (!p.dataFrequency.empty()) {
    // Measured spectrum on the bins, its flat-phase pulse at the centre time.
    for (int k = 0; k < n; ++k) {
      const double w = binOffset(k, n, dOmega);
      const double f = referenceHz + w / twoPi;
      a[std::size_t(k)] = measuredAt(p, f) * std::polar(1.0, -w * p.centreTime);
    }
    transform(a, FFTW_BACKWARD);
  } else {
    const double inverseT0 = 1.0 / p.t0;
    for (int j = 0; j < n; ++j) {
      const double s = times[std::size_t(j)] - p.centreTime;
      const double x = s * inverseT0;
      double u;
      if (p.shape == PulseDescription::Gauss)
        u = std::exp(-0.5 * x * x);
      else {
        const double sech = 1.0 / std::cosh(x);
        u = p.shape == PulseDescription::Sech ? sech : sech * sech;
      }
      a[std::size_t(j)] = u * std::polar(1.0, offset * s);
    }
  }
  // Scale: peak power, energy or peak amplitude before the spectral phase.
  double peak = 0.0, energy = 0.0;
  for (const Complex &v : a) {
    peak = std::max(peak, std::norm(v));
    energy += std::norm(v) * dt;
  }
  double scale = 0.0;
  if (fibre && p.size == PulseDescription::PeakPower)
    scale = peak > 0.0 ? std::sqrt(p.peakPower / peak) : 0.0;
  else if (fibre && p.size == PulseDescription::Energy)
    scale = energy > 0.0 ? std::sqrt(p.energy / energy) : 0.0;
  else
    scale = peak > 0.0 ? p.amplitude / std::sqrt(peak) : 0.0;
  for (Complex &v : a)
    v *= scale;
  if (p.gdd != 0.0 || p.tod != 0.0) {
    transform(a, FFTW_FORWARD);
    for (int k = 0; k < n; ++k) {
      const double w = binOffset(k, n, dOmega) - offset;
      const double phase = 0.5 * p.gdd * w * w + p.tod * w * w * w / 6.0;
      a[std::size_t(k)] *= std::polar(1.0 / double(n), -phase);
    }
    transform(a, FFTW_BACKWARD);
  }
  return a;
}

std::vector<double> pulseRealField(const PulseDescription &p, const std::vector<double> &times, bool fibre)
{
  const std::vector<Complex> a = pulseEnvelope(p, times, 0.0, fibre);
  const Complex carrierPhase = p.shape == PulseDescription::Gauss ? Complex(1.0, 0.0) : Complex(0.0, -1.0);
  const double factor = fibre ? std::sqrt(2.0) : 1.0;
  std::vector<double> e(a.size());
  for (std::size_t j = 0; j < a.size(); ++j)
    e[j] = factor * (a[j] * carrierPhase).real();
  return e;
}

double intensityFwhm(const std::vector<double> &power, double dt)
{
  if (power.empty())
    return 0.0;
  const auto peak = std::max_element(power.begin(), power.end());
  const double half = 0.5 * *peak;
  if (!(half > 0.0))
    return 0.0;
  // The first samples at or below half the peak on either side; between them
  // and their inner neighbours the crossing is interpolated linearly.
  const auto atOrBelowHalf = [half](double p) { return !(p > half); };
  const auto after = std::find_if(peak, power.end(), atOrBelowHalf);
  const auto before = std::find_if(std::make_reverse_iterator(peak), power.rend(), atOrBelowHalf);
  const auto crossing = [half](double inner, double outer) { return (inner - half) / (inner - outer); };
  double t2 = double(after - power.begin()) - 1.0, t1 = double(power.rend() - before);
  if (after != power.end())
    t2 += crossing(after[-1], *after);
  if (before != power.rend())
    t1 -= crossing(before[-1], *before);
  return (t2 - t1) * dt;
}
