#pragma once
// Hard point source with a sine carrier in absolute time: f(t) = A sin(w t).

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class HardSinusoidalSource : public CarrierWaveSource<I, T>
{
public:
  HardSinusoidalSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, T timeStep,
                       T duration, T centre, int frequencyExponent, bool conditional)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, timeStep,
                                duration, centre, frequencyExponent, conditional, true)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, Simulator &simulator) override
  {
    this->applyHard(e, h, simulator);
  }
  void applyH(std::vector<T> &, std::vector<T> &, Simulator &) override {}

  T waveform(T t) const override
  {
    return this->amplitude * std::sin(this->angularFrequency * t);
  }
};
