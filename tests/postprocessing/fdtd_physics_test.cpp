// Post-processing driven by the FDTD engine: the DFT of a probed pulse and
// the dynamic-spectrogram scheduler on a ring.

#include "fdtd/fdtdsimulator.h"
#include "input/physicalconstants.h"
#include "postprocessing/fdtdobservation.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>

namespace {
using physconst::eta0;
using physconst::pi;
constexpr double c0 = physconst::speedOfLight;

QStringList grid(const char *problem, int cells, double stability, double epsilonR = 1.0)
{
  return {QStringLiteral("%1 stability").arg(stability),
          "1 threads",
          "nm measure",
          "10 size",
          "1 physical",
          QStringLiteral("%1 problem").arg(problem),
          "diel medium",
          QStringLiteral("%1 meshpoints").arg(cells),
          QStringLiteral("%1 1 parameters").arg(epsilonR)};
}

// A pulse f travelling towards growing z in a medium of index n (one cell
// per S n steps): E[i] = f(i) and, half a step earlier, H[i] (at i - 1/2) =
// -n f(i - 1/2 + 1/(2 S n)) / eta0. Positions in cells; on a ring they wrap.
void launch(FDTDSimulator &e, const std::function<double(double)> &f, double n = 1.0)
{
  const double s = e.stability;
  for (size_t i = 0; i < e.eField.size(); ++i)
    e.eField[i] = f(static_cast<double>(i));
  for (size_t i = 1; i < e.hField.size(); ++i)
    e.hField[i] = -n * f(static_cast<double>(i) - 0.5 + 0.5 / (s * n)) / eta0;
}

double ringDistance(double x, double centre, int cells)
{
  double d = std::fmod(x - centre, static_cast<double>(cells));
  if (d > cells / 2.0)
    d -= cells;
  if (d < -cells / 2.0)
    d += cells;
  return d;
}
} // namespace

TEST(FdtdPostprocessing, DftOfAProbedPulsePeaksAtItsCarrier)
{
  // 4000 cells of 10 nm at S = 1; a 375 THz pulse launched at cell 1000 passes
  // the probe at cell 2000.
  QStringList lines = grid("1d", 4000, 1);
  lines << "fourier typeOf" << "F * name" << "2001 z-location" << "0 use" << "300 1 450 start"
        << "1 itstart" << "end itend" << "THz anyunit";
  lines << "time typeOf" << "T * name" << "2001 z-location" << "0 use" << "1 itstart"
        << "2200 itend" << "auto tunit";
  FDTDSimulator e(lines, "FDTD_dft");
  ASSERT_TRUE(e.isConstructed()) << e.errorLine << " " << e.missingKeyword.toStdString();
  const double dt = e.timeStep();
  EXPECT_NEAR(dt, 10e-9 / c0, 1e-30);
  const double k0 = 2 * pi * 375e12 * dt; // radians per cell at one cell per step
  launch(e, [&](double x) {
    const double d = x - 1000.0;
    return std::exp(-d * d / (150.0 * 150.0)) * std::cos(k0 * d);
  });
  for (int it = 0; it < 2200; ++it)
    e.step();
  const auto &m = e.fourierMagnitudes(0);
  const int peak = static_cast<int>(std::max_element(m.begin(), m.end()) - m.begin());
  EXPECT_NEAR(e.fourierStart(0) + peak * e.fourierStep(0), 375.0, 1.0);
  // The probe saw the pulse's peak at the step the pulse reached it.
  const auto &probe = e.probeSamples(0);
  ASSERT_EQ(e.probeSampleCount(0), 2200);
  const auto top = std::max_element(probe.begin(), probe.end());
  EXPECT_NEAR(*top, 1.0, 1e-6);
  EXPECT_EQ(top - probe.begin() + 1, 1000); // iteration 1000 is values[999]
  EXPECT_EQ(e.probeTimeUnit(0), "fs");
}

class PoyntingOfAPlaneWave : public ::testing::TestWithParam<double>
{
};

