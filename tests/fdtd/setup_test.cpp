// Problem set-up: the failure records with their exact lines and reasons,
// the load warnings, the set-up summary and how sections and sources are placed.

#include "fdtdtestsupport.h"
#include "testsupport.h"

#include "engine/loader.h"
#include "fdtd/sections/lorentz.h"
#include "fdtd/sources/additivegaussiansource.h"
#include "fdtd/sources/hardsinusoidalsource.h"
#include "fdtd/threadchoice.h"

#include <omp.h>

#include <gtest/gtest.h>

#include <functional>

using namespace fdtdtest;

namespace {

// A small valid problem; the cases below change single lines, counted from 1.
QStringList baseLines()
{
  return {"#", // 1 (a comment, as the reader stores it)
          "1 stability", "1 threads", "nm measure", "10 size", "1 physical", "1d problem", // 2 to 7
          "diel medium", "100 meshpoints", "1 1 parameters",                               // 8 to 10
          "point geometry", "50 z-location", "0 1 0 amplitude", "gauss shape",             // 11 to 14
          "THz funit", "fs tunit", "375 centre", "10 duration", "50 3dB"};                 // 15 to 19
}

// A change of the base lines.
using Change = std::function<void(QStringList &)>;
// Replaces line n (1-based).
Change set(int n, const QString &text) { return [n, text](QStringList &l) { l[n - 1] = text; }; }
// Appends lines separated by "|".
Change add(const QString &text) { return [text](QStringList &l) { l << text.split('|'); }; }
// Several changes in turn.
template <typename... C> Change all(C... changes) { return [=](QStringList &l) { (changes(l), ...); }; }
// The section's medium and parameters lines.
Change medium(const QString &name, const QString &parameters)
{
  return all(set(8, name + " medium"), set(10, parameters + " parameters"));
}
QStringList changed(const Change &change)
{
  QStringList l = baseLines();
  change(l);
  return l;
}

// A change and the one message it brings ("" for no warning).
struct ChangeCase
{
  const char *name;
  Change change;
  const char *message;
};
void PrintTo(const ChangeCase &c, std::ostream *os) { *os << c.name; }

} // namespace

// --- medium sections: each number of a parameters line lands in its named constant ------

struct SectionCase
{
  const char *name;
  const char *medium, *parameters;
  const char *constants; // as sectionConstants writes them
};

void PrintTo(const SectionCase &c, std::ostream *os) { *os << c.name; }

std::string sectionConstants(const SectionDescription &d)
{
  QString text = QString("er %1 mr %2 sigma %3 es %4 e %5 theta %6").arg(d.epsilonR).arg(d.muR).arg(d.sigma)
                     .arg(d.epsilonStatic).arg(d.exponent).arg(d.theta);
  for (int p = 0; p < d.poleCount; ++p)
    text += QString("; pole %1/%2/%3").arg(d.poles[p].damping).arg(d.poles[p].resonance).arg(d.poles[p].weight);
  text += QString("; kerr %1 %2 %3 %4; lines %5 %6 %7")
              .arg(d.chi3).arg(d.tau1).arg(d.tau2).arg(d.alpha).arg(d.mediumLine).arg(d.meshLine).arg(d.parameterLine);
  return text.toStdString();
}

using SectionConstants = ::testing::TestWithParam<SectionCase>;

TEST_P(SectionConstants, LandInTheirNamedFields)
{
  const auto e = engineFrom(changed(medium(GetParam().medium, GetParam().parameters)));
  ASSERT_TRUE(e->isConstructed()) << e->loadStatus().errorReason.toStdString();
  ASSERT_EQ(e->configuration().sections.size(), 1u);
  EXPECT_EQ(sectionConstants(e->configuration().sections.front()), GetParam().constants);
}

const SectionCase sectionCases[] = {
    {"ldiel", "ldiel", "2 1.5 0.25", "er 2 mr 1.5 sigma 0.25 es 1 e 9 theta 0.01; kerr 0 0 0 0; lines 8 9 10"},
    {"lor2", "lor2", "2 1 0.5 3 0.1 200 0.7 0.2 300 0.4 THz",
     "er 2 mr 1 sigma 0.5 es 3 e 12 theta 0.01; pole 0.1/200/0.7; pole 0.2/300/0.4; kerr 0 0 0 0; lines 8 9 10"},
    {"ker1", "ker1", "2 1 1e-22 1e-14 3e-14 0.7 0.05",
     "er 2 mr 1 sigma 0 es 1 e 9 theta 0.05; kerr 1e-22 1e-14 3e-14 0.7; lines 8 9 10"},
    {"ker1DefaultThreshold", "ker1", "2 1 1e-22 1e-14 3e-14 0.7",
     "er 2 mr 1 sigma 0 es 1 e 9 theta 0.01; kerr 1e-22 1e-14 3e-14 0.7; lines 8 9 10"},
    {"lor1ker1", "lor1ker1", "2 1 0.5 3 0.1 200 1e-22 1e-14 3e-14 0.7 THz",
     "er 2 mr 1 sigma 0.5 es 3 e 12 theta 0.01; pole 0.1/200/1; kerr 1e-22 1e-14 3e-14 0.7; lines 8 9 10"},
    {"lor3ker1", "lor3ker1", "2 1 0.5 3 0.1 200 0.7 0.2 300 0.2 0.3 400 0.1 1e-22 1e-14 3e-14 0.6 0.02 PHz",
     "er 2 mr 1 sigma 0.5 es 3 e 15 theta 0.02; pole 0.1/200/0.7; pole 0.2/300/0.2; pole 0.3/400/0.1; "
     "kerr 1e-22 1e-14 3e-14 0.6; lines 8 9 10"}};
INSTANTIATE_TEST_SUITE_P(Media, SectionConstants, ::testing::ValuesIn(sectionCases), testsupport::ByName());

// --- refused lines: the load message with its reason -------------------------------
//
// One table for every parser the FDTD engine runs: set-up, media, sources,
// post-processing, actions and the timing log. Lines appended to the base
// start at line 20.

using SetupFailure = ::testing::TestWithParam<ChangeCase>;

TEST_P(SetupFailure, ExactMessage)
{
  const QStringList l = changed(GetParam().change);
  const auto e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(loadStatusMessage(*e, "FDTD_test.txt", l).toStdString(), GetParam().message);
}

