// Problem set-up: the worked slab example, the failure records with their
// exact lines and keywords, the lumped termination and the pulse files.

#include "fdtdtestsupport.h"

#include "fdtd/sections/lorentz.h"
#include "fdtd/sections/lossless.h"
#include "fdtd/sections/kerrraman.h"
#include "fdtd/sources/additivegaussiansource.h"
#include "fdtd/sources/hardarbitrarysource.h"
#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "fdtd/sources/hardsinusoidalsource.h"
#include "fdtd/sources/softgaussiansource.h"
#include "engine/loader.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <omp.h>

using namespace fdtdtest;

namespace {

const char *slabExample = R"(# slab between vacuum and a Lorentz medium
1 stability
4 threads
nm measure
10 size
1 physical
1d problem
diel medium
500 meshpoints
1 1 parameters
lor1 medium
1000 meshpoints
2.25 1 0 5.0 10 300 THz parameters
point geometry
100 z-location
0 1 0 amplitude
gauss shape
THz funit
fs tunit
375 centre
10 duration
50 3dB
)";

// A small valid problem; the failure cases below change single lines.
QStringList baseLines()
{
  return {
      "#",               // 1 (a comment, as the reader stores it)
      "1 stability",     // 2
      "1 threads",       // 3
      "nm measure",      // 4
      "10 size",         // 5
      "1 physical",      // 6
      "1d problem",      // 7
      "diel medium",     // 8
      "100 meshpoints",  // 9
      "1 1 parameters",  // 10
      "point geometry",  // 11
      "50 z-location",   // 12
      "0 1 0 amplitude", // 13
      "gauss shape",     // 14
      "THz funit",       // 15
      "fs tunit",        // 16
      "375 centre",      // 17
      "10 duration",     // 18
      "50 3dB",          // 19
  };
}

} // namespace

TEST(Setup, SlabExample)
{
  auto e = engineFrom(QString::fromLatin1(slabExample));
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_EQ(e->errorLine, 0);
  EXPECT_TRUE(e->missingKeyword.isEmpty());
  EXPECT_EQ(e->meshPointCount, 1500);
  EXPECT_EQ(e->pointCount(), 1500);
  EXPECT_EQ(e->eField.size(), 1500u);
  EXPECT_EQ(e->hField.size(), 1501u);
  EXPECT_EQ(e->centreIndex, 750);
  EXPECT_DOUBLE_EQ(e->timeStep(), 1e-8 / 299792458.0);
  EXPECT_DOUBLE_EQ(e->pointSpacing(), 10.0);
  EXPECT_DOUBLE_EQ(e->lengthScale(), 1e-9);
  EXPECT_EQ(e->lengthUnit, "nm");
  EXPECT_DOUBLE_EQ(e->positions[7], 70.0);
  EXPECT_FALSE(e->periodic);
  EXPECT_FALSE(e->lumpedEnabled);
  EXPECT_EQ(e->threadCount, 4);

  ASSERT_EQ(e->sections.size(), 2u);
  EXPECT_EQ(e->sectionCount, 2);
  auto *vacuum = dynamic_cast<LosslessDielectric<int, double> *>(e->sections[0]);
  ASSERT_NE(vacuum, nullptr);
  EXPECT_EQ(vacuum->eStart, 1);
  EXPECT_EQ(vacuum->eEnd, 499);
  EXPECT_EQ(vacuum->hStart, 1);
  EXPECT_EQ(vacuum->hEnd, 500);
  auto *lorentz = dynamic_cast<Lorentz1PoleAmplitude<int, double> *>(e->sections[1]);
  ASSERT_NE(lorentz, nullptr);
  EXPECT_EQ(lorentz->eStart, 500);
  EXPECT_EQ(lorentz->eEnd, 1499);
  EXPECT_EQ(lorentz->hStart, 501);
  EXPECT_EQ(lorentz->hEnd, 1499);
  EXPECT_DOUBLE_EQ(lorentz->epsilonR, 2.25);
  EXPECT_DOUBLE_EQ(lorentz->staticPermittivity, 5.0);
  EXPECT_DOUBLE_EQ(lorentz->frequencyUnit, 1e12);
  EXPECT_DOUBLE_EQ(lorentz->conductivity, 0.0);

  ASSERT_EQ(e->sources.size(), 1);
  EXPECT_EQ(e->sourceCount, 1);
  auto *g = dynamic_cast<HardGaussianSource<int, double> *>(e->sources[0]);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->gridPoint, 99);
  EXPECT_EQ(g->startIteration, 0);
  EXPECT_DOUBLE_EQ(g->couplingImpedance, 0.0);
  EXPECT_DOUBLE_EQ(g->amplitude, 1.0);
  EXPECT_DOUBLE_EQ(g->frequency, 375e12);
  EXPECT_DOUBLE_EQ(g->bandwidth, 50e12);
  EXPECT_DOUBLE_EQ(g->duration, 10.0);
  EXPECT_DOUBLE_EQ(g->centreTime, 10.0 / 425e12);
  EXPECT_FALSE(g->conditional);
  EXPECT_TRUE(g->hard);

  // Outside the pulse window the Z = 0 source holds its point at 0.
  const int end = g->endIteration;
  for (int n = 0; n < end + 5; ++n)
    e->step();
  EXPECT_EQ(e->eField[99], 0.0);
  EXPECT_NE(e->eField[90], 0.0);
}

TEST(Setup, FilesAndOperations)
{
  QFile::remove("Debug.txt");
  QFile::remove("Source.txt");
  auto e = engineFrom(baseLines());
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE(QFileInfo::exists("Debug.txt"));
  EXPECT_TRUE(QFileInfo::exists("Source.txt"));
  EXPECT_FALSE(e->hasTimeSignal());
  EXPECT_TRUE(e->spectrumAxisLabel().isNull());
  EXPECT_EQ(&e->conversionCurveA(), &e->positions);
  EXPECT_EQ(&e->conversionCurveB(), &e->positions);
  EXPECT_EQ(&e->conversionPositions(), &e->positions);
  EXPECT_EQ(&e->electricField(), &e->eField);
  EXPECT_TRUE(e->probeNames().isEmpty());
  EXPECT_EQ(e->timeAxisLabel(0), "Time []");
  e->integrateSpectrum();
  EXPECT_EQ(e->progress(), 0.0);
  e->step();
  e->step();
  EXPECT_EQ(e->progress(), 2.0);
  EXPECT_DOUBLE_EQ(e->currentTime(), 2 * e->timeStep());
}

