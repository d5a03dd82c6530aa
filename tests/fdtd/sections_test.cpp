// Exact update equations of every material in the three grid treatments,
// on grids of six points, against values worked out here from the
// discretised equations.

#include "fdtdtestsupport.h"

#include "fdtd/sections/kerrraman.h"
#include "fdtd/sections/lorentz.h"
#include "fdtd/sections/lossless.h"
#include "fdtd/sections/lossy.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace fdtdtest;

namespace {

constexpr double dt = 2e-17;
constexpr double dz = 10.0;     // nm
constexpr double scale = 1e-9;
constexpr double dzm = dz * scale;
constexpr int N = 6;            // E[0..5], H[0..6]

SectionPlacement<int, double> plainPlacement()
{
  SectionPlacement<int, double> p;
  p.eStart = 1;
  p.hStart = 1;
  p.eEnd = N - 1;
  p.hEnd = N - 1;
  return p;
}

SectionPlacement<int, double> ringPlacement()
{
  SectionPlacement<int, double> p;
  p.eStart = 1;
  p.hStart = 1;
  p.eEnd = N - 1;
  p.hEnd = N;
  return p;
}

struct Fields
{
  std::vector<double> e{0.31, -0.72, 0.55, 1.2, -0.4, 0.9};
  std::vector<double> h{0.0011, -0.0023, 0.0031, 0.0007, -0.0017, 0.0026, -0.0009};
};

double curlE(double er) { return dt / (dz * (scale * eps0 * er)); }
double curlH(double mr) { return dt / (dz * (scale * mu0 * mr)); }

void expectFields(const std::vector<double> &got, const std::vector<double> &want,
                  const char *what)
{
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], want[i], 1e-13 * (1.0 + std::fabs(want[i]))) << what << "[" << i << "]";
}

template <typename B>
struct Tag
{
  using type = B;
};

} // namespace

class Sections : public ::testing::Test
{
protected:
  GridStub grid{dt, dz, scale};
  Fields f;
};

TEST_F(Sections, CurlCoefficientsAndVacuumCourant)
{
  LosslessDielectric<int, double> s(plainPlacement(), grid, 2.25, 1.5);
  EXPECT_DOUBLE_EQ(s.curlE, curlE(2.25));
  EXPECT_DOUBLE_EQ(s.curlH, curlH(1.5));
  // Vacuum at the Courant limit (S = 1): cE cH = 1.
  GridStub limit(dzm / c0, dz, scale);
  LosslessDielectric<int, double> v(plainPlacement(), limit, 1.0, 1.0);
  EXPECT_NEAR(v.curlE * v.curlH, 1.0, 1e-12);
  GridStub half(dzm / (2 * c0), dz, scale);
  LosslessDielectric<int, double> w(plainPlacement(), half, 1.0, 1.0);
  EXPECT_NEAR(w.curlE * w.curlH, 0.25, 1e-12);
}

TEST_F(Sections, LosslessPlain)
{
  LosslessDielectric<int, double> s(plainPlacement(), grid, 2.0, 1.0);
  Fields want = f;
  for (int i = 1; i <= 5; ++i)
    want.h[i] += (f.e[i] - f.e[i - 1]) * curlH(1.0);
  s.updateH(f.e, f.h);
  expectFields(f.h, want.h, "H");
  EXPECT_EQ(f.h[0], 0.0011); // the walls stay untouched
  EXPECT_EQ(f.h[6], -0.0009);
  for (int i = 1; i <= 5; ++i)
    want.e[i] += (want.h[i + 1] - want.h[i]) * curlE(2.0);
  s.updateE(f.e, f.h);
  expectFields(f.e, want.e, "E");
  EXPECT_EQ(f.e[0], 0.31);
}

TEST_F(Sections, LosslessRingClosure)
{
  PLosslessDielectric<int, double> s(ringPlacement(), grid, 2.0, 1.0);
  Fields want = f;
  for (int i = 1; i <= 5; ++i)
    want.h[i] += (f.e[i] - f.e[i - 1]) * curlH(1.0);
  want.h[6] += (f.e[0] - f.e[5]) * curlH(1.0);
  s.updateH(f.e, f.h);
  expectFields(f.h, want.h, "H");
  want.e[0] += (want.h[1] - want.h[6]) * curlE(2.0);
  for (int i = 1; i <= 5; ++i)
    want.e[i] += (want.h[i + 1] - want.h[i]) * curlE(2.0);
  s.updateE(f.e, f.h);
  expectFields(f.e, want.e, "E");
  EXPECT_EQ(f.h[0], 0.0011); // H[0] is not part of the ring
}

