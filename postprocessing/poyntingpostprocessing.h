#pragma once
// Poynting vector along the grid, a plain record owned by the engine.

#include <QString>

#include <vector>

template <typename I, typename T>
struct PoyntingPostprocessing
{
  PoyntingPostprocessing(const QString &n, I cells)
      : name(n), previousField(static_cast<size_t>(cells), 0), poynting(static_cast<size_t>(cells), 0)
  {
  }
  I iterationStart = 1;
  I iterationEnd = 2147483647;
  QString name;
  std::vector<T> previousField;
  std::vector<T> poynting;
  unsigned short unused = 0;
};
