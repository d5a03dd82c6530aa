#pragma once
// Command-line overrides of configuration values ("--set KEY=VALUE" and
// "KEY#N=VALUE"): before loading, the value tokens in front of the keyword of
// the first (or N-th) line that the reader would find for KEY are replaced.

#include <QList>
#include <QString>
#include <QStringList>

struct ConfigOverride
{
  QString key;        // the keyword, matched as the section parsers match it
  int occurrence = 1; // 1-based: the N-th line found for key
  QString value;      // replaces every token in front of the keyword
  QString text() const; // "key=value" or "key#N=value", as given
};

// Parses "KEY=VALUE" or "KEY#N=VALUE". Returns false with problem set.
bool parseOverride(const QString &text, ConfigOverride &result, QString &problem);

// Reads the file's physical lines as they are written (line ends removed).
bool readRawLines(const QString &fileName, QStringList &raw, QString &problem);

// Applies the overrides, in order, to the physical lines of a configuration
// file. A key that matches no line, or an N past the last match, is refused
// with problem naming the key.
bool applyOverrides(QStringList &raw, const QList<ConfigOverride> &overrides, QString &problem);
