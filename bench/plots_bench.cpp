// Cost of writing result files, of refreshing a field plot and of one painted
// redraw of each plot, and the speed of a 3000-cell grid run and of a
// spectral run without plots and with their plots all refreshing at
// "every 1" under the drawing budget, every redraw really painted (as the
// main window's run loop does it). Run
// it under a real X server (xvfb-run) for painting as the window sees it.
//   ./bench/plots_bench --benchmark_min_time=0.5

#include "engine/simulator.h"
#include "fdtd/fdtdsimulator.h"
#include "uppe/uppesimulator.h"
#include "input/lookups.h"
#include "results/columnwriter.h"
#include "plots/drawingbudget.h"
#include "plots/plotwidgets.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <memory>
#include <vector>

namespace {

std::vector<double> wave(std::size_t n, double phase)
{
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i)
    v[i] = std::sin(0.001 * static_cast<double>(i) + phase) * 1.2345678e3;
  return v;
}

// An engine that only serves a field of n cells.
class FieldEngine : public Simulator
{
public:
  explicit FieldEngine(std::size_t n) : Simulator("bench"), field(wave(n, 0.0)) {}
  void step() override { ++iteration; }
  double progress() override { return iteration; }
  double currentTime() override { return 0; }
  double probeSampleInterval(unsigned short) override { return 1; }
  double timeStep() override { return 1; }
  QStringList probeNames() override { return {}; }
  int resultCount(ResultKind kind) const override { return kind == ResultKind::ElectricField ? 1 : 0; }
  QString engineName() const override { return QStringLiteral("FDTD"); }
  ProgressAxis progressAxis() const override { return ProgressAxis::Iterations; }
  std::vector<double> &electricField() override { return field; }
  std::vector<double> &conversionCurveA() override { return empty; }
  std::vector<double> &conversionCurveB() override { return empty; }
  std::vector<double> &conversionPositions() override { return empty; }
  int pointCount() override { return static_cast<int>(field.size()); }
  double pointSpacing() override { return 0.01; }
  double probeStartTime(unsigned short) override { return 0; }
  int probeSampleCount(unsigned short) override { return 0; }
  std::vector<double> &probeSamples(unsigned short) override { return empty; }
  double lengthScale() override { return 1e-6; }
  QString timeAxisLabel(unsigned short) override { return QString(); }

  std::vector<double> field;
  std::vector<double> empty;
};

