#include "plots/resultsaving.h"

#include "engine/loader.h"
#include "engine/simulator.h"
#include "input/lookups.h"
#include "plots/columnwriter.h"
#include "plots/fftspectrumplotwidget.h"
#include "plots/fieldplotwidget.h"
#include "plots/spectrumplotwidget.h"
#include "plots/timeplotwidget.h"
#include "plots/timeprobeplotwidget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>


namespace {

QString tr(const char *text)
{
  return QCoreApplication::translate("Lumora", text);
}

void tell(const StatusReporter &report, const QString &message, int timeoutMs)
{
  if (report)
    report(message, timeoutMs);
}

// Copies the configuration file into the folder unless a copy exists there.
bool copyConfiguration(const QString &configPath, const QString &folder)
{
  const QFileInfo info(configPath);
  if (configPath.isEmpty() || !info.isFile())
    return false;
  const QFileInfo target(folder + info.fileName());
  if (target.exists())
    return target.isFile(); // an earlier copy is kept
  QFile source(configPath);
  if (!source.open(QIODevice::ReadOnly))
    return false;
  const QByteArray bytes = source.readAll();
  if (source.error() != QFileDevice::NoError)
    return false;
  return writeFileAtomically(target.filePath(), bytes);
}

} // namespace

QString resultsFolderName(const QDateTime &now, const QString &saveTag)
{
  return sanitizeFileName(QStringLiteral("Simulation results ") +
                          now.toString(QStringLiteral("d.M.yyyy hh:mm:ss")) +
                          QLatin1Char('_') + saveTag);
}

QString resultsFolderPath(const QString &resultsBase, const QDateTime &now, const QString &saveTag)
{
  const QString base = resultsBase.isEmpty() ? QCoreApplication::applicationDirPath() : resultsBase;
  return base + QLatin1Char('/') + resultsFolderName(now, saveTag) + QLatin1Char('/');
}

QStringList resultFileNames(const QStringList &names, Qt::CaseSensitivity cs)
{
  QStringList sanitized;
  sanitized.reserve(names.size());
  for (const QString &n : names)
    sanitized << sanitizeFileName(n);
  // Compared after sanitising, since that is what reaches the disk: "a/b" and
  // "a_b" would otherwise overwrite each other.
  bool duplicates = false;
  QSet<QString> seen;
  for (const QString &n : sanitized) {
    const QString key = cs == Qt::CaseSensitive ? n : n.toCaseFolded();
    if (seen.contains(key)) {
      duplicates = true;
      break;
    }
    seen.insert(key);
  }
  QStringList files;
  files.reserve(sanitized.size());
  for (int i = 0; i < sanitized.size(); ++i) {
    if (duplicates)
      files << sanitized.at(i) + QLatin1Char('_') + QString::number(i + 1) +
                   QStringLiteral(".txt");
    else
      files << sanitized.at(i) + QStringLiteral(".txt");
  }
  return files;
}

