#include "input/lookups.h"

#include <QRegularExpression>
#include <QTextStream>

namespace {
const QRegularExpression &whiteSpace()
{
  static const QRegularExpression re(QStringLiteral("\\s+"));
  return re;
}

// White space as "\\s" of the regular expressions splits lines.
bool isBlank(QChar c)
{
  const ushort u = c.unicode();
  return u == ' ' || u == '\t' || u == '\n' || u == '\v' || u == '\f' || u == '\r';
}

bool hasRegexMetacharacters(const QString &keyword)
{
  for (QChar c : keyword) {
    switch (c.unicode()) {
    case '\\': case '^': case '$': case '.': case '|': case '?': case '*':
    case '+': case '(': case ')': case '[': case ']': case '{': case '}':
      return true;
    default:
      break;
    }
  }
  return false;
}

// ".*" + keyword + ".*" matched against a whole line. A keyword without
// metacharacters is a plain substring test, which also stays linear on
// very long lines.
class LineMatcher
{
public:
  explicit LineMatcher(const QString &keyword)
      : keyword_(keyword), plain_(!hasRegexMetacharacters(keyword))
  {
    if (!plain_) {
      regex_.setPattern(QRegularExpression::anchoredPattern(QStringLiteral(".*") + keyword +
                                                            QStringLiteral(".*")));
      regex_.optimize();
    }
  }
  bool matches(const QString &line) const
  {
    if (plain_)
      return line.contains(keyword_, Qt::CaseSensitive);
    if (!regex_.isValid())
      return false;
    return regex_.match(line).hasMatch();
  }

private:
  QString keyword_;
  bool plain_;
  QRegularExpression regex_;
};
} // namespace

int indexIgnoringCase(const QStringList &list, const QString &text)
{
  for (int i = 0; i < list.size(); ++i)
    if (list.at(i).compare(text, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

bool isNotListed(const QString &text, const QStringList &list)
{
  return indexIgnoringCase(list, text) < 0;
}

QString lineValue(const QString &line)
{
  const int n = line.size();
  int end = 0;
  while (end < n && !isBlank(line.at(end)))
    ++end;
  if (end == 0)
    return QStringLiteral(""); // a value that exists but is empty
  return line.left(end);
}

QString readValue(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                  int &currentLine)
{
  for (int i = 0; i < lines.size(); ++i) {
    if (lines.at(i).contains(keyword, Qt::CaseInsensitive)) {
      // The first line exactly equal to the first match is the match itself.
      currentLine = i + 1;
      return lineValue(lines.at(i));
    }
  }
  missingKeyword = keyword;
  return QString();
}

QString readValueOnLine(const QStringList &lines, const QString &keyword, int &currentLine)
{
  if (currentLine < 0 || currentLine >= lines.size())
    return QString();
  const QString &line = lines.at(currentLine);
  if (!line.contains(keyword, Qt::CaseSensitive))
    return QString();
  currentLine = lines.indexOf(line) + 1;
  return lineValue(line);
}

int findLineFrom(const QStringList &lines, const QString &keyword, int from)
{
  if (lines.isEmpty())
    return -1;
  if (from > lines.size() - 1)
    from = lines.size() - 1;
  if (from < 0)
    from = 0;
  const LineMatcher matcher(keyword);
  for (int i = from; i < lines.size(); ++i)
    if (matcher.matches(lines.at(i)))
      return i;
  return -1;
}

QString readValueFrom(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                      int &currentLine, int from)
{
  const int found = findLineFrom(lines, keyword, from);
  if (found < 0) {
    missingKeyword = keyword;
    return QString();
  }
  currentLine = found + 1;
  return lineValue(lines.at(found));
}

QString readTextFrom(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                     int &currentLine, int from)
{
  const int found = findLineFrom(lines, keyword, from);
  if (found < 0) {
    missingKeyword = keyword;
    return QString();
  }
  currentLine = found + 1;
  const QStringList words = lines.at(found).split(whiteSpace(), Qt::KeepEmptyParts);
  QString text;
  for (const QString &word : words) {
    if (word.startsWith(QLatin1Char('*')))
      break;
    text += word;
    text += QLatin1Char(' ');
  }
  text.chop(1);
  return text;
}

QStringList readConfigurationLines(QTextStream &stream)
{
  QStringList lines;
  QString line;
  while (stream.readLineInto(&line)) {
    if (line.isEmpty()) {
      lines.append(line);
      continue;
    }
    int first = 0;
    while (first < line.size() && isBlank(line.at(first)))
      ++first;
    if (first < line.size() && line.at(first) == QLatin1Char('#'))
      lines.append(QStringLiteral("#"));
    else
      lines.append(line);
  }
  return lines;
}

QString sanitizeFileName(const QString &name)
{
  static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|]"));
  QString result = name;
  result.replace(forbidden, QStringLiteral("_"));
  return result;
}