#define SYNTAX(n) "FDTD_test.txt: Syntax error in line " #n ".\n"
#define MISSING(k) "Loading FDTD_test.txt failed:\n Keyword \"" k "\" not found."
#define MISSING_NEAR(k, hint) "Loading FDTD_test.txt failed:\n Keyword \"" k "\" not found; " hint
#define UNEQUAL(media, meshpoints)                                                                                     \
  "FDTD_test.txt: Enequal number of keywords in the SHAPE section.\nEvery section needs one \"medium\", one "          \
  "\"meshpoints\" and one \"parameters\" line; found " media " \"medium\", " meshpoints " \"meshpoints\" and 1 "       \
  "\"parameters\" lines."

const ChangeCase failureCases[] = {
    {"ZeroBandwidth", set(19, "0 3dB"), SYNTAX(19) "\"0 3dB\": expected a value above 0, found \"0\""},
    {"ZeroStability", set(2, "0 stability"), SYNTAX(2) "\"0 stability\": expected a value above 0, found \"0\""},
    {"RefusedFirstLine", all(set(1, "0 stability"), set(2, "#")),
     SYNTAX(1) "\"0 stability\": expected a value above 0, found \"0\""},
    {"UnequalSectionLines", add("ldiel medium"), UNEQUAL("2", "1")},
    {"UnknownMedium", set(8, "glass medium"),
     SYNTAX(8) "\"glass medium\": expected one of diel, ldiel, lor1, lor2, lor3, ker1, lor1ker1, lor3ker1, sellmeier, "
               "material, found \"glass\""},
    {"MeshpointsNotWhole", set(9, "1000.7 meshpoints"),
     SYNTAX(9) "\"1000.7 meshpoints\": \"meshpoints\" is a count: expected a whole number, found \"1000.7\""},
    {"MeshpointsZero", set(9, "0 meshpoints"),
     SYNTAX(9) "\"0 meshpoints\": expected a number of cells of at least 1, found \"0\""},
    {"IterationsNotWhole", add("suspend action|1000.5 iterations"),
     SYNTAX(21) "\"1000.5 iterations\": \"iterations\" is a count: expected a whole number, found \"1000.5\""},
    {"SizeWithTwoValues", set(5, "10 20 size"),
     SYNTAX(5) "\"10 20 size\": \"size\" takes one value; the extra token \"20\" is refused"},
    {"SizeGivenTwice", set(5, "1 size size"),
     SYNTAX(5) "\"1 size size\": \"size\" takes one value; the extra token \"size\" after it is refused (a remark "
               "after the keyword begins with \"#\")"},
    {"TwoShapes", set(14, "sech gauss shape"),
     SYNTAX(14) "\"sech gauss shape\": \"shape\" takes one value; the extra token \"gauss\" is refused"},
    // A keyword no line holds: the line that probably meant it.
    {"MisspeltKeyword", set(18, "10 duraton"),
     MISSING_NEAR("duration", "line 18 \"10 duraton\": did you mean \"duration\"?")},
    {"SwappedLetters", set(9, "100 meshpionts"), UNEQUAL("1", "0")},
    {"KeywordInOtherLetters", set(14, "gauss Shape"),
     MISSING_NEAR("shape", "line 14 \"gauss Shape\": did you mean \"shape\"?")},
    {"KeywordAsPartOfAWord", set(18, "10 timeduration"),
     MISSING_NEAR("duration", "line 18 \"10 timeduration\": \"duration\" is only part of the word \"timeduration\"")},
    {"KeywordAsPartOfAWordOnTheFirstLine", all(set(1, "1 timestability"), set(2, "#")),
     MISSING_NEAR("stability", "line 1 \"1 timestability\": \"stability\" is only part of the word \"timestability\"")},
    {"KeywordInAName", all(set(18, "#"), add("fourier typeOf|pulse duration * name")), MISSING("duration")},
    {"ParametersTooFew", set(10, "1 parameters"),
     SYNTAX(10) "\"1 parameters\": expected at least 2 tokens before the keyword (εr, μr), found 1 for \"diel\""},
    {"NonPositivePermittivity", set(10, "0 1 parameters"),
     SYNTAX(10) "\"0 1 parameters\": token 1 (εr): expected a value above 0, found \"0\""},
    {"ZeroCellSize", set(5, "0 size"), SYNTAX(5) "\"0 size\": expected a value above 0, found \"0\""},
    {"TimeStepUnderflow", set(5, "1e-310 size"),
     SYNTAX(5) "\"1e-310 size\": with this cell size and stability 1 the time step cannot be represented"},
    {"NegativeThreads", set(3, "-1 threads"), SYNTAX(3) "\"-1 threads\": expected a whole number of at least 0 "
                                                         "(0: as many as the machine offers), found \"-1\""},
    {"SellmeierFasterThanLight", all(set(2, "0.5 stability"), medium("sellmeier", "1.5 1 0 1 0.01")),
     SYNTAX(10) "\"1.5 1 0 1 0.01 parameters\": A and muR must be positive with A muR stability^2 >= 1 "
                "(Courant limit)"},
    {"ZeroPermeability", set(10, "1 0 parameters"),
     SYNTAX(10) "\"1 0 parameters\": token 2 (μr): expected a value above 0, found \"0\""},
    {"FasterThanLight", all(set(2, "0.5 stability"), set(10, "2 0.5 parameters")),
     SYNTAX(10) "\"2 0.5 parameters\": with stability 0.5 and εr·μr = 1 the time step exceeds the stability limit: "
                "εr·μr·stability² must be at least 1"},
    {"GainBeyondTheScheme", medium("ldiel", "2 1 -1e9"),
     SYNTAX(10) "\"2 1 -1e9 parameters\": token 3 (σ): expected a conductivity above -1.062e+06 S/m (a stronger gain "
                "makes the update singular at this time step), found \"-1e9\""},
    {"PoleGainBeyondTheScheme", medium("lor1", "2 1 0 3 -1e6 300 THz"),
     SYNTAX(10) "\"2 1 0 3 -1e6 300 THz parameters\": token 5 (damping): expected a damping above -9543 THz (a "
                "stronger gain makes the update singular at this time step), found \"-1e6\""},
    {"ThirdPoleWeightNotANumber", medium("lor3", "2 1 0 3 0.1 200 0.7 0.2 300 0.2 0.3 400 x THz"),
     SYNTAX(10) "\"2 1 0 3 0.1 200 0.7 0.2 300 0.2 0.3 400 x THz parameters\": token 13 (weight 3): expected a number, found \"x\""},
    {"SellmeierWithoutTerms", medium("sellmeier", "1.5 1 0"),
     SYNTAX(10) "\"1.5 1 0 parameters\": expected A, muR, sigma and one to three Sellmeier terms B C"},
    {"SellmeierTermWithoutStrength", medium("sellmeier", "1.5 1 0 0 0.01"),
     SYNTAX(10) "\"1.5 1 0 0 0.01 parameters\": every Sellmeier term needs B > 0 and C >= 1e-12 um^2 on the grid"},
    {"SellmeierResonanceJustTooShort", medium("sellmeier", "1.5 1 0 1 0.01 0.5 9.9e-13"),
     SYNTAX(10) "\"1.5 1 0 1 0.01 0.5 9.9e-13 parameters\": every Sellmeier term needs B > 0 and C >= 1e-12 um^2 on the grid"},
    {"SellmeierFourTerms", medium("sellmeier", "1.5 1 0 1 1 1 1 1 1 1 1"),
     SYNTAX(10) "\"1.5 1 0 1 1 1 1 1 1 1 1 parameters\": expected A, muR, sigma and one to three Sellmeier terms B C"},
    {"SellmeierNegativeConductivity", medium("sellmeier", "1.5 1 -1 1 0.01"),
     SYNTAX(10) "\"1.5 1 -1 1 0.01 parameters\": the conductivity must not be negative"},
    {"SellmeierInfiniteStrength", medium("sellmeier", "1.5 1 0 1e308 1 1e308 1"),
     SYNTAX(10) "\"1.5 1 0 1e308 1 1e308 1 parameters\": the Sellmeier strengths are too large"},
    {"UnknownMaterial", medium("material", "glass"),
     SYNTAX(10) "\"glass parameters\": expected a material name (fused_silica, bk7, sapphire_o, caf2, yag, silicon) "
                "and optionally muR"},
    {"Ker1WithoutRamanTime", medium("ker1", "2 1 1e-20 0 32 0.7"),
     SYNTAX(10) "\"2 1 1e-20 0 32 0.7 parameters\": token 4 (τ1): expected a value above 0, found \"0\""},
    {"Ker1FractionAboveOne", medium("ker1", "2 1 1e-20 12.2 32 1.5"),
     SYNTAX(10) "\"2 1 1e-20 12.2 32 1.5 parameters\": token 6 (α): expected a value from 0 to 1, found \"1.5\""},
    {"Lor1Ker1OnARing", all(set(7, "1dp problem"), medium("lor1ker1", "2 1 0 3 1 300 1e-20 12.2 32 0.7 THz")),
     SYNTAX(8) "\"lor1ker1 medium\": \"lor1ker1\" exists for the \"1d\" problem only; use \"lor3ker1\" on a ring"},
    {"LumpedNegative", add("-50 lumped|end lumped"),
     SYNTAX(20) "\"-50 lumped\": expected a resistance of at least 0 ohm, found \"-50\""},
    {"LumpedWithoutItsPosition", add("50 lumped|#"), MISSING("lumped")},
    {"LumpedPositionZero", add("50 lumped|0 lumped"),
     SYNTAX(21) "\"0 lumped\": expected \"end\" or a grid point from 1 to 100, found \"0\""},
    {"ZLocationBeyondGrid", set(12, "101 z-location"),
     SYNTAX(12) "\"101 z-location\": expected a grid point from 1 to 100 (the grid's cells), found \"101\""},
    {"AmplitudeNegativeImpedance", set(13, "-1 1 0 amplitude"),
     SYNTAX(13) "\"-1 1 0 amplitude\": token 1 (coupling impedance): expected a value of at least 0, found \"-1\""},
    {"AmplitudeTwoValues", set(13, "0 1 amplitude"),
     SYNTAX(13) "\"0 1 amplitude\": expected at least 3 tokens before the keyword (coupling impedance, amplitude, "
                "delay), found 2"},
    {"PlaneWaveThreeValues", set(11, "plane_wave geometry"),
     SYNTAX(13) "\"0 1 0 amplitude\": expected at least 7 tokens before the keyword (coupling impedance, amplitude, "
                "delay, εr, μr and two more numbers), found 3 for a plane wave"},
    {"PlaneWaveMuR", all(set(11, "plane_wave geometry"), set(13, "0 1 0 1 -1 0 0 amplitude")),
     SYNTAX(13) "\"0 1 0 1 -1 0 0 amplitude\": token 5 (μr): expected a value above 0, found \"-1\""},
    {"PlaneWaveSech", all(set(11, "plane_wave geometry"), set(13, "0 1 0 1 1 0 0 amplitude"), set(14, "sech shape")),
     SYNTAX(13) "\"0 1 0 1 1 0 0 amplitude\": a plane wave needs the shape \"gauss\"; this source has \"sech\""},
    {"DurationTruncatedToZero", set(18, "0.7 duration"),
     SYNTAX(18) "\"0.7 duration\": expected a whole number of carrier periods above 0, found \"0.7\""},
    // Post-processing sections.
    {"UnknownSectionType", add("bogus typeOf|x * name"),
     SYNTAX(20) "\"bogus typeOf\": expected one of time, fourier, spectrogram, poynting, conversionEfficiency, "
                "found \"bogus\""},
    {"ProbeBeyondGrid", add("poynting typeOf|P * name|101 z-location"),
     SYNTAX(22) "\"101 z-location\": expected a grid point from 1 to 100 (the grid's cells), found \"101\""},
    {"EveryStrideZero", add("poynting typeOf|P * name|1 z-location|1 use|0 5 every"),
     SYNTAX(24) "\"0 5 every\": token 1 (stride): expected a whole number of at least 1, found \"0\""},
    {"EveryLastStartZero", add("poynting typeOf|P * name|1 z-location|1 use|5 0 every"),
     SYNTAX(24) "\"5 0 every\": token 2 (last window start): expected a whole number of at least 1, found \"0\""},
    {"SpectralPoints", add("fourier typeOf|F * name|1 z-location|0 use|0 1e-7 1 start"),
     SYNTAX(24) "\"0 1e-7 1 start\": at most 1000000 spectral points per transform; this line asks for 10000001"},
    {"SpectralEndBeforeStart", add("fourier typeOf|F * name|1 z-location|0 use|4 1 0 start"),
     SYNTAX(24) "\"4 1 0 start\": the end 0 lies before the start 4"},
    {"SpectralStepZero", add("fourier typeOf|F * name|1 z-location|0 use|0 0 4 start"),
     SYNTAX(24) "\"0 0 4 start\": a step of 0 is allowed only when the end equals the start"},
    {"SpectralStepNegative", add("fourier typeOf|F * name|1 z-location|0 use|0 -1 4 start"),
     SYNTAX(24) "\"0 -1 4 start\": token 2 (step): expected a value of at least 0, found \"-1\""},
    {"UseNotWhole", add("poynting typeOf|P * name|1 z-location|1.5 use"),
     SYNTAX(23) "\"1.5 use\": expected a whole number (0: one window, otherwise a series), found \"1.5\""},
    {"ItendBeforeItstart", add("fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|9 itstart|8 itend"),
     SYNTAX(26) "\"8 itend\": expected \"end\" or a whole number of at least 9 (the \"itstart\" value), found \"8\""},
    {"UnknownSpectralUnit",
     add("fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|1 itstart|8 itend|furlong anyunit"),
     SYNTAX(27) "\"furlong anyunit\": expected a frequency unit (Hz, kHz, MHz, GHz, THz, PHz) or a wavelength unit "
                "(m, mm, um, nm), found \"furlong\""},
    {"WavelengthZero", add("fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|1 itstart|8 itend|um anyunit"),
     SYNTAX(24) "\"0 1 4 start\": token 1 (start): expected a wavelength above 0, found \"0\""},
    {"ProbeWithOpenEnd", add("time typeOf|T * name|1 z-location|0 use|1 itstart|end itend|fs tunit"),
     SYNTAX(26) "\"fs tunit\": the \"itend\" value (line 25): expected a whole number of at least 1 (the "
                "\"itstart\" value), found \"end\""},
    {"MapRowsOvershoot", add("spectrogram typeOf|0 30 99 loc_start|S * name|1 1 4 start|THz * anyunit"),
     SYNTAX(21) "\"0 30 99 loc_start\": the rows overshoot the grid: row 5 would lie at cell 120, beyond the last "
                "cell 99"},
    {"MapRowsBackwards", add("spectrogram typeOf|9 1 3 loc_start|S * name|1 1 4 start|THz * anyunit"),
     SYNTAX(21) "\"9 1 3 loc_start\": the last cell 3 lies before the first 9"},
    {"MapRowsStepZero", add("spectrogram typeOf|3 0 9 loc_start|S * name|1 1 4 start|THz * anyunit"),
     SYNTAX(21) "\"3 0 9 loc_start\": a step of 0 is allowed only when the last cell equals the first"},
    {"MapRowsTwoValues", add("spectrogram typeOf|S * name|1 1 4 start|THz * anyunit|0 30 loc_start"),
     SYNTAX(24) "\"0 30 loc_start\": expected at least 3 tokens before the keyword (first cell, step, last cell), "
                "found 2"},
    {"NegativeDistance",
     all(set(7, "1dp problem"), add("spectrogram typeOf|S * name|1 1 4 start|THz * anyunit|-1 maxdistance")),
     SYNTAX(24) "\"-1 maxdistance\": expected a value from 0 to 2147483647, found \"-1\""}};
