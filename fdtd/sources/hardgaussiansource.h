#pragma once
// Hard point source with a Gaussian envelope (pulses::Gaussian) centred at
// tc = D / (f + df) + delay.

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class HardGaussianSource : public CarrierWaveSource<I, T>
{
public:
  // bandwidth: the "3dB" value df in the frequency unit of the carrier.
  HardGaussianSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, const GridConstants &grid,
                     T duration, T centre, int frequencyExponent, bool conditional, T bandwidth)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, T(grid.timeStep),
                                duration, centre, frequencyExponent, conditional, true),
        bandwidth(bandwidth * this->frequencyUnitFactor),
        centreTime(duration / (this->frequency + this->bandwidth)),
        pulse(amplitude, this->frequency, this->bandwidth, centreTime + this->delayTime)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, const GridClock &clock) override
  {
    this->applyHard(e, h, clock);
  }
  void applyH(std::vector<T> &, std::vector<T> &, const GridClock &) override {}

  T waveform(T t) const override { return pulse(t); }

  T bandwidth;  // df (Hz)
  T centreTime; // t0 = D / (f + df), the undelayed envelope centre (s)
  pulses::Gaussian pulse;
};
