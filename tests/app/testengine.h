#pragma once
// A small engine for tests of the shared machinery: it reads an optional
// "stop" keyword (a value of 1 makes it stop early without a status), an
// optional "size" keyword and the shared action and timing-log sections.

#include "engine/simulator.h"
#include "input/lookups.h"

#include <vector>

class TestEngine : public Simulator
{
public:
  TestEngine(const QStringList &lines, const QString &runName, double dt = 1e-15,
             int lastIteration = 0)
      : Simulator(runName), dt_(dt), lastIteration_(lastIteration)
  {
    lengthUnit = QStringLiteral("um");
    if (parseTimingLog(lines))
      return;
    int line = 0;
    QString unused;
    const QString stop = readValue(lines, QStringLiteral("stopearly"), unused, line);
    if (stop == QLatin1String("1"))
      return;
    const QString required = readValue(lines, QStringLiteral("required"), missingKeyword, currentLine);
    if (required.isNull())
      return;
    if (parseActions(lines))
      return;
    field_.assign(4, 0.0);
    markConstructed();
  }

  void step() override
  {
    ++iteration;
    if (lastIteration_ > 0 && iteration >= lastIteration_)
      finished = true;
    ++stepCalls;
    checkBreakpoints();
  }
  double progress() override { return iteration; }
  double currentTime() override { return iteration * dt_; }
  double probeSampleInterval(unsigned short) override { return dt_; }
  double timeStep() override { return dt_; }
  QStringList probeNames() override { return {}; }
  bool hasTimeSignal() override { return false; }
  void integrateSpectrum() override {}
  std::vector<double> &electricField() override { return field_; }
  std::vector<double> &conversionCurveA() override { return positions_; }
  std::vector<double> &conversionCurveB() override { return positions_; }
  std::vector<double> &conversionPositions() override { return positions_; }
  int pointCount() override { return static_cast<int>(field_.size()); }
  double pointSpacing() override { return 1.0; }
  double probeStartTime(unsigned short) override { return 0.0; }
  int probeSampleCount(unsigned short) override { return 0; }
  std::vector<double> &probeSamples(unsigned short) override { return field_; }
  double lengthScale() override { return 1e-6; }
  QString timeAxisLabel(unsigned short i) override
  {
    return QStringLiteral("Time [") + probeTimeUnit(i) + QStringLiteral("]");
  }

  int stepCalls = 0;

private:
  double dt_;
  int lastIteration_;
  std::vector<double> field_;
  std::vector<double> positions_;
};