TEST(Setup, StabilityTwoHalvesTheStep)
{
  QStringList l = baseLines();
  l[1] = "2 stability";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_DOUBLE_EQ(e->timeStep(), 1e-8 / (2 * 299792458.0));
}

TEST(Setup, FormulationWordIgnoresCase)
{
  QStringList l = baseLines();
  l[6] = "1DP problem";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE(e->periodic);
  EXPECT_FALSE(e->conditionallyPeriodic);
  l[6] = "1dcp problem";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE(e->conditionallyPeriodic);
  EXPECT_TRUE((dynamic_cast<CPLosslessDielectric<int, double> *>(e->sections[0])));
}

TEST(Setup, LengthUnitsAndFactors)
{
  const struct { const char *word; double factor; } units[] = {
      {"m", 1.0}, {"mm", 1e-3}, {"UM", 1e-6}, {"nm", 1e-9}};
  for (const auto &u : units) {
    QStringList l = baseLines();
    l[3] = QString(u.word) + " measure";
    auto e = engineFrom(l);
    ASSERT_TRUE(e->isConstructed()) << u.word;
    EXPECT_DOUBLE_EQ(e->lengthScale(), u.factor) << u.word;
    EXPECT_DOUBLE_EQ(e->timeStep(), u.factor * 10.0 / 299792458.0) << u.word;
    EXPECT_EQ(e->lengthUnit, u.word);
  }
}

// --- refused lines: the load message with its reason -------------------------------
//
// One table for every parser the FDTD engine runs: set-up, media, sources,
// post-processing, actions and the timing log. Lines appended to the base
// start at line 20.

struct FailureCase
{
  const char *name;
  std::function<void(QStringList &)> change;
  const char *message; // the loader's message for the file "FDTD_test.txt"
};

class SetupFailure : public ::testing::TestWithParam<FailureCase>
{
};

TEST_P(SetupFailure, ExactMessage)
{
  const FailureCase &c = GetParam();
  QStringList l = baseLines();
  c.change(l);
  auto e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(loadStatusMessage(*e, "FDTD_test.txt", l).toStdString(), c.message);
}

// Replaces line n (1-based).
std::function<void(QStringList &)> set(int n, const char *text)
{
  return [n, text](QStringList &l) { l[n - 1] = QString::fromUtf8(text); };
}
// Appends lines separated by "|".
std::function<void(QStringList &)> add(const char *text)
{
  return [text](QStringList &l) { l << QString::fromUtf8(text).split('|'); };
}
std::function<void(QStringList &)> both(std::function<void(QStringList &)> a,
                                        std::function<void(QStringList &)> b)
{
  return [a, b](QStringList &l) {
    a(l);
    b(l);
  };
}

