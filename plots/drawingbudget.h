#pragma once
// How often plot windows may redraw while a run steps on the same thread.
//
// The run loop reports the time it spends in engine steps; everything else
// the thread does between two redraws (the refresh calls, Qt's painting later
// in the event loop, the colour bar, input) counts as drawing, wherever and
// whenever Qt does it. A redraw is allowed once at least minimumInterval has
// passed since the last one began and drawing took at most maximumShare of
// that time, so a paint of 50 ms spaces redraws to about 50 ms /
// maximumShare and the run keeps at least 1 - maximumShare of its speed.
// After maximumInterval a redraw is allowed whatever else the thread did, so
// that plots never freeze, but never sooner than the last redraw's own cost
// (from its start to the next step: the refresh and Qt's painting after it)
// divided by maximumShare.

#include <QtGlobal>

#include <functional>

// Monotonic time in nanoseconds.
using MonotonicClock = std::function<qint64()>;

class DrawingBudget
{
public:
  // An empty clock reads the steady clock.
  explicit DrawingBudget(MonotonicClock clock = MonotonicClock());

  qint64 now() const { return clock(); }
  // Time spent in one engine step.
  void addSteppingTime(qint64 ns);
  bool mayRedraw() const;
  // Called when plots begin to redraw (also for redraws the run loop forces).
  void redrawStarted();
  // A run (re)starts: the next redraw may come at once.
  void restart();

  static constexpr qint64 minimumInterval = 40000000;    // ns: 25 redraws a second
  static constexpr qint64 maximumInterval = 2000000000;  // ns
  static constexpr double maximumShare = 0.03;

private:
  MonotonicClock clock;
  bool redrawn = false;
  qint64 lastRedraw = 0;
  qint64 stepping = 0; // since lastRedraw
  bool costPending = false;
  qint64 lastCost = 0;  // of the last redraw
};
