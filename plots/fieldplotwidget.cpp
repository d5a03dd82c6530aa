#include "plots/fieldplotwidget.h"

#include "engine/simulator.h"
#include "results/columnwriter.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QPen>

#include <algorithm>

FieldPlotWidget::FieldPlotWidget(Simulator *engine, const QString &xAxisTitle,
                                 const QString &yAxisTitle, int refreshPeriod,
                                 const QString &title, unsigned short objectIndex,
                                 QWidget *parent, double xOffset)
    : RectangularPlotWidget(xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent)
{
  const int n = engine ? std::max(engine->pointCount(), 0) : 0;
  const double dx = engine ? engine->pointSpacing() : 0.0;
  x.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = xOffset + i * dx;
  if (!x.empty())
    plot->setAxisScale(QwtPlot::xBottom, xOffset, x.back());
}

FieldPlotWidget::~FieldPlotWidget() = default;

void FieldPlotWidget::refreshPlot(Simulator *engine)
{
  if (!engine)
    return;
  const std::vector<double> &q = quantity(engine);
  y.assign(q.begin(), q.end());
  updateSymmetricAxis(y);
  drawCurve();
  if (envelopeShown) {
    const size_t n = std::min(envelope.size(), y.size());
    for (size_t i = 0; i < n; ++i)
      envelope[i] = std::max(envelope[i], y[i]);
    envelopeCurve->setRawSamples(x.data(), envelope.data(),
                                 static_cast<int>(std::min(x.size(), envelope.size())));
    plot->replot();
  }
}

void FieldPlotWidget::showEnvelope()
{
  if (envelopeShown)
    return;
  envelope.assign(x.size(), 0.0);
  envelopeCurve = new QwtPlotCurve(QString());
  envelopeCurve->setPen(QPen(Qt::blue));
  envelopeCurve->setRawSamples(x.data(), envelope.data(), static_cast<int>(x.size()));
  envelopeCurve->attach(plot);
  envelopeShown = 1;
  plot->replot();
}

void FieldPlotWidget::hideEnvelope()
{
  if (!envelopeShown)
    return;
  envelopeShown = 0;
  envelopeCurve->detach();
  delete envelopeCurve;
  envelopeCurve = nullptr;
  plot->replot();
}

void FieldPlotWidget::resetEnvelope()
{
  envelope.assign(x.size(), 0.0);
  if (envelopeCurve) {
    envelopeCurve->setRawSamples(x.data(), envelope.data(), static_cast<int>(x.size()));
    plot->replot();
  }
}

QByteArray FieldPlotWidget::fileContent(Simulator *engine) const
{
  const QString header = columnHeader();
  QByteArray bytes = formatColumns(x, quantity(engine), header);
  if (envelopeShown)
    bytes += formatColumns(x, envelope, envelopeHeader() + header);
  return bytes;
}

bool FieldPlotWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  if (!engine)
    return false;
  return writeFileAtomically(fileName, fileContent(engine));
}

EFieldPlotWidget::EFieldPlotWidget(Simulator *engine, const QString &xAxisTitle,
                                   const QString &yAxisTitle, int refreshPeriod,
                                   const QString &title, unsigned short objectIndex,
                                   QWidget *parent, double xOffset)
    : FieldPlotWidget(engine, xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent,
                      xOffset)
{
}

const std::vector<double> &EFieldPlotWidget::quantity(Simulator *engine) const
{
  return engine->electricField();
}

QString EFieldPlotWidget::envelopeHeader() const
{
  return QStringLiteral("! E field Envelope:\n");
}

SFieldPlotWidget::SFieldPlotWidget(Simulator *engine, const QString &xAxisTitle,
                                   const QString &yAxisTitle, int refreshPeriod,
                                   const QString &title, unsigned short objectIndex,
                                   QWidget *parent, double xOffset)
    : FieldPlotWidget(engine, xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent,
                      xOffset)
{
}

const std::vector<double> &SFieldPlotWidget::quantity(Simulator *engine) const
{
  return engine->poyntingEnvelope();
}

QString SFieldPlotWidget::envelopeHeader() const
{
  return QStringLiteral("! Poynting vector Envelope:\n");
}

HFieldPlotWidget::HFieldPlotWidget(Simulator *engine, const QString &xAxisTitle,
                                   const QString &yAxisTitle, int refreshPeriod,
                                   const QString &title, unsigned short objectIndex,
                                   QWidget *parent)
    : FieldPlotWidget(engine, xAxisTitle, yAxisTitle, refreshPeriod, title, objectIndex, parent,
                      engine ? -0.5 * engine->pointSpacing() : 0.0)
{
  if (engine && !x.empty()) {
    x.push_back(x.back() + engine->pointSpacing());
    plot->setAxisScale(QwtPlot::xBottom, x.front(), x.back());
  }
}

const std::vector<double> &HFieldPlotWidget::quantity(Simulator *engine) const
{
  return engine->magneticField();
}

QString HFieldPlotWidget::envelopeHeader() const
{
  return QStringLiteral("! H field Envelope:\n");
}
