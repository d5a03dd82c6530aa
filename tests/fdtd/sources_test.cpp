// Sources: windows, start iterations, waveforms, the coupling rules and the
// recorded pulse.

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

// Calls applyE at iteration n with t = n dt + dt / 2, as the step does.
template <typename S>
void applyAt(S &source, GridStub &grid, int n, std::vector<double> &e, std::vector<double> &h)
{
  grid.iteration = n;
  grid.now = n * dt + dt / 2;
  source.applyE(e, h, grid);
}

} // namespace

TEST(Sources, StartIterationFromTheDelay)
{
  EXPECT_EQ((Source<int, double>::startIterationFor(0.0, 1e-12)), 0);
  EXPECT_EQ((Source<int, double>::startIterationFor(0.0105, 1e-12)), 11); // ceil(10.5)
  EXPECT_EQ((Source<int, double>::startIterationFor(0.5, 1e-12)), 500);
  EXPECT_EQ((Source<int, double>::startIterationFor(1e30, 1e-12)), INT_MAX); // kept in range
  HardGaussianSource<int, double> g(3, 0.0105, 0, 1, 1e-12, 10, 1, 12, false, 0.2);
  EXPECT_EQ(g.startIteration, 11);
  EXPECT_DOUBLE_EQ(g.delayTime, 0.0105e-9);
}

TEST(Sources, SineWindowLength)
{
  // D = 3 periods at 1 GHz with dt = 1 ps: 6000 iterations after the start.
  HardSinusoidalSource<int, double> s(0, 0.0, 0, 1, 1e-12, 3, 1, 9, false);
  EXPECT_EQ(s.startIteration, 0);
  EXPECT_EQ(s.endIteration, 6000);
  EXPECT_EQ(s.extent(), 6000);
  HardSinusoidalSource<int, double> d(0, 2.0, 0, 1, 1e-12, 3, 1, 9, false);
  EXPECT_EQ(d.startIteration, 2000);
  EXPECT_EQ(d.endIteration, 8000);
  // The sine keeps absolute time, delayed or not.
  EXPECT_DOUBLE_EQ(d.waveform(1.3e-10), std::sin(2 * pi * 1e9 * 1.3e-10));
  EXPECT_DOUBLE_EQ(s.waveform(1.3e-10), d.waveform(1.3e-10));
}

TEST(Sources, HardRuleInsideAndOutsideTheWindow)
{
  GridStub grid(dt, 10, 1e-9);
  HardSinusoidalSource<int, double> s(2, 0.0, 50.0, 3.0, dt, 1, 1e3, 12, false); // 1 PHz, D = 1
  ASSERT_EQ(s.endIteration, 200);
  std::vector<double> e(5, 7.0), h(6, 0.01);
  applyAt(s, grid, 10, e, h);
  EXPECT_NEAR(e[2], 50.0 * 0.01 + s.waveform(10.5 * dt), 1e-12);
  EXPECT_EQ(e[1], 7.0);
  EXPECT_EQ(e[3], 7.0);
  // Outside the window the point stays impedance-coupled ("1d", "1dp").
  e[2] = 7.0;
  applyAt(s, grid, 200, e, h);
  EXPECT_DOUBLE_EQ(e[2], 0.5);
  // Z = 0 holds the point at zero: a reflecting point.
  HardSinusoidalSource<int, double> z(2, 0.0, 0.0, 3.0, dt, 1, 1e3, 12, false);
  e[2] = 7.0;
  applyAt(z, grid, 500, e, h);
  EXPECT_EQ(e[2], 0.0);
  // "1dcp": outside the window the grid's value stays.
  HardSinusoidalSource<int, double> c(2, 0.0, 50.0, 3.0, dt, 1, 1e3, 12, true);
  e[2] = 7.0;
  applyAt(c, grid, 200, e, h);
  EXPECT_EQ(e[2], 7.0);
  applyAt(c, grid, 199, e, h);
  EXPECT_NEAR(e[2], 0.5 + c.waveform(199.5 * dt), 1e-12);
}

