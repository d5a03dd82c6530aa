#pragma once
// Lookups over the configuration line list.
//
// Every meaningful configuration line carries a value first and a keyword
// after it. A lookup finds a line whose keyword part holds the keyword as a
// whole word (see hasKeyword) and returns the line's first word.
// Failures are reported through the engine's status fields, passed in by
// reference: missingKeyword receives the keyword of a failed search and
// currentLine the 1-based number of the line that a successful lookup read.

#include <QString>
#include <QStringList>

class QTextStream;

// Position of the first entry equal to text ignoring case; -1 if none.
int indexIgnoringCase(const QStringList &list, const QString &text);

// True when no entry of list equals text ignoring case (also for an empty list).
bool isNotListed(const QString &text, const QStringList &list);

// The value of a line: its first word after splitting on white space with
// empty parts kept (so a line starting with a blank has the empty value).
QString lineValue(const QString &line);

// True when the keyword part of line holds keyword as a whole word. The
// keyword part is every word after the value (the first word) up to a word
// beginning with "#" (a remark). A line "words * keyword" holds a text value
// (a name of several words): its keyword part is the one word after the first
// word beginning with "*" ("*name" counts as "*" and "name"). A line of a
// single word is its own keyword part (a keyword written without its value).
bool hasKeyword(const QString &line, const QString &keyword,
                Qt::CaseSensitivity cs = Qt::CaseSensitive);

// Position of the keyword's word in line, as hasKeyword finds it; -1 if none.
int keywordOffset(const QString &line, const QString &keyword,
                  Qt::CaseSensitivity cs = Qt::CaseSensitive);

// The words of the keyword part of line, as hasKeyword sees them.
QStringList keywordPart(const QString &line);

// Value of the first line with keyword, ignoring case.
QString readValue(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                  int &currentLine);

// Value of the line right after line number currentLine, if that line has
// keyword (case-sensitive). Leaves the status fields alone when it does not.
QString readValueOnLine(const QStringList &lines, const QString &keyword, int &currentLine);

// Value of the first line at index from or later with keyword (case-sensitive).
// A start beyond the end searches the last line.
QString readValueFrom(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                      int &currentLine, int from);

// Words of the first line found as readValueFrom finds it, from the first word
// up to (not including) the first word beginning with "*", joined by blanks.
QString readTextFrom(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                     int &currentLine, int from);

// Index of the first line at index from or later with keyword, or -1. from
// beyond the end is lowered to the last index.
int findLineFrom(const QStringList &lines, const QString &keyword, int from,
                 Qt::CaseSensitivity cs = Qt::CaseSensitive);

// Reads a configuration text into the line list: one entry per physical line,
// comment lines (first word beginning with "#") stored as "#".
QStringList readConfigurationLines(QTextStream &stream);

// Replaces each of the nine characters \ / : * ? " < > | by "_".
QString sanitizeFileName(const QString &name);