INSTANTIATE_TEST_SUITE_P(Cases, SetupFailure, ::testing::ValuesIn(failureCases), testsupport::ByName());

// --- load warnings: the set-up runs, but probably not as meant ------------------

using SetupWarning = ::testing::TestWithParam<ChangeCase>;

TEST_P(SetupWarning, Listed)
{
  const QStringList l = changed(GetParam().change);
  const auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed()) << loadStatusMessage(*e, "f", l).toStdString();
  EXPECT_EQ(e->loadStatus().warnings.join('\n').toStdString(), GetParam().message);
}

const ChangeCase warningCases[] = {
    {"None", [](QStringList &) {}, ""},
    {"EverythingAtTheLastPoint", all(set(12, "100 z-location"), add("time typeOf|T * name|100 z-location|0 use|1 itstart|"
                                                                   "5 itend|fs tunit")), ""},
    {"RingWithThreeSections", all(set(7, "1dp problem"), add("diel medium|10 meshpoints|1 1 parameters|diel medium|"
                                                             "10 meshpoints|1 1 parameters")),
     "A ring grid holds one section: the sections of the \"medium\" lines 20, 23 are ignored."},
    {"CoarseCells", set(5, "100 size"),
     "Section 1 (cells 1 to 100, lossless dielectric): 6.66 cells per wavelength at 450 THz (the highest significant "
     "frequency of the sources, index 1), fewer than 10: the grid's dispersion will distort the pulse; use cells of "
     "at most 66.6 nm."},
    {"CoarseCellsForAPlaneWave", all(set(5, "100 size"), set(11, "plane_wave geometry"), set(13, "0 1 0 1 1 0 0 amplitude")),
     "Section 1 (cells 1 to 100, lossless dielectric): 6.66 cells per wavelength at 450 THz (the highest significant "
     "frequency of the sources, index 1), fewer than 10: the grid's dispersion will distort the pulse; use cells of "
     "at most 66.6 nm."},
    {"StrongKerr", all(medium("ker1", "2 1 0.125 12.2 32 0.7"), set(13, "0 2 0 amplitude")),
     "Section 1 (cells 1 to 100, Kerr and Raman medium): at the source amplitude 2 V/m the Kerr effect changes the "
     "index by 11.8 %, more than 10 %: the third-order model no longer describes the medium."},
    {"PureRaman", medium("ker1", "2 1 1e-20 12.2 32 0"), ""},
    {"PureKerr", medium("ker1", "2 1 1e-20 12.2 32 1"), ""},
    {"ProbeClosesBeforeThePulse", add("time typeOf|T * name|100 z-location|0 use|1 itstart|20 itend|fs tunit"),
     "Time probe \"T\" at grid point 100 stops at iteration 20, before any source's pulse can reach it (iteration 50 "
     "at the earliest)."},
    {"PlaneWaveOnTheWall",
     all(set(11, "plane_wave geometry"), set(12, "1 z-location"), set(13, "0 1 0 1 1 0 0 amplitude")),
     "Source 1 at grid point 1 lies where no section updates the field: it sends nothing into the grid."},
    // A ring updates its first cell too.
    {"ProbeWhereTheRingCloses", all(set(7, "1dp problem"), add("fourier typeOf|300 1 400 start|F * name|1 z-location|"
                                                               "0 use|1 itstart|end itend|THz anyunit")), ""},
    {"ProbeOnTheWall",
     add("fourier typeOf|F * name|1 z-location|0 use|300 1 400 start|1 itstart|end itend|THz anyunit"),
     "Spectrum \"F\" at grid point 1 lies where no section updates the field: it will record nothing."},
    // The termination's limit at stability 1 in vacuum is the impedance itself.
    {"LumpedMatched", add("376.73 lumped|end lumped"), ""},
    {"LumpedShortAtTheLastPoint", add("0 lumped|100 lumped"), ""},
    {"LumpedBeyondTheLimit", add("50000.75 lumped|end lumped"),
     "The lumped termination of 50000.8 ohm at grid point 100 cannot be held stable: the field at it grows without "
     "bound. The largest stable resistance there is 376.73 ohm (Z (S n + sqrt((S n)^2 - 1)) with stability S = 1 and "
     "the medium's impedance Z = 376.73 ohm and index n = 1)."},
    {"LumpedInAMagneticMediumAtStability2", all(set(2, "2 stability"), set(10, "1.5 2 parameters"), add("3000 lumped|end lumped")),
     "The lumped termination of 3000 ohm at grid point 100 cannot be held stable: the field at it grows without "
     "bound. The largest stable resistance there is 2949.68 ohm (Z (S n + sqrt((S n)^2 - 1)) with stability S = 2 "
     "and the medium's impedance Z = 435.01 ohm and index n = 1.732)."},
    {"LibraryMaterialOutsideItsWavelengths", all(set(2, "1.1 stability"), medium("material", "silicon")),
     "Section 1 (cells 1 to 99, silicon): the sources reach 0.666 to 0.999 um, outside the wavelengths its formula "
     "is stated for (1.36 to 11 um); there the index is extrapolated (3.665 at 0.799 um)."}};
