#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogramdata.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace {
using Fourier = FourierPostprocessing<int, double>;
using Static = StaticSpectrogramPostprocessing<int, double>;
using Dynamic = DynamicSpectrogramPostprocessing<int, double>;

struct FourierList
{
  std::vector<Fourier *> list;
  ~FourierList()
  {
    for (auto *f : list)
      delete f;
  }
};
} // namespace

TEST(SpectrogramData, SentinelsBeforeData)
{
  SpectrogramData d(0, 10, 1);
  EXPECT_EQ(d.minimum(), -1.7976931348623157e308);
  EXPECT_EQ(d.maximum(), 1.7976931348623157e308);
  EXPECT_EQ(d.rowCount(), 0);
  EXPECT_EQ(d.interval(Qt::XAxis).minValue(), 0);
  EXPECT_EQ(d.interval(Qt::XAxis).maxValue(), 10);
}

TEST(SpectrogramData, StaticShape)
{
  StaticSpectrogramData d(0, 1, 10, 100, 50, 200);
  EXPECT_EQ(d.columnCount(), 11);
  EXPECT_EQ(d.rowCount(), 3);
  EXPECT_EQ(d.matrixValues().size(), 33);
  EXPECT_EQ(d.interval(Qt::YAxis).minValue(), 100);
  EXPECT_EQ(d.interval(Qt::YAxis).maxValue(), 200);
  EXPECT_EQ(d.rowStepValue(), 50);
}

TEST(StaticSpectrogram, RowsFollowTheirOwnLocationsAndZeroSpectraShowAsZero)
{
  // Locations 10, 15, 20 (three rows, the last included); location 15 sees no field.
  FourierList fl;
  fl.list.push_back(new Fourier("other", 0, 1, INT_MAX, 0, 1, 3, 1e-16, 12));
  for (int cell : {10, 15, 20})
    fl.list.push_back(new Fourier("S at", cell, 1, INT_MAX, 0, 1, 3, 1e-16, 12));
  Static s("S", "THz", 0, 1, 3, 12, true, 100, 50, 200, "nm", 3, 4, 1);
  EXPECT_EQ(s.data()->rowCount(), 3);
  std::vector<double> e(30, 0.0);
  e[10] = 1.0;
  e[20] = 3.0;
  e[0] = 100.0;
  for (int it = 1; it <= 3; ++it) {
    for (auto *f : fl.list)
      f->process(e, it);
    s.refresh(fl.list);
  }
  const QVector<double> v = s.data()->matrixValues();
  ASSERT_EQ(v.size(), 12);
  for (int c = 0; c < 4; ++c) {
    EXPECT_DOUBLE_EQ(v[c], fl.list[1]->magnitudes()[c]);
    EXPECT_EQ(v[4 + c], 0.0); // -inf shown as 0
    EXPECT_DOUBLE_EQ(v[8 + c], fl.list[3]->magnitudes()[c]);
  }
  double lo = 0, hi = 0;
  for (double x : v) {
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  EXPECT_EQ(s.data()->minimum(), lo);
  EXPECT_EQ(s.data()->maximum(), hi);
  EXPECT_LE(s.data()->minimum(), 0.0); // the colour range includes 0
  EXPECT_EQ(s.rowAxis(), (std::vector<double>{100, 150, 200}));

  // Reading through Qwt's interface gives current values too.
  for (auto *f : fl.list)
    f->process(e, 4);
  s.refresh(fl.list);
  EXPECT_DOUBLE_EQ(s.data()->value(0.0, 100.0), fl.list[1]->magnitudes()[0]);
}

TEST(DynamicSpectrogram, AppendRowsAndInterval)
{
  Dynamic s("D", "um", 0.8, 0.1, 1.0, 12, false, 5.0, "um", 100);
  SpectrogramData *d = s.data();
  EXPECT_DOUBLE_EQ(d->interval(Qt::XAxis).maxValue(), 1.0);
  s.appendRow({1, 2, 3});
  s.appendRow({-4, 0, 9});
  EXPECT_EQ(d->rowCount(), 2);
  EXPECT_EQ(d->columnCount(), 3);
  EXPECT_EQ(d->minimum(), -4);
  EXPECT_EQ(d->maximum(), 9);
  EXPECT_EQ(static_cast<DynamicSpectrogramData *>(d)->lastRowMinimum(), -4);
  EXPECT_DOUBLE_EQ(d->interval(Qt::YAxis).minValue(), 10.0); // 2 L
  EXPECT_DOUBLE_EQ(d->interval(Qt::YAxis).maxValue(), 20.0); // (rows + 2) L
  s.clearRows();
  EXPECT_EQ(d->rowCount(), 0);
  s.appendRow({5, 6, 7});
  EXPECT_EQ(d->minimum(), 5); // a rebuilt matrix starts its range afresh
  EXPECT_EQ(d->maximum(), 7);
  EXPECT_EQ(d->matrixValues(), (QVector<double>{5, 6, 7}));
}

TEST(DynamicSpectrogram, LastGridPointAndRowAxis)
{
  Dynamic s("D", "THz", 100, 30, 200, 12, true, 2.0, "um", 10);
  EXPECT_DOUBLE_EQ(s.data()->interval(Qt::XAxis).maxValue(), 220.0);
  EXPECT_EQ(s.rowAxis(), (std::vector<double>{1.0}));
  Fourier f("w", 0, 1, 2, 100, 30, 200, 1e-16, 12);
  s.addWindow(&f);
  s.addWindow(&f);
  EXPECT_EQ(s.rowAxis(), (std::vector<double>{1.0, 3.0, 5.0}));
  EXPECT_EQ(s.windowCount(), 2);
  EXPECT_FALSE(s.distanceCovered());
  for (int i = 0; i < 3; ++i)
    s.addWindow(&f);
  EXPECT_TRUE(s.distanceCovered()); // 10 <= 5 * 2
}
