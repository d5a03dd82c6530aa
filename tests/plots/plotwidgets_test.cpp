// Plot widgets: refresh rule, lower limit, axis bookkeeping, envelope, saved
// files, and an offscreen rendering of each kind.

#include "fakeengine.h"

#include "plots/plotwidgets.h"

#include "testsupport.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_div.h>

#include <QApplication>
#include <QImage>
#include <QWheelEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using testsupport::readAll;

namespace {

const QString locationTitle = QStringLiteral("Location [um]");
const QString fieldTitle = QStringLiteral("Electric field [V/m]");

std::unique_ptr<EFieldPlotWidget> efieldPlot(FakeEngine &e)
{
  return std::make_unique<EFieldPlotWidget>(&e, locationTitle, fieldTitle, 1,
                                            "Electric field envelope 1", 0);
}

// Pixels of the canvas that are neither white nor gray (curves, colour map).
int colouredPixels(QWidget *canvas)
{
  const QImage image = canvas->grab().toImage();
  int count = 0;
  for (int yy = 0; yy < image.height(); ++yy) {
    for (int xx = 0; xx < image.width(); ++xx) {
      const QColor c = image.pixelColor(xx, yy);
      const bool gray = c.red() == c.green() && c.green() == c.blue() && c.red() > 100;
      if (!gray)
        ++count;
    }
  }
  return count;
}

} // namespace

// --- refresh decision and lower limit -----------------------------------------

TEST(AbstractPlotWidget, FormAndInitialState)
{
  FakeEngine e;
  e.field = {0, 0};
  auto w = efieldPlot(e);
  EXPECT_EQ(w->lineEdit->text(), "1");
  EXPECT_FALSE(w->lineEdit->isEnabled());
  EXPECT_FALSE(w->lineEdit_2->isEnabled());
  EXPECT_EQ(w->checkBox->text(), "Refresh");
  EXPECT_EQ(w->label->text(), "every");
  EXPECT_EQ(w->label_2->text(), "iteration(s)");
  EXPECT_EQ(w->label_3->text(), "ymin:");
  EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_EQ(w->title(), "Electric field envelope 1");
  EXPECT_EQ(w->objectIndex(), 0);
  EXPECT_FALSE(w->isLowerLimitActive());
  // A fresh widget is not refreshed until Refresh is ticked.
  EXPECT_FALSE(w->wantsRefresh(&e));
}

struct RefreshCase
{
  const char *every;
  int iteration;
  bool expected;
};

class RefreshRule : public ::testing::TestWithParam<RefreshCase>
{
};

TEST_P(RefreshRule, EveryNIterations)
{
  const RefreshCase c = GetParam();
  FakeEngine e;
  auto w = efieldPlot(e);
  w->checkBox->setChecked(true);
  EXPECT_TRUE(w->lineEdit->isEnabled());
  EXPECT_TRUE(w->lineEdit_2->isEnabled());
  w->lineEdit->setText(c.every);
  e.iteration = c.iteration;
  EXPECT_EQ(w->wantsRefresh(&e), c.expected) << "every " << c.every << " at " << c.iteration;
}

INSTANTIATE_TEST_SUITE_P(Cases, RefreshRule,
                         ::testing::Values(RefreshCase{"1", 7, true}, RefreshCase{"3", 6, true},
                                           RefreshCase{"3", 7, false}, RefreshCase{"3", 0, true},
                                           RefreshCase{"0", 7, true}, RefreshCase{"", 5, true},
                                           RefreshCase{"10", 25, false},
                                           RefreshCase{"2147483647", 2147483647, true}));

TEST(AbstractPlotWidget, UntickingStopsRefreshes)
{
  FakeEngine e;
  auto w = efieldPlot(e);
  w->checkBox->setChecked(true);
  w->checkBox->setChecked(false);
  EXPECT_FALSE(w->lineEdit->isEnabled());
  EXPECT_FALSE(w->wantsRefresh(&e));
  EXPECT_FALSE(w->wantsRefresh(nullptr));
}

