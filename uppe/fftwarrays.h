#pragma once
// Zero-filled arrays for FFTW, allocated with fftw_malloc (release with fftw_free).

#include <fftw3.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

inline double *allocateReal(int n)
{
  auto *a = static_cast<double *>(fftw_malloc(sizeof(double) * std::size_t(n)));
  std::fill(a, a + n, 0.0);
  return a;
}

inline fftw_complex *allocateComplex(int n)
{
  auto *a = static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * std::size_t(n)));
  std::memset(a, 0, sizeof(fftw_complex) * std::size_t(n));
  return a;
}
