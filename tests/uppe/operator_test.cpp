// The right-hand-side operators: half-complex arithmetic, propagation
// factors, coupling factor, Raman response and the nonlinear polarisation.

#include "uppe/uppeparams.h"
#include "uppetestsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

using uppetest::WorkingDirectoryTest;

constexpr double c = 299792458.0;
constexpr double twoPi = 6.283185307179586;

// Bins 0 .. n/2 of a grid of n samples spaced dt.
std::vector<double> binFrequencies(int n, double dt)
{
  std::vector<double> f(static_cast<std::size_t>(n / 2 + 1));
  for (std::size_t k = 0; k < f.size(); ++k)
    f[k] = double(k) / (double(n) * dt);
  return f;
}

// Complex spectrum (FFT order) of a half-complex vector.
std::vector<Complex> unpackHalfComplex(const double *x, int n)
{
  std::vector<Complex> out(static_cast<std::size_t>(n));
  out[0] = Complex(x[0], 0.0);
  for (int k = 1; k <= (n - 1) / 2; ++k) {
    out[std::size_t(k)] = Complex(x[k], x[n - k]);
    out[std::size_t(n - k)] = Complex(x[k], -x[n - k]);
  }
  if (n % 2 == 0)
    out[std::size_t(n / 2)] = Complex(x[n / 2], 0.0);
  return out;
}

class HalfComplexProduct : public ::testing::TestWithParam<int>
{
};

TEST_P(HalfComplexProduct, MatchesComplexArithmeticWithTheNyquistRule)
{
  const int n = GetParam();
  std::vector<double> x(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    x[std::size_t(i)] = 0.5 + i * 0.25 - (i % 3);
  std::vector<Complex> w(static_cast<std::size_t>(n / 2 + 1));
  for (std::size_t k = 0; k < w.size(); ++k)
    w[k] = Complex(1.0 + 0.1 * double(k), 0.3 - 0.2 * double(k));
  const std::vector<Complex> before = unpackHalfComplex(x.data(), n);
  UppeParams::multiplyHalfComplex(x.data(), w.data(), n);
  const std::vector<Complex> after = unpackHalfComplex(x.data(), n);
  EXPECT_DOUBLE_EQ(after[0].real(), before[0].real() * w[0].real()); // Im W_0 ignored
  for (int k = 1; k <= (n - 1) / 2; ++k) {
    const Complex expected = before[std::size_t(k)] * w[std::size_t(k)];
    EXPECT_NEAR(after[std::size_t(k)].real(), expected.real(), 1e-12) << k;
    EXPECT_NEAR(after[std::size_t(k)].imag(), expected.imag(), 1e-12) << k;
  }
  if (n % 2 == 0) {
    EXPECT_EQ(x[std::size_t(n / 2)], 0.0); // complex Nyquist factor: the bin becomes 0
  }
}

INSTANTIATE_TEST_SUITE_P(EvenAndOdd, HalfComplexProduct, ::testing::Values(8, 9, 16, 15));

TEST(HalfComplexNyquist, RealFactorScalesTheNyquistBin)
{
  std::vector<double> x = {1, 2, 3, 4, 5, 6};
  std::vector<Complex> w = {Complex(2, 0), Complex(1, 0), Complex(1, 0), Complex(-3, 0)};
  UppeParams::multiplyHalfComplex(x.data(), w.data(), 6);
  EXPECT_EQ(x[0], 2.0);
  EXPECT_EQ(x[3], -12.0);
}

class OperatorTest : public WorkingDirectoryTest
{
protected:
  static constexpr int n = 64;
  static constexpr double window = 640e-15;
  double dt() const { return window / (n - 1); }

  std::unique_ptr<UppeParams> make(const std::vector<Complex> &index, double a, double n2,
                                   double tau1 = 12.2e-15, double tau2 = 32e-15,
                                   double velocity = 2e8, bool dumps = false)
  {
    auto op = std::make_unique<UppeParams>(n, binFrequencies(n, dt()), index, dt(), velocity,
                                           tau1, tau2, a, n2, 0.0, window, dumps);
    op->createPlans();
    return op;
  }

  std::vector<double> someSpectrum() const
  {
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
      y[std::size_t(i)] = std::sin(0.3 * i) + 0.1 * i;
    return y;
  }
};

TEST_F(OperatorTest, LinearOperatorAndWavenumber)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 1e-4));
  auto op = make(index, 1.0, 0.0);
  const std::vector<double> f = binFrequencies(n, dt());
  for (std::size_t i = 0; i < f.size(); ++i) {
    const Complex k = twoPi / c * index[i] * f[i];
    EXPECT_NEAR(op->wavenumber()[i].real(), k.real(), 1e-9 * std::fabs(k.real()) + 1e-30);
    EXPECT_NEAR(op->linearOperator()[i].real(), -k.imag(), 1e-9 * std::fabs(k.imag()) + 1e-30);
    // L = -i (conj k - w / v): components oscillate as e^{+i w t}.
    EXPECT_NEAR(op->linearOperator()[i].imag(), -(k.real() - twoPi * f[i] / 2e8),
                1e-9 * std::fabs(k.real()) + 1e-20);
  }
}

