// Cost of writing result files and of refreshing a field plot.
//   ./bench/plots_bench --benchmark_min_time=0.5

#include "engine/simulator.h"
#include "plots/columnwriter.h"
#include "plots/fieldplotwidget.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cmath>
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