INSTANTIATE_TEST_SUITE_P(Cases, SetupWarning, ::testing::ValuesIn(warningCases), testsupport::ByName());

// Without any one line the load fails naming that line's keyword: the lines
// of the base configuration (except its medium section and the source's
// anchor) and of each section appended to it (except its anchor).
TEST(Setup, EveryLineMissingIsNamed)
{
  const char *blocks[] = {"",
                          "fourier typeOf|F * name|1 z-location|0 use|0 1 4 start|1 itstart|8 itend|THz anyunit",
                          "time typeOf|T * name|100 z-location|1 use|2 3 every|1 itstart|20 itend|fs tunit",
                          "poynting typeOf|P * name|1 z-location|0 use",
                          "spectrogram typeOf|0 30 90 loc_start|S * name|1 1 4 start|THz * anyunit",
                          "point geometry|30 z-location|0 1 0 amplitude|sech shape|THz funit|fs tunit|375 centre|"
                          "10 duration|5 tau",
                          "save_line_envelope action|12 iterations|l.txt file", "50 lumped|end lumped"};
  for (const char *block : blocks) {
    QStringList base = baseLines();
    base << QString::fromLatin1(block).split('|', Qt::SkipEmptyParts);
    for (int n = *block ? 21 : 2; n <= base.size(); ++n) {
      if (n >= 8 && n <= 11)
        continue;
      QStringList l = base;
      // An action without its "iterations" line is read in its time form.
      const QString keyword = l[n - 1].endsWith("iterations") ? "tunit" : l[n - 1].section(' ', -1);
      l[n - 1] = "#";
      EXPECT_EQ(loadStatusMessage(*engineFrom(l), "FDTD_test.txt", l).toStdString(),
                QString(MISSING("%1")).arg(keyword).toStdString())
          << block << " " << n;
    }
  }
}

