// Post-processing driven by the FDTD engine: the Poynting vector of a plane
// wave and the dynamic-spectrogram scheduler on a ring.

#include "fdtd/fdtdsimulator.h"
#include "fdtd/poynting.h"
#include "input/physicalconstants.h"
#include "testsupport.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

namespace {
using physconst::eta0;
using physconst::pi;
constexpr double c0 = physconst::speedOfLight;

// A grid of 10 nm cells of one dielectric, then the lines of one section.
QStringList grid(const char *problem, int cells, double stability, double epsilonR, const QStringList &section)
{
  const QStringList lines{QStringLiteral("%1 stability").arg(stability), "1 threads", "nm measure", "10 size",
                          "1 physical", QStringLiteral("%1 problem").arg(problem), "diel medium",
                          QStringLiteral("%1 meshpoints").arg(cells), QStringLiteral("%1 1 parameters").arg(epsilonR)};
  return lines + section;
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

// A parameter of a table, with the case's name.
struct Named { const char *name; double value; };

} // namespace

using PoyntingOfAPlaneWave = ::testing::TestWithParam<Named>;

// A pulse travelling towards growing z carries E^2 n / eta0 (W/m^2).
TEST_P(PoyntingOfAPlaneWave, IsEFieldSquaredTimesIndexOverEta0)
{
  const double n = GetParam().value;
  FDTDSimulator e(grid("1d", 1000, 1, n * n, {"poynting typeOf", "P * name", "1 z-location", "0 use"}),
                  "FDTD_poynting");
  ASSERT_TRUE(e.isConstructed()) << e.loadStatus().errorLine << " " << e.loadStatus().missingKeyword.toStdString();
  launch(e, [](double x) { return 3.0 * std::exp(-(x - 400.0) * (x - 400.0) / 900.0); }, n);
  for (int it = 0; it < 100; ++it)
    e.step();
  double flow = 0.0, energy = 0.0;
  for (size_t i = 1; i < e.eField.size(); ++i) {
    flow += e.poyntingEnvelope()[i];
    energy += e.eField[i] * e.eField[i] * n / eta0;
  }
  EXPECT_GT(flow, 0.0);
  EXPECT_NEAR(flow / energy, 1.0, 1e-3); // centring differences of order (cell / width)^2
}

INSTANTIATE_TEST_SUITE_P(FdtdPostprocessing, PoyntingOfAPlaneWave,
                         ::testing::Values(Named{"Index1", 1.0}, Named{"Index1_5", 1.5}), testsupport::ByName());

using RingScheduler = ::testing::TestWithParam<Named>;

// The engine hears the scheduler: one "spectrum available" signal, one map
// update per period boundary, and the run ends by itself without a failure.
TEST_P(RingScheduler, PeriodIsTheRoundTripAndTheRunEndsByItself)
{
  const double s = GetParam().value;
  const int n = 400, roundTrip = static_cast<int>(n * s), k = n / 20;
  FDTDSimulator e(
      grid("1dp", n, s, 1, {"spectrogram typeOf", "S * name", "300 5 450 start", "THz * anyunit", "24000 maxdistance"}),
      "FDTD_ring");
  ASSERT_TRUE(e.isConstructed() && e.dynamicSpectrogram);
  QSignalSpy created(&e, &Simulator::createActionSpectrum);
  QSignalSpy updated(&e, &Simulator::updateDynamicSpectrogram);
  const double k0 = 2 * pi * 375e12 * e.timeStep() * s;
  launch(e, [&](double x) {
    const double d = std::remainder(x - 50.0, n);
    return std::exp(-d * d / 5000.0) * std::cos(k0 * d);
  });
  while (!e.finished && e.iteration < 20 * roundTrip)
    e.step();
  ASSERT_TRUE(e.finished) << "the run did not end by itself";
  EXPECT_TRUE(e.runFailure.isEmpty());
  EXPECT_EQ(std::make_tuple(created.count(), e.resultCount(ResultKind::Spectrum), e.resultCount(ResultKind::TimeProbe)),
            std::make_tuple(1, 6, 6));
  // 24000 nm at L = 4000 nm: six windows, one round trip long and apart.
  auto *sp = dynamic_cast<DynamicSpectrogramPostprocessing<int, double> *>(e.spectrogram(0));
  ASSERT_NE(sp, nullptr);
  // Past the last object every accessor answers with nothing.
  EXPECT_EQ(std::make_tuple(e.fourierPointCount(6), e.fourierMagnitudes(6).size(), e.fourierPhases(6).size(),
                            e.fourierStart(6), e.fourierStep(6), e.fourierIsWavelength(6), e.fourierUnit(6).isNull()),
            std::make_tuple(0, 0u, 0u, 0.0, 0.0, false, true));
  EXPECT_TRUE(!e.spectrogram(1) && e.spectrogramUnit(1).isNull() && !e.spectrogramIsFrequency(1));
  EXPECT_EQ(sp->windowCount(), 6);
  EXPECT_EQ(sp->data()->interval(Qt::XAxis).maximum, 450.0); // "300 5 450": its last point
  EXPECT_EQ(updated.count(), 5);
  for (std::size_t w = 1; w < sp->windows().size(); ++w) {
    const auto *f = sp->windows()[w];
    EXPECT_LE(std::abs(f->iterationEnd() - f->iterationStart() - roundTrip), k) << w;
    EXPECT_LE(std::abs(f->iterationStart() - sp->windows()[w - 1]->iterationStart() - roundTrip), k);
  }
  const auto &m = sp->windows()[1]->magnitudes();
  const int peak = static_cast<int>(std::max_element(m.begin(), m.end()) - m.begin());
  EXPECT_NEAR(300.0 + 5.0 * peak, 375.0, 10.0);
}

INSTANTIATE_TEST_SUITE_P(FdtdPostprocessing, RingScheduler,
                         ::testing::Values(Named{"Stability1", 1.0}, Named{"Stability2", 2.0}), testsupport::ByName());

// A Poynting window updates from its first to its last iteration, ends
// included: S[1] = -H[1] (E[0] + E[1] + their previous values) / 4.
TEST(FdtdPostprocessing, PoyntingWindowUpdatesFromItsFirstToItsLastIteration)
{
  PoyntingPostprocessing<int, double> p("P", 3);
  p.iterationStart = 3, p.iterationEnd = 5;
  std::vector<double> e(3), h(3, 1.0), flow;
  for (int it = 1; it <= 7; ++it) {
    e = {double(it), it + 100.0, it + 200.0};
    updatePoynting(p, e, h, it);
    flow.push_back(p.poynting[1]);
  }
  EXPECT_EQ(flow, (std::vector<double>{0, 0, -26.5, -53.5, -54.5, -54.5, -54.5}));
}