TEST_F(Sections, ConditionallyPeriodicClosesWhenTheMonitorTurnsPositive)
{
  CPLosslessDielectric<int, double> s(ringPlacement(), grid, 2.0, 1.0);
  EXPECT_EQ(s.monitorIndex, 3.0);
  EXPECT_FALSE(s.ringClosed);
  // H[3] stays negative after this H update: still open.
  f.h[3] = -0.5;
  Fields want = f;
  for (int i = 1; i <= 5; ++i)
    want.h[i] += (f.e[i] - f.e[i - 1]) * curlH(1.0);
  s.updateH(f.e, f.h);
  expectFields(f.h, want.h, "H");
  EXPECT_FALSE(s.ringClosed);
  for (int i = 1; i <= 5; ++i)
    want.e[i] += (want.h[i + 1] - want.h[i]) * curlE(2.0);
  s.updateE(f.e, f.h);
  expectFields(f.e, want.e, "E");
  EXPECT_EQ(f.e[0], 0.31);

  // Now H[3] turns positive: the ring closes in this step. No H closing term
  // yet, but E[0] is updated in the same step's E half.
  f.h[3] = 0.2;
  want = f;
  for (int i = 1; i <= 5; ++i)
    want.h[i] += (f.e[i] - f.e[i - 1]) * curlH(1.0);
  s.updateH(f.e, f.h);
  ASSERT_GT(f.h[3], 0.0);
  EXPECT_TRUE(s.ringClosed);
  expectFields(f.h, want.h, "H");
  want.e[0] += (want.h[1] - want.h[6]) * curlE(2.0);
  for (int i = 1; i <= 5; ++i)
    want.e[i] += (want.h[i + 1] - want.h[i]) * curlE(2.0);
  s.updateE(f.e, f.h);
  expectFields(f.e, want.e, "E");

  // From the next step on the H closing term is added as well.
  want = f;
  for (int i = 1; i <= 5; ++i)
    want.h[i] += (f.e[i] - f.e[i - 1]) * curlH(1.0);
  want.h[6] += (f.e[0] - f.e[5]) * curlH(1.0);
  f.h[3] = want.h[3] - (f.e[3] - f.e[2]) * curlH(1.0); // unchanged
  s.updateH(f.e, f.h);
  expectFields(f.h, want.h, "H");
  EXPECT_TRUE(s.ringClosed);
}

TEST_F(Sections, LossyCoefficientsAndUpdate)
{
  const double er = 2.0, sigma = 3e4;
  const double a = dt * 0.5 * sigma / (eps0 * er);
  const double ca = (1 - a) / (a + 1), cb = curlE(er) / (a + 1);
  LossyDielectric<int, double> s(plainPlacement(), grid, er, 1.0, sigma);
  EXPECT_DOUBLE_EQ(s.lossFactor, a);
  EXPECT_DOUBLE_EQ(s.decay, ca);
  EXPECT_DOUBLE_EQ(s.gain, cb);
  Fields want = f;
  for (int i = 1; i <= 5; ++i)
    want.e[i] = ca * f.e[i] + cb * (f.h[i + 1] - f.h[i]);
  s.updateE(f.e, f.h);
  expectFields(f.e, want.e, "E");

  // Periodic: E[0] decays as well.
  Fields g;
  PLossyDielectric<int, double> p(ringPlacement(), grid, er, 1.0, sigma);
  want = g;
  want.e[0] = ca * g.e[0] + cb * (g.h[1] - g.h[6]);
  for (int i = 1; i <= 5; ++i)
    want.e[i] = ca * g.e[i] + cb * (g.h[i + 1] - g.h[i]);
  p.updateE(g.e, g.h);
  expectFields(g.e, want.e, "E");
}

