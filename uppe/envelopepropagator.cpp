#include "uppe/envelopepropagator.h"

#include "input/physicalconstants.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

inline Complex get(const fftw_complex *x, int k) { return Complex(x[k][0], x[k][1]); }
inline void put(fftw_complex *x, int k, Complex v)
{
  x[k][0] = v.real();
  x[k][1] = v.imag();
}

// Squared 2-norm of a complex array.
double normSquared(const fftw_complex *x, int n)
{
  double sum = 0.0;
  for (int k = 0; k < n; ++k)
    sum += x[k][0] * x[k][0] + x[k][1] * x[k][1];
  return sum;
}

} // namespace

EnvelopePropagator::EnvelopePropagator(const Settings &s, const std::vector<Complex> &initialField)
    : n(s.n), h(s.firstStep), tolerance(s.tolerance), fixedStep(s.fixedStep),
      ramanFraction(s.ramanFraction), a(n), ai(n), k1(n), k2(n), k3(n), k4(n), k5(n), next(n),
      work(n), trial(n), intensity(n), raman(n), intensitySpectrum(n / 2 + 1)
{
  // Plans first: planning may overwrite the arrays.
  forward = complexPlan(n, work, FFTW_FORWARD, s.plannerFlags);
  backward = complexPlan(n, work, FFTW_BACKWARD, s.plannerFlags);
  forwardIntensity = FftwPlan(fftw_plan_dft_r2c_1d(n, intensity, intensitySpectrum, s.plannerFlags));
  backwardRaman = FftwPlan(fftw_plan_dft_c2r_1d(n, intensitySpectrum, raman, s.plannerFlags));

  const double dOmega = physconst::twoPi / (double(n) * s.dt);
  const double w0 = physconst::twoPi * s.referenceFrequency;
  linear.resize(std::size_t(n));
  coupling.resize(std::size_t(n));
  factor.assign(std::size_t(n), Complex(1.0, 0.0));
  for (int k = 0; k < n; ++k) {
    const double w = double(k <= (n - 1) / 2 ? k : k - n) * dOmega;
    linear[std::size_t(k)] = Complex(-0.5 * s.alpha, -s.dispersion[std::size_t(k)]);
    // Self-steepening: the coupling grows with the absolute frequency; bins
    // at or below zero absolute frequency carry no light.
    coupling[std::size_t(k)] = w0 + w > 0.0 ? Complex(0.0, -s.gamma * (w0 + w) / w0) : Complex(0.0, 0.0);
  }

  // Causal Raman response on the first half of the window (no wrap-round),
  // normalised to dt sum h = 1; its spectrum carries dt/n for the convolution.
  // The reader takes positive Raman times only.
  response.assign(std::size_t(n), 0.0);
  ramanSpectrum.assign(std::size_t(n / 2 + 1), Complex(0.0, 0.0));
  if (ramanFraction > 0.0) {
    double sum = 0.0;
    for (int j = 0; j < n / 2; ++j) {
      const double t = double(j) * s.dt;
      response[std::size_t(j)] = std::exp(-t / s.tau2) * std::sin(t / s.tau1);
      sum += response[std::size_t(j)];
    }
    for (double &v : response)
      v /= sum * s.dt;
    std::copy(response.begin(), response.end(), intensity.get());
    forwardIntensity.execute();
    for (int k = 0; k <= n / 2; ++k)
      ramanSpectrum[std::size_t(k)] = get(intensitySpectrum, k) * (s.dt / double(n));
  }

  for (int j = 0; j < n; ++j)
    put(work, j, j < int(initialField.size()) ? initialField[std::size_t(j)] : Complex(0.0, 0.0));
  forward.execute();
  std::memcpy(a, work, sizeof(fftw_complex) * std::size_t(n));
}

void EnvelopePropagator::field(std::vector<Complex> &out)
{
  out.resize(std::size_t(n));
  std::memcpy(work, a, sizeof(fftw_complex) * std::size_t(n));
  backward.execute();
  const double scale = 1.0 / double(n);
  for (int j = 0; j < n; ++j)
    out[std::size_t(j)] = get(work, j) * scale;
}

