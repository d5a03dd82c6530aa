#pragma once
// Hard point source playing a recorded pulse: sample s (already scaled by the
// amplitude) at iteration startIteration + s.

#include "fdtd/sources/source.h"

#include <utility>

template <typename I, typename T>
class HardArbitrarySource : public Source<I, T>
{
public:
  HardArbitrarySource(I gridPoint, I startIteration, T couplingImpedance, T amplitude,
                      std::vector<T> samples, bool conditional)
      : Source<I, T>(gridPoint, startIteration, couplingImpedance, amplitude, true),
        samples(std::move(samples)), conditional(conditional)
  {
  }

  void applyE(std::vector<T> &e, std::vector<T> &h, Simulator &simulator) override
  {
    const I p = this->gridPoint;
    if (!conditional)
      e[p] = this->couplingImpedance * h[p + 1];
    const long long s = static_cast<long long>(simulator.iteration) - this->startIteration;
    lastSample = s;
    if (s >= 0 && s < static_cast<long long>(samples.size())) {
      e[p] = this->couplingImpedance * h[p + 1];
      e[p] += samples[static_cast<std::size_t>(s)];
    }
  }
  void applyH(std::vector<T> &, std::vector<T> &, Simulator &) override {}
  I extent() const override { return static_cast<I>(samples.size()); }

  std::vector<T> samples;     // amplitude times the file's values
  bool conditional;           // "1dcp": the point is left to the grid outside the pulse
  long long lastSample = -1;  // sample number of the last applyE
};
