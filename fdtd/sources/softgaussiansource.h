#pragma once
// Plane-wave (soft) Gaussian source: matched E and H contributions at the
// grid point p and its two H neighbours, so that the pulse leaves in one
// direction. With x = t - tc (tc = D / (f + df) + delay):
//   E[p]     += gE cos(w (x + th)) exp(a x^2),
//   H[p + 1] += g(x + 2 th),  H[p] += g(x),  g(y) = gH cos(w y) exp(a y^2),
// a = (pi df)^2 (-2 / ln 2), th = dz sqrt(epsR muR) / (2 c) the half-cell delay,
// gE = cE' / eta A, gH = -cH' A / 2, eta = sqrt(mu0 muR / (eps0 epsR)).

#include "fdtd/physicalconstants.h"
#include "fdtd/sources/carrierwavesource.h"

template <typename I, typename T>
class SoftGaussianSource : public CarrierWaveSource<I, T>
{
public:
  // bandwidth: "3dB" value in the carrier's frequency unit; epsilonR, muR:
  // the medium at the source point.
  SoftGaussianSource(I gridPoint, T delayNs, T couplingImpedance, T amplitude, T timeStep,
                     T duration, T centre, int frequencyExponent, bool conditional, T bandwidth,
                     T epsilonR, T muR, Simulator &simulator)
      : CarrierWaveSource<I, T>(gridPoint, delayNs, couplingImpedance, amplitude, timeStep,
                                duration, centre, frequencyExponent, conditional, false)
  {
    const T cellMetres = simulator.pointSpacing() * simulator.lengthScale();
    curlE = timeStep / (cellMetres * T(fdtdconst::epsilon0) * epsilonR);
    curlH = timeStep / (cellMetres * T(fdtdconst::mu0) * muR);
    this->bandwidth = bandwidth * this->frequencyUnitFactor;
    centreTime = duration / (this->frequency + this->bandwidth);
    exponentFactor = T(-2) / std::log(T(2));
    piBandwidth = T(fdtdconst::pi) * this->bandwidth;
    envelopeRate = piBandwidth * piBandwidth * exponentFactor;
    impedance = std::sqrt(T(fdtdconst::mu0) * muR / (T(fdtdconst::epsilon0) * epsilonR));
    halfCellDelay = cellMetres * std::sqrt(epsilonR * muR) / (T(2) * T(fdtdconst::speedOfLight));
    gainE = curlE / impedance * amplitude;
    gainH = T(-0.5) * curlH * amplitude;
    envelopeCentre = centreTime + this->delayTime;
  }

  void applyE(std::vector<T> &e, std::vector<T> &, Simulator &simulator) override
  {
    if (this->isActive(simulator.iteration))
      e[this->gridPoint] += waveform(simulator.currentTime());
  }

  void applyH(std::vector<T> &, std::vector<T> &h, Simulator &simulator) override
  {
    if (!this->isActive(simulator.iteration))
      return;
    const T x = simulator.currentTime() - envelopeCentre;
    h[this->gridPoint + 1] += magnetic(x + T(2) * halfCellDelay);
    h[this->gridPoint] += magnetic(x);
  }

  T waveform(T t) const override
  {
    const T x = t - envelopeCentre;
    return gainE * std::cos(this->angularFrequency * (x + halfCellDelay)) *
           std::exp(envelopeRate * x * x);
  }

  T curlE = T(0);           // cE' = dt / (dz eps0 epsR)
  T curlH = T(0);           // cH' = dt / (dz mu0 muR)
  T bandwidth = T(0);       // df (Hz)
  T centreTime = T(0);      // t0 = D / (f + df)
  T exponentFactor = T(0);  // -2 / ln 2
  T piBandwidth = T(0);     // pi df
  T envelopeRate = T(0);    // a = (pi df)^2 k
  T impedance = T(0);       // eta (ohm)
  T halfCellDelay = T(0);   // th (s)
  T gainE = T(0);           // gE
  T gainH = T(0);           // gH
  T envelopeCentre = T(0);  // t0 + delay

private:
  T magnetic(T y) const
  {
    return gainH * std::cos(this->angularFrequency * y) * std::exp(envelopeRate * y * y);
  }
};
