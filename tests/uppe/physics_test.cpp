// Physical checks with analytic or symmetry answers: dispersive broadening
// and the sign of the chirp per stepper, the self-phase-modulation phase,
// translation invariance with Kerr and Raman, the Raman soliton shift,
// energy, runs that end at their length, the two formulations agreeing, and
// real materials against exact propagation.

#include "testsupport.h"
#include "uppetestsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <fftw3.h>

#include <gtest/gtest.h>

#include <algorithm>
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

// Intensity-weighted mean time and RMS duration.
std::pair<double, double> meanAndWidth(const std::vector<double> &t, const std::vector<double> &e)
{
  double w = 0.0, m1 = 0.0, m2 = 0.0;
  for (std::size_t j = 0; j < e.size(); ++j) {
    w += e[j] * e[j];
    m1 += e[j] * e[j] * t[j];
    m2 += e[j] * e[j] * t[j] * t[j];
  }
  return {m1 / w, std::sqrt(m2 / w - (m1 / w) * (m1 / w))};
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

// Group-velocity dispersion only: T(z) = T0 sqrt(1 + (z / L_D)^2), and the
// leading edge is red in normal (beta2 > 0), blue in anomalous dispersion.
struct ChirpCase
{
  const char *method;
  double sign;       // of beta2
  const char *shift; // "fshift" line (general formulation when not 0)
};
void PrintTo(const ChirpCase &c, std::ostream *os) { *os << c.method << (c.sign > 0 ? " normal" : " anomalous"); }


class Chirp : public ::testing::TestWithParam<ChirpCase>
{
};

TEST_P(Chirp, BroadensAsTheGaussianLawWithTheLeadingEdgeOnTheRightSide)
{
  const ChirpCase &p = GetParam();
  const double t0 = std::sqrt(std::log(2.0)) / (2.0 * pi * 5e12); // "3dB" 5 THz
  const double dispersionLength = 5e-3;
  const QByteArray parameters =
      QStringLiteral("1e14 5e-9 %1 parameters").arg(p.sign * t0 * t0 / dispersionLength, 0, 'g', 17).toLatin1();
  auto e = build(configuration({{MediumLine, "taylorSeriesDispersive medium"}, {ParametersLine, parameters},
                                {SizeLine, "10.5 size"}, {EvolutionStepLine, "1e-3 evolutionstep"},
                                {MethodLine, p.method}, {FshiftLine, p.shift},
                                {UseGeneralLine, qstrcmp(p.shift, "0 fshift") ? "1 usegeneral" : "0 usegeneral"},
                                {24, "conversionEfficiency typeOf"}, {25, "all * name"}, {26, "0 1000 start"}}));
  ASSERT_TRUE(e->isConstructed());
  const double initial = meanAndWidth(e->getTimePoints(), e->getInputField()).second;
  EXPECT_NEAR(initial, t0 / std::sqrt(2.0), 1e-3 * initial);
  while (!e->finished) {
    e->step();
    const double zl = e->getPosition() / dispersionLength;
    EXPECT_NEAR(meanAndWidth(e->getTimePoints(), e->getTimeField()).second / initial,
                std::sqrt(1.0 + zl * zl), 1e-3);
    // Lossless and linear: the energy stays put.
    EXPECT_NEAR(e->getTotalEnergy()[std::size_t(e->iteration - 1)] / e->referenceEnergy, 1.0, 1e-6);
  }
  EXPECT_EQ(e->getPositions().back(), 10.5e-3); // the run ends exactly at its length
  EXPECT_EQ(e->conversionPositions().back(), 10.5);
  // Instantaneous frequency one RMS width before and after the centre.
  const Signal s = analyticSignal(e->getTimeField(), e->frequencyCount());
  const double dt = e->getTimeStep(), zl = 2.1;
  const auto [centre, width] = meanAndWidth(e->getTimePoints(), e->getTimeField());
  const std::size_t a = std::size_t((centre - width) / dt), b = std::size_t((centre + width) / dt);
  auto frequencyAt = [&](std::size_t j) { return std::arg(s[j + 1] * std::conj(s[j - 1])) / (4.0 * pi * dt); };
  // Linear chirp of a dispersed Gaussian: df/dt = sign (z/L_D) / (2 pi T0^2 (1 + (z/L_D)^2)).
  const double rate = p.sign * zl / (2.0 * pi * t0 * t0 * (1.0 + zl * zl));
  EXPECT_NEAR((frequencyAt(b) - frequencyAt(a)) / (double(b - a) * dt), rate, 1e-3 * std::fabs(rate));
}

INSTANTIATE_TEST_SUITE_P(SteppersAndSigns, Chirp,
                         ::testing::Values(ChirpCase{"rkf45 method", 1.0, "0 fshift"},
                                           ChirpCase{"rkck method", -1.0, "0 fshift"},
                                           ChirpCase{"rk8pd method", 1.0, "-100 fshift"},
                                           ChirpCase{"rkf45 method", -1.0, "30 fshift"}),
                         [](const ::testing::TestParamInfo<ChirpCase> &info) {
                           const ChirpCase &c = info.param;
                           return testsupport::caseName(std::string(c.method) + (c.sign > 0 ? " normal " : " anomalous ") + c.shift);
                         });

// Pure Kerr medium (a = 1): the envelope keeps its shape and the phase of the
// analytic signal at the peak turns by -phi_NL, phi_NL = (w0 / (2 c n)) n2 (3/4) A^2 z.
class SelfPhaseModulation : public ::testing::TestWithParam<const char *>
{
};

TEST_P(SelfPhaseModulation, TurnsThePeakPhaseByMinusPhiNL)
{
  const double n2 = 4e-4, index = 1.5, carrier = 100e12;
  auto e = build(configuration({{ParametersLine, "1.5 0 4e-4 1 1 1 parameters"}, {ThreeDbLine, "1 3dB"},
                                {TimepointsLine, "2048 timepoints"}, {TimedurationLine, "4000 timeduration"},
                                {SizeLine, "0.5 size"}, {ToleranceLine, "1e-10 relative tolerance"},
                                {FshiftLine, GetParam()}, {UseGeneralLine, "1 usegeneral"}}));
  ASSERT_TRUE(e->isConstructed());
  const int cut = int(2.0 * carrier / e->getFrequencyStep());
  const Signal psi0 = analyticSignal(e->getInputField(), cut);
  const std::size_t peak = std::size_t(std::max_element(psi0.begin(), psi0.end(), [](auto x, auto y) {
                                         return std::abs(x) < std::abs(y);
                                       }) - psi0.begin());
  const double a = std::abs(psi0[peak]);
  EXPECT_NEAR(a, 1.0, 1e-3);
  const double phase = 2.0 * pi * carrier / (2.0 * c * index) * n2 * 0.75 * a * a * 0.5e-3;
  runToEnd(*e, 1000);
  const Signal psi = analyticSignal(e->getTimeField(), cut);
  double worst = 0.0;
  for (std::size_t j = 0; j < psi.size(); ++j)
    worst = worse(worst, std::fabs(std::abs(psi[j]) - std::abs(psi0[j])));
  EXPECT_LT(worst, 0.01 * a);
  EXPECT_NEAR(std::arg(psi[peak] / psi0[peak]), -phase, 0.01 * phase);
}

INSTANTIATE_TEST_SUITE_P(Formulations, SelfPhaseModulation, ::testing::Values("0 fshift", "-100 fshift"), [](const ::testing::TestParamInfo<const char *> &info) { return testsupport::caseName(info.param); });

// A pulse delayed by 150 samples leaves the medium as the centred pulse
// shifted by 150 samples (Kerr, Raman, dispersion and loss, fixed steps).
class TranslationInvariance : public ::testing::TestWithParam<const char *>
{
};

TEST_P(TranslationInvariance, DelayedPulseGivesTheShiftedOutput)
{
  // dt = 1 fs exactly.
  const Edits edits = {{TimedurationLine, "1023 timeduration"}, {CentreLine, "200 centre"},
                       {ThreeDbLine, "15 3dB"}, {MediumLine, "lor1ker1 medium"},
                       {ParametersLine, "1 0 0 2.1 5 1000 3e-22 12.2 32 0.5 parameters THz"},
                       {LinearLine, "1 linear"}, {FixedStepLine, "1 fixedStep"},
                       {EvolutionStepLine, "1e-5 evolutionstep"}, {ToleranceLine, "1 relative tolerance"},
                       {SizeLine, "0.2 size"}, {FshiftLine, GetParam()},
                       {UseGeneralLine, qstrcmp(GetParam(), "0 fshift") ? "1 usegeneral" : "0 usegeneral"}};
  Edits delayedEdits = edits, centredEdits = edits;
  centredEdits.push_back({AmplitudeLine, "1e9 0 amplitude"});
  delayedEdits.push_back({AmplitudeLine, "1e9 150 amplitude"});
  auto centred = build(configuration(centredEdits));
  auto delayed = build(configuration(delayedEdits));
  ASSERT_TRUE(centred->isConstructed() && delayed->isConstructed());
  runToEnd(*centred, 100);
  runToEnd(*delayed, 100);
  ASSERT_EQ(centred->iteration, 20);
  const std::vector<double> &a = centred->getTimeField(), &b = delayed->getTimeField();
  double worst = 0.0, change = 0.0;
  for (std::size_t j = 0; j + 150 < a.size(); ++j)
    worst = worse(worst, std::fabs(b[j + 150] - a[j]));
  for (std::size_t j = 0; j < a.size(); ++j)
    change = std::max(change, std::fabs(a[j] - centred->getInputField()[j]));
  EXPECT_GT(change, 0.1 * largest(a)); // the medium did change the pulse
  EXPECT_LT(worst, 1e-6 * largest(a));
}

INSTANTIATE_TEST_SUITE_P(Formulations, TranslationInvariance,
                         ::testing::Values("0 fshift", "61 fshift", "-200 fshift"), [](const ::testing::TestParamInfo<const char *> &info) { return testsupport::caseName(info.param); });

// A sech soliton (N about 1.5) in anomalous dispersion (above an infrared
// resonance) with a Raman fraction shifts to the red and, being slower
// there, arrives later than without the delayed response.
TEST(Physics, RamanSolitonShiftsToTheRedAndArrivesLater)
{
  auto run = [&](const char *parameters, double &shift, double &delay) {
    auto e = build(configuration({{ShapeLine, "sech shape"}, {ThreeDbLine, "10 tau"},
                                  {AmplitudeLine, "1.5e9 0 amplitude"}, {CentreLine, "200 centre"},
                                  {TimepointsLine, "512 timepoints"}, {TimedurationLine, "500 timeduration"},
                                  {MediumLine, "lor1ker1 medium"}, {ParametersLine, parameters},
                                  {ToleranceLine, "1e-4 relative tolerance"},
                                  {EvolutionStepLine, "1 evolutionstep"}, {SizeLine, "20 size"}}));
    ASSERT_TRUE(e->isConstructed());
    const double f0 = meanFrequency(*e, 400e12);
    runToEnd(*e, 10000);
    ASSERT_TRUE(e->finished && e->runFailure.isEmpty());
    shift = meanFrequency(*e, 400e12) - f0;
    delay = meanAndWidth(e->getTimePoints(), e->getTimeField()).first - 250e-15;
  };
  double kerrShift = 0.0, kerrDelay = 0.0, ramanShift = 0.0, ramanDelay = 0.0;
  run("2 0 0 2.5 0 30 2e-22 12.2 32 1 parameters THz", kerrShift, kerrDelay);
  run("2 0 0 2.5 0 30 2e-22 12.2 32 0.8 parameters THz", ramanShift, ramanDelay);
  // Three dispersion lengths: 7 THz to the red and 7 fs behind the Kerr-only soliton.
  EXPECT_LT(ramanShift, -5e12);
  EXPECT_LT(ramanShift, kerrShift - 5e12);
  EXPECT_GT(ramanDelay, kerrDelay + 3e-15);
}

// The general formulation, whatever its carrier shift (in bins, need not be
// whole), propagates the same real field as the real formulation and shows
// the same spectrum, energies and conversion efficiency on the same axis;
// fixed steps of every stepper end exactly at the length; the band energy
// is the sum over exactly the bins inside the band (ends included).
struct GeneralCase
{
  const char *method, *medium, *parameters;
  double shiftBins;
};
void PrintTo(const GeneralCase &c, std::ostream *os) { *os << c.method << " " << c.medium; }


class GeneralFormulation : public ::testing::TestWithParam<GeneralCase>
{
};

TEST_P(GeneralFormulation, AgreesWithTheRealFormulation)
{
  const GeneralCase &p = GetParam();
  Edits edits = {{24, "conversionEfficiency typeOf"}, {25, "band * name"}, {26, "95.3 104.1 start"},
                 {MediumLine, p.medium}, {ParametersLine, p.parameters}, {LinearLine, "\t1 linear"},
                 {SizeLine, " 0.7 size"}, {FixedStepLine, "1 fixedStep"}, {TimepointsLine, "2048 timepoints"},
                 {MethodLine, p.method}};
  auto real = build(configuration(edits));
  const QByteArray shift = QStringLiteral("%1 fshift").arg(p.shiftBins * real->getFrequencyStep() / 1e12, 0, 'g', 17).toLatin1();
  edits.insert(edits.end(), {{UseGeneralLine, "1 usegeneral"}, {FshiftLine, shift.constData()}});
  auto gen = build(configuration(edits));
  ASSERT_TRUE(real->isConstructed() && gen->isConstructed());
  runToEnd(*real, 100);
  runToEnd(*gen, 100);
  // Whole fixed steps (0.1 mm, 0.0125 mm in the Lorentz medium) end exactly at 0.7 mm, although their sums pass it.
  ASSERT_EQ(real->iteration, gen->iteration);
  EXPECT_EQ(real->iteration, std::lround(0.7e-3 / real->getPositions().front()));
  const std::size_t last = std::size_t(real->iteration - 1);
  EXPECT_TRUE(real->getPositions().back() == 0.7e-3 && gen->getPositions().back() == 0.7e-3);
  const double peak = largest(real->getTimeField());
  for (std::size_t j = 0; j < real->getTimeField().size(); ++j)
    ASSERT_NEAR(gen->getTimeField()[j], real->getTimeField()[j], 1e-7 * peak) << j;
  EXPECT_EQ(gen->frequenciesDisplay(), real->frequenciesDisplay());
  EXPECT_EQ(gen->initialSpectrumDbData(), real->initialSpectrumDbData());
  const std::vector<double> &r = real->spectrumDbVector(), &g = gen->spectrumDbVector();
  const double top = *std::max_element(r.begin(), r.end());
  for (std::size_t k = 0; k < r.size(); ++k)
    ASSERT_TRUE(r[k] < top - 100.0 || std::fabs(g[k] - r[k]) < 1e-5) << k;
  EXPECT_EQ(gen->referenceEnergy, real->referenceEnergy);
  double band = 0.0;
  for (std::size_t k = 0; k < real->getFrequencies().size(); ++k) {
    const double f = real->getFrequencies()[k];
    band += f >= 95.3e12 && f <= 104.1e12 ? std::pow(real->getSpectrumMagnitude()[k], 2) : 0.0;
  }
  EXPECT_DOUBLE_EQ(real->getBandEnergy()[last], band * real->getFrequencyStep() / 1e12);
  EXPECT_NEAR(gen->getTotalEnergy()[last], real->getTotalEnergy()[last], 1e-9 * real->referenceEnergy);
  EXPECT_NEAR(gen->getBandEnergy()[last], real->getBandEnergy()[last], 1e-9 * real->referenceEnergy);
}

const char *const silicaKerr = "1.5 0.0001 0.000001 12.2 32 0.7 parameters";
const char *const lorentzKerr = "1 0 0 2.1 10 1000 0.000001 12.2 32 0.7 parameters THz";
INSTANTIATE_TEST_SUITE_P(
    MediaAndShifts, GeneralFormulation,
    ::testing::Values(GeneralCase{"rkf45 method", "const_n_ker1 medium", silicaKerr, 0.0},
                      GeneralCase{"rkck method", "const_n_ker1 medium", silicaKerr, -200.0},
                      GeneralCase{"rk8pd method", "const_n_ker1 medium", silicaKerr, 74.6},
                      GeneralCase{"rkf45 method", "lor1ker1 medium", lorentzKerr, -180.0},
                      GeneralCase{"rkck method", "lor1ker1 medium", lorentzKerr, 37.3},
                      GeneralCase{"rk8pd method", "taylorSeriesDispersive medium", "1e14 5e-9 1e-25 parameters", -200.4}),
    [](const ::testing::TestParamInfo<GeneralCase> &info) {
      const GeneralCase &c = info.param;
      return testsupport::caseName(std::string(c.method) + " " + c.medium + " shift " + QString::number(c.shiftBins).toStdString());
    });

// Fused silica, written out independently of the library.
double silicaIndex(double um)
{
  const double l2 = um * um;
  return std::sqrt(1.0 + 0.6961663 * l2 / (l2 - 0.0684043 * 0.0684043) +
                   0.4079426 * l2 / (l2 - 0.1162414 * 0.1162414) + 0.8974794 * l2 / (l2 - 9.896161 * 9.896161));
}

// A 16 fs pulse at 375 THz (800 nm) through 1 mm of a real material.
std::unique_ptr<UPPESimulator> throughMaterial(const char *medium, const QString &parameters, const char *general)
{
  const QByteArray p = (parameters + QStringLiteral(" parameters")).toLatin1();
  return build(configuration({{MediumLine, medium}, {ParametersLine, p.constData()}, {UseGeneralLine, general},
                              {CentreLine, "375 centre"}, {TimedurationLine, "400 timeduration"},
                              {ThreeDbLine, "15 3dB"}}));
}

// X(z) = X(0) exp(-i (k - w / v) z) bin by bin, with k from the formula;
// the library material and a table sampled from the formula give the same
// run in both formulations.
TEST(Physics, RealMaterialsAreExactPropagationWithTheirIndex)
{
  auto e = throughMaterial("sellmeier medium",
                           QStringLiteral("1 0.6961663 %1 0.4079426 %2 0.8974794 %3")
                               .arg(0.0684043 * 0.0684043, 0, 'g', 17).arg(0.1162414 * 0.1162414, 0, 'g', 17)
                               .arg(9.896161 * 9.896161, 0, 'g', 17), "0 usegeneral");
  ASSERT_TRUE(e->isConstructed()) << e->loadStatus().errorReason.toStdString();
  const int n = e->getTimePointCount();
  const std::vector<double> x0(e->getOperator()->fieldState(), e->getOperator()->fieldState() + n);
  runToEnd(*e);
  const double *x = e->getOperator()->fieldState();
  const double v = e->getReferenceVelocity(), z = e->getPosition();
  double top = 0.0, error = 0.0;
  for (int k = 1; k < n / 2; ++k)
    top = std::max(top, std::abs(std::complex<double>(x0[k], x0[n - k])));
  for (int k = 1; k < n / 2; ++k) {
    const std::complex<double> a(x0[k], x0[n - k]), b(x[k], x[n - k]);
    const double f = e->getFrequencies()[std::size_t(k)];
    const double phase = (2.0 * pi * f * silicaIndex(c / f * 1e6) / c - 2.0 * pi * f / v) * z;
    if (std::abs(a) >= 1e-3 * top)
      error = worse(error, std::abs(b - a * std::polar(1.0, -phase)) / top);
  }
  EXPECT_LT(error, 1e-9);
  EXPECT_NEAR(c / v, 1.4671, 2e-4); // the group index at 800 nm
  // The frame's group index n + f dn/df at the spectrum's peak bin p, by
  // central differences on the bins.
  int p = 1;
  for (int k = 1; k < n / 2; ++k)
    if (std::abs(std::complex<double>(x0[k], x0[n - k])) > std::abs(std::complex<double>(x0[p], x0[n - p])))
      p = k;
  const auto index = [&](int k) { return silicaIndex(c / e->getFrequencies()[std::size_t(k)] * 1e6); };
  EXPECT_NEAR(c / v, index(p) + p * (index(p + 1) - index(p - 1)) / 2, 1e-9);

  QTemporaryDir dir;
  QFile table(dir.filePath("silica.dat"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Text));
  for (double um = 4.0; um > 0.2; um -= 0.005) // decreasing, with a zero k column
    table.write(QStringLiteral("%1 %2 0\n").arg(um, 0, 'g', 17).arg(silicaIndex(um), 0, 'g', 17).toLatin1());
  table.close();
  for (const char *general : {"0 usegeneral", "1 usegeneral"}) {
    auto library = throughMaterial("material medium", QStringLiteral("FUSED_SILICA"), general);
    auto tabulated = throughMaterial("tabulated medium", table.fileName(), general);
    ASSERT_TRUE(library->isConstructed() && tabulated->isConstructed()) << tabulated->loadStatus().errorReason.toStdString();
    runToEnd(*library);
    runToEnd(*tabulated);
    double difference = 0.0;
    for (std::size_t j = 0; j < e->getTimeField().size(); ++j)
      difference = std::max({difference, std::fabs(library->getTimeField()[j] - e->getTimeField()[j]),
                             std::fabs(tabulated->getTimeField()[j] - e->getTimeField()[j])});
    EXPECT_GT(largest(e->getTimeField()), 0.1) << general;
    EXPECT_LT(difference, 1e-3 * largest(e->getTimeField())) << general;
  }
}

} // namespace

