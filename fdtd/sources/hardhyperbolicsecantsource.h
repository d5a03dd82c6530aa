#pragma once
// Hard point source with a hyperbolic-secant envelope:
//   f(t) = A sin(w (t - tc)) sech((t - tc) / tau)^m,  m = 1 ("sech") or 2 ("sech2"),
// tc = D / f + delay.

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class HardHyperbolicSecantSource : public CarrierWaveSource<I, T>
{
public:
  // tau: the "tau" value in the time unit at position timeUnitIndex of the
  // time units (10^(-3 k) s); exponent: 1 or 2.
  HardHyperbolicSecantSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude,
                             T timeStep, T duration, T centre, int frequencyExponent,
                             bool conditional, T tau, int timeUnitIndex, unsigned short exponent)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, timeStep,
                                duration, centre, frequencyExponent, conditional, true),
        centreTime(duration / this->frequency),
        inverseTau(T(1) / (tau * powerOfTen(-3 * timeUnitIndex))), exponent(exponent)
  {
    envelopeCentre = centreTime + this->delayTime;
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, Simulator &simulator) override
  {
    this->applyHard(e, h, simulator);
  }
  void applyH(std::vector<T> &, std::vector<T> &, Simulator &) override {}

  T waveform(T t) const override
  {
    const T s = t - envelopeCentre;
    const T sech = T(1) / std::cosh(s * inverseTau); // cosh overflow gives 0, not NaN
    T envelope = sech;
    for (unsigned short i = 1; i < exponent; ++i)
      envelope *= sech;
    return this->amplitude * std::sin(this->angularFrequency * s) * envelope;
  }

  // Places the envelope centre at absolute time t (any delay no longer applies).
  void setCentreTime(T t)
  {
    centreTime = t;
    this->delayTime = T(0);
    envelopeCentre = centreTime;
  }
  T envelopeCentreTime() const { return envelopeCentre; }

  T centreTime;              // t0 = D / f, the undelayed envelope centre (s)
  T inverseTau;              // 1 / tau (1/s)
  unsigned short exponent;   // m
  T envelopeCentre = T(0);   // t0 + delay
};