TEST(AbstractPlotWidget, ZeroTypedIntoEveryIsKeptButCountsAsOne)
{
  FakeEngine e;
  auto w = efieldPlot(e);
  w->checkBox->setChecked(true);
  w->lineEdit->clear();
  QTest::keyClicks(w->lineEdit, "0");
  EXPECT_EQ(w->lineEdit->text(), "0");
  e.iteration = 13;
  EXPECT_TRUE(w->wantsRefresh(&e));
  EXPECT_EQ(w->refreshPeriod(), 0);
}

TEST(AbstractPlotWidget, LowerLimitNeedsReturnAndClearingDeactivates)
{
  FakeEngine e;
  auto w = efieldPlot(e);
  w->checkBox->setChecked(true);
  QTest::keyClicks(w->lineEdit_2, "-40");
  EXPECT_FALSE(w->isLowerLimitActive());
  EXPECT_EQ(w->lowerLimit(), -40.0);
  QTest::keyClick(w->lineEdit_2, Qt::Key_Return);
  EXPECT_TRUE(w->isLowerLimitActive());
  w->lineEdit_2->selectAll();
  QTest::keyClick(w->lineEdit_2, Qt::Key_Backspace);
  EXPECT_FALSE(w->isLowerLimitActive());
  // Return on an empty field does not activate it.
  QTest::keyClick(w->lineEdit_2, Qt::Key_Return);
  EXPECT_FALSE(w->isLowerLimitActive());
}

// --- field plots ---------------------------------------------------------------

TEST(FieldPlot, AxisAndHeader)
{
  FakeEngine e;
  e.field = {0, 0, 0, 0, 0};
  e.spacing = 0.25;
  EFieldPlotWidget w(&e, locationTitle, fieldTitle, 1, "t", 0, nullptr, 2.0);
  EXPECT_EQ(w.xValues(), (std::vector<double>{2.0, 2.25, 2.5, 2.75, 3.0}));
  EXPECT_EQ(w.columnHeader(), "! Location [um]\tElectric field [V/m]");
  w.plotWidget()->updateAxes();
  EXPECT_DOUBLE_EQ(w.plotWidget()->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 2.0);
  EXPECT_DOUBLE_EQ(w.plotWidget()->axisScaleDiv(QwtPlot::xBottom).upperBound(), 3.0);
}

TEST(FieldPlot, SymmetricAxisNeverShrinks)
{
  FakeEngine e;
  e.field = {1.0, 5.0, -2.0};
  auto w = efieldPlot(e);
  w->refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w->leftAxisLower(), -5.0);
  EXPECT_DOUBLE_EQ(w->leftAxisUpper(), 5.0);
  // The field decays: the axis stays.
  e.field = {0.1, -0.2, 0.05};
  w->refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w->leftAxisLower(), -5.0);
  EXPECT_DOUBLE_EQ(w->leftAxisUpper(), 5.0);
  EXPECT_DOUBLE_EQ(w->seenMaximum(), 5.0);
  // A deeper minimum widens it symmetrically.
  e.field = {-7.0, 0.0, 0.0};
  w->refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w->leftAxisLower(), -7.0);
  EXPECT_DOUBLE_EQ(w->leftAxisUpper(), 7.0);
  EXPECT_DOUBLE_EQ(w->axisMinimum(), -7.0);
  EXPECT_DOUBLE_EQ(w->axisMaximum(), 5.0);
  // A diverged value does not make the axis infinite.
  e.field = {std::numeric_limits<double>::infinity(), std::nan(""), 1.0};
  w->refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w->leftAxisUpper(), 7.0);
  EXPECT_DOUBLE_EQ(w->leftAxisLower(), -7.0);
}

