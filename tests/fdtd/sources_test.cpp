// Sources: waveforms against their formulas, start and end of the window,
// the hard coupling rule, the plane-wave terms and the recorded pulse.

#include "fdtdtestsupport.h"
#include "testsupport.h"

#include "fdtd/sources/additivegaussiansource.h"
#include "fdtd/sources/hardarbitrarysource.h"
#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardsinusoidalsource.h"
#include "fdtd/sources/softgaussiansource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace fdtdtest;

namespace {
constexpr double dt = 1e-17;
const GridConstants grid{dt};
// The clock of applyE at iteration n: t = n dt + dt / 2, as the step has it.
GridClock atE(int n) { return {n, n * dt + dt / 2}; }
} // namespace

TEST(Sources, HardRuleAdditivePulseAndRecordedSamples)
{
  HardSinusoidalSource<int, double> s(2, 0.0, 50.0, 3.0, grid, 1, 1e3, 12, false); // 1 PHz, D = 1
  HardSinusoidalSource<int, double> c(2, 0.0, 50.0, 3.0, grid, 1, 1e3, 12, true);
  AdditiveGaussianSource<int, double> add(
      HardGaussianSource<int, double>(2, 0.0, 50.0, 2.0, grid, 1, 1e3, 12, false, 100));
  ASSERT_EQ(s.endIteration, 200);
  std::vector<double> e(5, 7.0), h{0.03, 0.02, 0.01, 0.01, 0.04, 0.06}; // sources couple to the H beyond them
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
  const double er = 2.25, mr = 1.3, dzm = 1e-8, A = 2.0;
  SoftGaussianSource<int, double> s(2, 0.0, 0, A, dt, 10, 375, 12, false, 50, er, mr,
                                    GridConstants{dt, 10, 1e-9});
  const double cE = dt / (dzm * eps0 * er), cH = dt / (dzm * mu0 * mr);
  const double eta = std::sqrt(mu0 * mr / (eps0 * er)), th = dzm * std::sqrt(er * mr) / (2 * c0);
  const double a = std::pow(pi * 50e12, 2) * (-2 / std::log(2.0)), t0 = 10 / 425e12;
  const double w = 2 * pi * 375e12;
  const auto g = [&](double x) { return -0.5 * cH * A * std::cos(w * x) * std::exp(a * x * x); };
  std::vector<double> e(5, 0.0), h(6, 0.0);
  // Near the envelope's centre t0 = 2353 dt, where the terms are of order cH A and cE A / eta.
  s.applyH(e, h, GridClock{2350, 2350 * dt});
  EXPECT_NEAR(h[3], g(2350 * dt - t0 + 2 * th), 1e-15);
  EXPECT_NEAR(h[2], g(2350 * dt - t0), 1e-15);
  s.applyE(e, h, atE(2350));
  const double x = 2350.5 * dt - t0;
  EXPECT_NEAR(e[2], cE / eta * A * std::cos(w * (x + th)) * std::exp(a * x * x), 1e-12);
  EXPECT_EQ(e[1] + e[3] + h[1] + h[4], 0.0);
}

// Every pulse form as the configuration describes it, through the reader:
// the window (first and end iteration) and exact samples of the excitation
// against its analytic form around the envelope centre.
const QString plainGrid = "1 stability\n1 threads\nnm measure\n10 size\n1 physical\n1d problem\ndiel medium\n"
                         "100 meshpoints\n1 1 parameters\n";

struct ConfiguredPulse
{
  const char *name, *lines; // after "point geometry" / "50 z-location" ("|" between lines)
  double delayNs, periods, hertz;
  std::function<double(double)> expected; // of the absolute time (s)
};
void PrintTo(const ConfiguredPulse &c, std::ostream *os) { *os << c.name; }


class ConfiguredSource : public ::testing::TestWithParam<ConfiguredPulse>
{
};

TEST_P(ConfiguredSource, WindowAndSamplesMatchTheFormula)
{
  const ConfiguredPulse &c = GetParam();
  auto e = engineFrom(plainGrid + QString(c.lines).replace('|', '\n'));
  auto *s = e->sources.size() == 1 ? dynamic_cast<CarrierWaveSource<int, double> *>(e->sources[0]) : nullptr;
  ASSERT_NE(s, nullptr) << e->loadStatus().errorLine;
  const double step = e->timeStep(), start = std::ceil(c.delayNs * 1e-9 / step);
  EXPECT_EQ(s->startIteration, start);
  EXPECT_EQ(s->endIteration, std::ceil(start + 2 * c.periods / (c.hertz * step)));
  const double centre = c.delayNs * 1e-9 + c.periods / c.hertz;
  for (double x : {-2.1e-14, -6e-15, 0.0, 3.3e-15, 1.7e-14, 1e-9}) // far out: 0, not NaN
    EXPECT_NEAR(s->waveform(centre + x), c.expected(centre + x), 1e-9) << x;
}

