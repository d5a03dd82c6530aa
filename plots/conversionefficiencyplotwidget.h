#pragma once
// Total spectral energy and energy in the user's band against propagation
// distance (logarithmic y axis), with the conversion efficiency as text.

#include "plots/abstractplotwidget.h"
#include "plots/navigableplot.h"

#include <vector>

class CurveData;
class QLabel;
class NavigablePlot;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotDirectPainter;

class ConversionEfficiencyPlotWidget : public AbstractPlotWidget
{
  Q_OBJECT

public:
  ConversionEfficiencyPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                                 int refreshPeriod, const QString &title,
                                 unsigned short objectIndex, QWidget *parent = nullptr);
  ~ConversionEfficiencyPlotWidget() override;

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;

  QwtPlot *plotWidget() const;
  NavigablePlot *navigablePlot() const override { return plot; }
  QString efficiencyText() const;

private:
  QString xTitle;
  QString yTitle;
  std::vector<double> distance;
  std::vector<double> totalEnergy;
  std::vector<double> bandEnergy;
  double axisMax = 0.0;
  double seenMax = 0.0;
  double axisMin = 1.7976931348623157e308;
  double seenMin = 1.7976931348623157e308;
  double lastValue = 0.0;
  NavigablePlot *plot = nullptr;
  QwtPlotCurve *totalCurve = nullptr;
  QwtPlotCurve *bandCurve = nullptr;
  CurveData *totalData = nullptr; // owned by totalCurve
  CurveData *bandData = nullptr;  // owned by bandCurve
  QwtPlotDirectPainter *directPainter = nullptr;
  QLabel *conversionEfficiencyLabel = nullptr;
};
