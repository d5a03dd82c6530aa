#pragma once
// Stability of the grid's update inside one material (von Neumann analysis
// of the scheme exactly as the sections build it): for every spatial
// frequency of the grid, one step maps (dH, E, J_1, Q_1, ... J_P, Q_P) of a
// Fourier mode linearly onto the next; the update is stable when no
// eigenvalue of that map lies outside the unit circle.

#include "fdtd/sections/materialdescription.h"

namespace fdtdstability {

// Largest modulus of the one-step map's eigenvalues over the grid's spatial
// frequencies, for cells of cellMetres and the time step of "stability" s.
double amplification(const MaterialDescription &m, double cellMetres, double stability);

// Whether the update is stable at stability s (growth at most 1e-7 per step).
bool stable(const MaterialDescription &m, double cellMetres, double stability);

// The smallest stability value (at most maximum) at which the update is
// stable, to three significant digits, rounded up; 0 when none up to maximum is.
double smallestStableStability(const MaterialDescription &m, double cellMetres,
                               double maximum = 1000.0);

} // namespace fdtdstability
