// Physical checks with analytic answers: dispersive broadening of a Gaussian
// pulse, self-phase modulation, energy conservation and the Raman red shift.

#include "uppe/uppeparams.h"
#include "uppetestsupport.h"

#include <fftw3.h>

#include <gtest/gtest.h>

#include <complex>

namespace {

using namespace uppetest;

constexpr double c = 299792458.0;
constexpr double pi = 3.141592653589793;

class Physics : public WorkingDirectoryTest
{
};

// Analytic signal of the bins with 0 < f < fCut of a half-complex spectrum.
std::vector<std::complex<double>> analyticSignal(const double *hc, int n, int cutBin)
{
  std::vector<std::complex<double>> buffer(std::size_t(n), std::complex<double>(0.0, 0.0));
  for (int k = 1; k < cutBin && k <= (n - 1) / 2; ++k)
    buffer[std::size_t(k)] = 2.0 * std::complex<double>(hc[k], hc[n - k]);
  fftw_plan plan = fftw_plan_dft_1d(n, reinterpret_cast<fftw_complex *>(buffer.data()),
                                    reinterpret_cast<fftw_complex *>(buffer.data()), FFTW_BACKWARD,
                                    FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  for (auto &v : buffer)
    v /= double(n);
  return buffer;
}

// (a) Group-velocity dispersion only: T(z) = T0 sqrt(1 + (z / L_D)^2).
class DispersiveBroadening : public Physics, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(DispersiveBroadening, FollowsTheGaussianLaw)
{
  const double bandwidth = 5e12; // "3dB" value: field envelope exp(-t^2 / (2 T0^2))
  const double t0 = std::sqrt(std::log(2.0)) / (2.0 * pi * bandwidth);
  const double dispersionLength = 5e-3;
  const double beta2 = t0 * t0 / dispersionLength;
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("taylorSeriesDispersive medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1e14 5e-9 %1 parameters").arg(beta2, 0, 'g', 17));
  lines = withLine(lines, TimepointsLine, QStringLiteral("2048 timepoints"));
  lines = withLine(lines, SizeLine, QStringLiteral("10 size"));
  lines = withLine(lines, EvolutionStepLine, QStringLiteral("1e-3 evolutionstep"));
  lines = withLine(lines, MethodLine, QString::fromLatin1(GetParam()));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  const double initial = rmsDuration(e->getTimePoints(), e->getInputField());
  EXPECT_NEAR(initial, t0 / std::sqrt(2.0), 1e-3 * initial);
  double previous = initial;
  while (!e->finished) {
    e->step();
    const double z = e->getPosition();
    const double width = rmsDuration(e->getTimePoints(), e->getTimeField());
    // The shown field is the field at the recorded position.
    EXPECT_NEAR(width / initial, std::sqrt(1.0 + (z / dispersionLength) * (z / dispersionLength)), 1e-3)
        << "z = " << z;
    EXPECT_GT(width, previous);
    previous = width;
  }
  const double z = e->getPosition();
  EXPECT_GE(z, 10e-3);
  EXPECT_NEAR(previous / initial, std::sqrt(1.0 + (z / dispersionLength) * (z / dispersionLength)),
              0.01 * std::sqrt(5.0));
}

INSTANTIATE_TEST_SUITE_P(Steppers, DispersiveBroadening,
                         ::testing::Values("rkf45 method", "rkck method", "rk8pd method"));

// (b) Kerr medium with a = 1: the envelope keeps its shape and the phase at
// the peak grows as (w0 / (2 c n)) n2 (3/4) A^2 z.
TEST_F(Physics, SelfPhaseModulationRotatesThePhaseLinearly)
{
  const double n2 = 4e-4, index = 1.5, carrier = 100e12;
  QStringList lines = withLine(baseConfiguration(), ParametersLine,
                               QStringLiteral("1.5 0 %1 1 1 1 parameters").arg(n2));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("1 3dB"));
  lines = withLine(lines, TimepointsLine, QStringLiteral("2048 timepoints"));
  lines = withLine(lines, TimedurationLine, QStringLiteral("4000 timeduration"));
  lines = withLine(lines, SizeLine, QStringLiteral("0.5 size"));
  lines = withLine(lines, ToleranceLine, QStringLiteral("1e-8 tolerance"));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  const int n = e->getTimePointCount();
  const int cut = int(2.0 * carrier / e->getFrequencyStep());
  // Initial analytic signal from the input spectrum.
  std::vector<double> hc(e->getInputField());
  fftw_plan plan = fftw_plan_r2r_1d(n, hc.data(), hc.data(), FFTW_R2HC, FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  const auto psi0 = analyticSignal(hc.data(), n, cut);
  std::size_t peak = 0;
  for (std::size_t j = 0; j < psi0.size(); ++j)
    if (std::abs(psi0[j]) > std::abs(psi0[peak]))
      peak = j;
  const double a = std::abs(psi0[peak]);
  EXPECT_NEAR(a, 1.0, 1e-3);
  const double rate = 2.0 * pi * carrier / (2.0 * c * index) * n2 * 0.75 * a * a;

  int checks = 0;
  while (!e->finished) {
    e->step();
    const double z = e->getPosition();
    const auto psi = analyticSignal(e->getOperator()->fieldState(), n, cut);
    double worst = 0.0;
    for (std::size_t j = 0; j < psi.size(); ++j)
      worst = std::max(worst, std::fabs(std::abs(psi[j]) - std::abs(psi0[j])));
    EXPECT_LT(worst, 0.01 * a) << "z = " << z;
    const double phase = std::arg(psi[peak] / psi0[peak]);
    EXPECT_NEAR(phase / z, rate, 0.01 * rate) << "z = " << z;
    ++checks;
  }
  EXPECT_GE(checks, 3);
  EXPECT_GT(rate * e->getPosition(), 0.05); // a phase well above the tolerance
}

// (c) Lossless linear run: the total spectral energy stays put.
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
  for (int i = 0; i < e->iteration; ++i)
    EXPECT_NEAR(e->getTotalEnergy()[std::size_t(i)] / e->referenceEnergy, 1.0, 1e-6) << i;
  EXPECT_NEAR(e->spectralEnergy(e->getSpectrumMagnitude()) / e->referenceEnergy, 1.0, 1e-6);
}