#define SYNTAX(n) "FDTD_test.txt: Syntax error in line " #n ".\n"
#define MISSING(k) "Loading FDTD_test.txt failed:\n Keyword \"" k "\" not found."

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupFailure,
    ::testing::Values(
        FailureCase{"NoStability", set(2, "#"), MISSING("stability")},
        FailureCase{"ZeroStability", set(2, "0 stability"),
                    SYNTAX(2) "\"0 stability\": expected a value above 0, found \"0\""},
        FailureCase{"NegativeThreads", set(3, "-1 threads"),
                    SYNTAX(3) "\"-1 threads\": expected a whole number of at least 0 (0: as many "
                              "as the machine offers), found \"-1\""},
        FailureCase{"AbsurdThreads", set(3, "100000 threads"),
                    SYNTAX(3) "\"100000 threads\": at most 256 threads; this line asks for 100000"},
        FailureCase{"UnknownMeasure", set(4, "cm measure"),
                    SYNTAX(4) "\"cm measure\": expected one of m, mm, um, nm, found \"cm\""},
        FailureCase{"ZeroSize", set(5, "0 size"),
                    SYNTAX(5) "\"0 size\": expected a value above 0, found \"0\""},
        FailureCase{"UnknownProblem", set(7, "2d problem"),
                    SYNTAX(7) "\"2d problem\": expected one of 1d, 1dp, 1dcp, found \"2d\""},
        FailureCase{"UnequalSectionLines", add("ldiel medium"),
                    "FDTD_test.txt: Enequal number of keywords in the SHAPE section.\nEvery "
                    "section needs one \"medium\", one \"meshpoints\" and one \"parameters\" line; "
                    "found 2 \"medium\", 1 \"meshpoints\" and 1 \"parameters\" lines."},
        FailureCase{"UnknownMedium", set(8, "glass medium"),
                    SYNTAX(8) "\"glass medium\": expected one of diel, ldiel, lor1, lor2, lor3, "
                              "ker1, lor1ker1, lor3ker1, sellmeier, material, found \"glass\""},
        FailureCase{"MeshpointsTruncatedToZero", set(9, "0.9 meshpoints"),
                    SYNTAX(9) "\"0.9 meshpoints\": expected a number of cells of at least 1, "
                              "found \"0.9\""},
        FailureCase{"TooManyMeshpoints", set(9, "1e9 meshpoints"),
                    SYNTAX(9) "\"1e9 meshpoints\": at most 50000000 cells in all; this line asks "
                              "for 1e9 after 0"},
        FailureCase{"ParametersTooFew", set(10, "1 parameters"),
                    SYNTAX(10) "\"1 parameters\": expected at least 2 tokens before the keyword "
                               "(εr, μr), found 1 for \"diel\""},
        FailureCase{"ParametersNotANumber", set(10, "1 x parameters"),
                    SYNTAX(10) "\"1 x parameters\": token 2 (μr): expected a number, found \"x\""},
        FailureCase{"NonPositivePermittivity", set(10, "0 1 parameters"),
                    SYNTAX(10) "\"0 1 parameters\": token 1 (εr): expected a value above 0, "
                               "found \"0\""},
        FailureCase{"FasterThanLight", set(2, "0.5 stability"),
                    SYNTAX(10) "\"1 1 parameters\": with stability 0.5 and εr·μr = 1 the time "
                               "step exceeds the stability limit: εr·μr·stability² must be at "
                               "least 1"},
        FailureCase{"Lor1TooFew", both(set(8, "lor1 medium"), set(10, "2 1 0 3 1 THz parameters")),
                    SYNTAX(10) "\"2 1 0 3 1 THz parameters\": token 6 (resonance): expected a "
                               "number, found \"THz\""},
        FailureCase{"GainBeyondTheScheme",
                    both(set(8, "ldiel medium"), set(10, "2 1 -1e9 parameters")),
                    SYNTAX(10) "\"2 1 -1e9 parameters\": token 3 (σ): expected a conductivity "
                               "above -1.062e+06 S/m (a stronger gain makes the update singular "
                               "at this time step), found \"-1e9\""},
        FailureCase{"PoleGainBeyondTheScheme",
                    both(set(8, "lor1 medium"), set(10, "2 1 0 3 -1e6 300 THz parameters")),
                    SYNTAX(10) "\"2 1 0 3 -1e6 300 THz parameters\": token 5 (damping): expected "
                               "a damping above -9543 THz (a stronger gain makes the update "
                               "singular at this time step), found \"-1e6\""},
        FailureCase{"SellmeierNegativeStrength",
                    both(set(8, "sellmeier medium"), set(10, "1 1 0 -1.2 0.01 parameters")),
                    SYNTAX(10) "\"1 1 0 -1.2 0.01 parameters\": every Sellmeier term needs B > 0 "
                               "and C >= 1e-12 um^2 on the grid"},
        FailureCase{"MaterialFasterThanLight",
                    both(set(2, "0.9 stability"),
                         both(set(8, "material medium"), set(10, "yag parameters"))),
                    SYNTAX(10) "\"yag parameters\": A and muR must be positive with A muR "
                               "stability^2 >= 1 (Courant limit)"},
        FailureCase{"Ker1ZeroRamanTime",
                    both(set(8, "ker1 medium"), set(10, "2 1 1e-20 0 32 0.7 parameters")),
                    SYNTAX(10) "\"2 1 1e-20 0 32 0.7 parameters\": token 4 (τ1): expected a value "
                               "above 0, found \"0\""},
        FailureCase{"Ker1FractionAboveOne",
                    both(set(8, "ker1 medium"), set(10, "2 1 1e-20 12.2 32 1.5 parameters")),
                    SYNTAX(10) "\"2 1 1e-20 12.2 32 1.5 parameters\": token 6 (α): expected a "
                               "value from 0 to 1, found \"1.5\""},
        FailureCase{"Lor1Ker1OnARing",
                    both(set(7, "1dp problem"),
                         both(set(8, "lor1ker1 medium"),
                              set(10, "2 1 0 3 1 300 1e-20 12.2 32 0.7 THz parameters"))),
                    SYNTAX(8) "\"lor1ker1 medium\": \"lor1ker1\" exists for the \"1d\" problem "
                              "only; use \"lor3ker1\" on a ring"},
        FailureCase{"LumpedNegative", add("-50 lumped|end lumped"),
                    SYNTAX(20) "\"-50 lumped\": expected a resistance of at least 0 ohm, found "
                               "\"-50\""},
        FailureCase{"LumpedPositionZero", add("50 lumped|0 lumped"),
                    SYNTAX(21) "\"0 lumped\": expected \"end\" or a grid point from 1 to 100, "
                               "found \"0\""},
        FailureCase{"LumpedAloneAtTheEnd", add("50 lumped"), MISSING("lumped")},
        FailureCase{"UnknownSourceKind", set(11, "line geometry"),
                    SYNTAX(11) "\"line geometry\": expected one of point, plane_wave, found "
                               "\"line\""},
        FailureCase{"ZLocationBeyondGrid", set(12, "101 z-location"),
                    SYNTAX(12) "\"101 z-location\": expected a grid point from 1 to 100 (the "
                               "grid's cells), found \"101\""},
        FailureCase{"NoAmplitude", set(13, "#"), MISSING("amplitude")},
        FailureCase{"AmplitudeTwoValues", set(13, "0 1 amplitude"),
                    SYNTAX(13) "\"0 1 amplitude\": expected at least 3 tokens before the keyword "
                               "(coupling impedance, amplitude, delay), found 2"},
        FailureCase{"AmplitudeNegativeImpedance", set(13, "-1 1 0 amplitude"),
                    SYNTAX(13) "\"-1 1 0 amplitude\": token 1 (coupling impedance): expected a "
                               "value of at least 0, found \"-1\""},
        FailureCase{"AmplitudeNotANumber", set(13, "0 big 0 amplitude"),
                    SYNTAX(13) "\"0 big 0 amplitude\": token 2 (amplitude): expected a number, "
                               "found \"big\""},
        FailureCase{"PlaneWaveThreeValues", set(11, "plane_wave geometry"),
                    SYNTAX(13) "\"0 1 0 amplitude\": expected at least 7 tokens before the "
                               "keyword (coupling impedance, amplitude, delay, εr, μr and two "
                               "more numbers), found 3 for a plane wave"},
        FailureCase{"PlaneWaveSech",
                    both(set(11, "plane_wave geometry"),
                         both(set(13, "0 1 0 1 1 0 0 amplitude"), set(14, "sech shape"))),
                    SYNTAX(13) "\"0 1 0 1 1 0 0 amplitude\": a plane wave needs the shape "
                               "\"gauss\"; this source has \"sech\""},
        FailureCase{"UnknownShape", set(14, "square shape"),
                    SYNTAX(14) "\"square shape\": expected one of sine, gauss, sech, sech2, user, "
                               "found \"square\""},
        FailureCase{"UnknownFunit", set(15, "Mhz2 funit"),
                    SYNTAX(15) "\"Mhz2 funit\": expected one of Hz, kHz, MHz, GHz, THz, PHz, "
                               "found \"Mhz2\""},
        FailureCase{"UnknownTunit", set(16, "min tunit"),
                    SYNTAX(16) "\"min tunit\": expected one of s, ms, us, ns, ps, fs, as, auto, "
                               "found \"min\""},
        FailureCase{"ZeroCentre", set(17, "0 centre"),
                    SYNTAX(17) "\"0 centre\": expected a value above 0, found \"0\""},
        FailureCase{"DurationTruncatedToZero", set(18, "0.7 duration"),
                    SYNTAX(18) "\"0.7 duration\": expected a whole number of carrier periods "
                               "above 0, found \"0.7\""},
        FailureCase{"Zero3dB", set(19, "0 3dB"),
                    SYNTAX(19) "\"0 3dB\": expected a value above 0, found \"0\""},
        FailureCase{"NoTau", both(set(14, "sech shape"), set(19, "#")), MISSING("tau")},
        FailureCase{"UserWithoutFile", set(14, "user shape"), MISSING("file")},
        FailureCase{"UserFileMissing",
                    both(set(14, "user shape"), add("/nonexistent/pulse.txt file")),
                    "FDTD_test.txt: User defined pulse file could not be read.\n"
                    "\"/nonexistent/pulse.txt\" (line 20) is not a readable file."},
        // Post-processing sections.
        FailureCase{"UnknownSectionType", add("bogus typeOf|x * name"),
                    SYNTAX(20) "\"bogus typeOf\": expected one of time, fourier, spectrogram, "
                               "poynting, conversionEfficiency, found \"bogus\""},
        FailureCase{"NoName", add("time typeOf"), MISSING("name")},
        FailureCase{"ProbeBeyondGrid", add("poynting typeOf|P * name|101 z-location"),
                    SYNTAX(22) "\"101 z-location\": expected a grid point from 1 to 100 (the "
                               "grid's cells), found \"101\""},
        FailureCase{"UseNotInteger", add("poynting typeOf|P * name|1 z-location|x use"),
                    SYNTAX(23) "\"x use\": expected a whole number (0: one window, otherwise a "
                               "series), found \"x\""},
        FailureCase{"EveryStrideZero",
                    add("poynting typeOf|P * name|1 z-location|1 use|0 5 every"),
                    SYNTAX(24) "\"0 5 every\": token 1 (stride): expected a whole number of at "
                               "least 1, found \"0\""},
        FailureCase{"SpectralLineThreeWords",
                    add("fourier typeOf|F * name|1 z-location|0 use|0 1 start"),
                    SYNTAX(24) "\"0 1 start\": expected at least 3 tokens before the keyword "
                               "(start, step, end), found 2"},
        FailureCase{"SpectralEndBeforeStart",
                    add("fourier typeOf|F * name|1 z-location|0 use|5 1 4 start"),
                    SYNTAX(24) "\"5 1 4 start\": the end 4 lies before the start 5"},
        FailureCase{"SpectralStepZeroOverARange",
                    add("fourier typeOf|F * name|1 z-location|0 use|0 0 4 start"),
                    SYNTAX(24) "\"0 0 4 start\": a step of 0 is allowed only when the end equals "
                               "the start"},
        FailureCase{"SpectralPoints",
                    add("fourier typeOf|F * name|1 z-location|0 use|0 1e-7 1 start"),
                    SYNTAX(24) "\"0 1e-7 1 start\": at most 1000000 spectral points per "
                               "transform; this line asks for 10000001"},
        FailureCase{"ItendBeforeItstart",
                    add("fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|9 itstart|8 itend"),
                    SYNTAX(26) "\"8 itend\": expected \"end\" or a whole number of at least 9 (the "
                               "\"itstart\" value), found \"8\""},
        FailureCase{"UnknownSpectralUnit",
                    add("fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|1 itstart|8 "
                        "itend|furlong anyunit"),
                    SYNTAX(27) "\"furlong anyunit\": expected a frequency unit (Hz, kHz, MHz, GHz, "
                               "THz, PHz) or a wavelength unit (m, mm, um, nm), found \"furlong\""},
        FailureCase{"WavelengthZero",
                    add("fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|1 itstart|8 "
                        "itend|um anyunit"),
                    SYNTAX(24) "\"0 1 4 start\": token 1 (start): expected a wavelength above 0, "
                               "found \"0\""},
        FailureCase{"ProbeWithOpenEnd",
                    add("time typeOf|T * name|1 z-location|0 use|1 itstart|end itend|fs tunit"),
                    SYNTAX(26) "\"fs tunit\": the \"itend\" value (line 25): expected a whole "
                               "number of at least 1 (the \"itstart\" value), found \"end\""},
        FailureCase{"ProbeUnit",
                    add("time typeOf|T * name|1 z-location|0 use|1 itstart|9 itend|day tunit"),
                    SYNTAX(26) "\"day tunit\": expected one of s, ms, us, ns, ps, fs, as, auto, "
                               "found \"day\""},
        FailureCase{"MapRowsOvershoot",
                    add("spectrogram typeOf|S * name|1 1 4 start|THz * anyunit|0 30 99 loc_start"),
                    SYNTAX(24) "\"0 30 99 loc_start\": the rows overshoot the grid: row 5 would "
                               "lie at cell 120, beyond the last cell 99"},
        FailureCase{"MapBeyondGrid",
                    add("spectrogram typeOf|S * name|1 1 4 start|THz * anyunit|0 25 100 loc_start"),
                    SYNTAX(24) "\"0 25 100 loc_start\": token 3 (last cell): expected a value from "
                               "0 to 99, found \"100\""},
        FailureCase{"NegativeDistance",
                    both(set(7, "1dp problem"),
                         add("spectrogram typeOf|S * name|1 1 4 start|THz * anyunit|-1 "
                             "maxdistance")),
                    SYNTAX(24) "\"-1 maxdistance\": expected a value from 0 to 2147483647, found "
                               "\"-1\""},
        // Actions and the timing log.
        FailureCase{"UnknownAction", add("pause action|5 iterations"),
                    SYNTAX(20) "\"pause action\": expected one of suspend, save_line_envelope, "
                               "exit, saveAll, found \"pause\""},
        FailureCase{"NegativeIterations", add("suspend action|-5 iterations"),
                    SYNTAX(21) "\"-5 iterations\": expected a number of iterations of at least "
                               "0, found \"-5\""},
        FailureCase{"ActionTimeUnit", add("suspend action|fortnight tunit|5 time"),
                    SYNTAX(21) "\"fortnight tunit\": expected one of s, ms, us, ns, ps, fs, as, "
                               "auto, found \"fortnight\""},
        FailureCase{"ActionTimeZero", add("suspend action|fs tunit|0 time"),
                    SYNTAX(22) "\"0 time\": expected a value above 0, found \"0\""},
        FailureCase{"ActionWithoutTime", add("suspend action|fs tunit"), MISSING("time")},
        FailureCase{"TimingLogPeriod", add("1 code|0 period|log file"),
                    SYNTAX(21) "\"0 period\": expected a number of iterations of at least 1, "
                               "found \"0\""}),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

