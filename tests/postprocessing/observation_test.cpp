#include "fakeengine.h"

#include "engine/breakpoints.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>

namespace {
const QStringList fourierSection = {"fourier typeOf", "F * name", "5 z-location", "0 use",
                                    "100 10 400 start", "1 itstart", "end itend", "THz anyunit"};

std::unique_ptr<FakeFdtdEngine> loaded(const QStringList &lines, const FdtdGridInfo &g = smallGrid())
{
  auto e = std::make_unique<FakeFdtdEngine>(g);
  e->load(lines);
  return e;
}
} // namespace

// --- parser ------------------------------------------------------------------------

TEST(ObservationParse, NoSectionsIsFine)
{
  auto e = loaded({"1 stability"});
  EXPECT_TRUE(e->isConstructed());
  EXPECT_FALSE(e->spectrumAvailable);
  EXPECT_FALSE(e->timeSeriesAvailable);
  EXPECT_FALSE(e->spectrogramAvailable);
  EXPECT_FALSE(e->dynamicSpectrogram);
}

TEST(ObservationParse, FourierSection)
{
  auto e = loaded(fourierSection);
  ASSERT_TRUE(e->isConstructed());
  ASSERT_EQ(e->fourierPostprocessings.size(), 1u);
  auto *f = e->fourierPostprocessings[0];
  EXPECT_EQ(f->name(), "F");
  EXPECT_EQ(f->location(), 4);
  EXPECT_EQ(f->iterationStart(), 1);
  EXPECT_EQ(f->iterationEnd(), INT_MAX); // "end"
  EXPECT_EQ(f->pointCount(), 31);
  EXPECT_EQ(e->fourierNames(), QStringList{"F"});
  EXPECT_EQ(e->fourierUnit(0), "THz");
  EXPECT_EQ(e->fourierStart(0), 100);
  EXPECT_EQ(e->fourierStep(0), 10);
  EXPECT_EQ(e->fourierPointCount(0), 31);
  EXPECT_TRUE(e->spectrumAvailable);
}

TEST(ObservationParse, FourierSeriesWindowsAndNames)
{
  auto e = loaded({"fourier typeOf", "F * name", "100 z-location", "1 use", "100 500 every",
                   "0 1 2 start", "1 itstart", "50 itend", "GHz anyunit"});
  ASSERT_TRUE(e->isConstructed());
  ASSERT_EQ(e->fourierPostprocessings.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    auto *f = e->fourierPostprocessings[static_cast<size_t>(i)];
    EXPECT_EQ(f->name(), QStringLiteral("F%1").arg(i + 1));
    EXPECT_EQ(f->iterationStart(), 1 + 100 * i);
    EXPECT_EQ(f->iterationEnd(), 50 + 100 * i);
    EXPECT_EQ(f->location(), 99);
  }
}

TEST(ObservationParse, SeriesWithOpenEndIsClampedToTheLastIteration)
{
  auto e = loaded({"fourier typeOf", "F * name", "1 z-location", "1 use", "10 25 every",
                   "0 1 2 start", "5 itstart", "end itend", "GHz anyunit"});
  ASSERT_EQ(e->fourierPostprocessings.size(), 3u);
  EXPECT_EQ(e->fourierPostprocessings[0]->iterationEnd(), INT_MAX);
  EXPECT_EQ(e->fourierPostprocessings[1]->iterationStart(), 15);
  EXPECT_EQ(e->fourierPostprocessings[1]->iterationEnd(), INT_MAX);
  EXPECT_EQ(e->fourierPostprocessings[2]->iterationEnd(), INT_MAX);
}

TEST(ObservationParse, SeriesNumbersCountEarlierObjects)
{
  QStringList lines = fourierSection;
  lines << "time typeOf" << "T * name" << "1 z-location" << "2 use" << "10 30 every" << "1 itstart"
        << "5 itend" << "fs tunit";
  lines << "fourier typeOf" << "G * name" << "1 z-location" << "1 use" << "10 11 every"
        << "0 1 2 start" << "1 itstart" << "5 itend" << "GHz anyunit";
  auto e = loaded(lines);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->fourierNames(), (QStringList{"F", "G2", "G3"}));
  EXPECT_EQ(e->probeNames(), (QStringList{"T1", "T2", "T3", "T4"}));
  EXPECT_EQ(e->timeSeriesCount, 4);
  EXPECT_TRUE(e->timeSeriesAvailable);
}

