#pragma once
// A material section: a contiguous range of the grid that it advances by
// half steps. hStart ... hEnd and eStart ... eEnd are the inclusive ranges of
// H and E indices it updates; H[i] lies between E[i - 1] and E[i].

#include <vector>

struct MaterialDescription;

template <typename I, typename T>
class MeshSection
{
public:
  using IndexType = I;
  using ValueType = T;

  MeshSection(I eStart, I hStart, I eEnd, I hEnd)
      : hStart(hStart), eStart(eStart), hEnd(hEnd), eEnd(eEnd)
  {
  }
  virtual ~MeshSection() = default;
  MeshSection(const MeshSection &) = delete;
  MeshSection &operator=(const MeshSection &) = delete;

  virtual void updateE(std::vector<T> &e, std::vector<T> &h) = 0;
  virtual void updateH(std::vector<T> &e, std::vector<T> &h) = 0;
  // Fills in what the section is made of (materialdescription.h).
  virtual void describe(MaterialDescription &material) const = 0;

  I hStart;
  I eStart;
  I hEnd;
  I eEnd;
};

// Where a section lies on the grid; threshold is the ring-closing threshold
// of the conditionally periodic formulation (unused by the others).
template <typename I, typename T>
struct SectionPlacement
{
  I eStart = 1;
  I hStart = 1;
  I eEnd = 0;
  I hEnd = 0;
  T threshold = T(0);
};
