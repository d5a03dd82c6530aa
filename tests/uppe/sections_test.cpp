// Configuration sections of the spectral engine: every missing keyword,
// every refused line with its exact two-line message, the values each
// medium takes, pulse placement and load warnings.

#include "engine/loader.h"
#include "testsupport.h"
#include "uppe/dumpfiles.h"
#include "uppetestsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace uppetest;

// Without any one line the load fails naming its keyword: the lines of the
// base configuration and of each post-processing block (except its anchor).
TEST(Sections, EveryMissingKeywordIsReported)
{
  const char *blocks[] = {"", "fourier typeOf|f * name", "conversionEfficiency typeOf|b * name|100 200 start",
                          "time typeOf|p * name|1 use"};
  for (const char *block : blocks) {
    QStringList base = configuration();
    base << QString::fromLatin1(block).split('|', Qt::SkipEmptyParts);
    for (int n = *block ? 25 : 2; n <= base.size(); ++n) {
      if (n == IntegrationFunitLine || n == LinearLine || n == DumpLine) // a second "funit"; optional lines
        continue;
      QStringList l = base;
      const QString keyword = l[n - 1].section(' ', -1);
      l[n - 1] = "#";
      EXPECT_EQ(loadStatusMessage(*build(l), QStringLiteral("UPPE_x.txt")).toStdString(),
                QStringLiteral("Loading UPPE_x.txt failed:\n Keyword \"%1\" not found.").arg(keyword).toStdString())
          << block << " " << n;
    }
  }
}