SaveAllOutcome saveAllResults(Simulator *engine, const QString &configPath,
                              const QString &resultsBase, const QString &saveTag,
                              const QDateTime &now, const StatusReporter &report)
{
  SaveAllOutcome outcome;
  outcome.folder = resultsFolderPath(resultsBase, now, saveTag);
  if (!engine) {
    tell(report, tr("Saving failed"), 2000);
    return outcome;
  }
  const QString folderPath = outcome.folder.left(outcome.folder.size() - 1);
  outcome.folderCreated = QDir().mkpath(folderPath) && QFileInfo(folderPath).isDir();
  if (!outcome.folderCreated) {
    tell(report,
         tr("Saving failed: cannot create folder %1").arg(QDir::toNativeSeparators(folderPath)),
         2000);
    return outcome;
  }
  const QString &folder = outcome.folder;
  const auto count = [&outcome](bool ok) {
    if (ok)
      ++outcome.savedFiles;
    else
      ++outcome.failedFiles;
    return ok;
  };

  count(copyConfiguration(configPath, folder));
  const QString summary = setupSummaryText(*engine);
  if (!summary.isEmpty())
    count(writeFileAtomically(folder + QStringLiteral("Set-up summary.txt"), summary.toUtf8()));

  if (engine->hasTimeSignal()) {
    const std::vector<double> t = engine->timePointsDisplay();
    if (count(writeColumns(folder + QStringLiteral("Input signal.txt"), t,
                           engine->probeSamples(0),
                           QStringLiteral("! ") + engine->timeAxisLabel(0) +
                               QStringLiteral(" E field [V/m]"))))
      tell(report, tr("Saved input signal"), 0);

    // The saved input spectrum covers the engine's m spectral points.
    std::vector<double> f = engine->frequenciesDisplay();
    std::vector<double> s = engine->initialSpectrumDbData();
    const int m = engine->frequencyCount();
    if (m >= 0 && f.size() > static_cast<size_t>(m))
      f.resize(static_cast<size_t>(m));
    if (m >= 0 && s.size() > static_cast<size_t>(m))
      s.resize(static_cast<size_t>(m));
    if (count(writeColumns(folder + QStringLiteral("Input spectrum.txt"), f, s,
                           QStringLiteral("! ") + engine->spectrumAxisLabel() +
                               QStringLiteral(" Magnitude [dBV/m]"))))
      tell(report, tr("Saved input signal"), 0);

    {
      FFTSpectrumPlotWidget w(engine, engine->spectrumAxisLabel(),
                              QStringLiteral("Magnitude [dBV/m]"), 1,
                              QStringLiteral("FFT spectrum"), 0);
      if (!count(w.saveToFile(folder + sanitizeFileName(QStringLiteral("FFT spectrum")) +
                                  QStringLiteral(".txt"),
                              engine)))
        tell(report, tr("Saving failed"), 2000);
    }
    {
      TimePlotWidget w(engine, engine->timeAxisLabel(0), QStringLiteral("Electric field [V/m]"),
                       1, QStringLiteral("UPPE E-field"), 0);
      if (!count(w.saveToFile(folder + sanitizeFileName(QStringLiteral("UPPE E-field")) +
                                  QStringLiteral(".txt"),
                              engine)))
        tell(report, tr("Saving failed"), 2000);
    }
  } else {
    if (engine->spectrumAvailable) {
      const QStringList names = engine->fourierNames();
      const QStringList files = resultFileNames(names, Qt::CaseSensitive);
      for (int i = 0; i < names.size() && i <= 0xFFFF; ++i) {
        const auto index = static_cast<unsigned short>(i);
        SpectrumPlotWidget w(engine,
                             QStringLiteral("Frequency [") + engine->fourierUnit(index) +
                                 QStringLiteral("]"),
                             QStringLiteral("Magnitude [dBV/m]"), 1, QString(), index);
        if (count(w.saveToFile(folder + files.at(i), engine)))
          tell(report, tr("Saved spectrum %1").arg(i + 1), 0);
        else
          tell(report, tr("Saving failed"), 2000);
      }
    }
    if (engine->timeSeriesAvailable) {
      const QStringList names = engine->probeNames();
      const QStringList files = resultFileNames(names, Qt::CaseInsensitive);
      for (int i = 0; i < names.size() && i <= 0xFFFF; ++i) {
        const auto index = static_cast<unsigned short>(i);
        TimeProbePlotWidget w(engine,
                              QStringLiteral("Time [") + engine->probeTimeUnit(index) +
                                  QStringLiteral("]"),
                              QStringLiteral("E-field [V/m]"), 1, QString(), index);
        if (count(w.saveToFile(folder + files.at(i), engine)))
          tell(report, tr("Saved spectrum %1").arg(i + 1), 0);
        else
          tell(report, tr("Saving failed"), 2000);
      }
    }
  }

  if (outcome.failedFiles == 0)
    tell(report, tr("All files have been saved"), 2000);
  else
    tell(report,
         tr("Saving failed: %1 file(s) could not be written to %2")
             .arg(outcome.failedFiles)
             .arg(QDir::toNativeSeparators(folderPath)),
         2000);
  return outcome;
}

bool saveElectricFieldEnvelope(Simulator *engine, const QString &fileName,
                               unsigned short efieldCount)
{
  if (!engine)
    return false;
  EFieldPlotWidget w(engine, QStringLiteral("Location [") + engine->lengthUnit + QStringLiteral("]"),
                     QStringLiteral("Electric field [V/m]"), 1,
                     QStringLiteral("Electric field envelope ") + QString::number(efieldCount), 0);
  return w.saveToFile(fileName, engine);
}
