#include "plots/drawingbudget.h"

#include <QElapsedTimer>

DrawingBudget::DrawingBudget(MonotonicClock monotonic) : clock(std::move(monotonic))
{
  if (!clock) {
    clock = [] {
      static QElapsedTimer since;
      if (!since.isValid())
        since.start();
      return since.nsecsElapsed();
    };
  }
}

void DrawingBudget::addSteppingTime(qint64 ns)
{
  if (costPending) {
    // The first step after a redraw: everything since it began was drawing.
    lastCost = clock() - ns - lastRedraw;
    costPending = false;
  }
  stepping += ns;
}

bool DrawingBudget::mayRedraw() const
{
  if (!redrawn)
    return true;
  const qint64 elapsed = clock() - lastRedraw;
  if (elapsed < minimumInterval || static_cast<double>(elapsed) * maximumShare < static_cast<double>(lastCost))
    return false;
  if (elapsed >= maximumInterval)
    return true;
  const qint64 drawing = elapsed - stepping;
  return static_cast<double>(drawing) <= maximumShare * static_cast<double>(elapsed);
}

void DrawingBudget::redrawStarted()
{
  redrawn = true;
  lastRedraw = clock();
  stepping = 0;
  costPending = true;
  lastCost = 0;
}

void DrawingBudget::restart() { redrawn = false; }
