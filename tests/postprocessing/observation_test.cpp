// The post-processing sections on their own, with no engine: the lists they
// fill, what they report, the wavelength transforms and the scheduler.

#include "postprocessing/fdtdobservation.h"
#include "postprocessing/observationreader.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <tuple>

namespace {

// The lists an engine would own, and what the observation reported.
struct Owner : ObservationListener
{
  // Cells of 10 nm, steps of 0.01 fs, stability 1.
  explicit Owner(int cells, bool periodic = false) : grid{cells, 10.0, 1e-17, 1e-9, 1.0, periodic, false, "nm"} {}
  ~Owner() override
  {
    qDeleteAll(fourier);
    qDeleteAll(spectrograms);
    qDeleteAll(poynting);
  }
  bool parse(const QStringList &lines)
  {
    ObservationDescription description;
    if (ObservationReader(lines, grid, status).read(description))
      return true;
    observation = std::make_unique<FdtdObservation>(ObservationLists{fourier, spectrograms, poynting}, *this, grid);
    observation->build(description);
    return false;
  }
  QStringList fourierNames() const
  {
    QStringList names;
    for (auto *f : fourier)
      names << f->name();
    return names;
  }
  void windowsOpened() override { ++opened; }
  void spectrogramRebuilt() override { ++rebuilt; }
  void stopRun(const QString &reason) override { stops << reason; }

  FdtdGridInfo grid;
  std::vector<FourierPostprocessing<int, double> *> fourier;
  std::vector<SpectrogramPostprocessing<int, double> *> spectrograms;
  std::vector<PoyntingPostprocessing<int, double> *> poynting;
  std::unique_ptr<FdtdObservation> observation;
  ParseStatus status;
  int opened = 0, rebuilt = 0;
  QStringList stops;
};

} // namespace