// A table written in nm (read as um) covers none of the pulse's band: refused
// with the hint. A strong Kerr effect makes a run of hours: announced.
TEST(Sections, TablesOutsideThePulseAndLongRunsAreCaught)
{
  QTemporaryDir dir;
  QFile table(dir.filePath("nm.dat"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.write("# wavelength n k\n100.5 1.45 0\n3000 1.44 0\n3500 1.43 0\n"); // just above 100: nm
  table.close();
  const QByteArray parameters = (table.fileName() + " parameters").toUtf8();
  const QStringList lines =
      configuration({{MediumLine, "tabulated medium"}, {ParametersLine, parameters.constData()}});
  EXPECT_EQ(loadStatusMessage(*build(lines), "UPPE_x.txt", lines).toStdString(),
            "UPPE_x.txt: Syntax error in line 20.\n\"" + parameters.toStdString() +
                "\": the table's wavelengths 100.5 to 3500 um (0.08565 to 2.983 THz) all lie outside "
                "the pulse's band 81.92 to 117.9 THz (2.543 to 3.66 um); wavelengths are read in um, "
                "and values above 100 look like nm (divide them by 1000)");

  EXPECT_TRUE(build(configuration())->loadStatus().warnings.filter("The run will take").isEmpty());
  const auto strong =
      build(configuration({{AmplitudeLine, "1e9 0 amplitude"}, {ParametersLine, "1.5 0 1e-15 1 1 1 parameters"}}));
  // In BK7 at 200 THz: T0 = sqrt(ln 2) / (pi 10 THz) = 26.5 fs, beta2 = -18.6 fs^2/mm, L_D = T0^2/|beta2| = 37.8 mm;
  // L_NL = 2 c n / (w n2 A^2 3/4) = 9.55e-7 mm.
  const auto glass = build(configuration({{AmplitudeLine, "1e9 0 amplitude"}, {CentreLine, "200 centre"},
                                          {MediumLine, "material_ker1 medium"}, {ParametersLine, "bk7 1e-15 12.2 32 1 parameters"}}));
  EXPECT_TRUE(glass->loadStatus().warnings.join('\n').contains(
      " each (nonlinear length 9.56e-07 mm, dispersion length 37.5 mm, tolerance 1e-06). A larger"))
      << glass->loadStatus().warnings.join('\n').toStdString();
  const QStringList announced = strong->loadStatus().warnings.filter("The run will take about ");
  ASSERT_EQ(announced.size(), 1) << strong->loadStatus().warnings.join('\n').toStdString();
  EXPECT_TRUE(announced.first().contains(" h ") && announced.first().contains(": about 8.86e+08 steps of 1.129e-09 mm, "))
      << announced.first().toStdString();
  EXPECT_TRUE(announced.first().endsWith("(nonlinear length 1.91e-06 mm, dispersion length none, "
                                         "tolerance 1e-06). A larger \"tolerance\", fewer "
                                         "\"timepoints\" or a shorter \"size\" shortens it."))
      << announced.first().toStdString();
}

Edits secondBlock(int line, const char *text)
{
  Edits edits = {{24, "gauss shape"}, {25, "1 0 amplitude"}, {26, "THz funit"}, {27, "fs tunit"},
                 {28, "100 centre"}, {29, "2000 timeduration"}, {30, "1024 timepoints"}, {31, "5 3dB"}};
  edits[std::size_t(line - 24)].second = text;
  return edits;
}

// A refused line: the loader's two-line message names the line, quotes it
// and says why.
TEST(Sections, RefusedLinesHaveTheirExactTwoLineMessages)
{
  const struct
  {
    Edits edits;
    int line;
    const char *reason;
  } cases[] = {
      {{{MethodLine, "euler method"}}, MethodLine, "one of rkf45, rkck, rk8pd, erk43ip was expected"},
      {{{FixedStepLine, "yes fixedStep"}}, FixedStepLine,
       "the value \"yes\" is not a finite number; a number was expected (0 for adaptive steps, 1 for fixed steps)"},
      {{{InitialStepLine, "abc initialintegstep"}}, InitialStepLine,
       "the value \"abc\" is not a finite number; a number above 0 was expected"},
      {{{EvolutionStepLine, "0 evolutionstep"}}, EvolutionStepLine,
       "the value 0 is out of range; a number above 0 was expected"},
      {{{ToleranceLine, "-1e-6 relative tolerance"}}, ToleranceLine,
       "the value -1e-6 is out of range; a number above 0 was expected"},
      {{{FshiftLine, "x fshift"}}, FshiftLine,
       "the value \"x\" is not a finite number; a number was expected"},
      {{{UseGeneralLine, "1.5 usegeneral"}}, UseGeneralLine,
       "the value \"1.5\" is not a whole number; 0 (real formulation) or 1 (general formulation) was expected"},
      {{{IntegrationFunitLine, "XHz funit"}}, IntegrationFunitLine,
       "one of Hz, kHz, MHz, GHz, THz, PHz was expected"},
      {{{ShapeLine, "sine shape"}}, ShapeLine, "one of gauss, sech, sech2 was expected"},
      {{{AmplitudeLine, "-1 0 amplitude"}}, AmplitudeLine,
       "the amplitude -1 is out of range; a number of at least 0 was expected"},
      {{{AmplitudeLine, "1 amplitude"}}, AmplitudeLine,
       "the delay (second value) is missing; a number was expected"},
      {{{AmplitudeLine, "1 1000.5 amplitude"}}, AmplitudeLine,
       "the pulse centre T/2 + delay = 2000.5 fs lies outside the time window 0 ... 2000 fs"},
      {{{TunitLine, "fortnight tunit"}}, TunitLine, "one of s, ms, us, ns, ps, fs, as, auto was expected"},
      {{{TimepointsLine, "1024.5 timepoints"}}, TimepointsLine,
       "\"timepoints\" is a count: expected a whole number, found \"1024.5\""},
      {{{TimepointsLine, "1 timepoints"}}, TimepointsLine, "a whole number of at least 2 was expected"},
      {{{ThreeDbLine, "0 3dB"}}, ThreeDbLine, "the value 0 is out of range; a number above 0 was expected"},
      {secondBlock(29, "3 timeduration"), 29,
       "every pulse block needs the same \"timeduration\" as the first (2000 fs); this line asks for 3 fs"},
      {secondBlock(30, "512 timepoints"), 30,
       "every pulse block needs the same \"timepoints\" as the first (1024); this line asks for 512"},
      {secondBlock(25, "1 -1001 amplitude"), 25,
       "the pulse centre T/2 + delay = -1 fs lies outside the time window 0 ... 2000 fs"},
      {{{24, "wavelet typeOf"}}, 24,
       "one of time, fourier, spectrogram, poynting, conversionEfficiency was expected"},
      {{{24, "conversionEfficiency typeOf"}, {25, "b * name"}, {26, "110 90 start"}}, 26,
       "the band end 90 THz lies below its start 110 THz"},
      {{{LinearLine, "yes linear"}}, LinearLine,
       "the value \"yes\" is not a finite number; a number was expected (0 drops the imaginary part of the index)"},
      {{{MediumLine, "glass medium"}}, MediumLine,
       "one of lor1, const_n_ker1, step_n_ker1, taylorSeriesDispersive, lor1ker1, sellmeier, "
       "sellmeier_ker1, material, material_ker1, tabulated, tabulated_ker1, fibre, fiber was expected"},
      {{{ParametersLine, "1.5 0 0 parameters"}}, ParametersLine,
       "const_n_ker1 takes 6 values (Re n, Im n, n2, tau1, tau2, weight) before \"parameters\"; this line has 3"},
      {{{ParametersLine, "1.5 0 x 1 1 1 parameters"}}, ParametersLine,
       "value 3 \"x\" is not a finite number; a number was expected"},
      {{{ParametersLine, "1.5 0 0 1 1 1 parameters THz"}}, ParametersLine,
       "nothing may follow \"parameters\""},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "835 0.11 0.18 12.2 32 0 -11 parameters THz"}}, ParametersLine,
       "nothing may follow \"parameters\""},
      {{{MediumLine, "lor1 medium"}, {ParametersLine, "1 0 0 2.1 0 3000 parameters furlongs"}}, ParametersLine,
       "the unit \"furlongs\" after \"parameters\": one of Hz, kHz, MHz, GHz, THz, PHz was expected"},
      {{{MediumLine, "taylorSeriesDispersive medium"}, {ParametersLine, "1e14 0 1e-26 parameters"}}, ParametersLine,
       "beta1 = 0 s/m gives no usable frame velocity 1/beta1; a value between 4.66e-10 and 1 s/m was expected"},
      {{{MediumLine, "taylorSeriesDispersive medium"}, {ParametersLine, "1e14 parameters"}}, ParametersLine,
       "taylorSeriesDispersive takes at least 2 values (reference frequency, beta1, beta2, ...) before "
       "\"parameters\"; this line has 1"},
      {{{MediumLine, "sellmeier medium"}, {ParametersLine, "1 0.69 0.07 0.4 parameters"}}, ParametersLine,
       "expected A and one or more Sellmeier terms B C (C in um^2)"},
      {{{MediumLine, "sellmeier_ker1 medium"}, {ParametersLine, "1e-22 12.2 32 0.7 1 x 0.1 parameters"}}, ParametersLine,
       "\"x\" is not a number"},
      {{{MediumLine, "sellmeier medium"}, {ParametersLine, "-5 1 1 parameters"}}, ParametersLine,
       "the index is not real and positive at any frequency of the run"},
      {{{MediumLine, "material_ker1 medium"}, {ParametersLine, "bk7 1e-22 0 32 0.7 parameters"}}, ParametersLine,
       "the Raman times must be positive and a within 0 to 1"},
      {{{MediumLine, "material_ker1 medium"}, {ParametersLine, "bk7 1e-22 12.2 32 1.005 parameters"}}, ParametersLine,
       "the Raman times must be positive and a within 0 to 1"},
      {{{MediumLine, "material medium"}, {ParametersLine, "glass parameters"}}, ParametersLine,
       "unknown material \"glass\"; the library has fused_silica, bk7, sapphire_o, caf2, yag, silicon"},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "2997.92458 0.11 0.18 12.2 32 0 parameters"}}, ParametersLine,
       "fibre takes at least 7 values (lambda0 in nm, gamma in 1/(W m), fR, tau1 and tau2 in fs, loss in "
       "dB/km, then beta2 ... betan in ps^k/km) before \"parameters\"; this line has 6"},
      {{{MediumLine, "fiber medium"}, {ParametersLine, "-835 0.11 0.18 12.2 32 0 -11 parameters"}}, ParametersLine,
       "value 1, lambda0 (nm), -835 is out of range; a number above 0 was expected"},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "835 0.11 1.005 12.2 32 0 -11 parameters"}}, ParametersLine,
       "value 3, fR, 1.005 is out of range; a fraction from 0 to 1 was expected"},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "835 0.11 0.18 0 32 0 -11 parameters"}}, ParametersLine,
       "value 4, tau1 (fs), 0 is out of range; a number above 0 was expected"},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "835 0.11 0.18 12.2 32 -1 -11 parameters"}}, ParametersLine,
       "value 6, loss (dB/km), -1 is out of range; a number of at least 0 was expected"},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "835 0.11 0.18 12.2 32 0 -11 x parameters"}}, ParametersLine,
       "value 8, beta3, \"x\" is not a finite number; a number was expected"},
      {{{MediumLine, "fibre medium"}, {ParametersLine, "2997.92458 0.11 0.18 12.2 32 0 -11 parameters"}}, MethodLine,
       "the envelope model integrates with erk43ip (interaction picture with an embedded error estimate)"},
      {{{MethodLine, "erk43ip method"}, {MediumLine, "fibre medium"}, {ParametersLine, "835 0.11 0.18 12.2 32 0 -11 parameters"}},
       ShapeLine,
       "the pulse's centre frequency lies -259 THz from the fibre's reference frequency 359.033 THz, beyond "
       "the envelope window's half width of 255.8 THz (shorten the time step: more \"timepoints\")"},
      {{{MethodLine, "erk43ip method"}, {24, "field model"}, {MediumLine, "fibre medium"},
        {ParametersLine, "2997.92458 0.11 0.18 12.2 32 0 -11 parameters"}}, MethodLine,
       "erk43ip integrates the envelope model of a fibre; the field model takes rkf45, rkck or rk8pd"},
      {{{24, "envelope model"}}, 24,
       "the envelope model needs a fibre medium (its beta series and gamma); the other media take \"field model\""},
      {{{24, "carrier model"}}, 24, "one of envelope, field was expected"},
      {{{1, "1 planes"}}, 1,
       "\"1\" is not a whole number of planes from 2 to 10000 (the records at 0 and at the end of the medium count)"},
      {{{AmplitudeLine, "100 0 peakpower"}}, AmplitudeLine,
       "\"peakpower\" and \"energy\" describe pulses in a fibre medium (field in sqrt(W)); other media "
       "take \"amplitude\" in V/m"},
      {{{AmplitudeLine, "100 0 peakpower"}, {24, "1e-9 0 energy"}, {MediumLine, "fibre medium"}}, 24,
       "a pulse takes either \"peakpower\" or \"energy\", not both"},
      {{{AmplitudeLine, "-5 0 peakpower"}, {MediumLine, "fibre medium"}}, AmplitudeLine,
       "the peak power (W) -5 is out of range; a number above 0 was expected"},
      {{{ThreeDbLine, "p.dat pulsedata"}}, ThreeDbLine, "\"pulsedata\" describes pulses in a fibre medium"},
      {{{ThreeDbLine, "p.dat pulsedata nm"}, {AmplitudeLine, "1 0 peakpower"}, {MediumLine, "fibre medium"}}, ThreeDbLine,
       "only the word \"frequency\" may follow \"pulsedata\" (the first column is then in THz, else in nm)"},
      {{{24, "x gdd"}}, 24, "the GDD (fs^2) \"x\" is not a finite number; a number was expected"},
      {{{24, "time typeOf"}, {25, "p * name"}, {26, "x use"}}, 26, "the value \"x\" is not a whole number"},
      {{{TimedurationLine, "1e-310 timeduration"}}, TimedurationLine, "the window is not a finite positive time in seconds"},
      {{{24, "conversionEfficiency typeOf"}, {25, "b * name"}, {26, "-1 90 start"}}, 26,
       "the band start (THz) -1 is out of range; a number of at least 0 was expected"},
      {{{24, "conversionEfficiency typeOf"}, {25, "b * name"}, {26, "100 start"}}, 26,
       "the band end (THz, second value) is missing; a number of at least 0 was expected"},
      {{{MethodLine, "erk43ip method"}, {UseGeneralLine, "1 usegeneral"}, {MediumLine, "fibre medium"},
        {ParametersLine, "2997.92458 0.11 0.18 12.2 32 0 -11 parameters"}}, UseGeneralLine,
       "the envelope model has its own window about the reference frequency; 0 usegeneral was expected"},
      {{{MediumLine, "lor1 medium"}, {ParametersLine, "1 0 0 2.1 0 3000 parameters THz x"}}, ParametersLine,
       "only a frequency unit may follow \"parameters\""},
      {{{AmplitudeLine, "0 0 energy"}, {MediumLine, "fibre medium"}}, AmplitudeLine,
       "the energy (J) 0 is out of range; a number above 0 was expected"},
      {{{ThreeDbLine, "x fwhm"}}, ThreeDbLine,
       "the intensity FWHM \"x\" is not a finite number; a number above 0 was expected"},
      {{{24, "100 fwhm"}}, 24, "a pulse takes either \"fwhm\" or \"3dB\", not both"},
      {{{24, "1e4 2e4 gdd"}}, 24, "\"gdd\" takes one value; the extra token \"2e4\" is refused"},
      {{{24, "1e-9 0 energy"}, {MediumLine, "fibre medium"}}, 24,
       "a pulse takes either \"amplitude\" or \"energy\", not both"},
      {{{24, "1e4 gdd"}, {25, "y tod"}}, 25, "the TOD (fs^3) \"y\" is not a finite number; a number was expected"},
      {{{ThreeDbLine, "nofile.dat pulsedata"}, {AmplitudeLine, "1e-9 0 energy"}, {MediumLine, "fibre medium"}},
       ThreeDbLine, "the pulse file \"nofile.dat\" cannot be read"},
      {{{ThreeDbLine, "spectrum.dat pulsedata"}, {MediumLine, "fibre medium"}}, ThreeDbLine,
       "a measured pulse is scaled to the block's \"energy\" or \"peakpower\"; neither is given"},
      {{{24, "spectrum.dat pulsedata"}, {AmplitudeLine, "1e-9 0 energy"}, {MediumLine, "fibre medium"}}, 24,
       "a measured pulse (\"pulsedata\") takes its width from its spectrum; no other width may be given"},
      {{{MeasureLine, "furlong measure"}}, MeasureLine, "one of m, mm, um, nm was expected"},
      {{{SizeLine, "0 size"}}, SizeLine, "the value 0 is out of range; a number above 0 was expected"},
      {{{DumpLine, "no dump"}}, DumpLine,
       "the value \"no\" is not a finite number; a number was expected (0 switches the diagnostic files off)"},
  };
  for (const auto &c : cases) {
    const QStringList lines = configuration(c.edits);
    auto e = build(lines);
    EXPECT_EQ(loadStatusMessage(*e, QStringLiteral("UPPE_x.txt"), lines).toStdString(),
              QStringLiteral("UPPE_x.txt: Syntax error in line %1.\n\"%2\": %3")
                  .arg(c.line)
                  .arg(lines[c.line - 1].trimmed(), QString::fromUtf8(c.reason))
                  .toStdString());
  }
}