TEST_F(Sections, LossyWithoutConductivityIsLossless)
{
  LossyDielectric<int, double> s(plainPlacement(), grid, 2.0, 1.0, 0.0);
  EXPECT_EQ(s.lossFactor, 0.0);
  EXPECT_EQ(s.decay, 1.0);
  EXPECT_EQ(s.gain, s.curlE);
  LosslessDielectric<int, double> l(plainPlacement(), grid, 2.0, 1.0);
  Fields g = f;
  s.updateE(f.e, f.h);
  l.updateE(g.e, g.h);
  for (int i = 0; i < N; ++i)
    EXPECT_DOUBLE_EQ(f.e[i], g.e[i]);
}

namespace {

// Independent pole coefficients from omega and gamma.
struct Pole
{
  double b0, b1, c;
};
Pole pole(double weight, double fu, double g, double f0, double deltaEps)
{
  const double gamma = 2 * pi * fu * g, omega = 2 * pi * fu * f0;
  return {(2 - gamma * dt) / (2 + gamma * dt),
          2 * eps0 * weight * deltaEps * omega * omega * dzm * dt / (2 + gamma * dt),
          deltaEps != 0 && weight != 0 ? dt / (dzm * weight * eps0 * deltaEps) : 0.0};
}

void fill(LorentzPole<double> &p, double seed)
{
  for (std::size_t j = 0; j < p.current.size(); ++j) {
    p.current[j] = seed * 1e3 * (1.0 + 0.3 * j);
    p.polarisation[j] = seed * (0.2 - 0.05 * j);
  }
}

} // namespace

TEST_F(Sections, LorentzPoleCoefficients)
{
  Lorentz1PoleAmplitude<int, double> s(plainPlacement(), grid, 2.25, 1.0, 0.0, 5.0, 10, 300, 12);
  const Pole want = pole(1.0, 1e12, 10, 300, 2.75);
  EXPECT_NEAR(s.pole1.memory, want.b0, 1e-14);
  EXPECT_NEAR(s.pole1.drive, want.b1, 1e-12 * want.b1);
  EXPECT_NEAR(s.pole1.integration, want.c, 1e-12 * want.c);
  EXPECT_DOUBLE_EQ(s.pole1.strength, 2 * dzm * pi * 1e12 * 300 * 300 * eps0 * 2.75 / 10);
  EXPECT_DOUBLE_EQ(s.pole1.dampingTerm, 1 / (dt * (2 * pi * 1e12 * 10)) + 0.5);
  EXPECT_EQ(s.auxiliaryOffset, 1);
  EXPECT_EQ(s.pole1.current.size(), 5u);

  // g dt 2 pi fu = 2 makes the memory exactly 0.
  const double g = 2.0 / (dt * 2 * pi * 1e12);
  Lorentz1PoleAmplitude<int, double> z(plainPlacement(), grid, 2.25, 1.0, 0.0, 5.0, g, 300, 12);
  EXPECT_NEAR(z.pole1.memory, 0.0, 1e-15);

  // No damping: an undamped oscillator (memory 1), not a division by zero.
  Lorentz1PoleAmplitude<int, double> u(plainPlacement(), grid, 2.25, 1.0, 0.0, 5.0, 0, 300, 12);
  const Pole undamped = pole(1.0, 1e12, 0, 300, 2.75);
  EXPECT_EQ(u.pole1.memory, 1.0);
  EXPECT_NEAR(u.pole1.drive, undamped.b1, 1e-12 * undamped.b1);
  EXPECT_TRUE(std::isfinite(u.pole1.integration));

  // epsS = epsInf: no pole strength at all.
  Lorentz1PoleAmplitude<int, double> n(plainPlacement(), grid, 2.25, 1.0, 0.0, 2.25, 10, 300, 12);
  EXPECT_EQ(n.pole1.strength, 0.0);
  EXPECT_EQ(n.pole1.drive, 0.0);
  EXPECT_EQ(n.pole1.integration, 0.0);

  // Weights of the two- and three-pole media scale each pole.
  Lorentz3PoleAmplitude<int, double> t(plainPlacement(), grid, 2.25, 1.0, 0.0, 5.0, 10, 300, 0.5,
                                       20, 200, 0.3, 5, 100, 0.2, 12);
  const Pole p1 = pole(0.5, 1e12, 10, 300, 2.75), p2 = pole(0.3, 1e12, 20, 200, 2.75),
             p3 = pole(0.2, 1e12, 5, 100, 2.75);
  EXPECT_NEAR(t.pole1.drive, p1.b1, 1e-12 * p1.b1);
  EXPECT_NEAR(t.pole1.integration, p1.c, 1e-12 * p1.c);
  EXPECT_NEAR(t.pole2.drive, p2.b1, 1e-12 * p2.b1);
  EXPECT_NEAR(t.pole2.memory, p2.b0, 1e-14);
  EXPECT_NEAR(t.pole3.integration, p3.c, 1e-12 * p3.c);
  // A weight of 0 switches a pole off instead of dividing by zero.
  Lorentz2PoleAmplitude<int, double> w0(plainPlacement(), grid, 2.25, 1.0, 0.0, 5.0, 10, 300, 1,
                                        20, 200, 0, 12);
  EXPECT_EQ(w0.pole2.drive, 0.0);
  EXPECT_EQ(w0.pole2.integration, 0.0);
}