// A pulse travelling towards growing z carries E^2 n / eta0 (W/m^2).
TEST_P(PoyntingOfAPlaneWave, IsEFieldSquaredTimesIndexOverEta0)
{
  const double n = GetParam();
  QStringList lines = grid("1d", 1000, 1, n * n);
  lines << "poynting typeOf" << "P * name" << "1 z-location" << "0 use";
  FDTDSimulator e(lines, "FDTD_poynting");
  ASSERT_TRUE(e.isConstructed()) << e.errorLine << " " << e.missingKeyword.toStdString();
  launch(e, [](double x) { return 3.0 * std::exp(-(x - 400.0) * (x - 400.0) / 900.0); }, n);
  for (int it = 0; it < 100; ++it)
    e.step();
  double flow = 0.0;
  double energy = 0.0;
  for (size_t i = 1; i < e.eField.size(); ++i) {
    flow += e.poyntingEnvelope()[i];
    energy += e.eField[i] * e.eField[i] * n / eta0;
  }
  EXPECT_GT(flow, 0.0);
  EXPECT_NEAR(flow / energy, 1.0, 1e-3); // centring differences of order (cell / width)^2
}

INSTANTIATE_TEST_SUITE_P(FdtdPostprocessing, PoyntingOfAPlaneWave, ::testing::Values(1.0, 1.5));

class RingScheduler : public ::testing::TestWithParam<double>
{
};

TEST_P(RingScheduler, PeriodIsTheRoundTripAndTheRunEndsByItself)
{
  const double s = GetParam();
  const int n = 400;
  const int roundTrip = static_cast<int>(n * s);
  QStringList lines = grid("1dp", n, s);
  lines << "spectrogram typeOf" << "S * name" << "300 5 450 start" << "THz * anyunit"
        << "24000 maxdistance";
  FDTDSimulator e(lines, "FDTD_ring");
  ASSERT_TRUE(e.isConstructed()) << e.errorLine << " " << e.missingKeyword.toStdString();
  ASSERT_TRUE(e.dynamicSpectrogram);
  QSignalSpy created(&e, &Simulator::createActionSpectrum);
  QSignalSpy updated(&e, &Simulator::updateDynamicSpectrogram);
  const double k0 = 2 * pi * 375e12 * e.timeStep() * s;
  launch(e, [&](double x) {
    const double d = ringDistance(x, 50.0, n);
    return std::exp(-d * d / 5000.0) * std::cos(k0 * d);
  });
  auto *sp = dynamic_cast<DynamicSpectrogramPostprocessing<int, double> *>(e.spectrogram(0));
  ASSERT_NE(sp, nullptr);
  const int k = n / 20;
  int firstPeriodSeen = 0;
  int steps = 0;
  while (!e.finished && steps < 20 * roundTrip) {
    e.step();
    ++steps;
    if (sp->windowCount() > 0 && firstPeriodSeen == 0)
      firstPeriodSeen = e.iteration;
  }
  ASSERT_TRUE(e.finished) << "the run did not end by itself";
  EXPECT_TRUE(e.runFailure.isEmpty());
  EXPECT_EQ(created.count(), 1);
  // The measured period is the round trip within one check interval.
  const int measured = e.iteration > 0 ? sp->windows().back()->iterationEnd() -
                                             sp->windows().back()->iterationStart()
                                       : 0;
  EXPECT_LE(std::abs(measured - roundTrip), k);
  ASSERT_NE(e.observation, nullptr);
  const auto &st = e.observation->scheduler();
  EXPECT_EQ(st.checkInterval, k);
  EXPECT_LE(std::abs(st.currentPeriod - roundTrip), k);
  EXPECT_LE(std::abs(st.period - roundTrip), k);
  // 24000 nm at L = 4000 nm: six windows, the last opened at the step that ended the run.
  EXPECT_EQ(sp->windowCount(), 6);
  EXPECT_EQ(updated.count(), 5);
  for (size_t w = 1; w < sp->windows().size(); ++w) {
    const auto *f = sp->windows()[w];
    EXPECT_LE(std::abs(f->iterationEnd() - f->iterationStart() - roundTrip), k) << w;
    // consecutive windows follow one round trip apart
    EXPECT_LE(std::abs(f->iterationStart() - sp->windows()[w - 1]->iterationStart() - roundTrip), k)
        << w;
  }
  // The windows cover the pulse's passages: every finished window's spectrum peaks
  // near the carrier.
  const auto &m = sp->windows()[1]->magnitudes();
  const int peak = static_cast<int>(std::max_element(m.begin(), m.end()) - m.begin());
  EXPECT_NEAR(300.0 + 5.0 * peak, 375.0, 10.0);
  // Run length: about the first sighting plus six round trips.
  EXPECT_LE(e.iteration, firstPeriodSeen + 6 * roundTrip);
}

INSTANTIATE_TEST_SUITE_P(FdtdPostprocessing, RingScheduler, ::testing::Values(1.0, 2.0));
