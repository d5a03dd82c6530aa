#include "app/batch/batchpictures.h"

#include "plots/plotwidgets.h"
#include "results/resultcatalogue.h"

#include <QImage>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <memory>
#include <vector>

namespace {

const QSize pictureSize(1000, 620);

// A curve plot of a catalogue series: the input signal and spectrum, which
// the window shows in no plot widget of their own.
class ColumnsPlotWidget : public RectangularPlotWidget
{
public:
  ColumnsPlotWidget(Simulator &engine, const ResultEntry &entry)
      : RectangularPlotWidget(entry.xTitle, entry.savedYTitle, 1, entry.title, 0)
  {
    resultSeries(engine, entry, x, y);
  }
  void refreshPlot(Simulator *) override
  {
    if (!x.empty())
      plot->setAxisScale(QwtPlot::xBottom, x.front(), x.back());
    plot->setAxisAutoScale(QwtPlot::yLeft);
    drawCurve();
  }
  bool saveToFile(const QString &, Simulator *) override { return false; }
};

} // namespace

bool renderPlotPicture(QwtPlot *plot, const QString &fileName)
{
  if (!plot)
    return false;
  QImage image(pictureSize, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QwtPlotRenderer renderer;
  renderer.renderTo(plot, image);
  return image.save(fileName, "PNG");
}

bool saveResultPicture(Simulator &engine, const QString &folder, const ResultEntry &entry)
{
  std::unique_ptr<AbstractPlotWidget> widget;
  if (entry.kind == ResultKind::InputSignal || entry.kind == ResultKind::InputSpectrum)
    widget = std::make_unique<ColumnsPlotWidget>(engine, entry);
  else
    widget.reset(createPlotWidget(&engine, entry, true));
  QString png = entry.fileName;
  if (png.endsWith(QLatin1String(".txt")))
    png.chop(4);
  png += QStringLiteral(".png");
  QwtPlot *plot = widget ? widget->navigablePlot() : nullptr;
  if (plot)
    widget->refreshPlot(&engine);
  return renderPlotPicture(plot, folder + png);
}