TEST_F(Sections, LorentzUpdatesPerFamilyAndPoleCount)
{
  const double er = 2.25, sigma = 2e4, es = 5.0;
  const double a = dt * 0.5 * sigma / (eps0 * er);
  const double ca = (1 - a) / (a + 1), cb = curlE(er) / (a + 1);
  const Pole p[3] = {pole(0.5, 1e12, 10, 300, es - er), pole(0.3, 1e12, 20, 200, es - er),
                     pole(0.2, 1e12, 5, 100, es - er)};

  for (int poles = 1; poles <= 3; ++poles) {
    for (int family = 0; family < 3; ++family) {
      const auto placement = family == 0 ? plainPlacement() : ringPlacement();
      std::unique_ptr<MeshSection<int, double>> section;
      std::vector<LorentzPole<double> *> list;
      int offset = 0;
      // Build the section of this family and pole count.
      const double w1 = poles == 1 ? 1.0 : 0.5;
      Pole q1 = poles == 1 ? pole(1.0, 1e12, 10, 300, es - er) : p[0];
      auto build = [&](auto tag) -> MeshSection<int, double> * {
        using B = typename decltype(tag)::type;
        if (poles == 1) {
          auto *s = new Lorentz1PoleMaterial<B>(placement, grid, er, 1.0, sigma, es, 10, 300, 12);
          offset = s->auxiliaryOffset;
          list = {&s->pole1};
          return s;
        }
        if (poles == 2) {
          auto *s = new Lorentz2PoleMaterial<B>(placement, grid, er, 1.0, sigma, es, 10, 300, w1,
                                                20, 200, 0.3, 12);
          offset = s->auxiliaryOffset;
          list = {&s->pole1, &s->pole2};
          return s;
        }
        auto *s = new Lorentz3PoleMaterial<B>(placement, grid, er, 1.0, sigma, es, 10, 300, w1, 20,
                                              200, 0.3, 5, 100, 0.2, 12);
        offset = s->auxiliaryOffset;
        list = {&s->pole1, &s->pole2, &s->pole3};
        return s;
      };
      if (family == 0)
        section.reset(build(Tag<Dielectric<int, double>>{}));
      else if (family == 1)
        section.reset(build(Tag<PDielectric<int, double>>{}));
      else
        section.reset(build(Tag<CPDielectric<int, double>>{}));
      const Pole coef[3] = {q1, p[1], p[2]};

      Fields g;
      for (int k = 0; k < poles; ++k)
        fill(*list[k], 0.1 * (k + 1));
      EXPECT_EQ(offset, family == 0 ? 1 : 0);
      std::vector<std::vector<double>> J(poles), Q(poles);
      for (int k = 0; k < poles; ++k) {
        J[k] = list[k]->current;
        Q[k] = list[k]->polarisation;
      }
      Fields want = g;
      const bool ring = family == 1; // the CP ring is still open
      const int first = ring ? 0 : 1;
      for (int i = first; i <= 5; ++i) {
        const double dH = i == 0 ? g.h[1] - g.h[6] : g.h[i + 1] - g.h[i];
        const int j = i - offset;
        double d = dH;
        for (int k = 0; k < poles; ++k)
          d -= J[k][j];
        want.e[i] = ca * g.e[i] + cb * d;
        for (int k = 0; k < poles; ++k) {
          J[k][j] = coef[k].b0 * J[k][j] + coef[k].b1 * (want.e[i] - Q[k][j]);
          Q[k][j] = Q[k][j] + coef[k].c * J[k][j];
        }
      }
      section->updateE(g.e, g.h);
      SCOPED_TRACE(testing::Message() << poles << " poles, family " << family);
      expectFields(g.e, want.e, "E");
      for (int k = 0; k < poles; ++k) {
        expectFields(list[k]->current, J[k], "J");
        expectFields(list[k]->polarisation, Q[k], "Q");
      }
    }
  }
}