TEST_F(OperatorTest, PropagationThereAndBackIsTheIdentity)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 1e-3));
  auto op = make(index, 1.0, 0.0);
  std::vector<double> y = someSpectrum();
  op->setState(y.data());
  op->setReferencePosition(1e-3);
  op->propagateField(3e-3);  // d = 2 mm
  EXPECT_EQ(op->propagationDistance(-3e-3), -2e-3);
  // The polarisation array takes the inverse factor: copy the field there.
  std::copy(op->field(), op->field() + n, op->polarisation());
  op->propagatePolarisation(-3e-3);
  y[std::size_t(n / 2)] = 0.0; // the complex Nyquist factor cleared that bin
  for (int i = 0; i < n; ++i)
    EXPECT_NEAR(op->polarisation()[i], y[std::size_t(i)], 1e-12) << i;
}

TEST_F(OperatorTest, LossDampsEveryBinByItsImaginaryIndex)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 1e-3));
  auto op = make(index, 1.0, 0.0);
  const std::vector<double> y = someSpectrum();
  op->setState(y.data());
  const double d = 1e-3;
  op->propagateField(d);
  const std::vector<Complex> before = unpackHalfComplex(y.data(), n);
  const std::vector<Complex> after = unpackHalfComplex(op->field(), n);
  const std::vector<double> f = binFrequencies(n, dt());
  for (int k = 1; k < n / 2; ++k) {
    const double decay = std::exp(-twoPi / c * 1e-3 * f[std::size_t(k)] * d);
    EXPECT_NEAR(std::abs(after[std::size_t(k)]), std::abs(before[std::size_t(k)]) * decay, 1e-12);
  }
}

TEST_F(OperatorTest, OverflowingFactorKeepsOnlyItsPhase)
{
  // exp(d Re L) overflows for a strongly absorbing index taken backwards.
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 1e9));
  auto op = make(index, 1.0, 0.0);
  const std::vector<double> y = someSpectrum();
  std::copy(y.begin(), y.end(), op->polarisation());
  op->setReferencePosition(1.0);
  op->propagatePolarisation(-2.0); // d = -1 m
  const std::vector<Complex> before = unpackHalfComplex(y.data(), n);
  const std::vector<Complex> after = unpackHalfComplex(op->polarisation(), n);
  for (int k = 1; k < n / 2; ++k) {
    EXPECT_TRUE(std::isfinite(after[std::size_t(k)].real())) << k;
    EXPECT_NEAR(std::abs(after[std::size_t(k)]), std::abs(before[std::size_t(k)]), 1e-9) << k;
  }
}

