#include "app/sweep/sweepcheck.h"

#include "app/batch/batchrunner.h"
#include "engine/simulator.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <memory>

namespace {

QStringList tokensOf(const QString &line)
{
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  return line.trimmed().split(blanks, Qt::SkipEmptyParts);
}

bool isComment(const QString &line) { return line.trimmed().startsWith(QLatin1Char('#')); }

// The keyword of a value-then-keyword line (its last token), lower case.
QString keywordOf(const QStringList &tokens) { return tokens.isEmpty() ? QString() : tokens.last().toLower(); }

// True when the "file" line at index belongs to a user pulse: the nearest
// "shape" or "action" line above it is a "user shape" line.
bool isPulseFileLine(const QStringList &raw, int index)
{
  for (int i = index - 1; i >= 0; --i) {
    if (isComment(raw.at(i)))
      continue;
    const QStringList t = tokensOf(raw.at(i));
    const QString k = keywordOf(t);
    if (k == QLatin1String("action"))
      return false;
    if (k == QLatin1String("shape"))
      return t.size() == 2 && t.first().compare(QLatin1String("user"), Qt::CaseInsensitive) == 0;
  }
  return false;
}

} // namespace

bool absoluteDataFiles(QStringList &raw, const QString &templateFolder, QString &problem)
{
  const QDir folder(templateFolder);
  for (int i = 0; i < raw.size(); ++i) {
    if (isComment(raw.at(i)))
      continue;
    const QStringList t = tokensOf(raw.at(i));
    const QString k = keywordOf(t);
    const bool candidate = t.size() >= 2 && (k == QLatin1String("parameters") ||
                                             (k == QLatin1String("file") && isPulseFileLine(raw, i)));
    if (!candidate || QFileInfo(t.first()).isAbsolute() || !QFileInfo(folder.filePath(t.first())).isFile())
      continue;
    const QString absolute = QFileInfo(folder.filePath(t.first())).absoluteFilePath();
    if (absolute.contains(QRegularExpression(QStringLiteral("\\s")))) {
      problem = QStringLiteral("line %1: the data file \"%2\" lies at \"%3\", a path with blanks that a "
                               "configuration line cannot hold; move it (or the template) to a folder "
                               "without blanks, or name it by an absolute path without blanks")
                    .arg(i + 1)
                    .arg(t.first(), absolute);
      return false;
    }
    QString &line = raw[i];
    line.replace(line.indexOf(t.first()), t.first().size(), absolute);
  }
  return true;
}

int threadsOf(const QStringList &raw)
{
  for (const QString &line : raw) {
    const QStringList t = tokensOf(line);
    if (isComment(line) || t.size() < 2 || !keywordOf(t).contains(QLatin1String("threads")))
      continue;
    bool ok = false;
    const int n = t.first().toInt(&ok);
    return ok ? n : -1;
  }
  return -1;
}

RunCheck checkConfiguration(const QString &text, const QString &configName, const QString &scratch,
                            const EngineFactory &factory)
{
  RunCheck check;
  const QString path = scratch + QLatin1Char('/') + configName;
  QSaveFile file(path);
  const QByteArray bytes = text.toLocal8Bit();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(bytes) != bytes.size() || !file.commit()) {
    check.message = QStringLiteral("cannot write \"%1\" to check it").arg(path);
    return check;
  }
  const QString working = QDir::currentPath();
  QDir::setCurrent(scratch);
  const LoadOutcome outcome = loadConfiguration(path, engineTypeOf(configName), runNameOf(configName), factory);
  QDir::setCurrent(working);
  const std::unique_ptr<Simulator> engine(outcome.engine);
  check.loaded = outcome.ok();
  check.message = outcome.message;
  if (engine) {
    check.endless = !runEndsByItself(*engine);
    check.warnings = engine->loadStatus().warnings.size();
  }
  return check;
}
