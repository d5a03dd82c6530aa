#include "postprocessing/fourierpostprocessing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace {
using Fourier = FourierPostprocessing<int, double>;
using FourierList = FourierPostprocessingFreqList<int, double>;

// The running sum evaluated term by term.
std::vector<std::complex<double>> directSpectrum(const std::vector<double> &samples,
                                                 const std::vector<double> &frequencies,
                                                 double angularStep)
{
  std::vector<std::complex<double>> s(frequencies.size());
  for (size_t k = 0; k < frequencies.size(); ++k)
    for (size_t n = 0; n < samples.size(); ++n) {
      const double theta = angularStep * frequencies[k] * static_cast<double>(n);
      s[k] += samples[n] * std::complex<double>(std::cos(theta), std::sin(theta));
    }
  return s;
}

void expectMatchesDirect(const Fourier &f, const std::vector<double> &samples)
{
  std::vector<double> freqs(static_cast<size_t>(f.pointCount()));
  for (int k = 0; k < f.pointCount(); ++k)
    freqs[static_cast<size_t>(k)] = f.frequency(k);
  const auto direct = directSpectrum(samples, freqs, f.angularStep());
  double largest = 0;
  for (const auto &v : direct)
    largest = std::max(largest, std::abs(v));
  const auto &s = f.spectrum();
  const auto &mag = f.magnitudes();
  const auto &ph = f.phases();
  ASSERT_EQ(s.size(), direct.size());
  for (size_t k = 0; k < direct.size(); ++k) {
    EXPECT_LE(std::abs(s[k] - direct[k]), 1e-9 * largest) << "point " << k;
    EXPECT_NEAR(mag[k], 20 * std::log10(std::hypot(s[k].real(), s[k].imag())), 1e-12);
    EXPECT_DOUBLE_EQ(ph[k], std::atan2(s[k].imag(), s[k].real()));
  }
}
} // namespace

struct GridCount
{
  double start, step, end;
  int points;
  double last;
};

class FourierGrid : public ::testing::TestWithParam<GridCount>
{
};

TEST_P(FourierGrid, PointCountAndLastPoint)
{
  const GridCount g = GetParam();
  Fourier f("f", 0, 1, INT_MAX, g.start, g.step, g.end, 1e-15, 12);
  ASSERT_EQ(f.pointCount(), g.points);
  EXPECT_DOUBLE_EQ(f.frequency(g.points - 1), g.last);
  EXPECT_EQ(f.magnitudes().size(), static_cast<size_t>(g.points));
  for (double m : f.magnitudes())
    EXPECT_EQ(m, 0.0); // zero before any sample
}

INSTANTIATE_TEST_SUITE_P(Fourier, FourierGrid,
                         ::testing::Values(GridCount{0, 1, 10, 11, 10}, GridCount{0, 1, 10.5, 12, 11},
                                           GridCount{300, 0, 300, 1, 300},
                                           GridCount{100, 50, 400, 7, 400}));

TEST(Fourier, UnitNames)
{
  EXPECT_EQ(Fourier("f", 0, 1, 2, 0, 1, 1, 1e-15, 0).unitName(), "Hz");
  EXPECT_EQ(Fourier("f", 0, 1, 2, 0, 1, 1, 1e-15, 12).unitName(), "THz");
  EXPECT_EQ(Fourier("f", 0, 1, 2, 0, 1, 1, 1e-15, 15).unitName(), "PHz");
  EXPECT_EQ(FourierList("f", 0, 1, 2, 1, 1, 1, 1e-15, 6, {300}).unitName(), "m");
  EXPECT_EQ(FourierList("f", 0, 1, 2, 1, 1, 1, 1e-15, 9, {300}).unitName(), "mm");
  EXPECT_EQ(FourierList("f", 0, 1, 2, 1, 1, 1, 1e-15, 15, {300}).unitName(), "nm");
}

TEST(Fourier, ListVariantFromWavelengths)
{
  FourierList f("f", 0, 1, INT_MAX, 0.8, 0.2, 1.0, 1e-16, 12, {375, 300});
  EXPECT_EQ(f.unitName(), "um");
  ASSERT_EQ(f.pointCount(), 2);
  EXPECT_EQ(f.frequency(0), 375);
  EXPECT_EQ(f.frequency(1), 300);
  EXPECT_DOUBLE_EQ(f.spectralStart(), 0.8); // the axis shown is the wavelength grid
  EXPECT_DOUBLE_EQ(f.spectralStep(), 0.2);
}

TEST(Fourier, WindowAndFirstSamplePhase)
{
  Fourier f("f", 1, 3, 5, 0, 10, 100, 1e-16, 12);
  std::vector<double> e = {0.0, -2.5, 0.0};
  f.process(e, 1);
  f.process(e, 2);
  EXPECT_EQ(f.sampleCount(), 0u); // before the window
  for (double m : f.magnitudes())
    EXPECT_EQ(m, 0.0);
  f.process(e, 3); // first sample: theta = 0 at every point
  EXPECT_EQ(f.sampleCount(), 1u);
  EXPECT_EQ(f.lastSample(), -2.5);
  for (int k = 0; k < f.pointCount(); ++k) {
    EXPECT_DOUBLE_EQ(f.magnitudes()[k], 20 * std::log10(2.5));
    EXPECT_DOUBLE_EQ(std::fabs(f.phases()[k]), M_PI);
  }
  f.process(e, 4);
  f.process(e, 5);
  f.process(e, 6); // after the window
  EXPECT_EQ(f.sampleCount(), 3u);
}

