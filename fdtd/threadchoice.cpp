#include "fdtd/threadchoice.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

#include <unistd.h>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("FDTDSimulator", text); }

QString threadsText(int n) { return n == 1 ? tr("1 thread") : tr("%1 threads").arg(n); }

} // namespace

ThreadPlan planThreads(int requested, int processors, const std::vector<SectionLength> &sections)
{
  processors = std::max(1, processors);
  const int wanted = requested > 0 ? requested : processors;
  const QString asked = requested > 0 ? tr("%1 asked for").arg(requested)
                                      : tr("as many as the machine's %1 processors").arg(processors);
  if (wanted <= 1)
    return {1, threadsText(1) + QStringLiteral(" (") + asked + QLatin1Char(')')};

  // The lengths from which a section's loops would run on several threads.
  int shortest = 0;
  int longest = 0;
  bool anyLongEnough = false;
  for (const SectionLength &s : sections) {
    anyLongEnough = anyLongEnough || s.cells >= s.parallelFrom;
    shortest = shortest == 0 ? s.parallelFrom : std::min(shortest, s.parallelFrom);
    longest = std::max(longest, s.parallelFrom);
  }
  if (!anyLongEnough)
    return {1, threadsText(1) + QStringLiteral(" (") + asked +
                   (shortest == longest
                        ? tr("): every section is shorter than the %1 cells from which a second thread pays off")
                              .arg(shortest)
                        : tr("): no section is as long as the %1 to %2 cells (by medium) from which a second "
                             "thread pays off")
                              .arg(shortest)
                              .arg(longest))};
  if (wanted > processors)
    return {processors, threadsText(processors) + QStringLiteral(" (") + asked +
                            tr("): the machine has %1 processors").arg(processors)};
  return {wanted, threadsText(wanted) + QStringLiteral(" (") + asked +
                      tr("); one while the machine's other work makes more threads step slower")};
}

void ThreadTuner::startTrial()
{
  trial = true;
  steps = 0;
  blocks = 0;
  time[0] = time[1] = 0.0;
  counted[0] = counted[1] = 0;
  current = most;
}

void ThreadTuner::stepTook(double seconds)
{
  if (most <= 1)
    return;
  ++steps;
  if (trial) {
    const int k = current == most ? 1 : 0;
    if (steps > 1) {
      time[k] += seconds;
      ++counted[k];
    }
    if (steps < blockSteps)
      return;
    steps = 0;
    if (++blocks < 2 * trialBlocks) {
      current = current == most ? 1 : most;
      return;
    }
    // Ties go to one thread: the same speed for less of the machine.
    const double one = time[0] / counted[0];
    const double many = time[1] / counted[1];
    current = many < one ? most : 1;
    expected = std::min(one, many);
    trial = false;
    steps = 0;
    slowWindows = 0;
    held = watched = 0.0;
    return;
  }
  held += seconds;
  watched += seconds;
  if (steps == watchSteps) {
    slowWindows = current == most && watched > slowdown * expected * watchSteps ? slowWindows + 1 : 0;
    steps = 0;
    watched = 0.0;
    if (held >= holdSeconds || (slowWindows >= 2 && held >= minimumHoldSeconds))
      startTrial();
  }
}

void restartWithSleepingThreads(char **argv)
{
  if (std::getenv("OMP_WAIT_POLICY") || std::getenv("GOMP_SPINCOUNT") || !argv || !argv[0])
    return; // the user's choice stands
  if (setenv("OMP_WAIT_POLICY", "passive", 1) != 0)
    return;
  execv("/proc/self/exe", argv);
  // Still here: the restart failed, and this process keeps the runtime's default.
}
