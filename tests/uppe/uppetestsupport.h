#pragma once
// Shared pieces of the spectral-engine tests: a small configuration edited
// line by line (its diagnostic files switched off) and its engine.

#include "uppe/uppeparams.h"
#include "uppe/uppesimulator.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace uppetest {

// Line numbers (1-based) of the base configuration below.
enum BaseLine {
  MethodLine = 2, FixedStepLine, InitialStepLine, EvolutionStepLine, ToleranceLine, FshiftLine,
  UseGeneralLine, IntegrationFunitLine, ShapeLine, AmplitudeLine, PulseFunitLine, TunitLine,
  CentreLine, TimedurationLine, TimepointsLine, ThreeDbLine, LinearLine, MediumLine,
  ParametersLine, MeasureLine, SizeLine, DumpLine
};

using Edits = std::vector<std::pair<int, const char *>>;

// The base configuration with lines replaced (numbers past its end append,
// gaps become comments).
inline QStringList configuration(const Edits &edits = {})
{
  QStringList lines = {
      "# spectral engine test", "rkf45 method", "0 fixedStep", "1e-6 initialintegstep",
      "1e-4 evolutionstep", "1e-6 tolerance", "0 fshift", "0 usegeneral", "THz funit",
      "gauss shape", "1 0 amplitude", "THz funit", "fs tunit", "100 centre",
      "2000 timeduration", "1024 timepoints", "5 3dB", "0 linear", "const_n_ker1 medium",
      "1.5 0 0 1 1 1 parameters", "mm measure", "1 size", "0 dump"};
  for (const auto &edit : edits) {
    while (lines.size() < edit.first)
      lines << QStringLiteral("#");
    lines[edit.first - 1] = QString::fromLatin1(edit.second);
  }
  return lines;
}

// The engine of the lines; FFTW plans by estimate (planning does not change
// results) and wisdom in the test cache folder.
inline std::unique_ptr<UPPESimulator> build(const QStringList &lines)
{
  QStandardPaths::setTestModeEnabled(true);
  setUppePlannerFlags(FFTW_ESTIMATE);
  return std::make_unique<UPPESimulator>(lines, QStringLiteral("UPPE_test"));
}

inline void runToEnd(UPPESimulator &engine, int limit = 100000)
{
  for (int calls = 0; !engine.finished && calls < limit; ++calls)
    engine.step();
}

// The larger of two deviations, where a NaN is larger than every number (std::max would drop it).
inline double worse(double worst, double d) { return d <= worst ? worst : d; }

inline double largest(const std::vector<double> &x)
{
  double peak = 0.0;
  for (double v : x)
    peak = worse(peak, std::fabs(v));
  return peak;
}

} // namespace uppetest
