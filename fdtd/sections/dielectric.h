#pragma once
// The three treatments of the grid ends, as bases of every material:
//  - Dielectric ("1d"): reflecting walls; E[0], H[0] and H[N] are never written.
//  - PDielectric ("1dp"): the grid is a ring; H[hEnd] (hEnd = N) couples
//    E[N - 1] and E[0], and E[0] is updated from H[1] - H[hEnd].
//  - CPDielectric ("1dcp"): open like "1d" until H at hEnd - 3 turns
//    positive (the pulse has reached the far end), a ring from then on.
// Materials are written once as templates over these bases (lossless.h,
// lossy.h, ...); closesRing() tells them whether to update cell 0.
//
// H update: H[i] += (E[i] - E[i - 1]) cH, cH = dt / (dz mu0 muR).

#include "fdtd/gridconstants.h"
#include "input/physicalconstants.h"
#include "fdtd/sections/cellloop.h"
#include "fdtd/sections/materialdescription.h"
#include "fdtd/sections/meshsection.h"

#include <cmath>

template <typename I, typename T>
class Dielectric : public MeshSection<I, T>
{
public:
  // Whether the formulation may update E[0] (the ring closure).
  static constexpr bool ringFormulation = false;

  Dielectric(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR, T muR)
      : MeshSection<I, T>(placement.eStart, placement.hStart, placement.eEnd, placement.hEnd),
        epsilonR(epsilonR), muR(muR), timeStep(grid.timeStep),
        cellMetres(grid.cellSize * grid.lengthScale),
        curlE(timeStep / (grid.cellSize * (grid.lengthScale * T(physconst::epsilon0) * epsilonR))),
        curlH(timeStep / (grid.cellSize * (grid.lengthScale * T(physconst::mu0) * muR)))
  {
  }

  void updateH(std::vector<T> &e, std::vector<T> &h) override
  {
    updateHRange(e, h, this->hStart, this->hEnd);
  }

  bool closesRing() const { return false; }

  void describe(MaterialDescription &material) const override
  {
    material.kind = QStringLiteral("lossless dielectric");
    material.epsilonR = epsilonR;
    material.muR = muR;
  }

  T epsilonR;   // relative permittivity (high-frequency value for dispersive media)
  T muR;        // relative permeability
  T timeStep;   // dt (s)
  T cellMetres; // dz (m)
  T curlE;      // cE = dt / (dz eps0 epsR)
  T curlH;      // cH = dt / (dz mu0 muR)

  static constexpr I parallelCellsH = parallelcells::plain;

protected:
  void updateHRange(std::vector<T> &e, std::vector<T> &h, I first, I last)
  {
    const T *E = e.data();
    T *H = h.data();
    const T cH = curlH;
    forEachCell<I>(first, last, parallelCellsH, [=](I i) { H[i] += (E[i] - E[i - 1]) * cH; });
  }
};

template <typename I, typename T>
class PDielectric : public Dielectric<I, T>
{
public:
  static constexpr bool ringFormulation = true;

  PDielectric(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR, T muR)
      : Dielectric<I, T>(placement, grid, epsilonR, muR)
  {
  }

  void updateH(std::vector<T> &e, std::vector<T> &h) override
  {
    this->updateHRange(e, h, this->hStart, this->hEnd - 1);
    h[this->hEnd] += (e[0] - e[this->eEnd]) * this->curlH;
  }

  bool closesRing() const { return true; }
};

template <typename I, typename T>
class CPDielectric : public Dielectric<I, T>
{
public:
  static constexpr bool ringFormulation = true;

  CPDielectric(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR, T muR)
      : Dielectric<I, T>(placement, grid, epsilonR, muR),
        monitorIndex(placement.hEnd >= 3 ? T(placement.hEnd - 3) : T(0)),
        threshold(placement.threshold)
  {
  }

  void updateH(std::vector<T> &e, std::vector<T> &h) override
  {
    this->updateHRange(e, h, this->hStart, this->hEnd - 1);
    if (ringClosed)
      h[this->hEnd] += (e[0] - e[this->eEnd]) * this->curlH;
    else if (h[static_cast<I>(std::floor(monitorIndex))] > threshold)
      ringClosed = true;
  }

  bool closesRing() const { return ringClosed; }

  bool ringClosed = false; // once true, stays true
  T monitorIndex;          // hEnd - 3: where the arriving pulse is detected
  T threshold;             // H above this closes the ring
};

// Auxiliary per-cell arrays of a material (pole currents, Raman state) cover
// the section's E cells, and cell 0 as well in the ring formulations.
template <typename Base>
typename Base::IndexType auxiliaryStart(const Base &section)
{
  return Base::ringFormulation ? typename Base::IndexType(0) : section.eStart;
}

template <typename Base>
std::size_t auxiliarySize(const Base &section)
{
  const auto n = section.eEnd - auxiliaryStart(section) + 1;
  return n > 0 ? static_cast<std::size_t>(n) : 0u;
}
