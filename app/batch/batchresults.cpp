#include "app/batch/batchresults.h"

#include "app/batch/batchpictures.h"
#include "engine/simulator.h"
#include "results/resultcatalogue.h"
#include "results/resulthdf5.h"
#include "results/resultsaving.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>


namespace {

QString pictureName(const ResultEntry &entry)
{
  QString name = entry.fileName;
  if (name.endsWith(QLatin1String(".txt")))
    name.chop(4);
  return name + QStringLiteral(".png");
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

bool batchSaveExtras(Simulator &engine, const QString &folderPath, const QString &configPath, bool plots,
                     QStringList &failed)
{
  const QString folder = folderWithSlash(folderPath);
  const int failedBefore = failed.size();
  // Pictures of the Save All set (its text files are written already).
  if (plots)
    for (const ResultEntry &entry : saveAllEntries(engine))
      if (!saveResultPicture(engine, folder, entry))
        failed << pictureName(entry);
  for (const ResultEntry &entry : batchExtraEntries(engine)) {
    if (!writeResult(engine, folder, entry))
      failed << entry.fileName;
    if (plots && !saveResultPicture(engine, folder, entry))
      failed << pictureName(entry);
  }
  // results.h5 again, now with the extra series.
  if (!writeResultsHdf5File(engine, folder, configPath, saveAllEntries(engine) + batchExtraEntries(engine)))
    failed << QLatin1String(resultsHdf5Name);
  return failed.size() == failedBefore;
}
