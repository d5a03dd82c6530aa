#include "uppe/uppeparams.h"

#include "uppe/dumpfiles.h"
#include "input/physicalconstants.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>

namespace {

constexpr double twoPi = physconst::twoPi;
constexpr double c = physconst::speedOfLight;

inline bool isFinite(Complex z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

unsigned plannerFlags = FFTW_PATIENT;

} // namespace

unsigned uppePlannerFlags() { return plannerFlags; }
void setUppePlannerFlags(unsigned flags) { plannerFlags = flags; }

// --- UppeParams ---------------------------------------------------------------

UppeParams::UppeParams(int n, std::vector<double> frequenciesIn,
                       std::vector<Complex> refractiveIndex, double dt, double referenceVelocity,
                       double tau1, double tau2, double a, double n2, double z0,
                       double timeWindow, bool dumps)
    : n(n), referenceVelocity(referenceVelocity), ramanTau1(tau1), ramanTau2(tau2),
      instantaneousWeight(a), kerrCoefficient(n2), referencePosition(z0),
      timeWindow(timeWindow), dt(dt), dumps(dumps), frequencies(std::move(frequenciesIn)),
      e(n), p(n), response(n), squared(n), convolutionBuffer(n)
{
  // Coefficients exist for every frequency that has an index.
  coefficientCount = int(std::min(frequencies.size(), refractiveIndex.size()));
  frequencies.resize(std::size_t(coefficientCount));
  q.assign(std::size_t(n), 0.0);
  factors.assign(std::size_t(coefficientCount), Complex(1.0, 0.0));
  phases.assign(std::size_t(coefficientCount), Complex(1.0, 0.0));
  computeLinearOperator(refractiveIndex);
  computeCoupling();
  prepareRamanResponse(tau1, tau2);
  if (dumps)
    dumpWholeVector("FrequencyVector", frequencies);
  ramanActive = (1.0 - instantaneousWeight) != 0.0 || dumps;
}

void UppeParams::computeLinearOperator(const std::vector<Complex> &refractiveIndex)
{
  const std::size_t count = std::size_t(coefficientCount);
  k.resize(count);
  frameWavenumber.resize(count);
  linear.resize(count);
  const double frameFactor = twoPi / referenceVelocity;
  for (std::size_t i = 0; i < count; ++i) {
    k[i] = (twoPi / c) * refractiveIndex[i] * frequencies[i];
    frameWavenumber[i] = frameFactor * frequencies[i];
    // Spectral components oscillate as e^{+i w t} (FFTW's forward transform
    // has the kernel e^{-i w t}): a mode travelling towards +z advances as
    // e^{-i (k - w / v) z}, that is L = -i (conj k - w / v).
    linear[i] = Complex(-k[i].imag(), -(k[i].real() - frameWavenumber[i]));
    // A bin without a finite wavenumber (an index that is not a number) is
    // left alone by the propagation rather than turning the spectrum into NaN.
    if (!isFinite(linear[i]))
      linear[i] = Complex(0.0, 0.0);
    if (linear[i].real() != 0.0)
      lossless = false;
  }
}

void UppeParams::computeCoupling()
{
  // Coupling factor -i 4 pi^2 f^2 / (2 c^2 conj k), the conjugate of
  // i w^2 / (2 c^2 k) for the same time convention.
  const std::size_t count = std::size_t(coefficientCount);
  coupling.resize(count);
  const double c0 = twoPi * twoPi / (2.0 * c * c);
  for (std::size_t i = 0; i < count; ++i) {
    const Complex s = smithDivide(frequencies[i] * frequencies[i], k[i]);
    coupling[i] = Complex(-c0 * s.imag(), -c0 * s.real());
  }
  if (dumps)
    dumpComplexVector("couplingFactor", coupling, 0.0);
  // The zero-frequency bin does not couple; neither does a bin whose factor is
  // not finite (k = 0 where the index vanishes), which would otherwise make
  // every right-hand side NaN.
  for (std::size_t i = 0; i < count; ++i)
    if (frequencies[i] == 0.0 || !isFinite(coupling[i]))
      coupling[i] = Complex(0.0, 0.0);
}

void UppeParams::prepareRamanResponse(double tau1, double tau2)
{
  // Plans first (patient planning overwrites the arrays).
  const FftwPlan forwardResponse = realPlan(n, response, FFTW_R2HC, plannerFlags);
  forwardSquared = realPlan(n, squared, FFTW_R2HC, plannerFlags);
  inverseConvolution = realPlan(n, convolutionBuffer, FFTW_HC2R, plannerFlags);

  std::vector<double> times(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    times[std::size_t(j)] = n > 1 ? double(j) * timeWindow / double(n - 1) : 0.0;
  // Without usable Raman times the delayed response is 0.
  responseTime.assign(std::size_t(n), 0.0);
  const bool tausUsable = tau1 > 0.0 && tau2 > 0.0 && std::isfinite(tau1) && std::isfinite(tau2);
  if (tausUsable) {
    double sum = 0.0;
    for (int j = 0; j < n; ++j) {
      const double t = times[std::size_t(j)];
      responseTime[std::size_t(j)] = std::sin(t / tau1) * std::exp(-t / tau2);
      sum += responseTime[std::size_t(j)];
    }
    // Normalised on the grid (dt sum h = 1, in place of the continuous
    // amplitude (tau1^2 + tau2^2) / (tau1 tau2^2)), so that a constant
    // intensity gives the same delayed as instantaneous response.
    const double norm = sum * dt;
    for (double &h : responseTime)
      h = norm != 0.0 && std::isfinite(norm) ? h / norm : 0.0;
  }
  if (dumps)
    dumpPairs("vRamanResponseTime", times, responseTime.data(), n, 0.0);
  std::copy(responseTime.begin(), responseTime.end(), response.get());
  forwardResponse.execute();
  for (int j = 0; j < n; ++j)
    response[j] *= dt;
}

void UppeParams::createPlans()
{
  forwardPolarisation = realPlan(n, p, FFTW_R2HC, plannerFlags);
  inverseField = realPlan(n, e, FFTW_HC2R, plannerFlags);
}

double *UppeParams::polarisationResult() { return p; }
double *UppeParams::fieldState() { return e; }
void UppeParams::setState(const double *y) { std::memcpy(e, y, sizeof(double) * std::size_t(n)); }
void UppeParams::setRhsState(const double *y) { setState(y); }
int UppeParams::stateDimension() const { return n; }

void UppeParams::transformPolarisationForward() { forwardPolarisation.execute(); }

void UppeParams::transformFieldInverse()
{
  inverseField.execute();
  const double len = double(n);
  for (int j = 0; j < n; ++j)
    e[j] /= len;
}

void UppeParams::multiplyHalfComplex(double *x, const Complex *w, int len)
{
  x[0] *= w[0].real();
  if (len % 2 == 0) {
    const Complex &nyquist = w[len / 2];
    x[len / 2] = nyquist.imag() == 0.0 ? x[len / 2] * nyquist.real() : 0.0;
  }
  const int last = (len - 1) / 2;
  for (int i = 1; i <= last; ++i) {
    const double xr = x[i];
    const double xi = x[len - i];
    const double wr = w[i].real();
    const double wi = w[i].imag();
    x[i] = xr * wr - xi * wi;
    x[len - i] = xr * wi + xi * wr;
  }
}

void UppeParams::applyCoupling() { multiplyHalfComplex(p, coupling.data(), n); }

void UppeParams::computeFactors(double d)
{
  const std::size_t count = std::size_t(coefficientCount);
  for (std::size_t i = 0; i < count; ++i) {
    const double theta = d * linear[i].imag();
    phases[i] = Complex(std::cos(theta), std::sin(theta));
  }
  factorDistance = d;
  factorsValid = true;
  if (lossless) {
    std::copy(phases.begin(), phases.end(), factors.begin());
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const double g = std::exp(d * linear[i].real());
    factors[i] = Complex(g * phases[i].real(), g * phases[i].imag());
  }
}

void UppeParams::computeInverseFactors()
{
  // exp(-d L): the phase is the conjugate of the one for d (cos is even and
  // sin odd, so this equals the direct evaluation bit for bit).
  const std::size_t count = std::size_t(coefficientCount);
  const double d = -factorDistance;
  for (std::size_t i = 0; i < count; ++i)
    phases[i] = std::conj(phases[i]);
  factorDistance = d;
  if (lossless) {
    std::copy(phases.begin(), phases.end(), factors.begin());
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const double g = std::exp(d * linear[i].real());
    factors[i] = Complex(g * phases[i].real(), g * phases[i].imag());
  }
}

void UppeParams::propagateField(double s)
{
  const double d = propagationDistance(s);
  if (d == 0.0)
    return;
  computeFactors(d);
  // An overflowing amplitude keeps only its phase (bin 0 is exempt).
  if (!lossless)
    for (std::size_t i = 1; i < factors.size(); ++i)
      if (!isFinite(factors[i]))
        factors[i] = phases[i];
  multiplyHalfComplex(e, factors.data(), n);
}

void UppeParams::propagatePolarisation(double s)
{
  const double d = propagationDistance(s);
  if (d == 0.0)
    return;
  if (factorsValid && d == -factorDistance)
    computeInverseFactors();
  else
    computeFactors(d);
  if (!lossless)
    for (std::size_t i = 1; i < factors.size(); ++i)
      if (!isFinite(factors[i]))
        factors[i] = phases[i];
  multiplyHalfComplex(p, factors.data(), n);
}

void UppeParams::setGuidedOperators(std::vector<Complex> linearOperator, std::vector<Complex> couplingFactor)
{
  linearOperator.resize(std::size_t(coefficientCount), Complex(0.0, 0.0));
  couplingFactor.resize(std::size_t(coefficientCount), Complex(0.0, 0.0));
  linear = std::move(linearOperator);
  coupling = std::move(couplingFactor);
  lossless = true;
  for (const Complex &l : linear)
    if (l.real() != 0.0)
      lossless = false;
  factorsValid = false;
}

void UppeParams::computeNonlinearPolarisation()
{
  if (ramanActive) {
    for (int j = 0; j < n; ++j)
      squared[j] = e[j] * e[j];
    forwardSquared.execute();
    convolutionBuffer[0] = response[0] * squared[0];
    if (n % 2 == 0)
      convolutionBuffer[n / 2] = response[n / 2] * squared[n / 2];
    const int last = (n - 1) / 2;
    for (int i = 1; i <= last; ++i) {
      const double hr = response[i], hi = response[n - i];
      const double sr = squared[i], si = squared[n - i];
      convolutionBuffer[i] = hr * sr - hi * si;
      convolutionBuffer[n - i] = hr * si + hi * sr;
    }
    inverseConvolution.execute();
    const double len = double(n);
    for (int j = 0; j < n; ++j)
      q[std::size_t(j)] = convolutionBuffer[j] / len;
    if (dumps)
      dumpVector("Qimag", q, n, 0.0);
  }
  // Causal response: Q_j = dt sum_m h_m E^2_{j-m} (circular, like the window).
  const double a = instantaneousWeight;
  const double delayed = 1.0 - a;
  const double n2 = kerrCoefficient;
  for (int j = 0; j < n; ++j) {
    const double x = e[j];
    p[j] = n2 * (delayed * x * q[std::size_t(j)] + a * x * x * x);
  }
}

void UppeParams::resetWorkVectors(const double *y)
{
  setState(y);
  std::fill(q.begin(), q.end(), 0.0);
  std::fill(factors.begin(), factors.end(), Complex(0.0, 0.0));
  factorsValid = false;
}

// --- UppeParamsGeneralTransforms ------------------------------------------------

UppeParamsGeneralTransforms::UppeParamsGeneralTransforms(
    int n, std::vector<double> frequencies, std::vector<Complex> refractiveIndex, double dt,
    double referenceVelocity, double tau1, double tau2, double a, double n2, double z0,
    double frequencyShift, double timeWindow, bool dumps)
    : UppeParams(n, std::move(frequencies), std::move(refractiveIndex), dt, referenceVelocity,
                 tau1, tau2, a, n2, z0, timeWindow, dumps),
      frequencyShift(frequencyShift), generalDimension(2 * n), fieldSpectrum(n),
      polarisationSpectrum(n), packedField(2 * n), packedPolarisation(2 * n)
{
  shiftUp.resize(std::size_t(n));
  shiftDown.resize(std::size_t(n));
  for (int j = 0; j < n; ++j) {
    const double phase = twoPi * frequencyShift * dt * double(j);
    shiftUp[std::size_t(j)] = Complex(std::cos(phase), std::sin(phase));
    shiftDown[std::size_t(j)] = Complex(std::cos(phase), -std::sin(phase));
  }
}

void UppeParamsGeneralTransforms::createPlans()
{
  forwardComplex = complexPlan(n, polarisationSpectrum, FFTW_FORWARD, plannerFlags);
  inverseComplex = complexPlan(n, fieldSpectrum, FFTW_BACKWARD, plannerFlags);
}

double *UppeParamsGeneralTransforms::polarisationResult()
{
  for (int j = 0; j < n; ++j) {
    packedPolarisation[j] = polarisationSpectrum[j][0];
    packedPolarisation[n + j] = polarisationSpectrum[j][1];
  }
  return packedPolarisation;
}

double *UppeParamsGeneralTransforms::fieldState()
{
  for (int j = 0; j < n; ++j) {
    packedField[j] = fieldSpectrum[j][0];
    packedField[n + j] = fieldSpectrum[j][1];
  }
  return packedField;
}

void UppeParamsGeneralTransforms::setState(const double *y)
{
  for (int j = 0; j < n; ++j) {
    fieldSpectrum[j][0] = y[j];
    fieldSpectrum[j][1] = y[n + j];
  }
}

void UppeParamsGeneralTransforms::setRhsState(const double *y) { setState(y); }

void UppeParamsGeneralTransforms::transformPolarisationForward()
{
  for (int j = 0; j < n; ++j) {
    const Complex &s = shiftUp[std::size_t(j)];
    polarisationSpectrum[j][0] = p[j] * s.real();
    polarisationSpectrum[j][1] = p[j] * s.imag();
  }
  forwardComplex.execute();
}

void UppeParamsGeneralTransforms::transformFieldInverse()
{
  inverseComplex.execute();
  const double len = double(n);
  if (frequencyShift == 0.0) {
    for (int j = 0; j < n; ++j) {
      fieldSpectrum[j][0] /= len;
      e[j] = fieldSpectrum[j][0];
    }
    return;
  }
  for (int j = 0; j < n; ++j) {
    const double re = fieldSpectrum[j][0] / len;
    const double im = fieldSpectrum[j][1] / len;
    fieldSpectrum[j][0] = re;
    fieldSpectrum[j][1] = im;
    const Complex &s = shiftDown[std::size_t(j)];
    e[j] = re * s.real() - im * s.imag();
  }
}

void UppeParamsGeneralTransforms::multiplyComplex(fftw_complex *x, const Complex *w)
{
  const int count = std::min(n, coefficientCount);
  for (int j = 0; j < count; ++j) {
    const double xr = x[j][0], xi = x[j][1];
    const double wr = w[j].real(), wi = w[j].imag();
    x[j][0] = xr * wr - xi * wi;
    x[j][1] = xr * wi + xi * wr;
  }
}

void UppeParamsGeneralTransforms::applyCoupling()
{
  multiplyComplex(polarisationSpectrum, coupling.data());
}

void UppeParamsGeneralTransforms::reportSmallFactors() const
{
  // One notice per call when a factor (other than an exact identity of a bin
  // without propagation) has a part below the smallest normal double.
  for (std::size_t i = 1; i < factors.size(); ++i) {
    if (linear[i] == Complex(0.0, 0.0))
      continue;
    if (std::fabs(factors[i].real()) < smallNumber || std::fabs(factors[i].imag()) < smallNumber) {
      std::cout << "Small number encountered" << std::flush;
      return;
    }
  }
}

void UppeParamsGeneralTransforms::propagateField(double s)
{
  const double d = propagationDistance(s);
  if (d == 0.0)
    return;
  computeFactors(d);
  reportSmallFactors();
  multiplyComplex(fieldSpectrum, factors.data());
}

void UppeParamsGeneralTransforms::propagatePolarisation(double s)
{
  const double d = propagationDistance(s);
  if (d == 0.0)
    return;
  if (factorsValid && d == -factorDistance)
    computeInverseFactors();
  else
    computeFactors(d);
  reportSmallFactors();
  multiplyComplex(polarisationSpectrum, factors.data());
}
