#pragma once
// Tokens and numbers of configuration and data lines, shared by every parser.

#include <QString>
#include <QStringList>

// The words of a line: runs of white space separate them; leading, trailing
// and repeated blanks make no empty words.
QStringList lineTokens(const QString &line);

// Converts text to a finite number; false (value unspecified) for text that
// is no number or converts to an infinity or NaN.
bool toReal(const QString &text, double &value);

// Converts text to an int; false for text that is no whole number in range.
bool toInteger(const QString &text, int &value);

// Converts a count to an int: any number that is whole and within the int
// range ("1000", "1e3", "2.0"); false otherwise.
bool toCount(const QString &text, int &value);
