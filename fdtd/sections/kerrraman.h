#pragma once
// Third-order nonlinearity: an instantaneous Kerr part (fraction alpha) and a
// delayed Raman part (1 - alpha) modelled as one damped oscillator.
//
// Normalised displacement (1 + S) E + (kK / 3) E^3, with the Raman
// susceptibility S following (time in femtoseconds)
//   S'' + (2 / tau2) S' + (1/tau1^2 + 1/tau2^2) S = (1/tau1^2 + 1/tau2^2) kR E^2,
// central differences with G the change of S over one step. E is implicit:
// for weak fields (|kK| E^2 below theta) the equation is linearised around the
// previous field; otherwise the cubic
//   (1 + S) x - (1 + S_old) e + q (x + e)^2 (x - e) = cE dH,   q = kK / 4,
// is solved exactly and the root nearest the previous field e is taken.
//
// The combined classes add Lorentz poles: the currents enter as dH - sum J.

#include "fdtd/sections/cubic.h"
#include "fdtd/sections/lorentz.h"

// Per-cell Kerr/Raman update with coefficients and arrays copied into the loop.
template <typename I, typename T>
struct KerrKernel
{
  T ramanMemory;
  T ramanDrive;
  T ramanStrength;
  T kerrStrength;
  T kerrQuarter;
  T linearLimit;
  T cubicCurl;
  T curlE;
  T *ramanStep;
  T *ramanSusceptibility;
  I offset;

  // New E of cell i from the previous value e and the curl term d.
  T update(I i, T e, T d) const
  {
    const I j = i - offset;
    const T e2 = e * e;
    const T sOld = ramanSusceptibility[j];
    const T g = ramanMemory * ramanStep[j] - ramanDrive * (sOld - e2 * ramanStrength);
    ramanStep[j] = g;
    const T sNew = sOld + g;
    ramanSusceptibility[j] = sNew;
    if (e2 < linearLimit) {
      const T x = (e2 * kerrStrength + (sOld + T(1))) * e + d * curlE;
      return x / (e2 * kerrStrength + sNew + T(1));
    }
    return strongField(e, e2, d, sOld, sNew);
  }

  T strongField(T e, T e2, T d, T sOld, T sNew) const
  {
    const CubicRoots roots =
        solveCubic(e, (sNew + T(1)) / kerrQuarter - e2,
                   d * cubicCurl - e2 * e - e * (sOld + T(1)) / kerrQuarter);
    return nearestRoot(roots, e);
  }
};

