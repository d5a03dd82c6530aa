#include "plots/spectrogramplotwidget.h"

#include "engine/simulator.h"
#include "results/resultcatalogue.h"
#include "plots/spectrogramraster.h"
#include "postprocessing/spectrogramdata.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <qwt_interval.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_scale_widget.h>
#include <qwt_slider.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double largest = 1.7976931348623157e308;

// A display interval of positive width around a possibly degenerate one.
QwtInterval displayInterval(const QwtInterval &in)
{
  if (in.width() > 0.0)
    return in;
  const double c = std::isfinite(in.minValue()) ? in.minValue() : 0.0;
  return QwtInterval(c - 0.5, c + 0.5);
}

// The range of values to show: the data's own minimum and maximum, or, when
// one of them is not finite (a dynamic map keeps -inf of an all-zero
// spectrum), the smallest and largest finite value. False while the map has
// no data (no rows, or the sentinels +-1.7976931348623157e308 of a map that
// was never filled).
bool displayRange(const SpectrogramData *d, double &low, double &high)
{
  if (!d || d->rowCount() <= 0 || d->columnCount() <= 0 || d->matrixValues().isEmpty())
    return false;
  low = d->minimum();
  high = d->maximum();
  if (low <= -largest && high >= largest)
    return false;
  if (std::isfinite(low) && std::isfinite(high) && low <= high)
    return true;
  bool any = false;
  for (double v : d->matrixValues()) {
    if (!std::isfinite(v))
      continue;
    if (!any) {
      low = high = v;
      any = true;
    } else {
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  return any;
}

bool hasData(const SpectrogramData *d)
{
  double low = 0.0;
  double high = 0.0;
  return displayRange(d, low, high);
}

} // namespace

ColorMap::ColorMap() : QwtLinearColorMap(Qt::darkBlue, Qt::darkRed, QwtColorMap::RGB)
{
  addColorStop(0.2, Qt::blue);
  addColorStop(0.4, Qt::cyan);
  addColorStop(0.6, Qt::yellow);
  addColorStop(0.8, Qt::red);
}

QRgb ColorMap::rgb(const QwtInterval &interval, double value) const
{
  // The colours of one interval come from a table of 256 computed once, not
  // interpolated between the stops for every pixel.
  if (std::isnan(value))
    return 0u;
  if (interval != tableInterval || table.isEmpty()) {
    table.resize(256);
    const double step = interval.width() / 255.0;
    for (int i = 0; i < 256; ++i)
      table[i] = QwtLinearColorMap::rgb(interval, interval.minValue() + i * step);
    tableInterval = interval;
  }
  return table.at(colorIndex(interval, value));
}

SpectrogramPlot::SpectrogramPlot(const QString &xTitle, const QString &yTitle,
                                 const QString &colorBarTitle, QWidget *parent)
    : NavigablePlot(parent)
{
  if (auto *plotCanvas = qobject_cast<QwtPlotCanvas *>(canvas()))
    plotCanvas->setBorderRadius(10);

  spectrogram = new QwtPlotSpectrogram(QString());
  // One thread: the engine's threads need the cores more than the picture.
  spectrogram->setRenderThreadCount(1);
  spectrogram->setColorMap(new ColorMap);
  spectrogram->setData(new SpectrogramRaster);

  setAxisTitle(QwtPlot::xBottom, xTitle);
  setAxisTitle(QwtPlot::yLeft, yTitle);
  setAxisTitle(QwtPlot::yRight, colorBarTitle);
}

SpectrogramPlot::~SpectrogramPlot()
{
  // The plot deletes the items attached to it; before any data the
  // spectrogram item has not been attached.
  if (spectrogram->plot() != this)
    delete spectrogram;
}

SpectrogramPlotWidget::SpectrogramPlotWidget(Simulator *engine, const QString &xTitle,
                                             const QString &yTitle,
                                             const QString &colorBarTitle, int refreshPeriod,
                                             const QString &title, unsigned short objectIndex,
                                             QWidget *parent)
    : AbstractPlotWidget(refreshPeriod, title, objectIndex, parent)
{
  plot = new SpectrogramPlot(xTitle, yTitle, colorBarTitle, this);
  thresholdSlider = new QwtSlider(this);
  thresholdSlider->setToolTip(tr("Lower end of the colour scale: smaller values are drawn in its first colour"));
  thresholdLabel = new QLabel(this);
  thresholdLabel->setObjectName(QStringLiteral("colourFloorLabel"));
  thresholdLabel->setAlignment(Qt::AlignHCenter);
  auto *sliderColumn = new QVBoxLayout;
  sliderColumn->addWidget(thresholdLabel);
  sliderColumn->addWidget(thresholdSlider, 1, Qt::AlignHCenter);
  plotLayout = new QHBoxLayout;
  plotLayout->setSpacing(6);
  plotLayout->addWidget(plot, 1);
  plotLayout->addLayout(sliderColumn);
  setMinimumSize(minimumReadableWidth + 80, minimumReadableHeight + 20);
  gridLayout->addLayout(plotLayout, 1, 0);
  connect(thresholdSlider, &QwtSlider::valueChanged, this,
          &SpectrogramPlotWidget::repaintSpectrogram);

  const SpectrogramPostprocessing<int, double> *s = engine ? engine->spectrogram(objectIndex)
                                                           : nullptr;
  thresholdValue = dataMaximum(s ? s->data() : nullptr);
  showThreshold();
}

void SpectrogramPlotWidget::showThreshold()
{
  const bool known = std::isfinite(thresholdValue) && std::fabs(thresholdValue) < largest;
  thresholdLabel->setText(tr("Colour floor\n%1").arg(known ? QString::number(thresholdValue, 'g', 4) : QStringLiteral("\u2013")));
}

SpectrogramPlotWidget::~SpectrogramPlotWidget() = default;

double SpectrogramPlotWidget::dataMinimum(const SpectrogramData *d)
{
  double low = 0.0;
  double high = 0.0;
  return displayRange(d, low, high) ? low : -largest;
}

double SpectrogramPlotWidget::dataMaximum(const SpectrogramData *d)
{
  double low = 0.0;
  double high = 0.0;
  return displayRange(d, low, high) ? high : largest;
}

void SpectrogramPlotWidget::repaintSpectrogram(double value)
{
  thresholdValue = value;
  showThreshold();
  showData();
}

void SpectrogramPlotWidget::showData()
{
  if (!hasData(data))
    return;
  const double maximum = dataMaximum(data);
  QwtPlotSpectrogram *item = plot->spectrogramItem();
  auto *view = static_cast<SpectrogramRaster *>(item->data());
  view->setSource(data);
  const SpectrogramInterval x = data->interval(Qt::XAxis);
  const SpectrogramInterval y = data->interval(Qt::YAxis);
  const QwtInterval xInterval = displayInterval(QwtInterval(x.minValue(), x.maxValue()));
  const QwtInterval yInterval = displayInterval(QwtInterval(y.minValue(), y.maxValue()));
  const QwtInterval zInterval(std::min(thresholdValue, maximum), maximum);
  view->setInterval(Qt::XAxis, xInterval);
  view->setInterval(Qt::YAxis, yInterval);
  view->setInterval(Qt::ZAxis, zInterval);
  item->invalidateCache();
  item->attach(plot);

  QwtScaleWidget *rightAxis = plot->axisWidget(QwtPlot::yRight);
  rightAxis->setColorBarEnabled(true);
  rightAxis->setColorBarWidth(40);
  rightAxis->setColorMap(zInterval, new ColorMap);
  plot->setAxisScale(QwtPlot::yRight, zInterval.minValue(), zInterval.maxValue());
  plot->setAxisScale(QwtPlot::yLeft, yInterval.minValue(), yInterval.maxValue());
  plot->enableAxis(QwtPlot::yRight);
  plot->enableAxis(QwtPlot::yLeft);
  plot->plotLayout()->setAlignCanvasToScales(true);
  plot->replot();
}

void SpectrogramPlotWidget::refreshPlot(Simulator *engine)
{
  const SpectrogramPostprocessing<int, double> *s = engine ? engine->spectrogram(index) : nullptr;
  data = s ? s->data() : nullptr;
  // A map without rows (a dynamic spectrogram before its first period) has
  // nothing to show; the threshold waits for real data.
  double minimum = 0.0;
  double maximum = 0.0;
  if (!displayRange(data, minimum, maximum))
    return;
  if (maximum <= thresholdValue)
    thresholdValue = minimum;
  showData();
  const QSignalBlocker block(thresholdSlider);
  thresholdSlider->setScale(minimum, maximum);
  thresholdSlider->setValue(thresholdValue);
  showThreshold();
}

bool SpectrogramPlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  return engine && writeResultFile(*engine, plotEntry(ResultKind::Spectrogram, index, titleText, QString(), QString()),
                                   fileName);
}