// The gain limit itself is refused (the update's denominator is 0 there);
// a conductivity a hair above it loads.
TEST(Setup, GainLimitIsExclusive)
{
  const double dt = 10e-9 / physconst::speedOfLight;
  const double limit = -2.0 * physconst::epsilon0 * 2.0 / dt;
  for (double factor : {1.0, 1.0 - 1e-9}) {
    const QStringList l = changed(medium("ldiel", QString("2 1 %1").arg(limit * factor, 0, 'g', 17)));
    EXPECT_EQ(engineFrom(l)->isConstructed(), factor < 1.0) << l[9].toStdString();
  }
}

// The termination's limit, Z (S n + sqrt((S n)^2 - 1)) = 1406 ohm in vacuum at
// stability 2, holds in a run: 5 % below it the field stays bounded, 10 %
// above it the run fails.
TEST(Setup, LumpedLimitHoldsInARun)
{
  const double limit = 376.730313 * (2.0 + std::sqrt(3.0));
  for (const double share : {0.95, 1.1}) {
    const auto e = engineFrom(
        changed(all(set(2, "2 stability"), add(QString("%1 lumped|end lumped").arg(share * limit, 0, 'f', 2)))));
    ASSERT_TRUE(e->isConstructed());
    EXPECT_EQ(e->loadStatus().warnings.filter("cannot be held stable").size(), share > 1.0 ? 1 : 0);
    for (int n = 0; n < 30000 && !e->finished; ++n)
      e->step();
    EXPECT_EQ(e->finished, share > 1.0) << share;
  }
}

