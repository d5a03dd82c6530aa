// Physical checks with analytic or symmetry answers: the sign of the chirp
// under dispersion, the self-phase-modulation phase, translation invariance
// with Kerr and Raman in both formulations, the Raman soliton self-frequency
// shift, energy conservation and runs that end at their length.

#include "uppetestsupport.h"

#include <fftw3.h>

#include <gtest/gtest.h>

#include <complex>

namespace {

using namespace uppetest;
using Signal = std::vector<std::complex<double>>;

constexpr double c = 299792458.0;
constexpr double pi = 3.141592653589793;

// Analytic signal of a real sampled field: the bins 0 < k < cutBin of its
// spectrum, doubled (components e^{+i w t}).
Signal analyticSignal(const std::vector<double> &x, int cutBin)
{
  const int n = int(x.size());
  Signal b(x.begin(), x.end());
  auto *data = reinterpret_cast<fftw_complex *>(b.data());
  fftw_plan forward = fftw_plan_dft_1d(n, data, data, FFTW_FORWARD, FFTW_ESTIMATE);
  fftw_plan backward = fftw_plan_dft_1d(n, data, data, FFTW_BACKWARD, FFTW_ESTIMATE);
  fftw_execute(forward);
  for (int k = 0; k < n; ++k)
    b[std::size_t(k)] *= (k > 0 && k < cutBin && k < (n + 1) / 2) ? 2.0 / n : 0.0;
  fftw_execute(backward);
  fftw_destroy_plan(forward);
  fftw_destroy_plan(backward);
  return b;
}

// Instantaneous frequency (Hz) at sample j.
double instantaneousFrequency(const Signal &s, std::size_t j, double dt)
{
  return std::arg(s[j + 1] * std::conj(s[j - 1])) / (2.0 * pi * 2.0 * dt);
}

// Intensity-weighted mean time.
double meanTime(const std::vector<double> &t, const std::vector<double> &e)
{
  double w = 0.0, m = 0.0;
  for (std::size_t j = 0; j < e.size(); ++j) {
    w += e[j] * e[j];
    m += e[j] * e[j] * t[j];
  }
  return m / w;
}

// Energy-weighted mean frequency of the display spectrum below fCut.
double meanFrequency(const UPPESimulator &e, double fCut)
{
  double w = 0.0, m = 0.0;
  for (std::size_t k = 1; k < e.getFrequencies().size() && e.getFrequencies()[k] < fCut; ++k) {
    const double s = e.getSpectrumMagnitude()[k] * e.getSpectrumMagnitude()[k];
    w += s;
    m += s * e.getFrequencies()[k];
  }
  return m / w;
}

class Physics : public WorkingDirectoryTest
{
};

// Group-velocity dispersion only: T(z) = T0 sqrt(1 + (z / L_D)^2), and the
// leading edge is red in normal (beta2 > 0), blue in anomalous dispersion.
struct ChirpCase
{
  const char *method;
  double sign;       // of beta2
  const char *shift; // "fshift" line (general formulation when not 0)
};

class Chirp : public Physics, public ::testing::WithParamInterface<ChirpCase>
{
};

TEST_P(Chirp, BroadensAsTheGaussianLawWithTheLeadingEdgeOnTheRightSide)
{
  const ChirpCase &p = GetParam();
  const double bandwidth = 5e12; // "3dB" value: field envelope exp(-t^2 / (2 T0^2))
  const double t0 = std::sqrt(std::log(2.0)) / (2.0 * pi * bandwidth);
  const double dispersionLength = 5e-3;
  const double beta2 = p.sign * t0 * t0 / dispersionLength;
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("taylorSeriesDispersive medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1e14 5e-9 %1 parameters").arg(beta2, 0, 'g', 17));
  lines = withLine(lines, SizeLine, QStringLiteral("10 size"));
  lines = withLine(lines, EvolutionStepLine, QStringLiteral("1e-3 evolutionstep"));
  lines = withLine(lines, MethodLine, QString::fromLatin1(p.method));
  lines = withLine(lines, FshiftLine, QString::fromLatin1(p.shift));
  lines = withLine(lines, UseGeneralLine, QStringLiteral("%1 usegeneral").arg(int(qstrcmp(p.shift, "0 fshift") != 0)));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  const double initial = rmsDuration(e->getTimePoints(), e->getInputField());
  EXPECT_NEAR(initial, t0 / std::sqrt(2.0), 1e-3 * initial);
  while (!e->finished) {
    e->step();
    const double z = e->getPosition();
    const double width = rmsDuration(e->getTimePoints(), e->getTimeField());
    EXPECT_NEAR(width / initial, std::sqrt(1.0 + (z / dispersionLength) * (z / dispersionLength)), 1e-3)
        << "z = " << z;
  }
  EXPECT_EQ(e->getPosition(), 10e-3);
  // Instantaneous frequency one RMS width before and after the centre.
  const Signal s = analyticSignal(e->getTimeField(), e->frequencyCount());
  const double dt = e->getTimeStep();
  const double centre = meanTime(e->getTimePoints(), e->getTimeField());
  const double width = rmsDuration(e->getTimePoints(), e->getTimeField());
  const std::size_t a = std::size_t((centre - width) / dt), b = std::size_t((centre + width) / dt);
  const double leading = instantaneousFrequency(s, a, dt);
  const double trailing = instantaneousFrequency(s, b, dt);
  // Linear chirp of a dispersed Gaussian: df/dt = sign (z/L_D) / (2 pi T0^2 (1 + (z/L_D)^2)).
  const double rate = p.sign * 2.0 / (2.0 * pi * t0 * t0 * 5.0);
  EXPECT_NEAR((trailing - leading) / (double(b - a) * dt), rate, 1e-3 * std::fabs(rate));
}