namespace {
const double tc = 1e-12 + 10 / 375e12, w = 2 * pi * 375e12, dzm = 10e-9;
double sech(double x) { return 1 / std::cosh(x); }
// The Gaussian pulse of 50 THz bandwidth, x from its centre, its carrier
// delayed by th.
double gauss(double x, double th = 0) { return std::cos(w * (x + th)) * std::exp(-2 * std::pow(pi * 50e12 * x, 2) / std::log(2.0)); }
const double tg = 1e-12 + 10 / 425e12;
} // namespace

INSTANTIATE_TEST_SUITE_P(
    Forms, ConfiguredSource,
    ::testing::Values(
        ConfiguredPulse{"Gauss", "point geometry|50 z-location|0 2 0.001 amplitude|gauss shape|THz funit|fs tunit|"
                                 "375 centre|10 duration|50 3dB", 0.001, 10, 375e12,
                        [](double t) { return 2 * gauss(t - tg); }},
        ConfiguredPulse{"Sech", "point geometry|50 z-location|0 2 0.001 amplitude|sech shape|GHz funit|fs tunit|"
                                "375000 centre|10 duration|6 tau", 0.001, 10, 375e12,
                        [](double t) { return 2 * std::sin(w * (t - tc)) * sech((t - tc) / 6e-15); }},
        ConfiguredPulse{"SechInSeconds", "point geometry|50 z-location|0 2 0.001 amplitude|sech shape|THz funit|"
                                         "s tunit|375 centre|10 duration|6e-15 tau", 0.001, 10, 375e12,
                        [](double t) { return 2 * std::sin(w * (t - tc)) * sech((t - tc) / 6e-15); }},
        ConfiguredPulse{"Sech2", "point geometry|50 z-location|0 -1.5 0.001 amplitude|sech2 shape|THz funit|as tunit|"
                                 "375 centre|10 duration|6000 tau", 0.001, 10, 375e12,
                        [](double t) { return -1.5 * std::sin(w * (t - tc)) * std::pow(sech((t - tc) / 6e-15), 2); }},
        ConfiguredPulse{"Sine", "point geometry|50 z-location|0 2 0 amplitude|sine shape|PHz funit|fs tunit|"
                                "0.375 centre|3 duration", 0, 3, 375e12,
                        [](double t) { return 2 * std::sin(w * t); }},
        // A plane wave in a medium of epsR 2.25, muR 1.2: E gains
        // cE / eta A cos(w (x + th)) exp(a x^2), th = dz sqrt(epsR muR) / (2 c).
        ConfiguredPulse{"PlaneWave", "plane_wave geometry|50 z-location|0 2 0.001 2.25 1.2 0 0 amplitude|gauss shape|"
                                     "THz funit|fs tunit|375 centre|10 duration|50 3dB", 0.001, 10, 375e12,
                        [](double t) {
                          const double eta = std::sqrt(mu0 * 1.2 / (eps0 * 2.25)), th = dzm * std::sqrt(2.7) / (2 * c0);
                          return 1 / (c0 * eps0 * 2.25) / eta * 2 * gauss(t - tg, th); // cE = dt / (dz eps0 epsR)
                        }}),
    testsupport::ByName());

// A recorded pulse through the reader: comments, blank lines and the rest of
// an overlong line skipped, a last line without its line end kept, every
// sample times the amplitude; the delay rounded up to whole steps.
TEST(Sources, RecordedPulseFileThroughTheReader)
{
  QTemporaryDir dir;
  const QString file = testsupport::writeFile(
      dir, "pulse.txt", "# recorded\n0.5 extra\n\n2" + QByteArray(5000, ' ') + "7\n-1\n  # note\n3");
  auto e = engineFrom(plainGrid + "point geometry\n50 z-location\n0 2 0.000001 amplitude\nuser shape\n" + file +
                      " file\n");
  auto *s = e->sources.size() == 1 ? dynamic_cast<HardArbitrarySource<int, double> *>(e->sources[0]) : nullptr;
  ASSERT_NE(s, nullptr) << e->loadStatus().errorLine;
  EXPECT_EQ(s->pulse.samples(), (std::vector<double>{1, 4, -2, 6}));
  EXPECT_EQ(std::make_tuple(s->pulse.at(-1), s->pulse.at(3), s->pulse.at(4)), std::make_tuple(0.0, 6.0, 0.0)); // 0 outside
  EXPECT_EQ(s->startIteration, std::ceil(1e-15 / e->timeStep()));
  EXPECT_TRUE(e->setupSummary().contains("\nSources:\n  1. recorded pulse at grid point 50, amplitude 2 V/m, duration "
                                         "133.4 as, delay 1.001 fs\n")) << e->setupSummary().toStdString(); // 4 and 30 steps
}