TEST(FieldPlot, EnvelopeHoldsPeaksFromZero)
{
  FakeEngine e;
  e.field = {1.0, -2.0, 0.5};
  auto w = efieldPlot(e);
  EXPECT_FALSE(w->isEnvelopeShown());
  w->showEnvelope();
  EXPECT_TRUE(w->isEnvelopeShown());
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{0, 0, 0}));
  w->refreshPlot(&e);
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{1.0, 0.0, 0.5}));
  e.field = {0.5, -3.0, 4.0};
  w->refreshPlot(&e);
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{1.0, 0.0, 4.0}));
  w->resetEnvelope();
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{0, 0, 0}));
  EXPECT_TRUE(w->isEnvelopeShown());
  w->hideEnvelope();
  EXPECT_FALSE(w->isEnvelopeShown());
  // Showing again starts from zero.
  w->showEnvelope();
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{0, 0, 0}));
}

TEST(FieldPlot, NegativeFieldLeavesEnvelopeAtZero)
{
  FakeEngine e;
  e.field = {-1.0, -2.0};
  auto w = efieldPlot(e);
  w->showEnvelope();
  w->refreshPlot(&e);
  w->refreshPlot(&e);
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{0, 0}));
}

TEST(FieldPlot, SavedFileWithoutEnvelope)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {1e-9, -2.5, 1073741824.0};
  e.spacing = 0.5;
  auto w = efieldPlot(e);
  ASSERT_TRUE(w->saveToFile(dir.filePath("e.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("e.txt")), QByteArray("! Location [um]\tElectric field [V/m]\n"
                                                       "0\t1e-09\n"
                                                       "0.5\t-2.5\n"
                                                       "1\t1.0737418e+09\n"));
}

TEST(FieldPlot, SavedFileWithEnvelopeBlock)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {1.0, -2.0, 0.5};
  e.spacing = 0.5;
  auto w = efieldPlot(e);
  w->showEnvelope();
  w->refreshPlot(&e);
  e.field = {3.0, -1.0, 0.25};
  w->refreshPlot(&e);
  ASSERT_TRUE(w->saveToFile(dir.filePath("e.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("e.txt")), QByteArray("! Location [um]\tElectric field [V/m]\n"
                                                       "0\t3\n"
                                                       "0.5\t-1\n"
                                                       "1\t0.25\n"
                                                       "! E field Envelope:\n"
                                                       "! Location [um]\tElectric field [V/m]\n"
                                                       "0\t3\n"
                                                       "0.5\t0\n"
                                                       "1\t0.5\n"));
}

TEST(FieldPlot, PoyntingPlotReadsThePoyntingVector)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {9.0, 9.0};
  e.poyntingPostprocessings.push_back(new PoyntingPostprocessing<int, double>("S", 2));
  e.poyntingPostprocessings.front()->poynting = {0.0, 4.0};
  SFieldPlotWidget w(&e, locationTitle, "Poynting vector [W/m^2]", 1, "Poynting vector envelope 1",
                     0);
  w.showEnvelope();
  w.refreshPlot(&e);
  EXPECT_EQ(w.yValues(), (std::vector<double>{0.0, 4.0}));
  ASSERT_TRUE(w.saveToFile(dir.filePath("s.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("s.txt")), QByteArray("! Location [um]\tPoynting vector [W/m^2]\n"
                                                       "0\t0\n"
                                                       "1\t4\n"
                                                       "! Poynting vector Envelope:\n"
                                                       "! Location [um]\tPoynting vector [W/m^2]\n"
                                                       "0\t0\n"
                                                       "1\t4\n"));
}

TEST(FieldPlot, PoyntingPlotWithoutRecordSavesOnlyTheHeader)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {1.0, 2.0};
  SFieldPlotWidget w(&e, locationTitle, "Poynting vector [W/m^2]", 1, "p", 0);
  w.refreshPlot(&e);
  ASSERT_TRUE(w.saveToFile(dir.filePath("s.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("s.txt")), QByteArray("! Location [um]\tPoynting vector [W/m^2]\n"));
}

TEST(PlotWidgets, SaveFailsForAnUnwritableFile)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {1.0};
  auto w = efieldPlot(e);
  EXPECT_FALSE(w->saveToFile(dir.filePath("no/such/folder/e.txt"), &e));
  EXPECT_FALSE(w->saveToFile(dir.filePath("e.txt"), nullptr));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("e.txt")));
}

