#pragma once
// Shared pieces of the spectral-engine tests: a small configuration, line
// editing helpers and a fixture that runs every test in a temporary working
// directory (the engine writes its diagnostic files there).

#include "uppe/uppeparams.h"
#include "uppe/uppesimulator.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace uppetest {

// Line numbers (1-based) of the base configuration below.
enum BaseLine {
  MethodLine = 2, FixedStepLine, InitialStepLine, EvolutionStepLine, ToleranceLine, FshiftLine,
  UseGeneralLine, IntegrationFunitLine, ShapeLine, AmplitudeLine, PulseFunitLine, TunitLine,
  CentreLine, TimedurationLine, TimepointsLine, ThreeDbLine, LinearLine, MediumLine,
  ParametersLine, MeasureLine, SizeLine, DumpLine
};

inline QStringList baseConfiguration()
{
  return {
      QStringLiteral("# spectral engine test"),  // 1
      QStringLiteral("rkf45 method"),            // 2
      QStringLiteral("0 fixedStep"),             // 3
      QStringLiteral("1e-6 initialintegstep"),   // 4
      QStringLiteral("1e-4 evolutionstep"),      // 5
      QStringLiteral("1e-6 tolerance"),          // 6
      QStringLiteral("0 fshift"),                // 7
      QStringLiteral("0 usegeneral"),            // 8
      QStringLiteral("THz funit"),               // 9
      QStringLiteral("gauss shape"),             // 10
      QStringLiteral("1 0 amplitude"),           // 11
      QStringLiteral("THz funit"),               // 12
      QStringLiteral("fs tunit"),                // 13
      QStringLiteral("100 centre"),              // 14
      QStringLiteral("2000 timeduration"),       // 15
      QStringLiteral("1024 timepoints"),         // 16
      QStringLiteral("5 3dB"),                   // 17
      QStringLiteral("0 linear"),                // 18
      QStringLiteral("const_n_ker1 medium"),     // 19
      QStringLiteral("1.5 0 0 1 1 1 parameters"),// 20
      QStringLiteral("mm measure"),              // 21
      QStringLiteral("1 size"),                  // 22
      QStringLiteral("0 dump"),                  // 23
  };
}

// Replaces line number `line` (1-based).
inline QStringList withLine(QStringList lines, int line, const QString &text)
{
  lines[line - 1] = text;
  return lines;
}

// Replaces a line by a comment (keeps the numbering).
inline QStringList withoutLine(QStringList lines, int line)
{
  lines[line - 1] = QStringLiteral("#");
  return lines;
}

inline QStringList appended(QStringList lines, const QStringList &more)
{
  lines << more;
  return lines;
}

inline std::unique_ptr<UPPESimulator> build(const QStringList &lines)
{
  return std::make_unique<UPPESimulator>(lines, QStringLiteral("UPPE_test"));
}

// Runs until finished (or a step limit); returns the number of step calls.
inline int runToEnd(UPPESimulator &engine, int limit = 100000)
{
  int calls = 0;
  while (!engine.finished && calls < limit) {
    engine.step();
    ++calls;
  }
  return calls;
}

// RMS duration of the intensity of a sampled field.
inline double rmsDuration(const std::vector<double> &t, const std::vector<double> &e)
{
  double w = 0.0, m1 = 0.0, m2 = 0.0;
  for (std::size_t j = 0; j < e.size(); ++j) {
    const double p = e[j] * e[j];
    w += p;
    m1 += p * t[j];
    m2 += p * t[j] * t[j];
  }
  const double mean = m1 / w;
  return std::sqrt(m2 / w - mean * mean);
}

// Runs each test in its own temporary working directory.
class WorkingDirectoryTest : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    QStandardPaths::setTestModeEnabled(true);
    // Planning quality does not change results; estimate keeps the suite fast.
    setUppePlannerFlags(FFTW_ESTIMATE);
  }
  void SetUp() override
  {
    ASSERT_TRUE(dir.isValid());
    previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
  }
  void TearDown() override { QDir::setCurrent(previous); }
  QStringList filesHere() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

  QTemporaryDir dir;
  QString previous;
};

} // namespace uppetest
