#include "uppe/fftwwisdom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fftw3.h>

#include <cstdlib>
#include <memory>

namespace {
bool wisdomLoaded = false;
QByteArray savedWisdom;
} // namespace

QString fftwWisdomPath()
{
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (base.isEmpty())
    base = QDir::homePath() + QStringLiteral("/.cache");
  return base + QStringLiteral("/lumora/fftw-wisdom");
}

void loadFftwWisdom()
{
  if (wisdomLoaded)
    return;
  wisdomLoaded = true;
  QFile file(fftwWisdomPath());
  if (file.size() > 64 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
    return;
  const QByteArray text = file.readAll();
  if (!text.isEmpty() && fftw_import_wisdom_from_string(text.constData()))
    savedWisdom = text;
}

void saveFftwWisdom()
{
  // FFTW hands the text over in memory from malloc.
  const std::unique_ptr<char, void (*)(void *)> text(fftw_export_wisdom_to_string(), std::free);
  if (!text)
    return;
  const QByteArray wisdom(text.get());
  if (wisdom == savedWisdom)
    return;
  const QString path = fftwWisdomPath();
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return;
  file.write(wisdom);
  if (file.commit())
    savedWisdom = wisdom;
}
