// Configuration sections of the spectral engine: integration keys, pulse
// blocks, post-processing blocks and the medium, with the exact keyword or
// line of every failure.

#include "engine/loader.h"
#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "uppetestsupport.h"

#include <gtest/gtest.h>

namespace {

using namespace uppetest;

class Sections : public WorkingDirectoryTest
{
};

TEST_F(Sections, BaseConfigurationLoads)
{
  auto e = build(baseConfiguration());
  EXPECT_TRUE(e->missingKeyword.isEmpty());
  EXPECT_EQ(e->errorLine, 0);
  EXPECT_TRUE(e->isConstructed());
  EXPECT_EQ(e->stepperType(), gsl_odeiv2_step_rkf45);
  EXPECT_FALSE(e->isFixedStep());
  EXPECT_EQ(e->trialStep(), 1e-6);
  EXPECT_EQ(e->evolutionStepLength(), 1e-4);
  EXPECT_EQ(e->getTolerance(), 1e-6);
  EXPECT_FALSE(e->usesGeneralFormulation());
  EXPECT_EQ(e->frequencyUnitExponent(), 12);
  EXPECT_EQ(e->timeUnitExponent(), -15);
  EXPECT_EQ(e->spectrumAxisLabel(), QStringLiteral("Frequency [THz]"));
  EXPECT_EQ(e->timeAxisLabel(3), QStringLiteral("Time [fs]"));
  EXPECT_EQ(e->getTimePointCount(), 1024);
  EXPECT_EQ(e->frequencyCount(), 513);
  EXPECT_EQ(e->getStateDimension(), 1024);
  EXPECT_DOUBLE_EQ(e->getTimeWindow(), 2e-12);
  EXPECT_DOUBLE_EQ(e->getTimeStep(), 2e-12 / 1023);
  EXPECT_DOUBLE_EQ(e->getFrequencyStep(), 1.0 / (1024 * e->getTimeStep()));
  EXPECT_DOUBLE_EQ(e->getMaxFrequency(), 512 * e->getFrequencyStep());
  EXPECT_EQ(e->getMediumType(), UPPESimulator::ConstNKer1);
  EXPECT_FALSE(e->isLossy());
  EXPECT_EQ(e->lengthUnit, QStringLiteral("mm"));
  EXPECT_EQ(e->lengthScale(), 1e-3);
  EXPECT_DOUBLE_EQ(e->propagationLength(), 1e-3);
  EXPECT_FALSE(e->dumpsEnabled());
  EXPECT_EQ(e->sourceCount, 1);
}

struct MissingCase
{
  int line;
  const char *keyword;
};

class MissingKeyword : public Sections, public ::testing::WithParamInterface<MissingCase>
{
};

TEST_P(MissingKeyword, IsReported)
{
  auto e = build(withoutLine(baseConfiguration(), GetParam().line));
  EXPECT_EQ(e->missingKeyword, QString::fromLatin1(GetParam().keyword));
  EXPECT_FALSE(loadStatusMessage(*e, QStringLiteral("UPPE_x.txt")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryRequiredKey, MissingKeyword,
    ::testing::Values(MissingCase{MethodLine, "method"}, MissingCase{FixedStepLine, "fixedStep"},
                      MissingCase{InitialStepLine, "initialintegstep"},
                      MissingCase{EvolutionStepLine, "evolutionstep"},
                      MissingCase{ToleranceLine, "tolerance"}, MissingCase{FshiftLine, "fshift"},
                      MissingCase{UseGeneralLine, "usegeneral"},
                      MissingCase{ShapeLine, "shape"}, MissingCase{AmplitudeLine, "amplitude"},
                      MissingCase{TunitLine, "tunit"}, MissingCase{CentreLine, "centre"},
                      MissingCase{TimedurationLine, "timeduration"},
                      MissingCase{TimepointsLine, "timepoints"}, MissingCase{ThreeDbLine, "3dB"},
                      MissingCase{MediumLine, "medium"},
                      MissingCase{ParametersLine, "parameters"},
                      MissingCase{MeasureLine, "measure"}, MissingCase{SizeLine, "size"}));

TEST_F(Sections, MissingMethodAlsoSetsTheErrorLineButTheKeywordWins)
{
  // The last successful lookup before "method" read nothing: currentLine 0.
  auto e = build(withoutLine(baseConfiguration(), MethodLine));
  EXPECT_EQ(e->missingKeyword, QStringLiteral("method"));
  EXPECT_EQ(loadStatusMessage(*e, QStringLiteral("UPPE_x.txt")),
            QStringLiteral("Loading UPPE_x.txt failed:\n Keyword \"method\" not found."));
}

TEST_F(Sections, MissingFrequencyUnitsOfBothSections)
{
  QStringList lines = withoutLine(withoutLine(baseConfiguration(), IntegrationFunitLine), PulseFunitLine);
  auto e = build(lines);
  EXPECT_EQ(e->missingKeyword, QStringLiteral("funit"));
}

struct BadValueCase
{
  int line;
  const char *text;
  int errorLine;
};

class BadValue : public Sections, public ::testing::WithParamInterface<BadValueCase>
{
};

TEST_P(BadValue, GivesTheLine)
{
  const BadValueCase &c = GetParam();
  auto e = build(withLine(baseConfiguration(), c.line, QString::fromLatin1(c.text)));
  EXPECT_TRUE(e->missingKeyword.isEmpty()) << qPrintable(e->missingKeyword);
  EXPECT_EQ(e->errorLine, c.errorLine) << c.text;
  EXPECT_FALSE(e->isConstructed());
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadValue,
    ::testing::Values(
        BadValueCase{MethodLine, "euler method", MethodLine},
        BadValueCase{InitialStepLine, "abc initialintegstep", InitialStepLine},
        BadValueCase{InitialStepLine, "-1e-6 initialintegstep", InitialStepLine},
        BadValueCase{EvolutionStepLine, "0 evolutionstep", EvolutionStepLine},
        BadValueCase{ToleranceLine, "tol tolerance", ToleranceLine},
        BadValueCase{FshiftLine, "x fshift", FshiftLine},
        BadValueCase{UseGeneralLine, "1.5 usegeneral", UseGeneralLine},
        BadValueCase{IntegrationFunitLine, "XHz funit", IntegrationFunitLine},
        BadValueCase{ShapeLine, "square shape", ShapeLine},
        BadValueCase{ShapeLine, "sine shape", ShapeLine},
        BadValueCase{ShapeLine, "user shape", ShapeLine},
        BadValueCase{AmplitudeLine, "-1 0 amplitude", AmplitudeLine},
        BadValueCase{AmplitudeLine, "1 amplitude", AmplitudeLine},
        BadValueCase{AmplitudeLine, "x 0 amplitude", AmplitudeLine},
        BadValueCase{PulseFunitLine, "XHz funit", PulseFunitLine},
        BadValueCase{TunitLine, "fortnight tunit", TunitLine},
        BadValueCase{CentreLine, "0 centre", CentreLine},
        BadValueCase{CentreLine, "abc centre", CentreLine},
        BadValueCase{TimedurationLine, "-5 timeduration", TimedurationLine},
        BadValueCase{TimepointsLine, "1 timepoints", TimepointsLine},
        BadValueCase{TimepointsLine, "0 timepoints", TimepointsLine},
        BadValueCase{TimepointsLine, "1e12 timepoints", TimepointsLine},
        BadValueCase{ThreeDbLine, "0 3dB", ThreeDbLine},
        BadValueCase{MediumLine, "glass medium", MediumLine},
        BadValueCase{MeasureLine, "furlong measure", MeasureLine},
        BadValueCase{SizeLine, "inf size", SizeLine},
        // Too short "parameters" lines end the section without a status line.
        BadValueCase{MediumLine, "lor1ker1 medium", 0},
        BadValueCase{ParametersLine, "1 0 0 2 0 parameters", 0},
        BadValueCase{ParametersLine, "1.5 0 0 parameters", 0}));

TEST_F(Sections, StopWithoutStatusIsStillALoadFailure)
{
  auto e = build(withLine(baseConfiguration(), ParametersLine, QStringLiteral("1.5 parameters")));
  EXPECT_EQ(e->errorLine, 0);
  EXPECT_TRUE(e->missingKeyword.isEmpty());
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(loadStatusMessage(*e, QStringLiteral("UPPE_x.txt")),
            QStringLiteral("UPPE_x.txt: The configuration could not be loaded completely."));
}

TEST_F(Sections, MethodIgnoresCaseAndSelectsTheStepper)
{
  auto a = build(withLine(baseConfiguration(), MethodLine, QStringLiteral("RK8PD method")));
  EXPECT_EQ(a->stepperType(), gsl_odeiv2_step_rk8pd);
  auto b = build(withLine(baseConfiguration(), MethodLine, QStringLiteral("rkck method")));
  EXPECT_EQ(b->stepperType(), gsl_odeiv2_step_rkck);
}

TEST_F(Sections, NonNumericFixedStepMeansAdaptive)
{
  auto e = build(withLine(baseConfiguration(), FixedStepLine, QStringLiteral("yes fixedStep")));
  EXPECT_TRUE(e->isConstructed());
  EXPECT_FALSE(e->isFixedStep());
  auto f = build(withLine(baseConfiguration(), FixedStepLine, QStringLiteral("2 fixedStep")));
  EXPECT_TRUE(f->isFixedStep());
}

TEST_F(Sections, FrequencyShiftIsScaledByTheIntegrationUnit)
{
  QStringList lines = withLine(baseConfiguration(), FshiftLine, QStringLiteral("-50 fshift"));
  lines = withLine(lines, UseGeneralLine, QStringLiteral("1 usegeneral"));
  auto e = build(lines);
  EXPECT_TRUE(e->isConstructed());
  EXPECT_DOUBLE_EQ(e->frequencyShift(), -50e12);
  EXPECT_EQ(e->getStateDimension(), 2 * 1024);
}

TEST_F(Sections, SecondPulseBlockSetsTheGridAndTauUsesTheFirstTimeUnit)
{
  QStringList lines = baseConfiguration();
  lines << QStringLiteral("sech2 shape") << QStringLiteral("2 0 amplitude")
        << QStringLiteral("THz funit") << QStringLiteral("ps tunit") << QStringLiteral("100 centre")
        << QStringLiteral("3 timeduration") << QStringLiteral("512 timepoints")
        << QStringLiteral("20 tau");
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed()) << qPrintable(e->missingKeyword) << e->errorLine;
  EXPECT_EQ(e->getTimePointCount(), 512);
  EXPECT_DOUBLE_EQ(e->getTimeWindow(), 3e-12);
  EXPECT_EQ(e->timeUnitExponent(), -15); // from the first block
  ASSERT_EQ(e->sources.size(), 2);
  auto *sech = dynamic_cast<HardHyperbolicSecantSource<int, double> *>(e->sources[1]);
  ASSERT_NE(sech, nullptr);
  EXPECT_EQ(sech->exponent, 2);
  EXPECT_DOUBLE_EQ(sech->inverseTau, 1.0 / 20e-15); // "tau" in fs, the first block's unit
  EXPECT_DOUBLE_EQ(sech->samplingWindow, 3e-12);
  auto *gauss = dynamic_cast<HardGaussianSource<int, double> *>(e->sources[0]);
  ASSERT_NE(gauss, nullptr);
  EXPECT_DOUBLE_EQ(gauss->samplingWindow, 2e-12);
  EXPECT_DOUBLE_EQ(gauss->bandwidth, 5e12);
  // Every pulse is centred where the last one is (1.5 ps, single precision).
  EXPECT_DOUBLE_EQ(gauss->envelopeCentreTime(), double(float(1.5e-12)));
  EXPECT_DOUBLE_EQ(sech->envelopeCentreTime(), double(float(1.5e-12)));
}

TEST_F(Sections, GaussianPulseIsCentredInItsWindow)
{
  auto e = build(baseConfiguration());
  const std::vector<double> &field = e->getInputField();
  const std::vector<double> &t = e->getTimePoints();
  double w = 0.0, m = 0.0, peak = 0.0;
  for (std::size_t j = 0; j < field.size(); ++j) {
    w += field[j] * field[j];
    m += field[j] * field[j] * t[j];
    peak = std::max(peak, std::fabs(field[j]));
  }
  EXPECT_NEAR(m / w, 1e-12, 1e-18);
  EXPECT_LE(peak, 1.0);
  EXPECT_GT(peak, 0.9);
  EXPECT_EQ(t.front(), 0.0);
  EXPECT_EQ(t.back(), 2e-12);
}

TEST_F(Sections, PostprocessingBlocks)
{
  QStringList good = appended(baseConfiguration(),
                              {QStringLiteral("fourier typeOf"), QStringLiteral("f1 * name"),
                               QStringLiteral("conversionEfficiency typeOf"),
                               QStringLiteral("band * name"), QStringLiteral("90 110 start")});
  auto e = build(good);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_TRUE(e->hasConversionEfficiency());
  EXPECT_TRUE(e->conversionEfficiencyAvailable);
  EXPECT_EQ(e->getBandLow(), 90.0);
  EXPECT_EQ(e->getBandHigh(), 110.0);

  auto badType = build(appended(baseConfiguration(), {QStringLiteral("wavelet typeOf")}));
  EXPECT_EQ(badType->errorLine, 24);
  auto noName = build(appended(baseConfiguration(), {QStringLiteral("fourier typeOf")}));
  EXPECT_EQ(noName->missingKeyword, QStringLiteral("name"));
  auto noStart = build(appended(baseConfiguration(), {QStringLiteral("conversionEfficiency typeOf"),
                                                      QStringLiteral("b * name")}));
  EXPECT_EQ(noStart->missingKeyword, QStringLiteral("start"));
  auto reversed = build(appended(baseConfiguration(), {QStringLiteral("conversionEfficiency typeOf"),
                                                       QStringLiteral("b * name"),
                                                       QStringLiteral("110 90 start")}));
  EXPECT_EQ(reversed->errorLine, 26);
  auto negative = build(appended(baseConfiguration(), {QStringLiteral("conversionEfficiency typeOf"),
                                                       QStringLiteral("b * name"),
                                                       QStringLiteral("-1 90 start")}));
  EXPECT_EQ(negative->errorLine, 26);
}

TEST_F(Sections, TimeBlockWithoutUseFailsTheLoadLater)
{
  auto e = build(appended(baseConfiguration(), {QStringLiteral("time typeOf"), QStringLiteral("p * name")}));
  EXPECT_EQ(e->missingKeyword, QStringLiteral("use"));
  auto counted = build(appended(baseConfiguration(), {QStringLiteral("time typeOf"),
                                                      QStringLiteral("p * name"), QStringLiteral("0 use")}));
  EXPECT_TRUE(counted->missingKeyword.isEmpty());
  EXPECT_EQ(counted->timeSeriesCount, 1);
}

TEST_F(Sections, ActionsAndTimingLogAreParsed)
{
  auto e = build(appended(baseConfiguration(), {QStringLiteral("suspend action"), QStringLiteral("3 iterations")}));
  ASSERT_TRUE(e->isConstructed());
  EXPECT_TRUE(e->hasBreakpoints);
  EXPECT_EQ(e->breakpointCount, 1);
  auto bad = build(appended(baseConfiguration(), {QStringLiteral("jump action")}));
  EXPECT_EQ(bad->errorLine, 24);
}

TEST_F(Sections, MediumNamesIgnoreCase)
{
  auto e = build(withLine(baseConfiguration(), MediumLine, QStringLiteral("CONST_N_KER1 medium")));
  EXPECT_TRUE(e->isConstructed());
  EXPECT_EQ(e->getMediumType(), UPPESimulator::ConstNKer1);
}

TEST_F(Sections, LinearLineSetsLoss)
{
  auto lossy = build(withoutLine(baseConfiguration(), LinearLine));
  EXPECT_TRUE(lossy->isLossy());
  auto lossless = build(baseConfiguration());
  EXPECT_FALSE(lossless->isLossy());
}

TEST_F(Sections, LorentzParametersAndUnit)
{
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("lor1ker1 medium"));
  lines = withLine(lines, ParametersLine,
                   QStringLiteral("1 9 9 2.1 0.5 3000 2e-22 12.2 32 0.82 parameters THz"));
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->getKerrCoefficient(), 2e-22);
  EXPECT_DOUBLE_EQ(e->getRamanTau1(), 12.2e-15);
  EXPECT_DOUBLE_EQ(e->getRamanTau2(), 32e-15);
  EXPECT_EQ(e->getInstantaneousWeight(), 0.82);
  // Index at DC: sqrt(eps_s).
  EXPECT_NEAR(e->getRefractiveIndex()[0].real(), std::sqrt(2.1), 1e-12);
  // A unit token that is not a unit: GHz (f0 = 3000 GHz, far below the grid's 100 THz).
  lines = withLine(lines, ParametersLine,
                   QStringLiteral("1 0 0 2.1 0 3000 2e-22 12.2 32 0.82 parameters furlongs"));
  auto g = build(lines);
  ASSERT_TRUE(g->isConstructed());
  const std::vector<double> &f = g->getFrequencies();
  // Above a 3 THz resonance, lossless: eps < 1 ... compare with the model.
  std::vector<Complex> expected(1);
  lorentzRefractiveIndex(1, expected, {f[200]}, {1.0}, {3e12}, {0.0}, 2.1, 1.0, false);
  EXPECT_EQ(g->getRefractiveIndex()[200], expected[0]);
  // lor1 defaults.
  lines = withLine(lines, MediumLine, QStringLiteral("lor1 medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1 0 0 2.1 0 3 parameters PHz"));
  auto l = build(lines);
  ASSERT_TRUE(l->isConstructed());
  EXPECT_EQ(l->getKerrCoefficient(), 0.0);
  EXPECT_EQ(l->getRamanTau1(), 1.0);
  EXPECT_EQ(l->getInstantaneousWeight(), 1.0);
}