TEST(Observation, SeriesNumberTheirObjectsAndMapsOpenOneTransformPerRow)
{
  Owner o(100);
  ASSERT_FALSE(o.parse({"fourier typeOf", "F * name", "5 z-location", "0 use", "100 10 400 start",
                        "1 itstart", "end itend", "THz anyunit", "time typeOf", "T * name",
                        "1 z-location", "2 use", "10 30 every", "1 itstart", "5 itend", "fs tunit",
                        "fourier typeOf", "G * name", "100 z-location", "1 use", "100 150 every",
                        "0 1 2 start", "3 itstart", "50 itend", "GHz anyunit", "spectrogram typeOf",
                        "S * name", "100 50 300 start", "THz * anyunit", "0 25 75 loc_start"}));
  EXPECT_EQ(o.fourierNames(), (QStringList{"F", "G2", "G3", "S at 0 (spectrum)", "S at 25 (spectrum)",
                                           "S at 50 (spectrum)", "S at 75 (spectrum)"}));
  EXPECT_EQ(o.observation->probeNames(), (QStringList{"T1", "T2", "T3", "T4"}));
  EXPECT_EQ(std::make_pair(o.fourier[0]->iterationEnd(), o.fourier[0]->pointCount()), std::make_pair(INT_MAX, 31));
  EXPECT_EQ(std::make_tuple(o.fourier[2]->iterationStart(), o.fourier[2]->iterationEnd(), o.fourier[2]->location()),
            std::make_tuple(103, 150, 99));
  auto *s = dynamic_cast<StaticSpectrogramPostprocessing<int, double> *>(o.spectrograms.at(0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->rowAxis(), (std::vector<double>{0, 250, 500, 750})); // cell size 10 nm
  EXPECT_TRUE(o.observation->hasStaticSpectrogram());
}

TEST(Observation, WavelengthLineMatchesItsFrequencyTwin)
{
  // 800 nm is c / 800 nm = 374.740572... THz: the wavelength transform and a
  // frequency transform at that frequency (in Hz) see the same spectrum.
  const double twin = 299792458.0 / 800e-9 / 1e12;
  Owner o(4);
  ASSERT_FALSE(o.parse({"fourier typeOf", "F * name", "2 z-location", "0 use", "0.8 0.1 1.0 start",
                        "1 itstart", "end itend", "um anyunit", "fourier typeOf", "G * name",
                        "2 z-location", "0 use", QStringLiteral("%1 0 %1 start").arg(twin * 1e12, 0, 'g', 17),
                        "1 itstart", "end itend", "Hz anyunit", "spectrogram typeOf", "S * name",
                        "8e-7 1e-7 1e-6 start", "m * anyunit", "1 1 1 loc_start"}));
  auto *f = dynamic_cast<FourierPostprocessingFreqList<int, double> *>(o.fourier[0]);
  auto *g = dynamic_cast<FourierPostprocessingFreqList<int, double> *>(o.fourier[2]);
  ASSERT_TRUE(f && g);
  ASSERT_EQ(f->frequencies.size(), 3u);
  EXPECT_DOUBLE_EQ(f->frequencies[0], twin);
  EXPECT_DOUBLE_EQ(f->frequencies[2], 299.792458);
  EXPECT_NEAR(g->frequencies[0], twin * 1e6, 1e-6); // m pairs with MHz
  EXPECT_EQ(f->unitName() + " " + g->unitName(), "um m");
  std::vector<double> e(4, 0.0), h(5, 0.0);
  for (int it = 1; it <= 50; ++it) {
    e[1] = std::sin(0.01 * it * it);
    o.observation->observe(e, h, it);
  }
  EXPECT_NEAR(o.fourier[0]->magnitudes()[0], o.fourier[1]->magnitudes()[0], 1e-9);
  EXPECT_NEAR(o.fourier[0]->phases()[0], o.fourier[1]->phases()[0], 1e-9);
  EXPECT_NEAR(o.fourier[2]->magnitudes()[0], o.fourier[1]->magnitudes()[0], 1e-9);
}

TEST(Observation, DynamicWindowsFollowTheRoundTripAndEndTheRun)
{
  // 200 cells, one cell per 2 iterations: round trip 400 iterations, K = 10.
  Owner o(200, true);
  ASSERT_FALSE(o.parse({"spectrogram typeOf", "S * name", "100 50 300 start", "THz * anyunit",
                        "10000 maxdistance"}));
  std::vector<double> e(200), h(201);
  for (int it = 1; o.stops.isEmpty() && it <= 20000; ++it) {
    const double position = 20 + it / 2.0;
    for (int i = 0; i < 200; ++i) {
      double d = std::remainder(i - position, 200.0);
      e[static_cast<std::size_t>(i)] = std::exp(-d * d / 8.0) * std::cos(0.7 * d);
    }
    o.observation->observe(e, h, it);
  }
  const auto &st = o.observation->scheduler();
  // Windows opened once; 10000 nm at L = 2000 nm: the fifth window covers the distance.
  EXPECT_EQ(std::make_tuple(st.period, o.opened, o.rebuilt), std::make_tuple(400, 1, 4));
  EXPECT_EQ(o.stops, QStringList{QString()}); // done, no failure
  ASSERT_EQ(o.fourier.size(), 5u);
  for (std::size_t w = 0; w < 5; ++w) {
    EXPECT_EQ(o.fourier[w]->name(), QStringLiteral("S%1 (spectrum)").arg(w + 1));
    EXPECT_EQ(o.fourier[w]->iterationStart(), st.secondSighting + 200 + 400 * static_cast<int>(w));
    EXPECT_EQ(o.fourier[w]->iterationEnd() - o.fourier[w]->iterationStart(), 400);
  }
  EXPECT_EQ(std::make_pair(o.observation->probeSampleCount(0), o.observation->probeCount()), std::make_pair(401, 5));
  // The map after its last rebuild: one row per window, drawn from 2 L to (rows + 2) L.
  const SpectrogramData &map = *o.spectrograms.at(0)->data();
  EXPECT_EQ(std::make_tuple(map.rowCount(), map.interval(Qt::YAxis).minimum, map.interval(Qt::YAxis).maximum),
            std::make_tuple(4, 4000.0, 12000.0));
}

// Windows record exactly the iterations from their first to their last, ends
// included, at the boundary values every line accepts (first and last cell,
// stride 1, last window start 1, itend equal to itstart).
TEST(Observation, WindowsRecordExactlyFromTheirFirstToTheirLastIteration)
{
  Owner o(6);
  ASSERT_FALSE(o.parse({"time typeOf", "T * name", "6 z-location", "0 use", "3 itstart", "5 itend", "fs tunit",
                        "fourier typeOf", "F * name", "1 z-location", "1 use", "1 1 every", "1 1 1 start",
                        "4 itstart", "4 itend", "THz anyunit", "time typeOf", "U * name", "6 z-location", "1 use",
                        "2 3 every", "2 itstart", "3 itend", "fs tunit"}))
      << o.status.errorLine;
  std::vector<double> e(6), h(6, 1.0);
  for (int it = 1; it <= 8; ++it) {
    for (int i = 0; i < 6; ++i)
      e[std::size_t(i)] = it + 100 * i;
    o.observation->observe(e, h, it);
  }
  EXPECT_EQ(o.observation->probeNames(), (QStringList{"T", "U2", "U3"}));
  // Times in the probe's unit: T starts at iteration 3 of 0.01 fs steps.
  EXPECT_EQ(o.observation->probeTimeUnit(0), "fs");
  EXPECT_DOUBLE_EQ(o.observation->probeSampleInterval(0), 0.01);
  EXPECT_DOUBLE_EQ(o.observation->probeStartTime(0), 0.03);
  const std::vector<double> samples[] = {{503, 504, 505}, {502, 503}, {504, 505}};
  for (unsigned short k = 0; k < 3; ++k)
    EXPECT_EQ(o.observation->probeSamples(k), samples[k]) << k;
  EXPECT_EQ(o.fourierNames(), (QStringList{"F1", "F2"}));
  EXPECT_EQ(std::make_pair(o.fourier[0]->sampleCount(), o.fourier[0]->lastSample()), std::make_pair(1u, 4.0));
  EXPECT_EQ(std::make_pair(o.fourier[1]->sampleCount(), o.fourier[1]->lastSample()), std::make_pair(1u, 5.0));
}