TEST(Sources, GaussianEnvelopeAndHalfWidth)
{
  const double f = 375e12, df = 50e12, D = 10;
  HardGaussianSource<int, double> g(0, 0.0, 0, 2.0, dt, D, 375, 12, false, 50);
  EXPECT_DOUBLE_EQ(g.centreTime, D / (f + df));
  EXPECT_DOUBLE_EQ(g.exponentFactor, -2 / std::log(2.0));
  EXPECT_DOUBLE_EQ(g.piBandwidth, pi * df);
  EXPECT_DOUBLE_EQ(g.waveform(g.centreTime), 2.0); // envelope 1, value A
  const double half = std::log(2.0) / (std::sqrt(2.0) * pi * df);
  for (double sign : {-1.0, 1.0}) {
    const double t = g.centreTime + sign * half;
    const double carrier = std::cos(2 * pi * f * (t - g.centreTime));
    EXPECT_NEAR(g.waveform(t) / (2.0 * carrier), 0.5, 1e-12);
  }
  // The power spectrum falls to one half at df from the carrier: the
  // envelope is exp(-2 (pi df t)^2 / ln 2), whose spectrum is
  // exp(-(ln 2 / 2) (f'/df)^2) in amplitude.
  const double tau = 1e-16;
  const double env = g.waveform(g.centreTime + tau) /
                     (2.0 * std::cos(2 * pi * f * tau));
  EXPECT_NEAR(env, std::exp(-2 * std::pow(pi * df * tau, 2) / std::log(2.0)), 1e-12);
}

TEST(Sources, DelayedPulseIsTheSamePulseLater)
{
  // 10 periods at 375 THz: the pulse lasts about 27 fs; a delay of 0.5 ps is
  // much longer than that and must still give the whole pulse.
  const double delayNs = 0.5e-3;
  HardGaussianSource<int, double> g(0, 0.0, 0, 1.0, dt, 10, 375, 12, false, 50);
  HardGaussianSource<int, double> d(0, delayNs, 0, 1.0, dt, 10, 375, 12, false, 50);
  EXPECT_DOUBLE_EQ(d.envelopeCentreTime(), g.centreTime + 0.5e-12);
  EXPECT_EQ(d.startIteration, 50000);
  for (double t = 0; t < 60e-15; t += 0.7e-15)
    EXPECT_NEAR(d.waveform(t + 0.5e-12), g.waveform(t), 1e-9) << t;
  // The peak lies inside the active window.
  const double peakIteration = d.envelopeCentreTime() / dt;
  EXPECT_GT(peakIteration, d.startIteration);
  EXPECT_LT(peakIteration, d.endIteration);

  HardHyperbolicSecantSource<int, double> s(0, 0.0, 0, 1.0, dt, 10, 375, 12, false, 5, 5, 1);
  HardHyperbolicSecantSource<int, double> sd(0, delayNs, 0, 1.0, dt, 10, 375, 12, false, 5, 5, 1);
  for (double t = 0; t < 60e-15; t += 0.7e-15)
    EXPECT_NEAR(sd.waveform(t + 0.5e-12), s.waveform(t), 1e-9) << t;
}

TEST(Sources, HyperbolicSecantWaveforms)
{
  const double f = 200e12, D = 8, tau = 4e-15;
  HardHyperbolicSecantSource<int, double> s1(0, 0.0, 0, 3.0, dt, D, 200, 12, false, 4, 5, 1);
  HardHyperbolicSecantSource<int, double> s2(0, 0.0, 0, 3.0, dt, D, 200, 12, false, 4, 5, 2);
  EXPECT_DOUBLE_EQ(s1.centreTime, D / f);
  EXPECT_DOUBLE_EQ(s1.inverseTau, 1 / tau);
  const double t = D / f + 3.3e-15;
  const double x = t - D / f;
  EXPECT_NEAR(s1.waveform(t), 3.0 * std::sin(2 * pi * f * x) / std::cosh(x / tau), 1e-12);
  EXPECT_NEAR(s2.waveform(t), 3.0 * std::sin(2 * pi * f * x) / std::pow(std::cosh(x / tau), 2),
              1e-12);
  EXPECT_EQ(s1.waveform(D / f), 0.0); // sine carrier: zero at the centre
  EXPECT_EQ(s1.waveform(1.0), 0.0);   // far away: no overflow into NaN
  // The time unit of tau follows its index (4: ps).
  HardHyperbolicSecantSource<int, double> ps(0, 0.0, 0, 1.0, dt, D, 200, 12, false, 2, 4, 1);
  EXPECT_DOUBLE_EQ(ps.inverseTau, 1 / 2e-12);
}

TEST(Sources, CentreTimeOfTheSpectralEngine)
{
  HardGaussianSource<int, double> g(0, 3.0, 0, 1.0, 1.0, 10, 375, 12, false, 50);
  g.setCentreTime(5e-14);
  EXPECT_DOUBLE_EQ(g.envelopeCentreTime(), 5e-14); // the delay no longer applies
  EXPECT_DOUBLE_EQ(g.waveform(5e-14), 1.0);
  HardHyperbolicSecantSource<int, double> s(0, 3.0, 0, 1.0, 1.0, 10, 375, 12, false, 5, 5, 2);
  s.setCentreTime(4e-14);
  EXPECT_DOUBLE_EQ(s.envelopeCentreTime(), 4e-14);
  EXPECT_EQ(s.waveform(4e-14), 0.0);
  g.samplingWindow = 1e-13;
  EXPECT_EQ(g.samplingWindow, 1e-13);
}

