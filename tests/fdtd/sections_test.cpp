// Exact update equations of every material in the three grid treatments, on
// a grid of six points, against one step worked out here from the
// discretised equations (H, then E with its pole currents and Raman state).

#include "fdtdtestsupport.h"

#include "fdtd/sections/kerrraman.h"
#include "fdtd/sections/lorentz.h"
#include "fdtd/sections/lossless.h"
#include "fdtd/sections/lossy.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace fdtdtest;

namespace {

constexpr double dt = 2e-17, dz = 10.0, scale = 1e-9, dzm = dz * scale;
constexpr int N = 6; // E[0..5], H[0..6]
const GridConstants grid{dt, dz, scale};
enum Medium { Diel, LDiel, Lor1, Lor2, Lor3, Ker1, Lor1Ker1, Lor3Ker1, MediumCount };
const double er = 2.25, es = 5.0, sigma = 2e4, chi3Strong = 0.02, chi3Weak = 1e-6;

struct Pole
{
  double b0, b1, c;
};
// Pole coefficients from omega and gamma (unit 1e12 Hz).
Pole pole(double weight, double g, double f0)
{
  const double gamma = 2 * pi * 1e12 * g, omega = 2 * pi * 1e12 * f0, dEps = es - er;
  return {(2 - gamma * dt) / (2 + gamma * dt),
          2 * eps0 * weight * dEps * omega * omega * dzm * dt / (2 + gamma * dt),
          dt / (dzm * weight * eps0 * dEps)};
}

struct Built
{
  std::unique_ptr<MeshSection<int, double>> section;
  std::vector<LorentzPole<double> *> poles;
  std::vector<double> *ramanStep = nullptr, *ramanSusceptibility = nullptr;
  double muR = 1.0, sigma = 0.0, chi3 = 0.0;
  std::vector<Pole> coefficients;
  bool polesFirst = false; // poles advance with the old E before the Kerr update
};

template <typename B>
Built build(int medium, const SectionPlacement<int, double> &at)
{
  Built r;
  const auto kerr = [&r](auto *s, double chi3) {
    r.ramanStep = &s->ramanStep;
    r.ramanSusceptibility = &s->ramanSusceptibility;
    r.chi3 = chi3;
  };
  const std::vector<Pole> three = {pole(0.5, 10, 300), pole(0.3, 20, 200), pole(0.2, 5, 100)};
  const auto lorentz = [&r](MeshSection<int, double> *s, std::vector<LorentzPole<double> *> p,
                            std::vector<Pole> c) {
    r.section.reset(s);
    r.poles = p;
    r.coefficients = c;
  };
  if (medium == Diel) {
    r.muR = 1.5;
    r.section.reset(new LosslessMaterial<B>(at, grid, er, 1.5));
  } else if (medium == LDiel) {
    r.sigma = 3e4;
    r.section.reset(new LossyMaterial<B>(at, grid, er, 1.0, 3e4));
  } else if (medium == Lor1) {
    auto *s = new Lorentz1PoleMaterial<B>(at, grid, er, 1.0, sigma, es, 10, 300, 12);
    lorentz(s, {&s->pole1}, {pole(1.0, 10, 300)});
  } else if (medium == Lor2) {
    auto *s = new Lorentz2PoleMaterial<B>(at, grid, er, 1.0, sigma, es, 10, 300, 0.5, 20, 200,
                                          0.3, 12);
    lorentz(s, {&s->pole1, &s->pole2}, {three[0], three[1]});
  } else if (medium == Lor3) {
    auto *s = new Lorentz3PoleMaterial<B>(at, grid, er, 1.0, sigma, es, 10, 300, 0.5, 20, 200,
                                          0.3, 5, 100, 0.2, 12);
    lorentz(s, {&s->pole1, &s->pole2, &s->pole3}, three);
  } else if (medium == Ker1) {
    auto *s = new KerrRamanMaterial<B>(at, grid, er, 1.0, chi3Strong, 12.2, 32, 0.7, 0.01);
    r.section.reset(s);
    kerr(s, chi3Strong);
  } else if (medium == Lor1Ker1) {
    auto *s = new Lorentz1PoleKerrRamanMaterial<B>(at, grid, er, 1.0, 0.0, es, 10, 300, chi3Weak,
                                                   12.2, 32, 0.7, 0.01, 12);
    lorentz(s, {&s->pole1}, {pole(1.0, 10, 300)});
    kerr(s, chi3Weak);
  } else {
    auto *s = new Lorentz3PoleKerrRamanMaterial<B>(at, grid, er, 1.0, 0.0, es, 10, 300, 0.5, 20,
                                                   200, 0.3, 5, 100, 0.2, chi3Weak, 12.2, 32,
                                                   0.7, 0.01, 12);
    lorentz(s, {&s->pole1, &s->pole2, &s->pole3}, three);
    kerr(s, chi3Weak);
    r.polesFirst = !B::ringFormulation;
  }
  if (medium >= Lor1 && medium <= Lor3)
    r.sigma = sigma;
  return r;
}

// Kerr and Raman: the Raman state advances with the old E; weak cells take
// the linearised update, strong ones solve the cubic (returns NaN: checked
// through its residual instead).
double kerrCell(double chi3, double e, double d, double &G, double &S, double &sOld)
{
  const double dtFs = dt * 1e15, t1 = 12.2, t2 = 32, alpha = 0.7;
  const double aR = (t2 - dtFs) / (t2 + dtFs);
  const double bR = ((t2 * t2 + t1 * t1) * dtFs * dtFs / (t1 * t1 * t2 * t2)) / (dtFs / t2 + 1);
  const double kR = (1 - alpha) * chi3 / er, kK = chi3 * 3 * alpha / er, e2 = e * e;
  const double cE = dt / (dzm * eps0 * er);
  sOld = S;
  G = aR * G - bR * (sOld - e2 * kR);
  S = sOld + G;
  if (!(e2 < 0.01 / kK))
    return NAN;
  return ((e2 * kK + (sOld + 1)) * e + d * cE) / (e2 * kK + S + 1);
}

double cubicResidual(double chi3, double x, double e, double d, double sOld, double sNew)
{
  const double q = chi3 * 3 * 0.7 / er / 4, cE = dt / (dzm * eps0 * er);
  const double r = (1 + sNew) * x - (1 + sOld) * e + q * (x + e) * (x + e) * (x - e) - cE * d;
  return std::fabs(r) / (std::fabs(cE * d) + std::fabs((1 + sOld) * e));
}

} // namespace

