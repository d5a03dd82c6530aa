// What a configuration may ask for is capped: more than the limits fails the
// load with a syntax error on the line that asked and a reason naming the limit,
// never an allocation the machine cannot hold. And a pulse file that vanishes.

#include "engine/enginetestsupport.h"

#include <string>

namespace {

using namespace enginetest;

struct Refusal
{
  const char *name;
  bool spectral;       // the tiny spectral run, else the tiny grid
  const char *edits;   // "from>to;from>to" replacements in it
  const char *more;    // lines appended to it
  const char *message; // after "<path>: "
};

class Refusals : public WorkingDirectoryTest, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(Refusals, NameTheLineAndTheLimit)
{
  const Refusal &c = GetParam();
  QByteArray text = c.spectral ? tinySpectralRun : tinyGrid;
  for (const QString &edit : QString(c.edits).split(';', Qt::SkipEmptyParts)) {
    ASSERT_TRUE(text.contains(edit.section('>', 0, 0).toUtf8())) << qPrintable(edit);
    text.replace(edit.section('>', 0, 0).toUtf8(), edit.section('>', 1).toUtf8());
  }
  const QString path = write(c.spectral ? "UPPE_cap.txt" : "FDTD_cap.txt", text + c.more);
  QString message;
  EXPECT_FALSE(loadEngine(path, &message));
  EXPECT_EQ(message.toStdString(), (path + ": " + c.message).toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Limits, Refusals,
    ::testing::Values(
        Refusal{"GridCells", false, "20 meshpoints>50000001 meshpoints", "",
                "Syntax error in line 8.\n\"50000001 meshpoints\": at most 50000000 cells in all; this line asks "
                "for 50000001 after 0"},
        Refusal{"GridCellsFarBeyond", false, "20 meshpoints>1e300 meshpoints", "",
                "Syntax error in line 8.\n\"1e300 meshpoints\": at most 50000000 cells in all; this line asks "
                "for 1e300 after 0"},
        Refusal{"CellsOfTwoSections", false, "20 meshpoints>30000000 meshpoints",
                "diel medium\n30000000 meshpoints\n1 1 parameters\n",
                "Syntax error in line 20.\n\"30000000 meshpoints\": at most 50000000 cells in all; this line "
                "asks for 30000000 after 30000000"},
        Refusal{"Threads", false, "1 threads>100000 threads", "",
                "Syntax error in line 2.\n\"100000 threads\": at most 256 threads; this line asks for 100000"},
        Refusal{"SpectralTimePoints", true, "256 timepoints>1048577 timepoints", "",
                "Syntax error in line 15.\n\"1048577 timepoints\": at most 1048576 time points; this line asks "
                "for 1048577"},
        Refusal{"SpectralTimePointsFarBeyond", true, "256 timepoints>1e300 timepoints", "",
                "Syntax error in line 15.\n\"1e300 timepoints\": at most 1048576 time points; this line asks "
                "for 1e300"},
        Refusal{"FourierPoints", false, "",
                "fourier typeOf\nF * name\n1 z-location\n0 use\n0 1e-9 4 start\n1 itstart\n8 itend\nTHz anyunit\n",
                "Syntax error in line 23.\n\"0 1e-9 4 start\": at most 1000000 spectral points per transform; "
                "this line asks for 4000000001"},
        Refusal{"FourierSeries", false, "",
                "fourier typeOf\nF * name\n1 z-location\n1 use\n1 1000000 every\n0 1 2 start\n1 itstart\n"
                "8 itend\nTHz anyunit\n",
                "Syntax error in line 23.\n\"1 1000000 every\": at most 100000 spectral transforms in all; this "
                "line asks for 1000001"},
        Refusal{"ProbeLength", false, "",
                "time typeOf\nT * name\n1 z-location\n0 use\n1 itstart\n2000000000 itend\nfs tunit\n",
                "Syntax error in line 24.\n\"2000000000 itend\": at most 20000000 probe samples in all; this "
                "section asks for 2000000000"},
        Refusal{"ProbeSeries", false, "",
                "time typeOf\nT * name\n1 z-location\n1 use\n1 1000000 every\n1 itstart\n1000 itend\nfs tunit\n",
                "Syntax error in line 23.\n\"1 1000000 every\": at most 100000 time probes; this section would "
                "make 1000001"},
        Refusal{"StaticSpectrogramRows", false, "",
                "spectrogram typeOf\nS * name\n0 0.005 1000 start\nTHz * anyunit\n0 1 19 loc_start\n",
                "Syntax error in line 23.\n\"0 1 19 loc_start\": at most 2000000 spectral points in all; this "
                "line asks for 4000020"}),
    [](const ::testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

TEST_F(WorkingDirectoryTest, PulseFileThatVanishesAfterALoad)
{
  write("pulse.txt", "# samples\n0\n1\n0.5\n");
  QByteArray text = tinyGrid;
  const QString path = write("FDTD_user.txt", text.replace("gauss shape\n", "user shape\npulse.txt file\n"));
  QString message;
  const auto first = loadEngine(path, &message);
  ASSERT_TRUE(first) << qPrintable(message);
  ASSERT_TRUE(QFile::remove("pulse.txt"));
  // The engine loaded earlier holds its samples and runs on.
  EXPECT_EQ(runFor(*first, 3), 3);
  EXPECT_TRUE(first->runFailure.isEmpty());
  EXPECT_FALSE(loadEngine(path, &message));
  EXPECT_EQ(message, path + ": User defined pulse file could not be read.\n\"pulse.txt\" (line 14) is not a "
                            "readable file.");
}

} // namespace
