#pragma once
// Lossless dielectric: E[i] += (H[i + 1] - H[i]) cE.

#include "fdtd/sections/dielectric.h"

template <typename Base>
class LosslessMaterial : public Base
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  LosslessMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR,
                   T muR)
      : Base(placement, grid, epsilonR, muR)
  {
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    T *E = e.data();
    const T *H = h.data();
    const T cE = this->curlE;
    if (this->closesRing())
      E[0] += (H[1] - H[this->hEnd]) * cE;
    forEachCell<I>(this->eStart, this->eEnd, Base::parallelCellsH,
                   [=](I i) { E[i] += (H[i + 1] - H[i]) * cE; });
  }
};

template <typename I, typename T> using LosslessDielectric = LosslessMaterial<Dielectric<I, T>>;
template <typename I, typename T> using PLosslessDielectric = LosslessMaterial<PDielectric<I, T>>;
template <typename I, typename T>
using CPLosslessDielectric = LosslessMaterial<CPDielectric<I, T>>;