// An exit action far away makes a run of hours; announced with the time.
// The transforms' points weigh on every step: 10^8 steps of 100 cells
// take seconds, with 100001 spectral points hours.
TEST(Setup, ExitActionsOfLongRunsAreAnnounced)
{
  QStringList l = baseLines() << "fourier typeOf" << "F * name" << "50 z-location" << "0 use" << "300 1e-5 301 start"
                              << "1 itstart" << "end itend" << "THz anyunit" << "exit action" << "100000000 iterations";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed());
  const QStringList announced =
      e->loadStatus().warnings.filter("The exit action at iteration 100000000 ends the run after about ");
  ASSERT_EQ(announced.size(), 1) << e->loadStatus().warnings.join('\n').toStdString();
  EXPECT_TRUE(announced.first().endsWith(" per step for 100 cells and 100001 spectral points). Fewer "
                                         "iterations, fewer cells or fewer spectral points shorten it."))
      << announced.first().toStdString();
  l.last() = "2000 iterations";
  EXPECT_TRUE(engineFrom(l)->loadStatus().warnings.filter("The exit action").isEmpty());
}

TEST(Setup, SummaryNamesGridSectionsSourcesAndMemory)
{
  QStringList l = baseLines() << "lor1 medium" << "1000 meshpoints" << "2.25 1 0 5.0 10 300 THz parameters";
  for (const char *start : {"1", "7"})
    l << "fourier typeOf" << QStringLiteral("F%1 * name").arg(start) << "500 z-location" << "0 use"
      << "300 10 400 start" << QStringLiteral("%1 itstart").arg(start) << "end itend" << "THz anyunit";
  auto e = engineFrom(l);
  ASSERT_TRUE(e->isConstructed());
  const QStringList summary = setupSummaryText(*e).split('\n');
  ASSERT_GE(summary.size(), 12);
  const auto line = [&summary](int n) { return summary[n].toStdString(); };
  EXPECT_EQ(line(1), "Grid: 1100 cells of 10 nm (11000 nm long), Δt = 33.36 as, stability 1, 33.36 fs simulated per "
                     "1000 steps, reflecting ends (1d)");
  EXPECT_EQ(line(2), "Threads: 1 thread (1 asked for)");
  // Cells counted as "meshpoints" counts them: 100, then 1000.
  EXPECT_EQ(line(4), "  1. cells 1 to 100 (1000 nm): lossless dielectric, εr 1, μr 1; index 1 at 375 THz");
  // eps = 2.25 + 2.75 * 300^2 / (300^2 - 375^2 - i 375 * 10) = -2.612 + 0.360i at 375 THz
  EXPECT_TRUE(summary[5].startsWith("  2. cells 101 to 1100 (10000 nm)")) << line(5);
  EXPECT_TRUE(summary[5].endsWith("; index 0.111158 + 1.62i at 375 THz")) << line(5);
  EXPECT_TRUE(summary[7].startsWith("  1. Gaussian pulse, 50 THz bandwidth, 10 periods at grid point 50, "
                                    "centre 375 THz")) << line(7);
  EXPECT_TRUE(summary[9].startsWith("  spectrum \"F1\" at grid point 500: 11 points, every iteration, ")) << line(9);
  EXPECT_TRUE(summary[10].contains(": 11 points, from iteration 7 on, ")) << line(10);
  EXPECT_TRUE(summary.last().isEmpty() && summary[summary.size() - 2].startsWith("Memory: about "));
}

// The set-up summary of a problem with every kind of part, word for word:
// what the reader made of each value.
TEST(Setup, SummaryStatesEveryValueAsRead)
{
  auto e = engineFrom(QStringLiteral(
      "1.2 stability\n1 threads\nnm measure\n10 size\n1 physical\n1d problem\nlor2 medium\n300 meshpoints\n"
      "2.25 1.1 100 5 10 300 0.6 20 200 0.4 THz parameters\nker1 medium\n200 meshpoints\n"
      "2 1 1e-20 12.2 32 0.7 parameters\nsellmeier medium\n100 meshpoints\n1.5 1 0 0.8 0.01 parameters\n"
      "50 lumped\nend lumped\npoint geometry\n50 z-location\n0 2 0 amplitude\nsech2 shape\nTHz funit\nfs tunit\n"
      "375 centre\n10 duration\n8 tau\nplane_wave geometry\n250 z-location\n0 1 0.001 2.25 1.1 0 0 amplitude\n"
      "gauss shape\nTHz funit\nfs tunit\n300 centre\n5 duration\n40 3dB\ntime typeOf\nT * name\n100 z-location\n"
      "0 use\n1 itstart\n500 itend\nfs tunit\nfourier typeOf\nF * name\n120 z-location\n1 use\n50 100 every\n"
      "300 10 400 start\n10 itstart\n200 itend\nTHz anyunit\nspectrogram typeOf\nS * name\n0.5 0.1 1 start\n"
      "um * anyunit\n10 100 450 loc_start\npoynting typeOf\nP * name\n10 z-location\n0 use\n"));
  ASSERT_TRUE(e->isConstructed()) << e->loadStatus().errorLine;
  const char *spectrum = "  spectrum \"S at %1 (spectrum)\" at grid point %2: 6 points, every iteration, 240 B\n";
  QString rows;
  for (int row = 10; row <= 510; row += 100)
    rows += QString(spectrum).arg(row).arg(row + 1);
  EXPECT_EQ(setupSummaryText(*e).toStdString(),
            ("Engine: finite-difference time-domain grid (FDTD)\n"
             "Grid: 600 cells of 10 nm (6000 nm long), Δt = 27.8 as, stability 1.2, 27.8 fs simulated per 1000 "
             "steps, reflecting ends (1d)\nThreads: 1 thread (1 asked for)\nLumped termination: 50 ohm at grid point 600\nSections:\n"
             "  1. cells 1 to 300 (3000 nm): Lorentz medium, εr 2.25, μr 1.1, σ 100 S/m, pole 1: Δε 1.65 at 300 "
             "THz, damping 10 THz, pole 2: Δε 1.1 at 200 THz, damping 20 THz; index 0.12571 + 1.11i at 375 THz\n"
             "  2. cells 301 to 500 (2000 nm): Kerr and Raman medium, εr 2, μr 1, χ3 1e-20 m²/V², τ1 12.2 fs, τ2 "
             "32 fs, α 0.7; index 1.41421 at 375 THz\n"
             "  3. cells 501 to 600 (1000 nm): Lorentz medium, εr 1.5, μr 1, pole 1: Δε 0.8 at 2.998 PHz, damping "
             "0 Hz; index 1.52076 at 375 THz\nSources:\n"
             "  1. hyperbolic-secant pulse, τ = 8 fs, 10 periods at grid point 50, centre 375 THz, amplitude 2 "
             "V/m, duration 53.33 fs, delay 0 s\n"
             "  2. Gaussian plane wave, 40 THz bandwidth, 5 periods at grid point 250, centre 300 THz, amplitude 1 "
             "V/m, duration 33.33 fs, delay 1 ps\nPost-processing:\n"
             "  spectrum \"F1\" at grid point 120: 11 points, iterations 10 to 200, 440 B\n"
             "  spectrum \"F2\" at grid point 120: 11 points, iterations 60 to 250, 440 B\n"
             "  spectrum \"F3\" at grid point 120: 11 points, iterations 110 to 300, 440 B\n" +
             rows +
             "  spectrogram \"S\" in um: 6 rows so far, 288 B (plus its spectra above)\n"
             "  time probe \"T\" at grid point 100: 500 samples, 3.91 KiB\n  Poynting vector \"P\": 14.1 KiB\n"
             "Memory: about 49.1 KiB (grid and sections 28.1 KiB, post-processing 20.9 KiB)\n")
                .toStdString());
}