// --- load warnings: the set-up runs, but probably not as meant ------------------

struct WarningCase
{
  const char *name;
  std::function<void(QStringList &)> change;
  const char *warning; // the one warning expected, "" for none
};

class SetupWarning : public ::testing::TestWithParam<WarningCase>
{
};

TEST_P(SetupWarning, Listed)
{
  const WarningCase &c = GetParam();
  QStringList l = baseLines();
  c.change(l);
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << loadStatusMessage(*e, "f", l).toStdString();
  EXPECT_EQ(e->warnings.join('\n').toStdString(), c.warning);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupWarning,
    ::testing::Values(
        WarningCase{"None", [](QStringList &) {}, ""},
        WarningCase{"CoarseCells", set(5, "100 size"),
                    "Section 1 (cells 1 to 99, lossless dielectric): 6.66 cells per wavelength at "
                    "450 THz (the highest significant frequency of the sources, index 1), fewer "
                    "than 10: the grid's dispersion will distort the pulse; use cells of at most "
                    "66.6 nm."},
        WarningCase{"FineEnoughCells", set(5, "60 size"), ""},
        // Negative conductivity and negative pole damping describe amplifiers.
        WarningCase{"GainConductivity", both(set(8, "ldiel medium"), set(10, "2 1 -5 parameters")),
                    ""},
        WarningCase{"GainPole",
                    both(set(8, "lor1 medium"), set(10, "2 1 0 3 -1 300 THz parameters")), ""},
        WarningCase{"StrongKerr",
                    both(set(8, "ker1 medium"), set(10, "2 1 0.5 12.2 32 0.7 parameters")),
                    "Section 1 (cells 1 to 99, Kerr and Raman medium): at the source amplitude 1 "
                    "V/m the Kerr effect changes the index by 11.8 %, more than 10 %: the "
                    "third-order model no longer describes the medium."},
        WarningCase{"WeakKerr",
                    both(set(8, "ker1 medium"), set(10, "2 1 0.4 12.2 32 0.7 parameters")), ""},
        WarningCase{"ProbeClosesBeforeThePulse",
                    add("time typeOf|T * name|100 z-location|0 use|1 itstart|20 itend|fs tunit"),
                    "Time probe \"T\" at grid point 100 stops at iteration 20, before any "
                    "source's pulse can reach it (iteration 50 at the earliest)."},
        WarningCase{"ProbeSeesThePulse",
                    add("time typeOf|T * name|100 z-location|0 use|1 itstart|60 itend|fs tunit"),
                    ""},
        WarningCase{"ProbeOnTheWall",
                    add("fourier typeOf|F * name|1 z-location|0 use|300 1 400 start|1 itstart|end "
                        "itend|THz anyunit"),
                    "Spectrum \"F\" at grid point 1 lies where no section updates the field: it "
                    "will record nothing."}),
    [](const ::testing::TestParamInfo<WarningCase> &info) { return std::string(info.param.name); });

