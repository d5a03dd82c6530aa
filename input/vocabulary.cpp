#include "input/vocabulary.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/reasons.h"
#include "input/tokens.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Words only one engine reads (keywords and the value words of its own
// sections), and table entries no parser reads.
const QStringList &fdtdOnly()
{
  static const QStringList words = {
      "stability", "threads",  "physical", "problem",     "geometry", "z-location",
      "duration",  "lumped",   "meshpoints", "anyunit",   "every",    "itstart",
      "itend",     "loc_start", "maxdistance", "point",   "plane_wave", "1d",
      "1dp",       "1dcp",     "diel",     "ldiel",       "lor2",     "lor3",
      "ker1",      "lor3ker1"};
  return words;
}

const QStringList &uppeOnly()
{
  static const QStringList words = {
      "method",       "fixedStep",     "initialintegstep", "evolutionstep", "tolerance",
      "fshift",       "usegeneral",    "linear",           "timeduration",  "timepoints",
      "dump",         "rkf45",         "rkck",             "rk8pd",         "taylorSeriesDispersive",
      "const_n_ker1", "step_n_ker1",   "sellmeier_ker1",   "material_ker1", "tabulated",
      "tabulated_ker1"};
  return words;
}

const QStringList &readByNone()
{
  static const QStringList words = {"...", "#", "conditionally", "step", "start_angle", "queryStart"};
  return words;
}

// Keywords that take exactly one value in front of them (a count or a single
// word or number); words that may stand between that value and the keyword.
const QStringList &singleValueKeywords()
{
  static const QStringList words = {
      "period",   "code",       "use",        "time",      "action",       "iterations",
      "file",     "lumped",     "medium",     "meshpoints", "3dB",         "tau",
      "shape",    "duration",   "timeduration", "centre",  "geometry",     "physical",
      "problem",  "funit",      "tunit",      "itstart",   "itend",        "z-location",
      "typeOf",   "stability",  "measure",    "size",      "dump",         "threads",
      "timepoints", "method",   "fixedStep",  "initialintegstep", "tolerance", "evolutionstep",
      "fshift",   "usegeneral", "linear",     "maxdistance", "planes", "model",
      "fwhm",     "gdd",        "tod"};
  return words;
}
const QStringList &qualifiers()
{
  static const QStringList words = {"relative"}; // "1e-6 relative tolerance"
  return words;
}

const QStringList &countKeywords()
{
  static const QStringList words = {"meshpoints", "timepoints", "threads", "iterations", "planes"};
  return words;
}

bool isNumber(const QString &word)
{
  double v = 0.0;
  return toReal(word, v);
}

int allowedDistance(const QString &word)
{
  return word.size() <= 4 ? 1 : (word.size() <= 8 ? 2 : 3);
}

// The quoted line of a hint or refusal.
QString quoted(const QString &line) { return QLatin1Char('"') + line.trimmed() + QLatin1Char('"'); }

// A word list for membership tests ignoring case.
class WordSet
{
public:
  explicit WordSet(const QStringList &words)
  {
    for (const QString &w : words)
      lower_.insert(w.toLower());
  }
  bool contains(const QString &word) const { return lower_.contains(word.toLower()); }

private:
  QSet<QString> lower_;
};

// The words of a keyword part when no keyword of vocabulary is among them,
// or an empty list.
QStringList unknownWords(const QString &line, const WordSet &vocabulary)
{
  if (line.isEmpty() || line == QLatin1String("#"))
    return {};
  const QStringList words = keywordPart(line);
  for (const QString &w : words)
    if (vocabulary.contains(w))
      return {};
  return words;
}

// Warnings named one by one; further lines are counted.
constexpr int namedWarnings = 20;

} // namespace

QStringList engineKeywords(const QString &engineType)
{
  const bool fdtd = engineType == QLatin1String("FDTD");
  const bool uppe = engineType == QLatin1String("UPPE");
  QStringList words;
  for (const QString &k : KeywordTable) {
    if (k.isEmpty() || words.contains(k) || readByNone().contains(k))
      continue;
    if ((fdtd && uppeOnly().contains(k)) || (uppe && fdtdOnly().contains(k)))
      continue;
    words << k;
  }
  return words;
}

int editDistance(const QString &a, const QString &b)
{
  const QString s = a.toLower(), t = b.toLower();
  const int n = s.size(), m = t.size();
  // Three rows of the table: two back (for swaps), one back and the current.
  std::vector<int> rows(3 * std::size_t(m + 1));
  int *previous2 = rows.data(), *previous = previous2 + (m + 1), *current = previous + (m + 1);
  for (int j = 0; j <= m; ++j)
    previous[j] = j;
  for (int i = 1; i <= n; ++i) {
    current[0] = i;
    for (int j = 1; j <= m; ++j) {
      const int cost = s.at(i - 1) == t.at(j - 1) ? 0 : 1;
      int best = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && s.at(i - 1) == t.at(j - 2) && s.at(i - 2) == t.at(j - 1))
        best = std::min(best, previous2[j - 2] + 1);
      current[j] = best;
    }
    std::swap(previous2, previous);
    std::swap(previous, current);
  }
  return previous[m];
}

QString closestKeyword(const QString &word, const QStringList &vocabulary)
{
  // Keywords whose length differs by more than the distance allowed are
  // never compared: a long word (a pasted path, a sentence) costs nothing.
  QString best;
  int bestDistance = allowedDistance(word) + 1;
  for (const QString &k : vocabulary) {
    if (std::abs(k.size() - word.size()) >= bestDistance)
      continue;
    const int d = editDistance(word, k);
    if (d < bestDistance) {
      bestDistance = d;
      best = k;
    }
  }
  return best;
}