TEST_F(Sections, LorentzWithoutPoleStrengthIsLossy)
{
  LossyDielectric<int, double> lossy(plainPlacement(), grid, 2.25, 1.0, 1e4);
  Lorentz3PoleAmplitude<int, double> lor(plainPlacement(), grid, 2.25, 1.0, 1e4, 2.25, 10, 300, 1,
                                         20, 200, 1, 5, 100, 1, 12);
  Fields a, b;
  for (int n = 0; n < 5; ++n) {
    lossy.updateH(a.e, a.h);
    lossy.updateE(a.e, a.h);
    lor.updateH(b.e, b.h);
    lor.updateE(b.e, b.h);
  }
  for (int i = 0; i < N; ++i)
    EXPECT_EQ(a.e[i], b.e[i]);
  EXPECT_EQ(lor.pole1.current[2], 0.0);
}

TEST_F(Sections, AuxiliaryArraysFollowTheSection)
{
  // A section in the middle of a longer grid keeps arrays for its own cells.
  SectionPlacement<int, double> p;
  p.eStart = 3;
  p.hStart = 4;
  p.eEnd = 4;
  p.hEnd = 5;
  Lorentz1PoleAmplitude<int, double> s(p, grid, 2.25, 1.0, 0.0, 5.0, 10, 300, 12);
  EXPECT_EQ(s.auxiliaryOffset, 3);
  EXPECT_EQ(s.pole1.current.size(), 2u);
  Fields want = f;
  s.updateH(f.e, f.h);
  s.updateE(f.e, f.h);
  for (int i : {0, 1, 2, 5})
    EXPECT_EQ(f.e[i], want.e[i]) << i;
  for (int i : {0, 1, 2, 3, 6})
    EXPECT_EQ(f.h[i], want.h[i]) << i;
  EXPECT_NE(s.pole1.current[0], 0.0);
}

// --- Kerr and Raman -----------------------------------------------------------------

namespace {

struct Kerr
{
  double aR, bR, kR, kK, q, limit, cE;
};

Kerr kerr(double er, double chi3, double t1, double t2, double alpha, double theta)
{
  const double dtFs = dt * 1e15;
  Kerr k;
  k.aR = (t2 - dtFs) / (t2 + dtFs);
  k.bR = ((t2 * t2 + t1 * t1) * dtFs * dtFs / (t1 * t1 * t2 * t2)) / (dtFs / t2 + 1);
  k.kR = (1 - alpha) * chi3 / er;
  k.kK = chi3 * 3 * alpha / er;
  k.q = k.kK / 4;
  k.limit = theta / k.kK;
  k.cE = curlE(er);
  return k;
}

// One cell of the Kerr/Raman update; strong cells are checked through the
// cubic they must satisfy, so the solver is not used here.
double kerrCell(const Kerr &k, double e, double d, double &G, double &S, bool &strong)
{
  const double e2 = e * e, sOld = S;
  G = k.aR * G - k.bR * (sOld - e2 * k.kR);
  S = sOld + G;
  strong = !(e2 < k.limit);
  if (!strong)
    return ((e2 * k.kK + (sOld + 1)) * e + d * k.cE) / (e2 * k.kK + S + 1);
  return NAN;
}

// Residual of (1 + S) x - (1 + S_old) e + q (x + e)^2 (x - e) - cE d, relative.
double cubicResidual(const Kerr &k, double x, double e, double d, double sOld, double sNew)
{
  const double r = (1 + sNew) * x - (1 + sOld) * e + k.q * (x + e) * (x + e) * (x - e) - k.cE * d;
  return std::fabs(r) / (std::fabs(k.cE * d) + std::fabs((1 + sOld) * e) + 1e-300);
}

} // namespace