// --- time probe, spectrum, time and FFT plots -------------------------------------

TEST(TimeProbePlot, AxisHeaderAndFile)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.addProbe("probe A", "fs", 100.0, 0.5, {0.0, 2.0, -1.0});
  TimeProbePlotWidget w(&e, "Time [fs]", fieldTitle, 1, "probe A", 0);
  EXPECT_EQ(w.xValues(), (std::vector<double>{100.0, 100.5, 101.0}));
  EXPECT_EQ(w.header(), "! Time [fs]\tElectric field [V/m]\r\n!probe A");
  w.refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), 2.0);
  EXPECT_DOUBLE_EQ(w.leftAxisLower(), -2.0);
  ASSERT_TRUE(w.saveToFile(dir.filePath("p.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("p.txt")), QByteArray("! Time [fs]\tElectric field [V/m]\r\n"
                                                       "!probe A\n"
                                                       "100\t0\n"
                                                       "100.5\t2\n"
                                                       "101\t-1\n"));
}

TEST(SpectrumPlot, MagnitudeThenPhaseBlock)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.addFourier("A", 0.5, 0.25, 1.0, 10.0);
  SpectrumPlotWidget w(&e, "Frequency [THz]", "Magnitude [dBV/m]", 1, "A", 0);
  EXPECT_EQ(w.xValues(), (std::vector<double>{0.5, 0.75, 1.0}));
  ASSERT_TRUE(w.saveToFile(dir.filePath("a.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("a.txt")), QByteArray("! Magnitude spectrum:\n"
                                                       "! Frequency [THz]\tMagnitude [dBV/m]\n"
                                                       "0.5\t20\n"
                                                       "0.75\t20\n"
                                                       "1\t20\n"
                                                       "! Phase spectrum:\n"
                                                       "! Frequency [THz]\t Radians\n"
                                                       "0.5\t0\n"
                                                       "0.75\t0\n"
                                                       "1\t0\n"));
}

TEST(SpectrumPlot, AxisFollowsTheSpectrum)
{
  FakeEngine e;
  e.addFourier("flat", 0, 1, 2, 100.0); // 40 dB everywhere
  e.addFourier("neg", 0, 1, 2, 0.01);   // -40 dB everywhere
  SpectrumPlotWidget w(&e, "Frequency [THz]", "Magnitude [dBV/m]", 1, "flat", 0);
  w.refreshPlot(&e);
  // The seen maximum starts at 0 and the seen minimum at 1e10 on every refresh.
  EXPECT_DOUBLE_EQ(w.axisMinimum(), 40.0);
  EXPECT_DOUBLE_EQ(w.axisMaximum(), 40.0);

  SpectrumPlotWidget n(&e, "Frequency [THz]", "Magnitude [dBV/m]", 1, "neg", 1);
  n.refreshPlot(&e);
  // All magnitudes negative: the axis reaches up to 0.
  EXPECT_DOUBLE_EQ(n.leftAxisLower(), -40.0);
  EXPECT_DOUBLE_EQ(n.leftAxisUpper(), 0.0);
  EXPECT_DOUBLE_EQ(n.axisMinimum(), -40.0);
  EXPECT_DOUBLE_EQ(n.axisMaximum(), 0.0);
}

TEST(SpectrumPlot, SpectrumInsideThePreviousRangeLeavesTheAxis)
{
  FakeEngine e;
  // Phase steps of a quarter turn per sample between neighbouring points, so
  // two samples give different magnitudes at the three points.
  e.addFourier("A", 0, 0.25, 0.5, 10.0, 15);
  e.fourierPostprocessings.front()->process(std::vector<double>{5.0}, 2);
  SpectrumPlotWidget w(&e, "Frequency [PHz]", "Magnitude [dBV/m]", 1, "A", 0);
  w.refreshPlot(&e);
  const auto [lo, hi] = std::minmax_element(w.yValues().begin(), w.yValues().end());
  const double low = *lo;
  const double high = *hi;
  ASSERT_LT(low + 1.0, high);
  EXPECT_DOUBLE_EQ(w.leftAxisLower(), low);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), high);
  // A sample of 0 leaves every magnitude inside the range: no change.
  e.fourierPostprocessings.front()->process(std::vector<double>{0.0}, 3);
  w.refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w.leftAxisLower(), low);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), high);
}

