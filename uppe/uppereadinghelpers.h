#pragma once
// Helpers shared by the parts of the spectral engine's configuration reader
// (uppeconfigreader.cpp, uppemediumreader.cpp); not for use elsewhere.

#include "input/lookups.h"
#include "input/tokens.h"
#include "input/units.h"
#include "uppe/uppeconfigreader.h"

#include <QCoreApplication>

#include <cmath>

namespace uppereading {

constexpr double femtosecond = 1e-15;

inline QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }

// First word of line number `line` (1-based).
inline QString valueAt(const QStringList &lines, int line) { return lineTokens(lines.value(line - 1)).value(0); }

// Index of the first line with the keyword, ignoring case; -1 if none.
inline int firstLineContaining(const QStringList &lines, const QString &keyword)
{
  return findLineFrom(lines, keyword, 0, Qt::CaseInsensitive);
}

enum class Range { Any, NotNegative, Positive };

inline QString expected(Range range)
{
  switch (range) {
  case Range::NotNegative:
    return tr("a number of at least 0");
  case Range::Positive:
    return tr("a number above 0");
  case Range::Any:
    break;
  }
  return tr("a number");
}

// Converts token; an empty string when it is a finite number in the range,
// otherwise the reason (what names the value: "the value", "value 3" ...).
inline QString numberProblem(const QString &token, Range range, double &value,
                             const QString &what = tr("the value"))
{
  const bool ok = toReal(token, value);
  if (token.isEmpty())
    return tr("%1 is missing; %2 was expected").arg(what, expected(range));
  if (!ok)
    return tr("%1 \"%2\" is not a finite number; %3 was expected").arg(what, token, expected(range));
  if ((range == Range::Positive && !(value > 0.0)) || (range == Range::NotNegative && !(value >= 0.0)))
    return tr("%1 %2 is out of range; %3 was expected").arg(what, token, expected(range));
  return QString();
}

inline QString oneOf(const QStringList &words)
{
  return tr("one of %1 was expected").arg(words.join(QStringLiteral(", ")));
}

// Medium type of a medium word ("fiber" is the fibre too); NoMedium if unknown.
inline MediumType mediumOf(const QString &word)
{
  if (word.compare(QLatin1String("fiber"), Qt::CaseInsensitive) == 0)
    return Fibre;
  return MediumType(indexIgnoringCase(uppeMediumNames, word));
}

} // namespace uppereading