TEST_F(OperatorTest, CouplingFactorIsZeroAtDcAndWhereNotFinite)
{
  std::vector<Complex> index(n / 2 + 1, Complex(1.5, 0.0));
  index[3] = Complex(0.0, 0.0); // k = 0 away from DC
  auto op = make(index, 1.0, 0.0);
  const std::vector<double> f = binFrequencies(n, dt());
  EXPECT_EQ(op->couplingFactor()[0], Complex(0.0, 0.0));
  EXPECT_EQ(op->couplingFactor()[3], Complex(0.0, 0.0));
  // Elsewhere C = -i w^2 / (2 c^2 conj k) = -i 2 pi f / (2 c n).
  for (int k : {1, 2, 5, n / 2}) {
    const double expected = -twoPi * f[std::size_t(k)] / (2.0 * c * 1.5);
    EXPECT_NEAR(op->couplingFactor()[std::size_t(k)].real(), 0.0, 1e-20);
    EXPECT_NEAR(op->couplingFactor()[std::size_t(k)].imag(), expected, -1e-12 * expected);
  }
}

TEST_F(OperatorTest, RamanResponseIsNormalisedAndSampled)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 0.0));
  const double tau1 = 12.2e-15, tau2 = 32e-15;
  auto op = make(index, 0.0, 1.0, tau1, tau2);
  const std::vector<double> &h = op->ramanResponse();
  double sum = 0.0;
  for (double v : h)
    sum += v;
  EXPECT_NEAR(sum * dt(), 1.0, 1e-12);
  // Shape: sin(t/tau1) exp(-t/tau2), up to the normalisation.
  const double t5 = 5 * dt(), t9 = 9 * dt();
  EXPECT_NEAR(h[5] / h[9], std::sin(t5 / tau1) * std::exp(-t5 / tau2) / (std::sin(t9 / tau1) * std::exp(-t9 / tau2)), 1e-12);
  EXPECT_EQ(h[0], 0.0);
}

TEST_F(OperatorTest, UnusableRamanTimesGiveNoDelayedResponse)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 0.0));
  auto op = make(index, 0.5, 1.0, 0.0, 0.0);
  for (double v : op->ramanResponse())
    EXPECT_EQ(v, 0.0);
  std::vector<double> y = someSpectrum();
  op->setState(y.data());
  op->computeNonlinearPolarisation();
  for (int j = 0; j < n; ++j) {
    const double e = y[std::size_t(j)];
    EXPECT_TRUE(std::isfinite(op->polarisation()[j]));
    EXPECT_NEAR(op->polarisation()[j], 0.5 * e * e * e, 1e-12 * std::fabs(e * e * e) + 1e-15);
  }
}

TEST_F(OperatorTest, RamanTermIsTheCausalConvolution)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 0.0));
  const double n2 = 2.0, a = 0.3;
  auto op = make(index, a, n2);
  std::vector<double> e(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    e[std::size_t(j)] = std::exp(-0.01 * (j - 20) * (j - 20)) * std::cos(0.7 * j);
  op->setState(e.data());
  op->computeNonlinearPolarisation();
  const std::vector<double> &h = op->ramanResponse();
  for (int j = 0; j < n; ++j) {
    // Q_j = dt sum_l h_l E^2_{(j - l) mod n}
    double qj = 0.0;
    for (int l = 0; l < n; ++l) {
      const double x = e[std::size_t(((j - l) % n + n) % n)];
      qj += h[std::size_t(l)] * x * x;
    }
    qj *= dt();
    EXPECT_NEAR(op->convolution()[std::size_t(j)], qj, 1e-9 * (std::fabs(qj) + 1.0)) << j;
  }
  for (int j = 0; j < n; ++j) {
    const double x = e[std::size_t(j)];
    const double expected = n2 * ((1.0 - a) * x * op->convolution()[std::size_t(j)] + a * x * x * x);
    EXPECT_NEAR(op->polarisation()[j], expected, 1e-12) << j;
  }
}

