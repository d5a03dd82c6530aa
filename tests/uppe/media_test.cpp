// Refractive-index models: the scaled division, the Lorentz pole with its
// multiprecision square root, the Taylor series and the step index.

#include "uppe/refractiveindex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double c = 299792458.0;
constexpr double twoPi = 6.283185307179586;

TEST(SmithDivide, RealByComplex)
{
  const Complex q = smithDivide(2.0, Complex(1.0, 1.0));
  EXPECT_DOUBLE_EQ(q.real(), 1.0);
  EXPECT_DOUBLE_EQ(q.imag(), -1.0);
  const Complex r = smithDivide(3.0, Complex(4.0, 0.5)); // |Re| > |Im| branch
  const Complex expected = 3.0 / Complex(4.0, 0.5);
  EXPECT_NEAR(r.real(), expected.real(), 1e-15);
  EXPECT_NEAR(r.imag(), expected.imag(), 1e-15);
}

TEST(SmithDivide, ZeroOrNaNDenominatorGivesNaNInBothParts)
{
  for (const Complex d : {Complex(0.0, 0.0), Complex(std::nan(""), 1.0), Complex(1.0, std::nan(""))}) {
    const Complex q = smithDivide(1.0, d);
    EXPECT_TRUE(std::isnan(q.real()));
    EXPECT_TRUE(std::isnan(q.imag()));
  }
}

TEST(PermittivityRoot, ImaginaryPartSurvivesTinyLoss)
{
  // With doubles M - x cancels to 0; at 256 bits Im n = y / (2 n') survives.
  const Complex n = refractiveIndexFromPermittivity(Complex(2.25, 1e-20), true);
  EXPECT_DOUBLE_EQ(n.real(), 1.5);
  EXPECT_NEAR(n.imag(), 1e-20 / 3.0, 1e-30);
}

TEST(PermittivityRoot, ImaginaryPartNeverNegative)
{
  const Complex n = refractiveIndexFromPermittivity(Complex(2.25, -0.3), true);
  EXPECT_GT(n.imag(), 0.0);
  const Complex lossless = refractiveIndexFromPermittivity(Complex(2.25, -0.3), false);
  EXPECT_EQ(lossless.imag(), 0.0);
  EXPECT_DOUBLE_EQ(lossless.real(), n.real());
}

TEST(PermittivityRoot, NonFinitePermittivityGivesNaN)
{
  EXPECT_TRUE(std::isnan(refractiveIndexFromPermittivity(Complex(INFINITY, 0.0), true).real()));
}

struct LorentzCase
{
  double f;       // frequency (Hz)
  double gamma;   // damping (Hz)
  bool lossy;
  double re, im;  // expected index
};

class LorentzIndex : public ::testing::TestWithParam<LorentzCase>
{
};

TEST_P(LorentzIndex, MatchesThePole)
{
  const LorentzCase &p = GetParam();
  std::vector<Complex> out(1);
  lorentzRefractiveIndex(1, out, {p.f}, {1.0}, {1e15}, {p.gamma}, 2.0, 1.0, p.lossy);
  EXPECT_NEAR(out[0].real(), p.re, 1e-12);
  EXPECT_NEAR(out[0].imag(), p.im, 1e-12);
  if (!p.lossy) {
    EXPECT_EQ(out[0].imag(), 0.0);
  }
}

// eps = 1 + f0^2 / (f0^2 - f^2 + i gamma f) with f0 = 1e15 Hz.
INSTANTIATE_TEST_SUITE_P(
    BelowAndAboveResonance, LorentzIndex,
    ::testing::Values(
        // DC: eps = 2.
        LorentzCase{0.0, 0.0, true, std::sqrt(2.0), 0.0},
        // below resonance, lossless: eps = 1 + 1/(1 - 0.25) = 7/3, purely real.
        LorentzCase{0.5e15, 0.0, true, std::sqrt(7.0 / 3.0), 0.0},
        LorentzCase{0.5e15, 0.0, false, std::sqrt(7.0 / 3.0), 0.0},
        // above resonance: eps = 1 + 1/(1 - 1.21) < 0: imaginary when lossy, 0 otherwise.
        LorentzCase{1.1e15, 0.0, true, 0.0, std::sqrt(1.0 / 0.21 - 1.0)},
        LorentzCase{1.1e15, 0.0, false, 0.0, 0.0}));