TEST_F(Sections, StepIndexClampsAndTaylorGivesTheFrameVelocity)
{
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("step_n_ker1 medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1.4 0 100 1.6 0.01 0 1 1 1 parameters"));
  auto s = build(lines);
  ASSERT_TRUE(s->isConstructed());
  const int K = int(100e12 / s->getFrequencyStep());
  EXPECT_EQ(s->getRefractiveIndex()[std::size_t(K - 1)], Complex(1.4, 0.0));
  EXPECT_EQ(s->getRefractiveIndex()[std::size_t(K)], Complex(1.6, 0.01));
  lines = withLine(lines, ParametersLine, QStringLiteral("1.4 0 1e9 1.6 0.01 0 1 1 1 parameters"));
  auto clamped = build(lines);
  ASSERT_TRUE(clamped->isConstructed());
  for (const Complex &n : clamped->getRefractiveIndex())
    EXPECT_EQ(n, Complex(1.4, 0.0));

  lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("taylorSeriesDispersive medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1e14 4.9e-9 1e-26 parameters"));
  auto t = build(lines);
  ASSERT_TRUE(t->isConstructed());
  EXPECT_EQ(t->getMediumGroupVelocity(), int(1.0 / 4.9e-9));
  EXPECT_EQ(t->getReferenceVelocity(), double(int(1.0 / 4.9e-9)));
  EXPECT_EQ(t->getRefractiveIndex()[0], Complex(0.0, 0.0));
  // No beta_1, or beta_1 = 0: no frame velocity.
  auto noBeta = build(withLine(lines, ParametersLine, QStringLiteral("1e14 parameters")));
  EXPECT_FALSE(noBeta->isConstructed());
  EXPECT_EQ(noBeta->errorLine, 0);
  auto zeroBeta = build(withLine(lines, ParametersLine, QStringLiteral("1e14 0 1e-26 parameters")));
  EXPECT_FALSE(zeroBeta->isConstructed());
}