TEST_F(Sections, KerrRamanCoefficients)
{
  KerrRaman1Pole<int, double> s(plainPlacement(), grid, 2.0, 1.0, 1e-3, 12.2, 32, 0.7, 0.01);
  const Kerr k = kerr(2.0, 1e-3, 12.2, 32, 0.7, 0.01);
  EXPECT_DOUBLE_EQ(s.ramanMemory, k.aR);
  EXPECT_DOUBLE_EQ(s.ramanDrive, k.bR);
  EXPECT_DOUBLE_EQ(s.ramanStrength, k.kR);
  EXPECT_DOUBLE_EQ(s.kerrStrength, k.kK);
  EXPECT_DOUBLE_EQ(s.kerrQuarter, k.q);
  EXPECT_DOUBLE_EQ(s.linearLimit, k.limit);
  EXPECT_DOUBLE_EQ(s.cubicCurl, -k.cE / k.q);
  // tau1 = tau2 = tau
  KerrRaman1Pole<int, double> t(plainPlacement(), grid, 2.0, 1.0, 1e-3, 20, 20, 0.7, 0.01);
  const double dtFs = dt * 1e15;
  EXPECT_DOUBLE_EQ(t.ramanMemory, (20 - dtFs) / (20 + dtFs));
  EXPECT_NEAR(t.ramanDrive, (2 * dtFs * dtFs / 400) / (dtFs / 20 + 1), 1e-15);
  // alpha = 0 (pure Raman) and chi3 = 0: the linear limit is infinite.
  KerrRaman1Pole<int, double> r(plainPlacement(), grid, 2.0, 1.0, 1e-3, 12.2, 32, 0.0, 0.01);
  EXPECT_TRUE(std::isinf(r.linearLimit));
  EXPECT_EQ(r.kerrQuarter, 0.0);
  // A negative chi3 (self-defocusing) is linearised on |kK| E^2.
  KerrRaman1Pole<int, double> m(plainPlacement(), grid, 2.0, 1.0, -1e-3, 12.2, 32, 0.7, 0.01);
  EXPECT_DOUBLE_EQ(m.linearLimit, 0.01 / std::fabs(m.kerrStrength));
}

TEST_F(Sections, KerrWithoutNonlinearityIsLossless)
{
  KerrRaman1Pole<int, double> s(plainPlacement(), grid, 2.0, 1.0, 0.0, 12.2, 32, 0.7, 0.01);
  LosslessDielectric<int, double> l(plainPlacement(), grid, 2.0, 1.0);
  Fields a, b;
  for (int n = 0; n < 4; ++n) {
    s.updateH(a.e, a.h);
    s.updateE(a.e, a.h);
    l.updateH(b.e, b.h);
    l.updateE(b.e, b.h);
  }
  for (int i = 0; i < N; ++i)
    EXPECT_DOUBLE_EQ(a.e[i], b.e[i]);
}