TEST(TimePlot, AxisAndFile)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.timeSignal = true;
  e.dt = 0.5;
  e.field = {1.0, -3.0, 2.0};
  TimePlotWidget w(&e, e.timeAxisLabel(0), fieldTitle, 1, "UPPE E-field", 0);
  EXPECT_EQ(w.xValues(), (std::vector<double>{0.0, 0.5, 1.0}));
  w.refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), 3.0);
  ASSERT_TRUE(w.saveToFile(dir.filePath("t.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("t.txt")), QByteArray("! Time [fs]\tElectric field [V/m]\n"
                                                       "0\t1\n"
                                                       "0.5\t-3\n"
                                                       "1\t2\n"));
}

// A Gaussian pulse on a carrier of 32 cycles: the envelope ticked, the curve
// and the saved file hold the Gaussian itself (periodic window, no edge).
TEST(TimePlot, EnvelopeIsTheMagnitudeOfTheAnalyticSignal)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.timeSignal = true;
  e.dt = 1.0;
  const int n = 256;
  std::vector<double> gauss(n);
  for (int i = 0; i < n; ++i) {
    gauss[i] = 4.0 * std::exp(-std::pow((i - 128) / 20.0, 2));
    e.field.push_back(gauss[i] * std::cos(2.0 * M_PI * 32.0 * i / n));
  }
  TimePlotWidget w(&e, e.timeAxisLabel(0), fieldTitle, 1, "UPPE E-field", 0);
  w.refreshPlot(&e);
  w.envelopeCheckBox()->setChecked(true);
  const std::vector<double> shown = w.shownValues(e.field);
  for (int i = 0; i < n; ++i)
    EXPECT_NEAR(shown[i], gauss[i], 1e-6) << i;
  EXPECT_EQ(w.plotWidget()->axisTitle(QwtPlot::yLeft).text(), "Envelope of electric field [V/m]");
  ASSERT_TRUE(w.saveToFile(dir.filePath("t.txt"), &e));
  const QList<QByteArray> lines = readAll(dir.filePath("t.txt")).split('\n');
  EXPECT_EQ(lines[0], "! Time [fs]\tEnvelope of electric field [V/m]");
  EXPECT_EQ(lines[129], "128\t4");
}

TEST(FFTSpectrumPlot, MinusInfinityKeepsAFiniteAxis)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.timeSignal = true;
  e.df = 0.5;
  const double inf = std::numeric_limits<double>::infinity();
  e.spectrumDb = {-inf, -20.0, -5.0, -inf};
  FFTSpectrumPlotWidget w(&e, "Frequency [THz]", "Magnitude [dBV/m]", 1, "FFT spectrum", 0);
  EXPECT_EQ(w.xValues(), (std::vector<double>{0.0, 0.5, 1.0, 1.5}));
  w.refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w.leftAxisLower(), -20.0);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), -5.0);
  // A narrower spectrum leaves the axis as it is.
  e.spectrumDb = {-inf, -10.0, -6.0, -inf};
  w.refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w.leftAxisLower(), -20.0);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), -5.0);
  // An active lower limit sets the lower end, the seen maximum the upper one.
  w.checkBox->setChecked(true);
  QTest::keyClicks(w.lineEdit_2, "-100");
  QTest::keyClick(w.lineEdit_2, Qt::Key_Return);
  w.refreshPlot(&e);
  EXPECT_DOUBLE_EQ(w.leftAxisLower(), -100.0);
  EXPECT_DOUBLE_EQ(w.leftAxisUpper(), -6.0);
  // All values infinite: the axis stays finite.
  e.spectrumDb = {-inf, -inf, -inf, -inf};
  w.refreshPlot(&e);
  EXPECT_TRUE(std::isfinite(w.leftAxisLower()));
  EXPECT_TRUE(std::isfinite(w.leftAxisUpper()));

  e.spectrumDb = {-inf, -20.0, 1e-9, 0.125};
  ASSERT_TRUE(w.saveToFile(dir.filePath("f.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("f.txt")), QByteArray("! Magnitude spectrum:\n"
                                                       "! Frequency [THz]\tMagnitude [dBV/m]\n"
                                                       "0\t-inf\n"
                                                       "0.5\t-20\n"
                                                       "1\t1e-09\n"
                                                       "1.5\t0.125\n"));
}

