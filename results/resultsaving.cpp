#include "results/resultsaving.h"

#include "engine/loader.h"
#include "engine/simulator.h"
#include "input/lookups.h"
#include "results/columnwriter.h"
#include "results/resultcatalogue.h"
#include "results/resulthdf5.h"

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

bool writeResultsHdf5File(Simulator &engine, const QString &folder, const QString &configPath,
                          const QList<ResultEntry> &entries)
{
  QString configuration;
  QFile config(configPath);
  if (!configPath.isEmpty() && config.open(QIODevice::ReadOnly))
    configuration = QString::fromUtf8(config.readAll());
  return writeResultsHdf5(engine, entries, folder + QLatin1String(resultsHdf5Name), configuration,
                          setupSummaryText(engine));
}

bool writeResult(Simulator &engine, const QString &folder, const ResultEntry &entry)
{
  return writeResultFile(engine, entry, folder + entry.fileName);
}

namespace {

// Writes the Save All files into the folder, counting them, with a progress
// message per file.
void saveAllFiles(Simulator &engine, SaveAllOutcome &outcome, const StatusReporter &report)
{
  const QList<ResultEntry> entries = saveAllEntries(engine);
  int shown = 0; // spectra and time probes are numbered per kind
  ResultKind previous = ResultKind::ElectricField;
  for (const ResultEntry &entry : entries) {
    shown = entry.kind == previous ? shown + 1 : 1;
    previous = entry.kind;
    const bool ok = writeResult(engine, outcome.folder, entry);
    ok ? ++outcome.savedFiles : ++outcome.failedFiles;
    const bool input = entry.kind == ResultKind::InputSignal || entry.kind == ResultKind::InputSpectrum;
    const bool numbered = entry.kind == ResultKind::Spectrum || entry.kind == ResultKind::TimeProbe;
    if (ok && input)
      tell(report, tr("Saved input signal"), 0);
    else if (ok && numbered)
      tell(report, tr("Saved spectrum %1").arg(shown), 0);
    else if (!ok && !input)
      tell(report, tr("Saving failed"), 2000);
  }
}

} // namespace

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
  const auto count = [&outcome](bool ok) { ok ? ++outcome.savedFiles : ++outcome.failedFiles; };
  count(copyConfiguration(configPath, outcome.folder));
  const QString summary = setupSummaryText(*engine);
  if (!summary.isEmpty())
    count(writeFileAtomically(outcome.folder + QStringLiteral("Set-up summary.txt"), summary.toUtf8()));
  saveAllFiles(*engine, outcome, report);
  const bool hdf5 = writeResultsHdf5File(*engine, outcome.folder, configPath, saveAllEntries(*engine));
  count(hdf5);
  if (!hdf5)
    tell(report, tr("Saving failed"), 2000);

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

bool saveElectricFieldEnvelope(Simulator *engine, const QString &fileName)
{
  if (!engine)
    return false;
  return writeFileAtomically(fileName, resultText(*engine, resultEntry(*engine, ResultKind::ElectricField)));
}