// The spectrum shown is that of the real field on 0 .. fmax, the Nyquist bin
// included for an even count: Parseval's sum over it gives the field's energy
// (odd and even counts, both formulations).
TEST(Physics, ShownSpectrumHoldsTheFieldsEnergy)
{
  for (const char *points : {"16 timepoints", "15 timepoints"})
    for (const char *general : {"0 usegeneral", "1 usegeneral"}) {
      auto e = build(configuration({{TimepointsLine, points}, {TimedurationLine, "150 timeduration"},
                                    {ThreeDbLine, "40 3dB"}, {UseGeneralLine, general}}));
      ASSERT_TRUE(e->isConstructed());
      e->step();
      const int n = e->getTimePointCount();
      const std::vector<double> &x = e->getTimeField(), &X = e->getSpectrumMagnitude();
      ASSERT_EQ(X.size(), std::size_t(n / 2 + 1));
      double time = 0.0, spectrum = 0.0;
      for (double v : x)
        time += v * v;
      for (int k = 0; k <= n / 2; ++k)
        spectrum += (k == 0 || 2 * k == n ? 1 : 2) * X[std::size_t(k)] * X[std::size_t(k)];
      EXPECT_NEAR(spectrum / n / time, 1.0, 1e-9) << points << " " << general; // NaN for no field
    }
}