// --- conversion efficiency ---------------------------------------------------------

TEST(ConversionEfficiencyPlot, LabelAxisAndFile)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.timeSignal = true;
  e.referenceEnergy = 8.0;
  e.positions = {0.001, 0.002};
  // The energy records are longer than the positions (they grow in chunks).
  e.totalEnergy = {8.0, 7.5, 0.0, 0.0};
  e.bandEnergy = {1.0, 2.0, 0.0, 0.0};
  ConversionEfficiencyPlotWidget w(&e, locationTitle, "Energy (a.u.)", 1, "conversion efficiency ",
                                   0);
  EXPECT_EQ(w.header(), "! Location [um]\tEnergy (a.u.)");
  w.refreshPlot(&e);
  EXPECT_EQ(w.efficiencyText(), "Conv. eff.:25 %");
  EXPECT_DOUBLE_EQ(w.plotWidget()->axisScaleDiv(QwtPlot::xBottom).upperBound(), 0.002);
  // A quarter of a decade beyond the data keeps both curves off the frame.
  EXPECT_DOUBLE_EQ(w.plotWidget()->axisScaleDiv(QwtPlot::yLeft).lowerBound(), std::pow(10.0, -0.25));
  EXPECT_DOUBLE_EQ(w.plotWidget()->axisScaleDiv(QwtPlot::yLeft).upperBound(), 8.0 * std::pow(10.0, 0.25));
  EXPECT_EQ(w.plotWidget()->axisTitle(QwtPlot::yLeft).text(), "Energy (a.u.)");
  e.positions.push_back(0.003);
  e.bandEnergy[2] = 8.0 / 3.0;
  e.totalEnergy[2] = 7.0;
  w.refreshPlot(&e);
  EXPECT_EQ(w.efficiencyText(), "Conv. eff.:33.3333 %");
  ASSERT_TRUE(w.saveToFile(dir.filePath("c.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("c.txt")), QByteArray("! Total energy: \n"
                                                       "! Location [um]\tEnergy (a.u.)\n"
                                                       "0.001\t8\n"
                                                       "0.002\t7.5\n"
                                                       "0.003\t7\n"
                                                       "! Energy in user-specified band: \n"
                                                       "! Location [um]\tEnergy (a.u.)\n"
                                                       "0.001\t1\n"
                                                       "0.002\t2\n"
                                                       "0.003\t2.6666667\n"));
}

TEST(CurveData, AppendsOnlyNewPoints)
{
  CurveData d;
  d.appendPoints({1, 2}, {10, 20, 30});
  ASSERT_EQ(d.size(), 2u);
  d.appendPoints({1, 2, 3}, {10, 20, 30});
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d.sample(2), QPointF(3, 30));
  EXPECT_EQ(d.boundingRect(), QRectF(1, 10, 2, 20));
}

// --- rendering ----------------------------------------------------------------------

