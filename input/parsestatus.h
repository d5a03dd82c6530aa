#pragma once
// Status of reading a configuration: the first problem found and the load
// warnings. Both engines hold one; their readers fill it as they go, and the
// loader turns it into the load message.

#include <QString>
#include <QStringList>

struct ParseStatus
{
  // The keyword a failed lookup searched for (a lookup sets it).
  QString missingKeyword;
  // The 1-based line a successful lookup read last.
  int currentLine = 0;
  // The refused line (1-based); -1 for unequal keyword counts in the SHAPE
  // section, -2 for an unusable pulse file.
  int errorLine = 0;
  // Why the line errorLine was refused ("a number was expected as the first
  // token", "at most 100000 spectral points; this line asks for 250000"); the
  // loader quotes the line itself in front of it. For errorLine -1 it carries
  // the line counts, for -2 what is wrong with the pulse file.
  QString errorReason;
  // Problems found at load that do not stop the run (an unstable time step,
  // too few cells per wavelength, a window that cuts the pulse ...), one
  // sentence each, in the order found.
  QStringList warnings;

  // Records a refused line with its reason (only the first problem is kept)
  // and returns true, so that readers can write "return status.fail(line, why);".
  bool fail(int line, const QString &reason)
  {
    if (errorLine == 0 && missingKeyword.isEmpty()) {
      errorLine = line;
      errorReason = reason;
    }
    return true;
  }
  // Records a keyword that is not there; returns true.
  bool missing(const QString &keyword)
  {
    missingKeyword = keyword;
    return true;
  }
  // A problem is recorded: the load fails.
  bool failed() const { return errorLine != 0 || !missingKeyword.isEmpty(); }
};
