#pragma once
// The spectral engine's magnitude spectrum (dB) against frequency. Only
// finite values set the axis range; an active "ymin:" limit sets its lower end.

#include "plots/rectangularplotwidget.h"

class FFTSpectrumPlotWidget : public RectangularPlotWidget
{
  Q_OBJECT

public:
  FFTSpectrumPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                        int refreshPeriod, const QString &title, unsigned short objectIndex,
                        QWidget *parent = nullptr);

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;

private:
  // x[k] = k * frequency step for the engine's spectral points.
  void buildAxis(Simulator *engine);
};
