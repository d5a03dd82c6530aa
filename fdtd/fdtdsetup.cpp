// Problem set-up of the FDTD engine from its description: time base and
// formulation, the lumped termination and the sources.

#include "fdtd/fdtdsimulator.h"

#include "fdtd/sources/additivegaussiansource.h"
#include "fdtd/sources/hardarbitrarysource.h"
#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "fdtd/sources/hardsinusoidalsource.h"
#include "fdtd/sources/softgaussiansource.h"
#include "input/physicalconstants.h"
#include "input/units.h"

// The grid constants from config.grid.
void FDTDSimulator::applyGrid()
{
  const GridDescription &g = config.grid;
  stability = g.stability;
  threadCount = g.threads; // a most: planThreads decides once the sections are known
  lengthUnit = g.lengthUnit;
  lengthUnitFactor = lengthScaleOf(lengthUnit);
  cellSize = g.cellSize;
  deltaT = lengthUnitFactor * cellSize / (stability * physconst::speedOfLight);
  periodic = g.formulation >= 1;
  conditionallyPeriodic = g.formulation == 2;
}

// The sources of config.sources, in file order.
void FDTDSimulator::buildSources()
{
  for (const SourceDescription &d : config.sources) {
    sources.append(buildSource(d));
    ++sourceCount;
  }
}

Source<int, double> *FDTDSimulator::buildSource(const SourceDescription &d) const
{
  const int exponent = 3 * d.frequencyIndex;
  const bool cp = conditionallyPeriodic;
  if (d.shape == SourceDescription::User)
    return new HardArbitrarySource<int, double>(d.gridPoint,
                                                Source<int, double>::startIterationFor(d.delay, deltaT),
                                                d.impedance, d.amplitude, d.samples, cp);
  if (d.planeWave)
    return new SoftGaussianSource<int, double>(d.gridPoint, d.delay, d.impedance, d.amplitude,
                                               deltaT, d.duration, d.centre, exponent, cp,
                                               d.width, d.medium[0], d.medium[1], gridConstants());
  if (d.shape == SourceDescription::Sine)
    return new HardSinusoidalSource<int, double>(d.gridPoint, d.delay, d.impedance, d.amplitude,
                                                 gridConstants(), d.duration, d.centre, exponent, cp);
  if (d.shape == SourceDescription::Gauss)
    return new HardGaussianSource<int, double>(d.gridPoint, d.delay, d.impedance, d.amplitude,
                                               gridConstants(), d.duration, d.centre, exponent, cp, d.width);
  return new HardHyperbolicSecantSource<int, double>(
      d.gridPoint, d.delay, d.impedance, d.amplitude, gridConstants(), d.duration, d.centre, exponent, cp,
      d.width, d.timeIndex, d.shape == SourceDescription::Sech ? 1 : 2);
}

// Several hard sources on one grid point: the one that lasts longest drives
// the point and comes first; the other Gaussian pulses there become additive
// (appended at the end, so that they add to what the driver wrote).
void FDTDSimulator::arrangeColocatedSources()
{
  QList<Source<int, double> *> hard;
  for (Source<int, double> *s : qAsConst(sources))
    if (s->hard)
      hard.append(s);
  if (hard.size() < 2)
    return;

  QList<Source<int, double> *> group;
  for (int i = 0; i < hard.size() && group.isEmpty(); ++i) {
    for (int j = i + 1; j < hard.size(); ++j)
      if (hard.at(j)->gridPoint == hard.at(i)->gridPoint)
        group.append(hard.at(j));
    if (!group.isEmpty())
      group.prepend(hard.at(i));
  }
  if (group.isEmpty())
    return;

  Source<int, double> *master = group.first();
  for (Source<int, double> *s : qAsConst(group))
    if (s->extent() > master->extent())
      master = s;
  sources.removeOne(master);

  for (Source<int, double> *s : qAsConst(group)) {
    if (s == master)
      continue;
    auto *gaussian = dynamic_cast<HardGaussianSource<int, double> *>(s);
    if (!gaussian || dynamic_cast<AdditiveGaussianSource<int, double> *>(s))
      continue;
    sources.removeOne(s);
    sources.append(new AdditiveGaussianSource<int, double>(*gaussian));
    delete s;
  }
  sources.prepend(master);
  sourceCount = sources.size();
}
