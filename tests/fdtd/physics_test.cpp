// Whole-engine behaviour with analytic answers: free propagation at the
// Courant limit, rings, the lumped termination, reflection at a dielectric
// half-space, delayed pulses, Lorentz dispersion and conductive loss.

#include "fdtdtestsupport.h"

#include "fdtd/sections/dielectric.h"
#include "fdtd/sections/lossless.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>

using namespace fdtdtest;

namespace {

const double eta0 = std::sqrt(mu0 / eps0);

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

// Spectrum of a record at frequency f (Hz), sampled every dt from t = 0.
std::complex<double> dft(const std::vector<double> &record, double dt, double f)
{
  std::complex<double> sum = 0.0;
  for (std::size_t n = 0; n < record.size(); ++n)
    sum += record[n] * std::polar(1.0, -2 * pi * f * (n + 1) * dt);
  return sum;
}

struct Records
{
  std::vector<double> a, b;
};

// Runs steps steps and records E at two grid points after each step.
Records record(FDTDSimulator &e, int steps, int pa, int pb)
{
  Records r;
  r.a.reserve(steps);
  r.b.reserve(steps);
  for (int n = 0; n < steps; ++n) {
    e.step();
    r.a.push_back(e.eField[pa]);
    r.b.push_back(e.eField[pb]);
  }
  return r;
}

// A narrow-band Gaussian point source (Z = 0) at grid point z - 1.
QString gaussSource(int z, double centreTHz, double bandwidthTHz, int periods,
                    double delayNs = 0.0)
{
  return QStringLiteral("point geometry\n%1 z-location\n0 1 %2 amplitude\ngauss shape\nTHz funit\n"
                        "fs tunit\n%3 centre\n%4 duration\n%5 3dB\n")
      .arg(z)
      .arg(delayNs, 0, 'g', 17)
      .arg(centreTHz)
      .arg(periods)
      .arg(bandwidthTHz);
}

} // namespace

TEST(Physics, NothingHappensWithoutExcitation)
{
  auto e = engineFrom(problem("1d", section("lor1", 50, "2.25 1 1e3 5 10 300 THz") +
                                        section("ker1", 50, "2 1 1e-20 12.2 32 0.7")));
  ASSERT_TRUE(e->isConstructed());
  for (int n = 0; n < 300; ++n)
    e->step();
  for (double v : e->eField)
    EXPECT_EQ(v, 0.0);
  for (double v : e->hField)
    EXPECT_EQ(v, 0.0);
  EXPECT_NEAR(e->currentTime(), 300 * e->timeStep(), 1e-12 * e->currentTime());
  EXPECT_EQ(e->iteration, 300);
}

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
  EXPECT_EQ(e->hField[0], 0.0);
  EXPECT_EQ(e->hField[400], 0.0);
}

TEST(Physics, RingBringsThePulseBackAfterOneRound)
{
  auto e = engineFrom(problem("1dp", section("diel", 200, "1 1")));
  ASSERT_TRUE(e->isConstructed());
  launchRight(*e, 150, 10, 1, 199);
  e->hField[200] = e->hField[0]; // the ring's H between E[199] and E[0]
  e->hField[0] = 0.0;
  const std::vector<double> initial = e->eField;
  for (int n = 0; n < 100; ++n)
    e->step();
  // Half a round later the pulse sits at 250 - 200 = 50: it left at the right
  // and re-entered at the left.
  EXPECT_NEAR(e->eField[50], 1.0, 1e-9);
  for (int n = 0; n < 100; ++n)
    e->step();
  for (int i = 0; i < 200; ++i)
    ASSERT_NEAR(e->eField[i], initial[i], 1e-9) << i;
}

