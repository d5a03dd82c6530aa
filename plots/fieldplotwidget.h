#pragma once
// Plots of a quantity along the grid (electric field, Poynting vector) with a
// symmetric y axis and an optional running upper envelope (peak hold).

#include "plots/rectangularplotwidget.h"

class FieldPlotWidget : public RectangularPlotWidget
{
  Q_OBJECT

public:
  // x[i] = xOffset + i * engine->pointSpacing() for the engine's pointCount().
  FieldPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                  int refreshPeriod, const QString &title, unsigned short objectIndex,
                  QWidget *parent = nullptr, double xOffset = 0.0);
  ~FieldPlotWidget() override;

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;

  // Envelope (peak hold): show starts it at zero for every cell, hide removes
  // it, reset sets every held value back to zero.
  void showEnvelope();
  void hideEnvelope();
  void resetEnvelope();
  bool isEnvelopeShown() const { return envelopeShown != 0; }
  const std::vector<double> &envelopeValues() const { return envelope; }

  // The file content saveToFile writes (current values, and the envelope
  // block when the envelope is shown).
  QByteArray fileContent(Simulator *engine) const;

protected:
  // The plotted quantity of the engine.
  virtual const std::vector<double> &quantity(Simulator *engine) const = 0;
  // Title line of the saved envelope block, e.g. "! E field Envelope:\n".
  virtual QString envelopeHeader() const = 0;

  unsigned char envelopeShown = 0;
  std::vector<double> envelope;
  QwtPlotCurve *envelopeCurve = nullptr;
};

class EFieldPlotWidget : public FieldPlotWidget
{
  Q_OBJECT

public:
  EFieldPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                   int refreshPeriod, const QString &title, unsigned short objectIndex,
                   QWidget *parent = nullptr, double xOffset = 0.0);

protected:
  const std::vector<double> &quantity(Simulator *engine) const override;
  QString envelopeHeader() const override;
};

class SFieldPlotWidget : public FieldPlotWidget
{
  Q_OBJECT

public:
  SFieldPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                   int refreshPeriod, const QString &title, unsigned short objectIndex,
                   QWidget *parent = nullptr, double xOffset = 0.0);

protected:
  const std::vector<double> &quantity(Simulator *engine) const override;
  QString envelopeHeader() const override;
};

// The magnetic field along the grid: H[i] lies half a cell before E[i], and
// there is one more H value than E values.
class HFieldPlotWidget : public FieldPlotWidget
{
  Q_OBJECT

public:
  HFieldPlotWidget(Simulator *engine, const QString &xTitle, const QString &yTitle,
                   int refreshPeriod, const QString &title, unsigned short objectIndex,
                   QWidget *parent = nullptr);

protected:
  const std::vector<double> &quantity(Simulator *engine) const override;
  QString envelopeHeader() const override;
};
