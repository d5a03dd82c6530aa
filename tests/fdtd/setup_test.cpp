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

// --- failure records ------------------------------------------------------------

struct FailureCase
{
  const char *name;
  std::function<void(QStringList &)> change;
  int errorLine;           // expected errorLine (0: none)
  const char *missing;     // expected missingKeyword ("" for none)
};

class SetupFailure : public ::testing::TestWithParam<FailureCase>
{
};

TEST_P(SetupFailure, RecordsTheProblem)
{
  const FailureCase &c = GetParam();
  QStringList l = baseLines();
  c.change(l);
  auto e = engineFrom(l);
  EXPECT_FALSE(e->isConstructed());
  EXPECT_EQ(e->errorLine, c.errorLine);
  EXPECT_EQ(e->missingKeyword, QString::fromLatin1(c.missing));
}

// Replaces line n (1-based).
std::function<void(QStringList &)> set(int n, const char *text)
{
  return [n, text](QStringList &l) { l[n - 1] = QString::fromLatin1(text); };
}
std::function<void(QStringList &)> add(const char *text)
{
  return [text](QStringList &l) { l.append(QString::fromLatin1(text)); };
}
std::function<void(QStringList &)> both(std::function<void(QStringList &)> a,
                                        std::function<void(QStringList &)> b)
{
  return [a, b](QStringList &l) {
    a(l);
    b(l);
  };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupFailure,
    ::testing::Values(
        FailureCase{"NoStability", set(2, "#"), 0, "stability"},
        FailureCase{"ZeroStability", set(2, "0 stability"), 2, ""},
        FailureCase{"WordStability", set(2, "fast stability"), 2, ""},
        FailureCase{"NoThreads", set(3, "#"), 0, "threads"},
        FailureCase{"NegativeThreads", set(3, "-1 threads"), 3, ""},
        FailureCase{"AbsurdThreads", set(3, "100000 threads"), 3, ""},
        FailureCase{"NoMeasure", set(4, "#"), 0, "measure"},
        FailureCase{"UnknownMeasure", set(4, "cm measure"), 4, ""},
        FailureCase{"NoSize", set(5, "#"), 0, "size"},
        FailureCase{"ZeroSize", set(5, "0 size"), 5, ""},
        FailureCase{"NoPhysical", set(6, "#"), 0, "physical"},
        FailureCase{"NoProblem", set(7, "#"), 0, "problem"},
        FailureCase{"UnknownProblem", set(7, "2d problem"), 7, ""},
        FailureCase{"UnequalSectionLines", add("ldiel medium"), -1, ""},
        FailureCase{"UnknownMedium", set(8, "glass medium"), 8, ""},
        FailureCase{"MeshpointsTruncatedToZero", set(9, "0.9 meshpoints"), 9, ""},
        FailureCase{"MeshpointsNotANumber", set(9, "many meshpoints"), 9, ""},
        FailureCase{"TooManyMeshpoints", set(9, "1e9 meshpoints"), 9, ""},
        FailureCase{"ParametersTooFew", set(10, "1 parameters"), 10, ""},
        FailureCase{"ParametersNotANumber", set(10, "1 x parameters"), 10, ""},
        FailureCase{"NonPositivePermittivity", set(10, "0 1 parameters"), 10, ""},
        FailureCase{"FasterThanLight", set(10, "0.5 1 parameters"), 10, ""},
        FailureCase{"Lor1TooFew", both(set(8, "lor1 medium"), set(10, "2 1 0 3 1 THz parameters")),
                    10, ""},
        FailureCase{"Lor1NegativeDamping",
                    both(set(8, "lor1 medium"), set(10, "2 1 0 3 -1 300 THz parameters")), 10, ""},
        FailureCase{"SellmeierNegativeStrength",
                    both(set(8, "sellmeier medium"), set(10, "1 1 0 -1.2 0.01 parameters")), 10, ""},
        FailureCase{"MaterialFasterThanLight",
                    both(set(2, "0.9 stability"),
                         both(set(8, "material medium"), set(10, "yag parameters"))),
                    10, ""},
        FailureCase{"LdielNegativeConductivity",
                    both(set(8, "ldiel medium"), set(10, "2 1 -5 parameters")), 10, ""},
        FailureCase{"Ker1ZeroRamanTime",
                    both(set(8, "ker1 medium"), set(10, "2 1 1e-20 0 32 0.7 parameters")), 10, ""},
        FailureCase{"Ker1FractionAboveOne",
                    both(set(8, "ker1 medium"), set(10, "2 1 1e-20 12.2 32 1.5 parameters")), 10,
                    ""},
        FailureCase{"Lor1Ker1OnARing",
                    both(set(7, "1dp problem"),
                         both(set(8, "lor1ker1 medium"),
                              set(10, "2 1 0 3 1 300 1e-20 12.2 32 0.7 THz parameters"))),
                    8, ""},
        FailureCase{"LumpedNegative", both(add("-50 lumped"), add("end lumped")), 20, ""},
        FailureCase{"LumpedPositionZero", both(add("50 lumped"), add("0 lumped")), 21, ""},
        FailureCase{"LumpedPositionBeyondGrid", both(add("50 lumped"), add("101 lumped")), 21, ""},
        FailureCase{"LumpedPositionWord", both(add("50 lumped"), add("last lumped")), 21, ""},
        FailureCase{"LumpedAloneAtTheEnd", add("50 lumped"), 0, "lumped"},
        FailureCase{"UnknownSourceKind", set(11, "line geometry"), 11, ""},
        FailureCase{"NoZLocation", set(12, "#"), 0, "z-location"},
        FailureCase{"ZLocationZero", set(12, "0 z-location"), 12, ""},
        FailureCase{"ZLocationBeyondGrid", set(12, "101 z-location"), 12, ""},
        FailureCase{"NoAmplitude", set(13, "#"), 0, "amplitude"},
        FailureCase{"AmplitudeTwoValues", set(13, "0 1 amplitude"), 13, ""},
        FailureCase{"AmplitudeNegativeImpedance", set(13, "-1 1 0 amplitude"), 13, ""},
        FailureCase{"AmplitudeNotANumber", set(13, "0 big 0 amplitude"), 13, ""},
        FailureCase{"AmplitudeNegativeDelay", set(13, "0 1 -2 amplitude"), 13, ""},
        FailureCase{"PlaneWaveThreeValues", set(11, "plane_wave geometry"), 13, ""},
        FailureCase{"PlaneWaveSech",
                    both(set(11, "plane_wave geometry"),
                         both(set(13, "0 1 0 1 1 0 0 amplitude"), set(14, "sech shape"))),
                    13, ""},
        FailureCase{"NoShape", set(14, "#"), 0, "shape"},
        FailureCase{"UnknownShape", set(14, "square shape"), 14, ""},
        FailureCase{"NoFunit", set(15, "#"), 0, "funit"},
        FailureCase{"UnknownFunit", set(15, "Mhz2 funit"), 15, ""},
        FailureCase{"NoTunit", set(16, "#"), 0, "tunit"},
        FailureCase{"UnknownTunit", set(16, "min tunit"), 16, ""},
        FailureCase{"NoCentre", set(17, "#"), 0, "centre"},
        FailureCase{"ZeroCentre", set(17, "0 centre"), 17, ""},
        FailureCase{"NoDuration", set(18, "#"), 0, "duration"},
        FailureCase{"DurationTruncatedToZero", set(18, "0.7 duration"), 18, ""},
        FailureCase{"No3dB", set(19, "#"), 0, "3dB"},
        FailureCase{"Zero3dB", set(19, "0 3dB"), 19, ""},
        FailureCase{"NoTau", both(set(14, "sech shape"), set(19, "#")), 0, "tau"},
        FailureCase{"NegativeTau", both(set(14, "sech2 shape"), set(19, "-3 tau")), 19, ""},
        FailureCase{"UserWithoutFile", set(14, "user shape"), 0, "file"},
        FailureCase{"UserFileMissing",
                    both(set(14, "user shape"), add("/nonexistent/pulse.txt file")), -2, ""}),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

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
