// Engine behaviour: initial spectrum, stepping, the halving retry, the
// display data, energy records, dump files and the "dump" switch, the
// general formulation and the shipped examples.

#include "input/lookups.h"
#include "testsupport.h"
#include "uppe/dumpfiles.h"
#include "uppe/uppeparams.h"
#include "uppetestsupport.h"

#include <QFile>
#include <QTextStream>

#include <gsl/gsl_errno.h>

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace uppetest;

class Engine : public WorkingDirectoryTest
{
};

TEST_F(Engine, InitialSpectrumAndEnergy)
{
  auto e = build(baseConfiguration());
  const int n = e->getTimePointCount();
  const int m = e->frequencyCount();
  // Direct DFT of the input field against the magnitudes.
  const std::vector<double> &x = e->getInputField();
  const std::vector<double> db = e->initialSpectrumDbData();
  ASSERT_EQ(int(db.size()), m);
  double sumSquares = 0.0;
  for (int k : {0, 1, 100, 205, m - 1}) {
    std::complex<double> s(0.0, 0.0);
    for (int j = 0; j < n; ++j)
      s += x[std::size_t(j)] * std::polar(1.0, -6.283185307179586 * double(k) * j / n);
    EXPECT_NEAR(std::pow(10.0, db[std::size_t(k)] / 20.0), std::abs(s), 1e-9 * (std::abs(s) + 1.0)) << k;
  }
  for (int k = 0; k < m; ++k) {
    const double p = std::pow(10.0, 0.1 * db[std::size_t(k)]);
    sumSquares += p;
  }
  // Energy: the sum of |X_k|^2 over the bins 0 .. fmax times df (THz).
  EXPECT_NEAR(e->referenceEnergy, sumSquares * e->getFrequencyStep() / 1e12, 1e-12 * e->referenceEnergy);
  const double before = e->referenceEnergy;
  e->referenceEnergy = 0.0;
  e->integrateSpectrum();
  EXPECT_EQ(e->referenceEnergy, before);
}

TEST_F(Engine, BandEnergyCountsExactlyTheBinsInTheBand)
{
  auto e = build(appended(baseConfiguration(), {QStringLiteral("conversionEfficiency typeOf"),
                                                QStringLiteral("band * name"),
                                                QStringLiteral("95.3 104.1 start")}));
  ASSERT_TRUE(e->isConstructed());
  const std::vector<double> &f = e->getFrequencies();
  const std::size_t first = e->bandFirstBin(), end = e->bandEndBin();
  EXPECT_TRUE(f[first - 1] < 95.3e12 && f[first] >= 95.3e12);
  EXPECT_TRUE(f[end - 1] <= 104.1e12 && f[end] > 104.1e12);
  e->step();
  e->step();
  double band = 0.0, total = 0.0;
  for (std::size_t k = 0; k < f.size(); ++k) {
    const double s = e->getSpectrumMagnitude()[k] * e->getSpectrumMagnitude()[k];
    total += s;
    if (k >= first && k < end)
      band += s;
  }
  const double df = e->getFrequencyStep() / 1e12;
  EXPECT_DOUBLE_EQ(e->getBandEnergy()[1], band * df);
  EXPECT_DOUBLE_EQ(e->getTotalEnergy()[1], total * df);
  EXPECT_DOUBLE_EQ(e->getTotalEnergy()[1], e->spectralEnergy(e->getSpectrumMagnitude()));
  for (int k = 0; k < e->frequencyCount(); k += 50)
    EXPECT_DOUBLE_EQ(e->spectrumDbVector()[std::size_t(k)],
                     20.0 * std::log10(e->getSpectrumMagnitude()[std::size_t(k)]));
}

TEST_F(Engine, FixedModeHalvesTheEvolutionStepForGood)
{
  QStringList lines = withLine(baseConfiguration(), AmplitudeLine, QStringLiteral("1e120 0 amplitude"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1.5 0 1 1 1 1 parameters"));
  lines = withLine(lines, FixedStepLine, QStringLiteral("1 fixedStep"));
  auto e = build(lines);
  e->step();
  e->step();
  EXPECT_DOUBLE_EQ(e->evolutionStepLength(), 0.25e-4);
  EXPECT_FALSE(e->finished);
  EXPECT_EQ(e->iteration, 0);
}

TEST_F(Engine, CouplingAtTheTaylorReferenceFrequencyDoesNotPoisonTheRun)
{
  // The reference frequency lies on a bin: k = 0 there.
  auto probe = build(baseConfiguration());
  const double f = probe->getFrequencies()[200];
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("taylorSeriesDispersive medium"));
  lines = withLine(lines, ParametersLine,
                   QStringLiteral("%1 5e-9 0 parameters").arg(f, 0, 'g', 17));
  // Add a nonlinear medium so that the coupling matters: Taylor has n2 = 0,
  // so check the factor itself and a run.
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->getRefractiveIndex()[200], Complex(0.0, 0.0));
  EXPECT_EQ(e->getOperator()->couplingFactor()[200], Complex(0.0, 0.0));
  runToEnd(*e, 100);
  EXPECT_TRUE(e->finished);
  EXPECT_TRUE(e->runFailure.isEmpty());
}

