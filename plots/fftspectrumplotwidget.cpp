#include "plots/fftspectrumplotwidget.h"

#include "engine/simulator.h"
#include "results/resultcatalogue.h"

#include <qwt_plot.h>

#include <cmath>

FFTSpectrumPlotWidget::FFTSpectrumPlotWidget(Simulator *engine, const QString &xAxisTitle,
                                             const QString &yAxisTitle, int refreshPeriod,
                                             const QString &title, unsigned short objectIndex,
                                             QWidget *parent)
    : RectangularPlotWidget(xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent)
{
  buildAxis(engine);
}

void FFTSpectrumPlotWidget::buildAxis(Simulator *engine)
{
  if (engine)
    x = engine->frequenciesDisplay();
}

void FFTSpectrumPlotWidget::refreshPlot(Simulator *engine)
{
  if (!engine)
    return;
  seenMax = -1.7976931348623157e308;
  seenMin = 1.7976931348623157e308;
  const std::vector<double> &s = engine->spectrumDbVector();
  y.assign(s.begin(), s.end());
  bool anyFinite = false;
  for (double v : y) {
    if (!std::isfinite(v))
      continue;
    anyFinite = true;
    if (v > seenMax)
      seenMax = v;
    if (v < seenMin)
      seenMin = v;
  }
  // Without a finite value the sentinels stay and the axis keeps its range.
  if (anyFinite && (seenMax > axisMax || seenMin < axisMin)) {
    axisMin = seenMin;
    axisMax = seenMax;
  }
  plot->setAxisScale(QwtPlot::yLeft, axisMin, axisMax);
  if (anyFinite && isLowerLimitActive())
    plot->setAxisScale(QwtPlot::yLeft, yLowerLimit, seenMax);
  drawCurve();
}

bool FFTSpectrumPlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  return engine && writeResultFile(*engine, plotEntry(ResultKind::FFTSpectrum, 0, titleText, xTitle, yTitle), fileName);
}
