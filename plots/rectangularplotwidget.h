#pragma once
// A plot widget with one x-y curve, a dotted grid and axis titles, and the
// bookkeeping of a y axis that grows with the data and never shrinks.

#include "plots/abstractplotwidget.h"
#include "plots/navigableplot.h"

#include <vector>

class QwtPlot;
class QwtPlotCurve;
class NavigablePlot;
class QwtPlotGrid;

// Adds the major grid used by every curve plot (gray, dotted, width 0).
QwtPlotGrid *attachStandardGrid(QwtPlot *plot);

class RectangularPlotWidget : public AbstractPlotWidget
{
  Q_OBJECT

public:
  RectangularPlotWidget(const QString &xTitle, const QString &yTitle, int refreshPeriod,
                        const QString &title, unsigned short objectIndex,
                        QWidget *parent = nullptr);
  ~RectangularPlotWidget() override;

  QwtPlot *plotWidget() const;
  NavigablePlot *navigablePlot() const override { return plot; }
  QwtPlotCurve *mainCurve() const { return curve; }
  const std::vector<double> &xValues() const { return x; }
  const std::vector<double> &yValues() const { return y; }
  QString xAxisTitle() const { return xTitle; }
  QString yAxisTitle() const { return yTitle; }
  // "! " + x title + tab + y title.
  QString columnHeader() const;

  double axisMaximum() const { return axisMax; }
  double axisMinimum() const { return axisMin; }
  double seenMaximum() const { return seenMax; }
  double seenMinimum() const { return seenMin; }
  // Current lower and upper bound of the left axis.
  double leftAxisLower() const;
  double leftAxisUpper() const;

protected:
  // Symmetric bookkeeping of the field plots: widen [-R, R] when y holds a
  // value beyond what was seen so far; never shrink.
  void updateSymmetricAxis(const std::vector<double> &values);
  // Hands x and y to the curve without copying and replots.
  void drawCurve();

  QString xTitle;
  QString yTitle;
  std::vector<double> x;
  std::vector<double> y;
  double axisMax = 0.0;
  double seenMax = 0.0;
  double axisMin = 0.0;
  double seenMin = 0.0;
  double lastValue = 0.0;
  QwtPlotCurve *curve = nullptr;
  NavigablePlot *plot = nullptr;
};
