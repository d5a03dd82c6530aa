#pragma once
// Helpers shared by the tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>

namespace testsupport {

// Root of the source tree (examples, data).
inline QString sourceDir()
{
  const QByteArray d = qgetenv("LUMORA_SOURCE_DIR");
  return d.isEmpty() ? QStringLiteral(LUMORA_SOURCE_DIR_FALLBACK) : QString::fromLocal8Bit(d);
}

// Writes text to dir/name and returns the full path.
inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
  QFile f(dir.filePath(name));
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    f.write(text);
  return f.fileName();
}

inline QByteArray readAll(const QString &path)
{
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testsupport