TEST(Setup, SummaryNamesGridSectionsSourcesAndMemory)
{
  auto e = engineFrom(linesOf(slabExample));
  ASSERT_TRUE(e->isConstructed());
  const QStringList summary = setupSummaryText(*e).split('\n');
  ASSERT_GE(summary.size(), 9);
  EXPECT_EQ(summary[1].toStdString(),
            "Grid: 1500 cells of 10 nm (15000 nm long), Δt = 33.36 as, stability 1, 33.36 fs "
            "simulated per 1000 steps, reflecting ends (1d)");
  EXPECT_EQ(summary[3].toStdString(), "  1. cells 1 to 499 (4990 nm): lossless dielectric, εr 1, "
                                      "μr 1; index 1 at 375 THz");
  // eps = 2.25 + 2.75 * 300^2 / (300^2 - 375^2 - i 375 * 10) = -2.612 + 0.360i at 375 THz
  EXPECT_TRUE(summary[4].endsWith("; index 0.111158 + 1.62i at 375 THz")) << summary[4].toStdString();
  EXPECT_TRUE(summary[6].startsWith("  1. Gaussian pulse, 50 THz bandwidth, 10 periods at grid "
                                    "point 100, centre 375 THz"))
      << summary[6].toStdString();
  EXPECT_TRUE(summary.last().isEmpty() && summary[summary.size() - 2].startsWith("Memory: about "));
}

TEST(Setup, ValidEdgesOfTheFailureChecks)
{
  QStringList l = baseLines();
  l[11] = "100 z-location"; // z = N: the last grid point
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_EQ(e->sources[0]->gridPoint, 99);

  l = baseLines();
  l[17] = "1.9 duration"; // truncated to 1
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_DOUBLE_EQ((dynamic_cast<CarrierWaveSource<int, double> *>(e->sources[0])->duration), 1.0);

  l = baseLines();
  l[15] = "FS tunit"; // unit words ignore case
  l[14] = "thz funit";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
}

TEST(Setup, MissingBlockKeywordsComeFromLaterLines)
{
  // The first block has no shape line of its own: it takes the next one down.
  QStringList l = baseLines();
  l[13] = "#";
  l << "point geometry" << "20 z-location" << "0 2 0 amplitude" << "sine shape" << "THz funit"
    << "fs tunit" << "375 centre" << "10 duration";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  ASSERT_EQ(e->sources.size(), 2);
  EXPECT_TRUE((dynamic_cast<HardSinusoidalSource<int, double> *>(e->sources[0])));
  EXPECT_TRUE((dynamic_cast<HardSinusoidalSource<int, double> *>(e->sources[1])));
}