INSTANTIATE_TEST_SUITE_P(
    SteppersAndSigns, Chirp,
    ::testing::Values(ChirpCase{"rkf45 method", 1.0, "0 fshift"},
                      ChirpCase{"rkck method", -1.0, "0 fshift"},
                      ChirpCase{"rk8pd method", 1.0, "-100 fshift"},
                      ChirpCase{"rkf45 method", -1.0, "30 fshift"}));

// Pure Kerr medium (a = 1): the envelope keeps its shape and the phase of the
// analytic signal at the peak turns by -phi_NL, phi_NL = (w0 / (2 c n)) n2 (3/4) A^2 z.
class SelfPhaseModulation : public Physics, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(SelfPhaseModulation, TurnsThePeakPhaseByMinusPhiNL)
{
  const double n2 = 4e-4, index = 1.5, carrier = 100e12;
  QStringList lines = withLine(baseConfiguration(), ParametersLine,
                               QStringLiteral("1.5 0 %1 1 1 1 parameters").arg(n2));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("1 3dB"));
  lines = withLine(lines, TimepointsLine, QStringLiteral("2048 timepoints"));
  lines = withLine(lines, TimedurationLine, QStringLiteral("4000 timeduration"));
  lines = withLine(lines, SizeLine, QStringLiteral("0.5 size"));
  lines = withLine(lines, ToleranceLine, QStringLiteral("1e-10 relative tolerance"));
  lines = withLine(lines, FshiftLine, QString::fromLatin1(GetParam()));
  lines = withLine(lines, UseGeneralLine, QStringLiteral("1 usegeneral"));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  const int cut = int(2.0 * carrier / e->getFrequencyStep());
  const Signal psi0 = analyticSignal(e->getInputField(), cut);
  std::size_t peak = 0;
  for (std::size_t j = 0; j < psi0.size(); ++j)
    if (std::abs(psi0[j]) > std::abs(psi0[peak]))
      peak = j;
  const double a = std::abs(psi0[peak]);
  EXPECT_NEAR(a, 1.0, 1e-3);
  const double rate = 2.0 * pi * carrier / (2.0 * c * index) * n2 * 0.75 * a * a;
  runToEnd(*e, 1000);
  const Signal psi = analyticSignal(e->getTimeField(), cut);
  double worst = 0.0;
  for (std::size_t j = 0; j < psi.size(); ++j)
    worst = std::max(worst, std::fabs(std::abs(psi[j]) - std::abs(psi0[j])));
  EXPECT_LT(worst, 0.01 * a);
  EXPECT_NEAR(std::arg(psi[peak] / psi0[peak]), -rate * 0.5e-3, 0.01 * rate * 0.5e-3);
}

INSTANTIATE_TEST_SUITE_P(Formulations, SelfPhaseModulation,
                         ::testing::Values("0 fshift", "-100 fshift"));

