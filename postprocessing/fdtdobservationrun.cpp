// The observation block of every step: Fourier windows, time probes, the
// dynamic-spectrogram scheduler and the probe accessors. Parsing of the
// post-processing sections is in fdtdobservation.cpp.
#include "postprocessing/fdtdobservation.h"

#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <cstdlib>

void FdtdObservation::observe(const std::vector<double> &e, const std::vector<double> &,
                              int iteration)
{
  if (spectraActive_)
    for (auto *f : lists_.fourier)
      f->process(e, iteration);
  if (probesActive_)
    for (auto *p : probes_)
      p->record(e, iteration);
  if (dynamicActive_)
    schedule(e, iteration);
  if (staticActive_)
    for (auto *s : lists_.spectrograms)
      s->refresh(lists_.fourier);
}

bool FdtdObservation::peakNearCentre(const std::vector<double> &e) const
{
  double best = 0.0;
  long long at = -1;
  const std::size_t n = e.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (e[i] > best) {
      best = e[i];
      at = static_cast<long long>(i);
    }
  }
  if (at < 0)
    return false;
  return std::llabs(at - state_.centre) <= state_.checkInterval;
}

// Dynamic spectrogram: measures the round trip of the pulse through the
// centre cell and opens one window (a Fourier transform and a time probe at
// the centre) per round trip; at every period boundary each map is rebuilt
// from its windows. Several dynamic spectrograms share the period and the
// boundaries, each numbers its own windows, and the run ends once all of
// them have covered their maximum distance.
void FdtdObservation::schedule(const std::vector<double> &e, int it)
{
  SchedulerState &s = state_;
  const bool checkDue = it % s.checkInterval == 0;
  if (!s.periodKnown) {
    if (!s.firstSeen) {
      if (checkDue && peakNearCentre(e)) {
        s.firstSeen = true;
        s.firstSighting = it;
      }
    } else if (!s.secondSeen && checkDue && 2LL * s.firstSighting < it && peakNearCentre(e)) {
      s.secondSeen = true;
      s.periodKnown = true;
      s.secondSighting = it;
      s.period = s.currentPeriod = it - s.firstSighting;
      s.lastSighting = it;
      s.windowOrigin = it;
      for (auto *sp : dynamic_)
        openWindow(sp, true, it);
      spectraActive_ = true;
      probesActive_ = true;
      listener_.windowsOpened();
    }
    return;
  }

  if (checkDue && static_cast<long long>(it) > s.lastSighting + s.currentPeriod / 2 &&
      peakNearCentre(e)) {
    s.currentPeriod = it - s.lastSighting;
    s.lastSighting = it;
  }
  const long long d = static_cast<long long>(it) - s.windowOrigin;
  if (d > 0 && s.period > 0 && d % s.period == 0) {
    for (auto *sp : dynamic_) {
      sp->clearRows();
      for (auto *f : sp->windows())
        sp->appendRow(f->magnitudes());
      listener_.spectrogramRebuilt();
      openWindow(sp, false, it);
    }
    s.windowOrigin = clampToInt(static_cast<long long>(s.windowOrigin) + s.period);
    s.period = s.currentPeriod;
  }
}

void FdtdObservation::openWindow(DynamicSpectrogramPostprocessing<int, double> *sp, bool first,
                                 int iteration)
{
  const SchedulerState &s = state_;
  long long start = 0;
  long long end = 0;
  if (first) {
    start = static_cast<long long>(s.secondSighting) + s.period / 2;
    end = static_cast<long long>(s.secondSighting) + s.period + s.period / 2;
  } else {
    start = static_cast<long long>(s.windowOrigin) + s.period + s.currentPeriod / 2;
    end = start + s.currentPeriod;
  }
  // Several dynamic spectrograms open windows until the last of them has
  // covered its distance: a window that would take the post-processing past
  // its limits ends the run instead of exhausting the memory.
  long long points = spectralGridCount(sp->spectralStart(), sp->spectralStep(), sp->spectralEnd());
  for (const auto *f : lists_.fourier)
    points += f->pointCount();
  long long samples = std::max(0LL, end - start + 1);
  for (const auto *p : probes_)
    samples += p->count;
  if (static_cast<long long>(lists_.fourier.size()) >= ObservationLimits::fourierObjects ||
      points > ObservationLimits::spectralPointsTotal ||
      samples > ObservationLimits::probeSamplesTotal) {
    listener_.stopRun(
          QCoreApplication::translate("Lumora", "The dynamic spectrogram %1 has no room for window %2 "
                                                "within the post-processing limits: the run was "
                                                "stopped at iteration %3.")
              .arg(sp->name())
              .arg(sp->windowCount() + 1)
              .arg(iteration));
    return;
  }
  const int w = sp->windowCount(); // each spectrogram numbers its own windows
  const int centre = s.centre;
  FourierPostprocessing<int, double> *f = makeFourier(
      sp->name() + QString::number(w + 1) + QStringLiteral(" (spectrum)"), centre,
      clampToInt(start), clampToInt(end), sp->spectralStart(), sp->spectralStep(),
      sp->spectralEnd(), sp->frequencyExponent(), sp->isFrequency());
  lists_.fourier.push_back(f);
  const long long capacity = std::min<long long>(ObservationLimits::probeSamplesTotal, INT_MAX);
  addProbe(new TimeProbe<int, double>(sp->name() + QString::number(w + 1) +
                                          QStringLiteral(" (time)"),
                                      centre, clampToInt(start), clampToInt(end), grid_.timeStep,
                                      QStringLiteral("auto"), static_cast<int>(capacity)));
  sp->addWindow(f);
  if (sp == dynamic_.front())
    state_.windowsOpened = sp->windowCount();

  bool covered = true;
  for (auto *other : dynamic_)
    covered = covered && other->distanceCovered();
  if (covered)
    listener_.stopRun(QString());
}

// --- probes -------------------------------------------------------------------------------

int FdtdObservation::probeCount() const { return static_cast<int>(probes_.size()); }

QStringList FdtdObservation::probeNames() const
{
  QStringList names;
  for (const auto *p : probes_)
    names << p->name;
  return names;
}

const TimeProbe<int, double> *FdtdObservation::probe(unsigned short index) const
{
  return index < probes_.size() ? probes_[index] : nullptr;
}

double FdtdObservation::probeSampleInterval(unsigned short index) const
{
  const auto *p = probe(index);
  return p ? p->timeStep : 0.0;
}

QString FdtdObservation::probeTimeUnit(unsigned short index) const
{
  const auto *p = probe(index);
  return p ? p->timeUnit : QString();
}

double FdtdObservation::probeStartTime(unsigned short index) const
{
  const auto *p = probe(index);
  return p ? p->startTime : 0.0;
}

int FdtdObservation::probeSampleCount(unsigned short index) const
{
  const auto *p = probe(index);
  return p ? p->count : 0;
}

std::vector<double> &FdtdObservation::probeSamples(unsigned short index)
{
  return index < probes_.size() ? probes_[index]->values : empty_;
}
