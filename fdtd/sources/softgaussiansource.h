#pragma once
// Plane-wave (soft) Gaussian source: matched E and H contributions at the
// grid point p and its two H neighbours, so that the pulse leaves in one
// direction. With x = t - tc (tc = D / (f + df) + delay):
//   E[p]     += gE cos(w (x + th)) exp(a x^2),
//   H[p + 1] += g(t + 2 th),  H[p] += g(t),  g = pulses::Gaussian of amplitude gH,
// a = (pi df)^2 (-2 / ln 2), th = dz sqrt(epsR muR) / (2 c) the half-cell delay,
// gE = cE' / eta A, gH = -cH' A / 2, eta = sqrt(mu0 muR / (eps0 epsR)).

#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class SoftGaussianSource : public CarrierWaveSource<I, T>
{
public:
  // bandwidth: "3dB" value in the carrier's frequency unit; epsilonR, muR:
  // the medium at the source point.
  SoftGaussianSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, T timeStep,
                     T duration, T centre, int frequencyExponent, bool conditional, T bandwidth,
                     T epsilonR, T muR, const GridConstants &grid)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, timeStep,
                                duration, centre, frequencyExponent, conditional, false)
  {
    const T cellMetres = grid.cellMetres();
    curlE = timeStep / (cellMetres * T(physconst::epsilon0) * epsilonR);
    curlH = timeStep / (cellMetres * T(physconst::mu0) * muR);
    this->bandwidth = bandwidth * this->frequencyUnitFactor;
    const T piBandwidth = T(physconst::pi) * this->bandwidth;
    envelopeRate = piBandwidth * piBandwidth * (T(-2) / std::log(T(2)));
    impedance = std::sqrt(T(physconst::mu0) * muR / (T(physconst::epsilon0) * epsilonR));
    halfCellDelay = cellMetres * std::sqrt(epsilonR * muR) / (T(2) * T(physconst::speedOfLight));
    gainE = curlE / impedance * amplitude;
    envelopeCentre = duration / (this->frequency + this->bandwidth) + this->delayTime;
    magnetic = pulses::Gaussian(T(-0.5) * curlH * amplitude, this->frequency, this->bandwidth,
                                envelopeCentre);
  }

  void applyE(std::vector<T> &e, std::vector<T> &, const GridClock &clock) override
  {
    if (this->isActive(clock.iteration))
      e[this->gridPoint] += waveform(clock.time);
  }

  void applyH(std::vector<T> &, std::vector<T> &h, const GridClock &clock) override
  {
    if (!this->isActive(clock.iteration))
      return;
    h[this->gridPoint + 1] += magnetic(clock.time + T(2) * halfCellDelay);
    h[this->gridPoint] += magnetic(clock.time);
  }

  T waveform(T t) const override
  {
    const T x = t - envelopeCentre;
    return gainE * std::cos(this->angularFrequency * (x + halfCellDelay)) *
           std::exp(envelopeRate * x * x);
  }

  T curlE = T(0);          // cE' = dt / (dz eps0 epsR)
  T curlH = T(0);          // cH' = dt / (dz mu0 muR)
  T bandwidth = T(0);      // df (Hz)
  T envelopeRate = T(0);   // a = (pi df)^2 (-2 / ln 2)
  T impedance = T(0);      // eta (ohm)
  T halfCellDelay = T(0);  // th (s)
  T gainE = T(0);          // gE
  T envelopeCentre = T(0); // tc
  pulses::Gaussian magnetic; // g
};