// A pulse delayed by s samples leaves the medium as the centred pulse
// shifted by s samples (Kerr, Raman, dispersion and loss, fixed steps).
class TranslationInvariance : public Physics, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(TranslationInvariance, DelayedPulseGivesTheShiftedOutput)
{
  // dt = 1 fs exactly; delay 150 fs = 150 samples.
  QStringList lines = withLine(baseConfiguration(), TimepointsLine, QStringLiteral("1024 timepoints"));
  lines = withLine(lines, TimedurationLine, QStringLiteral("1023 timeduration"));
  lines = withLine(lines, CentreLine, QStringLiteral("200 centre"));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("15 3dB"));
  lines = withLine(lines, AmplitudeLine, QStringLiteral("1e9 0 amplitude"));
  lines = withLine(lines, MediumLine, QStringLiteral("lor1ker1 medium"));
  lines = withLine(lines, ParametersLine,
                   QStringLiteral("1 0 0 2.1 5 1000 3e-22 12.2 32 0.5 parameters THz"));
  lines = withLine(lines, LinearLine, QStringLiteral("1 linear"));
  lines = withLine(lines, FixedStepLine, QStringLiteral("1 fixedStep"));
  lines = withLine(lines, EvolutionStepLine, QStringLiteral("1e-5 evolutionstep"));
  lines = withLine(lines, ToleranceLine, QStringLiteral("1 relative tolerance"));
  lines = withLine(lines, SizeLine, QStringLiteral("0.2 size"));
  lines = withLine(lines, FshiftLine, QString::fromLatin1(GetParam()));
  lines = withLine(lines, UseGeneralLine, QStringLiteral("%1 usegeneral").arg(int(qstrcmp(GetParam(), "0 fshift") != 0)));
  auto centred = build(lines);
  auto delayed = build(withLine(lines, AmplitudeLine, QStringLiteral("1e9 150 amplitude")));
  ASSERT_TRUE(centred->isConstructed());
  ASSERT_TRUE(delayed->isConstructed());
  runToEnd(*centred, 100);
  runToEnd(*delayed, 100);
  ASSERT_EQ(centred->iteration, 20);
  const std::vector<double> &a = centred->getTimeField();
  const std::vector<double> &b = delayed->getTimeField();
  double peak = 0.0, worst = 0.0, change = 0.0;
  for (std::size_t j = 0; j + 150 < a.size(); ++j) {
    peak = std::max(peak, std::fabs(a[j]));
    worst = std::max(worst, std::fabs(b[j + 150] - a[j]));
  }
  for (std::size_t j = 0; j < a.size(); ++j)
    change = std::max(change, std::fabs(a[j] - centred->getInputField()[j]));
  EXPECT_GT(change, 0.1 * peak); // the medium did change the pulse
  EXPECT_LT(worst, 1e-6 * peak);
}

INSTANTIATE_TEST_SUITE_P(Formulations, TranslationInvariance,
                         ::testing::Values("0 fshift", "61 fshift", "-200 fshift"));

// A sech soliton (N about 1.5) in anomalous dispersion (above an infrared
// resonance) with a Raman fraction shifts to the red and, being slower
// there, arrives later than without the delayed response.
TEST_F(Physics, RamanSolitonShiftsToTheRedAndArrivesLater)
{
  auto run = [&](double a, double &shift, double &delay) {
    QStringList lines = withLine(baseConfiguration(), ShapeLine, QStringLiteral("sech shape"));
    lines = withLine(lines, ThreeDbLine, QStringLiteral("10 tau"));
    lines = withLine(lines, AmplitudeLine, QStringLiteral("1.5e9 0 amplitude"));
    lines = withLine(lines, CentreLine, QStringLiteral("200 centre"));
    lines = withLine(lines, TimepointsLine, QStringLiteral("512 timepoints"));
    lines = withLine(lines, TimedurationLine, QStringLiteral("500 timeduration"));
    lines = withLine(lines, MediumLine, QStringLiteral("lor1ker1 medium"));
    lines = withLine(lines, ParametersLine,
                     QStringLiteral("2 0 0 2.5 0 30 2e-22 12.2 32 %1 parameters THz").arg(a));
    lines = withLine(lines, ToleranceLine, QStringLiteral("1e-4 relative tolerance"));
    lines = withLine(lines, EvolutionStepLine, QStringLiteral("1 evolutionstep"));
    lines = withLine(lines, SizeLine, QStringLiteral("20 size"));
    auto e = build(lines);
    ASSERT_TRUE(e->isConstructed());
    const double f0 = meanFrequency(*e, 400e12);
    runToEnd(*e, 10000);
    ASSERT_TRUE(e->finished);
    ASSERT_TRUE(e->runFailure.isEmpty());
    shift = meanFrequency(*e, 400e12) - f0;
    delay = meanTime(e->getTimePoints(), e->getTimeField()) - 250e-15;
  };
  double kerrShift = 0.0, kerrDelay = 0.0, ramanShift = 0.0, ramanDelay = 0.0;
  run(1.0, kerrShift, kerrDelay);
  run(0.8, ramanShift, ramanDelay);
  // Three dispersion lengths: the Raman soliton ends 7 THz to the red and
  // 7 fs behind the one without the delayed response.
  EXPECT_LT(ramanShift, -5e12);
  EXPECT_LT(ramanShift, kerrShift - 5e12);
  EXPECT_GT(ramanDelay, kerrDelay + 3e-15);
}

