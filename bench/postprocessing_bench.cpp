// Cost of the FDTD observation block against the bare grid step.
//
// BM_FdtdStep runs the FDTD engine on 10^4 vacuum cells (one thread, a
// Gaussian point source); BM_FdtdStepWithStaticSpectrogram adds a static
// spectrogram of 100 locations x 200 spectral points to the same problem.
// The remaining benchmarks use a plain lossless Yee loop on 10^4 cells driven
// by a soft sinusoidal source, so the fields are never zero:
//   BM_BareGridStep                 the grid step alone
//   BM_GridStepWithStaticSpectrogram the same step plus the observation block
//   ..._ReadEvery/N                 plus a read of the whole map every N steps
//   BM_DirectDftSpectrogram          the same DFTs with a sine, a cosine, a log10
//                                    and an atan2 per point per step (reference)

#include "engine/simulator.h"
#include "fdtd/fdtdsimulator.h"
#include "postprocessing/fdtdobservation.h"
#include "postprocessing/observationreader.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogramdata.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

constexpr int Cells = 10000;
constexpr double Dt = 1e-17;

struct YeeGrid
{
  std::vector<double> e = std::vector<double>(Cells, 0.0);
  std::vector<double> h = std::vector<double>(Cells + 1, 0.0);
  double ce = 0.5, ch = 0.5;
  int iteration = 0;

  void step()
  {
    double *E = e.data();
    double *H = h.data();
    for (int i = 1; i < Cells; ++i)
      H[i] += (E[i] - E[i - 1]) * ch;
    for (int i = 1; i < Cells - 1; ++i)
      E[i] += (H[i + 1] - H[i]) * ce;
    E[100] += std::sin(0.05 * iteration);
    ++iteration;
  }
};

class BenchEngine : public Simulator
{
public:
  BenchEngine() : Simulator(QStringLiteral("bench")) {}
  void step() override {}
  double progress() override { return 0; }
  double currentTime() override { return 0; }
  double probeSampleInterval(unsigned short) override { return 0; }
  double timeStep() override { return Dt; }
  QStringList probeNames() override { return {}; }
  int resultCount(ResultKind kind) const override { return kind == ResultKind::ElectricField ? 1 : 0; }
  QString engineName() const override { return QStringLiteral("FDTD"); }
  ProgressAxis progressAxis() const override { return ProgressAxis::Iterations; }
  std::vector<double> &electricField() override { return none; }
  std::vector<double> &conversionCurveA() override { return none; }
  std::vector<double> &conversionCurveB() override { return none; }
  std::vector<double> &conversionPositions() override { return none; }
  int pointCount() override { return 0; }
  double pointSpacing() override { return 0; }
  double probeStartTime(unsigned short) override { return 0; }
  int probeSampleCount(unsigned short) override { return 0; }
  std::vector<double> &probeSamples(unsigned short) override { return none; }
  double lengthScale() override { return 1e-9; }
  QString timeAxisLabel(unsigned short) override { return {}; }
  std::vector<double> none;
};

FdtdGridInfo gridInfo()
{
  FdtdGridInfo g;
  g.cells = Cells;
  g.cellSize = 5.0;
  g.timeStep = Dt;
  g.lengthScale = 1e-9;
  g.lengthUnit = QStringLiteral("nm");
  return g;
}

QStringList fdtdProblem()
{
  return {"1 stability", "1 threads",     "nm measure",      "10 size",
          "1 physical",  "1d problem",    "diel medium",     "10000 meshpoints",
          "1 1 parameters", "point geometry", "50 z-location", "0 1 0 amplitude",
          "gauss shape", "THz funit",     "fs tunit",        "375 centre",
          "10 duration", "50 3dB"};
}

// 100 locations (cells 1000, 1080, ... 8920) x 200 points (100 ... 498 THz).
const QStringList spectrogramSection = {"spectrogram typeOf", "S * name", "100 2 498 start",
                                        "THz * anyunit", "1000 80 8920 loc_start"};

