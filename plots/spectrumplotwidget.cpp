#include "plots/spectrumplotwidget.h"

#include "engine/simulator.h"
#include "results/resultcatalogue.h"

#include <qwt_plot.h>

#include <algorithm>
#include <cmath>

SpectrumPlotWidget::SpectrumPlotWidget(Simulator *engine, const QString &xAxisTitle,
                                       const QString &yAxisTitle, int refreshPeriod,
                                       const QString &title, unsigned short objectIndex,
                                       QWidget *parent)
    : RectangularPlotWidget(xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent)
{
  if (engine) {
    const int n = std::max(engine->fourierPointCount(objectIndex), 0);
    const double start = engine->fourierStart(objectIndex);
    const double step = engine->fourierStep(objectIndex);
    x.resize(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
      x[static_cast<size_t>(k)] = start + k * step;
    if (!x.empty())
      plot->setAxisScale(QwtPlot::xBottom, start, x.back());
  }
}

void SpectrumPlotWidget::refreshPlot(Simulator *engine)
{
  if (!engine)
    return;
  seenMax = 0.0;
  seenMin = 1e10;
  const std::vector<double> &m = engine->fourierMagnitudes(index);
  y.assign(m.begin(), m.end());
  // A location the pulse has not reached has a zero spectrum (-inf dB);
  // only finite magnitudes set the axis.
  for (double v : y) {
    if (!std::isfinite(v))
      continue;
    if (v > seenMax)
      seenMax = v;
    if (v < seenMin)
      seenMin = v;
  }
  if (seenMax > axisMax || seenMin < axisMin) {
    axisMin = seenMin;
    axisMax = seenMax;
    plot->setAxisScale(QwtPlot::yLeft, seenMin, seenMax);
  }
  drawCurve();
}

bool SpectrumPlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  return engine && writeResultFile(*engine, plotEntry(ResultKind::Spectrum, index, titleText, xTitle, yTitle), fileName);
}