// Lossless linear run: the total spectral energy stays put.
TEST_F(Physics, LosslessLinearRunConservesEnergy)
{
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("lor1 medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1 0 0 2.1 0 3000 parameters THz"));
  lines = withLine(lines, SizeLine, QStringLiteral("5 size"));
  lines = withLine(lines, EvolutionStepLine, QStringLiteral("5e-4 evolutionstep"));
  lines = appended(lines, {QStringLiteral("conversionEfficiency typeOf"), QStringLiteral("all * name"),
                           QStringLiteral("0 1000 start")});
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  runToEnd(*e, 1000);
  ASSERT_TRUE(e->finished);
  ASSERT_GT(e->iteration, 3);
  for (int i = 0; i < e->iteration; ++i) {
    EXPECT_NEAR(e->getTotalEnergy()[std::size_t(i)] / e->referenceEnergy, 1.0, 1e-6) << i;
    EXPECT_EQ(e->getBandEnergy()[std::size_t(i)], e->getTotalEnergy()[std::size_t(i)]) << i;
  }
}

// Every stepper in both modes ends exactly at the length, whatever the
// evolution step; the positions grow strictly.
struct EndCase
{
  const char *method;
  bool fixed;
  bool general;
};

class RunEnd : public Physics, public ::testing::WithParamInterface<EndCase>
{
};

TEST_P(RunEnd, LastRecordedPositionIsTheLength)
{
  const EndCase &p = GetParam();
  QStringList lines = withLine(baseConfiguration(), MethodLine, QString::fromLatin1(p.method));
  lines = withLine(lines, FixedStepLine, QStringLiteral("%1 fixedStep").arg(int(p.fixed)));
  lines = withLine(lines, UseGeneralLine, QStringLiteral("%1 usegeneral").arg(int(p.general)));
  lines = withLine(lines, TimepointsLine, QStringLiteral("256 timepoints"));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("20 3dB"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1.5 0 1e-3 12.2 32 0.7 parameters"));
  lines = withLine(lines, EvolutionStepLine, QStringLiteral("3e-4 evolutionstep"));
  lines = withLine(lines, InitialStepLine, QStringLiteral("1e-4 initialintegstep"));
  lines = withLine(lines, SizeLine, QStringLiteral("1.1 size"));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  runToEnd(*e, 1000);
  ASSERT_TRUE(e->finished);
  ASSERT_TRUE(e->runFailure.isEmpty()) << qPrintable(e->runFailure);
  const std::vector<double> &zs = e->getPositions();
  ASSERT_EQ(int(zs.size()), e->iteration);
  EXPECT_EQ(zs.back(), 1.1e-3);
  EXPECT_EQ(e->conversionPositions().back(), 1.1e-3 / 1e-3);
  for (std::size_t i = 1; i < zs.size(); ++i)
    EXPECT_GT(zs[i], zs[i - 1]);
  if (p.fixed) {
    EXPECT_EQ(e->iteration, 4);
  }
}

INSTANTIATE_TEST_SUITE_P(
    SteppersAndModes, RunEnd,
    ::testing::Values(EndCase{"rkf45 method", false, false}, EndCase{"rkf45 method", true, false},
                      EndCase{"rkck method", false, false}, EndCase{"rkck method", true, true},
                      EndCase{"rk8pd method", false, true}, EndCase{"rk8pd method", true, false}));

// A relative tolerance means the same accuracy for any amplitude: scaling the
// field by 1e6 and n2 by 1e-12 leaves the normalised run, and its steps, unchanged.
TEST_F(Physics, RelativeToleranceDoesNotDependOnTheAmplitude)
{
  auto steps = [&](const char *amplitude, const char *n2, const char *tolerance) {
    QStringList lines = withLine(baseConfiguration(), AmplitudeLine, QString::fromLatin1(amplitude));
    lines = withLine(lines, ParametersLine, QString::fromLatin1(n2));
    lines = withLine(lines, ToleranceLine, QString::fromLatin1(tolerance));
    lines = withLine(lines, TimepointsLine, QStringLiteral("256 timepoints"));
    lines = withLine(lines, ThreeDbLine, QStringLiteral("20 3dB"));
    lines = withLine(lines, EvolutionStepLine, QStringLiteral("1 evolutionstep"));
    auto e = build(lines);
    runToEnd(*e, 2000);
    return e->iteration;
  };
  const int small = steps("1 0 amplitude", "1.5 0 1e-2 12.2 32 0.7 parameters", "1e-6 relative tolerance");
  const int large = steps("1e6 0 amplitude", "1.5 0 1e-14 12.2 32 0.7 parameters", "1e-6 relative tolerance");
  EXPECT_GT(small, 5);
  EXPECT_EQ(small, large);
  EXPECT_NE(steps("1 0 amplitude", "1.5 0 1e-2 12.2 32 0.7 parameters", "1e-6 tolerance"),
            steps("1e6 0 amplitude", "1.5 0 1e-14 12.2 32 0.7 parameters", "1e-6 tolerance"));
}

} // namespace
