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

  int shortest = 0; // the shortest length from which a section would run in parallel
  bool anyLongEnough = false;
  for (const SectionLength &s : sections) {
    anyLongEnough = anyLongEnough || s.cells >= s.parallelFrom;
    shortest = shortest == 0 ? s.parallelFrom : std::min(shortest, s.parallelFrom);
  }
  if (!anyLongEnough)
    return {1, threadsText(1) + QStringLiteral(" (") + asked +
                   tr("): every section is shorter than the %1 cells from which a second thread pays off")
                       .arg(shortest)};
  if (wanted > processors)
    return {processors, threadsText(processors) + QStringLiteral(" (") + asked +
                            tr("): the machine has %1 processors").arg(processors)};
  return {wanted, threadsText(wanted) + QStringLiteral(" (") + asked +
                      tr("); one while the machine's other work makes more threads step slower")};
}

void ThreadTuner::stepTook(double seconds)
{
  if (most <= 1)
    return;
  ++steps;
  // The first steps after a change of team size pay for the change.
  if (phase == Phase::Hold || steps > warmUpSteps)
    total += seconds;
  switch (phase) {
  case Phase::TrialMost:
    if (steps == trialSteps) {
      mostTime = total;
      phase = Phase::TrialOne;
      current = 1;
      steps = 0;
      total = 0.0;
    }
    break;
  case Phase::TrialOne:
    if (steps == trialSteps) {
      current = total < mostTime ? 1 : most;
      phase = Phase::Hold;
      steps = 0;
      total = 0.0;
    }
    break;
  case Phase::Hold:
    if (total >= holdSeconds) {
      current = most;
      phase = Phase::TrialMost;
      steps = 0;
      total = 0.0;
    }
    break;
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
