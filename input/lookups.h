#pragma once
// Lookups over the configuration line list.
//
// Every meaningful configuration line carries a value first and a keyword
// somewhere after it. A lookup finds a line by a substring (or regular
// expression) test for the keyword and returns the line's first word.
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

// Value of the first line containing keyword, ignoring case.
QString readValue(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                  int &currentLine);

// Value of the line right after line number currentLine, if that line contains
// keyword (case-sensitive). Leaves the status fields alone when it does not.
QString readValueOnLine(const QStringList &lines, const QString &keyword, int &currentLine);

// Value of the first line at index from or later matching ".*" + keyword + ".*"
// (case-sensitive regular expression). A start beyond the end searches the last line.
QString readValueFrom(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                      int &currentLine, int from);

// Words of the first line found as readValueFrom finds it, from the first word
// up to (not including) the first word beginning with "*", joined by blanks.
QString readTextFrom(const QStringList &lines, const QString &keyword, QString &missingKeyword,
                     int &currentLine, int from);

// Index of the first line at index from or later matching ".*" + keyword + ".*",
// or -1. from beyond the end is lowered to the last index.
int findLineFrom(const QStringList &lines, const QString &keyword, int from);

// Reads a configuration text into the line list: one entry per physical line,
// comment lines (first word beginning with "#") stored as "#".
QStringList readConfigurationLines(QTextStream &stream);

// Replaces each of the nine characters \ / : * ? " < > | by "_".
QString sanitizeFileName(const QString &name);