TEST(Setup, LumpedTermination)
{
  QStringList l = baseLines();
  l << "50 lumped" << "end lumped";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE(e->lumpedEnabled);
  EXPECT_DOUBLE_EQ(e->lumpedResistance, 50.0);
  EXPECT_EQ(e->lumpedIndex, 99);

  l = baseLines();
  l << "377 lumped" << "END lumped";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_EQ(e->lumpedIndex, 99);

  l = baseLines();
  l << "0 lumped" << "1 lumped";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_EQ(e->lumpedIndex, 0);
  EXPECT_DOUBLE_EQ(e->lumpedResistance, 0.0);

  // Rings have no termination: the lines are not even read.
  l = baseLines();
  l[6] = "1dp problem";
  l << "-50 lumped";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_FALSE(e->lumpedEnabled);
}

TEST(Setup, NoSectionMeansNoGridPointForASource)
{
  QStringList l = baseLines();
  l[7] = "#";
  l[8] = "#";
  l[9] = "#";
  auto e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(e->errorLine, 12); // z-location 50 > N = 0
  l.erase(l.begin() + 10, l.end());
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_EQ(e->meshPointCount, 0);
  e->step(); // an empty grid steps without harm
  EXPECT_EQ(e->iteration, 1);
}

TEST(Setup, PeriodicUsesTheFirstSectionOnly)
{
  QStringList l = baseLines();
  l[6] = "1dp problem";
  l << "ldiel medium" << "30 meshpoints" << "2 1 3 parameters";
  l << "lor2 medium" << "30 meshpoints" << "2 1 0 3 1 300 0.5 1 200 0.5 THz parameters";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  ASSERT_EQ(e->sections.size(), 1u);
  EXPECT_EQ(e->meshPointCount, 100);
  auto *s = dynamic_cast<PLosslessDielectric<int, double> *>(e->sections[0]);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->eStart, 1);
  EXPECT_EQ(s->eEnd, 99);
  EXPECT_EQ(s->hStart, 1);
  EXPECT_EQ(s->hEnd, 100);
}

TEST(Setup, SingleSectionRanges)
{
  auto e = engineFrom(baseLines());
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_EQ(e->sections[0]->eStart, 1);
  EXPECT_EQ(e->sections[0]->eEnd, 99);
  EXPECT_EQ(e->sections[0]->hStart, 1);
  EXPECT_EQ(e->sections[0]->hEnd, 99);
}

TEST(Setup, ThreeSectionsTileTheGrid)
{
  QStringList l = baseLines();
  l << "ldiel medium" << "30 meshpoints" << "2 1 3 parameters";
  l << "lor3 medium" << "20 meshpoints"
    << "2 1 0 3 1 300 0.5 1 200 0.3 1 100 0.2 THz parameters";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  ASSERT_EQ(e->sections.size(), 3u);
  EXPECT_EQ(e->meshPointCount, 150);
  const int expected[3][4] = {{1, 99, 1, 100}, {100, 129, 101, 130}, {130, 149, 131, 149}};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(e->sections[k]->eStart, expected[k][0]) << k;
    EXPECT_EQ(e->sections[k]->eEnd, expected[k][1]) << k;
    EXPECT_EQ(e->sections[k]->hStart, expected[k][2]) << k;
    EXPECT_EQ(e->sections[k]->hEnd, expected[k][3]) << k;
  }
  EXPECT_TRUE((dynamic_cast<Lorentz3PoleAmplitude<int, double> *>(e->sections[2])));
}

TEST(Setup, MaterialClassPerTypeAndFormulation)
{
  struct Row
  {
    const char *type;
    const char *parameters;
    std::function<bool(MeshSection<int, double> *)> plain, ring, conditional;
  };
  const auto is = [](auto *tag) {
    using C = std::remove_pointer_t<decltype(tag)>;
    return std::function<bool(MeshSection<int, double> *)>(
        [](MeshSection<int, double> *s) { return dynamic_cast<C *>(s) != nullptr; });
  };
  const Row rows[] = {
      {"diel", "1 1", is((LosslessDielectric<int, double> *)nullptr),
       is((PLosslessDielectric<int, double> *)nullptr),
       is((CPLosslessDielectric<int, double> *)nullptr)},
      {"ldiel", "1 1 2", is((LossyDielectric<int, double> *)nullptr),
       is((PLossyDielectric<int, double> *)nullptr), is((CPLossyDielectric<int, double> *)nullptr)},
      {"lor1", "2 1 0 3 1 300 THz", is((Lorentz1PoleAmplitude<int, double> *)nullptr),
       is((PLorentz1PoleAmplitude<int, double> *)nullptr),
       is((CPLorentz1PoleAmplitude<int, double> *)nullptr)},
      {"lor2", "2 1 0 3 1 300 0.5 1 200 0.5 THz", is((Lorentz2PoleAmplitude<int, double> *)nullptr),
       is((PLorentz2PoleAmplitude<int, double> *)nullptr),
       is((CPLorentz2PoleAmplitude<int, double> *)nullptr)},
      {"lor3", "2 1 0 3 1 300 0.5 1 200 0.3 1 100 0.2 THz",
       is((Lorentz3PoleAmplitude<int, double> *)nullptr),
       is((PLorentz3PoleAmplitude<int, double> *)nullptr),
       is((CPLorentz3PoleAmplitude<int, double> *)nullptr)},
      {"ker1", "2 1 1e-20 12.2 32 0.7 0.02", is((KerrRaman1Pole<int, double> *)nullptr),
       is((PKerrRaman1Pole<int, double> *)nullptr), is((CPKerrRaman1Pole<int, double> *)nullptr)},
      {"lor3ker1", "2 1 0 3 1 300 0.5 1 200 0.3 1 100 0.2 1e-20 12.2 32 0.7 THz",
       is((Lorentz3PoleAmplitudeKerrRaman1Pole<int, double> *)nullptr),
       is((PLorentz3PoleAmplitudeKerrRaman1Pole<int, double> *)nullptr),
       is((CPLorentz3PoleAmplitudeKerrRaman1Pole<int, double> *)nullptr)},
      {"sellmeier", "1 1 0 1.2 0.01", is((Lorentz1PoleAmplitude<int, double> *)nullptr),
       is((PLorentz1PoleAmplitude<int, double> *)nullptr),
       is((CPLorentz1PoleAmplitude<int, double> *)nullptr)},
      {"sellmeier", "1 1 0 1.2 0.01 0.1 100", is((Lorentz2PoleAmplitude<int, double> *)nullptr),
       is((PLorentz2PoleAmplitude<int, double> *)nullptr),
       is((CPLorentz2PoleAmplitude<int, double> *)nullptr)},
      {"material", "BK7 1", is((Lorentz3PoleAmplitude<int, double> *)nullptr),
       is((PLorentz3PoleAmplitude<int, double> *)nullptr),
       is((CPLorentz3PoleAmplitude<int, double> *)nullptr)},
  };
  const char *problems[] = {"1d", "1dp", "1dcp"};
  for (const Row &r : rows) {
    for (int f = 0; f < 3; ++f) {
      QStringList l = baseLines();
      l[6] = QString(problems[f]) + " problem";
      l[7] = QString(r.type) + " medium";
      l[9] = QString(r.parameters) + " parameters";
      auto e = engineFrom(l);
      ASSERT_TRUE(e->isConstructed()) << r.type << " " << problems[f];
      ASSERT_EQ(e->sections.size(), 1u);
      const auto &check = f == 0 ? r.plain : (f == 1 ? r.ring : r.conditional);
      EXPECT_TRUE(check(e->sections[0])) << r.type << " " << problems[f];
    }
  }
  QStringList l = baseLines();
  l[7] = "lor1ker1 medium";
  l[9] = "2 1 0 3 1 300 1e-20 12.2 32 0.7 parameters";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE((dynamic_cast<Lorentz1PoleAmplitudeKerrRaman1Pole<int, double> *>(e->sections[0])));
}

