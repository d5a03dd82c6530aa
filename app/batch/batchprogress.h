#pragma once
// Progress report of a batch run on standard error: on a terminal one line
// that is rewritten in place, otherwise a plain line every few seconds.

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

struct ProgressSnapshot
{
  long long iteration = 0;
  double progress = 0.0;      // the engine's progress value
  double rate = 0.0;          // progress per second
  double fraction = -1.0;     // 0..1 when the end is known, negative otherwise
  double secondsLeft = -1.0;  // negative when unknown
  bool distance = false;      // progress is a distance in metres, not iterations
};

// The text of one progress line (without line control characters).
QString progressLine(const ProgressSnapshot &s, bool withBar);

// "h:mm:ss" for a number of seconds (rounded up to whole seconds).
QString formatDuration(double seconds);

class BatchProgress
{
public:
  // enabled false: prints nothing. terminal: rewrite one line in place.
  BatchProgress(bool enabled, bool terminal, std::FILE *stream = stderr);

  // The end of the run, when known: an iteration count and/or a progress value
  // (0 for unknown). distance: the progress value is a distance in metres.
  void setEnd(long long iterationEnd, double progressEnd, bool distance);

  // Reports the state after a step; prints at most every interval.
  void update(long long iteration, double progress);
  // Prints the final state and ends the progress line.
  void finish(long long iteration, double progress);

  // Prints a line of text without mangling the progress line (also when the
  // report itself is disabled; errors must always reach the user).
  void message(const QString &text);

  bool isTerminal() const { return terminal_; }

private:
  ProgressSnapshot snapshot(long long iteration, double progress);
  void print(const ProgressSnapshot &s);
  void clearLine();

  bool enabled_;
  bool terminal_;
  std::FILE *stream_;
  long long iterationEnd_ = 0;
  double progressEnd_ = 0.0;
  bool distance_ = false;
  QElapsedTimer clock_;
  qint64 lastPrintMs_ = 0;
  qint64 lastRateMs_ = 0;
  double lastRateProgress_ = 0.0;
  double rate_ = 0.0;
  bool lineOpen_ = false;
};
