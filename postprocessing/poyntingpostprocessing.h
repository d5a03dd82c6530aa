#pragma once
// Poynting vector along the grid, a plain record owned by the engine:
// S = E x H in W/m^2, positive for energy flowing towards growing z. The grid
// engine fills it after every step (fdtd/poynting.h).

#include <QString>

#include <cstddef>
#include <vector>

template <typename I, typename T>
struct PoyntingPostprocessing
{
  PoyntingPostprocessing(const QString &n, I cells)
      : name(n), previousField(static_cast<std::size_t>(cells), 0),
        poynting(static_cast<std::size_t>(cells), 0), sum(static_cast<std::size_t>(cells), 0)
  {
  }

  I iterationStart = 1;
  I iterationEnd = 2147483647;
  QString name;
  std::vector<T> previousField;
  std::vector<T> poynting;
  unsigned short unused = 0;

  std::vector<T> sum; // Ebar, kept to avoid an allocation per step
};