TEST(Setup, UnitWordsAndThresholdTokens)
{
  struct Row
  {
    const char *type;
    const char *parameters;
    double frequencyUnit; // 0: not a Lorentz type
    double theta;         // 0: not a Kerr type
  };
  const Row rows[] = {
      {"lor1", "2 1 0 3 1 300 THz", 1e12, 0},
      {"lor1", "2 1 0 3 1 300 thz", 1e12, 0},
      {"lor1", "2 1 0 3 1 300 furlongs", 1e9, 0},
      {"lor1", "2 1 0 3 1 300", 1e9, 0}, // the keyword stands where the unit would
      {"ker1", "2 1 1e-20 12.2 32 0.7 0.05", 0, 0.05},
      {"ker1", "2 1 1e-20 12.2 32 0.7 default", 0, 0.01},
      {"ker1", "2 1 1e-20 12.2 32 0.7", 0, 0.01},
      {"lor1ker1", "2 1 0 3 1 300 1e-20 12.2 32 0.7 0.03 PHz", 1e15, 0.03},
      {"lor1ker1", "2 1 0 3 1 300 1e-20 12.2 32 0.7 0.03", 1e9, 0.03},
      {"lor1ker1", "2 1 0 3 1 300 1e-20 12.2 32 0.7 MHz", 1e6, 0.01},
      {"lor3ker1", "2 1 0 3 1 300 0.5 1 200 0.3 1 100 0.2 1e-20 12.2 32 0.7 0.04 kHz", 1e3, 0.04},
      {"lor3ker1", "2 1 0 3 1 300 0.5 1 200 0.3 1 100 0.2 1e-20 12.2 32 0.7 Hz", 1.0, 0.01},
  };
  for (const Row &r : rows) {
    QStringList l = baseLines();
    l[7] = QString(r.type) + " medium";
    l[9] = QString(r.parameters) + " parameters";
    auto e = engineFrom(l);
    ASSERT_TRUE(e->isConstructed()) << r.parameters;
    if (r.frequencyUnit > 0) {
      auto *lorentz = dynamic_cast<Lorentz1PoleMaterial<Dielectric<int, double>> *>(e->sections[0]);
      ASSERT_NE(lorentz, nullptr) << r.parameters;
      EXPECT_DOUBLE_EQ(lorentz->frequencyUnit, r.frequencyUnit) << r.parameters;
    }
    if (r.theta > 0) {
      auto *kerr = dynamic_cast<KerrRamanMaterial<Dielectric<int, double>> *>(e->sections[0]);
      ASSERT_NE(kerr, nullptr) << r.parameters;
      EXPECT_DOUBLE_EQ(kerr->threshold, r.theta) << r.parameters;
    }
  }
}

// --- sources set up from the file -----------------------------------------------

TEST(Setup, SourceKindsAndParameters)
{
  QStringList l = baseLines();
  l[12] = "50 2 0.5 amplitude";
  l[13] = "sech2 shape";
  l[18] = "7 tau";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  auto *s = dynamic_cast<HardHyperbolicSecantSource<int, double> *>(e->sources[0]);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->exponent, 2);
  EXPECT_DOUBLE_EQ(s->inverseTau, 1.0 / 7e-15);
  EXPECT_DOUBLE_EQ(s->couplingImpedance, 50.0);
  EXPECT_DOUBLE_EQ(s->amplitude, 2.0);
  EXPECT_DOUBLE_EQ(s->delayTime, 0.5e-9);
  EXPECT_EQ(s->startIteration,
            static_cast<int>(std::ceil(0.5 / (e->timeStep() * 1e9))));

  l = baseLines();
  l[10] = "plane_wave geometry";
  l[12] = "0 1 0 2.25 1 0 0 amplitude";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  auto *p = dynamic_cast<SoftGaussianSource<int, double> *>(e->sources[0]);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(p->hard);
  EXPECT_DOUBLE_EQ(p->impedance, std::sqrt(mu0 / (eps0 * 2.25)));
  EXPECT_DOUBLE_EQ(p->halfCellDelay, 10e-9 * 1.5 / (2 * c0));
}

