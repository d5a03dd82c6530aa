#include "plots/navigableplot.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_scale_div.h>

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
  void rescale(double factor) override
  {
    target->beginNavigation();
    QwtPlotMagnifier::rescale(factor);
    target->endNavigation();
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
