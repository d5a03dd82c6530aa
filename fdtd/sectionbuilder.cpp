// Material sections of the grid engine, built from their descriptions on
// the grid constants in the formulation 0 "1d", 1 "1dp" (ring), 2 "1dcp".

#include "fdtd/fdtdsimulator.h"

#include "fdtd/sections/kerrraman.h"
#include "fdtd/sections/lorentz.h"
#include "fdtd/sections/lossless.h"
#include "fdtd/sections/lossy.h"
#include "materials/materials.h"

namespace {

using namespace gridmedium;
using Placement = SectionPlacement<int, double>;

// The material class for the formulation: 0 "1d", 1 "1dp", 2 "1dcp".
template <template <typename> class Material, typename... Args>
MeshSection<int, double> *build(int formulation, const Placement &placement, const GridConstants &grid,
                                Args... args)
{
  switch (formulation) {
  case 1:
    return new Material<PDielectric<int, double>>(placement, grid, args...);
  case 2:
    return new Material<CPDielectric<int, double>>(placement, grid, args...);
  default:
    return new Material<Dielectric<int, double>>(placement, grid, args...);
  }
}

// A Sellmeier medium as the Lorentz section of its number of poles
// (resonances in Hz: frequency exponent 0).
MeshSection<int, double> *buildSellmeier(int formulation, const Placement &placement,
                                         const GridConstants &grid, const GridSellmeier &s)
{
  const double *f = s.resonance;
  const double *w = s.weight;
  switch (s.poles) {
  case 1:
    return build<Lorentz1PoleMaterial>(formulation, placement, grid, s.epsilonInfinity, s.muR,
                                       s.sigma, s.epsilonStatic, 0.0, f[0], 0, 1.0);
  case 2:
    return build<Lorentz2PoleMaterial>(formulation, placement, grid, s.epsilonInfinity, s.muR,
                                       s.sigma, s.epsilonStatic, 0.0, f[0], w[0], 0.0, f[1], w[1],
                                       0);
  default:
    return build<Lorentz3PoleMaterial>(formulation, placement, grid, s.epsilonInfinity, s.muR,
                                       s.sigma, s.epsilonStatic, 0.0, f[0], w[0], 0.0, f[1], w[1],
                                       0.0, f[2], w[2], 0);
  }
}

// The section of a description, in the formulation 0 "1d", 1 "1dp", 2 "1dcp".
MeshSection<int, double> *buildSection(const SectionDescription &d, int formulation,
                                       const GridConstants &grid)
{
  const Placement &at = d.placement;
  const double er = d.epsilonR, mr = d.muR, sg = d.sigma, es = d.epsilonStatic;
  const PoleConstants *p = d.poles;
  switch (d.type) {
  case Sellmeier:
  case Material:
    return buildSellmeier(formulation, at, grid, d.sellmeier);
  case Diel:
    return build<LosslessMaterial>(formulation, at, grid, er, mr);
  case LDiel:
    return build<LossyMaterial>(formulation, at, grid, er, mr, sg);
  case Lor1:
    return build<Lorentz1PoleMaterial>(formulation, at, grid, er, mr, sg, es, p[0].damping, p[0].resonance,
                                       d.exponent, p[0].weight);
  case Lor2:
    return build<Lorentz2PoleMaterial>(formulation, at, grid, er, mr, sg, es, p[0].damping, p[0].resonance,
                                       p[0].weight, p[1].damping, p[1].resonance, p[1].weight, d.exponent);
  case Lor3:
    return build<Lorentz3PoleMaterial>(formulation, at, grid, er, mr, sg, es, p[0].damping, p[0].resonance,
                                       p[0].weight, p[1].damping, p[1].resonance, p[1].weight,
                                       p[2].damping, p[2].resonance, p[2].weight, d.exponent);
  case Ker1:
    return build<KerrRamanMaterial>(formulation, at, grid, er, mr, d.chi3, d.tau1, d.tau2, d.alpha,
                                    d.theta);
  case Lor1Ker1:
    return new Lorentz1PoleKerrRamanMaterial<Dielectric<int, double>>(
        at, grid, er, mr, sg, es, p[0].damping, p[0].resonance, d.chi3, d.tau1, d.tau2, d.alpha, d.theta,
        d.exponent);
  default:
    return build<Lorentz3PoleKerrRamanMaterial>(formulation, at, grid, er, mr, sg, es, p[0].damping,
                                                p[0].resonance, p[0].weight, p[1].damping, p[1].resonance,
                                                p[1].weight, p[2].damping, p[2].resonance, p[2].weight,
                                                d.chi3, d.tau1, d.tau2, d.alpha, d.theta, d.exponent);
  }
}

} // namespace

// The sections from their descriptions, in grid order.
void FDTDSimulator::buildSections(int formulation, const GridConstants &grid)
{
  for (const SectionDescription &d : config.sections) {
    if (d.type == Material)
      if (const materials::LibraryMaterial *m = materials::findMaterial(d.materialName))
        librarySections.push_back({sections.size(), m->name, m->shortest, m->longest});
    sections.push_back(buildSection(d, formulation, grid));
    ++sectionCount;
  }
}

