#pragma once
// Progress report of a batch run on standard error: on a terminal one line
// that is rewritten in place, otherwise a plain line every few seconds.

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <deque>

struct ProgressSnapshot
{
  long long iteration = 0;
  double progress = 0.0;      // the engine's progress value
  double rate = 0.0;          // progress per second
  double fraction = -1.0;     // 0..1 when the end is known, negative otherwise
  double secondsLeft = -1.0;  // negative when unknown
  bool distance = false;      // progress is a distance in metres, not iterations
};

// Time left of a run from the share done so far: the rate over the second
// half of the share done, so that a slow start (an adaptive step growing from
// its first trial, caches and plans warming up) does not weigh on the
// estimate for the rest of the run.
class RemainingTime
{
public:
  // The share of the run done (0 .. 1) after seconds since its start.
  void add(double seconds, double fraction);
  // Seconds left; negative while unknown (nothing done yet).
  double secondsLeft() const;

private:
  struct Sample
  {
    double seconds;
    double fraction;
  };
  std::deque<Sample> samples_; // oldest first; the first at or below half the share done
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
  // The run starts now: rates and the time left leave the load out.
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
  double fractionOf(long long iteration, double progress) const;
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
  qint64 lastSampleMs_ = 0;
  qint64 lastRateMs_ = 0;
  double lastRateProgress_ = 0.0;
  double rate_ = 0.0;
  bool lineOpen_ = false;
  RemainingTime remaining_;
};
