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

} // namespace

// --- refresh decision and lower limit -----------------------------------------

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

// --- field plots ---------------------------------------------------------------

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

// --- time probe, spectrum, time and FFT plots -------------------------------------

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

// --- rendering ----------------------------------------------------------------------

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