TEST_F(Sections, KerrRamanWeakAndStrongCells)
{
  // chi3 chosen so that cells with |E| above about 0.69 use the cubic.
  const double chi3 = 0.02, er = 2.0, theta = 0.01;
  const Kerr k = kerr(er, chi3, 12.2, 32, 0.7, theta);
  for (int family = 0; family < 2; ++family) {
    Fields g;
    std::unique_ptr<KerrRamanMaterial<Dielectric<int, double>>> plain;
    std::unique_ptr<KerrRamanMaterial<PDielectric<int, double>>> ring;
    std::vector<double> *G, *S;
    if (family == 0) {
      plain.reset(new KerrRaman1Pole<int, double>(plainPlacement(), grid, er, 1.0, chi3, 12.2, 32,
                                                  0.7, theta));
      G = &plain->ramanStep;
      S = &plain->ramanSusceptibility;
    } else {
      ring.reset(new PKerrRaman1Pole<int, double>(ringPlacement(), grid, er, 1.0, chi3, 12.2, 32,
                                                  0.7, theta));
      G = &ring->ramanStep;
      S = &ring->ramanSusceptibility;
    }
    const int offset = family == 0 ? 1 : 0;
    for (std::size_t j = 0; j < G->size(); ++j) {
      (*G)[j] = 1e-4 * (j + 1);
      (*S)[j] = 2e-3 * (j + 1);
    }
    std::vector<double> wantG = *G, wantS = *S;
    Fields want = g;
    std::vector<bool> strong(N, false);
    std::vector<double> sOld(N), d(N);
    for (int i = family == 0 ? 1 : 0; i <= 5; ++i) {
      const int j = i - offset;
      d[i] = i == 0 ? g.h[1] - g.h[6] : g.h[i + 1] - g.h[i];
      sOld[i] = wantS[j];
      bool s = false;
      want.e[i] = kerrCell(k, g.e[i], d[i], wantG[j], wantS[j], s);
      strong[i] = s;
    }
    MeshSection<int, double> *section =
        family == 0 ? static_cast<MeshSection<int, double> *>(plain.get()) : ring.get();
    section->updateE(g.e, g.h);
    SCOPED_TRACE(family);
    int strongCells = 0;
    for (int i = family == 0 ? 1 : 0; i <= 5; ++i) {
      const int j = i - offset;
      EXPECT_NEAR((*G)[j], wantG[j], 1e-15) << i;
      EXPECT_NEAR((*S)[j], wantS[j], 1e-15) << i;
      if (strong[i]) {
        ++strongCells;
        const double e = Fields().e[i];
        EXPECT_LT(cubicResidual(k, g.e[i], e, d[i], sOld[i], wantS[j]), 1e-12) << i;
        // The continuing root: no other real root lies nearer the previous value.
        const double x = g.e[i];
        const double A = k.q, B = k.q * e, C = (1 + wantS[j]) - k.q * e * e;
        const double b1 = B + A * x, c1 = C + b1 * x; // (y - x)(A y^2 + b1 y + c1)
        const double disc = b1 * b1 - 4 * A * c1;
        if (disc >= 0) {
          for (double sign : {-1.0, 1.0}) {
            const double other = (-b1 + sign * std::sqrt(disc)) / (2 * A);
            EXPECT_GE(std::fabs(other - e), std::fabs(x - e)) << i;
          }
        }
      } else {
        EXPECT_NEAR(g.e[i], want.e[i], 1e-14) << i;
      }
    }
    EXPECT_GE(strongCells, 2);
    EXPECT_LE(strongCells, 4);
  }
}

