#include "app/settingsfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegExp>
#include <QTextStream>

QString defaultSettingsPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Settings.txt"); }

QString settingsValue(const QString &line)
{
  // Greedy: everything up to and including the last "*".
  QRegExp upToStar(QStringLiteral(".*\\*"));
  if (upToStar.indexIn(line) < 0)
    return QString();
  const QString matched = upToStar.cap(0);
  return matched.left(matched.size() - 1).trimmed();
}

StartupSettings readSettingsFile(const QString &path)
{
  StartupSettings settings;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return settings;
  QTextStream stream(&file);

  QString first;
  while (!stream.atEnd()) {
    first = stream.readLine();
    if (!first.isEmpty())
      break;
  }
  if (first.isEmpty())
    return settings;

  // The first word, split on single white-space characters (a leading blank
  // therefore gives an empty word, which reads as 0).
  const QString word = first.split(QRegExp(QStringLiteral("\\s"))).first();
  bool converted = false;
  const int value = word.toInt(&converted, 10);
  if (!converted || value == 0)
    return settings;

  settings.autoLoad = true;
  settings.configurationPath = settingsValue(stream.readLine());
  settings.resultsBase = settingsValue(stream.readLine());
  return settings;
}
