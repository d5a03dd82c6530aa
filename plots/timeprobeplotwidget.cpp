#include "plots/timeprobeplotwidget.h"

#include "engine/simulator.h"
#include "results/columnwriter.h"

#include <qwt_plot.h>

#include <algorithm>

TimeProbePlotWidget::TimeProbePlotWidget(Simulator *engine, const QString &xAxisTitle,
                                         const QString &yAxisTitle, int refreshPeriod,
                                         const QString &title, unsigned short objectIndex,
                                         QWidget *parent)
    : RectangularPlotWidget(xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent)
{
  QString name;
  if (engine) {
    const int n = std::max(engine->probeSampleCount(objectIndex), 0);
    const double t0 = engine->probeStartTime(objectIndex);
    const double dt = engine->probeSampleInterval(objectIndex);
    x.resize(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
      x[static_cast<size_t>(k)] = t0 + k * dt;
    const QStringList names = engine->probeNames();
    if (objectIndex < names.size())
      name = names.at(objectIndex);
  }
  probeName = name;
  if (!x.empty())
    plot->setAxisScale(QwtPlot::xBottom, x.front(), x.back());
  addEnvelopeOption();
}

QString TimeProbePlotWidget::header() const { return columnHeader() + QStringLiteral("\r\n!") + probeName; }

void TimeProbePlotWidget::refreshPlot(Simulator *engine)
{
  if (!engine)
    return;
  const std::vector<double> &v = engine->probeSamples(index);
  y.assign(v.begin(), v.end());
  updateSymmetricAxis(y);
  drawCurve();
}

bool TimeProbePlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  if (!engine)
    return false;
  return writeFileAtomically(fileName, formatColumns(x, shownValues(engine->probeSamples(index)), header()));
}
