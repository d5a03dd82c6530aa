#pragma once
// Hard point source with a Gaussian envelope:
//   f(t) = A cos(w (t - tc)) exp(k (pi df (t - tc))^2),  k = -2 / ln 2,
// tc = D / (f + df) + delay, so that the power spectrum falls to one half at
// df from the carrier and the envelope is 1/2 at |t - tc| = ln 2 / (sqrt 2 pi df).

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class HardGaussianSource : public CarrierWaveSource<I, T>
{
public:
  // bandwidth: the "3dB" value df in the frequency unit of the carrier.
  HardGaussianSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, T timeStep,
                     T duration, T centre, int frequencyExponent, bool conditional, T bandwidth)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, timeStep,
                                duration, centre, frequencyExponent, conditional, true),
        bandwidth(bandwidth * this->frequencyUnitFactor),
        centreTime(duration / (this->frequency + this->bandwidth)),
        exponentFactor(T(-2) / std::log(T(2))),
        piBandwidth(T(3.141592653589793) * this->bandwidth)
  {
    updateCentre();
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, Simulator &simulator) override
  {
    this->applyHard(e, h, simulator);
  }
  void applyH(std::vector<T> &, std::vector<T> &, Simulator &) override {}

  T waveform(T t) const override
  {
    const T x = piBandwidth * t - piBandwidthCentre;
    return this->amplitude * std::cos(this->angularFrequency * (t - envelopeCentre)) *
           std::exp(exponentFactor * x * x);
  }

  // Places the envelope centre at absolute time t (any delay no longer applies).
  void setCentreTime(T t)
  {
    centreTime = t;
    this->delayTime = T(0);
    updateCentre();
  }
  // Absolute time of the envelope maximum (s).
  T envelopeCentreTime() const { return envelopeCentre; }

  T bandwidth;         // df (Hz)
  T centreTime;        // t0 = D / (f + df), the undelayed envelope centre (s)
  T exponentFactor;    // k = -2 / ln 2
  T piBandwidth;       // pi df
  T envelopeCentre = T(0);     // t0 + delay
  T piBandwidthCentre = T(0);  // pi df (t0 + delay)

protected:
  void updateCentre()
  {
    envelopeCentre = centreTime + this->delayTime;
    piBandwidthCentre = piBandwidth * envelopeCentre;
  }
};
