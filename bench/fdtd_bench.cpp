// Speed of the FDTD step: cell updates per second (one H and one E update of
// one cell) for the main materials, grid sizes of 10^4 to 10^6 cells and one
// or two threads, starting from a pulse on zero fields (where the numbers
// ahead of the pulse decay towards subnormals) and on a grid already filled
// with field. A plain lossless loop written here is the reference.
//
//   ./bench/fdtd_bench --benchmark_min_time=0.5

#include "fdtd/fdtdsimulator.h"
#include "fdtd/sections/cellloop.h"
#include "input/lookups.h"

#include <QStringList>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

enum Material { Lossless, Lossy, Lor1, Lor3, Ker1, Lor3Ker1 };

const char *mediumLine(Material m)
{
  switch (m) {
  case Lossless:
    return "diel medium\n%1 meshpoints\n2.25 1 parameters\n";
  case Lossy:
    return "ldiel medium\n%1 meshpoints\n2.25 1 100 parameters\n";
  case Lor1:
    return "lor1 medium\n%1 meshpoints\n2.25 1 0 5 10 300 THz parameters\n";
  case Lor3:
    return "lor3 medium\n%1 meshpoints\n2.25 1 0 5 10 300 0.5 20 200 0.3 5 100 0.2 THz parameters\n";
  case Ker1:
    return "ker1 medium\n%1 meshpoints\n2.25 1 1e-20 12.2 32 0.7 parameters\n";
  case Lor3Ker1:
    return "lor3ker1 medium\n%1 meshpoints\n"
           "2.25 1 0 5 10 300 0.5 20 200 0.3 5 100 0.2 1e-20 12.2 32 0.7 THz parameters\n";
  }
  return "";
}

std::unique_ptr<FDTDSimulator> makeEngine(Material m, int cells, int threads)
{
  QString text = QStringLiteral("1 stability\n%1 threads\nnm measure\n10 size\n1 physical\n"
                                "1d problem\n")
                     .arg(threads);
  text += QString::fromLatin1(mediumLine(m)).arg(cells);
  text += QStringLiteral("point geometry\n10 z-location\n0 1e7 0 amplitude\ngauss shape\n"
                         "THz funit\nfs tunit\n375 centre\n10 duration\n50 3dB\n");
  QTextStream stream(&text);
  auto engine = std::make_unique<FDTDSimulator>(readConfigurationLines(stream),
                                                QStringLiteral("FDTD_bench"));
  return engine->isConstructed() ? std::move(engine) : nullptr;
}

// args: cells, threads, filled (0: a pulse starting on zero fields)
void BM_Step(benchmark::State &state, Material m)
{
  const int cells = static_cast<int>(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  auto engine = makeEngine(m, cells, threads);
  if (!engine) {
    state.SkipWithError("configuration rejected");
    return;
  }
  if (state.range(2)) {
    // A grid full of field of realistic size (weak-field Kerr regime).
    std::mt19937 random(7);
    std::uniform_real_distribution<double> u(-1e6, 1e6);
    for (double &e : engine->eField)
      e = u(random);
    for (std::size_t i = 1; i + 1 < engine->hField.size(); ++i)
      engine->hField[i] = u(random) / 377.0;
  }
  for (auto _ : state)
    engine->step();
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(cells));
}

// The reference: a plain lossless H and E loop.
void BM_PlainLoop(benchmark::State &state)
{
  const int cells = static_cast<int>(state.range(0));
  std::vector<double> e(cells, 0.0), h(cells + 1, 0.0);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (double &v : e)
    v = u(random);
  const double ch = 0.5, ce = 0.5;
  for (auto _ : state) {
    double *E = e.data();
    double *H = h.data();
    for (int i = 1; i < cells; ++i)
      H[i] += (E[i] - E[i - 1]) * ch;
    for (int i = 1; i < cells; ++i)
      E[i] += (H[i + 1] - H[i]) * ce;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(cells));
}

