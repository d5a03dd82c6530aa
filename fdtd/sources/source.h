#pragma once
// Excitation sources of the FDTD grid.
//
// A source acts on one grid point p. Hard sources impose E[p] (coupled to the
// neighbouring H through an impedance) and add a waveform while they are
// active; the plane-wave source adds matched E and H terms instead. The
// engine calls applyH after the sections' H update (at t = n dt) and applyE
// after the sections' E update (at t = n dt + dt/2, iteration still n); the
// clock carries n and t. Waveforms come from the pulse library (pulses/).

#include "fdtd/gridconstants.h"

#include <climits>
#include <cmath>
#include <vector>

template <typename I, typename T>
class Source
{
public:
  Source(I gridPoint, I startIteration, T couplingImpedance, T amplitude, bool hard)
      : gridPoint(gridPoint), startIteration(startIteration),
        couplingImpedance(couplingImpedance), amplitude(amplitude), hard(hard)
  {
  }
  virtual ~Source() = default;

  virtual void applyE(std::vector<T> &e, std::vector<T> &h, const GridClock &clock) = 0;
  virtual void applyH(std::vector<T> &e, std::vector<T> &h, const GridClock &clock) = 0;
  // End iteration of a carrier-wave source, sample count of a recorded pulse;
  // decides which of several sources at one grid point drives it.
  virtual I extent() const = 0;

  // First iteration for a delay given in nanoseconds: ceil(delay / (dt * 1e9)),
  // kept inside the index range for absurd delays.
  static I startIterationFor(T delayNs, T timeStep)
  {
    const T s = std::ceil(delayNs / (timeStep * T(1e9)));
    if (!(s < T(INT_MAX)))
      return INT_MAX;
    if (!(s > T(INT_MIN)))
      return INT_MIN;
    return static_cast<I>(s);
  }

  I gridPoint;           // p, index into the field vectors
  I startIteration;      // first active iteration
  T couplingImpedance;   // Z (ohm) of E[p] = Z * H[p + 1]
  T amplitude;           // A (V/m)
  bool hard;             // writes its grid point
};
