#pragma once
// Spectrogram windows: the raster data of one spectrogram post-processing as
// a colour map with a colour bar, and a slider that sets the lower end of the
// colour scale. Saved as three matrix blocks (values, spectral axis, rows).

#include "plots/abstractplotwidget.h"
#include "plots/navigableplot.h"

#include <qwt_color_map.h>
#include <qwt_interval.h>

#include <QVector>
#include <qwt_plot.h>

#include <QByteArray>

class QHBoxLayout;
class QLabel;
class QwtPlotSpectrogram;
class QwtSlider;
class SpectrogramData;

// Dark blue through blue, cyan, yellow and red to dark red. Not shared
// between threads (the plot renders with one).
class ColorMap : public QwtLinearColorMap
{
public:
  ColorMap();
  QRgb rgb(const QwtInterval &interval, double value) const override;

private:
  mutable QwtInterval tableInterval;
  mutable QVector<QRgb> table;
};

// The plot: one spectrogram item, a rounded canvas, wheel zoom and panning on
// the left and bottom axes, the colour bar on the right axis.
class SpectrogramPlot : public NavigablePlot
{
  Q_OBJECT

public:
  SpectrogramPlot(const QString &xTitle, const QString &yTitle, const QString &colorBarTitle,
                  QWidget *parent = nullptr);
  ~SpectrogramPlot() override;

  QwtPlotSpectrogram *spectrogramItem() const { return spectrogram; }

private:
  QwtPlotSpectrogram *spectrogram;
};

class SpectrogramPlotWidget : public AbstractPlotWidget
{
  Q_OBJECT

public:
  SpectrogramPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                        const QString &colorBarTitle, int refreshPeriod, const QString &title,
                        unsigned short objectIndex, QWidget *parent = nullptr);
  ~SpectrogramPlotWidget() override;

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;


  double threshold() const { return thresholdValue; }
  SpectrogramPlot *plotWidget() const { return plot; }
  NavigablePlot *navigablePlot() const override { return plot; }
  QwtSlider *slider() const { return thresholdSlider; }
  // "Colour floor" and the slider's value, above the slider.
  QLabel *sliderLabel() const { return thresholdLabel; }

  // Range of the data's values as shown (its minimum and maximum, finite
  // values only); without data -1.7976931348623157e308 ... 1.7976931348623157e308.
  static double dataMinimum(const SpectrogramData *data);
  static double dataMaximum(const SpectrogramData *data);

public slots:
  void repaintSpectrogram(double value);

private:
  void showData();
  void showThreshold();

  double thresholdValue = 0.0;
  SpectrogramData *data = nullptr; // owned by the engine
  SpectrogramPlot *plot = nullptr;
  QwtSlider *thresholdSlider = nullptr;
  QLabel *thresholdLabel = nullptr;
  QHBoxLayout *plotLayout = nullptr;
};

class StaticSpectrogramPlotWidget : public SpectrogramPlotWidget
{
  Q_OBJECT

public:
  using SpectrogramPlotWidget::SpectrogramPlotWidget;
};

class DynamicSpectrogramPlotWidget : public SpectrogramPlotWidget
{
  Q_OBJECT

public:
  using SpectrogramPlotWidget::SpectrogramPlotWidget;
};
