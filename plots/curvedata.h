#pragma once
// Growing point series of the conversion-efficiency curves.

#include <qwt_series_data.h>

#include <QPointF>

#include <algorithm>
#include <vector>

class CurveData : public QwtArraySeriesData<QPointF>
{
public:
  CurveData() = default;

  // Appends (x[i], y[i]) for i from the present size up to the shorter of the
  // two vectors.
  void appendPoints(const std::vector<double> &x, const std::vector<double> &y)
  {
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = static_cast<size_t>(d_samples.size()); i < n; ++i)
      d_samples.append(QPointF(x[i], y[i]));
  }

  void clear() { d_samples.clear(); }

  QRectF boundingRect() const override { return qwtBoundingRect(*this); }
};
