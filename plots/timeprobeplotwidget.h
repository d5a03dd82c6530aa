#pragma once
// Values of one time probe against time in the probe's unit.

#include "plots/rectangularplotwidget.h"

class TimeProbePlotWidget : public RectangularPlotWidget
{
  Q_OBJECT

public:
  TimeProbePlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                      int refreshPeriod, const QString &title, unsigned short objectIndex,
                      QWidget *parent = nullptr);

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;
  // "! x<TAB>y\r\n!" + probe name.
  QString header() const;

private:
  QString probeName;
};
