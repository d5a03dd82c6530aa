// Spectrogram windows: colour map, threshold and slider, saved matrix blocks,
// and an offscreen rendering.

#include "fakeengine.h"

#include "plots/spectrogramplotwidget.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include "testsupport.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_slider.h>

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

#include <QApplication>
#include <QWheelEvent>

using testsupport::readAll;

namespace {

constexpr double largest = 1.7976931348623157e308;

// Three locations 10, 15, 20 (um) with 11 frequencies 0 ... 5 THz; the
// spectra are flat at 20, 40 and 60 dB.
struct StaticSetup
{
  StaticSetup()
  {
    e.addFourier("loc 10", 0.0, 0.5, 5.0, 10.0);
    e.addFourier("loc 15", 0.0, 0.5, 5.0, 100.0);
    e.addFourier("loc 20", 0.0, 0.5, 5.0, 1000.0);
    spectrogram = new StaticSpectrogramPostprocessing<int, double>(
        "map", "THz", 0.0, 0.5, 5.0, 12, true, 10.0, 5.0, 20.0, "um", 3, 11, 0);
    e.spectrogramPostprocessings.push_back(spectrogram);
    e.spectrogramAvailable = true;
  }
  void bind() { spectrogram->refresh(e.fourierPostprocessings); }

  FakeEngine e;
  StaticSpectrogramPostprocessing<int, double> *spectrogram;
};

std::unique_ptr<StaticSpectrogramPlotWidget> staticPlot(FakeEngine &e)
{
  return std::make_unique<StaticSpectrogramPlotWidget>(
      &e, "Frequency [THz]", "Distance [um]", "Magnitude [dBV/m]", 1, "Spectrogram", 0);
}

int colouredPixels(QWidget *canvas)
{
  const QImage image = canvas->grab().toImage();
  int count = 0;
  for (int yy = 0; yy < image.height(); ++yy)
    for (int xx = 0; xx < image.width(); ++xx) {
      const QColor c = image.pixelColor(xx, yy);
      if (!(c.red() == c.green() && c.green() == c.blue()))
        ++count;
    }
  return count;
}

} // namespace

TEST(SpectrogramPlot, FirstDataLowersTheThresholdAndTheSliderFollows)
{
  StaticSetup s;
  auto w = staticPlot(s.e);
  // Before any data the maximum is the largest double.
  EXPECT_EQ(w->threshold(), largest);
  w->refreshPlot(&s.e);
  EXPECT_EQ(w->threshold(), largest);

  s.bind();
  w->refreshPlot(&s.e);
  EXPECT_DOUBLE_EQ(w->threshold(), 20.0);
  EXPECT_DOUBLE_EQ(w->slider()->value(), 20.0);
  EXPECT_DOUBLE_EQ(w->slider()->minimum(), 20.0);
  EXPECT_DOUBLE_EQ(w->slider()->maximum(), 60.0);
  const QwtInterval z = w->plotWidget()->spectrogramItem()->data()->interval(Qt::ZAxis);
  EXPECT_DOUBLE_EQ(z.minValue(), 20.0);
  EXPECT_DOUBLE_EQ(z.maxValue(), 60.0);

  // Moving the slider raises the lower end of the colour scale ...
  w->slider()->setValue(40.0);
  EXPECT_DOUBLE_EQ(w->threshold(), 40.0);
  EXPECT_DOUBLE_EQ(w->plotWidget()->spectrogramItem()->data()->interval(Qt::ZAxis).minValue(), 40.0);
  // ... and later refreshes keep it while the maximum stays above it.
  w->refreshPlot(&s.e);
  EXPECT_DOUBLE_EQ(w->threshold(), 40.0);
  EXPECT_DOUBLE_EQ(w->slider()->value(), 40.0);
  // Back to the minimum shows the full range.
  w->slider()->setValue(20.0);
  EXPECT_DOUBLE_EQ(w->plotWidget()->spectrogramItem()->data()->interval(Qt::ZAxis).minValue(), 20.0);
}

