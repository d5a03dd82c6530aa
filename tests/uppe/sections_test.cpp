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

TEST_F(Sections, BaseConfigurationSetsTheGrid)
{
  auto e = build(baseConfiguration());
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->frequencyCount(), 513);
  EXPECT_DOUBLE_EQ(e->getTimeStep(), 2e-12 / 1023);
  EXPECT_DOUBLE_EQ(e->getFrequencyStep(), 1.0 / (1024 * e->getTimeStep()));
  EXPECT_DOUBLE_EQ(e->getMaxFrequency(), 512 * e->getFrequencyStep());
  EXPECT_DOUBLE_EQ(e->propagationLength(), 1e-3);
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

// A refused line: the loader's two-line message names the line, quotes it
// and says why. Edits replace lines of the base configuration (numbers past
// its end append).
struct MessageCase
{
  std::vector<std::pair<int, const char *>> edits;
  int line;
  const char *reason;
};

class RefusedLine : public Sections, public ::testing::WithParamInterface<MessageCase>
{
};

TEST_P(RefusedLine, HasItsExactTwoLineMessage)
{
  const MessageCase &c = GetParam();
  QStringList lines = baseConfiguration();
  for (const auto &edit : c.edits) {
    while (lines.size() < edit.first)
      lines << QStringLiteral("#");
    lines[edit.first - 1] = QString::fromLatin1(edit.second);
  }
  auto e = build(lines);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(loadStatusMessage(*e, QStringLiteral("UPPE_x.txt"), lines),
            QStringLiteral("UPPE_x.txt: Syntax error in line %1.\n\"%2\": %3")
                .arg(c.line)
                .arg(lines[c.line - 1].trimmed(), QString::fromLatin1(c.reason)));
}

const std::vector<std::pair<int, const char *>> secondBlock = {
    {24, "gauss shape"}, {25, "1 0 amplitude"},       {26, "THz funit"}, {27, "fs tunit"},
    {28, "100 centre"},  {29, "2000 timeduration"}, {30, "1024 timepoints"}, {31, "5 3dB"}};

