#pragma once
// Poynting vector of the grid, S[i] = -H[i] (Ebar[i-1] + Ebar[i]) / 4 for
// i >= 1, with Ebar the sum of the present and the previous electric field:
// E averaged over the two cells around H[i] and the two time levels around
// it, so that S is centred in space and time. With the grid's curl signs a
// wave travelling towards growing z has H = -n E / eta0, hence the minus
// sign. Cell 0 keeps its value.

#include "fdtd/sections/cellloop.h"
#include "postprocessing/poyntingpostprocessing.h"

template <typename I, typename T>
void updatePoynting(PoyntingPostprocessing<I, T> &p, const std::vector<T> &e,
                    const std::vector<T> &h, I iteration)
{
  if (iteration < p.iterationStart || iteration > p.iterationEnd)
    return;
  const I n = static_cast<I>(p.poynting.size());
  T *sum = p.sum.data();
  const T *ep = e.data();
  T *prev = p.previousField.data();
  for (I i = 0; i < n; ++i)
    sum[i] = ep[i] + prev[i];
  const T *hp = h.data();
  T *s = p.poynting.data();
  forEachCell<I>(1, n - 1, parallelcells::plain, [=](I i) { s[i] = T(-0.25) * hp[i] * (sum[i - 1] + sum[i]); });
  for (I i = 0; i < n; ++i)
    prev[i] = ep[i];
}