TEST(Physics, ConditionalRingClosesWhenThePulseArrives)
{
  auto e = engineFrom(problem("1dcp", section("diel", 300, "1 1") + gaussSource(30, 375, 100, 3)));
  ASSERT_TRUE(e->isConstructed());
  auto *s = dynamic_cast<CPLosslessDielectric<int, double> *>(e->sections[0]);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->monitorIndex, 297.0);
  int closedAt = -1;
  for (int n = 1; n <= 600 && closedAt < 0; ++n) {
    e->step();
    if (s->ringClosed) {
      closedAt = n;
      EXPECT_GT(e->hField[297], 0.0);
    } else {
      ASSERT_LE(e->hField[297], 0.0) << n;
      ASSERT_EQ(e->eField[0], 0.0) << n;
      ASSERT_EQ(e->hField[300], 0.0) << n;
    }
  }
  ASSERT_GT(closedAt, 250); // the pulse front needs about 267 steps to get there
  // After closing, the pulse crosses the ring's seam into E[0 ...].
  double leftEnergy = 0.0;
  for (int n = 0; n < 300; ++n) {
    e->step();
    leftEnergy += e->eField[5] * e->eField[5];
  }
  EXPECT_GT(leftEnergy, 1e-3);
  EXPECT_TRUE(s->ringClosed);
}

TEST(Physics, LumpedTerminationOverridesASource)
{
  auto e = engineFrom(problem("1d", section("diel", 100, "1 1") + gaussSource(100, 375, 100, 3) +
                                        "20 lumped\nend lumped\n"));
  ASSERT_TRUE(e->isConstructed());
  for (int n = 0; n < 200; ++n) {
    e->step();
    ASSERT_EQ(e->eField[99], -(e->hField[99] * 20.0)) << n;
  }
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

TEST(Physics, DelayedGaussianIsTheUndelayedPulseShifted)
{
  // 100 steps of delay: the pulse must arrive whole, 100 steps later.
  auto plain = engineFrom(problem("1d", section("diel", 600, "1 1") + gaussSource(50, 375, 100, 3)));
  ASSERT_TRUE(plain->isConstructed());
  const double dt = plain->timeStep();
  const int shift = 100;
  auto delayed = engineFrom(
      problem("1d", section("diel", 600, "1 1") + gaussSource(50, 375, 100, 3, shift * dt * 1e9)));
  ASSERT_TRUE(delayed->isConstructed());
  const Records a = record(*plain, 800, 300, 300);
  const Records b = record(*delayed, 800 + shift, 300, 300);
  double peak = 0.0;
  for (double v : a.a)
    peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.5);
  for (int n = 0; n < 800; ++n)
    ASSERT_NEAR(b.a[n + shift], a.a[n], 1e-4 * peak) << n;
  for (int n = 0; n < shift; ++n)
    EXPECT_LT(std::fabs(b.a[n]), 1e-6 * peak);
}

TEST(Physics, LorentzPhaseVelocityMatchesThePermittivity)
{
  // Undamped pole: eps(f) = epsInf + (epsS - epsInf) f0^2 / (f0^2 - f^2).
  const double epsInf = 2.25, epsS = 5.0, f0 = 300e12;
  for (double fTHz : {100.0, 200.0}) {
    auto e = engineFrom(problem("1d", section("lor1", 3500, "2.25 1 0 5 0 300 THz") +
                                          gaussSource(51, fTHz, 20, 5)));
    ASSERT_TRUE(e->isConstructed());
    const int pa = 300, pb = 340;
    const Records r = record(*e, 5000, pa, pb);
    const double f = fTHz * 1e12;
    const std::complex<double> xa = dft(r.a, e->timeStep(), f), xb = dft(r.b, e->timeStep(), f);
    double phase = std::arg(xa * std::conj(xb));
    if (phase < 0)
      phase += 2 * pi;
    const double k = phase / ((pb - pa) * 10e-9);
    const double n = k * c0 / (2 * pi * f);
    const double eps = epsInf + (epsS - epsInf) * f0 * f0 / (f0 * f0 - f * f);
    EXPECT_NEAR(n, std::sqrt(eps), 0.01 * std::sqrt(eps)) << fTHz << " THz";
    // Without loss the amplitude stays.
    EXPECT_NEAR(std::abs(xb) / std::abs(xa), 1.0, 0.01) << fTHz << " THz";
  }
}