TEST(Setup, ThreeSectionsTileTheGrid)
{
  const auto e = engineFrom(changed(add("ldiel medium|30 meshpoints|2 1 3 parameters|lor3 medium|20 meshpoints|"
                                         "2 1 0 3 1 300 0.5 1 200 0.3 1 100 0.2 THz parameters")));
  ASSERT_TRUE(e->isConstructed()) << e->loadStatus().errorLine << " " << e->loadStatus().missingKeyword.toStdString();
  ASSERT_EQ(e->sections.size(), 3u);
  EXPECT_EQ(e->meshPointCount, 150);
  // eStart, eEnd, hStart and hEnd of each section.
  const std::vector<int> expected[3] = {{1, 99, 1, 100}, {100, 129, 101, 130}, {130, 149, 131, 149}};
  for (int k = 0; k < 3; ++k) {
    const auto *s = e->sections[k];
    EXPECT_EQ((std::vector<int>{s->eStart, s->eEnd, s->hStart, s->hEnd}), expected[k]) << k;
  }
  EXPECT_TRUE((dynamic_cast<Lorentz3PoleAmplitude<int, double> *>(e->sections[2])));
}

// Every medium on a ring closes it ("1dp") or closes it once the pulse
// arrives ("1dcp"); on "1d" the walls stay.
TEST(Setup, EachFormulationBuildsItsKindOfSection)
{
  const char *problems[] = {"1d problem", "1dp problem", "1dcp problem"};
  const char *media[][2] = {{"diel", "1 1"}, {"lor1", "2 1 0 3 1 300 THz"}, {"sellmeier", "1.5 1 0 1 0.01"}};
  for (int k = 0; k < 3; ++k)
    for (const auto &m : media) {
      const QStringList l = changed(all(set(7, problems[k]), medium(m[0], m[1])));
      const auto e = engineFrom(l);
      const std::string what = l[6].toStdString() + l[7].toStdString();
      ASSERT_TRUE(e->isConstructed()) << problems[k] << " " << e->loadStatus().errorReason.toStdString();
      EXPECT_EQ((dynamic_cast<PDielectric<int, double> *>(e->sections[0]) != nullptr), k == 1) << what;
      EXPECT_EQ((dynamic_cast<CPDielectric<int, double> *>(e->sections[0]) != nullptr), k == 2) << what;
    }
}

TEST(Setup, ColocatedSources)
{
  // Two Gaussians at z = 50: the longer one (later end) drives the point, the
  // other only adds its pulse; a sine elsewhere, or none, changes nothing.
  for (const bool sine : {true, false}) {
    QStringList l = baseLines() << "point geometry" << "50 z-location" << "0 2 0 amplitude" << "gauss shape"
                                << "THz funit" << "fs tunit" << "375 centre" << "20 duration" << "50 3dB";
    if (sine)
      l << "point geometry" << "30 z-location" << "0 1 0 amplitude" << "sine shape" << "THz funit"
        << "fs tunit" << "375 centre" << "5 duration";
    auto e = engineFrom(l);
    ASSERT_TRUE(e->isConstructed()) << e->loadStatus().errorLine << " " << e->loadStatus().missingKeyword.toStdString();
    ASSERT_EQ(e->sources.size(), sine ? 3 : 2);
    EXPECT_FALSE((dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources[0])));
    EXPECT_DOUBLE_EQ(e->sources[0]->amplitude, 2.0);
    EXPECT_EQ(sine, (dynamic_cast<HardSinusoidalSource<int, double> *>(e->sources[1]) != nullptr));
    auto *additive = dynamic_cast<AdditiveGaussianSource<int, double> *>(e->sources.back());
    ASSERT_NE(additive, nullptr);
    EXPECT_EQ(additive->gridPoint, 49);
  }
}

// "threads" is a most: one thread unless some section is as long as the loops
// from which a second thread pays off, never more than the machine offers.
TEST(Threads, PlanBySizeAndMachine)
{
  const struct
  {
    const char *name;
    int requested, processors;
    std::vector<SectionLength> sections;
    int most;
    const char *reason;
  } cases[] = {
      {"OneAsked", 1, 2, {{1000000, 32768}}, 1, "1 thread (1 asked for)"},
      {"SmallLayers", 2, 2, {{20000, 32768}, {900, 16384}}, 1,
       "1 thread (2 asked for): no section is as long as the 16384 to 32768 cells (by medium) from which a second "
       "thread pays off"},
      {"PlainJustShort", 2, 2, {{32767, 32768}}, 1,
       "1 thread (2 asked for): every section is shorter than the 32768 cells from which a second thread pays off"},
      {"DispersiveLongEnough", 2, 2, {{600, 32768}, {16384, 16384}}, 2,
       "2 threads (2 asked for); one while the machine's other work makes more threads step slower"},
      {"BeyondTheMachine", 8, 2, {{1000000, 32768}}, 2, "2 threads (8 asked for): the machine has 2 processors"},
      {"MachineDefault", 0, 4, {{1000000, 32768}}, 4,
       "4 threads (as many as the machine's 4 processors); one while the machine's other work makes more "
       "threads step slower"},
  };
  for (const auto &c : cases) {
    const ThreadPlan plan = planThreads(c.requested, c.processors, c.sections);
    EXPECT_EQ(plan.most, c.most) << c.name;
    EXPECT_EQ(plan.reason.toStdString(), c.reason) << c.name;
  }
  // A grid of 3000 cells asking for the most threads allowed steps with one.
  const auto e = engineFrom(changed(set(3, "256 threads")));
  ASSERT_TRUE(e->isConstructed());
  EXPECT_EQ(e->threadPlan.most, 1);
  e->step();
  EXPECT_EQ(omp_get_max_threads(), 1);
}

