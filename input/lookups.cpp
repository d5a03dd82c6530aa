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

// Calls visit(first, last) for each word of the keyword part until it
// returns true; true when one did.
template <typename Visit> bool forEachKeywordWord(const QString &line, Visit visit)
{
  // Words are found on demand, so that very long lines cost one pass.
  const int n = line.size();
  auto next = [&](int &i, int &first, int &last) {
    while (i < n && isBlank(line.at(i)))
      ++i;
    if (i >= n)
      return false;
    first = i;
    while (i < n && !isBlank(line.at(i)))
      ++i;
    last = i;
    return true;
  };
  int i = 0, first = 0, last = 0;
  if (!next(i, first, last))
    return false;
  const int valueFirst = first, valueLast = last;
  const int afterValue = i;
  // A text value "words * keyword": the first later word beginning with "*"
  // followed by exactly one word (a glued "*keyword" included) before the
  // end or a remark.
  int star = -1;
  for (int j = i; next(j, first, last);)
    if (line.at(first) == QLatin1Char('*')) {
      star = first;
      break;
    }
  if (star >= 0) {
    int j = star + 1, words = 0, keywordFirst = 0, keywordLast = 0;
    while (next(j, first, last) && line.at(first) != QLatin1Char('#')) {
      keywordFirst = first;
      keywordLast = last;
      ++words;
    }
    if (words == 1)
      return visit(keywordFirst, keywordLast);
  }
  int j = afterValue;
  if (!next(j, first, last))
    return visit(valueFirst, valueLast); // a line of one word
  for (j = afterValue; next(j, first, last);) {
    if (line.at(first) == QLatin1Char('#'))
      return false;
    if (visit(first, last))
      return true;
  }
  return false;
}
} // namespace

int keywordOffset(const QString &line, const QString &keyword, Qt::CaseSensitivity cs)
{
  if (keyword.isEmpty())
    return -1;
  const QStringView key(keyword);
  int offset = -1;
  forEachKeywordWord(line, [&](int first, int last) {
    if (QStringView(line).mid(first, last - first).compare(key, cs) != 0)
      return false;
    offset = first;
    return true;
  });
  return offset;
}

bool hasKeyword(const QString &line, const QString &keyword, Qt::CaseSensitivity cs)
{
  return keywordOffset(line, keyword, cs) >= 0;
}

QStringList keywordPart(const QString &line)
{
  QStringList words;
  forEachKeywordWord(line, [&](int first, int last) {
    words << line.mid(first, last - first);
    return false;
  });
  return words;
}

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
    if (hasKeyword(lines.at(i), keyword, Qt::CaseInsensitive)) {
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
  if (!hasKeyword(line, keyword))
    return QString();
  ++currentLine; // the line read, even where an earlier line has the same text
  return lineValue(line);
}

int findLineFrom(const QStringList &lines, const QString &keyword, int from,
                 Qt::CaseSensitivity cs)
{
  if (lines.isEmpty())
    return -1;
  if (from > lines.size() - 1)
    from = lines.size() - 1;
  if (from < 0)
    from = 0;
  for (int i = from; i < lines.size(); ++i)
    if (hasKeyword(lines.at(i), keyword, cs))
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
