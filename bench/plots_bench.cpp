// Cost of writing result files and of refreshing a field plot, and the speed
// of a 10^4-cell grid run without plots and with a field plot, a DFT plot and
// a static spectrogram all refreshing at "every 1" under the drawing budget
// (as the main window's update tick walks them).
//   ./bench/plots_bench --benchmark_min_time=0.5

#include "engine/simulator.h"
#include "fdtd/fdtdsimulator.h"
#include "input/lookups.h"
#include "results/columnwriter.h"
#include "plots/plotwidgets.h"

#include <benchmark/benchmark.h>

#include <QApplication>
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
  bool hasTimeSignal() override { return false; }
  void integrateSpectrum() override {}
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

// 10^4 vacuum cells, a pulse at cell 100, a DFT at cell 5000 and a static
// spectrogram over nine locations (250 ... 500 THz in 5 THz steps).
std::unique_ptr<FDTDSimulator> gridRun()
{
  QString text = QStringLiteral(
      "1 stability\n1 threads\nnm measure\n10 size\n1 physical\n1d problem\n"
      "diel medium\n10000 meshpoints\n1 1 parameters\n"
      "point geometry\n100 z-location\n0 1 0 amplitude\nsech shape\nTHz funit\nfs tunit\n"
      "375 centre\n12 duration\n4 tau\n"
      "spectrogram typeOf\nmap * name\n250 5 500 start\nTHz * anyunit\n1000 1000 9000 loc_start\n"
      "fourier typeOf\nmiddle * name\n5000 z-location\n0 use\n250 5 500 start\n1 itstart\n"
      "end itend\nTHz anyunit\n");
  QTextStream stream(&text);
  auto engine = std::make_unique<FDTDSimulator>(readConfigurationLines(stream), QStringLiteral("FDTD_bench"));
  return engine->isConstructed() ? std::move(engine) : nullptr;
}

// Iterations per second; range(0) = 1: with the three plots at "every 1".
void BM_GridRunWithPlots(benchmark::State &state)
{
  std::unique_ptr<FDTDSimulator> engine = gridRun();
  if (!engine) {
    state.SkipWithError("the grid run did not load");
    return;
  }
  std::vector<std::unique_ptr<AbstractPlotWidget>> plots;
  if (state.range(0)) {
    plots.emplace_back(new EFieldPlotWidget(engine.get(), "Location [nm]", "Electric field [V/m]", 1, "E", 0));
    plots.emplace_back(
        new SpectrumPlotWidget(engine.get(), "Frequency [THz]", "Magnitude [dBV/m]", 1, "middle", 0));
    plots.emplace_back(new StaticSpectrogramPlotWidget(engine.get(), "Frequency [THz]", "Distance [nm]",
                                                       "Magnitude [dBV/m]", 1, "Spectrogram", 0));
    for (auto &plot : plots) {
      plot->resize(533, 293);
      plot->show();
      plot->checkBox->setChecked(true);
    }
  }
  int redraws = 0;
  for (auto _ : state) {
    engine->step();
    for (auto &plot : plots) {
      if (plot->wantsRefresh(engine.get())) {
        plot->refreshWithinBudget(engine.get());
        ++redraws;
      }
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["redraws"] = benchmark::Counter(redraws, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GridRunWithPlots)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(3.0)->UseRealTime();

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