TEST(LorentzIndexLoss, DampingGivesPositiveImaginaryPart)
{
  std::vector<Complex> out(2);
  lorentzRefractiveIndex(1, out, {0.9e15, 1.0e15}, {1.0}, {1e15}, {1e13}, 2.0, 1.0, true);
  for (const Complex &n : out)
    EXPECT_GT(n.imag(), 0.0);
  // At resonance eps = 1 + f0^2 / (i gamma f0) = 1 - 100 i.
  const std::complex<double> expected = std::sqrt(std::complex<double>(1.0, -100.0));
  EXPECT_NEAR(out[1].real(), std::fabs(expected.real()), 1e-10);
  EXPECT_NEAR(out[1].imag(), std::fabs(expected.imag()), 1e-10);
}

TEST(TaylorIndex, FirstOrderOnly)
{
  const double fr = 2e14, beta1 = 5e-9;
  const std::vector<double> f = {0.0, 1e14, 2e14, 3e14};
  const std::vector<Complex> n = taylorRefractiveIndex(f, fr, {beta1});
  EXPECT_EQ(n[0], Complex(0.0, 0.0)); // DC bin
  for (std::size_t k = 1; k < f.size(); ++k) {
    EXPECT_NEAR(n[k].real(), beta1 * c * (f[k] - fr) / f[k], 1e-12);
    EXPECT_EQ(n[k].imag(), 0.0);
  }
  EXPECT_EQ(n[2].real(), 0.0); // the reference frequency has beta = 0
}

TEST(TaylorIndex, SecondOrderAndSkippedZeroCoefficient)
{
  const double fr = 2e14, beta2 = 3e-26, beta3 = 1e-40;
  const std::vector<double> f = {1.5e14, 2.5e14};
  const std::vector<Complex> n = taylorRefractiveIndex(f, fr, {0.0, beta2, beta3});
  for (std::size_t k = 0; k < f.size(); ++k) {
    const double x = twoPi * (f[k] - fr);
    const double beta = beta2 * x * x / 2.0 + beta3 * x * x * x / 6.0;
    EXPECT_NEAR(n[k].real(), beta * c / (twoPi * f[k]), 1e-12 * std::fabs(beta * c / (twoPi * f[k])));
  }
}

TEST(TaylorIndex, HighOrdersUseTheExactFactorial)
{
  // Order 13 overflows a 32-bit factorial; 13! = 6227020800.
  std::vector<double> coefficients(13, 0.0);
  coefficients[12] = 1.0;
  const double f = 3e14, fr = 2e14;
  const std::vector<Complex> n = taylorRefractiveIndex({f}, fr, coefficients);
  const double x = twoPi * (f - fr);
  const double expected = std::pow(x, 13) / 6227020800.0 * c / (twoPi * f);
  EXPECT_NEAR(n[0].real() / expected, 1.0, 1e-12);
}

TEST(StepIndex, StepAtKAndClamping)
{
  const Complex low(1.4, 0.0), high(1.6, 0.01);
  const std::vector<Complex> n = stepRefractiveIndex(10, 3.5e12, 1e12, low, high);
  for (int k = 0; k < 10; ++k)
    EXPECT_EQ(n[std::size_t(k)], k < 3 ? low : high) << k;
  // K beyond the bins: every entry is low; a negative step: every entry high.
  for (const Complex &v : stepRefractiveIndex(5, 1e20, 1e12, low, high))
    EXPECT_EQ(v, low);
  for (const Complex &v : stepRefractiveIndex(5, -1.0, 1e12, low, high))
    EXPECT_EQ(v, high);
}

} // namespace
