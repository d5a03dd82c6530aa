// Spectral engine benchmarks: right-hand-side evaluations per second and
// accepted steps per second for n = 2^10 .. 2^16 time points (diagnostic
// files off), and a whole run with loading and planning included.
//
//   ./bench/uppe_bench --benchmark_min_time=1
//
// Patient FFTW plans are used as in a real run; the wisdom kept in the user's
// cache folder makes repeated runs plan quickly. Allocations made by the C
// library's malloc during the timed loops are counted (allocs_per_iteration).

#include "uppe/envelopepropagator.h"
#include "uppe/uppeparams.h"
#include "uppe/uppesimulator.h"

#include <QFile>
#include <QTextStream>
#include "input/lookups.h"

#include <cmath>
#include <chrono>
#include <ctime>

#include <QCoreApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

// --- allocation counter (glibc) ---------------------------------------------------
extern "C" void *__libc_malloc(std::size_t);
extern "C" void *__libc_calloc(std::size_t, std::size_t);
extern "C" void *__libc_realloc(void *, std::size_t);

namespace {
std::atomic<long long> allocations{0};
}

extern "C" void *malloc(std::size_t size)
{
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
extern "C" void *calloc(std::size_t count, std::size_t size)
{
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
extern "C" void *realloc(void *p, std::size_t size)
{
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}

namespace {

// A Kerr and Raman medium (single Lorentz pole) with an 800 nm pulse; the
// window grows with n so that the sample spacing stays 0.25 fs.
QStringList configuration(int n, const char *size = "0.2", const char *method = "rkf45",
                          bool fixed = false)
{
  const double window = 0.25 * (n - 1);
  return {QStringLiteral("%1 method").arg(QLatin1String(method)),
          QStringLiteral("%1 fixedStep").arg(fixed ? 1 : 0),
          QStringLiteral("1e-6 initialintegstep"),
          QStringLiteral("%1 evolutionstep").arg(fixed ? "1e-6" : "1e-4"),
          QStringLiteral("1e-6 relative tolerance"),
          QStringLiteral("0 fshift"),
          QStringLiteral("0 usegeneral"),
          QStringLiteral("THz funit"),
          QStringLiteral("gauss shape"),
          QStringLiteral("2e9 0 amplitude"),
          QStringLiteral("THz funit"),
          QStringLiteral("fs tunit"),
          QStringLiteral("375 centre"),
          QStringLiteral("%1 timeduration").arg(window, 0, 'g', 17),
          QStringLiteral("%1 timepoints").arg(n),
          QStringLiteral("10 3dB"),
          QStringLiteral("0 linear"),
          QStringLiteral("lor1ker1 medium"),
          QStringLiteral("1 0 0 2.1 0 3000 1.86e-22 12.2 32 0.82 parameters THz"),
          QStringLiteral("mm measure"),
          QStringLiteral("%1 size").arg(QLatin1String(size)),
          QStringLiteral("0 dump")};
}

void BM_RightHandSide(benchmark::State &state)
{
  const int n = int(state.range(0));
  UPPESimulator engine(configuration(n), QStringLiteral("UPPE_bench"));
  if (!engine.isConstructed()) {
    state.SkipWithError("configuration did not load");
    return;
  }
  const int d = engine.getStateDimension();
  std::vector<double> y(engine.stateData(), engine.stateData() + d);
  std::copy(engine.getOperator()->fieldState(), engine.getOperator()->fieldState() + d, y.begin());
  std::vector<double> dydz(static_cast<std::size_t>(d));
  double z = 1e-5;
  engine.evaluateRightHandSide(z, y.data(), dydz.data());
  const long long before = allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.evaluateRightHandSide(z, y.data(), dydz.data()));
    benchmark::ClobberMemory();
    z += 1e-9;
  }
  state.counters["evaluations_per_s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs_per_iteration"] =
      double(allocations.load() - before) / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_RightHandSide)->RangeMultiplier(2)->Range(1 << 10, 1 << 16)->Unit(benchmark::kMicrosecond);

void BM_AcceptedSteps(benchmark::State &state)
{
  const int n = int(state.range(0));
  auto engine = std::make_unique<UPPESimulator>(configuration(n, "1000"), QStringLiteral("UPPE_bench"));
  if (!engine->isConstructed()) {
    state.SkipWithError("configuration did not load");
    return;
  }
  engine->step(); // the first step settles the adaptive step length
  const long long evaluationsBefore = engine->rightHandSideEvaluations();
  const int iterationBefore = engine->iteration;
  const long long before = allocations.load();
  for (auto _ : state)
    engine->step();
  const int accepted = engine->iteration - iterationBefore;
  state.counters["accepted_steps_per_s"] = benchmark::Counter(double(accepted), benchmark::Counter::kIsRate);
  state.counters["evaluations_per_step"] =
      double(engine->rightHandSideEvaluations() - evaluationsBefore) / std::max(1, accepted);
  state.counters["allocs_per_iteration"] =
      double(allocations.load() - before) / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_AcceptedSteps)->RangeMultiplier(2)->Range(1 << 10, 1 << 16)->Unit(benchmark::kMicrosecond);

// Load (parsing, pulses, medium, patient plans with the cached wisdom) plus
// 200 fixed steps of rkf45 at n = 4096: reported per right-hand-side
// evaluation so that it compares with a per-evaluation reference figure.
void BM_WholeRun(benchmark::State &state)
{
  const int n = int(state.range(0));
  const QStringList lines = configuration(n, "0.2", "rkf45", true);
  long long evaluations = 0;
  for (auto _ : state) {
    UPPESimulator engine(lines, QStringLiteral("UPPE_bench"));
    for (int i = 0; i < 200 && !engine.finished; ++i)
      engine.step();
    evaluations += engine.rightHandSideEvaluations();
  }
  state.counters["evaluations"] = double(evaluations) / double(state.iterations());
  state.counters["us_per_evaluation"] = benchmark::Counter(
      double(evaluations) * 1e-6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WholeRun)->Arg(1 << 12)->Unit(benchmark::kMillisecond);

// The shipped supercontinuum example (envelope model, 2^13 points, 15 cm)
// at the relative tolerance tolerances[i]; reports the accepted and refused
// steps, and the RMS difference in dB of the output spectrum (band above
// -40 dB of its peak) from a run at half the tolerance, which shows that the
// tolerance is converged (below 0.1 dB).
const double tolerances[] = {1e-5, 1e-6, 1e-7};

QStringList supercontinuum(double tolerance, int planes = 200)
{
  QFile file(QStringLiteral(LUMORA_EXAMPLES "/UPPE_fibre_supercontinuum.txt"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return {};
  QTextStream in(&file);
  QStringList lines = readConfigurationLines(in);
  for (QString &line : lines) {
    if (line.endsWith(QLatin1String(" tolerance")))
      line = QStringLiteral("%1 tolerance").arg(tolerance);
    if (line.endsWith(QLatin1String(" planes")))
      line = QStringLiteral("%1 planes").arg(planes);
  }
  return lines;
}

std::vector<double> runSpectrum(const QStringList &lines, long long &accepted, long long &refused,
                                double *cpuSeconds = nullptr, double *recordingShare = nullptr)
{
  UPPESimulator engine(lines, QStringLiteral("UPPE_bench"));
  if (!engine.isConstructed())
    return {};
  const std::clock_t start = std::clock();
  const auto wallStart = std::chrono::steady_clock::now();
  while (!engine.finished)
    engine.step();
  const auto wall = std::chrono::steady_clock::now() - wallStart;
  if (cpuSeconds)
    *cpuSeconds = double(std::clock() - start) / CLOCKS_PER_SEC;
  if (recordingShare)
    *recordingShare = engine.planeRecordingSeconds() / std::chrono::duration<double>(wall).count();
  accepted = engine.getEnvelopePropagator()->acceptedSteps();
  refused = engine.getEnvelopePropagator()->refusedSteps();
  return engine.spectrumDbVector();
}

void BM_FibreSupercontinuum(benchmark::State &state)
{
  const double tolerance = tolerances[state.range(0)];
  const QStringList lines = supercontinuum(tolerance);
  long long accepted = 0, refused = 0;
  std::vector<double> spectrum;
  for (auto _ : state)
    spectrum = runSpectrum(lines, accepted, refused);
  if (spectrum.empty()) {
    state.SkipWithError("the example did not load");
    return;
  }
  long long a2 = 0, r2 = 0;
  const std::vector<double> finer = runSpectrum(supercontinuum(0.5 * tolerance), a2, r2);
  // Share of the run's wall time spent recording the 200 planes.
  double cpu = 0.0, share = 0.0;
  runSpectrum(lines, a2, r2, &cpu, &share);
  state.counters["cpu_s"] = cpu;
  state.counters["recording_share"] = share;
  const double peak = *std::max_element(spectrum.begin(), spectrum.end());
  double sum = 0.0;
  int count = 0;
  for (std::size_t k = 0; k < spectrum.size(); ++k)
    if (spectrum[k] > peak - 40.0) {
      sum += (spectrum[k] - finer[k]) * (spectrum[k] - finer[k]);
      ++count;
    }
  state.counters["tolerance"] = tolerance;
  state.counters["accepted_steps"] = double(accepted);
  state.counters["refused_steps"] = double(refused);
  state.counters["rms_db_vs_half_tolerance"] = count > 0 ? std::sqrt(sum / count) : 0.0;
}
BENCHMARK(BM_FibreSupercontinuum)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
