#pragma once
// Magnitude (dB) of one Fourier post-processing against its spectral axis;
// saved as a magnitude block followed by a phase block.

#include "plots/rectangularplotwidget.h"

class SpectrumPlotWidget : public RectangularPlotWidget
{
  Q_OBJECT

public:
  SpectrumPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                     int refreshPeriod, const QString &title, unsigned short objectIndex,
                     QWidget *parent = nullptr);

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;
};