TEST(Setup, UserPulseFile)
{
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(
      dir, "pulse.txt", "# recorded pulse\n\n0.5\n  1.5 extra words\n#2\n-1\n\n");
  QStringList l = baseLines();
  l[12] = "10 3 0 amplitude";
  l[13] = "user shape";
  l << path + " file";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine;
  auto *a = dynamic_cast<HardArbitrarySource<int, double> *>(e->sources[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->samples, (std::vector<double>{1.5, 4.5, -3.0}));
  EXPECT_EQ(a->extent(), 3);
  EXPECT_DOUBLE_EQ(a->couplingImpedance, 10.0);

  const QString comments = testsupport::writeFile(dir, "comments.txt", "# only\n\n   \n#x\n");
  l.last() = comments + " file";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE(e->sources.isEmpty());

  l.last() = dir.path() + " file"; // a folder is no pulse file
  e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(e->errorLine, -2);

  const QString bad = testsupport::writeFile(dir, "bad.txt", "1\n2\nthree\n");
  l.last() = bad + " file";
  e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(e->errorLine, -2);

  // An overlong comment line is dropped without reading it whole.
  QByteArray longComment = "#" + QByteArray(100000, 'x') + "\n7\n";
  const QString longLine = testsupport::writeFile(dir, "long.txt", longComment);
  l.last() = longLine + " file";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  a = dynamic_cast<HardArbitrarySource<int, double> *>(e->sources[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->samples, (std::vector<double>{21.0}));
}

TEST(Setup, ColocatedGaussiansShareTheirPoint)
{
  // Two Gaussians at z = 50: the longer one (later end) drives the point.
  QStringList l = baseLines();
  l << "point geometry" << "50 z-location" << "0 2 0 amplitude" << "gauss shape" << "THz funit"
    << "fs tunit" << "375 centre" << "20 duration" << "50 3dB";
  l << "point geometry" << "30 z-location" << "0 1 0 amplitude" << "sine shape" << "THz funit"
    << "fs tunit" << "375 centre" << "5 duration";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  ASSERT_EQ(e->sources.size(), 3);
  auto *master = dynamic_cast<HardGaussianSource<int, double> *>(e->sources[0]);
  ASSERT_NE(master, nullptr);
  EXPECT_FALSE((dynamic_cast<AdditiveGaussianSource<int, double> *>(master)));
  EXPECT_DOUBLE_EQ(master->duration, 20.0);
  EXPECT_TRUE((dynamic_cast<HardSinusoidalSource<int, double> *>(e->sources[1])));
  auto *additive = dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources[2]);
  ASSERT_NE(additive, nullptr);
  EXPECT_DOUBLE_EQ(additive->duration, 10.0);
  EXPECT_EQ(additive->gridPoint, 49);
  EXPECT_EQ(e->sourceCount, 3);
}

TEST(Setup, ColocatedEqualExtentsKeepTheFirstAndSinesStayHard)
{
  QStringList l = baseLines();
  l[13] = "sine shape";
  l << "point geometry" << "50 z-location" << "0 2 0 amplitude" << "gauss shape" << "THz funit"
    << "fs tunit" << "375 centre" << "10 duration" << "50 3dB";
  l << "point geometry" << "50 z-location" << "0 3 0 amplitude" << "gauss shape" << "THz funit"
    << "fs tunit" << "375 centre" << "10 duration" << "50 3dB";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  ASSERT_EQ(e->sources.size(), 3);
  // The sine's window (2 D / f) is the longest: it drives the point.
  auto *sine = dynamic_cast<HardSinusoidalSource<int, double> *>(e->sources[0]);
  ASSERT_NE(sine, nullptr);
  auto *a1 = dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources[1]);
  auto *a2 = dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources[2]);
  ASSERT_NE(a1, nullptr);
  ASSERT_NE(a2, nullptr);
  EXPECT_DOUBLE_EQ(a1->amplitude, 2.0);
  EXPECT_DOUBLE_EQ(a2->amplitude, 3.0);

  // Equal extents: the first in the list is the master.
  l = baseLines();
  l << "point geometry" << "50 z-location" << "0 2 0 amplitude" << "gauss shape" << "THz funit"
    << "fs tunit" << "375 centre" << "10 duration" << "50 3dB";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  ASSERT_EQ(e->sources.size(), 2);
  EXPECT_FALSE((dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources[0])));
  EXPECT_DOUBLE_EQ(e->sources[0]->amplitude, 1.0);
  EXPECT_DOUBLE_EQ(e->sources[1]->amplitude, 2.0);
  EXPECT_TRUE((dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources[1])));
}

TEST(Setup, TimingLogRecords)
{
  QTemporaryDir dir;
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  {
    QStringList l = baseLines();
    l << "1 code" << "3 period" << "timing.txt file";
    auto e = engineFrom(l);
    ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
    ASSERT_TRUE(e->timingLogEnabled);
    for (int n = 0; n < 7; ++n)
      e->step();
    const QString name = e->timingLog.fileName();
    e.reset();
    const QList<QByteArray> lines = testsupport::readAll(name).split('\n');
    ASSERT_EQ(lines.size(), 5); // two records and the final empty piece
    const qulonglong bytes = (100 + 101) * 4 + 48;
    EXPECT_EQ(lines[1].toULongLong(), bytes);
    EXPECT_EQ(lines[3].toULongLong(), bytes);
    bool ok = false;
    const double first = lines[0].toDouble(&ok);
    EXPECT_TRUE(ok);
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 60.0); // measured from the first step, not the counter's origin
    EXPECT_GE(lines[2].toDouble(), first);
  }
  QDir::setCurrent(old);
}

TEST(Setup, ActionsAreRead)
{
  QStringList l = baseLines();
  l << "suspend action" << "5 iterations";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << e->errorLine << " " << e->missingKeyword.toStdString();
  EXPECT_TRUE(e->hasBreakpoints);
  EXPECT_EQ(e->breakpointCount, 1);
  l = baseLines();
  l << "bogus action";
  e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(e->errorLine, 20);
}

TEST(Setup, ThreadCountZeroRestoresTheDefault)
{
  if (qEnvironmentVariableIsSet("OMP_NUM_THREADS"))
    GTEST_SKIP() << "the default comes from OMP_NUM_THREADS";
  QStringList l = baseLines();
  l[2] = "3 threads";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(omp_get_max_threads(), 3);
  l[2] = "0 threads";
  e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->threadCount, 0);
  EXPECT_EQ(omp_get_max_threads(), omp_get_num_procs());
}
