// Spectral engine benchmarks: right-hand-side evaluations per second and
// accepted steps per second for n = 2^10 .. 2^16 time points (diagnostic
// files off), and a whole run with loading and planning included.
//
//   ./bench/uppe_bench --benchmark_min_time=1
//
// Patient FFTW plans are used as in a real run; the wisdom kept in the user's
// cache folder makes repeated runs plan quickly. Allocations made by the C
// library's malloc during the timed loops are counted (allocs_per_iteration).

#include "uppe/uppeparams.h"
#include "uppe/uppesimulator.h"

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