// Formulations: 0 "1d" (walls untouched), 1 "1dp" (ring), 2 "1dcp" (open
// until H[hEnd - 3] turns positive: here in this very step, so E[0] is
// updated but H[hEnd] not yet).
TEST(Sections, OneStepOfEveryMaterialInEveryFormulation)
{
  for (int formulation = 0; formulation < 3; ++formulation) {
    for (int medium = 0; medium < MediumCount; ++medium) {
      if (medium == Lor1Ker1 && formulation != 0)
        continue; // exists for the plain grid only
      SectionPlacement<int, double> at;
      at.eEnd = N - 1;
      at.hEnd = formulation == 0 ? N - 1 : N;
      Built b = formulation == 0   ? build<Dielectric<int, double>>(medium, at)
                : formulation == 1 ? build<PDielectric<int, double>>(medium, at)
                                   : build<CPDielectric<int, double>>(medium, at);
      SCOPED_TRACE(testing::Message() << "medium " << medium << ", formulation " << formulation);
      std::vector<double> e{0.31, -0.72, 0.55, 1.2, -0.4, 0.9};
      std::vector<double> h{0.0011, -0.0023, 0.0031, 0.0007, -0.0017, 0.0026, -0.0009};
      const std::size_t cells = formulation == 0 ? 5 : 6;
      const int offset = formulation == 0 ? 1 : 0;
      for (std::size_t k = 0; k < b.poles.size(); ++k) {
        ASSERT_EQ(b.poles[k]->current.size(), cells);
        for (std::size_t j = 0; j < cells; ++j) {
          b.poles[k]->current[j] = 0.1 * (k + 1) * 1e3 * (1.0 + 0.3 * j);
          b.poles[k]->polarisation[j] = 0.1 * (k + 1) * (0.2 - 0.05 * j);
        }
      }
      if (b.ramanStep)
        for (std::size_t j = 0; j < cells; ++j) {
          (*b.ramanStep)[j] = 1e-4 * (j + 1);
          (*b.ramanSusceptibility)[j] = 2e-3 * (j + 1);
        }

      // The expected step.
      std::vector<double> we = e, wh = h;
      std::vector<std::vector<double>> J, Q;
      for (auto *p : b.poles) {
        J.push_back(p->current);
        Q.push_back(p->polarisation);
      }
      std::vector<double> G = b.ramanStep ? *b.ramanStep : std::vector<double>();
      std::vector<double> S = b.ramanStep ? *b.ramanSusceptibility : std::vector<double>();
      const double cH = dt / (dzm * mu0 * b.muR), cE = dt / (dzm * eps0 * er);
      for (int i = 1; i <= 5; ++i)
        wh[i] += (e[i] - e[i - 1]) * cH;
      if (formulation == 1)
        wh[6] += (e[0] - e[5]) * cH;
      const double a = dt * 0.5 * b.sigma / (eps0 * er), ca = (1 - a) / (1 + a), cb = cE / (1 + a);
      const auto advance = [&](int j, double field) {
        for (std::size_t k = 0; k < J.size(); ++k) {
          const Pole &p = b.coefficients[k];
          J[k][j] = p.b0 * J[k][j] + p.b1 * (field - Q[k][j]);
          Q[k][j] += p.c * J[k][j];
        }
      };
      std::vector<double> dAt(N), sOld(N);
      for (int i = formulation == 0 ? 1 : 0; i <= 5; ++i) {
        const int j = i - offset;
        if (b.polesFirst)
          advance(j, e[i]);
        double d = i == 0 ? wh[1] - wh[6] : wh[i + 1] - wh[i];
        for (const auto &current : J)
          d -= current[j];
        dAt[i] = d;
        we[i] = b.ramanStep ? kerrCell(b.chi3, e[i], d, G[j], S[j], sOld[i]) : ca * e[i] + cb * d;
        if (!b.polesFirst)
          advance(j, we[i]);
      }

      const std::vector<double> e0 = e;
      b.section->updateH(e, h);
      b.section->updateE(e, h);
      for (int i = 0; i <= N; ++i)
        EXPECT_NEAR(h[i], wh[i], 1e-13 * (1 + std::fabs(wh[i]))) << "H[" << i << "]";
      int strong = 0;
      for (int i = 0; i < N; ++i) {
        if (std::isnan(we[i])) {
          ++strong;
          EXPECT_LT(cubicResidual(b.chi3, e[i], e0[i], dAt[i], sOld[i], S[i - offset]), 1e-12)
              << "strong cell " << i;
        } else {
          EXPECT_NEAR(e[i], we[i], 1e-13 * (1 + std::fabs(we[i]))) << "E[" << i << "]";
        }
      }
      if (medium == Ker1) {
        EXPECT_GE(strong, 2);
      }
      for (std::size_t k = 0; k < J.size(); ++k)
        for (std::size_t j = 0; j < cells; ++j) {
          EXPECT_NEAR(b.poles[k]->current[j], J[k][j], 1e-13 * (1 + std::fabs(J[k][j])));
          EXPECT_NEAR(b.poles[k]->polarisation[j], Q[k][j], 1e-13 * (1 + std::fabs(Q[k][j])));
        }
      for (std::size_t j = 0; j < G.size(); ++j) {
        EXPECT_NEAR((*b.ramanStep)[j], G[j], 1e-15);
        EXPECT_NEAR((*b.ramanSusceptibility)[j], S[j], 1e-15);
      }
      // The rings ("1dcp" closed in this step) update H[hEnd] across the ring in the next step.
      const double closing = h[6] + (e[0] - e[5]) * cH;
      b.section->updateH(e, h);
      EXPECT_TRUE(formulation == 0 || std::fabs(h[6] - closing) < 1e-13 * (1 + std::fabs(closing))) << h[6];
    }
  }
}

// With no curl and no Raman part, a field in a Kerr medium stays as it is,
// also where the cubic has three real roots (self-defocusing, |kK| E^2 of 6
// and of 0.5: the field is the largest, the smallest and the middle root).
TEST(Sections, StrongKerrFieldWithoutCurlKeepsItsValue)
{
  SectionPlacement<int, double> at;
  at.eEnd = at.hEnd = N - 1;
  KerrRamanMaterial<Dielectric<int, double>> s(at, grid, er, 1.0, -0.02, 12.2, 32, 1.0, 1e-4);
  const double big = std::sqrt(6 / (0.06 / er)), small = std::sqrt(0.5 / (0.06 / er));
  std::vector<double> e{0.0, big, -big, small, -small, 0.0}, h(N + 1, 0.25);
  const std::vector<double> before = e;
  s.updateE(e, h);
  for (int i = 1; i < N - 1; ++i)
    EXPECT_NEAR(e[i], before[i], 1e-12 * std::fabs(before[i])) << i;
}
