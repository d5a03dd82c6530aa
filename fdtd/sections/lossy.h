#pragma once
// Lossy dielectric of conductivity sigma, central differences in time:
//   E[i] = Ca E[i] + Cb (H[i + 1] - H[i]),
//   a = dt sigma / (2 eps0 epsR), Ca = (1 - a) / (1 + a), Cb = cE / (1 + a).

#include "fdtd/sections/dielectric.h"

template <typename Base>
class LossyMaterial : public virtual Base
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  LossyMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR, T muR,
                T sigma)
      : Base(placement, grid, epsilonR, muR), conductivity(sigma),
        lossFactor(this->timeStep * T(0.5) * sigma / (T(physconst::epsilon0) * this->epsilonR)),
        decay((T(1) - lossFactor) / (lossFactor + T(1))), gain(this->curlE / (lossFactor + T(1)))
  {
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    T *E = e.data();
    const T *H = h.data();
    const T ca = decay;
    const T cb = gain;
    if (this->closesRing())
      E[0] = ca * E[0] + cb * (H[1] - H[this->hEnd]);
    forEachCell<I>(this->eStart, this->eEnd, Base::parallelCellsH,
                   [=](I i) { E[i] = ca * E[i] + cb * (H[i + 1] - H[i]); });
  }

  void describe(MaterialDescription &material) const override
  {
    Base::describe(material);
    material.kind = QStringLiteral("lossy dielectric");
    material.sigma = conductivity;
  }

  T conductivity; // sigma (S/m)
  T lossFactor;   // a
  T decay;        // Ca
  T gain;         // Cb
};

template <typename I, typename T> using LossyDielectric = LossyMaterial<Dielectric<I, T>>;
template <typename I, typename T> using PLossyDielectric = LossyMaterial<PDielectric<I, T>>;
template <typename I, typename T> using CPLossyDielectric = LossyMaterial<CPDielectric<I, T>>;