// The frame's group index n + p dn/dp at the spectral peak p also where the
// peak lies on the last bin (one-sided) or the one before (central): a long
// pulse, nearly its carrier alone, centred (80 fs) on a sample of the 10 fs grid.
TEST(Physics, FrameVelocityAtTheTopBins)
{
  for (const char *centre : {"50 centre", "43.75 centre"}) {
    auto e = build(configuration({{TimepointsLine, "16 timepoints"}, {TimedurationLine, "150 timeduration"},
                                  {CentreLine, centre}, {AmplitudeLine, "1 5 amplitude"}, {ThreeDbLine, "0.5 3dB"},
                                  {MediumLine, "lor1 medium"}, {ParametersLine, "1 0 0 2.1 0 70 parameters THz"}}));
    ASSERT_TRUE(e->isConstructed()) << qPrintable(e->loadStatus().errorReason);
    const std::vector<double> db = e->initialSpectrumDbData();
    const int p = int(std::max_element(db.begin(), db.end()) - db.begin()), m = int(db.size());
    ASSERT_EQ(p, centre[0] == '5' ? m - 1 : m - 2);
    const auto n = [&](int k) { return e->getRefractiveIndex()[std::size_t(k)].real(); };
    const double slope = p == m - 1 ? n(p) - n(p - 1) : (n(p + 1) - n(p - 1)) / 2;
    EXPECT_NEAR(c / e->getReferenceVelocity(), n(p) + p * slope, 1e-12) << centre;
  }
}

// The envelope of the real field (analytic signal, every positive bin up to
// fmax doubled) has the pulse's amplitude, also for a carrier near fmax
// (200 of 255.8 THz), and its power row is the envelope squared.
TEST(Physics, AnalyticEnvelopeOfTheFieldHasThePulsesAmplitude)
{
  for (const char *centre : {"100 centre", "200 centre"}) {
    auto e = build(configuration({{CentreLine, centre}}));
    ASSERT_TRUE(e->isConstructed()) << qPrintable(e->loadStatus().errorReason);
    const EvolutionRecord &r = *e->evolution();
    double peak = 0.0;
    for (const std::complex<double> &v : r.finalField)
      peak = std::max(peak, std::abs(v));
    EXPECT_NEAR(peak, 1.0, 2e-3) << centre;
    EXPECT_NEAR(*std::max_element(r.powers.begin(), r.powers.end()), peak * peak, 1e-9) << centre;
  }
}
