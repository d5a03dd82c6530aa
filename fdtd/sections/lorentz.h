#pragma once
// Dispersive dielectrics with one, two or three Lorentz poles (auxiliary
// differential equations, central differences). Pole k carries a current
// J_k and a polarisation Q_k per cell:
//   dJ/dt + gamma J = eps0 (w dEps) omega^2 dz (E - Q),   dQ/dt = J / (eps0 w dEps dz),
// discretised as
//   J <- b0 J + b1 (E - Q),  Q <- Q + c J,
//   b0 = (2 - gamma dt) / (2 + gamma dt),  b1 = 2 eps0 w dEps omega^2 dz dt / (2 + gamma dt),
//   c = dt / (dz w eps0 dEps).
// Per cell: E = Ca E + Cb (dH - J_1 - ... - J_P), then each pole in order
// with the new E.

#include "fdtd/sections/lossy.h"
#include "input/units.h"

#include <initializer_list>

template <typename T>
struct LorentzPole
{
  T memory = T(0);      // b0 = (2 - g dt) / (2 + g dt), g = 2 pi fu damping
  T drive = T(0);       // b1 = 2 eps0 w dEps omega^2 dz dt / (2 + g dt)
  T integration = T(0); // c
  MaterialDescription::Pole physics; // w dEps, g and f in hertz
  std::vector<T> current;      // J, one entry per cell of the section
  std::vector<T> polarisation; // Q

  // damping g and resonance f in units of frequencyUnit hertz; weight w;
  // deltaEpsilon = epsS - epsInf.
  void setUp(T timeStep, T cellMetres, T weight, T frequencyUnit, T damping, T resonance,
             T deltaEpsilon, std::size_t cells)
  {
    // The same central differences serve damped, undamped (g = 0) and
    // amplifying (g < 0) poles; the parser refuses a gain with 2 + gamma dt <= 0.
    const T eps0 = T(physconst::epsilon0);
    const T omega = T(physconst::twoPi) * frequencyUnit * resonance;
    const T gammaDt = T(physconst::twoPi) * frequencyUnit * damping * timeStep;
    memory = (T(2) - gammaDt) / (T(2) + gammaDt);
    drive = T(2) * eps0 * (weight * deltaEpsilon) * omega * omega * cellMetres * timeStep /
            (T(2) + gammaDt);
    physics.strength = weight * deltaEpsilon;
    physics.damping = frequencyUnit * damping;
    physics.resonance = frequencyUnit * resonance;
    // A pole without strength (epsS = epsInf or weight 0) keeps J = Q = 0.
    integration = (deltaEpsilon != T(0) && weight != T(0))
                      ? timeStep / (cellMetres * weight * eps0 * deltaEpsilon)
                      : T(0);
    current.assign(cells, T(0));
    polarisation.assign(cells, T(0));
  }
};

// The pole updates of one cell, with the coefficients and array pointers
// copied into the loop body.
template <typename I, typename T, int P>
struct PoleKernel
{
  T *current[P];
  T *polarisation[P];
  T memory[P];
  T drive[P];
  T integration[P];
  I offset; // grid index of the first array entry

  // dH - J_1 - ... - J_P
  T reduce(I i, T dH) const
  {
    const I j = i - offset;
    T d = dH;
    for (int k = 0; k < P; ++k)
      d -= current[k][j];
    return d;
  }
  // Advances every pole with the field e.
  void advance(I i, T e) const
  {
    const I j = i - offset;
    for (int k = 0; k < P; ++k) {
      current[k][j] = memory[k] * current[k][j] + drive[k] * (e - polarisation[k][j]);
      polarisation[k][j] = polarisation[k][j] + integration[k] * current[k][j];
    }
  }
};