std::vector<std::pair<int, const char *>> withEdit(std::vector<std::pair<int, const char *>> edits,
                                                   int line, const char *text)
{
  for (auto &edit : edits)
    if (edit.first == line)
      edit.second = text;
  return edits;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedLine,
    ::testing::Values(
        MessageCase{{{MethodLine, "euler method"}}, MethodLine, "one of rkf45, rkck, rk8pd was expected"},
        MessageCase{{{FixedStepLine, "yes fixedStep"}}, FixedStepLine,
                    "the value \"yes\" is not a finite number; a number was expected (0 for adaptive "
                    "steps, 1 for fixed steps)"},
        MessageCase{{{InitialStepLine, "abc initialintegstep"}}, InitialStepLine,
                    "the value \"abc\" is not a finite number; a number above 0 was expected"},
        MessageCase{{{EvolutionStepLine, "0 evolutionstep"}}, EvolutionStepLine,
                    "the value 0 is out of range; a number above 0 was expected"},
        MessageCase{{{ToleranceLine, "-1e-6 relative tolerance"}}, ToleranceLine,
                    "the value -1e-6 is out of range; a number above 0 was expected"},
        MessageCase{{{FshiftLine, "x fshift"}}, FshiftLine,
                    "the value \"x\" is not a finite number; a number was expected"},
        MessageCase{{{UseGeneralLine, "1.5 usegeneral"}}, UseGeneralLine,
                    "the value \"1.5\" is not a whole number; 0 (real formulation) or 1 (general "
                    "formulation) was expected"},
        MessageCase{{{IntegrationFunitLine, "XHz funit"}}, IntegrationFunitLine,
                    "one of Hz, kHz, MHz, GHz, THz, PHz was expected"},
        MessageCase{{{ShapeLine, "sine shape"}}, ShapeLine, "one of gauss, sech, sech2 was expected"},
        MessageCase{{{AmplitudeLine, "-1 0 amplitude"}}, AmplitudeLine,
                    "the amplitude -1 is out of range; a number of at least 0 was expected"},
        MessageCase{{{AmplitudeLine, "1 amplitude"}}, AmplitudeLine,
                    "the delay (second value) is missing; a number was expected"},
        MessageCase{{{AmplitudeLine, "1 1000.5 amplitude"}}, AmplitudeLine,
                    "the pulse centre T/2 + delay = 2000.5 fs lies outside the time window 0 ... 2000 fs"},
        MessageCase{{{TunitLine, "fortnight tunit"}}, TunitLine,
                    "one of s, ms, us, ns, ps, fs, as, auto was expected"},
        MessageCase{{{CentreLine, "abc centre"}}, CentreLine,
                    "the value \"abc\" is not a finite number; a number above 0 was expected"},
        MessageCase{{{TimepointsLine, "1024.5 timepoints"}}, TimepointsLine,
                    "a whole number of at least 2 was expected"},
        MessageCase{{{TimepointsLine, "2e6 timepoints"}}, TimepointsLine,
                    "at most 1048576 time points; this line asks for 2e6"},
        MessageCase{{{ThreeDbLine, "0 3dB"}}, ThreeDbLine,
                    "the value 0 is out of range; a number above 0 was expected"},
        MessageCase{withEdit(secondBlock, 29, "3 timeduration"), 29,
                    "every pulse block needs the same \"timeduration\" as the first (2000 fs); this "
                    "line asks for 3 fs"},
        MessageCase{withEdit(secondBlock, 30, "512 timepoints"), 30,
                    "every pulse block needs the same \"timepoints\" as the first (1024); this line "
                    "asks for 512"},
        MessageCase{withEdit(secondBlock, 25, "1 -1001 amplitude"), 25,
                    "the pulse centre T/2 + delay = -1 fs lies outside the time window 0 ... 2000 fs"},
        MessageCase{{{24, "wavelet typeOf"}}, 24,
                    "one of time, fourier, spectrogram, poynting, conversionEfficiency was expected"},
        MessageCase{{{24, "conversionEfficiency typeOf"}, {25, "b * name"}, {26, "110 90 start"}}, 26,
                    "the band end 90 THz lies below its start 110 THz"},
        MessageCase{{{LinearLine, "yes linear"}}, LinearLine,
                    "the value \"yes\" is not a finite number; a number was expected (0 drops the "
                    "imaginary part of the index)"},
        MessageCase{{{MediumLine, "glass medium"}}, MediumLine,
                    "one of lor1, const_n_ker1, step_n_ker1, taylorSeriesDispersive, lor1ker1, sellmeier, "
                    "sellmeier_ker1, material, material_ker1, tabulated, tabulated_ker1 was expected"},
        MessageCase{{{ParametersLine, "1.5 0 0 parameters"}}, ParametersLine,
                    "const_n_ker1 takes 6 values (Re n, Im n, n2, tau1, tau2, weight) before "
                    "\"parameters\"; this line has 3"},
        MessageCase{{{ParametersLine, "1.5 0 x 1 1 1 parameters"}}, ParametersLine,
                    "value 3 \"x\" is not a finite number; a number was expected"},
        MessageCase{{{ParametersLine, "1.5 0 0 1 1 1 parameters THz"}}, ParametersLine,
                    "nothing may follow \"parameters\""},
        MessageCase{{{MediumLine, "lor1 medium"}, {ParametersLine, "1 0 0 2.1 0 3000 parameters furlongs"}},
                    ParametersLine,
                    "the unit \"furlongs\" after \"parameters\": one of Hz, kHz, MHz, GHz, THz, PHz was "
                    "expected"},
        MessageCase{{{MediumLine, "taylorSeriesDispersive medium"}, {ParametersLine, "1e14 0 1e-26 parameters"}},
                    ParametersLine,
                    "beta1 = 0 s/m gives no usable frame velocity 1/beta1; a value between 4.66e-10 "
                    "and 1 s/m was expected"},
        MessageCase{{{MeasureLine, "furlong measure"}}, MeasureLine, "one of m, mm, um, nm was expected"},
        MessageCase{{{SizeLine, "0 size"}}, SizeLine, "the value 0 is out of range; a number above 0 was expected"},
        MessageCase{{{DumpLine, "no dump"}}, DumpLine,
                    "the value \"no\" is not a finite number; a number was expected (0 switches the "
                    "diagnostic files off)"}));

