#pragma once
// Poynting vector along the grid, a plain record owned by the engine:
// S = E x H in W/m^2, positive for energy flowing towards growing z.

#include <QString>

#include <cstddef>
#include <vector>

template <typename I, typename T>
struct PoyntingPostprocessing
{
  PoyntingPostprocessing(const QString &n, I cells)
      : name(n), previousField(static_cast<std::size_t>(cells), 0),
        poynting(static_cast<std::size_t>(cells), 0), sum_(static_cast<std::size_t>(cells), 0)
  {
  }

  // S[i] = -H[i] (Ebar[i-1] + Ebar[i]) / 4 for i >= 1, with Ebar the sum of
  // the present and the previous electric field: E averaged over the two
  // cells around H[i] and the two time levels around it, so that S is
  // centred in space and time. With the grid's curl signs a wave travelling
  // towards growing z has H = -n E / eta0, hence the minus sign. Cell 0
  // keeps its value.
  void update(const std::vector<T> &e, const std::vector<T> &h, I iteration)
  {
    if (iteration < iterationStart || iteration > iterationEnd)
      return;
    const I n = static_cast<I>(poynting.size());
    T *sum = sum_.data();
    const T *ep = e.data();
    T *prev = previousField.data();
    for (I i = 0; i < n; ++i)
      sum[i] = ep[i] + prev[i];
    const T *hp = h.data();
    T *s = poynting.data();
#pragma omp parallel for schedule(static)
    for (I i = 1; i < n; ++i)
      s[i] = -0.25 * hp[i] * (sum[i - 1] + sum[i]);
    for (I i = 0; i < n; ++i)
      prev[i] = ep[i];
  }

  I iterationStart = 1;
  I iterationEnd = 2147483647;
  QString name;
  std::vector<T> previousField;
  std::vector<T> poynting;
  unsigned short unused = 0;

private:
  std::vector<T> sum_; // Ebar, kept to avoid an allocation per step
};