TEST(PlotRendering, EveryCurvePlotDrawsSomething)
{
  FakeEngine e;
  e.field = {0.0, 1.0, -1.0, 0.5, 2.0, -2.0, 0.0, 1.5};
  e.addProbe("p", "fs", 0.0, 1.0, {0.0, 1.0, -1.0, 2.0, 0.0});
  e.addFourier("A", 0, 0.5, 3, 10.0);
  e.fourierPostprocessings.front()->process(std::vector<double>{5.0}, 2);
  e.poyntingPostprocessings.push_back(new PoyntingPostprocessing<int, double>("S", 8));
  e.poyntingPostprocessings.front()->poynting = {0, 1, 2, 3, 2, 1, 0, -1};

  std::vector<std::unique_ptr<RectangularPlotWidget>> plots;
  plots.emplace_back(new EFieldPlotWidget(&e, locationTitle, fieldTitle, 1, "E", 0));
  plots.emplace_back(new SFieldPlotWidget(&e, locationTitle, "S", 1, "S", 0));
  plots.emplace_back(new TimeProbePlotWidget(&e, "Time [fs]", fieldTitle, 1, "p", 0));
  plots.emplace_back(new SpectrumPlotWidget(&e, "Frequency [THz]", "Magnitude", 1, "A", 0));
  FakeEngine u;
  u.timeSignal = true;
  u.field = {0.0, 1.0, 0.0, -1.0, 0.0, 2.0};
  u.spectrumDb = {-std::numeric_limits<double>::infinity(), -10.0, -3.0, -20.0, -15.0};
  plots.emplace_back(new TimePlotWidget(&u, "Time [fs]", fieldTitle, 1, "UPPE E-field", 0));
  plots.emplace_back(new FFTSpectrumPlotWidget(&u, "Frequency [THz]", "Magnitude", 1, "FFT", 0));
  for (size_t i = 0; i < plots.size(); ++i) {
    auto &p = plots[i];
    p->resize(533, 293);
    const int blank = colouredPixels(p->plotWidget()->canvas());
    p->refreshPlot(i < 4 ? &e : &u);
    EXPECT_GT(colouredPixels(p->plotWidget()->canvas()), blank + 20) << "plot " << i;
  }
}

TEST(PlotRendering, ConversionEfficiencyDrawsSomething)
{
  FakeEngine e;
  e.timeSignal = true;
  e.referenceEnergy = 1.0;
  e.positions = {0.0, 1.0, 2.0, 3.0};
  e.totalEnergy = {1.0, 0.9, 0.8, 0.7};
  e.bandEnergy = {0.01, 0.05, 0.1, 0.2};
  ConversionEfficiencyPlotWidget w(&e, locationTitle, "Energy (a.u.)", 1, "c", 0);
  w.resize(533, 293);
  const int blank = colouredPixels(w.plotWidget()->canvas());
  w.refreshPlot(&e);
  EXPECT_GT(colouredPixels(w.plotWidget()->canvas()), blank + 20);
}

TEST(SpectrumPlot, ZeroSpectrumKeepsAFiniteAxis)
{
  FakeEngine e;
  e.addFourier("dark", 0, 1, 2, 0.0); // a zero sample: -inf dB everywhere
  SpectrumPlotWidget w(&e, "Frequency [THz]", "Magnitude [dBV/m]", 1, "dark", 0);
  w.refreshPlot(&e);
  EXPECT_TRUE(std::isfinite(w.axisMinimum()));
  EXPECT_TRUE(std::isfinite(w.leftAxisLower()));
  EXPECT_TRUE(std::isfinite(w.leftAxisUpper()));
}

// --- drawing budget, zoom, pictures ------------------------------------------------

namespace {

// A field plot whose redraw costs drawCost of the fake clock.
class CostlyPlot : public EFieldPlotWidget
{
public:
  CostlyPlot(FakeEngine &e, qint64 &now, qint64 drawCost)
      : EFieldPlotWidget(&e, locationTitle, fieldTitle, 1, "E", 0), now(now), drawCost(drawCost)
  {
    setClock([&now] { return now; });
  }
  void refreshPlot(Simulator *engine) override
  {
    now += drawCost;
    EFieldPlotWidget::refreshPlot(engine);
  }
  qint64 &now;
  qint64 drawCost;
};

struct BudgetCase
{
  qint64 drawCostMs;
  int redrawsPerSecond;
};

class RedrawBudget : public ::testing::TestWithParam<BudgetCase>
{
};

} // namespace