// Where each medium's values go: the index at a bin, the Kerr and Raman
// constants and the frame velocity (0: not checked).
TEST(Sections, MediumValuesLandWhereTheyBelong)
{
  const struct
  {
    const char *medium, *parameters;
    std::size_t bin;
    Complex index;
    std::vector<double> nonlinear; // n2, tau1, tau2, a
    double velocity;
  } cases[] = {
      {"lor1ker1 medium", " \t 1 9 9 2.1 0.5 3000 2e-22 12.2 32 0.82 parameters THz", 0, std::sqrt(2.1),
       {2e-22, 12.2e-15, 32e-15, 0.82}, 0.0},
      {"const_n_ker1 medium", "  1.5 0.01 4e-4 12.2 32 0.7 parameters", 5, {1.5, 0.01}, {4e-4, 12.2e-15, 32e-15, 0.7},
       299792458.0 / 1.5},
      // The step lies at K = floor(100 THz / df) = 200.
      {"step_n_ker1 medium", "1.4 0 100 1.6 0.01 3 4 5 0.6 parameters", 199, 1.4, {3, 4e-15, 5e-15, 0.6}, 0.0},
      {"step_n_ker1 medium", "1.4 0 100 1.6 0.01 3 4 5 0.6 parameters", 200, {1.6, 0.01}, {3, 4e-15, 5e-15, 0.6}, 0.0},
      {"taylorSeriesDispersive medium", "1e14 4.9e-9 1e-26 parameters", 0, 0.0, {0, 1, 1, 1},
       double(int(1.0 / 4.9e-9))},
      {"lor1 medium", "1 0 0 2.1 0 3 parameters PHz", 0, std::sqrt(2.1), {0, 1, 1, 1}, 0.0}};
  // Leading blanks never shift the values of a line.
  for (const auto &m : cases) {
    auto e = build(configuration({{MediumLine, m.medium}, {ParametersLine, m.parameters}}));
    ASSERT_TRUE(e->isConstructed()) << m.medium << qPrintable(e->loadStatus().errorReason);
    const KerrRaman &k = e->configuration().medium.nonlinear;
    EXPECT_NEAR(std::abs(e->getRefractiveIndex()[m.bin] - m.index), 0.0, 1e-12) << m.parameters;
    const std::vector<double> nonlinear = {k.n2, k.tau1, k.tau2, k.instantaneous};
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_NEAR(nonlinear[i], m.nonlinear[i], 1e-12 * m.nonlinear[i]) << m.parameters << i;
    EXPECT_TRUE(m.velocity == 0.0 || e->getReferenceVelocity() == m.velocity) << m.parameters;
  }
}

