#pragma once
// The one fake engine of the window, batch and plot tests. What a plot reads
// is a public member a test sets by hand; a configuration text switches on
// behaviour by keyword ("value keyword" lines), besides the actions of a
// real configuration file:
//   1 required        must be present in a configuration text
//   1 stopearly       the load stops without a reason
//   N laststep        the step that completes iteration N finishes the run
//   N failat          that step ends the run with a failure instead
//   N sleepms         every step sleeps N ms
//   N points          the field's size (E[0] holds the iteration, the rest a moving wave)
//   NAME fouriername  one Fourier post-processing per line ("1 spectrumready": spectra available)
//   NAME probename    one time probe per line (time series available)
//   TEXT qtmessage    Qt's warning TEXT and a debug line while loading
//   1 uppesignal      a time signal; with "L pathlength" the run ends at L um
//   D W dynamicmap    a dynamic spectrogram over D um with W windows of 10 um recorded
// It counts living instances and notes a deletion during its own step.

#include "engine/evolutionrecord.h"
#include "engine/runcontrol.h"
#include "engine/simulator.h"
#include "input/lookups.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QStringList>
#include <QThread>

#include <cmath>
#include <ostream>
#include <vector>

class FakeEngine : public Simulator
{
public:
  explicit FakeEngine(const QStringList &lines = {}, const QString &runName = QStringLiteral("FDTD_fake"))
      : Simulator(runName)
  {
    ++live;
    lengthUnit = QStringLiteral("um");
    if (!lines.isEmpty() && !configure(lines))
      return;
    markConstructed();
  }
  ~FakeEngine() override
  {
    --live;
    if (inStep)
      destroyedInStep = true;
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
  // spectrum is one sample x (magnitude 20 log10|x|, phase 0 for x > 0).
  void addFourier(const QString &name, double start, double step, double end, double x = 1.0)
  {
    auto *f = new FourierPostprocessing<int, double>(name, 0, 1, 2147483647, start, step, end, 1e-15, 12);
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
  void emitDynamicSignals()
  {
    emit createActionSpectrum();
    emit createActionTime();
    emit updateDynamicSpectrogram();
  }

  void step() override
  {
    inStep = true;
    if (sleepMs > 0)
      QThread::msleep(static_cast<unsigned long>(sleepMs));
    ++iteration;
    if (failAt > 0 && iteration == failAt)
      runFailure = QStringLiteral("The electric field is no longer finite.");
    finished = finished || !runFailure.isEmpty() || (lastStep > 0 && iteration >= lastStep) ||
               (pathLength > 0 && progress() >= progressEnd());
    // The field of the step being completed, seen by its breakpoints.
    for (std::size_t i = 1; i < field.size(); ++i)
      field[i] = std::sin(0.3 * static_cast<double>(i) - 0.1 * iteration);
    if (!field.empty())
      field[0] = iteration;
    checkBreakpoints();
    inStep = false;
  }
  double progress() override { return timeSignal ? iteration * 1e-6 : iteration; }
  double progressEnd() const override { return pathLength * 1e-6; }
  double currentTime() override { return iteration * dt; }
  double timeStep() override { return dt; }
  // Like the engines: fields on a grid, or a time signal with its spectra;
  // spectra, probes, spectrograms and conversion curves as the flags say.
  int resultCount(ResultKind kind) const override
  {
    switch (kind) {
    case ResultKind::ElectricField:
    case ResultKind::MagneticField:
    case ResultKind::PoyntingVector:
      return timeSignal ? 0 : 1;
    case ResultKind::TimeSignal:
    case ResultKind::FFTSpectrum:
    case ResultKind::InputSignal:
    case ResultKind::InputSpectrum:
      return timeSignal ? 1 : 0;
    case ResultKind::ConversionEfficiency:
      return conversionEfficiencyAvailable ? 1 : 0;
    case ResultKind::Spectrum:
      return spectrumAvailable ? static_cast<int>(fourierPostprocessings.size()) : 0;
    case ResultKind::TimeProbe:
      return timeSeriesAvailable && !timeSignal ? static_cast<int>(probes.size()) : 0;
    case ResultKind::Spectrogram:
      return spectrogramAvailable ? static_cast<int>(spectrogramPostprocessings.size()) : 0;
    default: // the evolution maps, when a record holds planes
      return evolution() && evolution()->rows() > 0 ? 1 : 0;
    }
  }
  QString engineName() const override { return timeSignal ? QStringLiteral("UPPE") : QStringLiteral("FDTD"); }
  ProgressAxis progressAxis() const override { return timeSignal ? ProgressAxis::Distance : ProgressAxis::Iterations; }
  std::vector<double> &electricField() override { return field; }
  const std::vector<double> &magneticField() const override { return hField; }
  std::vector<double> &conversionCurveA() override { return totalEnergy; }
  std::vector<double> &conversionCurveB() override { return bandEnergy; }
  std::vector<double> &conversionPositions() override { return positions; }
  int pointCount() override { return static_cast<int>(field.size()); }
  double pointSpacing() override { return spacing; }
  double lengthScale() override { return 1e-6; }
  QStringList probeNames() override
  {
    QStringList names;
    for (const Probe &p : probes)
      names << p.name;
    return names;
  }
  const Probe *probe(unsigned short i) const { return i < probes.size() && !timeSignal ? &probes[i] : nullptr; }
  double probeSampleInterval(unsigned short i) override { return probe(i) ? probe(i)->interval : dt; }
  QString probeTimeUnit(unsigned short i) override { return probe(i) ? probe(i)->unit : QStringLiteral("fs"); }
  double probeStartTime(unsigned short i) override { return probe(i) ? probe(i)->start : 0.0; }
  int probeSampleCount(unsigned short i) override { return static_cast<int>(probeSamples(i).size()); }
  std::vector<double> &probeSamples(unsigned short i) override
  {
    return probe(i) ? probes[i].samples : noSamples;
  }
  const std::vector<double> &inputSignal() const override { return inputField; }
  QString spectrumAxisLabel() override { return QStringLiteral("Frequency [THz]"); }
  QString timeAxisLabel(unsigned short i) override { return QStringLiteral("Time [") + probeTimeUnit(i) + "]"; }
  const std::vector<double> &spectrumDbVector() const override { return spectrumDb; }
  int frequencyCount() const override { return static_cast<int>(spectrumDb.size()); }
  std::vector<double> frequenciesDisplay() const override { return frequencies; }
  std::vector<double> initialSpectrumDbData() const override { return initialSpectrumDb; }
  std::vector<double> timePointsDisplay() const override { return timePoints; }

  double dt = 1.0;
  double spacing = 1.0;
  bool timeSignal = false;
  bool spectrumAvailable = false;
  bool timeSeriesAvailable = false;
  bool spectrogramAvailable = false;
  bool conversionEfficiencyAvailable = false;
  int lastStep = 0;
  int failAt = 0;
  int sleepMs = 0;
  double pathLength = 0.0;
  std::vector<double> field, hField, positions, totalEnergy, bandEnergy;
  std::vector<Probe> probes;
  std::vector<double> noSamples;
  std::vector<ActionDescription> actions;
  std::vector<double> inputField, timePoints, frequencies, initialSpectrumDb, spectrumDb;

  static inline int live = 0;
  static inline bool inStep = false;
  static inline bool destroyedInStep = false;

private:
  bool configure(const QStringList &lines)
  {
    QString unused;
    int line = 0;
    const auto value = [&](const char *keyword) {
      return readValue(lines, QLatin1String(keyword), unused, line);
    };
    if (value("stopearly") == QLatin1String("1") ||
        readValue(lines, QStringLiteral("required"), parseStatus.missingKeyword, parseStatus.currentLine).isNull() ||
        readActions(lines, parseStatus, actions))
      return false;
    setUpActions(actions);
    dt = 1e-15;
    lastStep = value("laststep").toInt();
    failAt = value("failat").toInt();
    sleepMs = value("sleepms").toInt();
    timeSignal = value("uppesignal") == QLatin1String("1");
    dynamicSpectrogram = value("dynamic") == QLatin1String("1");
    pathLength = value("pathlength").toDouble();
    field.assign(static_cast<std::size_t>(std::max(2, value("points").isNull() ? 4 : value("points").toInt())), 0.0);
    inputField.assign(8, 0.5);
    for (const QString &l : lines) {
      const QString v = lineValue(l);
      if (l.endsWith(QLatin1String(" fouriername")))
        fourierPostprocessings.push_back(new FourierPostprocessing<int, double>(v, 1, 0, 1000, 1.0, 1.0, 5.0, 1e-15, 4));
      else if (l.endsWith(QLatin1String(" probename")))
        probes.push_back(Probe{v, QStringLiteral("fs"), 0.0, dt, std::vector<double>(8, 0.5)});
      else if (l.endsWith(QLatin1String(" loadwarning")))
        parseStatus.warnings << v;
      else if (l.endsWith(QLatin1String(" qtmessage"))) {
        qWarning("%s", qPrintable(v));
        qDebug("debug chatter");
      }
      else if (l.endsWith(QLatin1String(" dynamicmap")))
        addDynamicMap(l.section(' ', 0, 0).toInt(), l.section(' ', 1, 1).toInt());
    }
    spectrumAvailable = value("spectrumready") == QLatin1String("1");
    timeSeriesAvailable = !probes.empty();
    return true;
  }
  void addDynamicMap(int distance, int windows)
  {
    dynamicSpectrogram = true;
    auto *map = new DynamicSpectrogramPostprocessing<int, double>("map", "THz", 0, 1, 2, 12, true, 10.0, "um", distance);
    for (; windows > 0; --windows)
      map->addWindow(nullptr);
    spectrogramPostprocessings.push_back(map);
  }
};

// Readable strings in test failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