void EnvelopePropagator::nonlinear(const fftw_complex *in, fftw_complex *out)
{
  ++nonlinearEvaluations;
  std::memcpy(work, in, sizeof(fftw_complex) * std::size_t(n));
  backward.execute();
  const double scale = 1.0 / double(n);
  const double scale2 = scale * scale;
  for (int j = 0; j < n; ++j)
    intensity[j] = (work[j][0] * work[j][0] + work[j][1] * work[j][1]) * scale2;
  const double fr = ramanFraction;
  if (fr > 0.0) {
    forwardIntensity.execute();
    for (int k = 0; k <= n / 2; ++k)
      put(intensitySpectrum, k, get(intensitySpectrum, k) * ramanSpectrum[std::size_t(k)]);
    backwardRaman.execute();
    for (int j = 0; j < n; ++j) {
      const double w = ((1.0 - fr) * intensity[j] + fr * raman[j]) * scale;
      work[j][0] *= w;
      work[j][1] *= w;
    }
  } else {
    for (int j = 0; j < n; ++j) {
      const double w = intensity[j] * scale;
      work[j][0] *= w;
      work[j][1] *= w;
    }
  }
  forward.execute();
  for (int k = 0; k < n; ++k)
    put(out, k, get(work, k) * coupling[std::size_t(k)]);
}

void EnvelopePropagator::halfStepFactors(double step)
{
  if (step == factorStep)
    return;
  factorStep = step;
  const double half = 0.5 * step;
  for (int k = 0; k < n; ++k)
    factor[std::size_t(k)] = std::exp(linear[std::size_t(k)] * half);
}

bool EnvelopePropagator::step(double target, double limit)
{
  if (!haveLast) {
    nonlinear(a, k5);
    haveLast = true;
  }
  double s = fixedStep ? limit : std::min(h, limit);
  s = std::min(s, target - z);
  if (!(s > 0.0))
    return false;
  halfStepFactors(s);
  const Complex *f = factor.data();
  for (int k = 0; k < n; ++k) {
    const Complex x = f[k] * get(a, k);
    put(ai, k, x);
    const Complex d1 = f[k] * get(k5, k);
    put(k1, k, d1);
    put(trial, k, x + 0.5 * s * d1);
  }
  nonlinear(trial, k2);
  for (int k = 0; k < n; ++k)
    put(trial, k, get(ai, k) + 0.5 * s * get(k2, k));
  nonlinear(trial, k3);
  for (int k = 0; k < n; ++k)
    put(trial, k, f[k] * (get(ai, k) + s * get(k3, k)));
  nonlinear(trial, k4);
  const double sixth = s / 6.0;
  for (int k = 0; k < n; ++k) {
    const Complex b = f[k] * (get(ai, k) + sixth * (get(k1, k) + 2.0 * get(k2, k) + 2.0 * get(k3, k)));
    put(next, k, b + sixth * get(k4, k));
  }
  // k1 now receives N at the end of the step (the next step's first stage).
  nonlinear(next, k1);
  // Fourth minus embedded third-order solution: s/10 (k4 - k5).
  double difference = 0.0;
  for (int k = 0; k < n; ++k) {
    const double re = k4[k][0] - k1[k][0], im = k4[k][1] - k1[k][1];
    difference += re * re + im * im;
  }
  const double size = normSquared(next, n);
  error = size > 0.0 ? 0.1 * s * std::sqrt(difference / size) : 0.1 * s * std::sqrt(difference);
  if (!std::isfinite(error) || !std::isfinite(size)) {
    ++refused;
    h = 0.5 * s;
    return false;
  }
  if (!fixedStep && error > tolerance) {
    ++refused;
    h = s * std::clamp(0.9 * std::pow(tolerance / error, 0.25), 0.2, 0.9);
    return false;
  }
  std::swap(a, next);
  std::swap(k5, k1);
  z += s;
  ++accepted;
  if (!fixedStep) {
    // An error of 0 (a linear step) gives the largest growth.
    const double grow = std::clamp(0.9 * std::pow(tolerance / error, 0.25), 0.2, 2.0);
    // A step shortened to meet a target does not shrink the next one.
    h = s < h ? std::max(h, s * grow) : s * grow;
  }
  return true;
}