void BM_FormatColumns(benchmark::State &state)
{
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> x = wave(n, 1.0);
  const std::vector<double> y = wave(n, 2.0);
  for (auto _ : state) {
    QByteArray bytes = formatColumns(x, y, QStringLiteral("! x\ty"));
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FormatColumns)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_WriteColumnsToFile(benchmark::State &state)
{
  QTemporaryDir dir;
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> x = wave(n, 1.0);
  const std::vector<double> y = wave(n, 2.0);
  const QString path = dir.filePath("columns.txt");
  for (auto _ : state)
    benchmark::DoNotOptimize(writeColumns(path, x, y, QStringLiteral("! x\ty")));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_WriteColumnsToFile)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FieldPlotRefresh(benchmark::State &state)
{
  FieldEngine engine(static_cast<std::size_t>(state.range(0)));
  EFieldPlotWidget widget(&engine, "Location [um]", "Electric field [V/m]", 1, "E", 0);
  widget.resize(533, 293);
  widget.showEnvelope();
  for (auto _ : state)
    widget.refreshPlot(&engine);
}
BENCHMARK(BM_FieldPlotRefresh)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The layered example grid: 3000 cells (vacuum, a lossy glass, a two-pole
// and a three-pole Lorentz medium), a sech pulse at cell 100, a static
// spectrogram over 18 locations and a DFT at cell 2500, one thread.
std::unique_ptr<FDTDSimulator> gridRun()
{
  QString text = QStringLiteral(
      "1 stability\n1 threads\nnm measure\n10 size\n1 physical\n1d problem\n"
      "diel medium\n600 meshpoints\n1 1 parameters\n"
      "ldiel medium\n600 meshpoints\n2.25 1 200 parameters\n"
      "lor2 medium\n900 meshpoints\n1.5 1 0 2.1 1 30 0.6 2 1000 0.4 THz parameters\n"
      "lor3 medium\n900 meshpoints\n1.5 1 0 2.1 1 20 0.1 2 150 0.5 5 1000 0.4 THz parameters\n"
      "point geometry\n100 z-location\n0 1 0 amplitude\nsech shape\nTHz funit\nfs tunit\n"
      "375 centre\n12 duration\n4 tau\n"
      "spectrogram typeOf\nmap * name\n250 5 500 start\nTHz * anyunit\n300 150 2850 loc_start\n"
      "fourier typeOf\nmiddle * name\n2500 z-location\n0 use\n250 5 500 start\n1 itstart\n"
      "end itend\nTHz anyunit\n");
  QTextStream stream(&text);
  auto engine = std::make_unique<FDTDSimulator>(readConfigurationLines(stream), QStringLiteral("FDTD_bench"));
  return engine->isConstructed() ? std::move(engine) : nullptr;
}

// The main window's run loop for `seconds`: slices of steps of up to 5 ms,
// the plots at "every 1" redrawn as the drawing budget allows, each redraw
// painted at once (repaint()) and the event loop's other work done after
// every slice. Returns iterations per second.
double runFor(Simulator &engine, std::vector<std::unique_ptr<AbstractPlotWidget>> &plots, double seconds,
              int &redraws)
{
  DrawingBudget budget;
  const qint64 start = budget.now();
  const qint64 end = start + static_cast<qint64>(seconds * 1e9);
  const int first = engine.iteration;
  while (budget.now() < end && !engine.finished) {
    const qint64 sliceEnd = budget.now() + 5000000;
    for (;;) {
      const qint64 t0 = budget.now();
      engine.step();
      const qint64 t1 = budget.now();
      budget.addSteppingTime(t1 - t0);
      bool drew = false;
      if (!plots.empty() && budget.mayRedraw()) {
        budget.redrawStarted();
        for (auto &plot : plots) {
          plot->refreshPlot(&engine);
          plot->repaint();
        }
        ++redraws;
        drew = true;
      }
      if (drew || t1 >= sliceEnd || engine.finished)
        break;
    }
    QCoreApplication::processEvents();
  }
  return (engine.iteration - first) / (static_cast<double>(budget.now() - start) * 1e-9);
}

// One redraw painted at once (refresh and repaint()) of each of the three
// plots of the grid run, 640 x 400, after 3000 steps: 0 field, 1 DFT,
// 2 spectrogram.
void BM_PlotRedraw(benchmark::State &state)
{
  std::unique_ptr<FDTDSimulator> engine = gridRun();
  if (!engine) {
    state.SkipWithError("the grid run did not load");
    return;
  }
  for (int i = 0; i < 3000; ++i)
    engine->step();
  std::unique_ptr<AbstractPlotWidget> plot;
  if (state.range(0) == 0)
    plot.reset(new EFieldPlotWidget(engine.get(), "Location [nm]", "Electric field [V/m]", 1, "E", 0));
  else if (state.range(0) == 1)
    plot.reset(new SpectrumPlotWidget(engine.get(), "Frequency [THz]", "Magnitude [dBV/m]", 1, "middle", 0));
  else
    plot.reset(new StaticSpectrogramPlotWidget(engine.get(), "Frequency [THz]", "Distance [nm]", "Magnitude [dBV/m]",
                                               1, "Spectrogram", 0));
  plot->resize(640, 400);
  plot->show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    plot->refreshPlot(engine.get());
    plot->repaint();
  }
}
BENCHMARK(BM_PlotRedraw)->DenseRange(0, 2)->ArgName("plot")->Unit(benchmark::kMillisecond)->UseRealTime();

// The spectral example with a Kerr and Raman medium, loaded afresh when it
// has finished.
std::unique_ptr<Simulator> spectralRun()
{
  QFile file(QStringLiteral(LUMORA_SOURCE_DIR "/examples/UPPE_lorentz_kerr_raman.txt"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return nullptr;
  QTextStream stream(&file);
  auto engine = std::make_unique<UPPESimulator>(readConfigurationLines(stream), QStringLiteral("UPPE_bench"));
  return engine->isConstructed() ? std::move(engine) : nullptr;
}

// Iterations per second without plots and with the run's plots refreshing
// at "every 1", each 640 x 400 (the tiles of a 1300 x 850 window), in
// alternating phases of half a second, and their ratio. range(0) = 0: the
// grid run with a field plot, a DFT plot and a static spectrogram; 1: the
// spectral run with its FFT spectrum and time signal.
void BM_RunWithPlots(benchmark::State &state)
{
  const bool spectral = state.range(0) == 1;
  std::unique_ptr<Simulator> engine = spectral ? spectralRun() : std::unique_ptr<Simulator>(gridRun());
  if (!engine) {
    state.SkipWithError("the run did not load");
    return;
  }
  std::vector<std::unique_ptr<AbstractPlotWidget>> none;
  std::vector<std::unique_ptr<AbstractPlotWidget>> plots;
  if (spectral) {
    plots.emplace_back(new FFTSpectrumPlotWidget(engine.get(), engine->spectrumAxisLabel(), "Magnitude [dBV/m]", 1,
                                                 "FFT spectrum", 0));
    plots.emplace_back(
        new TimePlotWidget(engine.get(), engine->timeAxisLabel(0), "Electric field [V/m]", 1, "UPPE E-field", 0));
  } else {
    plots.emplace_back(new EFieldPlotWidget(engine.get(), "Location [nm]", "Electric field [V/m]", 1, "E", 0));
    plots.emplace_back(new SpectrumPlotWidget(engine.get(), "Frequency [THz]", "Magnitude [dBV/m]", 1, "middle", 0));
    plots.emplace_back(new StaticSpectrogramPlotWidget(engine.get(), "Frequency [THz]", "Distance [nm]",
                                                       "Magnitude [dBV/m]", 1, "Spectrogram", 0));
  }
  for (auto &plot : plots) {
    plot->resize(640, 400);
    plot->show();
  }
  QCoreApplication::processEvents();
  double bare = 0.0;
  double withPlots = 0.0;
  int redraws = 0;
  int unused = 0;
  // Short alternating phases, so that a change of the machine's load touches
  // both alike.
  const int phases = 8;
  const double phaseSeconds = 0.5;
  const auto fresh = [&] {
    if (engine->finished)
      engine = spectral ? spectralRun() : std::unique_ptr<Simulator>(gridRun());
  };
  for (auto _ : state) {
    for (int k = 0; k < phases; ++k) {
      fresh();
      bare += runFor(*engine, none, phaseSeconds, unused) / phases;
      fresh();
      withPlots += runFor(*engine, plots, phaseSeconds, redraws) / phases;
    }
  }
  state.counters["bare_it_per_s"] = bare;
  state.counters["plots_it_per_s"] = withPlots;
  state.counters["ratio"] = withPlots / bare;
  state.counters["redraws_per_s"] = redraws / (phaseSeconds * phases);
}
BENCHMARK(BM_RunWithPlots)->Arg(0)->Arg(1)->ArgName("spectral")->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
