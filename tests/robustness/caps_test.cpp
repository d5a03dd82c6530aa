// What a configuration may ask for is capped: asking for more than the
// limits fails the load with a syntax error on the line that asked (never an
// allocation the machine cannot hold) and a reason naming the limit, and post-processing that grows while
// the run goes on ends the run with a message when it reaches the limits.

#include "robustnesssupport.h"

#include "fdtd/fdtdsimulator.h"
#include "postprocessing/fdtdobservation.h"
#include "postprocessing/fourierpostprocessing.h"
#include "uppe/uppesimulator.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using namespace robustness;

class Caps : public WorkingDirectoryTest
{
};

// --- limits checked while loading ---------------------------------------------------

struct LoadCap
{
  const char *name;
  bool uppe;
  const char *from; // line of the small configuration to replace ...
  const char *to;   // ... by this text
  const char *more; // lines appended after the configuration
  int line;         // the line the syntax error names
  const char *why;  // the second line: the refused line and the reason
};

void PrintTo(const LoadCap &c, std::ostream *os) { *os << c.name; }

class LoadCaps : public Caps, public ::testing::WithParamInterface<LoadCap>
{
};

TEST_P(LoadCaps, FailWithASyntaxErrorOnTheLineThatAsks)
{
  const LoadCap &c = GetParam();
  QByteArray text = c.uppe ? uppeConfiguration() : fdtdConfiguration();
  if (*c.from) {
    ASSERT_TRUE(text.contains(c.from)) << c.from;
    text.replace(c.from, c.to);
  }
  text += c.more;
  const QString path = write(QString::fromLatin1(c.uppe ? "UPPE_cap.txt" : "FDTD_cap.txt"), text);
  const LoadOutcome o = load(path);
  delete o.engine;
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(o.message.toStdString(),
            (path + QStringLiteral(": Syntax error in line %1.").arg(c.line) +
             (*c.why ? QLatin1Char('\n') + QString::fromUtf8(c.why) : QString()))
                .toStdString());
}

// Lines 1 ... 19 of the small FDTD configuration come first; appended
// sections start at line 20.
INSTANTIATE_TEST_SUITE_P(
    Limits, LoadCaps,
    ::testing::Values(
        LoadCap{"FdtdGridCells", false, "200 meshpoints", "50000001 meshpoints", "", 9,
                "\"50000001 meshpoints\": at most 50000000 cells in all; this line asks for 50000001 after 0"},
        LoadCap{"FdtdGridCellsFarBeyond", false, "200 meshpoints", "1e300 meshpoints", "", 9,
                "\"1e300 meshpoints\": at most 50000000 cells in all; this line asks for 1e300 after 0"},
        LoadCap{"FdtdCellsOfTwoSections", false, "200 meshpoints", "30000000 meshpoints",
                "diel medium\n30000000 meshpoints\n1 1 parameters\n", 21,
                "\"30000000 meshpoints\": at most 50000000 cells in all; this line asks for 30000000 after 30000000"},
        LoadCap{"FdtdThreads", false, "1 threads", "100000 threads", "", 3,
                "\"100000 threads\": at most 256 threads; this line asks for 100000"},
        LoadCap{"SpectralTimePoints", true, "256 timepoints", "1048577 timepoints", "", 16,
                "\"1048577 timepoints\": at most 1048576 time points; this line asks for 1048577"},
        LoadCap{"SpectralTimePointsFarBeyond", true, "256 timepoints", "1e300 timepoints", "", 16,
                "\"1e300 timepoints\": at most 1048576 time points; this line asks for 1e300"},
        LoadCap{"FourierPointsOfOneObject", false, "", "",
                "fourier typeOf\nF * name\n1 z-location\n0 use\n0 1e-9 4 start\n1 itstart\n"
                "8 itend\nTHz anyunit\n",
                24, "\"0 1e-9 4 start\": at most 1000000 spectral points per transform; this line asks for 4000000001"},
        LoadCap{"FourierSeriesObjects", false, "", "",
                "fourier typeOf\nF * name\n1 z-location\n1 use\n1 1000000 every\n0 1 2 start\n"
                "1 itstart\n8 itend\nTHz anyunit\n",
                24, "\"1 1000000 every\": at most 100000 spectral transforms in all; this line asks for 1000001"},
        LoadCap{"ProbeLength", false, "", "",
                "time typeOf\nT * name\n1 z-location\n0 use\n1 itstart\n2000000000 itend\nfs tunit\n",
                25, "\"2000000000 itend\": at most 20000000 probe samples in all; this section asks for 2000000000"},
        LoadCap{"ProbeSeriesSamples", false, "", "",
                "time typeOf\nT * name\n1 z-location\n1 use\n1 1000000 every\n1 itstart\n1000 itend\n"
                "fs tunit\n",
                24, "\"1 1000000 every\": at most 100000 time probes; this section would make 1000001"},
        LoadCap{"StaticSpectrogramRows", false, "", "",
                "spectrogram typeOf\nS * name\n0 0.05 1000 start\nTHz * anyunit\n0 1 199 loc_start\n",
                24, "\"0 1 199 loc_start\": at most 2000000 spectral points in all; this line asks for 4000200"},
        LoadCap{"DynamicSpectrogramWindows", false, "1d problem", "1dp problem",
                "spectrogram typeOf\nS * name\n100 0.0002 299 start\nTHz * anyunit\n1000000000 maxdistance\n",
                24, "\"1000000000 maxdistance\": at most 100000 spectral transforms in all; this distance needs 500000 windows with 100000 left"}),
    [](const ::testing::TestParamInfo<LoadCap> &info) { return std::string(info.param.name); });

// --- a limit reached while running ----------------------------------------------------

// Two dynamic spectrograms on a small ring: each opens a window per round
// trip until both have covered their distance, so the short one with a
// million spectral points keeps opening windows for the long one. The run
// ends with a message when the next window would pass the limits.
TEST_F(Caps, DynamicSpectrogramWindowsEndTheRunAtTheLimit)
{
  QByteArray text = fdtdConfiguration(QStringLiteral("0 1 0 amplitude"),
                                      QStringLiteral("gauss shape\nTHz funit\nfs tunit\n375 centre\n"
                                                     "2 duration\n50 3dB\n"));
  text.replace("1d problem", "1dp problem");
  text.replace("200 meshpoints", "12 meshpoints");
  text.replace("50 z-location", "2 z-location");
  text += "spectrogram typeOf\nS * name\n100 0.0002 299 start\nTHz * anyunit\n200 maxdistance\n"
          "spectrogram typeOf\nR * name\n100 1 300 start\nTHz * anyunit\n100000 maxdistance\n";
  const QString path = write(QStringLiteral("FDTD_windows.txt"), text);
  Loaded l = loadEngine(path);
  ASSERT_TRUE(l.engine) << qPrintable(l.message);
  runFor(*l.engine, 100000);
  EXPECT_TRUE(l.engine->finished);
  EXPECT_TRUE(l.engine->runFailure.startsWith(
      QStringLiteral("The dynamic spectrogram S has no room for window 3 within the post-processing "
                     "limits: the run was stopped at iteration ")))
      << qPrintable(l.engine->runFailure);
  long long points = 0;
  for (const auto *f : l.engine->fourierPostprocessings)
    points += f->pointCount();
  EXPECT_LE(points, ObservationLimits::spectralPointsTotal);
  // The windows opened so far stay readable.
  EXPECT_EQ(l.engine->fourierNames().size(), l.engine->probeNames().size());
}

} // namespace