// "0 dump" writes no diagnostic files; "1 dump" writes them, one line per element.
TEST(Sections, DumpSwitchAndDiagnosticFiles)
{
  QTemporaryDir dir;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.path());
  build(configuration())->step();
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  auto e = build(configuration({{TimepointsLine, "16 timepoints"}, {TimedurationLine, "150 timeduration"},
                                {ThreeDbLine, "40 3dB"}, {DumpLine, "1 dump"}}));
  const int first = rightHandSideCounter();
  e->step();
  EXPECT_EQ(testsupport::readAll("FrequencyVector_.txt"), "0\n6.25e+12\n1.25e+13\n1.875e+13\n2.5e+13\n3.125e+13\n"
                                                         "3.75e+13\n4.375e+13\n5e+13\n");
  EXPECT_EQ(testsupport::readAll(QStringLiteral("Evector_%1.txt").arg(first)).count('\n'), 16);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("Pvector_%1.txt").arg(first)).count('\n'), 16);
  QDir::setCurrent(previous);
}

// Load warnings: the inputs that trigger them and the ones that must not.
TEST(Sections, LoadWarningsAreGivenExactlyWhenTheyApply)
{
  const struct
  {
    Edits edits;
    const char *warning; // beginning of the one warning expected, or null for none
  } cases[] = {
      {{}, nullptr},
      // The grid reaches 256 THz; the 100 THz pulse's spectrum stays above 1 % up to 118 THz.
      {{{ParametersLine, "1.5 0 1e-3 12.2 32 0.7 parameters"}},
       "The cubic nonlinearity makes a third-harmonic band up to about 3 x 117.9 = 353.7 THz, "
       "above the highest frequency of the grid (255.8 THz)"},
      {{{ParametersLine, "1.5 0 1e-3 12.2 32 0 parameters"}}, nullptr}, // Raman only
      {{{24, "exit action"}, {25, "fs tunit"}, {26, "100 time"}},
       "The exit action (line 24) is given as a time and never fires: this engine steps along z"},
      {{{CentreLine, "300 centre"}}, "Pulse 1: its centre frequency 300 THz lies above the highest frequency of "
                                     "the grid (255.8 THz): the sampled field folds it back."},
      {{{CentreLine, "300 centre"}, {UseGeneralLine, "1 usegeneral"}, {FshiftLine, "-150 fshift"}}, nullptr},
      // Shifted by -150 THz the general formulation holds frequencies up to 406 THz.
      {{{ParametersLine, "1.5 0 1e-3 12.2 32 0.7 parameters"}, {UseGeneralLine, "1 usegeneral"}, {FshiftLine, "-150 fshift"}},
       nullptr},
      {{{AmplitudeLine, "1 950 amplitude"}}, "The time window cuts the pulse: at its edges the input field still reaches 40.4 % of its peak."},
      {{{AmplitudeLine, "1 -700 amplitude"}}, nullptr},
      {{{AmplitudeLine, "1 1000 amplitude"}}, // centred on the last sample
       "The time window cuts the pulse: at its edges the input field still reaches 100 % of its peak."},
      // Silica covers 0.21 to 3.71 um: bins 0 .. 161 (below 80.8 THz) take the index at 3.71 um.
      {{{MediumLine, "material medium"}, {ParametersLine, "fused_silica parameters"}},
       "Medium \"fused_silica\" (covered: 0.21 to 3.71 um): 162 of 513 frequency bins"}};
  for (const auto &c : cases) {
    auto e = build(configuration(c.edits));
    ASSERT_TRUE(e->isConstructed()) << qPrintable(e->loadStatus().errorReason);
    EXPECT_TRUE(c.warning ? e->loadStatus().warnings.size() == 1 && e->loadStatus().warnings[0].startsWith(QLatin1String(c.warning))
                          : e->loadStatus().warnings.isEmpty()) << qPrintable(e->loadStatus().warnings.join('\n'));
  }
}

} // namespace