// Leading blanks never shift the values of a line.
TEST_F(Sections, LeadingBlanksDoNotShiftTokens)
{
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("lor1 medium"));
  lines = withLine(lines, LinearLine, QStringLiteral("1 linear"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1 0 0 2.1 10 3000 parameters THz"));
  QStringList blanks = lines;
  for (int line : {ToleranceLine, AmplitudeLine, TimepointsLine, LinearLine, ParametersLine, SizeLine})
    blanks[line - 1] = QStringLiteral("  \t ") + blanks[line - 1];
  auto plain = build(lines);
  auto shifted = build(blanks);
  ASSERT_TRUE(shifted->isConstructed());
  EXPECT_EQ(shifted->getRefractiveIndex(), plain->getRefractiveIndex());
  EXPECT_GT(shifted->getRefractiveIndex()[100].imag(), 0.0);
  EXPECT_EQ(shifted->getInputField(), plain->getInputField());
  EXPECT_EQ(shifted->propagationLength(), plain->propagationLength());
}

TEST_F(Sections, NamesIgnoreCase)
{
  auto a = build(withLine(withLine(baseConfiguration(), MethodLine, QStringLiteral("RK8PD method")),
                          MediumLine, QStringLiteral("CONST_N_KER1 medium")));
  EXPECT_EQ(a->stepperType(), gsl_odeiv2_step_rk8pd);
  EXPECT_EQ(a->getMediumType(), UPPESimulator::ConstNKer1);
}

TEST_F(Sections, PulsesAreCentredAtHalfTheWindowPlusTheirDelay)
{
  // Pump and probe: the probe's block states the window in ps and its delay
  // and "tau" in ps as well.
  QStringList lines = withLine(baseConfiguration(), AmplitudeLine, QStringLiteral("1 300 amplitude"));
  lines << QStringLiteral("sech2 shape") << QStringLiteral("2 -0.25 amplitude")
        << QStringLiteral("THz funit") << QStringLiteral("ps tunit") << QStringLiteral("150 centre")
        << QStringLiteral("2 timeduration") << QStringLiteral("1024 timepoints")
        << QStringLiteral("0.02 tau");
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed()) << qPrintable(e->errorReason);
  ASSERT_EQ(e->sources.size(), 2);
  auto *gauss = dynamic_cast<HardGaussianSource<int, double> *>(e->sources[0]);
  auto *sech = dynamic_cast<HardHyperbolicSecantSource<int, double> *>(e->sources[1]);
  ASSERT_TRUE(gauss && sech);
  EXPECT_DOUBLE_EQ(gauss->envelopeCentreTime(), 1.3e-12);
  EXPECT_DOUBLE_EQ(sech->envelopeCentreTime(), 0.75e-12);
  EXPECT_EQ(sech->exponent, 2);
  EXPECT_DOUBLE_EQ(sech->inverseTau, 1.0 / 20e-15);
  EXPECT_EQ(e->timeUnitExponent(), -15); // display unit from the first block
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

  auto noName = build(appended(baseConfiguration(), {QStringLiteral("fourier typeOf")}));
  EXPECT_EQ(noName->missingKeyword, QStringLiteral("name"));
  auto noStart = build(appended(baseConfiguration(), {QStringLiteral("conversionEfficiency typeOf"),
                                                      QStringLiteral("b * name")}));
  EXPECT_EQ(noStart->missingKeyword, QStringLiteral("start"));
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
  auto noBeta = build(withLine(lines, ParametersLine, QStringLiteral("1e14 parameters")));
  EXPECT_EQ(noBeta->errorLine, ParametersLine);
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

// Load warnings: the inputs that trigger them and the ones that must not.
struct WarningCase
{
  std::vector<std::pair<int, const char *>> edits;
  const char *warning; // beginning of the one warning expected, or null for none
};

class LoadWarning : public Sections, public ::testing::WithParamInterface<WarningCase>
{
};

TEST_P(LoadWarning, IsGivenExactlyWhenItApplies)
{
  QStringList lines = baseConfiguration();
  for (const auto &edit : GetParam().edits)
    lines[edit.first - 1] = QString::fromLatin1(edit.second);
  auto e = build(lines);
  ASSERT_TRUE(e->isConstructed()) << qPrintable(e->errorReason);
  if (!GetParam().warning) {
    EXPECT_TRUE(e->warnings.isEmpty()) << qPrintable(e->warnings.join(QLatin1Char('\n')));
    return;
  }
  ASSERT_EQ(e->warnings.size(), 1) << qPrintable(e->warnings.join(QLatin1Char('\n')));
  EXPECT_TRUE(e->warnings[0].startsWith(QLatin1String(GetParam().warning))) << qPrintable(e->warnings[0]);
}

// The base grid reaches 256 THz; the spectrum of a 100 THz pulse with 5 THz
// bandwidth stays above 1 % of its peak up to 118 THz, so its third harmonic folds back.
INSTANTIATE_TEST_SUITE_P(
    Table, LoadWarning,
    ::testing::Values(
        WarningCase{{}, nullptr},
        WarningCase{{{ParametersLine, "1.5 0 1e-3 12.2 32 0.7 parameters"}},
                    "The cubic nonlinearity makes a third-harmonic band up to about 3 x 117.9 = 353.7 THz, "
                    "above the highest frequency of the grid (255.8 THz)"},
        // Raman only (a = 0): no instantaneous cubic term.
        WarningCase{{{ParametersLine, "1.5 0 1e-3 12.2 32 0 parameters"}}, nullptr},
        // The general formulation shifted by -150 THz holds frequencies up to 406 THz.
        WarningCase{{{ParametersLine, "1.5 0 1e-3 12.2 32 0.7 parameters"},
                     {UseGeneralLine, "1 usegeneral"},
                     {FshiftLine, "-150 fshift"}},
                    nullptr},
        WarningCase{{{AmplitudeLine, "1 950 amplitude"}}, "The time window cuts the pulse"},
        WarningCase{{{AmplitudeLine, "1 -700 amplitude"}}, nullptr}));

TEST_F(Sections, SetupSummaryGivesTheDispersionAndNonlinearLengths)
{
  QStringList lines = withLine(baseConfiguration(), MediumLine, QStringLiteral("taylorSeriesDispersive medium"));
  lines = withLine(lines, ParametersLine, QStringLiteral("1e14 5e-9 3.6e-26 parameters"));
  auto taylor = build(lines);
  ASSERT_TRUE(taylor->isConstructed());
  const QString text = taylor->setupSummary();
  EXPECT_TRUE(text.contains(QLatin1String("(beta2 = 3.6e-26 s^2/m"))) << qPrintable(text);
  EXPECT_TRUE(text.contains(QLatin1String("Reference velocity: 2e+08 m/s"))) << qPrintable(text);
  EXPECT_TRUE(text.contains(QLatin1String("Nonlinear length: none"))) << qPrintable(text);
  // Kerr only, n = 1.5, A = 1, peak at 99.9 THz: L_NL = 2 c n / (w0 n2 (3/4) A^2) = 4.776 mm.
  auto kerr = build(withLine(baseConfiguration(), ParametersLine, QStringLiteral("1.5 0 4e-4 1 1 1 parameters")));
  EXPECT_TRUE(kerr->setupSummary().contains(QLatin1String("Nonlinear length: 4.776 mm"))) << qPrintable(kerr->setupSummary());
  EXPECT_TRUE(kerr->setupSummary().contains(QLatin1String("Dispersion length: none")));
  EXPECT_TRUE(kerr->setupSummary().contains(QLatin1String("Integration: rkf45, adaptive, at least 10 steps")));
}

} // namespace
