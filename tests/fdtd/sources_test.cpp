// Sources: waveforms against their formulas, start and end of the window,
// the hard coupling rule, the plane-wave terms and the recorded pulse.

#include "fdtdtestsupport.h"

#include "fdtd/sources/additivegaussiansource.h"
#include "fdtd/sources/hardarbitrarysource.h"
#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "fdtd/sources/hardsinusoidalsource.h"
#include "fdtd/sources/softgaussiansource.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace fdtdtest;

namespace {
constexpr double dt = 1e-17;
const GridConstants grid{dt};
// The clock of applyE at iteration n: t = n dt + dt / 2, as the step has it.
GridClock atE(int n) { return {n, n * dt + dt / 2}; }
} // namespace

TEST(Sources, WaveformsWindowsAndDelays)
{
  const double f = 375e12, df = 50e12, A = 2.0, delay = 0.5e-3; // ns
  HardGaussianSource<int, double> g(0, delay, 0, A, grid, 10, 375, 12, false, 50);
  HardHyperbolicSecantSource<int, double> s(0, 0.0, 0, A, grid, 10, 375, 12, false, 8, 5, 2);
  HardSinusoidalSource<int, double> w(0, delay, 0, A, grid, 3, 375, 12, false);
  const double tg = 10 / (f + df) + 0.5e-12, ts = 10 / f, tau = 8e-15;
  EXPECT_EQ(g.startIteration, 50000); // ceil(delay / dt)
  EXPECT_EQ(w.endIteration, 50000 + static_cast<int>(std::ceil(6 / (f * dt))));
  for (double x : {-3e-14, -7e-15, 0.0, 4e-15, 2e-14}) {
    EXPECT_NEAR(g.waveform(tg + x),
                A * std::cos(2 * pi * f * x) * std::exp(-2 * std::pow(pi * df * x, 2) / std::log(2.0)),
                1e-12);
    EXPECT_NEAR(s.waveform(ts + x), A * std::sin(2 * pi * f * x) / std::pow(std::cosh(x / tau), 2),
                1e-12);
    EXPECT_NEAR(w.waveform(ts + x), A * std::sin(2 * pi * f * (ts + x)), 1e-12); // absolute time
  }
  EXPECT_EQ(s.waveform(1.0), 0.0); // far out: 0, not NaN
}

TEST(Sources, HardRuleAdditivePulseAndRecordedSamples)
{
  HardSinusoidalSource<int, double> s(2, 0.0, 50.0, 3.0, grid, 1, 1e3, 12, false); // 1 PHz, D = 1
  HardSinusoidalSource<int, double> c(2, 0.0, 50.0, 3.0, grid, 1, 1e3, 12, true);
  AdditiveGaussianSource<int, double> add(
      HardGaussianSource<int, double>(2, 0.0, 50.0, 2.0, grid, 1, 1e3, 12, false, 100));
  ASSERT_EQ(s.endIteration, 200);
  std::vector<double> e(5, 7.0), h(6, 0.01);
  s.applyE(e, h, atE(10));
  EXPECT_NEAR(e[2], 50.0 * 0.01 + s.waveform(10.5 * dt), 1e-12);
  EXPECT_EQ(e[1] + e[3], 14.0);
  s.applyE(e, h, atE(200)); // after the window: impedance-coupled
  EXPECT_DOUBLE_EQ(e[2], 0.5);
  e[2] = 7.0;
  c.applyE(e, h, atE(200)); // "1dcp": the grid's value stays
  EXPECT_EQ(e[2], 7.0);
  add.applyE(e, h, atE(150)); // only its pulse, no coupling
  EXPECT_NEAR(e[2], 7.0 + add.waveform(150.5 * dt), 1e-12);

  HardArbitrarySource<int, double> a(1, 5, 10.0, 2.0, {2.0, 4.0, 6.0}, false);
  for (int n = 4; n <= 8; ++n) {
    a.applyE(e, h, atE(n));
    EXPECT_EQ(e[1], 0.1 + (n >= 5 && n < 8 ? 2.0 * (n - 4) : 0.0)) << n;
  }
}

TEST(Sources, SoftPlaneWaveTerms)
{
  const double er = 2.25, dzm = 1e-8, A = 2.0;
  SoftGaussianSource<int, double> s(2, 0.0, 0, A, dt, 10, 375, 12, false, 50, er, 1.0,
                                    GridConstants{dt, 10, 1e-9});
  const double cE = dt / (dzm * eps0 * er), cH = dt / (dzm * mu0);
  const double eta = std::sqrt(mu0 / (eps0 * er)), th = dzm * std::sqrt(er) / (2 * c0);
  const double a = std::pow(pi * 50e12, 2) * (-2 / std::log(2.0)), t0 = 10 / 425e12;
  const double w = 2 * pi * 375e12;
  const auto g = [&](double x) { return -0.5 * cH * A * std::cos(w * x) * std::exp(a * x * x); };
  std::vector<double> e(5, 0.0), h(6, 0.0);
  s.applyH(e, h, GridClock{400, 400 * dt});
  EXPECT_NEAR(h[3], g(400 * dt - t0 + 2 * th), 1e-15);
  EXPECT_NEAR(h[2], g(400 * dt - t0), 1e-15);
  s.applyE(e, h, atE(400));
  const double x = 400.5 * dt - t0;
  EXPECT_NEAR(e[2], cE / eta * A * std::cos(w * (x + th)) * std::exp(a * x * x), 1e-12);
  EXPECT_EQ(e[1] + e[3] + h[1] + h[4], 0.0);
}