TEST(Fourier, ZeroFieldGivesMinusInfinity)
{
  Fourier f("f", 0, 1, INT_MAX, 0, 1, 4, 1e-15, 12);
  std::vector<double> e(3, 0.0);
  for (int i = 1; i <= 3; ++i)
    f.process(e, i);
  for (double m : f.magnitudes())
    EXPECT_TRUE(std::isinf(m) && m < 0);
}

TEST(Fourier, OpenEndedWindowStaysActive)
{
  Fourier f("f", 0, 1, INT_MAX, 0, 1, 1, 1e-15, 12);
  std::vector<double> e(1, 1.0);
  f.process(e, INT_MAX - 1);
  f.process(e, INT_MAX);
  EXPECT_EQ(f.sampleCount(), 2u);
}

// Reads at arbitrary moments (partial blocks), long runs (many re-anchored
// blocks) and both variants agree with the direct sum.
TEST(Fourier, AgreesWithTheDirectSumWhereverItIsRead)
{
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  const double dt = 1e-16;
  Fourier grid("g", 0, 5, INT_MAX, 0, 7.3, 800, dt, 12);
  std::vector<double> freqs;
  for (double lambda = 0.4; lambda <= 2.0; lambda += 0.013)
    freqs.push_back(300.0 / lambda);
  FourierList list("l", 0, 5, INT_MAX, 0.4, 0.013, 2.0, dt, 12, freqs);
  std::vector<double> samples;
  std::vector<double> e(1);
  const int reads[] = {5, 6, 7, 130, 131, 200, 517, 1500, 3333};
  int next = 0;
  for (int it = 1; it <= 3333; ++it) {
    // a chirped pulse plus noise
    const double t = it - 1500.0;
    e[0] = std::exp(-t * t / 2e5) * std::cos(0.25 * it + 1e-5 * t * t) + 0.01 * noise(rng);
    grid.process(e, it);
    list.process(e, it);
    if (it >= 5)
      samples.push_back(e[0]);
    if (it == reads[next]) {
      ++next;
      SCOPED_TRACE(it);
      expectMatchesDirect(grid, samples);
      expectMatchesDirect(list, samples);
    }
  }
}

TEST(Fourier, SinusoidPeaksAtItsFrequency)
{
  // 300 THz sampled at dt = 1e-16 s, DFT grid 100 ... 500 THz step 5.
  const double dt = 1e-16;
  Fourier f("f", 0, 1, INT_MAX, 100, 5, 500, dt, 12);
  std::vector<double> e(1);
  for (int it = 1; it <= 4000; ++it) {
    e[0] = std::sin(6.283185307179586 * 300e12 * it * dt);
    f.process(e, it);
  }
  const auto &m = f.magnitudes();
  const int peak = static_cast<int>(std::max_element(m.begin(), m.end()) - m.begin());
  EXPECT_DOUBLE_EQ(f.spectralStart() + peak * f.spectralStep(), 300.0);
  // amplitude 1 over 4000 samples: |S| close to 2000 at the peak
  EXPECT_NEAR(m[peak], 20 * std::log10(2000.0), 0.1);
}

TEST(Fourier, LongRunsStayWithinTolerance)
{
  // Many full blocks between reads: the rotated phasors are recomputed from
  // sin/cos every few thousand samples.
  const double dt = 2e-17;
  Fourier f("g", 0, 1, INT_MAX, 10, 3.7, 750, dt, 12);
  std::vector<double> samples;
  std::vector<double> e(1);
  for (int it = 1; it <= 40000; ++it) {
    e[0] = std::sin(0.011 * it) * std::exp(-std::pow((it - 20000.0) / 6000.0, 2)) +
           0.3 * std::cos(0.2 * it + 1.0);
    f.process(e, it);
    samples.push_back(e[0]);
    if (it == 17000 || it == 40000) {
      SCOPED_TRACE(it);
      expectMatchesDirect(f, samples);
    }
  }
}

TEST(Fourier, MagnitudesOfExtremeSpectra)
{
  struct Case
  {
    double x;
    double magnitude;
  };
  for (const Case c : {Case{1e-200, -4000.0}, Case{1e200, 4000.0}, Case{3.0, 20 * std::log10(3.0)},
                       Case{INFINITY, INFINITY}}) {
    Fourier f("f", 0, 1, INT_MAX, 0, 1, 0, 1e-15, 12);
    f.process(std::vector<double>{c.x}, 1);
    EXPECT_DOUBLE_EQ(f.magnitudes()[0], c.magnitude) << c.x;
  }
  Fourier f("f", 0, 1, INT_MAX, 0, 1, 0, 1e-15, 12);
  f.process(std::vector<double>{NAN}, 1);
  EXPECT_TRUE(std::isnan(f.magnitudes()[0]));
}
