#include "plots/timeplotwidget.h"

#include "engine/simulator.h"
#include "results/columnwriter.h"

#include <qwt_plot.h>

#include <algorithm>

TimePlotWidget::TimePlotWidget(Simulator *engine, const QString &xAxisTitle,
                               const QString &yAxisTitle, int refreshPeriod, const QString &title,
                               unsigned short objectIndex, QWidget *parent)
    : RectangularPlotWidget(xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent)
{
  if (engine) {
    const int n = std::max(engine->pointCount(), 0);
    const double dt = engine->timeStep();
    x.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
      x[static_cast<size_t>(i)] = i * dt;
    if (!x.empty())
      plot->setAxisScale(QwtPlot::xBottom, 0.0, x.back());
  }
  addEnvelopeOption();
}

void TimePlotWidget::refreshPlot(Simulator *engine)
{
  if (!engine)
    return;
  const std::vector<double> &v = engine->electricField();
  y.assign(v.begin(), v.end());
  updateSymmetricAxis(y);
  drawCurve();
}

bool TimePlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  if (!engine)
    return false;
  return writeFileAtomically(fileName, formatColumns(x, shownValues(engine->electricField()), columnHeader()));
}