TEST_F(OperatorTest, ResetClearsTheConvolutionAndReloadsTheField)
{
  const std::vector<Complex> index(n / 2 + 1, Complex(1.5, 0.0));
  auto op = make(index, 0.5, 1.0);
  std::vector<double> y = someSpectrum();
  op->setState(y.data());
  op->computeNonlinearPolarisation();
  std::vector<double> z(std::size_t(n), 0.25);
  op->resetWorkVectors(z.data());
  for (int j = 0; j < n; ++j) {
    EXPECT_EQ(op->convolution()[std::size_t(j)], 0.0);
    EXPECT_EQ(op->fieldState()[j], 0.25);
  }
}

// The general variant with fs = 0 on a real field reproduces the real one.
class GeneralOperatorTest : public OperatorTest, public ::testing::WithParamInterface<double>
{
};

TEST_P(GeneralOperatorTest, MatchesTheRealFormulation)
{
  const double df = 1.0 / (n * dt());
  const double shift = GetParam() * df; // a whole number of bins
  const Complex nIndex(1.5, 2e-3);
  const std::vector<Complex> realIndex(n / 2 + 1, nIndex);
  auto real = make(realIndex, 0.6, 3.0);

  // Physical frequency of every bin (FFT order) and its index, conjugated
  // for negative frequencies.
  std::vector<double> physical(static_cast<std::size_t>(n));
  std::vector<Complex> generalIndex(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double g = k <= n / 2 ? k * df : (k - n) * df;
    physical[std::size_t(k)] = g - shift;
    generalIndex[std::size_t(k)] = physical[std::size_t(k)] < 0 ? std::conj(nIndex) : nIndex;
  }
  UppeParamsGeneralTransforms general(n, physical, generalIndex, dt(), 2e8, 12.2e-15, 32e-15,
                                      0.6, 3.0, 0.0, shift, window, false);
  general.createPlans();

  // A band-limited real field (bins 1 .. 8): its products up to the cube stay
  // inside bins 24, where both formulations assign the same frequencies.
  std::vector<double> hc(static_cast<std::size_t>(n), 0.0);
  for (int k = 1; k <= 8; ++k) {
    hc[std::size_t(k)] = 40.0 * std::exp(-0.3 * (k - 4) * (k - 4)) * std::cos(0.7 * k);
    hc[std::size_t(n - k)] = 40.0 * std::exp(-0.3 * (k - 4) * (k - 4)) * std::sin(0.7 * k);
  }
  std::vector<Complex> spectrum = unpackHalfComplex(hc.data(), n);
  std::vector<double> packed(static_cast<std::size_t>(2 * n));
  const int s = int(std::lround(shift / df));
  for (int k = 0; k < n; ++k) {
    const Complex v = spectrum[std::size_t(((k - s) % n + n) % n)];
    packed[std::size_t(k)] = v.real();
    packed[std::size_t(n + k)] = v.imag();
  }

  const double z = 1e-3;
  real->setRhsState(hc.data());
  general.setRhsState(packed.data());
  for (UppeParams *op : {static_cast<UppeParams *>(real.get()), static_cast<UppeParams *>(&general)}) {
    op->propagateField(z);
    op->transformFieldInverse();
    op->computeNonlinearPolarisation();
    op->transformPolarisationForward();
    op->propagatePolarisation(-z);
    op->applyCoupling();
  }
  // Same time field.
  for (int j = 0; j < n; ++j)
    EXPECT_NEAR(general.field()[j], real->field()[j], 1e-12) << j;
  // Same right-hand side, bin by bin.
  const std::vector<Complex> r = unpackHalfComplex(real->polarisationResult(), n);
  const double *g = general.polarisationResult();
  double scale = 0.0;
  for (const Complex &v : r)
    scale = std::max(scale, std::abs(v));
  for (int k = 1; k < n / 2; ++k) {
    const int bin = ((k + s) % n + n) % n;
    EXPECT_NEAR(g[bin], r[std::size_t(k)].real(), 1e-9 * scale) << k;
    EXPECT_NEAR(g[n + bin], r[std::size_t(k)].imag(), 1e-9 * scale) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(ShiftInBins, GeneralOperatorTest, ::testing::Values(0.0, -5.0, 4.0));

} // namespace