QStringList unknownWordWarnings(const QStringList &lines, const QStringList &vocabulary)
{
  const WordSet known(vocabulary);
  QStringList warnings;
  int more = 0;
  for (int i = 0; i < lines.size(); ++i) {
    const QStringList words = unknownWords(lines.at(i), known);
    if (words.isEmpty())
      continue;
    if (warnings.size() >= namedWarnings) {
      ++more;
      continue;
    }
    // The word to name: the one closest to a keyword, else the last word that
    // is no number, else the first.
    QString named = words.first(), suggestion;
    int bestDistance = 1 << 20;
    for (const QString &w : words) {
      if (isNumber(w))
        continue;
      const QString k = closestKeyword(w, vocabulary);
      const int d = k.isEmpty() ? 1 << 19 : editDistance(w, k);
      if (d <= bestDistance) {
        bestDistance = d;
        named = w;
        suggestion = k;
      }
    }
    if (suggestion.isEmpty())
      warnings << reason::tr("line %1: \"%2\" is not a keyword; the line is not read.").arg(i + 1).arg(named);
    else
      warnings << reason::tr("line %1: \"%2\" is not a keyword; did you mean \"%3\"?")
                      .arg(i + 1)
                      .arg(named, suggestion);
  }
  if (more > 0)
    warnings << reason::tr("%1 more lines hold no keyword and are not read.").arg(more);
  return warnings;
}

QString missingKeywordHint(const QStringList &lines, const QString &keyword,
                           const QStringList &vocabulary)
{
  const WordSet known(vocabulary);
  int bestLine = -1, bestDistance = allowedDistance(keyword) + 1;
  int partLine = -1;
  QString partWord;
  for (int i = 0; i < lines.size(); ++i) {
    const QString &line = lines.at(i);
    if (line.isEmpty() || line == QLatin1String("#"))
      continue;
    const QStringList words = keywordPart(line);
    const bool unknown = !unknownWords(line, known).isEmpty();
    for (const QString &w : words) {
      // The keyword in other letters (the lookup is case-sensitive), or a
      // misspelling on a line that holds no keyword.
      if (w == keyword)
        continue; // a line before the section that looks for it
      const bool otherCase = w.compare(keyword, Qt::CaseInsensitive) == 0;
      if (!otherCase && !unknown)
        continue;
      // A word the keyword holds ("duration" for "timeduration") counts as
      // the farthest that is still near.
      const bool far = std::abs(w.size() - keyword.size()) >= bestDistance;
      int d = otherCase ? 0 : (far ? bestDistance : editDistance(w, keyword));
      if (unknown && d > allowedDistance(keyword) && w.size() >= 4 &&
          keyword.contains(w, Qt::CaseInsensitive))
        d = allowedDistance(keyword);
      if (d < bestDistance) {
        bestDistance = d;
        bestLine = i;
      }
      if (unknown && partLine < 0 && !otherCase && w.contains(keyword, Qt::CaseInsensitive)) {
        partLine = i;
        partWord = w;
      }
    }
  }
  if (bestLine >= 0)
    return reason::tr("line %1 %2: did you mean \"%3\"?")
        .arg(bestLine + 1)
        .arg(quoted(lines.at(bestLine)), keyword);
  if (partLine >= 0)
    return reason::tr("line %1 %2: \"%3\" is only part of the word \"%4\"")
        .arg(partLine + 1)
        .arg(quoted(lines.at(partLine)), keyword, partWord);
  return QString();
}

int lineFormProblem(const QStringList &lines, const QStringList &vocabulary, QString &why)
{
  const WordSet known(vocabulary), counts(countKeywords()), single(singleValueKeywords()),
      qualifying(qualifiers());
  for (int i = 0; i < lines.size(); ++i) {
    const QString &line = lines.at(i);
    if (line.isEmpty() || line == QLatin1String("#"))
      continue;
    // The keyword: the last keyword of the keyword part (values such as
    // "gauss" are in the table too).
    QString keyword;
    for (const QString &w : keywordPart(line))
      if (known.contains(w))
        keyword = w;
    if (keyword.isEmpty())
      continue;
    const QString value = lineValue(line);
    double number = 0.0;
    if (counts.contains(keyword) && toReal(value, number) && number != std::floor(number)) {
      why = reason::tr("\"%1\" is a count: %2")
                .arg(keyword, reason::expected(reason::integer(), value));
      return i + 1;
    }
    if (!single.contains(keyword))
      continue;
    const int at = keywordOffset(line, keyword, Qt::CaseInsensitive);
    if (at < 0)
      continue; // a one-word line: the keyword without its value
    QStringList before = lineTokens(line.left(at));
    if (!before.isEmpty() && before.last() == QLatin1String("*"))
      before.removeLast();
    for (int k = 1; k < before.size(); ++k)
      if (!qualifying.contains(before.at(k))) {
        why = reason::tr("\"%1\" takes one value; the extra token \"%2\" is refused")
                  .arg(keyword, before.at(k));
        return i + 1;
      }
    const QStringList after = lineTokens(line.mid(at + keyword.size()));
    if (!after.isEmpty() && !after.first().startsWith(QLatin1Char('#'))) {
      why = reason::tr("\"%1\" takes one value; the extra token \"%2\" after it is refused (a "
                       "remark after the keyword begins with \"#\")")
                .arg(keyword, after.first());
      return i + 1;
    }
  }
  return 0;
}
