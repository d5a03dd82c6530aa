// Load warnings of the FDTD engine about the termination, the validity of
// library materials at the sources' frequencies and the length of the run.

#include "fdtd/fdtdsimulator.h"

#include "engine/breakpoints.h"
#include "fdtd/sections/materialdescription.h"
#include "fdtd/sections/meshsection.h"
#include "input/keywords.h"
#include "input/physicalconstants.h"
#include "input/reasons.h"
#include "input/units.h"

#include <QElapsedTimer>

#include <algorithm>
#include <climits>
#include <cmath>

using reason::tr;

namespace {

// Runs expected to take longer than this are announced at load.
constexpr double longRunSeconds = 600.0;

QString number(double v, int digits = 4) { return QString::number(v, 'g', digits); }

} // namespace

void FDTDSimulator::addLoadChecks()
{
  warnAboutLumpedTermination();
  warnAboutMaterialRanges();
  warnAboutRunTime();
}

// The termination overwrites E[k] = -R H[k] after every E update. In the
// medium there (impedance Z = Z0 sqrt(muR/epsR), index n = sqrt(epsR muR))
// both curl coefficients, scaled by Z, are 1/(S n), S the stability: the
// scheme is that of vacuum at stability S n, and its one-step map with the
// termination has a mode localised at k whose growth factor leaves the unit
// circle when R/Z exceeds S n + sqrt((S n)^2 - 1) (R = Z at S n = 1, 2 Z at
// S n = 1.25, (2 + sqrt 3) Z at S n = 2). Dispersive media count with their
// high-frequency epsR, where that mode lives.
void FDTDSimulator::warnAboutLumpedTermination()
{
  if (!lumpedEnabled)
    return;
  MaterialDescription m;
  bool updated = false;
  for (const MeshSection<int, double> *s : sections)
    if (s->hStart <= lumpedIndex && lumpedIndex <= s->hEnd) {
      s->describe(m);
      updated = true;
    }
  if (!updated || !(m.epsilonR > 0.0) || !(m.muR > 0.0))
    return; // no section updates H there: nothing can grow
  const double impedance = physconst::mu0 * physconst::speedOfLight * std::sqrt(m.muR / m.epsilonR);
  const double courant = stability * std::sqrt(m.epsilonR * m.muR);
  const double largest = impedance * (courant + std::sqrt(std::max(0.0, courant * courant - 1.0)));
  if (lumpedResistance <= largest * (1.0 + 1e-9))
    return;
  parseStatus.warnings << tr("The lumped termination of %1 ohm at grid point %2 cannot be held stable: the "
                 "field at it grows without bound. The largest stable resistance there is %3 "
                 "ohm (Z (S n + sqrt((S n)^2 - 1)) with stability S = %4 and the medium's "
                 "impedance Z = %5 ohm and index n = %6).")
                  .arg(number(lumpedResistance, 6))
                  .arg(lumpedIndex + 1)
                  .arg(number(std::floor(largest * 100.0) / 100.0, 6))
                  .arg(stability)
                  .arg(number(impedance, 5))
                  .arg(number(std::sqrt(m.epsilonR * m.muR), 4));
}

// A library material's formula holds over the wavelengths it is stated for;
// beyond them the grid's poles extrapolate it.
void FDTDSimulator::warnAboutMaterialRanges()
{
  double low = 0.0, high = 0.0;
  for (const Source<int, double> *s : qAsConst(sources)) {
    const SourceSpectrum spectrum = spectrumOf(*s);
    if (!(spectrum.centre > 0.0) || !(spectrum.highest > spectrum.centre))
      continue;
    const double bottom = std::max(0.5 * spectrum.centre, 2.0 * spectrum.centre - spectrum.highest);
    low = low > 0.0 ? std::min(low, bottom) : bottom;
    high = std::max(high, spectrum.highest);
  }
  if (!(high > 0.0))
    return;
  const double micrometre = 1e-6;
  const double longestWave = physconst::speedOfLight / low / micrometre;
  const double shortestWave = physconst::speedOfLight / high / micrometre;
  for (const LibrarySection &l : librarySections) {
    if (shortestWave >= l.shortest && longestWave <= l.longest)
      continue;
    const MeshSection<int, double> &section = *sections[l.section];
    MaterialDescription m;
    section.describe(m);
    const bool none = shortestWave > l.longest || longestWave < l.shortest;
    const double centre = 0.5 * (low + high);
    parseStatus.warnings << tr("Section %1 (cells %2 to %3, %4): the sources reach %5 to %6 um, %7 the "
                   "wavelengths its formula is stated for (%8 to %9 um); there the index is "
                   "extrapolated (%10 at %11 um).")
                    .arg(l.section + 1)
                    .arg(section.eStart)
                    .arg(section.eEnd)
                    .arg(l.name)
                    .arg(number(shortestWave, 3), number(longestWave, 3))
                    .arg(none ? tr("outside") : tr("partly outside"))
                    .arg(number(l.shortest, 4), number(l.longest, 4))
                    .arg(number(m.index(centre).real(), 4))
                    .arg(number(physconst::speedOfLight / centre / micrometre, 3));
  }
}

// An exit action fixes the number of steps; the time of one step is measured
// on the sections (on scratch fields, so the run is not touched) and the
// spectral transforms are counted like cell updates.
void FDTDSimulator::warnAboutRunTime()
{
  long long steps = 0;
  for (const AbstractBreakpoint *b : qAsConst(breakpoints))
    if (b->type == keyword(Kw::exit) && b->targetIteration > 0)
      steps = steps > 0 ? std::min<long long>(steps, b->targetIteration) : b->targetIteration;
  if (steps <= 0 || meshPointCount <= 0)
    return;
  std::vector<double> e(eField.size(), 0.0), h(hField.size(), 0.0);
  QElapsedTimer clock;
  clock.start();
  int rounds = 0;
  while (rounds < 2 || (rounds < 1000 && clock.nsecsElapsed() < 20000000)) {
    for (MeshSection<int, double> *s : sections)
      s->updateH(e, h);
    for (MeshSection<int, double> *s : sections)
      s->updateE(e, h);
    ++rounds;
  }
  const double sectionSeconds = double(clock.nsecsElapsed()) * 1e-9 / rounds;
  long long spectralPoints = 0;
  for (std::size_t i = 0; i < fourierPostprocessings.size(); ++i)
    spectralPoints += fourierPointCount(static_cast<unsigned short>(std::min<std::size_t>(i, USHRT_MAX)));
  const double perStep = sectionSeconds * (1.0 + double(spectralPoints) / double(meshPointCount));
  const double total = perStep * double(steps);
  if (total <= longRunSeconds)
    return;
  parseStatus.warnings << tr("The exit action at iteration %1 ends the run after about %2 (%3 per step for "
                 "%4 cells and %5 spectral points). Fewer iterations, fewer cells or fewer "
                 "spectral points shorten it.")
                  .arg(steps)
                  .arg(wallTimeText(total))
                  .arg(perStep >= 1e-3 ? tr("%1 ms").arg(number(perStep * 1e3, 3))
                                       : tr("%1 us").arg(number(perStep * 1e6, 3)))
                  .arg(meshPointCount)
                  .arg(spectralPoints);
}
