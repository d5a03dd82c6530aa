#include "plots/navigableplot.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include <QWheelEvent>

#include <cmath>

namespace {

class Magnifier : public QwtPlotMagnifier
{
public:
  explicit Magnifier(NavigablePlot *plot) : QwtPlotMagnifier(plot->canvas()), target(plot)
  {
    setAxisEnabled(QwtPlot::yRight, false);
    setAxisEnabled(QwtPlot::xTop, false);
    // The wheel zooms; mouse buttons are left to the panner.
    setMouseButton(Qt::NoButton);
  }

protected:
  // Keys zoom about the centre.
  void rescale(double factor) override
  {
    target->beginNavigation();
    QwtPlotMagnifier::rescale(factor);
    target->endNavigation();
  }
  // The wheel zooms about the point under the cursor: up (away from the
  // user) zooms in, down zooms out.
  void widgetWheelEvent(QWheelEvent *event) override
  {
    if (event->modifiers() != wheelModifiers())
      return;
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0.0 && wheelFactor() > 0.0)
      target->zoomAbout(event->position(), std::pow(wheelFactor(), steps));
  }

private:
  NavigablePlot *target;
};

class Panner : public QwtPlotPanner
{
public:
  explicit Panner(NavigablePlot *plot) : QwtPlotPanner(plot->canvas()), target(plot)
  {
    setAxisEnabled(QwtPlot::yRight, false);
    setAxisEnabled(QwtPlot::xTop, false);
  }

  void moveCanvas(int dx, int dy) override
  {
    target->beginNavigation();
    QwtPlotPanner::moveCanvas(dx, dy);
    target->endNavigation();
  }

private:
  NavigablePlot *target;
};

} // namespace

constexpr int NavigablePlot::navigatedAxes[2];

NavigablePlot::NavigablePlot(QWidget *parent) : QwtPlot(parent)
{
  // The canvas must exist before the tools that live on it.
  if (!qobject_cast<QwtPlotCanvas *>(canvas()))
    setCanvas(new QwtPlotCanvas);
  new Magnifier(this);
  new Panner(this);
}

QwtInterval NavigablePlot::axisRange(int axis) const
{
  const QwtScaleDiv &div = axisScaleDiv(axis);
  return QwtInterval(div.lowerBound(), div.upperBound());
}

void NavigablePlot::beginNavigation()
{
  if (!zoomed) {
    updateAxes();
    for (int axis : navigatedAxes) {
      fullAutoScale[axis] = axisAutoScale(axis);
      fullView[axis] = axisRange(axis);
    }
    zoomed = true;
  }
  navigating = true;
}

void NavigablePlot::endNavigation()
{
  updateAxes();
  for (int axis : navigatedAxes)
    userView[axis] = axisRange(axis);
  navigating = false;
}

void NavigablePlot::zoomAbout(const QPointF &canvasPosition, double factor)
{
  if (!(factor > 0.0) || !std::isfinite(factor))
    return;
  beginNavigation();
  for (int axis : navigatedAxes) {
    // In pixels the anchor stays put and the distances to the ends scale
    // by factor; mapping back keeps logarithmic axes logarithmic.
    const QwtScaleMap map = canvasMap(axis);
    const double anchor = axis == QwtPlot::xBottom ? canvasPosition.x() : canvasPosition.y();
    const double low = map.invTransform(anchor + (map.p1() - anchor) * factor);
    const double high = map.invTransform(anchor + (map.p2() - anchor) * factor);
    if (std::isfinite(low) && std::isfinite(high) && low != high)
      setAxisScale(axis, low, high);
  }
  replot();
  endNavigation();
}

void NavigablePlot::replot()
{
  if (zoomed && !navigating) {
    // Whatever the widget set since the last replot is its new full view.
    updateAxes();
    for (int axis : navigatedAxes) {
      if (axisAutoScale(axis)) {
        fullAutoScale[axis] = true;
      } else if (axisRange(axis) != userView[axis]) {
        fullAutoScale[axis] = false;
        fullView[axis] = axisRange(axis);
      }
      setAxisScale(axis, userView[axis].minValue(), userView[axis].maxValue());
    }
  }
  QwtPlot::replot();
}

void NavigablePlot::resetView()
{
  if (!zoomed)
    return;
  zoomed = false;
  for (int axis : navigatedAxes) {
    if (fullAutoScale[axis])
      setAxisAutoScale(axis, true);
    else
      setAxisScale(axis, fullView[axis].minValue(), fullView[axis].maxValue());
  }
  replot();
}
