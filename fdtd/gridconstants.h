#pragma once
// The few grid numbers that material sections and sources are built from,
// and the clock a source reads while the grid steps.

struct GridConstants
{
  double timeStep = 0.0;    // dt (s)
  double cellSize = 0.0;    // dz in the length unit
  double lengthScale = 1.0; // metres per length unit
  double cellMetres() const { return cellSize * lengthScale; }
};

struct GridClock
{
  int iteration = 0; // n, completed steps
  double time = 0.0; // simulated time (s)
};
