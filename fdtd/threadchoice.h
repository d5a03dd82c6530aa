#pragma once
// How many threads a grid steps with. The "threads" value is a most: a
// second thread only pays off for cell loops of some length (measured with
// fdtd_bench's BM_CellLoop; the lengths are in sections/cellloop.h), never
// beyond the machine's processors, and not on a machine whose other work
// leaves the second thread too little time. The plan fixes the most at load;
// the tuner then tries one and the most in turn during the run and steps
// with whichever was faster, trying again every few seconds.

#include <QString>

#include <vector>

struct ThreadPlan
{
  int most = 1;   // threads the run may use
  QString reason; // for the set-up summary: "2 threads (as asked) ..."
};

struct SectionLength
{
  int cells = 0;
  int parallelFrom = 0; // the shortest loop length that runs on several threads
};

// requested: the "threads" value (0: as many as the machine offers);
// processors: what the machine offers.
ThreadPlan planThreads(int requested, int processors, const std::vector<SectionLength> &sections);

class ThreadTuner
{
public:
  explicit ThreadTuner(int most = 1) : most(most), current(most) {}

  // Threads for the next step.
  int threads() const { return current; }
  bool tunes() const { return most > 1; }
  // The duration of the step just taken with threads().
  void stepTook(double seconds);

  // A trial alternates blocks of steps with the most and with one thread,
  // so that a change of the machine's load touches both alike; the first
  // step of a block pays for the change of team size and is not counted.
  static constexpr int blockSteps = 4;
  static constexpr int trialBlocks = 16;
  // Between trials: this much stepping, or, while several threads step, at
  // least minimumHoldSeconds and two windows of watchSteps in a row much
  // slower than the trial measured (the machine got busy).
  static constexpr double holdSeconds = 3.0;
  static constexpr double minimumHoldSeconds = 0.5;
  static constexpr int watchSteps = 32;
  static constexpr double slowdown = 1.5;

private:
  void startTrial();
  int most;
  int current;
  bool trial = true;
  int steps = 0;     // in the present block, or since the last watch
  int blocks = 0;
  double time[2] = {0.0, 0.0}; // counted seconds with one and with the most
  int counted[2] = {0, 0};
  double expected = 0.0; // mean step of the chosen count in the last trial
  double held = 0.0;     // seconds stepped since the trial
  double watched = 0.0;  // seconds of the present watch window
  int slowWindows = 0;   // in a row
};

// Makes OpenMP's waiting threads sleep instead of spinning: between steps a
// window paints and other programs run, and spinning threads take the cores
// from both. The OpenMP runtime reads its wait policy once, when it is
// loaded, so a program whose environment sets none starts itself again with
// OMP_WAIT_POLICY=passive. Call first thing in main(); returns when the
// policy is set by the environment (or when the restart failed).
void restartWithSleepingThreads(char **argv);
