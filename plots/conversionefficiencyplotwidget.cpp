#include "plots/conversionefficiencyplotwidget.h"

#include "engine/simulator.h"
#include "results/resultcatalogue.h"
#include "plots/curvedata.h"
#include "plots/rectangularplotwidget.h"

#include "plots/navigableplot.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_directpainter.h>
#include <qwt_scale_engine.h>

#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {
const double axisMarginFactor = std::pow(10.0, 0.25);
}

ConversionEfficiencyPlotWidget::ConversionEfficiencyPlotWidget(
    Simulator *, const QString &xTitle, const QString &yTitle, int refreshPeriod,
    const QString &title, unsigned short objectIndex, QWidget *parent)
    : AbstractPlotWidget(refreshPeriod, title, objectIndex, parent),
      xTitle(xTitle), yTitle(yTitle)
{
  plot = new NavigablePlot(this);
  plot->setAutoReplot(false);
  plot->setFocusPolicy(Qt::ClickFocus);
  for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
    plot->setAxisAutoScale(axis, true);
  plot->setCanvasBackground(QBrush(Qt::white));
  attachStandardGrid(plot);
  plot->setAxisTitle(QwtPlot::xBottom, xTitle);
  plot->setAxisTitle(QwtPlot::yLeft, yTitle);
  plot->setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine(10));
  plot->insertLegend(new QwtLegend, QwtPlot::BottomLegend);
  gridLayout->addWidget(plot, 1, 0);

  totalCurve = new QwtPlotCurve(tr("Total energy"));
  totalCurve->setPen(QColor(Qt::darkBlue), 2.0);
  totalData = new CurveData;
  totalCurve->setData(totalData);
  totalCurve->attach(plot);
  bandCurve = new QwtPlotCurve(tr("Energy in band"));
  bandCurve->setPen(QColor(Qt::red), 2.0);
  bandData = new CurveData;
  bandCurve->setData(bandData);
  bandCurve->attach(plot);
  directPainter = new QwtPlotDirectPainter(plot);

  // A row of its own under the plot, so that narrow windows do not cut it.
  conversionEfficiencyLabel = new QLabel(this);
  conversionEfficiencyLabel->setObjectName(QStringLiteral("conversionEfficiencyLabel"));
  conversionEfficiencyLabel->setWordWrap(true);
  conversionEfficiencyLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  gridLayout->addWidget(conversionEfficiencyLabel, 2, 0);
}

QwtPlot *ConversionEfficiencyPlotWidget::plotWidget() const { return plot; }

ConversionEfficiencyPlotWidget::~ConversionEfficiencyPlotWidget() = default;

QString ConversionEfficiencyPlotWidget::efficiencyText() const
{
  return conversionEfficiencyLabel->text();
}

void ConversionEfficiencyPlotWidget::refreshPlot(Simulator *engine)
{
  if (!engine)
    return;
  distance = engine->conversionPositions();
  totalEnergy = engine->conversionCurveA();
  bandEnergy = engine->conversionCurveB();
  // The energy records may be longer than the list of recorded distances
  // (they grow in chunks); only the recorded points count.
  const size_t n = std::min({distance.size(), totalEnergy.size(), bandEnergy.size()});

  const size_t paintedTotal = totalData->size();
  const size_t paintedBand = bandData->size();
  totalData->appendPoints(distance, totalEnergy);
  bandData->appendPoints(distance, bandEnergy);
  if (totalData->size() > paintedTotal)
    directPainter->drawSeries(totalCurve, paintedTotal == 0 ? 0 : int(paintedTotal) - 1,
                              int(totalData->size()) - 1);
  if (bandData->size() > paintedBand)
    directPainter->drawSeries(bandCurve, paintedBand == 0 ? 0 : int(paintedBand) - 1,
                              int(bandData->size()) - 1);

  if (n > 0)
    plot->setAxisScale(QwtPlot::xBottom, 0.0, distance[n - 1]);

  // The left axis is logarithmic: only positive finite energies set it.
  for (size_t i = 0; i < n; ++i) {
    for (double v : {totalEnergy[i], bandEnergy[i]}) {
      if (!(v > 0.0) || !std::isfinite(v))
        continue;
      if (v > seenMax)
        seenMax = v;
      if (v < seenMin)
        seenMin = v;
      lastValue = v;
    }
  }
  if (seenMin <= seenMax && (seenMax > axisMax || seenMin < axisMin)) {
    axisMin = seenMin;
    axisMax = seenMax;
    // A margin of a quarter of a decade keeps the curves off the frame.
    plot->setAxisScale(QwtPlot::yLeft, seenMin / axisMarginFactor, seenMax * axisMarginFactor);
  }
  plot->replot();

  if (n > 0) {
    const double efficiency = 100.0 * bandEnergy[n - 1] / engine->referenceEnergy;
    conversionEfficiencyLabel->setText(QStringLiteral("Conv. eff.:") +
                                       QString::number(efficiency, 'g', 6) +
                                       QStringLiteral(" %"));
  }
}

bool ConversionEfficiencyPlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  return engine && writeResultFile(*engine, plotEntry(ResultKind::ConversionEfficiency, 0, titleText, xTitle, yTitle),
                                   fileName);
}
