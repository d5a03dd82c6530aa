#pragma once
// A plot widget with one x-y curve, a dotted grid and axis titles, and the
// bookkeeping of a y axis that grows with the data and never shrinks.

#include "plots/abstractplotwidget.h"
#include "plots/navigableplot.h"

#include <memory>
#include <vector>

class AnalyticEnvelope;
class QCheckBox;
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

  // Carrier-resolved signals offer their envelope (an "Envelope" check box
  // in the control row): when ticked the curve, and the saved file, show the
  // magnitude of the analytic signal instead of the field.
  QCheckBox *envelopeCheckBox() const { return envelopeBox; }
  bool showsEnvelope() const;
  // The values as shown: values themselves, or their envelope.
  std::vector<double> shownValues(const std::vector<double> &values);
  // The y title as shown ("Envelope of electric field [V/m]" when ticked).
  QString shownYTitle() const;

protected:
  // Symmetric bookkeeping of the field plots: widen [-R, R] when y holds a
  // value beyond what was seen so far; never shrink.
  void updateSymmetricAxis(const std::vector<double> &values);
  // Hands x and y (or y's envelope) to the curve without copying and replots.
  void drawCurve();
  void addEnvelopeOption();

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

private:
  QCheckBox *envelopeBox = nullptr;
  std::unique_ptr<AnalyticEnvelope> analytic;
  std::vector<double> envelopeOfY;
};
