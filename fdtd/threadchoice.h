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

  static constexpr int trialSteps = 40;   // per trial, the first few not counted
  static constexpr int warmUpSteps = 4;
  static constexpr double holdSeconds = 3.0; // of stepping between two trials

private:
  enum class Phase { TrialMost, TrialOne, Hold };
  int most;
  int current;
  Phase phase = Phase::TrialMost;
  int steps = 0;
  double total = 0.0;
  double mostTime = 0.0;
};

// Makes OpenMP's waiting threads sleep instead of spinning: between steps a
// window paints and other programs run, and spinning threads take the cores
// from both. The OpenMP runtime reads its wait policy once, when it is
// loaded, so a program whose environment sets none starts itself again with
// OMP_WAIT_POLICY=passive. Call first thing in main(); returns when the
// policy is set by the environment (or when the restart failed).
void restartWithSleepingThreads(char **argv);