TEST(SpectrogramPlot, SavedStaticSpectrogramHasThreeBlocks)
{
  QTemporaryDir dir;
  StaticSetup s;
  s.bind();
  auto w = staticPlot(s.e);
  ASSERT_TRUE(w->saveToFile(dir.filePath("map.txt"), &s.e));
  QByteArray expected = "! Spectrogram data:\n\n";
  for (const char *v : {"20", "40", "60"}) {
    for (int c = 0; c < 11; ++c)
      expected += QByteArray(v) + "\t";
    expected += "\n";
  }
  expected += "! SPECTRAL variable expressed in [THz] (corresponds to the columns):\n\n";
  for (const char *f : {"0", "0.5", "1", "1.5", "2", "2.5", "3", "3.5", "4", "4.5", "5"})
    expected += QByteArray(f) + "\t\n";
  expected += "! SPATIAL variable expressed in [um] (corresponds to the rows):\n\n"
              "10\t\n15\t\n20\t\n";
  EXPECT_EQ(readAll(dir.filePath("map.txt")), expected);
}

TEST(SpectrogramPlot, SavedDynamicSpectrogramUsesTheRowsPresent)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.lengthUnit = "mm";
  e.addFourier("w1", 0.0, 1.0, 2.0, 10.0);
  e.addFourier("w2", 0.0, 1.0, 2.0, 10.0);
  auto *d = new DynamicSpectrogramPostprocessing<int, double>("dyn", "THz", 0.0, 1.0, 2.0, 12,
                                                               true, 4.0, "mm", 100);
  e.spectrogramPostprocessings.push_back(d);
  e.dynamicSpectrogram = true;
  d->addWindow(e.fourierPostprocessings[0]);
  d->addWindow(e.fourierPostprocessings[1]);
  d->appendRow({1.0, 2.0, 3.0});
  d->appendRow({-std::numeric_limits<double>::infinity(), 5.0, 1e-9});
  DynamicSpectrogramPlotWidget w(&e, "Frequency [THz]", "Distance [mm]", "Magnitude [dBV/m]", 1,
                                 "Spectrogram", 0);
  w.refreshPlot(&e);
  // The -inf of an all-zero spectrum does not reach the colour scale.
  EXPECT_DOUBLE_EQ(w.threshold(), 1e-9);
  EXPECT_DOUBLE_EQ(w.slider()->maximum(), 5.0);
  ASSERT_TRUE(w.saveToFile(dir.filePath("dyn.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("dyn.txt")),
            QByteArray("! Spectrogram data:\n\n"
                       "1\t2\t3\t\n"
                       "-inf\t5\t1e-09\t\n"
                       "! SPECTRAL variable expressed in [THz] (corresponds to the columns):\n\n"
                       "0\t\n1\t\n2\t\n"
                       "! SPATIAL variable expressed in [mm] (corresponds to the rows):\n\n"
                       "2\t\n6\t\n"));
}

TEST(PlotRendering, SpectrogramDrawsAColourMap)
{
  StaticSetup s;
  s.bind();
  auto w = staticPlot(s.e);
  w->resize(533, 293);
  const int blank = colouredPixels(w->plotWidget()->canvas());
  w->refreshPlot(&s.e);
  EXPECT_GT(colouredPixels(w->plotWidget()->canvas()), blank + 1000);
}

TEST(SpectrogramPlot, ZoomIsKeptAcrossRefreshesAndSliderMoves)
{
  StaticSetup s;
  s.bind();
  auto w = staticPlot(s.e);
  w->resize(533, 293);
  w->show();
  w->refreshPlot(&s.e);
  NavigablePlot *plot = w->navigablePlot();
  QWidget *canvas = plot->canvas();
  const QPoint centre = canvas->rect().center();
  QWheelEvent wheel(centre, canvas->mapToGlobal(centre), QPoint(), QPoint(0, -240), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &wheel);
  const QwtInterval y = plot->axisRange(QwtPlot::yLeft);
  ASSERT_LT(y.width(), 10.0);
  w->refreshPlot(&s.e);
  w->slider()->setValue(40.0);
  EXPECT_EQ(plot->axisRange(QwtPlot::yLeft), y);
  plot->resetView();
  EXPECT_DOUBLE_EQ(plot->axisRange(QwtPlot::yLeft).minValue(), 10.0);
  EXPECT_DOUBLE_EQ(plot->axisRange(QwtPlot::yLeft).maxValue(), 20.0);
}