// The set-up summaries of a two-pulse run in the general formulation and of a
// one-pulse run in the real one, word for word: what the reader made of each
// value, and the derived lengths (the lossy Lorentz index: Im n = Im eps / 2n).
TEST(Sections, SummaryStatesEveryValueAsRead)
{
  auto e = build(configuration({{MethodLine, "rkck method"}, {FshiftLine, "-50 fshift"}, {UseGeneralLine, "1 usegeneral"},
                                {LinearLine, "1 linear"}, {MediumLine, "lor1ker1 medium"},
                                {ParametersLine, "1 0 0 2.1 0.5 3000 2e-22 12.2 32 0.82 parameters THz"},
                                {24, "sech2 shape"}, {25, "THz funit"}, {26, "2 -0.2512345678 amplitude"}, {27, "ps tunit"},
                                {28, "150 centre"}, {29, "2 timeduration"}, {30, "1024 timepoints"}, {31, "0.02 tau"}}));
  ASSERT_TRUE(e->isConstructed()) << qPrintable(e->loadStatus().errorReason);
  EXPECT_EQ(setupSummaryText(*e).toStdString(),
            "Engine: spectral (UPPE), field model, general formulation, carrier shift -50 THz\n"
            "Time window: 2000 fs, 1024 points, dt = 1.955 fs\nFrequency grid: df = 0.4995 THz, fmax = 255.8 THz\n"
            "Medium: lor1ker1 over 1 mm; index at the spectral peak (149.9 THz): 1.45009 + 3.17e-06i\n"
            "Reference velocity: 2.0647021e+08 m/s (c / 1.45199)\n"
            "Dispersion length T0^2/|beta2|: 19.73 mm (beta2 = 2.028e-26 s^2/m, T0 = 20 fs)\n"
            "Nonlinear length: 1.637e+18 mm (n2 = 2e-22 m^2/V^2, peak amplitude 2 V/m)\n"
            "Integration: rkck, adaptive, at least 10 steps of at most 0.1 mm; absolute tolerance 1e-06\n"
            "Pulse 1: gauss, centre 100 THz, 3dB bandwidth 5 THz, amplitude 1 V/m, centred at 1000 fs\n"
            "Pulse 2: sech2, centre 150 THz, tau 0.02 ps, amplitude 2 V/m, centred at 0.74876543 ps\n"
            "Memory: about 556 kB\nWarnings:\n"
            "  - The cubic nonlinearity makes a third-harmonic band up to about 3 x 186.8 = 560.5 THz, above the "
            "highest frequency of the grid (305.8 THz): it folds back into the spectrum. More \"timepoints\" over "
            "the same window raise the limit.\n");
  EXPECT_NEAR(e->frequenciesDisplay().back(), 255.8, 0.05); // the plotted and saved axis, in THz
  // The real formulation with fixed steps, a relative tolerance and a Taylor medium.
  e = build(configuration({{MethodLine, "rk8pd method"}, {FixedStepLine, "1 fixedStep"}, {ToleranceLine, "1e-3 relative tolerance"},
                           {ShapeLine, "sech shape"}, {ThreeDbLine, "20 tau"}, {MediumLine, "taylorSeriesDispersive medium"},
                           {ParametersLine, "1e14 4.9e-9 1e-26 parameters"}, {SizeLine, "0.35 size"}}));
  EXPECT_EQ(e->setupSummary().toStdString(),
            "Engine: spectral (UPPE), field model, real formulation\nTime window: 2000 fs, 1024 points, dt = 1.955 fs\n"
            "Frequency grid: df = 0.4995 THz, fmax = 255.8 THz\n"
            "Medium: taylorSeriesDispersive over 0.35 mm; index at the spectral peak (99.9 THz): -0.00143596 + 0i\n"
            "Reference velocity: 2.0408163e+08 m/s (c / 1.46898)\n"
            "Dispersion length T0^2/|beta2|: 40 mm (beta2 = 1e-26 s^2/m, T0 = 20 fs)\n"
            "Nonlinear length: none (no Kerr nonlinearity)\n"
            "Integration: rk8pd, fixed steps of 0.1 mm, 4 steps planned; relative tolerance 0.001 (0.01607 on "
            "spectral values)\nPulse 1: sech, centre 100 THz, tau 20 fs, amplitude 1 V/m, centred at 1000 fs\n"
            "Memory: about 340 kB\n");
}

// Values at the edge of what each line accepts load.
TEST(Sections, BoundaryValuesAreAccepted)
{
  // Pulse centres at the window's end and at its start.
  const Edits cases[] = {{{TimepointsLine, "2 timepoints"}}, {{1, "10000 planes"}}, {{AmplitudeLine, "0 1000 amplitude"}},
                         {{AmplitudeLine, "1 -1000 amplitude"}},
                         {{24, "conversionEfficiency typeOf"}, {25, "b * name"}, {26, "100 100 start"}},
                         {{MediumLine, "taylorSeriesDispersive medium"}, {ParametersLine, "1e14 1 1e-26 parameters"}},
                         {{MediumLine, "material_ker1 medium"}, {ParametersLine, "bk7 1e-22 12.2 32 1 parameters"}},
                         {{MethodLine, "erk43ip method"}, {MediumLine, "fibre medium"},
                          {ParametersLine, "2997.92458 0.11 1 12.2 32 0 -11 parameters"}}};
  for (const Edits &edits : cases) {
    const QStringList lines = configuration(edits);
    auto e = build(lines);
    EXPECT_TRUE(e->isConstructed()) << loadStatusMessage(*e, QStringLiteral("UPPE_x.txt"), lines).toStdString();
  }
}
