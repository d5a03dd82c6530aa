#pragma once
// Pulse waveforms shared by both engines: the excitation as a function of
// absolute time t (seconds), in V/m. The grid engine adds placement and
// injection (fdtd/sources); the spectral engine samples them on its window.
// Coefficients are precomputed by the constructors; evaluation only
// multiplies, adds and calls one or two transcendental functions.

#include "input/physicalconstants.h"

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace pulses {

// Gaussian envelope on a cosine carrier:
//   f(t) = A cos(w (t - tc)) exp(k (pi df (t - tc))^2),  k = -2 / ln 2,
// so that the power spectrum falls to one half at df from the carrier.
class Gaussian
{
public:
  Gaussian() = default;
  // frequency f and bandwidth df in Hz, centre tc in seconds.
  Gaussian(double amplitude, double frequency, double bandwidth, double centre)
      : amplitude_(amplitude), angularFrequency_(physconst::twoPi * frequency),
        piBandwidth_(physconst::pi * bandwidth), centre_(centre)
  {
  }
  double operator()(double t) const
  {
    const double s = t - centre_;
    const double x = piBandwidth_ * s;
    return amplitude_ * std::cos(angularFrequency_ * s) * std::exp(exponentFactor * x * x);
  }
  double centre() const { return centre_; }

private:
  static constexpr double exponentFactor = -2.8853900817779268; // -2 / ln 2
  double amplitude_ = 0.0;
  double angularFrequency_ = 0.0;
  double piBandwidth_ = 0.0;
  double centre_ = 0.0;
};

// Hyperbolic-secant envelope on a sine carrier ("sech": power 1, "sech2": 2):
//   f(t) = A sin(w (t - tc)) sech((t - tc) / tau)^power.
class HyperbolicSecant
{
public:
  HyperbolicSecant() = default;
  // frequency in Hz, tau and centre in seconds.
  HyperbolicSecant(double amplitude, double frequency, double tau, double centre, int power)
      : amplitude_(amplitude), angularFrequency_(physconst::twoPi * frequency),
        inverseTau_(1.0 / tau), centre_(centre), power_(power)
  {
  }
  double operator()(double t) const
  {
    const double s = t - centre_;
    const double sech = 1.0 / std::cosh(s * inverseTau_); // cosh overflow gives 0, not NaN
    const double envelope = power_ == 2 ? sech * sech : sech;
    return amplitude_ * std::sin(angularFrequency_ * s) * envelope;
  }
  double centre() const { return centre_; }

private:
  double amplitude_ = 0.0;
  double angularFrequency_ = 0.0;
  double inverseTau_ = 0.0;
  double centre_ = 0.0;
  int power_ = 1;
};

// A sine carrier in absolute time: f(t) = A sin(w t).
class Sine
{
public:
  Sine() = default;
  Sine(double amplitude, double frequency)
      : amplitude_(amplitude), angularFrequency_(physconst::twoPi * frequency)
  {
  }
  double operator()(double t) const { return amplitude_ * std::sin(angularFrequency_ * t); }

private:
  double amplitude_ = 0.0;
  double angularFrequency_ = 0.0;
};

// A recorded pulse: sample s (already scaled by the amplitude) is played at
// step s after the start; outside the record the pulse is 0.
class Sampled
{
public:
  Sampled() = default;
  explicit Sampled(std::vector<double> samples) : samples_(std::move(samples)) {}
  bool covers(long long step) const
  {
    return step >= 0 && step < static_cast<long long>(samples_.size());
  }
  double at(long long step) const { return covers(step) ? samples_[static_cast<std::size_t>(step)] : 0.0; }
  std::size_t size() const { return samples_.size(); }
  const std::vector<double> &samples() const { return samples_; }

private:
  std::vector<double> samples_;
};

} // namespace pulses
