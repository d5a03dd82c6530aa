#pragma once
// Reader of the grid engine's post-processing sections: fills an
// ObservationDescription, checks every value against the grid and the
// limits on spectral transforms, spectral points, probes and probe samples,
// and creates nothing. The first problem is kept in the load status.

#include "input/parsestatus.h"
#include "postprocessing/observationdescription.h"

#include <QStringList>

class ObservationReader
{
public:
  ObservationReader(const QStringList &lines, const FdtdGridInfo &grid, ParseStatus &status);

  // Every "typeOf" anchor in line order; true on failure.
  bool read(ObservationDescription &description);

private:
  using Section = ObservationSection;
  bool fail(int line, const QString &reason) { return status.fail(line, reason); }
  bool failMissing(const QString &keyword) { return status.missing(keyword); }
  // The value of the first line with the keyword from the section's anchor on.
  QString valueOf(int word);
  bool readSection(Section &s);
  bool readPlacement(Section &s);
  bool readSpectrum(Section &s);
  bool readIterationStart(Section &s);
  bool readIterationEnd(Section &s);
  bool readFourier(Section &s);
  bool readTime(Section &s);
  bool readSpectrogram(Section &s);
  bool readRowCells(Section &s);
  bool readDistance(Section &s);
  bool addTransforms(int line, long long count, long long points);

  const QStringList &lines;
  FdtdGridInfo grid;
  ParseStatus &status;
  int anchor = 0; // index of the current section's "typeOf" line
  // What the sections read so far create at set-up.
  long long fourierObjects = 0;
  long long spectralPoints = 0;
  long long probes = 0;
  long long probeSamples = 0;
};
