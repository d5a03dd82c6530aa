#pragma once
// A Gaussian pulse added on top of the hard source that drives the same grid
// point (that source comes first in the list and imposes the coupling
// E[p] = Z H[p + 1] itself, so this one adds only its waveform).

#include "fdtd/sources/hardgaussiansource.h"

template <typename I, typename T>
class AdditiveGaussianSource : public HardGaussianSource<I, T>
{
public:
  explicit AdditiveGaussianSource(const HardGaussianSource<I, T> &source)
      : HardGaussianSource<I, T>(source)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &, const GridClock &clock) override
  {
    if (this->isActive(clock.iteration))
      e[this->gridPoint] += this->waveform(clock.time);
  }
};