TEST_F(Engine, DumpSwitch)
{
  // Without the switch line the files are written.
  auto on = build(withoutLine(baseConfiguration(), DumpLine));
  EXPECT_TRUE(on->dumpsEnabled());
  auto one = build(withLine(baseConfiguration(), DumpLine, QStringLiteral("1 dump")));
  EXPECT_TRUE(one->dumpsEnabled());
  const QStringList before = filesHere();
  EXPECT_TRUE(before.contains(QStringLiteral("couplingFactor_.txt")));
  for (const QString &f : before)
    QFile::remove(dir.filePath(f));
  auto off = build(baseConfiguration());
  EXPECT_FALSE(off->dumpsEnabled());
  off->step();
  off->step();
  EXPECT_TRUE(filesHere().isEmpty()) << qPrintable(filesHere().join(QLatin1Char(' ')));
}

TEST_F(Engine, DumpFilesOfARun)
{
  QStringList lines = withLine(baseConfiguration(), TimepointsLine, QStringLiteral("16 timepoints"));
  lines = withLine(lines, TimedurationLine, QStringLiteral("200 timeduration"));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("40 3dB"));
  lines = withLine(lines, DumpLine, QStringLiteral("1 dump"));
  const int first = rightHandSideCounter();
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  QStringList files = filesHere();
  EXPECT_EQ(files, QStringList({QStringLiteral("FrequencyVector_.txt"), QStringLiteral("couplingFactor_.txt"),
                                QStringLiteral("time_doamin_signal_.txt"),
                                QStringLiteral("vRamanResponseTime_.txt")}));
  // Contents: the input field samples, 9 coupling entries, 16 response pairs.
  EXPECT_EQ(testsupport::readAll(QStringLiteral("time_doamin_signal_.txt")).count('\n'), 16);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("couplingFactor_.txt")).count('\n'), 9);
  EXPECT_TRUE(testsupport::readAll(QStringLiteral("couplingFactor_.txt")).startsWith("nan\tnan\n") ||
              testsupport::readAll(QStringLiteral("couplingFactor_.txt")).startsWith("-nan\t-nan\n"));
  EXPECT_EQ(testsupport::readAll(QStringLiteral("vRamanResponseTime_.txt")).count('\n'), 16);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("FrequencyVector_.txt")).count('\n'), 9);

  e->step();
  e->step();
  const int last = rightHandSideCounter();
  EXPECT_EQ(last - first, int(e->rightHandSideEvaluations()));
  files = filesHere();
  for (int k = first; k < last; ++k) {
    EXPECT_TRUE(files.contains(QStringLiteral("Evector_%1.txt").arg(k))) << k;
    EXPECT_TRUE(files.contains(QStringLiteral("Pvector_%1.txt").arg(k))) << k;
    EXPECT_EQ(testsupport::readAll(QStringLiteral("Evector_%1.txt").arg(k)).count('\n'), 16);
  }
  EXPECT_EQ(files.filter(QStringLiteral("Qimag")), QStringList({QStringLiteral("Qimag_.txt")}));
  EXPECT_EQ(testsupport::readAll(QStringLiteral("Qimag_.txt")).count('\n'), 16);

  // A second engine continues the numbering.
  auto second = build(lines);
  second->step();
  EXPECT_TRUE(filesHere().contains(QStringLiteral("Evector_%1.txt").arg(last)));
}

TEST_F(Engine, GeneralFormulationWritesNoInputSignalFile)
{
  QStringList lines = withLine(baseConfiguration(), TimepointsLine, QStringLiteral("16 timepoints"));
  lines = withLine(lines, TimedurationLine, QStringLiteral("200 timeduration"));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("40 3dB"));
  lines = withLine(lines, DumpLine, QStringLiteral("1 dump"));
  lines = withLine(lines, UseGeneralLine, QStringLiteral("1 usegeneral"));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_FALSE(filesHere().contains(QStringLiteral("time_doamin_signal_.txt")));
  e->step();
  EXPECT_EQ(testsupport::readAll(QStringLiteral("Evector_%1.txt").arg(rightHandSideCounter() - 1)).count('\n'), 32);
}

struct GeneralCase
{
  const char *medium;
  const char *parameters;
  double shiftBins; // carrier shift in frequency bins (need not be whole)
};

class GeneralFormulation : public Engine, public ::testing::WithParamInterface<GeneralCase>
{
};

