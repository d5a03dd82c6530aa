#pragma once
// A hand-filled engine for the plot and saving tests: every quantity a plot
// reads is a public member the test sets directly.

#include "engine/simulator.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"

#include <QStringList>

#include <vector>

class FakeEngine : public Simulator
{
public:
  explicit FakeEngine(const QString &runName = QStringLiteral("FDTD_fake")) : Simulator(runName)
  {
    lengthUnit = QStringLiteral("um");
    markConstructed();
  }

  struct Probe
  {
    QString name;
    QString unit;
    double start = 0.0;
    double interval = 1.0;
    std::vector<double> samples;
  };

  // A Fourier post-processing over start, start + step, ... end whose
  // spectrum is one sample x (magnitude 20 log10|x| and phase 0 for x > 0).
  void addFourier(const QString &name, double start, double step, double end, double x,
                  unsigned short exponent = 12, double timeStep = 1e-15)
  {
    auto *f = new FourierPostprocessing<int, double>(name, 0, 1, 2147483647, start, step, end,
                                                     timeStep, exponent);
    f->process(std::vector<double>{x}, 1);
    fourierPostprocessings.push_back(f);
    spectrumAvailable = true;
  }

  void addProbe(const QString &name, const QString &unit, double start, double interval,
                const std::vector<double> &samples)
  {
    probes.push_back(Probe{name, unit, start, interval, samples});
    timeSeriesAvailable = true;
  }

  void step() override { ++iteration; }
  double progress() override { return iteration; }
  double currentTime() override { return 0.0; }
  double probeSampleInterval(unsigned short i) override
  {
    return i < probes.size() ? probes[i].interval : dt;
  }
  double timeStep() override { return dt; }
  QStringList probeNames() override
  {
    QStringList names;
    for (const Probe &p : probes)
      names << p.name;
    return names;
  }
  bool hasTimeSignal() override { return timeSignal; }
  void integrateSpectrum() override {}
  std::vector<double> &electricField() override { return field; }
  std::vector<double> &conversionCurveA() override { return totalEnergy; }
  std::vector<double> &conversionCurveB() override { return bandEnergy; }
  std::vector<double> &conversionPositions() override { return positions; }
  int pointCount() override { return static_cast<int>(field.size()); }
  double pointSpacing() override { return spacing; }
  QString probeTimeUnit(unsigned short i) override
  {
    return i < probes.size() ? probes[i].unit : Simulator::probeTimeUnit(i);
  }
  double probeStartTime(unsigned short i) override
  {
    return i < probes.size() ? probes[i].start : 0.0;
  }
  int probeSampleCount(unsigned short i) override
  {
    return i < probes.size() ? static_cast<int>(probes[i].samples.size())
                             : static_cast<int>(inputField.size());
  }
  std::vector<double> &probeSamples(unsigned short i) override
  {
    return i < probes.size() && !timeSignal ? probes[i].samples : inputField;
  }
  double lengthScale() override { return 1e-6; }
  QString spectrumAxisLabel() override
  {
    return timeSignal ? QStringLiteral("Frequency [THz]") : Simulator::spectrumAxisLabel();
  }
  QString timeAxisLabel(unsigned short i) override
  {
    return timeSignal ? QStringLiteral("Time [fs]")
                      : QStringLiteral("Time [") + probeTimeUnit(i) + QStringLiteral("]");
  }

  double frequencyStepDisplay() const override { return df; }
  const std::vector<double> &spectrumDbVector() const override { return spectrumDb; }
  int frequencyCount() const override { return static_cast<int>(spectrumDb.size()); }
  std::vector<double> frequenciesDisplay() const override { return frequencies; }
  std::vector<double> initialSpectrumDbData() const override { return initialSpectrumDb; }
  std::vector<double> timePointsDisplay() const override { return timePoints; }

  double dt = 1.0;
  double spacing = 1.0;
  bool timeSignal = false;
  double df = 1.0;
  std::vector<double> field;
  std::vector<double> positions;
  std::vector<double> totalEnergy;
  std::vector<double> bandEnergy;
  std::vector<Probe> probes;
  std::vector<double> inputField;
  std::vector<double> timePoints;
  std::vector<double> frequencies;
  std::vector<double> initialSpectrumDb;
  std::vector<double> spectrumDb;
};

#include <ostream>

// Readable strings in test failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
  *os << '"' << s.toStdString() << '"';
}