TEST(Physics, FusedSilicaPhaseVelocityMatchesItsSellmeierIndex)
{
  // Undamped poles at 68 nm and 116 nm need a stability above 1 on 5 nm cells.
  for (const char *medium : {"material medium\n4000 meshpoints\nfused_silica parameters",
                             "sellmeier medium\n4000 meshpoints\n1 1 0 0.6961663 0.0046791485 "
                             "0.4079426 0.013512063 0.8974794 97.934002 parameters"}) {
    auto e = engineFrom(QStringLiteral("1.05 stability\n1 threads\nnm measure\n5 size\n1 physical\n"
                                       "1d problem\n%1\n")
                            .arg(medium) +
                        gaussSource(51, 375, 20, 5));
    ASSERT_TRUE(e->isConstructed()) << e->errorReason.toStdString();
    const int pa = 600, pb = 700;
    const Records r = record(*e, 9000, pa, pb);
    const double f = 375e12, um = c0 / f * 1e6, l2 = um * um;
    const std::complex<double> xa = dft(r.a, e->timeStep(), f), xb = dft(r.b, e->timeStep(), f);
    double phase = std::arg(xa * std::conj(xb));
    if (phase < 0)
      phase += 2 * pi;
    const double n = phase * c0 / (2 * pi * f * (pb - pa) * 5e-9);
    const double sellmeier = std::sqrt(1 + 0.6961663 * l2 / (l2 - 0.0684043 * 0.0684043) +
                                       0.4079426 * l2 / (l2 - 0.1162414 * 0.1162414) +
                                       0.8974794 * l2 / (l2 - 9.896161 * 9.896161));
    EXPECT_NEAR(n, sellmeier, 1e-3) << medium;
    EXPECT_NEAR(std::abs(xb) / std::abs(xa), 1.0, 0.01) << medium;
  }
}

TEST(Physics, ConductiveLossAttenuatesAsAnalytic)
{
  // k = (w / c) sqrt(epsR - i sigma / (w eps0)); the amplitude falls as exp(Im k x).
  const double epsR = 2.25, sigma = 1500.0, f = 200e12, w = 2 * pi * f;
  auto e = engineFrom(
      problem("1d", section("ldiel", 3000, "2.25 1 1500") + gaussSource(51, 200, 20, 5)));
  ASSERT_TRUE(e->isConstructed());
  const int pa = 200, pb = 300;
  const Records r = record(*e, 4000, pa, pb);
  const std::complex<double> xa = dft(r.a, e->timeStep(), f), xb = dft(r.b, e->timeStep(), f);
  const std::complex<double> k =
      (w / c0) * std::sqrt(std::complex<double>(epsR, -sigma / (w * eps0)));
  const double alpha = -k.imag(); // per metre
  const double measured = -std::log(std::abs(xb) / std::abs(xa)) / ((pb - pa) * 10e-9);
  EXPECT_GT(alpha * (pb - pa) * 10e-9, 0.1); // a clearly visible decay
  EXPECT_NEAR(measured, alpha, 0.02 * alpha);
}

TEST(Physics, NonFiniteFieldStopsTheRun)
{
  auto e = engineFrom(problem("1d", section("diel", 100, "1 1")));
  ASSERT_TRUE(e->isConstructed());
  e->eField[40] = std::numeric_limits<double>::quiet_NaN();
  for (int n = 0; n < FDTDSimulator::finiteCheckPeriod - 1; ++n)
    e->step();
  EXPECT_FALSE(e->finished);
  EXPECT_TRUE(e->runFailure.isEmpty());
  e->step();
  EXPECT_TRUE(e->finished);
  EXPECT_EQ(e->runFailure,
            QStringLiteral("The field is no longer finite at iteration %1: the run was stopped.")
                .arg(FDTDSimulator::finiteCheckPeriod));
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
  EXPECT_EQ(e->warnings.join('\n').toStdString(),
            beyond ? QStringLiteral("Section 1 (cells 1 to 399, Lorentz medium): with stability %1 "
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

INSTANTIATE_TEST_SUITE_P(Physics, LorentzStabilityLimit, ::testing::Values(1.02, 1.03));