void runFdtd(benchmark::State &state, bool spectrogram)
{
  QStringList lines = fdtdProblem();
  if (spectrogram)
    lines << spectrogramSection;
  FDTDSimulator engine(lines, QStringLiteral("FDTD_bench"));
  if (!engine.isConstructed()) {
    state.SkipWithError("the problem did not load");
    return;
  }
  for (auto _ : state)
    engine.step();
  benchmark::DoNotOptimize(engine.eField.data());
}

void BM_FdtdStep(benchmark::State &state) { runFdtd(state, false); }
BENCHMARK(BM_FdtdStep);

void BM_FdtdStepWithStaticSpectrogram(benchmark::State &state) { runFdtd(state, true); }
BENCHMARK(BM_FdtdStepWithStaticSpectrogram);

void BM_BareGridStep(benchmark::State &state)
{
  YeeGrid grid;
  for (auto _ : state) {
    grid.step();
    benchmark::DoNotOptimize(grid.e.data());
  }
}
BENCHMARK(BM_BareGridStep);

void runWithSpectrogram(benchmark::State &state, int readEvery)
{
  YeeGrid grid;
  BenchEngine engine;
  struct : ObservationListener
  {
    void windowsOpened() override {}
    void spectrogramRebuilt() override {}
    void stopRun(const QString &) override {}
  } listener;
  FdtdObservation observation({engine.fourierPostprocessings, engine.spectrogramPostprocessings,
                               engine.poyntingPostprocessings},
                              listener, gridInfo());
  ParseStatus status;
  ObservationDescription description;
  if (ObservationReader(spectrogramSection, gridInfo(), status).read(description)) {
    state.SkipWithError("parse failed");
    return;
  }
  observation.build(description);
  SpectrogramData *map = engine.spectrogram(0)->data();
  double sink = 0;
  for (auto _ : state) {
    grid.step();
    observation.observe(grid.e, grid.h, grid.iteration);
    if (readEvery > 0 && grid.iteration % readEvery == 0)
      sink += map->maximum() + map->matrixValues().at(0);
  }
  benchmark::DoNotOptimize(sink);
  state.counters["points"] = static_cast<double>(map->rowCount() * map->columnCount());
}

void BM_GridStepWithStaticSpectrogram(benchmark::State &state) { runWithSpectrogram(state, 0); }
BENCHMARK(BM_GridStepWithStaticSpectrogram);

void BM_GridStepWithStaticSpectrogram_ReadEvery(benchmark::State &state)
{
  runWithSpectrogram(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_GridStepWithStaticSpectrogram_ReadEvery)->Arg(1)->Arg(10)->Arg(100);

// The same 100 x 200 transforms, term by term, with magnitude and phase and a
// map refill after every step.
void BM_DirectDftSpectrogram(benchmark::State &state)
{
  YeeGrid grid;
  const int locations = 100, points = 200;
  std::vector<std::complex<double>> spectrum(locations * points);
  std::vector<double> magnitude(locations * points), phase(locations * points), map(locations * points);
  const double w = 6.283185307179586 * Dt * 1e12;
  unsigned n = 0;
  for (auto _ : state) {
    grid.step();
    for (int l = 0; l < locations; ++l) {
      const double x = grid.e[1000 + 80 * l];
      for (int k = 0; k < points; ++k) {
        const double theta = w * (100 + 2 * k) * n;
        auto &s = spectrum[l * points + k];
        s += x * std::complex<double>(std::cos(theta), std::sin(theta));
        magnitude[l * points + k] = 20 * std::log10(std::hypot(s.real(), s.imag()));
        phase[l * points + k] = std::atan2(s.imag(), s.real());
      }
    }
    ++n;
    for (int i = 0; i < locations * points; ++i)
      map[i] = std::isfinite(magnitude[i]) ? magnitude[i] : 0.0;
    benchmark::DoNotOptimize(map.data());
    benchmark::DoNotOptimize(phase.data());
  }
}
BENCHMARK(BM_DirectDftSpectrogram);

} // namespace

BENCHMARK_MAIN();
