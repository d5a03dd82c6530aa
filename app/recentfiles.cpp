// The File menu's recent files, kept in the user's settings.

#include "app/lumora.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const char *const recentFilesKey = "recentFiles";

} // namespace

void Lumora::rememberRecentFile(const QString &path)
{
  QSettings stored;
  QStringList files = stored.value(QLatin1String(recentFilesKey)).toStringList();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > maximumRecentFiles)
    files.removeLast();
  stored.setValue(QLatin1String(recentFilesKey), files);
  rebuildRecentMenu();
}

void Lumora::rebuildRecentMenu()
{
  recentMenu->clear();
  const QStringList files = QSettings().value(QLatin1String(recentFilesKey)).toStringList();
  for (const QString &path : files) {
    QAction *entry = recentMenu->addAction(QFileInfo(path).fileName());
    entry->setToolTip(QDir::toNativeSeparators(path));
    entry->setData(path);
    connect(entry, &QAction::triggered, this, [this, path] { openFile(path); });
  }
  updateActions();
}