template <typename Base>
class KerrRamanMaterial : public virtual Base
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  static constexpr I parallelCells = parallelcells::dispersive;

  // chi3: third-order coefficient; tau1, tau2: Raman oscillation and damping
  // times (fs); alpha: instantaneous (Kerr) fraction; theta: linearisation
  // threshold on |kK| E^2.
  KerrRamanMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR,
                    T muR, T chi3, T tau1, T tau2, T alpha, T theta)
      : Base(placement, grid, epsilonR, muR), ramanTime1(tau1), ramanTime2(tau2),
        instantaneousFraction(alpha), threshold(theta), cubicSusceptibility(chi3)
  {
    const T dtFs = this->timeStep * T(1e15);
    ramanMemory = (tau2 - dtFs) / (tau2 + dtFs);
    ramanDrive = ((tau2 * tau2 + tau1 * tau1) * dtFs * dtFs / (tau1 * tau1 * tau2 * tau2)) /
                 (dtFs / tau2 + T(1));
    ramanStrength = (T(1) - alpha) * chi3 / this->epsilonR;
    kerrStrength = chi3 * T(3) * alpha / this->epsilonR;
    kerrQuarter = kerrStrength * T(0.25);
    // A self-defocusing medium (chi3 < 0) is linearised on |kK| E^2 as well.
    linearLimit = kerrStrength != T(0) ? theta / std::fabs(kerrStrength)
                                       : std::numeric_limits<T>::infinity();
    cubicCurl = kerrQuarter != T(0) ? -this->curlE / kerrQuarter : T(0);
    ramanOffset = auxiliaryStart<Base>(*this);
    ramanStep.assign(auxiliarySize<Base>(*this), T(0));
    ramanSusceptibility.assign(auxiliarySize<Base>(*this), T(0));
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    T *E = e.data();
    const T *H = h.data();
    const KerrKernel<I, T> k = kerrKernel();
    const auto cell = [=](I i, T dH) { E[i] = k.update(i, E[i], dH); };
    if (this->closesRing())
      cell(0, H[1] - H[this->hEnd]);
    forEachCellScalar<I>(this->eStart, this->eEnd, parallelCells,
                         [=](I i) { cell(i, H[i + 1] - H[i]); });
  }

  T ramanTime1;            // tau1 (fs)
  T ramanTime2;            // tau2 (fs)
  T instantaneousFraction; // alpha
  T threshold;             // theta
  T cubicSusceptibility;   // chi3
  T linearLimit = T(0);    // theta / |kK|, a limit on E^2
  T ramanMemory = T(0);    // (tau2 - dt) / (tau2 + dt)
  T ramanDrive = T(0);     // ((tau1^2 + tau2^2) dt^2 / (tau1^2 tau2^2)) / (dt / tau2 + 1)
  T ramanStrength = T(0);  // kR = (1 - alpha) chi3 / epsR
  T kerrStrength = T(0);   // kK = 3 alpha chi3 / epsR
  T kerrQuarter = T(0);    // q = kK / 4
  T cubicCurl = T(0);      // -cE / q
  I ramanOffset = 0;       // grid index of entry 0 of G and S
  std::vector<T> ramanStep;           // G
  std::vector<T> ramanSusceptibility; // S

  void describe(MaterialDescription &material) const override
  {
    Base::describe(material);
    material.kind = QStringLiteral("Kerr and Raman medium");
    describeKerr(material);
  }

protected:
  void describeKerr(MaterialDescription &material) const
  {
    material.kerr = true;
    material.chi3 = cubicSusceptibility;
    material.ramanTime1 = ramanTime1;
    material.ramanTime2 = ramanTime2;
    material.kerrFraction = instantaneousFraction;
  }

  KerrKernel<I, T> kerrKernel()
  {
    return KerrKernel<I, T>{ramanMemory,       ramanDrive,       ramanStrength,
                            kerrStrength,      kerrQuarter,      linearLimit,
                            cubicCurl,         this->curlE,      ramanStep.data(),
                            ramanSusceptibility.data(), ramanOffset};
  }
};

// One Lorentz pole with Kerr and Raman (plain formulation only): the Kerr
// update with dH - J_1, then the pole with the new E.
template <typename Base>
class Lorentz1PoleKerrRamanMaterial : public KerrRamanMaterial<Base>,
                                      public Lorentz1PoleMaterial<Base>
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  Lorentz1PoleKerrRamanMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid,
                                T epsilonR, T muR, T sigma, T epsilonS, T damping1,
                                T resonance1, T chi3, T tau1, T tau2, T alpha, T theta,
                                int frequencyExponent)
      : Base(placement, grid, epsilonR, muR),
        KerrRamanMaterial<Base>(placement, grid, epsilonR, muR, chi3, tau1, tau2, alpha,
                                theta),
        Lorentz1PoleMaterial<Base>(placement, grid, epsilonR, muR, sigma, epsilonS, damping1,
                                   resonance1, frequencyExponent)
  {
  }

  void describe(MaterialDescription &material) const override
  {
    Lorentz1PoleMaterial<Base>::describe(material);
    material.kind = QStringLiteral("Lorentz medium with Kerr and Raman");
    this->describeKerr(material);
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    T *E = e.data();
    const T *H = h.data();
    const KerrKernel<I, T> k = this->kerrKernel();
    const PoleKernel<I, T, 1> poles = this->template kernel<1>({&this->pole1});
    const auto cell = [=](I i, T dH) {
      const T en = k.update(i, E[i], poles.reduce(i, dH));
      E[i] = en;
      poles.advance(i, en);
    };
    // Built on the plain grid only (the reader refuses it on rings): no cell closes a ring.
    forEachCellScalar<I>(this->eStart, this->eEnd, KerrRamanMaterial<Base>::parallelCells,
                         [=](I i) { cell(i, H[i + 1] - H[i]); });
  }
};