TEST(ObservationParse, WavelengthLineMatchesItsFrequencyTwin)
{
  // 800 nm is c / 800 nm = 374.740572... THz: the wavelength transform and a
  // frequency transform at that frequency see the same spectrum.
  const double twin = 299792458.0 / 800e-9 / 1e12;
  auto e = loaded({"fourier typeOf", "F * name", "2 z-location", "0 use", "0.8 0.1 1.0 start",
                   "1 itstart", "end itend", "um anyunit", "fourier typeOf", "G * name",
                   "2 z-location", "0 use", QStringLiteral("%1 0 %1 start").arg(twin, 0, 'g', 17),
                   "1 itstart", "end itend", "THz anyunit", "spectrogram typeOf", "S * name",
                   "800 100 1000 start", "nm * anyunit", "1 1 1 loc_start"},
                  smallGrid(4, false, 1e-17));
  ASSERT_TRUE(e->isConstructed());
  auto *f = dynamic_cast<FourierPostprocessingFreqList<int, double> *>(e->fourierPostprocessings[0]);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->unitName(), "um");
  ASSERT_EQ(f->frequencies.size(), 3u);
  EXPECT_DOUBLE_EQ(f->frequencies[0], twin);
  EXPECT_DOUBLE_EQ(f->frequencies[2], 299.792458);
  auto *g = dynamic_cast<FourierPostprocessingFreqList<int, double> *>(e->fourierPostprocessings[2]);
  ASSERT_NE(g, nullptr);
  EXPECT_DOUBLE_EQ(g->frequencies[0], twin * 1e-3); // nm pairs with PHz
  for (int it = 1; it <= 50; ++it) {
    e->e[1] = std::sin(0.01 * it * it);
    e->step();
  }
  EXPECT_NEAR(e->fourierMagnitudes(0)[0], e->fourierMagnitudes(1)[0], 1e-9);
  EXPECT_NEAR(e->fourierPhases(0)[0], e->fourierPhases(1)[0], 1e-9);
  EXPECT_NEAR(e->fourierMagnitudes(2)[0], e->fourierMagnitudes(1)[0], 1e-9);
}

TEST(ObservationParse, StaticSpectrogramLocations)
{
  auto e = loaded({"spectrogram typeOf", "S * name", "100 50 300 start", "THz * anyunit",
                   "0 25 75 loc_start"});
  ASSERT_TRUE(e->isConstructed());
  EXPECT_TRUE(e->spectrogramAvailable);
  EXPECT_TRUE(e->spectrumAvailable);
  EXPECT_FALSE(e->dynamicSpectrogram);
  EXPECT_EQ(e->fourierNames(), (QStringList{"S at 0 (spectrum)", "S at 25 (spectrum)",
                                            "S at 50 (spectrum)", "S at 75 (spectrum)"}));
  auto *s = dynamic_cast<StaticSpectrogramPostprocessing<int, double> *>(e->spectrogram(0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->locationCount(), 4);
  EXPECT_EQ(s->data()->rowCount(), 4);
  EXPECT_EQ(s->data()->columnCount(), 5);
  EXPECT_EQ(s->rowAxis(), (std::vector<double>{0, 250, 500, 750})); // cell size 10 nm
  EXPECT_EQ(e->spectrogramUnit(0), "THz");
  EXPECT_TRUE(e->spectrogramIsFrequency(0));
  for (auto *f : e->fourierPostprocessings) {
    EXPECT_EQ(f->iterationStart(), 1);
    EXPECT_EQ(f->iterationEnd(), INT_MAX);
  }
}

TEST(ObservationParse, SpectrogramUnitWithoutStar)
{
  auto e = loaded({"spectrogram typeOf", "S * name", "100 50 300 start", "THz anyunit",
                   "10 1 10 loc_start"});
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->spectrogramUnit(0), "THz");
  EXPECT_EQ(e->fourierNames(), QStringList{"S at 10 (spectrum)"});
}

TEST(ObservationParse, StartSearchMatchesItstartWhenItComesFirst)
{
  // "itstart" contains "start": placed before the spectral line it is taken
  // for the spectral line and has too few words.
  FakeFdtdEngine e(smallGrid());
  EXPECT_TRUE(e.load({"fourier typeOf", "F * name", "1 z-location", "0 use", "1 itstart",
                      "0 1 2 start", "end itend", "THz anyunit"}));
  EXPECT_EQ(e.errorLine, 5);
}

