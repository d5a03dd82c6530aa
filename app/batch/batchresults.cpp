#include "app/batch/batchresults.h"

#include "engine/simulator.h"
#include "plots/plotwidgets.h"
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

QString dbAxis() { return QStringLiteral("Magnitude [dBV/m]"); }
QString locationAxis(Simulator &engine)
{
  return QStringLiteral("Location [") + engine.lengthUnit + QStringLiteral("]");
}

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

// A curve plot of two columns read back from a result file: used for the
// input signal and spectrum, which the window saves without a plot widget.
class ColumnsPlotWidget : public RectangularPlotWidget
{
public:
  ColumnsPlotWidget(const QString &xTitle, const QString &yTitle, std::vector<double> xs,
                    std::vector<double> ys)
      : RectangularPlotWidget(xTitle, yTitle, 1, QString(), 0)
  {
    x = std::move(xs);
    y = std::move(ys);
  }
  void refreshPlot(Simulator *) override
  {
    if (!x.empty())
      plot->setAxisScale(QwtPlot::xBottom, x.front(), x.back());
    plot->setAxisAutoScale(QwtPlot::yLeft);
    drawCurve();
  }
  bool saveToFile(const QString &fileName, Simulator *) override
  {
    return writeColumns(fileName, x, y, columnHeader());
  }
};

// Reads the first block of a two-column result file.
bool readFirstBlock(const QString &fileName, std::vector<double> &x, std::vector<double> &y)
{
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return false;
  QTextStream in(&file);
  bool started = false;
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.startsWith(QLatin1Char('!'))) {
      if (started)
        break;
      continue;
    }
    const QStringList parts = line.split(QLatin1Char('\t'));
    if (parts.size() < 2)
      continue;
    started = true;
    x.push_back(parts.at(0).toDouble());
    y.push_back(parts.at(1).toDouble());
  }
  return !x.empty();
}

// Saves widget's text file (when txtName is not empty) and its picture.
void saveWidget(AbstractPlotWidget *widget, QwtPlot *plot, Simulator &engine,
                const QString &folder, const QString &txtName, bool writeText, bool picture,
                QStringList &failed)
{
  const QString path = folder + txtName;
  if (writeText && !widget->saveToFile(path, &engine))
    failed << txtName;
  if (picture) {
    widget->refreshPlot(&engine);
    const QString png = withSuffix(txtName, QStringLiteral(".png"));
    if (!renderPlotPicture(plot, folder + png))
      failed << png;
  }
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
  return saveElectricFieldEnvelope(&engine, fileName, 1);
}

