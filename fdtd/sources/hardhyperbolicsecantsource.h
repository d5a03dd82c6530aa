#pragma once
// Hard point source with a hyperbolic-secant envelope (pulses::HyperbolicSecant,
// power 1 for "sech", 2 for "sech2") centred at tc = D / f + delay.

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class HardHyperbolicSecantSource : public CarrierWaveSource<I, T>
{
public:
  // tau: the "tau" value in the time unit at position timeUnitIndex of the
  // time units (10^(-3 k) s); exponent: 1 or 2.
  HardHyperbolicSecantSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude,
                             const GridConstants &grid, T duration, T centre, int frequencyExponent,
                             bool conditional, T tau, int timeUnitIndex, unsigned short exponent)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, T(grid.timeStep),
                                duration, centre, frequencyExponent, conditional, true),
        centreTime(duration / this->frequency),
        inverseTau(T(1) / (tau * powerOfTen(-3 * timeUnitIndex))), exponent(exponent),
        pulse(amplitude, this->frequency, T(1) / inverseTau, centreTime + this->delayTime, exponent)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, const GridClock &clock) override
  {
    this->applyHard(e, h, clock);
  }
  void applyH(std::vector<T> &, std::vector<T> &, const GridClock &) override {}

  T waveform(T t) const override { return pulse(t); }

  T centreTime;            // t0 = D / f, the undelayed envelope centre (s)
  T inverseTau;            // 1 / tau (1/s)
  unsigned short exponent; // 1 or 2
  pulses::HyperbolicSecant pulse;
};