TEST(ObservationParse, DynamicSpectrogram)
{
  auto e = loaded({"spectrogram typeOf", "S * name", "100 50 300 start", "THz * anyunit",
                   "2500.7 maxdistance"},
                  smallGrid(100, true));
  ASSERT_TRUE(e->isConstructed());
  EXPECT_TRUE(e->dynamicSpectrogram);
  EXPECT_FALSE(e->spectrogramAvailable);
  EXPECT_FALSE(e->spectrumAvailable); // until the first window opens
  auto *s = dynamic_cast<DynamicSpectrogramPostprocessing<int, double> *>(e->spectrogram(0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->maximumDistance(), 2500);
  EXPECT_DOUBLE_EQ(s->gridLength(), 1000.0);
  EXPECT_EQ(e->observation.scheduler().checkInterval, 5);
}

TEST(ObservationParse, PoyntingAndConversionEfficiency)
{
  auto e = loaded({"poynting typeOf", "P * name", "1 z-location", "0 use",
                   "conversionEfficiency typeOf", "C * name", "3 z-location", "0 use"});
  ASSERT_TRUE(e->isConstructed());
  ASSERT_EQ(e->poyntingPostprocessings.size(), 1u);
  EXPECT_EQ(e->poyntingPostprocessings[0]->name, "P");
  EXPECT_EQ(e->poyntingEnvelope().size(), 100u);
  EXPECT_FALSE(e->conversionEfficiencyAvailable);
}

TEST(ObservationParse, TypeWordIgnoresCase)
{
  auto e = loaded({"POYNTING typeOf", "P * name", "1 z-location", "0 use"});
  EXPECT_TRUE(e->isConstructed());
  EXPECT_EQ(e->poyntingPostprocessings.size(), 1u);
}

// --- time probes --------------------------------------------------------------------

TEST(TimeProbes, WindowAndFirstValue)
{
  auto e = loaded({"time typeOf", "T * name", "3 z-location", "0 use", "100 itstart",
                   "199 itend", "fs tunit"},
                  smallGrid(10, false, 1e-16));
  ASSERT_TRUE(e->isConstructed());
  ASSERT_EQ(e->probeSampleCount(0), 100);
  EXPECT_EQ(e->probeTimeUnit(0), "fs");
  EXPECT_DOUBLE_EQ(e->probeSampleInterval(0), 0.1);
  EXPECT_DOUBLE_EQ(e->probeStartTime(0), 10.0); // 100 * 0.1 fs
  for (int it = 1; it <= 250; ++it) {
    e->e[2] = it;
    e->step();
  }
  const auto &v = e->probeSamples(0);
  EXPECT_EQ(v.front(), 100.0);
  EXPECT_EQ(v.back(), 199.0);
}

struct ProbeUnit
{
  const char *written;
  long long samples;
  double dt;
  const char *unit;
  double interval;
};

class TimeProbeUnits : public ::testing::TestWithParam<ProbeUnit>
{
};

TEST_P(TimeProbeUnits, Chosen)
{
  const ProbeUnit p = GetParam();
  TimeProbe<int, double> probe("p", 0, 1, static_cast<int>(p.samples), p.dt, p.written);
  EXPECT_EQ(probe.timeUnit, p.unit);
  EXPECT_DOUBLE_EQ(probe.timeStep, p.interval);
}

INSTANTIATE_TEST_SUITE_P(TimeProbes, TimeProbeUnits,
                         ::testing::Values(ProbeUnit{"auto", 50000, 1e-17, "fs", 1e-2},
                                           ProbeUnit{"AUTO", 50000, 1e-17, "fs", 1e-2},
                                           ProbeUnit{"Auto", 5000, 1e-16, "fs", 1e-1},
                                           ProbeUnit{"auto", 1000, 1e-15, "ps", 1e-3},
                                           ProbeUnit{"PS", 1000, 1e-15, "PS", 1e-3},
                                           ProbeUnit{"s", 10, 1e-15, "s", 1e-15}));

// --- observation block --------------------------------------------------------------

TEST(Poynting, UpdateOverTwoIterations)
{
  // S = -H (Ebar[i-1] + Ebar[i]) / 4, Ebar = E now + E before.
  auto e = loaded({"poynting typeOf", "P * name", "1 z-location", "0 use"}, smallGrid(5));
  std::fill(e->e.begin(), e->e.end(), 1.0);
  std::fill(e->h.begin(), e->h.end(), 2.0);
  e->step();
  const auto &s = e->poyntingEnvelope();
  EXPECT_EQ(s[0], 0.0);
  for (size_t i = 1; i < s.size(); ++i)
    EXPECT_EQ(s[i], -1.0);
  e->step();
  EXPECT_EQ(s[0], 0.0);
  for (size_t i = 1; i < s.size(); ++i)
    EXPECT_EQ(s[i], -2.0);
}

TEST(Observation, FourierSeesTheCounterAfterTheIncrement)
{
  auto e = loaded({"fourier typeOf", "F * name", "1 z-location", "0 use", "0 1 0 start",
                   "1 itstart", "1 itend", "THz anyunit"},
                  smallGrid(4));
  e->e[0] = 3.0;
  e->step(); // iteration 1: the only one in the window
  e->e[0] = 100.0;
  e->step();
  EXPECT_DOUBLE_EQ(e->fourierMagnitudes(0)[0], 20 * std::log10(3.0));
  EXPECT_DOUBLE_EQ(e->fourierPhases(0)[0], 0.0);
}

TEST(Observation, StaticMapIsCurrentWhenRead)
{
  auto e = loaded({"spectrogram typeOf", "S * name", "0 100 300 start", "THz * anyunit",
                   "1 1 2 loc_start"},
                  smallGrid(4, false, 1e-16));
  SpectrogramData *d = e->spectrogram(0)->data();
  for (int it = 1; it <= 7; ++it) {
    e->e[1] = std::sin(0.3 * it);
    e->e[2] = 0.5;
    e->step();
    const QVector<double> v = d->matrixValues();
    ASSERT_EQ(v.size(), 8);
    for (int c = 0; c < 4; ++c) {
      EXPECT_DOUBLE_EQ(v[c], e->fourierMagnitudes(0)[c]);
      EXPECT_DOUBLE_EQ(v[4 + c], e->fourierMagnitudes(1)[c]);
    }
  }
}

// --- dynamic spectrogram scheduler ---------------------------------------------------

TEST(Scheduler, PeakTest)
{
  FakeFdtdEngine e(smallGrid(100, true));
  std::vector<double> field(100, 0.0);
  EXPECT_FALSE(e.observation.peakNearCentre(field)); // nothing positive
  field[45] = 1.0;
  EXPECT_TRUE(e.observation.peakNearCentre(field));
  field[45] = 0.0;
  field[55] = 1.0;
  EXPECT_TRUE(e.observation.peakNearCentre(field));
  field[56] = 2.0;
  EXPECT_FALSE(e.observation.peakNearCentre(field));
  field[44] = 2.0; // first of two equal maxima decides
  EXPECT_FALSE(e.observation.peakNearCentre(field));
  std::fill(field.begin(), field.end(), -1.0);
  field[50] = -0.5;
  EXPECT_FALSE(e.observation.peakNearCentre(field));
}

TEST(Scheduler, SmallGridsCheckEveryIteration)
{
  FakeFdtdEngine e(smallGrid(12, true));
  EXPECT_EQ(e.observation.scheduler().checkInterval, 1);
}

namespace {
// A pulse travelling around a ring of n cells at one cell per `perCell` iterations.
void placePulse(std::vector<double> &e, int iteration, int perCell, int start)
{
  const int n = static_cast<int>(e.size());
  const double position = start + static_cast<double>(iteration) / perCell;
  for (int i = 0; i < n; ++i) {
    double d = std::fmod(i - position, static_cast<double>(n));
    if (d > n / 2.0)
      d -= n;
    if (d < -n / 2.0)
      d += n;
    e[static_cast<size_t>(i)] = std::exp(-d * d / 8.0) * std::cos(0.7 * d);
  }
}
} // namespace

TEST(Scheduler, WindowsFollowTheRoundTrip)
{
  // 200 cells, one cell per 2 iterations: round trip 400 iterations, K = 10.
  auto e = loaded({"spectrogram typeOf", "S * name", "100 50 300 start", "THz * anyunit",
                   "10000 maxdistance"},
                  smallGrid(200, true));
  ASSERT_TRUE(e->isConstructed());
  QSignalSpy spectrum(e.get(), SIGNAL(createActionSpectrum()));
  QSignalSpy time(e.get(), SIGNAL(createActionTime()));
  QSignalSpy update(e.get(), SIGNAL(updateDynamicSpectrogram()));
  auto *s = dynamic_cast<DynamicSpectrogramPostprocessing<int, double> *>(e->spectrogram(0));
  ASSERT_NE(s, nullptr);
  int it = 0;
  while (!e->finished && it < 20000) {
    placePulse(e->e, it + 1, 2, 20);
    e->step();
    ++it;
  }
  const auto &st = e->observation.scheduler();
  EXPECT_TRUE(st.periodKnown);
  EXPECT_EQ(st.period, 400);
  EXPECT_EQ(st.currentPeriod, 400);
  EXPECT_EQ(spectrum.count(), 1);
  EXPECT_EQ(time.count(), 1);
  EXPECT_TRUE(e->finished);
  // 10000 nm at L = 2000 nm: the fifth window covers the distance.
  EXPECT_EQ(s->windowCount(), 5);
  EXPECT_EQ(update.count(), 4);
  EXPECT_EQ(s->data()->rowCount(), 4);
  EXPECT_DOUBLE_EQ(s->data()->interval(Qt::YAxis).minValue(), 2 * 2000.0);
  EXPECT_DOUBLE_EQ(s->data()->interval(Qt::YAxis).maxValue(), 6 * 2000.0);
  ASSERT_EQ(e->fourierPostprocessings.size(), 5u);
  const int t2 = st.secondSighting;
  for (size_t w = 0; w < 5; ++w) {
    auto *f = e->fourierPostprocessings[w];
    EXPECT_EQ(f->name(), QStringLiteral("S%1 (spectrum)").arg(w + 1));
    EXPECT_EQ(f->location(), 100);
    EXPECT_EQ(f->iterationEnd() - f->iterationStart(), 400);
    EXPECT_EQ(f->iterationStart(), t2 + 200 + 400 * static_cast<int>(w));
  }
  EXPECT_EQ(e->probeNames().front(), "S1 (time)");
  EXPECT_EQ(e->probeSampleCount(0), 401);
  EXPECT_EQ(e->timeSeriesCount, 5);
  EXPECT_TRUE(e->spectrumAvailable);
  EXPECT_TRUE(e->timeSeriesAvailable);
}

TEST(Scheduler, TwoDynamicSpectrogramsNumberTheirOwnWindows)
{
  auto e = loaded({"spectrogram typeOf", "A * name", "100 50 300 start", "THz * anyunit",
                   "4000 maxdistance", "spectrogram typeOf", "B * name", "1 0.5 2 start",
                   "um * anyunit", "6000 maxdistance"},
                  smallGrid(200, true));
  ASSERT_TRUE(e->isConstructed());
  int it = 0;
  while (!e->finished && it < 20000) {
    placePulse(e->e, it + 1, 2, 20);
    e->step();
    ++it;
  }
  EXPECT_TRUE(e->finished);
  // The run ends once both have covered their distance (B needs 3 windows).
  EXPECT_EQ(e->fourierNames(),
            (QStringList{"A1 (spectrum)", "B1 (spectrum)", "A2 (spectrum)", "B2 (spectrum)",
                         "A3 (spectrum)", "B3 (spectrum)"}));
  using FreqList = FourierPostprocessingFreqList<int, double>;
  EXPECT_NE(dynamic_cast<FreqList *>(e->fourierPostprocessings[1]), nullptr);
}

TEST(Scheduler, BreakpointAtTheEndFiresWhenTheSchedulerFinishes)
{
  FakeFdtdEngine e(smallGrid(100, true));
  ASSERT_FALSE(e.load({"spectrogram typeOf", "S * name", "100 50 300 start", "THz * anyunit",
                       "0 maxdistance"}));
  auto *bp = new ExitBreakpoint("exit", 0);
  e.breakpoints.append(bp);
  e.breakpointCount = 1;
  e.hasBreakpoints = true;
  QSignalSpy spy(bp, &AbstractBreakpoint::reached);
  int it = 0;
  while (!e.finished && it < 5000) {
    placePulse(e.e, it + 1, 1, 0);
    e.step();
    ++it;
  }
  EXPECT_TRUE(e.finished); // maximum distance 0: done with the first window
  EXPECT_EQ(spy.count(), 1);
}

TEST(ObservationParse, StepZeroMeansOnePointAndAutoInAnyCase)
{
  auto e = loaded({"fourier typeOf", "F * name", "1 z-location", "0 use", "300 0 300 start",
                   "1 itstart", "end itend", "THz anyunit", "time typeOf", "T * name",
                   "2 z-location", "0 use", "1 itstart", "50000 itend", "AUTO tunit"},
                  smallGrid(10, false, 1e-17));
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->fourierPointCount(0), 1);
  EXPECT_EQ(e->probeTimeUnit(0), "fs"); // automatic, as for "auto"
  EXPECT_DOUBLE_EQ(e->probeSampleInterval(0), 0.01);
}
