// Whole-engine behaviour with analytic answers: free propagation at the
// Courant limit, the lumped termination, reflection at a dielectric
// half-space, Lorentz dispersion, conductive loss, threads and the
// stability limit of Lorentz poles.

#include "fdtdtestsupport.h"
#include "testsupport.h"
#include "fdtd/stability.h"


#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

using namespace fdtdtest;

namespace {

using physconst::eta0;

// A problem on a 10 nm grid; sections and further lines follow.
QString problem(const QString &formulation, const QString &rest, double stability = 1.0)
{
  return QStringLiteral("%1 stability\n1 threads\nnm measure\n10 size\n1 physical\n%2 problem\n%3")
      .arg(stability)
      .arg(formulation, rest);
}

QString section(const QString &type, int cells, const QString &parameters)
{
  return QStringLiteral("%1 medium\n%2 meshpoints\n%3 parameters\n")
      .arg(type)
      .arg(cells)
      .arg(parameters);
}

// A rightward pulse in vacuum at the Courant limit: E_i = f(i), and H half a
// step earlier, H_i = -f(i) / cE, so that E_i^n = f(i - n) exactly.
void launchRight(FDTDSimulator &e, double centre, double width, int first, int last,
                 double cycles = 0.0)
{
  const double cE = e.timeStep() / (e.cellSize * e.lengthUnitFactor * eps0);
  for (int i = first; i <= last; ++i) {
    const double x = (i - centre) / width;
    const double f = std::exp(-0.5 * x * x) * (cycles > 0 ? std::cos(cycles * x) : 1.0);
    e.eField[i] = f;
    e.hField[i] = -f / cE;
  }
}

// Runs steps steps and returns the ratio of the spectra of E at grid points
// pb and pa at frequency f (Hz).
std::complex<double> transfer(FDTDSimulator &e, int steps, int pa, int pb, double f)
{
  std::complex<double> a = 0.0, b = 0.0;
  for (int n = 1; n <= steps; ++n) {
    e.step();
    const std::complex<double> w = std::polar(1.0, -2 * pi * f * n * e.timeStep());
    a += e.eField[pa] * w;
    b += e.eField[pb] * w;
  }
  return b / a;
}

// A narrow-band Gaussian point source (Z = 0) at grid point z - 1.
QString gaussSource(int z, double centreTHz, double bandwidthTHz, int periods)
{
  return QStringLiteral("point geometry\n%1 z-location\n0 1 0 amplitude\ngauss shape\nTHz funit\n"
                        "fs tunit\n%2 centre\n%3 duration\n%4 3dB\n")
      .arg(z)
      .arg(centreTHz)
      .arg(periods)
      .arg(bandwidthTHz);
}

} // namespace

TEST(Physics, VacuumPulseMovesOneCellPerStepAtTheCourantLimit)
{
  auto e = engineFrom(problem("1d", section("diel", 400, "1 1")));
  ASSERT_TRUE(e->isConstructed());
  launchRight(*e, 100, 12, 1, 399, 3.0);
  const std::vector<double> initial = e->eField;
  for (int n = 0; n < 150; ++n)
    e->step();
  for (int i = 151; i < 399; ++i)
    ASSERT_NEAR(e->eField[i], initial[i - 150], 1e-9) << i; // shape kept exactly
  EXPECT_EQ(e->eField[0], 0.0); // reflecting walls untouched
  EXPECT_EQ(std::fabs(e->hField[0]) + std::fabs(e->hField[400]), 0.0);
}

TEST(Physics, MatchedLumpedTerminationAbsorbs)
{
  for (double resistance : {eta0, 50.0, 200.0}) {
    auto e = engineFrom(
        problem("1d", section("diel", 600, "1 1") + QStringLiteral("%1 lumped\nend lumped\n")
                                                        .arg(resistance, 0, 'g', 17)));
    ASSERT_TRUE(e->isConstructed());
    launchRight(*e, 200, 25, 1, 598);
    // The pulse reaches the end after about 400 steps and, reflected, is back
    // at 200 after 800.
    for (int n = 0; n < 800; ++n)
      e->step();
    double peak = 0.0;
    for (int i = 1; i < 500; ++i)
      if (std::fabs(e->eField[i]) > std::fabs(peak))
        peak = e->eField[i];
    const double gamma = (resistance - eta0) / (resistance + eta0);
    if (resistance == eta0)
      EXPECT_LT(std::fabs(peak), 1e-3);
    else
      EXPECT_NEAR(peak, gamma, 0.01 * std::fabs(gamma)) << resistance;
  }
}

