#include "plots/spectrogramraster.h"

#include "postprocessing/spectrogramdata.h"

#include <algorithm>
#include <limits>

namespace {

int cellIndex(double t, const QwtInterval &in, int count)
{
  if (!(in.width() > 0.0))
    return 0;
  const double f = (t - in.minValue()) / in.width() * count;
  if (!(f > 0.0))
    return 0;
  return std::min(static_cast<int>(f), count - 1);
}

QwtInterval qwtInterval(const SpectrogramInterval &in) { return QwtInterval(in.minValue(), in.maxValue()); }

} // namespace

void SpectrogramRaster::setSource(const SpectrogramData *data)
{
  source = data;
  synchronise();
}

void SpectrogramRaster::synchronise() const
{
  usable = false;
  if (!source) {
    matrix.setValueMatrix(QVector<double>(), 1);
    return;
  }
  const int rows = source->rowCount();
  const int columns = source->columnCount();
  const QVector<double> &values = source->matrixValues();
  matrix.setInterval(Qt::XAxis, qwtInterval(source->interval(Qt::XAxis)));
  matrix.setInterval(Qt::YAxis, qwtInterval(source->interval(Qt::YAxis)));
  matrix.setValueMatrix(values, columns > 0 ? columns : 1);
  usable = rows > 0 && columns > 0 && values.size() >= rows * columns &&
           matrix.interval(Qt::XAxis).width() > 0.0 && matrix.interval(Qt::YAxis).width() > 0.0;
}

void SpectrogramRaster::initRaster(const QRectF &area, const QSize &raster)
{
  synchronise();
  matrix.initRaster(area, raster);
}

QRectF SpectrogramRaster::pixelHint(const QRectF &) const
{
  synchronise();
  if (!usable)
    return QRectF();
  // The image is computed at subdivisions x the data's resolution (bilinear
  // values between the cells) and scaled to the canvas, not computed anew
  // for every canvas pixel; Qwt falls back to the canvas resolution along an
  // axis where the data are finer than the screen.
  const QwtInterval x = matrix.interval(Qt::XAxis);
  const QwtInterval y = matrix.interval(Qt::YAxis);
  return QRectF(x.minValue(), y.minValue(), x.width() / matrix.numColumns() / subdivisions,
                y.width() / matrix.numRows() / subdivisions);
}

double SpectrogramRaster::value(double x, double y) const
{
  if (usable)
    return matrix.value(x, y);
  const int columns = matrix.numColumns();
  const int rows = matrix.numRows();
  const QVector<double> &v = matrix.valueMatrix();
  if (rows <= 0 || columns <= 0 || v.isEmpty())
    return std::numeric_limits<double>::quiet_NaN();
  const int k = cellIndex(y, matrix.interval(Qt::YAxis), rows) * columns +
                cellIndex(x, matrix.interval(Qt::XAxis), columns);
  return k < v.size() ? v.at(k) : std::numeric_limits<double>::quiet_NaN();
}