// The crossover of a second thread: the sections' cell loop (forEachCell)
// forced parallel at every size, with the plainest body (the lossless E
// update) and a body of Lorentz weight (three auxiliary arrays). Compare
// threads:1 and threads:2 per size on an idle machine; the sizes where two
// threads first win are the thresholds in fdtd/sections/cellloop.h.
void BM_CellLoop(benchmark::State &state)
{
  const int cells = static_cast<int>(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  const bool heavy = state.range(2) != 0;
  omp_set_num_threads(threads);
  std::vector<double> e(cells + 1, 0.5), h(cells + 2, 0.25), a(cells + 1, 0.1), b(cells + 1, 0.2), c(cells + 1, 0.3);
  double *E = e.data();
  const double *H = h.data();
  double *A = a.data();
  double *B = b.data();
  double *C = c.data();
  for (auto _ : state) {
    if (heavy)
      forEachCell<int>(1, cells - 1, 1, [=](int i) {
        const double d = H[i + 1] - H[i];
        const double p = 0.9 * A[i] + 0.01 * B[i] - 0.001 * C[i] + 1e-3 * d;
        C[i] = B[i];
        B[i] = A[i];
        A[i] = p;
        E[i] = 0.999 * E[i] + 0.5 * d - (p - B[i]);
      });
    else
      forEachCell<int>(1, cells - 1, 1, [=](int i) { E[i] += (H[i + 1] - H[i]) * 0.5; });
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(cells));
  omp_set_num_threads(1);
}

void crossoverSizes(benchmark::internal::Benchmark *b)
{
  for (int heavy : {0, 1})
    for (int cells : {2048, 4096, 8192, 16384, 32768, 65536, 131072})
      for (int threads : {1, 2})
        b->Args({cells, threads, heavy});
  b->ArgNames({"cells", "threads", "lorentz"});
  b->UseRealTime();
}

// One thread: rates from the benchmark thread's CPU time, so that other
// load on the machine does not count.
void oneThread(benchmark::internal::Benchmark *b)
{
  for (int cells : {10000, 100000, 1000000})
    for (int filled : {0, 1})
      b->Args({cells, 1, filled});
  b->ArgNames({"cells", "threads", "filled"});
}

// Two threads: the workers' time is not the benchmark thread's, so rates
// come from the elapsed time (compare with the one-thread runs on an idle
// machine only).
void twoThreads(benchmark::internal::Benchmark *b)
{
  for (int cells : {10000, 100000, 1000000})
    for (int filled : {0, 1})
      b->Args({cells, 2, filled});
  b->ArgNames({"cells", "threads", "filled"});
  b->UseRealTime();
}

} // namespace

BENCHMARK(BM_PlainLoop)->Arg(10000)->Arg(100000)->Arg(1000000)->ArgName("cells");
BENCHMARK(BM_CellLoop)->Apply(crossoverSizes);
BENCHMARK_CAPTURE(BM_Step, lossless, Lossless)->Apply(oneThread);
BENCHMARK_CAPTURE(BM_Step, lossy, Lossy)->Apply(oneThread);
BENCHMARK_CAPTURE(BM_Step, lor1, Lor1)->Apply(oneThread);
BENCHMARK_CAPTURE(BM_Step, lor3, Lor3)->Apply(oneThread);
BENCHMARK_CAPTURE(BM_Step, ker1, Ker1)->Apply(oneThread);
BENCHMARK_CAPTURE(BM_Step, lor3ker1, Lor3Ker1)->Apply(oneThread);
BENCHMARK(BM_PlainLoop)->Arg(10000)->Arg(100000)->Arg(1000000)->ArgName("cells")->UseRealTime();
BENCHMARK_CAPTURE(BM_Step, lossless, Lossless)->Apply(twoThreads);
BENCHMARK_CAPTURE(BM_Step, lossy, Lossy)->Apply(twoThreads);
BENCHMARK_CAPTURE(BM_Step, lor1, Lor1)->Apply(twoThreads);
BENCHMARK_CAPTURE(BM_Step, lor3, Lor3)->Apply(twoThreads);
BENCHMARK_CAPTURE(BM_Step, ker1, Ker1)->Apply(twoThreads);
BENCHMARK_CAPTURE(BM_Step, lor3ker1, Lor3Ker1)->Apply(twoThreads);
BENCHMARK_CAPTURE(BM_Step, lossless, Lossless)->Args({10000, 1, 0})->ArgNames({"cells", "threads", "filled"})->UseRealTime();
BENCHMARK_CAPTURE(BM_Step, lor1, Lor1)->Args({10000, 1, 0})->ArgNames({"cells", "threads", "filled"})->UseRealTime();
BENCHMARK_CAPTURE(BM_Step, ker1, Ker1)->Args({10000, 1, 0})->ArgNames({"cells", "threads", "filled"})->UseRealTime();

BENCHMARK_MAIN();