// (d) A delayed Raman response (a < 1) moves the spectral centroid to the
// red. A dispersive (Lorentz) medium keeps third-harmonic generation out of
// phase; the photon number is conserved while the energy is not.
TEST_F(Physics, RamanResponseShiftsTheSpectrumToTheRed)
{
  auto centroidShift = [&](double a) {
    QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("lor1ker1 medium"));
    lines = withLine(lines, ParametersLine,
                     QStringLiteral("1 0 0 2.1 0 1000 0.02 12.2 32 %1 parameters THz").arg(a));
    lines = withLine(lines, CentreLine, QStringLiteral("200 centre"));
    lines = withLine(lines, ThreeDbLine, QStringLiteral("15 3dB"));
    lines = withLine(lines, TimepointsLine, QStringLiteral("2048 timepoints"));
    lines = withLine(lines, TimedurationLine, QStringLiteral("1000 timeduration"));
    lines = withLine(lines, SizeLine, QStringLiteral("0.3 size"));
    auto e = build(lines);
    EXPECT_TRUE(e->isConstructed());
    // Energy centroid and photon number of the band below 400 THz.
    auto moments = [&](double &photons) {
      const std::vector<double> &f = e->getFrequencies();
      const std::vector<double> &magnitude = e->getSpectrumMagnitude();
      double w = 0.0, m = 0.0;
      photons = 0.0;
      for (std::size_t k = 1; k < f.size() && f[k] < 400e12; ++k) {
        const double s = magnitude[k] * magnitude[k];
        w += s;
        m += s * f[k];
        photons += s / f[k];
      }
      return m / w;
    };
    double photonsBefore = 0.0, photonsAfter = 0.0;
    const double before = moments(photonsBefore);
    runToEnd(*e, 10000);
    EXPECT_TRUE(e->runFailure.isEmpty());
    EXPECT_TRUE(e->finished);
    const double after = moments(photonsAfter);
    EXPECT_NEAR(photonsAfter / photonsBefore, 1.0, 1e-2);
    return after - before;
  };
  const double kerrOnly = centroidShift(1.0);
  const double withRaman = centroidShift(0.5);
  const double ramanOnly = centroidShift(0.0);
  EXPECT_LT(withRaman, -1e12);
  EXPECT_LT(ramanOnly, withRaman);
  EXPECT_GT(kerrOnly, withRaman + 1e12);
}

} // namespace