TEST(Physics, HalfSpaceReflectsFourPercent)
{
  // Vacuum, then glass of epsR 2.25: R = ((1 - 1.5) / (1 + 1.5))^2 = 0.04.
  auto e = engineFrom(problem("1d", section("diel", 400, "1 1") + section("diel", 800, "2.25 1")));
  ASSERT_TRUE(e->isConstructed());
  launchRight(*e, 150, 30, 1, 399);
  double incident = 0.0;
  for (int i = 0; i < 400; ++i)
    incident += e->eField[i] * e->eField[i];
  for (int n = 0; n < 460; ++n)
    e->step();
  double reflected = 0.0;
  for (int i = 0; i < 400; ++i)
    reflected += e->eField[i] * e->eField[i];
  EXPECT_NEAR(reflected / incident, 0.04, 0.02 * 0.04);
}

// The complex index seen between two points against eps(f):
// undamped Lorentz pole eps = epsInf + (epsS - epsInf) f0^2 / (f0^2 - f^2),
// conductor eps = epsR - i sigma / (w eps0), a Sellmeier medium as its
// formula; the field goes as exp(-i k x).
TEST(Physics, LorentzPhaseVelocityAndConductiveLossMatchThePermittivity)
{
  const double f0 = 300e12;
  const auto lorentz = [f0](double f) { return 2.25 + 2.75 * f0 * f0 / (f0 * f0 - f * f); };
  const auto sellmeier = [](double l, double sigma, double f) {
    return std::complex<double>(1.5 + 0.8 * l * l / (l * l - 0.01) + 0.5 * l * l / (l * l - 0.09) + 0.3 * l * l / (l * l - 1),
                                -sigma / (2 * pi * f * eps0));
  };
  const struct
  {
    const char *type, *parameters;
    double fTHz;
    std::complex<double> eps;
    int pb; // second point (the first is 300): less than a wavelength apart
  } rows[] = {{"lor1", "2.25 1 0 5 0 300 THz", 100, lorentz(100e12), 340},
              {"lor1", "2.25 1 0 5 0 300 THz", 200, lorentz(200e12), 340},
              {"ldiel", "2.25 1 1500", 200, {2.25, -1500.0 / (2 * pi * 200e12 * eps0)}, 360},
              // A + sum B l^2 / (l^2 - C) (l in um) of three terms, then the conductivity's term.
              {"sellmeier", "1.5 1 800 0.8 0.01 0.5 0.09 0.3 1", 200, sellmeier(299792458.0 / 200e12 * 1e6, 800, 200e12), 360}};
  for (const auto &row : rows) {
    auto e = engineFrom(problem("1d", section(row.type, 3500, row.parameters) +
                                          gaussSource(51, row.fTHz, 20, 5)));
    ASSERT_TRUE(e->isConstructed());
    const double f = row.fTHz * 1e12, dx = (row.pb - 300) * 10e-9;
    const std::complex<double> ratio = transfer(*e, 5000, 300, row.pb, f);
    double phase = -std::arg(ratio);
    if (phase < 0)
      phase += 2 * pi;
    const std::complex<double> n = std::sqrt(row.eps);
    EXPECT_NEAR(phase * c0 / (2 * pi * f * dx), n.real(), 0.01 * n.real()) << row.fTHz;
    const double alpha = -std::log(std::abs(ratio)) / dx, expected = -n.imag() * 2 * pi * f / c0;
    EXPECT_NEAR(alpha, expected, expected > 0 ? 0.02 * expected : 0.01 / dx) << row.fTHz;
  }
}

TEST(Physics, ThreadCountDoesNotChangeTheResult)
{
  // The same lossy Lorentz problem with one and with two threads, large
  // enough for parallel loops.
  const QString body = section("lor3", 20000, "2.25 1 100 5 10 300 0.5 20 200 0.3 5 100 0.2 THz") +
                       gaussSource(100, 250, 50, 4);
  auto one = engineFrom(problem("1d", body));
  QString two = problem("1d", body);
  two.replace("1 threads", "2 threads");
  auto other = engineFrom(two);
  ASSERT_TRUE(one->isConstructed());
  ASSERT_TRUE(other->isConstructed());
  for (int n = 0; n < 200; ++n) {
    one->step();
    other->step();
  }
  for (int i = 0; i < 20000; i += 97)
    ASSERT_EQ(one->eField[i], other->eField[i]) << i;
}