// The general formulation, whatever its carrier shift, propagates the same
// real field as the real formulation and shows the same spectrum, energies
// and conversion efficiency on the same axis.
TEST_P(GeneralFormulation, AgreesWithTheRealFormulation)
{
  const GeneralCase &c = GetParam();
  QStringList lines = appended(baseConfiguration(), {QStringLiteral("conversionEfficiency typeOf"),
                                                     QStringLiteral("band * name"),
                                                     QStringLiteral("95 104 start")});
  lines = withLine(lines, MediumLine, QString::fromLatin1(c.medium));
  lines = withLine(lines, ParametersLine, QString::fromLatin1(c.parameters));
  lines = withLine(lines, LinearLine, QStringLiteral("1 linear"));
  lines = withLine(lines, SizeLine, QStringLiteral("0.5 size"));
  lines = withLine(lines, FixedStepLine, QStringLiteral("1 fixedStep"));
  lines = withLine(lines, TimepointsLine, QStringLiteral("2048 timepoints"));
  auto real = build(lines);
  QStringList general = withLine(lines, UseGeneralLine, QStringLiteral("1 usegeneral"));
  const double shift = c.shiftBins * real->getFrequencyStep() / 1e12;
  general = withLine(general, FshiftLine, QStringLiteral("%1 fshift").arg(shift, 0, 'g', 17));
  auto gen = build(general);
  ASSERT_TRUE(real->isConstructed());
  ASSERT_TRUE(gen->isConstructed());
  EXPECT_DOUBLE_EQ(gen->getReferenceVelocity(), real->getReferenceVelocity());
  runToEnd(*real, 100);
  runToEnd(*gen, 100);
  ASSERT_EQ(real->iteration, gen->iteration);
  double peak = 0.0;
  for (double v : real->getTimeField())
    peak = std::max(peak, std::fabs(v));
  ASSERT_GT(peak, 0.01);
  for (std::size_t j = 0; j < real->getTimeField().size(); ++j)
    ASSERT_NEAR(gen->getTimeField()[j], real->getTimeField()[j], 1e-7 * peak) << j;
  ASSERT_EQ(gen->frequencyCount(), real->frequencyCount());
  EXPECT_EQ(gen->frequencyStepDisplay(), real->frequencyStepDisplay());
  EXPECT_EQ(gen->frequenciesDisplay(), real->frequenciesDisplay());
  EXPECT_EQ(gen->initialSpectrumDbData(), real->initialSpectrumDbData());
  const double top = *std::max_element(real->spectrumDbVector().begin(), real->spectrumDbVector().end());
  for (int k = 0; k < real->frequencyCount(); ++k) {
    if (real->spectrumDbVector()[std::size_t(k)] > top - 100.0) {
      ASSERT_NEAR(gen->spectrumDbVector()[std::size_t(k)], real->spectrumDbVector()[std::size_t(k)], 1e-5) << k;
    }
  }
  EXPECT_EQ(gen->referenceEnergy, real->referenceEnergy);
  const int last = real->iteration - 1;
  EXPECT_NEAR(gen->getTotalEnergy()[std::size_t(last)], real->getTotalEnergy()[std::size_t(last)],
              1e-9 * real->referenceEnergy);
  EXPECT_NEAR(gen->getBandEnergy()[std::size_t(last)], real->getBandEnergy()[std::size_t(last)],
              1e-9 * real->referenceEnergy);
}

INSTANTIATE_TEST_SUITE_P(
    MediaAndShifts, GeneralFormulation,
    ::testing::Values(
        GeneralCase{"const_n_ker1 medium", "1.5 0.0001 0.000001 12.2 32 0.7 parameters", 0.0},
        GeneralCase{"const_n_ker1 medium", "1.5 0.0001 0.000001 12.2 32 0.7 parameters", -200.0},
        GeneralCase{"const_n_ker1 medium", "1.5 0.0001 0.000001 12.2 32 0.7 parameters", 74.6},
        GeneralCase{"lor1ker1 medium", "1 0 0 2.1 10 1000 0.000001 12.2 32 0.7 parameters THz", -180.0},
        GeneralCase{"lor1ker1 medium", "1 0 0 2.1 10 1000 0.000001 12.2 32 0.7 parameters THz", 37.3},
        GeneralCase{"taylorSeriesDispersive medium", "1e14 5e-9 1e-25 parameters", -200.4}));

TEST_F(Engine, GeneralFormulationIndexIsConjugatedForNegativeFrequencies)
{
  QStringList lines = withLine(baseConfiguration(), UseGeneralLine, QStringLiteral("1 usegeneral"));
  lines = withLine(lines, FshiftLine, QStringLiteral("-50 fshift"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1.5 0.01 0 1 1 1 parameters"));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  const std::vector<double> &f = e->getOperator()->operatorFrequencies();
  ASSERT_EQ(f.size(), 1024u);
  EXPECT_DOUBLE_EQ(f[0], 50e12);
  EXPECT_DOUBLE_EQ(f[1023], -e->getFrequencyStep() + 50e12);
  for (std::size_t k = 0; k < f.size(); ++k)
    EXPECT_EQ(e->getRefractiveIndex()[k], f[k] < 0 ? Complex(1.5, -0.01) : Complex(1.5, 0.01)) << k;
  // Every bin decays: no amplification of negative frequencies.
  for (const Complex &l : e->getOperator()->linearOperator())
    EXPECT_LE(l.real(), 0.0);
}

} // namespace