// One step per millisecond with "every 1": at most 25 redraws a second, and
// slow redraws are spread out so that drawing takes at most a fifth of the time.
TEST_P(RedrawBudget, LimitsRedrawsAndDrawingShare)
{
  constexpr qint64 ms = 1000000;
  FakeEngine e;
  e.field = {0.0, 1.0};
  qint64 now = 0;
  CostlyPlot w(e, now, GetParam().drawCostMs * ms);
  w.checkBox->setChecked(true);
  int redraws = 0;
  while (now < 1000 * ms) {
    ++e.iteration;
    now += ms;
    if (w.wantsRefresh(&e)) {
      w.refreshWithinBudget(&e);
      ++redraws;
    }
  }
  EXPECT_NEAR(redraws, GetParam().redrawsPerSecond, 1);
  EXPECT_LE(redraws * GetParam().drawCostMs, 210);
}

INSTANTIATE_TEST_SUITE_P(PlotWidgets, RedrawBudget,
                         ::testing::Values(BudgetCase{0, 25}, BudgetCase{5, 25}, BudgetCase{20, 10},
                                           BudgetCase{100, 2}));

TEST(PlotNavigation, WheelZoomIsKeptAcrossRefreshesUntilReset)
{
  FakeEngine e;
  e.field.assign(11, 1.0);
  auto w = efieldPlot(e);
  w->resize(533, 293);
  w->show();
  w->refreshPlot(&e);
  NavigablePlot *plot = w->navigablePlot();
  QWidget *canvas = plot->canvas();
  const QPoint centre = canvas->rect().center();
  QWheelEvent wheel(centre, canvas->mapToGlobal(centre), QPoint(), QPoint(0, -360), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &wheel);
  ASSERT_TRUE(plot->isZoomed());
  const QwtInterval x = plot->axisRange(QwtPlot::xBottom);
  const QwtInterval y = plot->axisRange(QwtPlot::yLeft);
  EXPECT_LT(x.width(), 10.0);
  EXPECT_LT(y.width(), 2.0);

  // A larger field would widen the axis; the user's view stays.
  e.field.assign(11, 7.0);
  w->refreshPlot(&e);
  EXPECT_EQ(plot->axisRange(QwtPlot::xBottom), x);
  EXPECT_EQ(plot->axisRange(QwtPlot::yLeft), y);

  plot->resetView();
  EXPECT_FALSE(plot->isZoomed());
  EXPECT_DOUBLE_EQ(w->leftAxisUpper(), 7.0);
  EXPECT_DOUBLE_EQ(plot->axisRange(QwtPlot::xBottom).maxValue(), 10.0);
}

TEST(PlotExport, EachFormatGivesANonEmptyPicture)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {0.0, 1.0, -1.0, 0.5};
  auto w = efieldPlot(e);
  w->resize(533, 293);
  w->refreshPlot(&e);
  for (const char *name : {"plot.png", "plot.svg", "plot.pdf"})
    EXPECT_TRUE(w->exportPicture(dir.filePath(name))) << name;
  EXPECT_TRUE(QImage(dir.filePath("plot.png")).width() > 0);
  EXPECT_TRUE(readAll(dir.filePath("plot.svg")).contains("<svg"));
  EXPECT_TRUE(readAll(dir.filePath("plot.pdf")).startsWith("%PDF"));
  EXPECT_FALSE(w->exportPicture(dir.filePath("plot.bmp")));
}

TEST(FieldPlot, MagneticFieldLiesBetweenTheElectricFieldPoints)
{
  FakeEngine e;
  e.field = {0.0, 0.0, 0.0};
  e.spacing = 2.0;
  HFieldPlotWidget w(&e, locationTitle, "Magnetic field [A/m]", 1, "Magnetic field envelope 1", 0);
  EXPECT_EQ(w.xValues(), std::vector<double>({-1.0, 1.0, 3.0, 5.0}));
}
