#pragma once
// Result files of a batch run, written through the results layer (no widgets;
// the --plots pictures come from batchpictures.h).

#include <QString>
#include <QStringList>

class Simulator;

// Writes the Save All set (configuration copy, spectra, time series, for the
// spectral engine its input signal and spectrum) into the given folder instead
// of a dated one, creating it; an existing configuration copy is kept.
// Names of files that could not be written are appended to failed.
bool batchSaveAll(Simulator &engine, const QString &folder, const QString &configPath,
                  QStringList &failed);

// The electric-field envelope file of a save_line_envelope action.
bool batchSaveEnvelope(Simulator &engine, const QString &fileName);

// The files a batch run adds to the Save All set: the present electric field,
// the Poynting vector and every spectrogram, then results.h5 with every series
// of the folder; with plots, a PNG picture of every plot of the folder next to
// its text file.
bool batchSaveExtras(Simulator &engine, const QString &folder, const QString &configPath, bool plots,
                     QStringList &failed);