bool batchSaveExtras(Simulator &engine, const QString &folderPath, bool plots, QStringList &failed)
{
  const QString folder = folderWithSlash(folderPath);
  const int failedBefore = failed.size();

  if (engine.hasTimeSignal()) {
    // The spectral engine: pictures of the Save All set, then the conversion efficiency.
    if (plots) {
      const QString timeLabel = engine.timeAxisLabel(0);
      const QString spectrumLabel = engine.spectrumAxisLabel();
      struct Input
      {
        QString file;
        QString xTitle;
        QString yTitle;
      };
      const Input inputs[] = {
          {QStringLiteral("Input signal.txt"), timeLabel, QStringLiteral("E field [V/m]")},
          {QStringLiteral("Input spectrum.txt"), spectrumLabel, dbAxis()},
      };
      for (const Input &in : inputs) {
        std::vector<double> xs;
        std::vector<double> ys;
        if (!readFirstBlock(folder + in.file, xs, ys)) {
          failed << withSuffix(in.file, QStringLiteral(".png"));
          continue;
        }
        ColumnsPlotWidget widget(in.xTitle, in.yTitle, std::move(xs), std::move(ys));
        saveWidget(&widget, widget.plotWidget(), engine, folder, in.file, false, true, failed);
      }
      {
        FFTSpectrumPlotWidget widget(&engine, spectrumLabel, dbAxis(), 1,
                                     QStringLiteral("FFT spectrum"), 0);
        saveWidget(&widget, widget.plotWidget(), engine, folder,
                   resultFileNames({QStringLiteral("FFT spectrum")}, Qt::CaseSensitive).value(0),
                   false, true, failed);
      }
      {
        TimePlotWidget widget(&engine, timeLabel, QStringLiteral("Electric field [V/m]"), 1,
                              QStringLiteral("UPPE E-field"), 0);
        saveWidget(&widget, widget.plotWidget(), engine, folder,
                   resultFileNames({QStringLiteral("UPPE E-field")}, Qt::CaseSensitive).value(0),
                   false, true, failed);
      }
    }
    if (engine.conversionEfficiencyAvailable) {
      const QString xTitle = locationAxis(engine);
      const QString yTitle = QStringLiteral("Energy (a.u.)");
      ConversionEfficiencyPlotWidget widget(&engine, xTitle, yTitle, 1,
                                            QStringLiteral("conversion efficiency "), 0);
      // The window's plot shows no axis titles; a picture on its own needs them.
      widget.plotWidget()->setAxisTitle(QwtPlot::xBottom, xTitle);
      widget.plotWidget()->setAxisTitle(QwtPlot::yLeft, yTitle);
      saveWidget(&widget, widget.plotWidget(), engine, folder,
                 QStringLiteral("Conversion efficiency.txt"), true, plots, failed);
    }
    return failed.size() == failedBefore;
  }

  // Grid engines: pictures of the Save All spectra and time series.
  if (plots && engine.spectrumAvailable) {
    const QStringList names = engine.fourierNames();
    const QStringList files = resultFileNames(names, Qt::CaseSensitive);
    for (int i = 0; i < names.size(); ++i) {
      const auto index = static_cast<unsigned short>(i);
      SpectrumPlotWidget widget(&engine,
                                QStringLiteral("Frequency [") + engine.fourierUnit(index) +
                                    QStringLiteral("]"),
                                dbAxis(), 1, QString(), index);
      saveWidget(&widget, widget.plotWidget(), engine, folder, files.at(i), false, true, failed);
    }
  }
  if (plots && engine.timeSeriesAvailable) {
    const QStringList names = engine.probeNames();
    const QStringList files = resultFileNames(names, Qt::CaseInsensitive);
    for (int i = 0; i < names.size(); ++i) {
      const auto index = static_cast<unsigned short>(i);
      TimeProbePlotWidget widget(&engine,
                                 QStringLiteral("Time [") + engine.probeTimeUnit(index) +
                                     QStringLiteral("]"),
                                 QStringLiteral("E-field [V/m]"), 1, QString(), index);
      saveWidget(&widget, widget.plotWidget(), engine, folder, files.at(i), false, true, failed);
    }
  }

  {
    EFieldPlotWidget widget(&engine, locationAxis(engine), QStringLiteral("Electric field [V/m]"),
                            1, QStringLiteral("Electric field envelope 1"), 0);
    saveWidget(&widget, widget.plotWidget(), engine, folder, QStringLiteral("Electric field.txt"),
               true, plots, failed);
  }
  if (engine.hasPoynting()) {
    SFieldPlotWidget widget(&engine, locationAxis(engine),
                            QStringLiteral("Poynting vector [W/m^2]"), 1,
                            QStringLiteral("Poynting vector envelope 1"), 0);
    saveWidget(&widget, widget.plotWidget(), engine, folder, QStringLiteral("Poynting vector.txt"),
               true, plots, failed);
  }

  const auto count = engine.spectrogramPostprocessings.size();
  QStringList names;
  for (std::size_t i = 0; i < count; ++i) {
    const auto *s = engine.spectrogramPostprocessings[i];
    names << (s ? s->name() : QString());
  }
  const QStringList files = resultFileNames(names, Qt::CaseSensitive);
  for (std::size_t i = 0; i < count; ++i) {
    const auto index = static_cast<unsigned short>(i);
    const QString xTitle =
        (engine.spectrogramIsFrequency(index) ? QStringLiteral("Frequency [")
                                              : QStringLiteral("Wavelength [")) +
        engine.spectrogramUnit(index) + QStringLiteral("]");
    const QString yTitle = QStringLiteral("Distance [") + engine.lengthUnit + QStringLiteral("]");
    std::unique_ptr<SpectrogramPlotWidget> widget;
    if (engine.dynamicSpectrogram)
      widget = std::make_unique<DynamicSpectrogramPlotWidget>(&engine, xTitle, yTitle, dbAxis(), 1,
                                                              QStringLiteral("Spectrogram"), index);
    else
      widget = std::make_unique<StaticSpectrogramPlotWidget>(&engine, xTitle, yTitle, dbAxis(), 1,
                                                             QStringLiteral("Spectrogram"), index);
    saveWidget(widget.get(), widget->plotWidget(), engine, folder, files.at(static_cast<int>(i)),
               true, plots, failed);
  }
  return failed.size() == failedBefore;
}
