#pragma once
// A Qwt plot the user can zoom (mouse wheel: up zooms in about the point
// under the cursor) and pan (drag with the left button) on its left and
// bottom axes, with a way back to the full view.
//
// The widgets keep setting their axes as the data grow (setAxisScale). While
// the user is zoomed in, replot() keeps the user's view and remembers the
// widget's latest ranges as the full view, which resetView() restores.

#include <qwt_interval.h>
#include <qwt_plot.h>

#include <QPointF>

#include <array>

class NavigablePlot : public QwtPlot
{
  Q_OBJECT

public:
  explicit NavigablePlot(QWidget *parent = nullptr);

  bool isZoomed() const { return zoomed; }
  // The current range of an axis as drawn.
  QwtInterval axisRange(int axis) const;

  // Scales the left and bottom ranges by factor (below 1 zooms in) keeping
  // the point at canvasPosition (canvas pixels) where it is.
  void zoomAbout(const QPointF &canvasPosition, double factor);

  // Called by the magnifier and panner around their own axis changes.
  void beginNavigation();
  void endNavigation();

public slots:
  void replot() override;
  // Back to the ranges the widget asked for (autoscaled axes autoscale again).
  void resetView();

private:
  static constexpr int navigatedAxes[2] = {QwtPlot::xBottom, QwtPlot::yLeft};
  bool zoomed = false;
  bool navigating = false;
  std::array<QwtInterval, QwtPlot::axisCnt> userView;
  std::array<QwtInterval, QwtPlot::axisCnt> fullView;
  std::array<bool, QwtPlot::axisCnt> fullAutoScale{};
};