// Three Lorentz poles with Kerr and Raman. The ring formulations update Kerr
// first (with the previous pole currents) and then the poles with the new E;
// the plain formulation advances the poles with the previous E first and
// uses the new currents in the Kerr update.
template <typename Base>
class Lorentz3PoleKerrRamanMaterial : public KerrRamanMaterial<Base>,
                                      public Lorentz3PoleMaterial<Base>
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  Lorentz3PoleKerrRamanMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid,
                                T epsilonR, T muR, T sigma, T epsilonS, T damping1,
                                T resonance1, T weight1, T damping2, T resonance2, T weight2,
                                T damping3, T resonance3, T weight3, T chi3, T tau1, T tau2,
                                T alpha, T theta, int frequencyExponent)
      : Base(placement, grid, epsilonR, muR),
        KerrRamanMaterial<Base>(placement, grid, epsilonR, muR, chi3, tau1, tau2, alpha,
                                theta),
        Lorentz3PoleMaterial<Base>(placement, grid, epsilonR, muR, sigma, epsilonS,
                                   damping1, resonance1, weight1, damping2, resonance2, weight2,
                                   damping3, resonance3, weight3, frequencyExponent)
  {
  }

  void describe(MaterialDescription &material) const override
  {
    Lorentz3PoleMaterial<Base>::describe(material);
    material.kind = QStringLiteral("Lorentz medium with Kerr and Raman");
    this->describeKerr(material);
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    T *E = e.data();
    const T *H = h.data();
    const KerrKernel<I, T> k = this->kerrKernel();
    const PoleKernel<I, T, 3> poles =
        this->template kernel<3>({&this->pole1, &this->pole2, &this->pole3});
    const auto cell = [=](I i, T dH) {
      if constexpr (Base::ringFormulation) {
        const T en = k.update(i, E[i], poles.reduce(i, dH));
        E[i] = en;
        poles.advance(i, en);
      } else {
        const T e0 = E[i];
        poles.advance(i, e0);
        E[i] = k.update(i, e0, poles.reduce(i, dH));
      }
    };
    if (this->closesRing())
      cell(0, H[1] - H[this->hEnd]);
    forEachCellScalar<I>(this->eStart, this->eEnd, KerrRamanMaterial<Base>::parallelCells,
                         [=](I i) { cell(i, H[i + 1] - H[i]); });
  }
};

template <typename I, typename T> using KerrRaman1Pole = KerrRamanMaterial<Dielectric<I, T>>;
template <typename I, typename T> using PKerrRaman1Pole = KerrRamanMaterial<PDielectric<I, T>>;
template <typename I, typename T> using CPKerrRaman1Pole = KerrRamanMaterial<CPDielectric<I, T>>;
template <typename I, typename T>
using Lorentz1PoleAmplitudeKerrRaman1Pole = Lorentz1PoleKerrRamanMaterial<Dielectric<I, T>>;
template <typename I, typename T>
using Lorentz3PoleAmplitudeKerrRaman1Pole = Lorentz3PoleKerrRamanMaterial<Dielectric<I, T>>;
template <typename I, typename T>
using PLorentz3PoleAmplitudeKerrRaman1Pole = Lorentz3PoleKerrRamanMaterial<PDielectric<I, T>>;
template <typename I, typename T>
using CPLorentz3PoleAmplitudeKerrRaman1Pole = Lorentz3PoleKerrRamanMaterial<CPDielectric<I, T>>;
