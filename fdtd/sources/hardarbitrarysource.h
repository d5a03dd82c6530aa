#pragma once
// Hard point source playing a recorded pulse (pulses::Sampled): sample s
// (already scaled by the amplitude) at iteration startIteration + s.

#include "fdtd/sources/source.h"
#include "pulses/pulses.h"

#include <utility>

template <typename I, typename T>
class HardArbitrarySource : public Source<I, T>
{
public:
  HardArbitrarySource(I gridPoint, I startIteration, T couplingImpedance, T amplitude,
                      std::vector<T> samples, bool conditional)
      : Source<I, T>(gridPoint, startIteration, couplingImpedance, amplitude, true),
        pulse(std::move(samples)), conditional(conditional)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, const GridClock &clock) override
  {
    const I p = this->gridPoint;
    if (!conditional)
      e[p] = this->couplingImpedance * h[p + 1];
    const long long s = static_cast<long long>(clock.iteration) - this->startIteration;
    if (pulse.covers(s)) {
      e[p] = this->couplingImpedance * h[p + 1];
      e[p] += pulse.at(s);
    }
  }
  void applyH(std::vector<T> &, std::vector<T> &, const GridClock &) override {}
  I extent() const override { return static_cast<I>(pulse.size()); }

  pulses::Sampled pulse; // amplitude times the file's values
  bool conditional;      // "1dcp": the point is left to the grid outside the pulse
};
