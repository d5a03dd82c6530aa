#pragma once
// The keywords each engine reads, and the checks that look at every line of a
// configuration rather than at the lines one parser asks for: words in the
// keyword position that are no keyword (a typo makes a line vanish), counts
// that are not whole and single values that have company.

#include <QString>
#include <QStringList>

// Keywords of an engine ("FDTD" or "UPPE"), generated from KeywordTable: every
// entry except those only the other engine reads and those nothing reads. A
// keyword appended to the table belongs to both engines. Any other engine
// name gives every entry.
QStringList engineKeywords(const QString &engineType);

// Optimal string alignment distance (insertions, deletions, substitutions
// and swaps of neighbours), ignoring case.
int editDistance(const QString &a, const QString &b);

// The keyword of vocabulary closest to word within a small distance (1 for
// words of up to four letters, 2 up to eight, 3 beyond); empty when none is
// that close. Ties go to the earlier keyword.
QString closestKeyword(const QString &word, const QStringList &vocabulary);

// One warning per non-comment line whose keyword part (see hasKeyword) holds
// no keyword of vocabulary: `line 40: "dupm" is not a keyword; did you mean
// "dump"?`, or, with nothing close, `line 40: "xyz" is not a keyword; the
// line is not read.`
QStringList unknownWordWarnings(const QStringList &lines, const QStringList &vocabulary);

// For a keyword no line holds: the line that probably meant it, as `line 12
// "10 duraton": did you mean "duration"?` (a word in another case, within
// the small distance or part of the keyword, closest first) or `line 12 "10 timeduration":
// "duration" is only part of the word "timeduration"`; empty when no line
// without a keyword comes close.
QString missingKeywordHint(const QStringList &lines, const QString &keyword,
                           const QStringList &vocabulary);

// The first line (1-based) whose count is not a whole number ("meshpoints",
// "timepoints", "threads", "iterations", "planes") or whose single-value
// keyword has another token before or after it, with the reason; 0 when
// every line is sound. The line's keyword is the first word of its keyword
// part in vocabulary.
int lineFormProblem(const QStringList &lines, const QStringList &vocabulary, QString &reason);
