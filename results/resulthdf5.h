#pragma once
// results.h5: every result series of a run in one HDF5 file beside the text
// files, for analysis programs.
//
// Layout: one group per result, named as its text file without ".txt"
// ("FFT spectrum", a probe's name), with the attributes "kind", "title" and
// "file". In it every series is a dataset of doubles ("magnitude", "phase",
// "total energy", a 2-D "magnitude" for a spectrogram), and every axis a
// dataset named after its quantity ("frequency", "time", "distance"),
// attached as the series' dimension scale and named in the series'
// attribute "axes" (rows first). Values are stored in SI units where the unit
// word is a time, frequency or length; each dataset carries "units" (SI),
// "unit_word" (as the text file shows it) and "scale" (SI per shown unit).
// The root holds "configuration" (the configuration text), "setup_summary",
// "engine" and "iteration".

#include <QList>
#include <QString>

class Simulator;
struct ResultEntry;

// A title's quantity and unit: "Frequency [THz]" -> quantity "Frequency",
// unit word "THz", SI unit "Hz", scale 1e12. Words that are no time,
// frequency or length unit keep their word with scale 1; a title without
// brackets has an empty unit.
struct UnitScale
{
  QString quantity;
  QString unitWord;
  QString siUnit;
  double scale = 1.0;
};
UnitScale unitScaleOf(const QString &title);

// Writes the entries' series into fileName through a temporary file in the
// same folder renamed into place; false (and the previous file untouched)
// when it cannot be written.
bool writeResultsHdf5(Simulator &engine, const QList<ResultEntry> &entries, const QString &fileName,
                      const QString &configuration, const QString &setupSummary);

// The name of the HDF5 file in a results folder.
extern const char *const resultsHdf5Name; // "results.h5"
