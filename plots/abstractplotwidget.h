#pragma once
// Base of every plot window: the control row (Refresh box, "every" field,
// "ymin:" field), the refresh decision and the two operations every plot
// implements: refresh from the engine and save to a text file.
//
// A widget never holds the engine; it is passed to every call. Saving works
// on a widget that was never shown (the results folder is written through
// hidden widgets).

#include "ui_abstractplotwidget.h"

#include <QString>
#include <QWidget>

class NavigablePlot;
class Simulator;

class AbstractPlotWidget : public QWidget, public Ui::AbstractPlotWidget
{
  Q_OBJECT

public:
  AbstractPlotWidget(int refreshPeriod, const QString &title, unsigned short objectIndex,
                     QWidget *parent = nullptr);
  ~AbstractPlotWidget() override;

  // Reads the engine's current data and redraws.
  virtual void refreshPlot(Simulator *engine) = 0;
  // Writes the widget's data for the engine to fileName; true on success.
  virtual bool saveToFile(const QString &fileName, Simulator *engine) = 0;

  // True when "Refresh" is ticked and the engine's iteration is a multiple
  // of the "every" value (0 or an empty field count as 1). How often plots
  // may redraw at all is the run loop's drawing budget (drawingbudget.h).
  bool isRefreshDue(const Simulator *engine);

  // The smallest size at which axis titles and tick labels stay readable;
  // the MDI area scrolls rather than squeeze a plot below it.
  static constexpr int minimumReadableWidth = 420;
  static constexpr int minimumReadableHeight = 300;

  // The plot the user zooms and that a picture shows; null for none.
  virtual NavigablePlot *navigablePlot() const { return nullptr; }
  // Writes the plot as it is shown (zoom included) to fileName; the format
  // follows the suffix: png, svg or pdf. True when a non-empty file was made.
  bool exportPicture(const QString &fileName) const;
  static QString pictureFilter();

  bool isLowerLimitActive() const { return lowerLimitActive != 0; }
  double lowerLimit() const { return yLowerLimit; }
  unsigned short objectIndex() const { return index; }
  QString title() const { return titleText; }
  int refreshPeriod() const { return period; }

signals:
  // The context menu's "Export Picture..." (the main window asks for a name).
  void exportPictureRequested();

public slots:
  void on_checkBox_stateChanged(int state);
  void updateYAxisLowerLimit(const QString &text);
  void setYAxisLowerLimit();

protected:
  void contextMenuEvent(QContextMenuEvent *event) override;

  int period;
  QString titleText;
  unsigned short index;
  unsigned char lowerLimitActive = 0;
  double yLowerLimit = 0.0;
  QString lowerLimitText;
};
