#pragma once
// Owners of FFTW memory and plans. Arrays come from fftw_malloc (zero-filled,
// SIMD-aligned) and go back with fftw_free; plans are destroyed with their
// owner. Both are move-only. An array converts to its pointer, so that it is
// indexed and handed to FFTW like the raw array it owns.

#include <fftw3.h>

#include <cstddef>
#include <cstring>
#include <utility>

template <typename T>
class FftwArray
{
public:
  FftwArray() = default;
  explicit FftwArray(int n)
      : data_(static_cast<T *>(fftw_malloc(sizeof(T) * std::size_t(n > 0 ? n : 1))))
  {
    std::memset(static_cast<void *>(data_), 0, sizeof(T) * std::size_t(n > 0 ? n : 1));
  }
  ~FftwArray() { fftw_free(data_); }
  FftwArray(FftwArray &&other) noexcept : data_(std::exchange(other.data_, nullptr)) {}
  FftwArray &operator=(FftwArray &&other) noexcept
  {
    std::swap(data_, other.data_);
    return *this;
  }
  FftwArray(const FftwArray &) = delete;
  FftwArray &operator=(const FftwArray &) = delete;

  operator T *() const { return data_; }
  T *get() const { return data_; }

private:
  T *data_ = nullptr;
};

using RealArray = FftwArray<double>;
using ComplexArray = FftwArray<fftw_complex>;

class FftwPlan
{
public:
  FftwPlan() = default;
  explicit FftwPlan(fftw_plan plan) : plan_(plan) {}
  ~FftwPlan()
  {
    if (plan_)
      fftw_destroy_plan(plan_);
  }
  FftwPlan(FftwPlan &&other) noexcept : plan_(std::exchange(other.plan_, nullptr)) {}
  FftwPlan &operator=(FftwPlan &&other) noexcept
  {
    std::swap(plan_, other.plan_);
    return *this;
  }
  FftwPlan(const FftwPlan &) = delete;
  FftwPlan &operator=(const FftwPlan &) = delete;

  void execute() const { fftw_execute(plan_); }
  explicit operator bool() const { return plan_ != nullptr; }

private:
  fftw_plan plan_ = nullptr;
};

// Real-to-real and complex in-place plans of length n.
inline FftwPlan realPlan(int n, double *data, fftw_r2r_kind kind, unsigned flags)
{
  return FftwPlan(fftw_plan_r2r_1d(n, data, data, kind, flags));
}
inline FftwPlan complexPlan(int n, fftw_complex *data, int sign, unsigned flags)
{
  return FftwPlan(fftw_plan_dft_1d(n, data, data, sign, flags));
}
