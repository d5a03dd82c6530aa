#include "plots/spectrogramplotwidget.h"

#include "engine/simulator.h"
#include "plots/columnwriter.h"
#include "postprocessing/spectrogramdata.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <qwt_interval.h>
#include <qwt_matrix_raster_data.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_scale_widget.h>
#include <qwt_slider.h>

#include <QHBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double largest = 1.7976931348623157e308;

// The spectrogram item owns (and deletes) its raster data, while the engine
// owns the spectrogram's data. The item therefore gets this view, which reads
// the engine's data and carries the intervals used for display.
class RasterView : public QwtRasterData
{
public:
  void setSource(SpectrogramData *data) { source = data; }

  // Lets the engine's data prepare itself (a lazily refilled map is brought
  // up to date here, before Qwt asks for values from several threads).
  void initRaster(const QRectF &area, const QSize &raster) override
  {
    if (source)
      source->initRaster(area, raster);
  }
  void discardRaster() override
  {
    if (source)
      source->discardRaster();
  }

  QRectF pixelHint(const QRectF &area) const override
  {
    return usable() ? source->pixelHint(area) : QRectF();
  }

  double value(double x, double y) const override
  {
    if (!source)
      return std::numeric_limits<double>::quiet_NaN();
    const int rows = source->rowCount();
    const int columns = source->columnCount();
    if (rows <= 0 || columns <= 0)
      return std::numeric_limits<double>::quiet_NaN();
    if (usable())
      return source->value(x, y);
    // A degenerate axis (a single location, a zero step): nearest cell.
    const QwtInterval xi = source->interval(Qt::XAxis);
    const QwtInterval yi = source->interval(Qt::YAxis);
    const int c = cellIndex(x, xi, columns);
    const int r = cellIndex(y, yi, rows);
    const QVector<double> &v = source->matrixValues();
    const int k = r * columns + c;
    return k < v.size() ? v.at(k) : std::numeric_limits<double>::quiet_NaN();
  }

private:
  static int cellIndex(double t, const QwtInterval &in, int count)
  {
    if (!(in.width() > 0.0))
      return 0;
    const double f = (t - in.minValue()) / in.width() * count;
    if (!(f > 0.0))
      return 0;
    return std::min(static_cast<int>(f), count - 1);
  }

  // Qwt's own lookup needs rows, columns and intervals of positive width.
  bool usable() const
  {
    return source && source->rowCount() > 0 && source->columnCount() > 0 &&
           source->interval(Qt::XAxis).width() > 0.0 &&
           source->interval(Qt::YAxis).width() > 0.0 &&
           source->matrixValues().size() >= source->rowCount() * source->columnCount();
  }

  SpectrogramData *source = nullptr;
};

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

// Spectral grid of a spectrogram: its own start and step when it offers
// them, otherwise derived from the data's X interval and column count.
template <typename S>
auto spectralStartOf(const S &s, int) -> decltype(static_cast<double>(s.spectralStart()))
{
  return static_cast<double>(s.spectralStart());
}
template <typename S>
double spectralStartOf(const S &s, long)
{
  return s.data() ? s.data()->interval(Qt::XAxis).minValue() : 0.0;
}
template <typename S>
auto spectralStepOf(const S &s, int) -> decltype(static_cast<double>(s.spectralStep()))
{
  return static_cast<double>(s.spectralStep());
}
template <typename S>
double spectralStepOf(const S &s, long)
{
  const SpectrogramData *d = s.data();
  if (!d || d->columnCount() < 2)
    return 0.0;
  return d->interval(Qt::XAxis).width() / (d->columnCount() - 1);
}

double spectrogramSpectralStart(const SpectrogramPostprocessing<int, double> &s)
{
  return spectralStartOf(s, 0);
}
double spectrogramSpectralStep(const SpectrogramPostprocessing<int, double> &s)
{
  return spectralStepOf(s, 0);
}

} // namespace

ColorMap::ColorMap() : QwtLinearColorMap(Qt::darkBlue, Qt::darkRed, QwtColorMap::RGB)
{
  addColorStop(0.2, Qt::blue);
  addColorStop(0.4, Qt::cyan);
  addColorStop(0.6, Qt::yellow);
  addColorStop(0.8, Qt::red);
}

SpectrogramPlot::SpectrogramPlot(const QString &xTitle, const QString &yTitle,
                                 const QString &colorBarTitle, QWidget *parent)
    : NavigablePlot(parent)
{
  if (auto *plotCanvas = qobject_cast<QwtPlotCanvas *>(canvas()))
    plotCanvas->setBorderRadius(10);

  spectrogram = new QwtPlotSpectrogram(QString());
  spectrogram->setRenderThreadCount(0);
  spectrogram->setColorMap(new ColorMap);
  spectrogram->setData(new RasterView);

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
  plotLayout = new QHBoxLayout;
  plotLayout->setSpacing(6);
  plotLayout->addWidget(plot);
  plotLayout->addWidget(thresholdSlider);
  gridLayout->addLayout(plotLayout, 1, 0);
  connect(thresholdSlider, &QwtSlider::valueChanged, this,
          &SpectrogramPlotWidget::repaintSpectrogram);

  const SpectrogramPostprocessing<int, double> *s = engine ? engine->spectrogram(objectIndex)
                                                           : nullptr;
  thresholdValue = dataMaximum(s ? s->data() : nullptr);
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
  showData();
}

void SpectrogramPlotWidget::showData()
{
  if (!hasData(data))
    return;
  const double maximum = dataMaximum(data);
  QwtPlotSpectrogram *item = plot->spectrogramItem();
  auto *view = static_cast<RasterView *>(item->data());
  view->setSource(data);
  const QwtInterval xInterval = displayInterval(data->interval(Qt::XAxis));
  const QwtInterval yInterval = displayInterval(data->interval(Qt::YAxis));
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
  data->setResampleMode(QwtMatrixRasterData::BilinearInterpolation);
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
}

QByteArray SpectrogramPlotWidget::fileContent(Simulator *engine) const
{
  const SpectrogramPostprocessing<int, double> *s = engine ? engine->spectrogram(index) : nullptr;
  if (!s || !s->data())
    return QByteArray();
  const SpectrogramData *d = s->data();
  const int columns = std::max(d->columnCount(), 0);
  const QVector<double> &values = d->matrixValues();
  const int rows = columns > 0 ? std::min(d->rowCount(), values.size() / columns) : 0;

  QByteArray bytes = formatMatrix(values.constData(), static_cast<std::size_t>(values.size()),
                                  rows, columns, QStringLiteral("! Spectrogram data:\n"));

  std::vector<double> spectral(static_cast<size_t>(columns));
  const double start = spectrogramSpectralStart(*s);
  const double step = spectrogramSpectralStep(*s);
  for (int i = 0; i < columns; ++i)
    spectral[static_cast<size_t>(i)] = start + i * step;
  bytes += formatMatrix(spectral.data(), spectral.size(), columns, 1,
                        QStringLiteral("! SPECTRAL variable expressed in [") + s->spectralUnit() +
                            QStringLiteral("] (corresponds to the columns):\n"));

  const std::vector<double> rowAxis = s->rowAxis();
  bytes += formatMatrix(rowAxis.data(), rowAxis.size(), rows, 1,
                        QStringLiteral("! SPATIAL variable expressed in [") + engine->lengthUnit +
                            QStringLiteral("] (corresponds to the rows):\n"));
  return bytes;
}

bool SpectrogramPlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  const QByteArray bytes = fileContent(engine);
  if (bytes.isEmpty())
    return false;
  return writeFileAtomically(fileName, bytes);
}
