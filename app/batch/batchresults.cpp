#include "app/batch/batchresults.h"

#include "engine/simulator.h"
#include "plots/plotwidgets.h"
#include "plots/resultcatalogue.h"
#include "plots/resultsaving.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <memory>
#include <vector>

namespace {

const QSize pictureSize(1000, 620);

QString withSuffix(const QString &txtName, const QString &suffix)
{
  QString name = txtName;
  if (name.endsWith(QLatin1String(".txt")))
    name.chop(4);
  return name + suffix;
}

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

namespace {

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

// The picture of an entry, next to its text file.
void savePicture(Simulator &engine, const QString &folder, const ResultEntry &entry, QStringList &failed)
{
  std::unique_ptr<AbstractPlotWidget> widget;
  if (entry.kind == ResultKind::InputSignal || entry.kind == ResultKind::InputSpectrum)
    widget = std::make_unique<ColumnsPlotWidget>(engine, entry);
  else
    widget.reset(createPlotWidget(&engine, entry, true));
  const QString png = withSuffix(entry.fileName, QStringLiteral(".png"));
  QwtPlot *plot = widget ? widget->navigablePlot() : nullptr;
  if (plot)
    widget->refreshPlot(&engine);
  if (!renderPlotPicture(plot, folder + png))
    failed << png;
}

QString folderWithSlash(const QString &folder)
{
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

bool batchSaveAll(Simulator &engine, const QString &folder, const QString &configPath,
                  QStringList &failed)
{
  // Save All names its folder by date and tag; write into a scratch folder by
  // that rule inside the target and move the files into place.
  const QString target = folderWithSlash(folder);
  if (!QDir().mkpath(target)) {
    failed << folder;
    return false;
  }
  QTemporaryDir scratch(target + QStringLiteral(".lumora-save-XXXXXX"));
  if (!scratch.isValid()) {
    failed << folder;
    return false;
  }
  const SaveAllOutcome outcome =
      saveAllResults(&engine, configPath, scratch.path(), QString(), QDateTime::currentDateTime());
  bool ok = outcome.succeeded();
  if (!outcome.folderCreated) {
    failed << folder;
    return false;
  }
  const QDir written(outcome.folder);
  const QString configName = QFileInfo(configPath).fileName();
  for (const QString &name : written.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
    const QString destination = target + name;
    if (QFileInfo::exists(destination)) {
      if (name == configName)
        continue; // an existing configuration copy is kept, as Save All does
      QFile::remove(destination);
    }
    if (!QFile::rename(written.filePath(name), destination)) {
      failed << name;
      ok = false;
    }
  }
  if (outcome.failedFiles > 0)
    failed << QStringLiteral("%1 file(s) of the Save All set").arg(outcome.failedFiles);
  return ok;
}

bool batchSaveEnvelope(Simulator &engine, const QString &fileName)
{
  return saveElectricFieldEnvelope(&engine, fileName);
}

bool batchSaveExtras(Simulator &engine, const QString &folderPath, bool plots, QStringList &failed)
{
  const QString folder = folderWithSlash(folderPath);
  const int failedBefore = failed.size();
  // Pictures of the Save All set (its text files are written already).
  if (plots)
    for (const ResultEntry &entry : saveAllEntries(engine))
      savePicture(engine, folder, entry, failed);
  for (const ResultEntry &entry : batchExtraEntries(engine)) {
    if (!writeResult(engine, folder, entry))
      failed << entry.fileName;
    if (plots)
      savePicture(engine, folder, entry, failed);
  }
  return failed.size() == failedBefore;
}
