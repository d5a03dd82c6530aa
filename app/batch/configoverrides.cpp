#include "app/batch/configoverrides.h"

#include "input/lookups.h"
#include "input/vocabulary.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

QString ConfigOverride::text() const
{
  return occurrence == 1 && !key.contains(QLatin1Char('#'))
             ? key + QLatin1Char('=') + value
             : key + QLatin1Char('#') + QString::number(occurrence) + QLatin1Char('=') + value;
}

bool parseOverride(const QString &text, ConfigOverride &result, QString &problem)
{
  result = ConfigOverride();
  const int eq = text.indexOf(QLatin1Char('='));
  if (eq < 0) {
    problem = QStringLiteral("\"%1\" is not KEY=VALUE").arg(text);
    return false;
  }
  result.key = text.left(eq).trimmed();
  result.value = text.mid(eq + 1).simplified();
  const int hash = result.key.lastIndexOf(QLatin1Char('#'));
  if (hash >= 0) {
    bool ok = false;
    result.occurrence = result.key.mid(hash + 1).toInt(&ok);
    if (!ok || result.occurrence < 1) {
      problem = QStringLiteral("\"%1\": the number after \"#\" must be a whole number of at least 1")
                    .arg(text);
      return false;
    }
    result.key = result.key.left(hash).trimmed();
  }
  if (result.key.isEmpty()) {
    problem = QStringLiteral("\"%1\" has no keyword before \"=\"").arg(text);
    return false;
  }
  if (result.value.isEmpty()) {
    problem = QStringLiteral("\"%1\" has no value after \"=\"").arg(text);
    return false;
  }
  if (result.value.startsWith(QLatin1Char('#'))) {
    problem = QStringLiteral("\"%1\": a value beginning with \"#\" would turn the line into a comment")
                  .arg(text);
    return false;
  }
  return true;
}

bool readRawLines(const QString &fileName, QStringList &raw, QString &problem)
{
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    problem = QStringLiteral("Cannot read file %1:\n%2.").arg(fileName, file.errorString());
    return false;
  }
  raw.clear();
  QTextStream in(&file);
  QString line;
  while (in.readLineInto(&line))
    raw << line;
  return true;
}

namespace {
// What a key that matches no line probably meant: the line whose keyword
// holds it as part of a longer word, or a keyword close to it.
QString keyHint(const QStringList &lines, const QString &key)
{
  for (int i = 0; i < lines.size(); ++i)
    for (const QString &word : keywordPart(lines.at(i)))
      if (word != key && word.contains(key))
        return QStringLiteral(" (line %1 \"%2\" holds it only inside \"%3\")")
            .arg(i + 1)
            .arg(lines.at(i).trimmed(), word);
  const QStringList keywords = engineKeywords(QString());
  const QString near = keywords.contains(key) ? QString() : closestKeyword(key, keywords);
  return near.isEmpty() ? QString() : QStringLiteral("; did you mean \"%1\"?").arg(near);
}

// Index of the occurrence-th line the reader finds for key, or -1.
int nthMatch(const QStringList &lines, const QString &key, int occurrence)
{
  int found = -1;
  for (int n = 0; n < occurrence; ++n) {
    if (found + 1 >= lines.size())
      return -1;
    found = findLineFrom(lines, key, found + 1);
    if (found < 0)
      return -1;
  }
  return found;
}
} // namespace

bool applyOverrides(QStringList &raw, const QList<ConfigOverride> &overrides, QString &problem)
{
  static const QRegularExpression word(QStringLiteral("\\S+"));
  for (const ConfigOverride &o : overrides) {
    // The reader's line list: comment lines stored as "#" never match.
    QString text = raw.join(QLatin1Char('\n'));
    QTextStream stream(&text, QIODevice::ReadOnly);
    const QStringList lines = readConfigurationLines(stream);
    const int index = nthMatch(lines, o.key, o.occurrence);
    if (index < 0) {
      problem = o.occurrence == 1
                    ? QStringLiteral("--set %1: no line has the keyword \"%2\"").arg(o.text(), o.key) +
                          keyHint(lines, o.key)
                    : QStringLiteral("--set %1: fewer than %2 lines have the keyword \"%3\"")
                          .arg(o.text())
                          .arg(o.occurrence)
                          .arg(o.key);
      return false;
    }
    // The keyword's word as the reader finds it; a text value (words up to
    // one beginning with "*") is replaced up to that word, which stays.
    const QString &line = raw.at(index);
    int keywordAt = keywordOffset(line, o.key);
    auto it = word.globalMatch(line);
    for (int w = 0; it.hasNext(); ++w) {
      const QRegularExpressionMatch m = it.next();
      if (m.capturedStart() >= keywordAt)
        break;
      if (w > 0 && m.captured().startsWith(QLatin1Char('*'))) {
        keywordAt = m.capturedStart();
        break;
      }
    }
    if (keywordAt <= 0 || line.left(keywordAt).trimmed().isEmpty()) {
      problem = QStringLiteral("--set %1: line %2 (\"%3\") has no value in front of \"%4\"")
                    .arg(o.text())
                    .arg(index + 1)
                    .arg(line.trimmed(), o.key);
      return false;
    }
    raw[index] = o.value + QLatin1Char(' ') + line.mid(keywordAt);
  }
  return true;
}
