#pragma once
// The cell loop shared by all sections: an OpenMP parallel-for with static
// schedule over an inclusive index range. Short ranges (or a single thread)
// run serially, so that small grids do not pay for a parallel region.
//
// Fields far ahead of a pulse decay into subnormal numbers, which the
// arithmetic units handle many times slower; FlushDenormals switches the
// calling thread to flush-to-zero / denormals-are-zero while it lives (the
// engine holds one for each step, every worker thread one per region).

#include <omp.h>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

class FlushDenormals
{
public:
#if defined(__SSE2__)
  FlushDenormals() : saved(_mm_getcsr()) { _mm_setcsr(saved | 0x8040u); } // FTZ | DAZ
  ~FlushDenormals() { _mm_setcsr(saved); }
#else
  FlushDenormals() {}
#endif
  FlushDenormals(const FlushDenormals &) = delete;
  FlushDenormals &operator=(const FlushDenormals &) = delete;

private:
#if defined(__SSE2__)
  unsigned int saved;
#endif
};

// The shortest loops for which a parallel region pays off on an idle machine
// of two cores (fdtd_bench BM_CellLoop, threads 1 against 2): the plain H and
// E updates, and the heavier updates of dispersive and nonlinear media.
namespace parallelcells {
constexpr int plain = 32768;
constexpr int dispersive = 16384;
} // namespace parallelcells

// Calls body(i) for i = first ... last. minimumParallelCells: the shortest
// range that is worth a parallel region for this kind of cell (grids of about
// 10^4 cells always run serially: a parallel region there gains little on an
// idle machine and loses much on a busy one). The cells are
// independent (each call writes only its own cell), so the plain loops are
// also marked for vectorisation; bodies with calls into non-inline code
// (the cubic solve) use forEachCellScalar.
template <typename I, typename Body>
inline void forEachCell(I first, I last, I minimumParallelCells, Body body)
{
  if (last < first)
    return;
  if (last - first + 1 < minimumParallelCells || omp_get_max_threads() < 2) {
#pragma omp simd
    for (I i = first; i <= last; ++i)
      body(i);
    return;
  }
#pragma omp parallel
  {
    const FlushDenormals flush;
#pragma omp for simd schedule(static)
    for (I i = first; i <= last; ++i)
      body(i);
  }
}

template <typename I, typename Body>
inline void forEachCellScalar(I first, I last, I minimumParallelCells, Body body)
{
  if (last < first)
    return;
  if (last - first + 1 < minimumParallelCells || omp_get_max_threads() < 2) {
    for (I i = first; i <= last; ++i)
      body(i);
    return;
  }
#pragma omp parallel
  {
    const FlushDenormals flush;
#pragma omp for schedule(static)
    for (I i = first; i <= last; ++i)
      body(i);
  }
}