// The tuner tries the most and one thread in turn and steps with the faster;
// a machine that gets busy is noticed within about a second (before the
// next regular trial), and a tie goes to one thread.
TEST(Threads, TunerStepsWithTheFasterCount)
{
  ThreadTuner tuner(2);
  double one = 1e-3, two = 0.6e-3; // idle machine: two threads win
  const auto run = [&](double seconds) {
    int withTwo = 0, steps = 0;
    for (double t = 0.0; t < seconds; ++steps) {
      const double cost = tuner.threads() == 2 ? two : one;
      withTwo += tuner.threads() == 2;
      tuner.stepTook(cost);
      t += cost;
    }
    return static_cast<double>(withTwo) / steps;
  };
  EXPECT_GT(run(ThreadTuner::holdSeconds), 0.9);
  two = 5e-3; // another program takes a core: the second thread waits
  EXPECT_LT(run(1.5), 0.3);
  EXPECT_LT(run(ThreadTuner::holdSeconds), 0.1);
  two = one;
  EXPECT_LT(run(ThreadTuner::holdSeconds), 0.1);
  EXPECT_EQ(ThreadTuner(1).threads(), 1);
}

// After half a second of holding, two slow watch windows in a row start a
// new trial (its second block steps with one thread); one slow window does not.
TEST(Threads, TwoSlowWindowsStartATrial)
{
  for (int slow : {1, 2}) {
    ThreadTuner tuner(2);
    const auto steps = [&](int count, double withTwo) {
      for (int i = 0; i < count; ++i)
        tuner.stepTook(tuner.threads() == 2 ? withTwo : 1e-3);
    };
    steps(2 * ThreadTuner::trialBlocks * ThreadTuner::blockSteps, 0.6e-3); // two threads win
    ASSERT_EQ(tuner.threads(), 2);
    steps(27 * ThreadTuner::watchSteps, 0.6e-3); // 0.52 s held
    steps(slow * ThreadTuner::watchSteps + ThreadTuner::blockSteps, 5e-3);
    EXPECT_EQ(tuner.threads(), slow == 2 ? 1 : 2) << slow << " slow window(s)";
  }
}

// Every medium type with the fewest tokens its line may have: each value
// lands in its place (the pole unit defaults to GHz; weights share the
// static permittivity's excess); then with the optional unit and threshold.
TEST(Setup, EveryMediumTakesItsValuesFromTheirTokens)
{
  const std::pair<const char *, const char *> media[] = {
      {"diel", "2 1.5"}, {"ldiel", "2 1.5 3"}, {"lor1", "2 1.5 3 5 7 300"}, {"lor2", "2 1.5 3 5 7 300 0.6 11 200 0.4"},
      {"lor3", "2 1.5 3 5 7 300 0.5 11 200 0.3 13 100 0.2"}, {"ker1", "2 1.5 1e-20 12 32 0.7"},
      {"lor1ker1", "2 1.5 3 5 7 300 1e-20 12 32 0.7"},
      {"lor3ker1", "2 1.5 3 5 7 300 0.5 11 200 0.3 13 100 0.2 1e-20 12 32 0.7"}, {"material", "BK7 1.5"},
      {"lor1", "2 1.5 3 5 7 300 THz"}, {"lor1ker1", "2 1.5 3 5 7 300 1e-20 12 32 0.7 0.05 THz"},
      {"sellmeier", "1 1 0 0.8 0.01"}}; // A muR stability^2 = 1: the Courant limit itself
  QStringList made;
  for (const auto &m : media) {
    const QStringList l = changed(medium(m.first, m.second));
    const auto e = engineFrom(l);
    ASSERT_TRUE(e->isConstructed()) << m.first << " " << loadStatusMessage(*e, "f", l).toStdString();
    MaterialDescription d;
    e->sections.at(0)->describe(d);
    QString text = QStringLiteral("%1: %2 %3 %4").arg(m.first).arg(d.epsilonR).arg(d.muR).arg(d.sigma);
    for (const auto &p : d.poles)
      text += QStringLiteral(" | %1 %2 %3").arg(p.strength).arg(p.damping).arg(p.resonance);
    if (d.kerr)
      text += QStringLiteral(" | %1 %2 %3 %4").arg(d.chi3).arg(d.ramanTime1).arg(d.ramanTime2).arg(d.kerrFraction);
    made << text;
  }
  EXPECT_EQ(made.join('\n').toStdString(),
            "diel: 2 1.5 0\nldiel: 2 1.5 3\nlor1: 2 1.5 3 | 3 7e+09 3e+11\n"
            "lor2: 2 1.5 3 | 1.8 7e+09 3e+11 | 1.2 1.1e+10 2e+11\n"
            "lor3: 2 1.5 3 | 1.5 7e+09 3e+11 | 0.9 1.1e+10 2e+11 | 0.6 1.3e+10 1e+11\n"
            "ker1: 2 1.5 0 | 1e-20 12 32 0.7\nlor1ker1: 2 1.5 3 | 3 7e+09 3e+11 | 1e-20 12 32 0.7\n"
            "lor3ker1: 2 1.5 3 | 1.5 7e+09 3e+11 | 0.9 1.1e+10 2e+11 | 0.6 1.3e+10 1e+11 | 1e-20 12 32 0.7\n"
            "material: 1 1.5 0 | 1.03961 0 3.87008e+15 | 0.231792 0 2.1189e+15 | 1.01047 0 2.94594e+13\n"
            "lor1: 2 1.5 3 | 3 7e+12 3e+14\nlor1ker1: 2 1.5 3 | 3 7e+12 3e+14 | 1e-20 12 32 0.7\n"
            "sellmeier: 1 1 0 | 0.8 0 2.99792e+15");
}
