#pragma once
// The results catalogue: for every kind of result a run offers, its window
// title, axis titles, file name and the data series written to its text file.
// The main window, Save All and lumora-batch all read it; the texts are
// formatted from the engine's data without building any widget.

#include "engine/resultkind.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class Simulator;

struct ResultEntry
{
  ResultKind kind = ResultKind::ElectricField;
  unsigned short index = 0; // Fourier post-processing, time probe or spectrogram
  QString title;            // window title (the field windows add a counter)
  QString xTitle;
  QString yTitle;           // shown in the window
  QString savedYTitle;      // in the files of Save All and lumora-batch
  QString colorBarTitle;    // spectrograms
  QString fileName;         // sanitised, with ".txt"; duplicates numbered
  bool wavelengthAxis = false; // spectral evolution on an even wavelength axis
  double gateSeconds = 0.0;    // output spectrogram gate (0: the default)
};

// The entry of one result (index selects the post-processing, probe or
// spectrogram; an index out of range gives an empty title).
ResultEntry resultEntry(Simulator &engine, ResultKind kind, unsigned short index = 0);

// The entry of a plot window as it is set up (its own titles, which its
// saved file shows).
ResultEntry plotEntry(ResultKind kind, unsigned short index, const QString &title, const QString &xTitle,
                      const QString &yTitle);

// Writes the text of entry to fileName (atomically); false when there is no
// such data or the file cannot be written.
bool writeResultFile(Simulator &engine, const ResultEntry &entry, const QString &fileName);

// The text file of an entry, with its y title as header (the saved y title
// when saved is true): column blocks, or matrix blocks for a spectrogram.
// Empty when the engine has no such data.
QByteArray resultText(Simulator &engine, const ResultEntry &entry, bool saved = true);

// The data series of a curve entry (x values and y values as saved).
void resultSeries(Simulator &engine, const ResultEntry &entry, std::vector<double> &x,
                  std::vector<double> &y);

// One axis of a data series: its title as the text file shows it ("Frequency
// [THz]") and its values in that unit.
struct ResultAxis
{
  QString title;
  std::vector<double> values;
};

// One data series of a result, as results.h5 holds it: a dataset name
// ("magnitude", "phase", "total energy"), its title with the unit word
// ("Magnitude [dBV/m]"), the values (row-major when there are two axes) and
// one axis per dimension, rows first.
struct ResultDataset
{
  QString name;
  QString title;
  std::vector<double> values;
  QList<ResultAxis> axes;
};

// The data series of an entry with their axes, the same numbers its text
// file holds (empty when the engine has no such data). Curve kinds give one
// series named after the y title's quantity unless listed otherwise.
QList<ResultDataset> resultDatasets(Simulator &engine, const ResultEntry &entry);

// A short lower-case name of the kind ("spectrum", "time probe").
QString resultKindName(ResultKind kind);

// The files of Save All, in order, as many of each kind as the engine offers:
// input signal, input spectrum, FFT spectrum, time signal, conversion
// efficiency, the evolution maps, every spectrum and every time probe (the
// spectral engine offers the first eight, the grid engine the last two).
QList<ResultEntry> saveAllEntries(Simulator &engine);

// What lumora-batch adds for engines with a field on a grid: the electric
// field, the Poynting vector (when a section computes it) and every
// spectrogram, the dynamic ones too.
QList<ResultEntry> batchExtraEntries(Simulator &engine);
