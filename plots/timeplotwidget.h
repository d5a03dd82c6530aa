#pragma once
// The spectral engine's electric field over its time window.

#include "plots/rectangularplotwidget.h"

class TimePlotWidget : public RectangularPlotWidget
{
  Q_OBJECT

public:
  TimePlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                 int refreshPeriod, const QString &title, unsigned short objectIndex,
                 QWidget *parent = nullptr);

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;
};
