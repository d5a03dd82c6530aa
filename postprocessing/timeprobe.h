#pragma once
// Time probe: the electric field at one cell recorded over a window of
// iterations, with the time unit it is shown in.

#include "input/units.h"

#include <QString>

#include <cstddef>
#include <vector>

template <typename I, typename T>
struct TimeProbe
{
  // unit: a word of the time-unit list ("s" ... "as", matched ignoring case
  // and kept as written) or "auto" in any letter case, which picks the unit
  // from the span count * dt. capacity limits the samples kept (count).
  TimeProbe(const QString &probeName, I probeLocation, I start, I end, T dt,
            const QString &unit, I capacity = 2147483647)
      : iterationStart(start), iterationEnd(end), name(probeName), location(probeLocation)
  {
    const long long span = static_cast<long long>(end) - static_cast<long long>(start) + 1;
    count = static_cast<I>(span < 0 ? 0 : (span > capacity ? capacity : span));
    values.assign(static_cast<std::size_t>(count), 0);
    const bool automatic = unit.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
    const TimeDisplayUnit d =
        timeDisplayUnit(automatic ? QStringLiteral("auto") : unit, static_cast<long long>(count), dt);
    timeUnit = d.unit;
    timeScale = d.scale;
    timeStep = dt * timeScale;
    startTime = static_cast<T>(iterationStart) * dt * timeScale;
  }

  // Records E[location] when the iteration lies in the window.
  void record(const std::vector<T> &e, I iteration)
  {
    if (iteration < iterationStart || iteration > iterationEnd)
      return;
    const std::size_t at = static_cast<std::size_t>(writePosition);
    if (at < values.size()) {
      values[at] = e[static_cast<std::size_t>(location)];
      writePosition += 1.0;
    }
  }

  I iterationStart;
  I iterationEnd;
  QString name;
  I location;
  std::vector<T> values;
  I count = 0;
  T startTime = 0;
  QString timeUnit;
  T timeStep = 0;
  T timeScale = 1;
  T writePosition = 0;
};
