#pragma once
// An engine for the window tests: the shared test engine plus a few keywords
// that switch on what the window reacts to.
//
//   N laststep       the step that completes iteration N finishes the run
//   NAME fouriername one Fourier post-processing per line (spectra available
//                    with "1 spectrumready")
//   NAME probename   one time probe per line (time series available)
//   1 uppesignal     the engine has a time signal
//   N failat         the step of iteration N ends the run with a failure text
//   1 dynamic        the engine has a dynamic spectrogram (signals connected)
//   L pathlength     with "1 uppesignal": progress is 1 um per iteration and
//                    the run ends at L um
//   TEXT loadwarning a load warning
//   D W dynamicmap   a dynamic spectrogram over the distance D, W windows of
//                    a 10 um grid already recorded
//
// It counts living instances and notes a deletion during its own step.

#include "testengine.h"

#include "input/lookups.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QRegularExpression>

class AppTestEngine : public TestEngine
{
public:
  AppTestEngine(const QStringList &lines, const QString &runName)
      : TestEngine(lines, runName, 1e-15, valueOf(lines, "laststep").toInt())
  {
    ++live;
    for (const QString &name : valuesOf(lines, "fouriername"))
      fourierPostprocessings.push_back(
          new FourierPostprocessing<int, double>(name, 1, 0, 1000, 1.0, 1.0, 5.0, 1e-15, 4));
    spectrumAvailable = valueOf(lines, "spectrumready") == QLatin1String("1");
    probes = valuesOf(lines, "probename");
    timeSeriesCount = probes.size();
    timeSeriesAvailable = !probes.isEmpty();
    timeSignal = valueOf(lines, "uppesignal") == QLatin1String("1");
    failAt = valueOf(lines, "failat").toInt();
    dynamicSpectrogram = valueOf(lines, "dynamic") == QLatin1String("1");
    probeData.assign(8, 0.5);
    pathLength = valueOf(lines, "pathlength").toDouble();
    warnings << valuesOf(lines, "loadwarning");
    for (const QString &line : lines) {
      if (!line.endsWith(QLatin1String("dynamicmap")))
        continue;
      dynamicSpectrogram = true;
      auto *map = new DynamicSpectrogramPostprocessing<int, double>("map", "THz", 0, 1, 2, 12, true, 10.0, "um",
                                                                    line.section(' ', 0, 0).toInt());
      for (int w = line.section(' ', 1, 1).toInt(); w > 0; --w)
        map->addWindow(nullptr);
      spectrogramPostprocessings.push_back(map);
    }
  }
  ~AppTestEngine() override
  {
    --live;
    if (inStep)
      destroyedInStep = true;
  }

  void step() override
  {
    inStep = true;
    // The field reads the number of the iteration it belongs to.
    electricField().assign(electricField().size(), iteration + 1.0);
    TestEngine::step();
    if (failAt > 0 && iteration == failAt) {
      runFailure = QStringLiteral("The field is no longer finite at iteration ") + QString::number(iteration);
      finished = true;
    }
    // Touch the engine after its breakpoints have acted: a breakpoint that
    // deleted it would make this a use after free.
    ++stepsCompleted;
    inStep = false;
  }

  QStringList probeNames() override { return probes; }
  double progress() override { return timeSignal ? iteration * 1e-6 : iteration; }
  double progressEnd() const override { return pathLength * 1e-6; }
  bool hasTimeSignal() override { return timeSignal; }
  int probeSampleCount(unsigned short) override { return static_cast<int>(probeData.size()); }
  std::vector<double> &probeSamples(unsigned short) override { return probeData; }
  QString probeTimeUnit(unsigned short) override { return QStringLiteral("fs"); }
  QString spectrumAxisLabel() override { return QStringLiteral("Frequency [THz]"); }

  void emitDynamicSignals()
  {
    emit createActionSpectrum();
    emit createActionTime();
    emit updateDynamicSpectrogram();
  }

  int stepsCompleted = 0;
  QStringList probes;
  bool timeSignal = false;
  int failAt = 0;
  std::vector<double> probeData;
  double pathLength = 0.0;

  static inline int live = 0;
  static inline bool inStep = false;
  static inline bool destroyedInStep = false;

private:
  static QStringList valuesOf(const QStringList &lines, const char *keyword)
  {
    QStringList values;
    for (const QString &line : lines)
      if (line.contains(QLatin1String(keyword)))
        values << lineValue(line);
    return values;
  }
  static QString valueOf(const QStringList &lines, const char *keyword)
  {
    const QStringList values = valuesOf(lines, keyword);
    return values.isEmpty() ? QString() : values.first();
  }
};
