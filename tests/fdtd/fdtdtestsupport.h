#pragma once
// Helpers of the FDTD tests: a grid stub that answers what sections and
// sources ask a simulator, and configuration text to line list.

#include "engine/simulator.h"
#include "fdtd/fdtdsimulator.h"
#include "input/lookups.h"

#include <QTextStream>

#include <memory>

namespace fdtdtest {

constexpr double c0 = 299792458.0;
constexpr double eps0 = 8.854187817620389e-12;
constexpr double mu0 = 1.2566370614359173e-6;
constexpr double pi = 3.141592653589793;

// A simulator that only knows its time base (for sections and sources).
class GridStub : public Simulator
{
public:
  GridStub(double dt, double dz, double scale) : Simulator("stub"), dt(dt), dz(dz), scale(scale) {}
  void step() override {}
  double progress() override { return iteration; }
  double currentTime() override { return now; }
  double probeSampleInterval(unsigned short) override { return 0.0; }
  double timeStep() override { return dt; }
  QStringList probeNames() override { return {}; }
  bool hasTimeSignal() override { return false; }
  void integrateSpectrum() override {}
  std::vector<double> &electricField() override { return none; }
  std::vector<double> &conversionCurveA() override { return none; }
  std::vector<double> &conversionCurveB() override { return none; }
  std::vector<double> &conversionPositions() override { return none; }
  int pointCount() override { return 0; }
  double pointSpacing() override { return dz; }
  double probeStartTime(unsigned short) override { return 0.0; }
  int probeSampleCount(unsigned short) override { return 0; }
  std::vector<double> &probeSamples(unsigned short) override { return none; }
  double lengthScale() override { return scale; }
  QString timeAxisLabel(unsigned short) override { return QString(); }

  double dt;
  double dz;
  double scale;
  double now = 0.0;
  std::vector<double> none;
};

inline QStringList linesOf(const QString &text)
{
  QString copy = text;
  QTextStream stream(&copy);
  return readConfigurationLines(stream);
}

inline std::unique_ptr<FDTDSimulator> engineFrom(const QStringList &lines)
{
  return std::make_unique<FDTDSimulator>(lines, QStringLiteral("FDTD_test"));
}

inline std::unique_ptr<FDTDSimulator> engineFrom(const QString &text)
{
  return engineFrom(linesOf(text));
}

} // namespace fdtdtest
