#pragma once
// Reader of the grid engine's configuration: the timing log, the grid lines,
// the medium sections, the lumped termination, the sources (a user pulse's
// samples included), the actions and the post-processing sections. It fills
// an FdtdConfig and builds nothing; the first
// problem is kept in the engine's load status: a missing keyword, or a
// refused line with its reason (errorLine -1: unequal numbers of "medium",
// "meshpoints" and "parameters" lines; -2: an unusable pulse file).

#include "fdtd/fdtdconfig.h"
#include "input/parsestatus.h"

#include <QString>
#include <QStringList>

class FdtdConfigReader
{
public:
  // Limits on what a configuration may ask for.
  static constexpr int maximumMeshPoints = 50000000;
  static constexpr int maximumThreads = 256;
  static constexpr int maximumPulseSamples = 50000000;

  // folder: the configuration file's folder, where a relative pulse file
  // name is looked for first (then the working folder); empty: the working
  // folder only. status: where the first problem is recorded.
  FdtdConfigReader(const QStringList &lines, const QString &folder, ParseStatus &status);

  // Timing log, grid, medium sections, lumped termination (not on a ring),
  // sources, actions and post-processing, in that order; true on failure.
  bool read(FdtdConfig &config);

  // The grid as the post-processing sees it (after the grid and the sections).
  static FdtdGridInfo gridInfo(const FdtdConfig &config);

private:
  bool fail(int line, const QString &reason) { return status.fail(line, reason); }
  bool readGrid(GridDescription &grid);
  bool readMedium(std::vector<SectionDescription> &sections);
  bool readLumpedTermination(TerminationDescription &termination);
  bool readSources(std::vector<SourceDescription> &sources);
  bool readSourceBlock(int g, std::vector<SourceDescription> &sources);
  // One source block as read (values of its lines).
  bool readSourcePlacement(int g, SourceDescription &d);
  bool readCarrier(int g, SourceDescription &d);
  bool readPlaneWaveMedium(SourceDescription &d);
  bool readPositive(int g, int k, double &result);
  bool readUserPulse(int g, SourceDescription &d);

  const QStringList &lines;
  QString folder;
  ParseStatus &status;
  // From the grid lines and the sections, for the checks of later lines.
  double stability = 1.0;
  double timeStep = 0.0; // s
  bool periodic = false;
  int meshPoints = 0;
};
