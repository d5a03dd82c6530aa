// The right-hand-side operators on tiny grids (loss, the causal Raman
// convolution, the envelope's self-steepening) and the refractive-index models.

#include "uppetestsupport.h"

#include "uppe/envelopepropagator.h"

#include <gtest/gtest.h>

namespace {

constexpr double c = 299792458.0;
constexpr double twoPi = 6.283185307179586;
constexpr int n = 64;
constexpr double window = 640e-15, dt = window / (n - 1);

std::unique_ptr<UppeParams> makeOperator(Complex index, double a, double n2)
{
  setUppePlannerFlags(FFTW_ESTIMATE);
  std::vector<double> f(n / 2 + 1);
  for (std::size_t k = 0; k < f.size(); ++k)
    f[k] = double(k) / (n * dt);
  auto op = std::make_unique<UppeParams>(n, f, std::vector<Complex>(f.size(), index), dt, 2e8, 12.2e-15,
                                         32e-15, a, n2, 0.0, window, false);
  op->createPlans();
  return op;
}

// Loss damps every bin of the field and the polarisation by its imaginary
// index; a gain whose amplification overflows (from bin 1 on, Im n = -30)
// leaves the bins their magnitudes, the factor keeping only its phase.
TEST(Operator, LossDampsEveryBinByItsImaginaryIndex)
{
  std::vector<double> y(n);
  for (int i = 0; i < n; ++i)
    y[std::size_t(i)] = std::sin(0.3 * i) + 0.1 * i;
  for (const double imaginary : {1e-3, -30.0}) {
    auto op = makeOperator(Complex(1.5, imaginary), 1.0, 0.0);
    op->setState(y.data());
    std::copy(y.begin(), y.end(), op->polarisation());
    op->propagateField(1e-3);
    op->propagatePolarisation(1e-3);
    for (const double *x : {op->field(), op->polarisation()}) {
      for (int k = 1; k < n / 2; ++k) // |X_k| of the half-complex bins
        EXPECT_NEAR(std::hypot(x[k], x[n - k]), std::hypot(y[std::size_t(k)], y[std::size_t(n - k)]) *
                        std::exp(-twoPi / c * std::max(imaginary, 0.0) * double(k) / (n * dt) * 1e-3), 1e-12) << k;
      EXPECT_EQ(x[n / 2], 0.0); // a real Nyquist bin cannot take its factor's phase: dropped
    }
  }
  // The general formulation's polarisation takes the factors of its own
  // distance after the field's, not their inverse.
  std::vector<double> f(n);
  for (int k = 0; k < n; ++k)
    f[std::size_t(k)] = double(k) / (n * dt);
  UppeParamsGeneralTransforms g(n, f, std::vector<Complex>(n, Complex(1.5, 1e-3)), dt, 2e8, 12.2e-15, 32e-15, 1.0,
                                0.0, 0.0, 0.0, window, false);
  g.createPlans();
  std::copy(y.begin(), y.end(), g.polarisation());
  g.transformPolarisationForward();
  const std::vector<double> before(g.polarisationResult(), g.polarisationResult() + 2 * n);
  g.propagateField(1e-3);
  g.propagatePolarisation(1e-3);
  const double *after = g.polarisationResult();
  for (int k = 1; k < n; ++k)
    EXPECT_NEAR(std::hypot(after[k], after[n + k]) / std::hypot(before[std::size_t(k)], before[std::size_t(n + k)]),
                std::exp(-twoPi / c * 1e-3 * f[std::size_t(k)] * 1e-3), 1e-12) << k;
}

// P = n2 ((1 - a) E Q + a E^3), Q_j = dt sum_l h_l E^2_{(j - l) mod n},
// h = sin(t / tau1) exp(-t / tau2) normalised to dt sum h = 1.
TEST(Operator, RamanTermIsTheCausalConvolution)
{
  const double n2 = 2.0, a = 0.3;
  auto op = makeOperator(Complex(1.5, 0.0), a, n2);
  const std::vector<double> &h = op->ramanResponse();
  double sum = 0.0;
  for (double v : h)
    sum += v;
  EXPECT_NEAR(sum * dt, 1.0, 1e-12);
  EXPECT_NEAR(h[5] / h[9], std::sin(5 * dt / 12.2e-15) * std::exp(-5 * dt / 32e-15) /
                               (std::sin(9 * dt / 12.2e-15) * std::exp(-9 * dt / 32e-15)), 1e-12);
  std::vector<double> e(n);
  for (int j = 0; j < n; ++j)
    e[std::size_t(j)] = std::exp(-0.01 * (j - 20) * (j - 20)) * std::cos(0.7 * j);
  op->setState(e.data());
  op->computeNonlinearPolarisation();
  for (int j = 0; j < n; ++j) {
    double q = 0.0;
    for (int l = 0; l < n; ++l)
      q += h[std::size_t(l)] * std::pow(e[std::size_t(((j - l) % n + n) % n)], 2);
    const double x = e[std::size_t(j)];
    EXPECT_NEAR(op->polarisation()[j], n2 * ((1.0 - a) * x * q * dt + a * x * x * x), 1e-9) << j;
  }
}

// eps = 1 + f0^2 / (f0^2 - f^2 + i gamma f), f0 = 1e15 Hz; n = sqrt(eps), Im n >= 0.
TEST(RefractiveIndex, LorentzPole)
{
  const auto lossyIndex = [](double f, double gamma) {
    const Complex root = std::sqrt(1.0 + 1e30 / Complex(1e30 - f * f, gamma * f));
    return Complex(std::abs(root.real()), std::abs(root.imag()));
  };
  const struct
  {
    double f, gamma;
    bool lossy;
    Complex n;
  } cases[] = {{0.0, 0.0, true, {std::sqrt(2.0), 0.0}},
               {0.5e15, 0.0, false, {std::sqrt(7.0 / 3.0), 0.0}},
               {1.1e15, 0.0, true, {0.0, std::sqrt(1.0 / 0.21 - 1.0)}},
               {1.1e15, 0.0, false, {0.0, 0.0}},
               // Damped, below resonance: the denominator's imaginary part is the larger, then the smaller.
               {0.99e15, 1e14, true, lossyIndex(0.99e15, 1e14)},
               {0.5e15, 1e14, true, lossyIndex(0.5e15, 1e14)}};
  for (const auto &p : cases) {
    std::vector<Complex> out(1);
    lorentzRefractiveIndex(1, out, {p.f}, {1.0}, {1e15}, {p.gamma}, 2.0, 1.0, p.lossy);
    EXPECT_NEAR(std::abs(out[0] - p.n), 0.0, 1e-10) << p.f;
  }
  // At 256 bits the imaginary part of a nearly lossless root survives.
  EXPECT_NEAR(refractiveIndexFromPermittivity(Complex(2.25, 1e-20), true).imag(), 1e-20 / 3.0, 1e-30);

}

// The envelope model's nonlinearity on a tone of 1 W: its phase turns by
// gamma (1 + W / w0) z, the self-steepening factor of its absolute frequency,
// on either side of the carrier and beyond a third of the window.
TEST(Operator, SelfSteepeningScalesATonesPhaseByItsAbsoluteFrequency)
{
  EnvelopePropagator::Settings s;
  s.n = 64, s.dt = 1e-15, s.referenceFrequency = 300e12, s.gamma = 0.01, s.fixedStep = true, s.firstStep = 1.0;
  s.dispersion.assign(64, 0.0), s.plannerFlags = FFTW_ESTIMATE;
  for (int k : {3, 25, 61}) {
    std::vector<Complex> tone(64), out;
    for (int j = 0; j < 64; ++j)
      tone[std::size_t(j)] = std::polar(1.0, twoPi * k * j / 64.0);
    EnvelopePropagator p(s, tone);
    while (p.position() < 10.0)
      p.step(10.0, 1.0);
    p.field(out);
    const double w = (k < 32 ? k : k - 64) * twoPi / (64 * s.dt);
    EXPECT_NEAR(std::abs(std::arg(out[5] / tone[5])), 0.1 * (1.0 + w / (twoPi * 300e12)), 1e-7) << k;
  }
}

} // namespace