// Three undamped poles of a glass (epsInf 1; 4383, 2579 and 30.3 THz) on
// 5 nm cells: the poles push the scheme's limit above the vacuum one. Just
// beyond the limit the run diverges (and the load warns with the stability
// that is enough); at that stability it stays finite.
class LorentzStabilityLimit : public ::testing::TestWithParam<double>
{
};

TEST_P(LorentzStabilityLimit, DivergesBeyondAndStaysFiniteWithin)
{
  const double s = GetParam();
  const double b[] = {0.6961663, 0.4079426, 0.8974794};
  const double sum = b[0] + b[1] + b[2];
  const QString text =
      QStringLiteral("%1 stability\n1 threads\nnm measure\n5 size\n1 physical\n1d problem\n"
                     "lor3 medium\n400 meshpoints\n1 1 0 %2 0 4383 %3 0 2579 %4 0 30.3 %5 THz "
                     "parameters\npoint geometry\n200 z-location\n0 1 0 amplitude\ngauss shape\n"
                     "THz funit\nfs tunit\n375 centre\n10 duration\n50 3dB\n")
          .arg(s)
          .arg(1 + sum, 0, 'g', 10)
          .arg(b[0] / sum, 0, 'g', 10)
          .arg(b[1] / sum, 0, 'g', 10)
          .arg(b[2] / sum, 0, 'g', 10);
  auto e = engineFrom(text);
  ASSERT_TRUE(e->isConstructed());
  const bool beyond = s < 1.03;
  EXPECT_EQ(e->loadStatus().warnings.join('\n').toStdString(),
            beyond ? QStringLiteral("Section 1 (cells 1 to 400, Lorentz medium): with stability %1 "
                                    "its Lorentz poles make the update unstable (the field grows "
                                    "without bound); a stability of 1.03 or more makes it stable.")
                         .arg(s)
                         .toStdString()
                   : std::string());
  for (int it = 0; it < 20000 && !e->finished; ++it)
    e->step();
  EXPECT_EQ(e->finished, beyond) << e->iteration;
  EXPECT_EQ(e->runFailure.isEmpty(), !beyond);
}

INSTANTIATE_TEST_SUITE_P(Physics, LorentzStabilityLimit, ::testing::Values(1.02, 1.03),
                         [](const ::testing::TestParamInfo<double> &info) { return testsupport::caseName("Stability" + QString::number(info.param).toStdString()); });

// The stability analysis of a conductor against the one-step map worked out
// here: (dH, E) -> (dH - 4 s2 cH E, Ca E + Cb dH'), eigenvalues from
// l^2 - (1 + Ca - 4 s2 cH Cb) l + Ca = 0 at s2 = k / 256; loss damps, gain
// grows, and a dielectric is stable down to stability 1 / sqrt(epsR muR).
TEST(Physics, StabilityAnalysisOfAConductorMatchesItsTwoByTwoMap)
{
  const double dz = 10e-9;
  for (double sigma : {0.0, 3e6, -2e5})
    for (double s : {1.0, 1.6}) {
      MaterialDescription m;
      m.epsilonR = 2.25, m.muR = 1.2, m.sigma = sigma;
      const double dt = dz / (s * c0), cH = dt / (dz * mu0 * 1.2), a = dt * sigma / (2 * eps0 * 2.25);
      const double ca = (1 - a) / (1 + a), cb = dt / (dz * eps0 * 2.25) / (1 + a);
      double largest = 0.0;
      for (int k = 1; k <= 256; ++k) {
        const double t = 1 + ca - 4 * (k / 256.0) * cH * cb;
        const std::complex<double> root = std::sqrt(std::complex<double>(t * t - 4 * ca));
        largest = std::max({largest, std::abs((t + root) / 2.0), std::abs((t - root) / 2.0)});
      }
      EXPECT_NEAR(fdtdstability::amplification(m, dz, s), largest, 1e-12) << sigma << " " << s;
      EXPECT_EQ(fdtdstability::stable(m, dz, s), sigma >= 0) << sigma << " " << s;
    }
  MaterialDescription glass;
  glass.epsilonR = 2.25;
  EXPECT_EQ(fdtdstability::smallestStableStability(glass, dz), 0.667);
}
