#pragma once
// A minimal engine that owns an FdtdObservation over a grid whose fields the
// test sets by hand, for tests of the post-processing without the FDTD engine.

#include "engine/simulator.h"
#include "postprocessing/fdtdobservation.h"

#include <vector>

class FakeFdtdEngine : public Simulator
{
public:
  explicit FakeFdtdEngine(const FdtdGridInfo &grid, const QString &runName = QStringLiteral("run"))
      : Simulator(runName), grid(grid), e(static_cast<size_t>(grid.cells), 0.0),
        h(static_cast<size_t>(grid.cells) + 1, 0.0), observation(*this, grid)
  {
    lengthUnit = grid.lengthUnit;
  }

  // Parses the post-processing sections; true on failure.
  bool load(const QStringList &lines)
  {
    if (observation.parse(lines))
      return true;
    markConstructed();
    return false;
  }

  // One step with the fields as the test set them.
  void step() override
  {
    ++iteration;
    observation.observe(e, h, iteration);
    checkBreakpoints();
  }

  double progress() override { return iteration; }
  double currentTime() override { return iteration * grid.timeStep; }
  double probeSampleInterval(unsigned short i) override { return observation.probeSampleInterval(i); }
  double timeStep() override { return grid.timeStep; }
  QStringList probeNames() override { return observation.probeNames(); }
  bool hasTimeSignal() override { return false; }
  void integrateSpectrum() override {}
  std::vector<double> &electricField() override { return e; }
  std::vector<double> &conversionCurveA() override { return positions; }
  std::vector<double> &conversionCurveB() override { return positions; }
  std::vector<double> &conversionPositions() override { return positions; }
  int pointCount() override { return grid.cells; }
  double pointSpacing() override { return grid.cellSize; }
  QString probeTimeUnit(unsigned short i) override { return observation.probeTimeUnit(i); }
  double probeStartTime(unsigned short i) override { return observation.probeStartTime(i); }
  int probeSampleCount(unsigned short i) override { return observation.probeSampleCount(i); }
  std::vector<double> &probeSamples(unsigned short i) override { return observation.probeSamples(i); }
  double lengthScale() override { return grid.lengthScale; }
  QString timeAxisLabel(unsigned short i) override
  {
    return QStringLiteral("Time [") + probeTimeUnit(i) + QStringLiteral("]");
  }

  FdtdGridInfo grid;
  std::vector<double> e;
  std::vector<double> h;
  std::vector<double> positions;
  FdtdObservation observation;
};

inline FdtdGridInfo smallGrid(int cells = 100, bool periodic = false, double dt = 1e-17)
{
  FdtdGridInfo g;
  g.cells = cells;
  g.cellSize = 10.0;
  g.timeStep = dt;
  g.lengthScale = 1e-9;
  g.centreIndex = cells / 2;
  g.periodic = periodic;
  g.lengthUnit = QStringLiteral("nm");
  return g;
}