template <typename Base>
class Lorentz1PoleMaterial : public LossyMaterial<Base>
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  // epsilonR is epsInf; damping g1 and resonance f1 in the frequency unit of
  // exponent frequencyExponent (10^frequencyExponent Hz).
  Lorentz1PoleMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR,
                       T muR, T sigma, T epsilonS, T damping1, T resonance1,
                       int frequencyExponent, T weight1 = T(1))
      : Base(placement, grid, epsilonR, muR),
        LossyMaterial<Base>(placement, grid, epsilonR, muR, sigma),
        staticPermittivity(epsilonS), frequencyUnit(powerOfTen(frequencyExponent)),
        auxiliaryOffset(auxiliaryStart<Base>(*this))
  {
    addPole(pole1, weight1, damping1, resonance1);
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override { updatePoles<1>(e, h, {&pole1}); }

  void describe(MaterialDescription &material) const override
  {
    LossyMaterial<Base>::describe(material);
    material.kind = QStringLiteral("Lorentz medium");
    material.poles.push_back(pole1.physics);
  }

  T staticPermittivity; // epsS
  T frequencyUnit;      // fu = 10^frequencyExponent
  I auxiliaryOffset;    // grid index of entry 0 of the pole arrays
  LorentzPole<T> pole1;

protected:
  void addPole(LorentzPole<T> &pole, T weight, T damping, T resonance)
  {
    pole.setUp(this->timeStep, this->cellMetres, weight, frequencyUnit, damping, resonance,
               staticPermittivity - this->epsilonR, auxiliarySize<Base>(*this));
  }

  template <int P>
  PoleKernel<I, T, P> kernel(std::initializer_list<LorentzPole<T> *> poles)
  {
    PoleKernel<I, T, P> k{};
    int n = 0;
    for (LorentzPole<T> *p : poles) {
      k.current[n] = p->current.data();
      k.polarisation[n] = p->polarisation.data();
      k.memory[n] = p->memory;
      k.drive[n] = p->drive;
      k.integration[n] = p->integration;
      ++n;
    }
    k.offset = auxiliaryOffset;
    return k;
  }

  template <int P>
  void updatePoles(std::vector<T> &e, std::vector<T> &h,
                   std::initializer_list<LorentzPole<T> *> poles)
  {
    T *E = e.data();
    const T *H = h.data();
    const T ca = this->decay;
    const T cb = this->gain;
    const PoleKernel<I, T, P> k = kernel<P>(poles);
    const auto cell = [=](I i, T dH) {
      const T en = ca * E[i] + cb * k.reduce(i, dH);
      E[i] = en;
      k.advance(i, en);
    };
    if (this->closesRing())
      cell(0, H[1] - H[this->hEnd]);
    forEachCell<I>(this->eStart, this->eEnd, I(parallelcells::dispersive), [=](I i) { cell(i, H[i + 1] - H[i]); });
  }
};

template <typename Base>
class Lorentz2PoleMaterial : public Lorentz1PoleMaterial<Base>
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  Lorentz2PoleMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR,
                       T muR, T sigma, T epsilonS, T damping1, T resonance1, T weight1,
                       T damping2, T resonance2, T weight2, int frequencyExponent)
      : Base(placement, grid, epsilonR, muR),
        Lorentz1PoleMaterial<Base>(placement, grid, epsilonR, muR, sigma, epsilonS, damping1,
                                   resonance1, frequencyExponent, weight1)
  {
    this->addPole(pole2, weight2, damping2, resonance2);
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    this->template updatePoles<2>(e, h, {&this->pole1, &pole2});
  }

  void describe(MaterialDescription &material) const override
  {
    Lorentz1PoleMaterial<Base>::describe(material);
    material.poles.push_back(pole2.physics);
  }

  LorentzPole<T> pole2;
};

template <typename Base>
class Lorentz3PoleMaterial : public Lorentz2PoleMaterial<Base>
{
public:
  using I = typename Base::IndexType;
  using T = typename Base::ValueType;

  Lorentz3PoleMaterial(const SectionPlacement<I, T> &placement, const GridConstants &grid, T epsilonR,
                       T muR, T sigma, T epsilonS, T damping1, T resonance1, T weight1,
                       T damping2, T resonance2, T weight2, T damping3, T resonance3, T weight3,
                       int frequencyExponent)
      : Base(placement, grid, epsilonR, muR),
        Lorentz2PoleMaterial<Base>(placement, grid, epsilonR, muR, sigma, epsilonS, damping1,
                                   resonance1, weight1, damping2, resonance2, weight2,
                                   frequencyExponent)
  {
    this->addPole(pole3, weight3, damping3, resonance3);
  }

  void updateE(std::vector<T> &e, std::vector<T> &h) override
  {
    this->template updatePoles<3>(e, h, {&this->pole1, &this->pole2, &pole3});
  }

  void describe(MaterialDescription &material) const override
  {
    Lorentz2PoleMaterial<Base>::describe(material);
    material.poles.push_back(pole3.physics);
  }

  LorentzPole<T> pole3;
};

template <typename I, typename T>
using Lorentz1PoleAmplitude = Lorentz1PoleMaterial<Dielectric<I, T>>;
template <typename I, typename T>
using PLorentz1PoleAmplitude = Lorentz1PoleMaterial<PDielectric<I, T>>;
template <typename I, typename T>
using CPLorentz1PoleAmplitude = Lorentz1PoleMaterial<CPDielectric<I, T>>;
template <typename I, typename T>
using Lorentz2PoleAmplitude = Lorentz2PoleMaterial<Dielectric<I, T>>;
template <typename I, typename T>
using PLorentz2PoleAmplitude = Lorentz2PoleMaterial<PDielectric<I, T>>;
template <typename I, typename T>
using CPLorentz2PoleAmplitude = Lorentz2PoleMaterial<CPDielectric<I, T>>;
template <typename I, typename T>
using Lorentz3PoleAmplitude = Lorentz3PoleMaterial<Dielectric<I, T>>;
template <typename I, typename T>
using PLorentz3PoleAmplitude = Lorentz3PoleMaterial<PDielectric<I, T>>;
template <typename I, typename T>
using CPLorentz3PoleAmplitude = Lorentz3PoleMaterial<CPDielectric<I, T>>;
