#pragma once
// Sources with a carrier: an active window of 2 D / f after the start, D the
// number of carrier periods, f the carrier frequency.

#include "fdtd/sources/source.h"
#include "input/physicalconstants.h"
#include "input/units.h"
#include "pulses/pulses.h"

template <typename I, typename T>
class CarrierWaveSource : public Source<I, T>
{
public:
  // delayNs: delay in nanoseconds; timeStep: dt in seconds; duration: D, a
  // whole number of carrier periods; centre: carrier frequency in the unit of
  // exponent frequencyExponent (3 k for the unit at position k, 10^(3k) Hz).
  CarrierWaveSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, T timeStep,
                    T duration, T centre, int frequencyExponent, bool conditional, bool hard)
      : Source<I, T>(gridPoint, Source<I, T>::startIterationFor(delayNs, timeStep),
                     couplingImpedance, amplitude, hard),
        frequencyUnitFactor(powerOfTen(frequencyExponent)),
        frequency(centre * frequencyUnitFactor), angularFrequency(T(physconst::twoPi) * frequency),
        duration(duration), delayTime(delayNs * T(1e-9)), conditional(conditional)
  {
    const T end = std::ceil(T(this->startIteration) + T(2) * duration / (frequency * timeStep));
    endIteration = end < T(INT_MAX) ? static_cast<I>(end) : I(INT_MAX);
  }

  // Excitation at absolute time t (seconds), V/m.
  virtual T waveform(T t) const = 0;
  I extent() const override { return endIteration; }
  bool isActive(I n) const { return this->startIteration <= n && n < endIteration; }

  T frequencyUnitFactor; // 10^(3 k_f)
  T frequency;           // f (Hz)
  T angularFrequency;    // 2 pi f
  T duration;            // D (carrier periods)
  I endIteration = 0;    // first iteration after the active window
  // A delayed pulse is the same pulse, later: its envelope centre lies at
  // the undelayed centre plus this delay (s).
  T delayTime;
  bool conditional;      // "1dcp": the point is left to the grid outside the window

protected:
  // The hard rule shared by the sine, Gaussian and hyperbolic-secant sources.
  void applyHard(std::vector<T> &e, std::vector<T> &h, const GridClock &clock)
  {
    const I p = this->gridPoint;
    if (!conditional)
      e[p] = this->couplingImpedance * h[p + 1];
    if (isActive(clock.iteration)) {
      e[p] = this->couplingImpedance * h[p + 1];
      e[p] += waveform(clock.time);
    }
  }
};