TEST_F(Sections, ReferenceVelocityFromTheGroupIndexAtTheSpectralPeak)
{
  auto e = build(baseConfiguration()); // constant index 1.5: n_g = 1.5
  EXPECT_DOUBLE_EQ(e->getReferenceVelocity(), 299792458.0 / 1.5);
  // Peak in the last bin (a carrier at fmax) reads no index past the end.
  QStringList lines = withLine(baseConfiguration(), CentreLine, QStringLiteral("255.75 centre"));
  lines = withLine(lines, MediumLine, QStringLiteral("lor1 medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1 0 0 2.1 0 3 parameters PHz"));
  auto edge = build(lines);
  ASSERT_TRUE(edge->isConstructed());
  EXPECT_TRUE(std::isfinite(edge->getReferenceVelocity()));
  EXPECT_GT(edge->getReferenceVelocity(), 0.0);
}

TEST_F(Sections, AllZeroInputUsesBinZero)
{
  auto e = build(withLine(baseConfiguration(), AmplitudeLine, QStringLiteral("0 0 amplitude")));
  ASSERT_TRUE(e->isConstructed());
  EXPECT_DOUBLE_EQ(e->getReferenceVelocity(), 299792458.0 / 1.5);
  EXPECT_EQ(e->initialSpectrumDbData()[0], -std::numeric_limits<double>::infinity());
  EXPECT_EQ(e->referenceEnergy, 0.0);
}

} // namespace
