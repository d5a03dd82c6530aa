#include "plots/rectangularplotwidget.h"

#include "plots/navigableplot.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_div.h>

#include <QPen>

#include <algorithm>
#include <cmath>

QwtPlotGrid *attachStandardGrid(QwtPlot *plot)
{
  auto *grid = new QwtPlotGrid;
  grid->enableX(true);
  grid->enableY(true);
  grid->enableXMin(false);
  grid->enableYMin(false);
  grid->setMajorPen(QPen(QBrush(Qt::gray), 0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
  grid->attach(plot);
  return grid;
}

RectangularPlotWidget::RectangularPlotWidget(const QString &xAxisTitle, const QString &yAxisTitle,
                                             int refreshPeriod, const QString &title,
                                             unsigned short objectIndex, QWidget *parent)
    : AbstractPlotWidget(refreshPeriod, title, objectIndex, parent), xTitle(xAxisTitle),
      yTitle(yAxisTitle)
{
  plot = new NavigablePlot(this);
  plot->setFocusPolicy(Qt::ClickFocus);
  gridLayout->addWidget(plot, 1, 0);
  plot->setAxisAutoScale(QwtPlot::xBottom, true);
  plot->setCanvasBackground(QBrush(Qt::white));
  plot->setAxisTitle(QwtPlot::xBottom, xTitle);
  plot->setAxisTitle(QwtPlot::yLeft, yTitle);
  attachStandardGrid(plot);
  curve = new QwtPlotCurve(QString());
  curve->attach(plot);
}

// The plot deletes its items (curves, grid) with itself.
RectangularPlotWidget::~RectangularPlotWidget() = default;

QwtPlot *RectangularPlotWidget::plotWidget() const { return plot; }

QString RectangularPlotWidget::columnHeader() const
{
  return QStringLiteral("! ") + xTitle + QLatin1Char('\t') + yTitle;
}

double RectangularPlotWidget::leftAxisLower() const
{
  return plot->axisScaleDiv(QwtPlot::yLeft).lowerBound();
}

double RectangularPlotWidget::leftAxisUpper() const
{
  return plot->axisScaleDiv(QwtPlot::yLeft).upperBound();
}

void RectangularPlotWidget::updateSymmetricAxis(const std::vector<double> &values)
{
  for (double v : values) {
    if (!std::isfinite(v))
      continue; // a diverging run must not make the axis unusable
    if (v > seenMax)
      seenMax = v;
    if (v < seenMin)
      seenMin = v;
    lastValue = v;
  }
  if (seenMax > axisMax || seenMin < axisMin) {
    axisMin = seenMin;
    axisMax = seenMax;
    const double r = std::max(seenMax, -seenMin);
    plot->setAxisScale(QwtPlot::yLeft, -r, r);
  }
}

void RectangularPlotWidget::drawCurve()
{
  const size_t n = std::min(x.size(), y.size());
  curve->setRawSamples(x.data(), y.data(), static_cast<int>(n));
  curve->attach(plot);
  plot->replot();
}