TEST_F(Sections, LorentzKerrUpdateOrders)
{
  // Weak fields only (tiny chi3), so every expected value follows from the
  // linearised update.
  const double er = 2.25, es = 5.0, chi3 = 1e-6;
  const Kerr k = kerr(er, chi3, 12.2, 32, 0.7, 0.01);
  const Pole p1 = pole(1.0, 1e12, 10, 300, es - er);
  const Pole q[3] = {pole(0.5, 1e12, 10, 300, es - er), pole(0.3, 1e12, 20, 200, es - er),
                     pole(0.2, 1e12, 5, 100, es - er)};

  // One pole (plain): Kerr with dH - J1, then the pole with the new E.
  {
    Lorentz1PoleAmplitudeKerrRaman1Pole<int, double> s(plainPlacement(), grid, er, 1.0, 0.0, es,
                                                       10, 300, chi3, 12.2, 32, 0.7, 0.01, 12);
    fill(s.pole1, 0.1);
    Fields g, want;
    std::vector<double> J = s.pole1.current, Q = s.pole1.polarisation;
    std::vector<double> G(5, 0.0), S(5, 0.0);
    for (int i = 1; i <= 5; ++i) {
      const int j = i - 1;
      bool strong = false;
      want.e[i] = kerrCell(k, g.e[i], (g.h[i + 1] - g.h[i]) - J[j], G[j], S[j], strong);
      ASSERT_FALSE(strong);
      J[j] = p1.b0 * J[j] + p1.b1 * (want.e[i] - Q[j]);
      Q[j] = Q[j] + p1.c * J[j];
    }
    s.updateE(g.e, g.h);
    expectFields(g.e, want.e, "E lor1ker1");
    expectFields(s.pole1.current, J, "J lor1ker1");
    expectFields(s.pole1.polarisation, Q, "Q lor1ker1");
  }

  // Three poles: the plain class advances the poles first with the old E.
  for (int family = 0; family < 2; ++family) {
    Fields g, want;
    std::unique_ptr<MeshSection<int, double>> owner;
    std::vector<LorentzPole<double> *> list;
    if (family == 0) {
      auto *s = new Lorentz3PoleAmplitudeKerrRaman1Pole<int, double>(
          plainPlacement(), grid, er, 1.0, 0.0, es, 10, 300, 0.5, 20, 200, 0.3, 5, 100, 0.2,
          chi3, 12.2, 32, 0.7, 0.01, 12);
      list = {&s->pole1, &s->pole2, &s->pole3};
      owner.reset(s);
    } else {
      auto *s = new PLorentz3PoleAmplitudeKerrRaman1Pole<int, double>(
          ringPlacement(), grid, er, 1.0, 0.0, es, 10, 300, 0.5, 20, 200, 0.3, 5, 100, 0.2, chi3,
          12.2, 32, 0.7, 0.01, 12);
      list = {&s->pole1, &s->pole2, &s->pole3};
      owner.reset(s);
    }
    for (int kk = 0; kk < 3; ++kk)
      fill(*list[kk], 0.1 * (kk + 1));
    std::vector<std::vector<double>> J(3), Q(3);
    for (int kk = 0; kk < 3; ++kk) {
      J[kk] = list[kk]->current;
      Q[kk] = list[kk]->polarisation;
    }
    const int offset = family == 0 ? 1 : 0;
    std::vector<double> G(J[0].size(), 0.0), S(J[0].size(), 0.0);
    for (int i = family == 0 ? 1 : 0; i <= 5; ++i) {
      const int j = i - offset;
      const double dH = i == 0 ? g.h[1] - g.h[6] : g.h[i + 1] - g.h[i];
      const double e = g.e[i];
      bool strong = false;
      if (family == 0) {
        for (int kk = 0; kk < 3; ++kk) {
          J[kk][j] = q[kk].b0 * J[kk][j] + q[kk].b1 * (e - Q[kk][j]);
          Q[kk][j] = Q[kk][j] + q[kk].c * J[kk][j];
        }
        want.e[i] = kerrCell(k, e, dH - J[0][j] - J[1][j] - J[2][j], G[j], S[j], strong);
      } else {
        want.e[i] = kerrCell(k, e, dH - J[0][j] - J[1][j] - J[2][j], G[j], S[j], strong);
        for (int kk = 0; kk < 3; ++kk) {
          J[kk][j] = q[kk].b0 * J[kk][j] + q[kk].b1 * (want.e[i] - Q[kk][j]);
          Q[kk][j] = Q[kk][j] + q[kk].c * J[kk][j];
        }
      }
      ASSERT_FALSE(strong);
    }
    owner->updateE(g.e, g.h);
    SCOPED_TRACE(family);
    expectFields(g.e, want.e, "E lor3ker1");
    for (int kk = 0; kk < 3; ++kk) {
      expectFields(list[kk]->current, J[kk], "J lor3ker1");
      expectFields(list[kk]->polarisation, Q[kk], "Q lor3ker1");
    }
  }
}

TEST_F(Sections, ConditionallyPeriodicKerrAndLorentzUseCellZeroOnlyOnceClosed)
{
  CPLorentz3PoleAmplitudeKerrRaman1Pole<int, double> s(ringPlacement(), grid, 2.25, 1.0, 0.0, 5.0,
                                                        10, 300, 0.5, 20, 200, 0.3, 5, 100, 0.2,
                                                        1e-6, 12.2, 32, 0.7, 0.01, 12);
  CPLorentz1PoleAmplitude<int, double> l(ringPlacement(), grid, 2.25, 1.0, 0.0, 5.0, 10, 300, 12);
  CPKerrRaman1Pole<int, double> k(ringPlacement(), grid, 2.0, 1.0, 1e-6, 12.2, 32, 0.7, 0.01);
  for (MeshSection<int, double> *m : std::initializer_list<MeshSection<int, double> *>{&s, &l, &k}) {
    Fields g;
    g.h[3] = -1.0;
    m->updateH(g.e, g.h);
    m->updateE(g.e, g.h);
    EXPECT_EQ(g.e[0], 0.31);
    EXPECT_EQ(g.h[6], -0.0009);
    g.h[3] = 1.0;
    m->updateH(g.e, g.h);
    m->updateE(g.e, g.h);
    EXPECT_NE(g.e[0], 0.31);
  }
  EXPECT_TRUE(s.ringClosed);
  EXPECT_TRUE(l.ringClosed);
  EXPECT_TRUE(k.ringClosed);
}