TEST(Sources, AdditiveGaussianAddsOnlyItsPulse)
{
  GridStub grid(dt, 10, 1e-9);
  HardGaussianSource<int, double> hard(1, 0.0, 50.0, 2.0, dt, 10, 375, 12, false, 50);
  AdditiveGaussianSource<int, double> add(hard);
  EXPECT_EQ(add.endIteration, hard.endIteration);
  EXPECT_DOUBLE_EQ(add.centreTime, hard.centreTime);
  std::vector<double> e(4, 1.0), h(5, 0.1);
  applyAt(add, grid, 100, e, h);
  EXPECT_NEAR(e[1], 1.0 + hard.waveform(100.5 * dt), 1e-12); // no coupling term
  e[1] = 1.0;
  applyAt(add, grid, hard.endIteration, e, h);
  EXPECT_EQ(e[1], 1.0); // outside its window it does nothing
}

TEST(Sources, SoftPlaneWaveTerms)
{
  GridStub grid(dt, 10, 1e-9);
  const double er = 2.25, mr = 1.0, dzm = 1e-8;
  SoftGaussianSource<int, double> s(2, 0.0, 0, 2.0, dt, 10, 375, 12, false, 50, er, mr, grid);
  EXPECT_FALSE(s.hard);
  const double cE = dt / (dzm * eps0 * er), cH = dt / (dzm * mu0 * mr);
  const double eta = std::sqrt(mu0 * mr / (eps0 * er));
  const double th = dzm * std::sqrt(er * mr) / (2 * c0);
  const double a = std::pow(pi * 50e12, 2) * (-2 / std::log(2.0));
  const double t0 = 10 / 425e12;
  EXPECT_DOUBLE_EQ(s.gainE, cE / eta * 2.0);
  EXPECT_DOUBLE_EQ(s.gainH, -0.5 * cH * 2.0);
  EXPECT_DOUBLE_EQ(s.halfCellDelay, th);
  EXPECT_DOUBLE_EQ(s.envelopeRate, a);

  const double w = 2 * pi * 375e12;
  const auto g = [&](double x) { return -0.5 * cH * 2.0 * std::cos(w * x) * std::exp(a * x * x); };
  std::vector<double> e(5, 0.0), h(6, 0.0);
  grid.iteration = 400;
  grid.now = 400 * dt;
  s.applyH(e, h, grid);
  EXPECT_NEAR(h[3], g(400 * dt - t0 + 2 * th), 1e-15);
  EXPECT_NEAR(h[2], g(400 * dt - t0), 1e-15);
  EXPECT_EQ(h[1], 0.0);
  applyAt(s, grid, 400, e, h);
  const double x = 400.5 * dt - t0;
  EXPECT_NEAR(e[2], cE / eta * 2.0 * std::cos(w * (x + th)) * std::exp(a * x * x), 1e-12);
  // Outside the window nothing is added.
  std::vector<double> e2(5, 0.0), h2(6, 0.0);
  grid.iteration = s.endIteration;
  s.applyH(e2, h2, grid);
  s.applyE(e2, h2, grid);
  EXPECT_EQ(h2[2], 0.0);
  EXPECT_EQ(e2[2], 0.0);
}

TEST(Sources, RecordedPulseSampleTiming)
{
  GridStub grid(dt, 10, 1e-9);
  HardArbitrarySource<int, double> a(1, 5, 10.0, 2.0, {2.0, 4.0, 6.0}, false);
  EXPECT_EQ(a.extent(), 3);
  std::vector<double> e(3, 9.0), h(4, 0.5);
  applyAt(a, grid, 4, e, h);
  EXPECT_EQ(e[1], 5.0); // before: coupling only
  EXPECT_EQ(a.lastSample, -1);
  for (int s = 0; s < 3; ++s) {
    applyAt(a, grid, 5 + s, e, h);
    EXPECT_EQ(e[1], 5.0 + 2.0 * (s + 1)) << s; // sample s at startIteration + s
    EXPECT_EQ(a.lastSample, s);
  }
  applyAt(a, grid, 8, e, h);
  EXPECT_EQ(e[1], 5.0); // afterwards only the coupling remains
  // "1dcp": untouched outside the pulse.
  HardArbitrarySource<int, double> c(1, 5, 10.0, 2.0, {2.0, 4.0, 6.0}, true);
  e[1] = 9.0;
  applyAt(c, grid, 8, e, h);
  EXPECT_EQ(e[1], 9.0);
  applyAt(c, grid, 6, e, h);
  EXPECT_EQ(e[1], 9.0);
}
