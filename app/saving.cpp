// Saving and export: Save All, Save As, pictures of plots, and the two save
// breakpoints. A running simulation is held while it saves, so that the data
// written belong to one iteration.

#include "app/lumora.h"

#include "engine/simulator.h"
#include "plots/abstractplotwidget.h"
#include "results/resultsaving.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

namespace {

const char *const lastFolderKey = "lastFolder";

} // namespace

void Lumora::saveAllOnBreakpoint(QString tag)
{
  saveTag = tag;
  saveAll();
}

bool Lumora::saveEEnvelopeOnBreakpoint(QString fileName)
{
  if (!engine)
    return false;
  if (isRunning()) {
    updateTimer->stop();
    progressTimer->stop();
    statusBar()->showMessage(tr("Simulation paused"));
  }
  if (saveElectricFieldEnvelope(engine, fileName)) {
    logMessage(tr("Saved %1").arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath())));
    statusBar()->showMessage(tr("File saved"), 2000);
    if (isRunning()) {
      updateTimer->start();
      progressTimer->start();
    }
    return true;
  }
  logMessage(tr("Saving failed: %1").arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath())));
  statusBar()->showMessage(tr("Saving failed"), 2000);
  return false;
}

void Lumora::haltForSave()
{
  if (isRunning()) {
    updateTimer->stop();
    progressTimer->stop();
    statusBar()->showMessage(tr("Simulation paused"));
  }
}

void Lumora::resumeAfterSave()
{
  if (isRunning()) {
    updateTimer->start();
    progressTimer->start();
  }
}

void Lumora::saveAll()
{
  if (!engine)
    return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  haltForSave();
  const QString base = resultsBase.isEmpty() ? defaultResultsBase() : resultsBase;
  const SaveAllOutcome outcome =
      saveAllResults(engine, configPath, base, saveTag, QDateTime::currentDateTime(),
                     [this](const QString &message, int timeoutMs) {
                       statusBar()->showMessage(message, timeoutMs);
                     });
  const QString folder = QDir::toNativeSeparators(QDir::cleanPath(outcome.folder));
  if (outcome.succeeded()) {
    statusBar()->showMessage(tr("All files have been saved to %1").arg(folder), 5000);
    logMessage(tr("All files have been saved to %1").arg(folder));
  } else {
    logMessage(statusBar()->currentMessage());
  }
  QApplication::restoreOverrideCursor();
  resumeAfterSave();
}

QString Lumora::defaultResultsBase() const
{
  // An installed program's folder is not writable: the user's documents.
  const QFileInfo folder(programFolder);
  if (folder.isDir() && folder.isWritable())
    return programFolder;
  return QDir(documentsFolder).filePath(QStringLiteral("Lumora results"));
}

QString Lumora::askSaveFileName(const QString &caption, const QString &proposedName,
                                const QString &filter, const QString &suffix)
{
  QSettings stored;
  QString folder = stored.value(QLatin1String(lastFolderKey)).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = QDir::currentPath();
  QString name = resultFileNames({proposedName.trimmed()}, Qt::CaseSensitive).value(0);
  name.chop(4); // ".txt"
  const QString proposed = QDir(folder).filePath(name + QLatin1Char('.') + suffix);
  QString selectedFilter;
  QString fileName = QFileDialog::getSaveFileName(this, caption, proposed, filter, &selectedFilter);
  if (fileName.isEmpty())
    return fileName;
  if (QFileInfo(fileName).suffix().isEmpty()) {
    // The suffix of the chosen filter, e.g. "SVG drawing (*.svg)".
    QString chosen = suffix;
    const int star = selectedFilter.indexOf(QLatin1String("*."));
    if (star >= 0)
      chosen = selectedFilter.mid(star + 2).section(QLatin1Char(')'), 0, 0).section(QLatin1Char(' '), 0, 0);
    fileName += QLatin1Char('.') + chosen;
  }
  stored.setValue(QLatin1String(lastFolderKey), QFileInfo(fileName).absolutePath());
  return fileName;
}

AbstractPlotWidget *Lumora::activePlotWidget() const
{
  QMdiSubWindow *active = ui.mdiArea->activeSubWindow();
  return active ? qobject_cast<AbstractPlotWidget *>(active->widget()) : nullptr;
}

void Lumora::saveAs()
{
  haltForSave();
  AbstractPlotWidget *plot = activePlotWidget();
  QString fileName;
  if (plot && engine)
    fileName = askSaveFileName(tr("Save Simulation Results"), plot->title(), tr("Text files (*.txt)"),
                               QStringLiteral("txt"));
  // The dialog runs an event loop: the window may have been closed meanwhile.
  plot = activePlotWidget();
  if (!fileName.isEmpty() && plot && engine) {
    const QString shown = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    if (plot->saveToFile(fileName, engine)) {
      statusBar()->showMessage(tr("File saved"), 2000);
      logMessage(tr("Saved %1").arg(shown));
    } else {
      statusBar()->showMessage(tr("Saving failed"), 2000);
      logMessage(tr("Saving failed: %1").arg(shown));
    }
  } else {
    statusBar()->showMessage(tr("Saving canceled"), 2000);
  }
  resumeAfterSave();
}

void Lumora::exportPicture()
{
  AbstractPlotWidget *plot = activePlotWidget();
  if (!plot)
    return;
  const QString fileName =
      askSaveFileName(tr("Export Picture"), plot->title(), AbstractPlotWidget::pictureFilter(), QStringLiteral("png"));
  plot = activePlotWidget();
  if (fileName.isEmpty() || !plot) {
    statusBar()->showMessage(tr("Saving canceled"), 2000);
    return;
  }
  const QString shown = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
  if (plot->exportPicture(fileName)) {
    statusBar()->showMessage(tr("Picture saved"), 2000);
    logMessage(tr("Picture saved to %1").arg(shown));
  } else {
    statusBar()->showMessage(tr("Saving failed"), 2000);
    logMessage(tr("Saving failed: %1").arg(shown));
  }
}
