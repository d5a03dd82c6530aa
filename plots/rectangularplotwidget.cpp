#include "plots/rectangularplotwidget.h"

#include "plots/analyticenvelope.h"
#include "plots/navigableplot.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_div.h>

#include <QCheckBox>
#include <QHBoxLayout>
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
  return QStringLiteral("! ") + xTitle + QLatin1Char('\t') + shownYTitle();
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
  const std::vector<double> *values = &y;
  if (showsEnvelope()) {
    analytic->compute(y, envelopeOfY);
    values = &envelopeOfY;
  }
  const size_t n = std::min(x.size(), values->size());
  curve->setRawSamples(x.data(), values->data(), static_cast<int>(n));
  curve->attach(plot);
  plot->replot();
}

void RectangularPlotWidget::addEnvelopeOption()
{
  analytic = std::make_unique<AnalyticEnvelope>();
  envelopeBox = new QCheckBox(tr("Envelope"), this);
  envelopeBox->setObjectName(QStringLiteral("envelopeCheckBox"));
  envelopeBox->setToolTip(tr("Magnitude of the analytic signal instead of the field"));
  horizontalLayout->addWidget(envelopeBox);
  connect(envelopeBox, &QCheckBox::toggled, this, [this] {
    plot->setAxisTitle(QwtPlot::yLeft, shownYTitle());
    drawCurve();
  });
}

bool RectangularPlotWidget::showsEnvelope() const { return envelopeBox && envelopeBox->isChecked(); }

std::vector<double> RectangularPlotWidget::shownValues(const std::vector<double> &values)
{
  if (!showsEnvelope())
    return values;
  std::vector<double> envelope;
  analytic->compute(values, envelope);
  return envelope;
}

QString RectangularPlotWidget::shownYTitle() const
{
  if (!showsEnvelope() || yTitle.isEmpty())
    return yTitle;
  return tr("Envelope of ") + yTitle.left(1).toLower() + yTitle.mid(1);
}
