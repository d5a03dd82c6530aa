#pragma once
// Hard point source with a sine carrier in absolute time (pulses::Sine).

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class HardSinusoidalSource : public CarrierWaveSource<I, T>
{
public:
  HardSinusoidalSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, const GridConstants &grid,
                       T duration, T centre, int frequencyExponent, bool conditional)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, T(grid.timeStep),
                                duration, centre, frequencyExponent, conditional, true),
        pulse(amplitude, this->frequency)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, const GridClock &clock) override
  {
    this->applyHard(e, h, clock);
  }
  void applyH(std::vector<T> &, std::vector<T> &, const GridClock &) override {}

  T waveform(T t) const override { return pulse(t); }

  pulses::Sine pulse;
};
