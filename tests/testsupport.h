#pragma once
// Helpers shared by the tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace testsupport {

// A parametrised case's name made from readable text: letters and digits
// stay, a minus sign becomes "m", every other run of characters one "_".
inline std::string caseName(const std::string &text)
{
  std::string name;
  for (char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += c;
    else if (c == '-')
      name += 'm';
    else if (!name.empty() && name.back() != '_')
      name += '_';
  while (!name.empty() && name.back() == '_')
    name.pop_back();
  return name;
}

// Name generator of tables whose rows carry a "name".
struct ByName
{
  template <typename P> std::string operator()(const ::testing::TestParamInfo<P> &info) const
  {
    return std::string(info.param.name);
  }
};

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
