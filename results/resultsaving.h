#pragma once
// Saving the results of a run without any window: Save All (the dated results
// folder) and the electric-field save of the "save_line_envelope" breakpoint.
// The main window and the batch runner call the same functions; the texts
// come from the results catalogue, so no widget is built.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class Simulator;

// Receives each status message; timeoutMs 0 means no time limit.
using StatusReporter = std::function<void(const QString &message, int timeoutMs)>;

// "Simulation results " + now as "d.M.yyyy hh:mm:ss" + "_" + saveTag, with
// the nine forbidden characters replaced by "_".
QString resultsFolderName(const QDateTime &now, const QString &saveTag);

// (resultsBase, or the program's folder when empty) + "/" + folder name + "/".
QString resultsFolderPath(const QString &resultsBase, const QDateTime &now,
                          const QString &saveTag);

// File names (without folder) for a list of result names: the sanitised name
// + ".txt", or, when any two sanitised names are equal under cs, every name
// gets "_" + (i + 1) before ".txt".
QStringList resultFileNames(const QStringList &names, Qt::CaseSensitivity cs);

struct SaveAllOutcome
{
  bool folderCreated = false; // the results folder exists
  QString folder;             // its path, ending with "/"
  int savedFiles = 0;         // files written (the configuration copy included)
  int failedFiles = 0;        // files that could not be written
  bool succeeded() const { return folderCreated && failedFiles == 0; }
};

// Save All for the engine: creates (or reuses) the results folder (a missing
// results base is created with it), copies the configuration file into it
// (an existing copy is kept), and writes, for an engine with a time signal, "Input signal.txt", "Input spectrum.txt",
// "FFT spectrum.txt" and "UPPE E-field.txt"; otherwise one file per Fourier
// post-processing (when spectra are available) and per time probe (when time
// series are available). Progress messages ("Saved input signal",
// "Saved spectrum N") go to report with no time limit, a failed file gives
// "Saving failed" for 2000 ms, and the last message is the outcome:
// "All files have been saved" (2000 ms) when everything was written;
// "Saving failed: cannot create folder <folder>" (2000 ms) when the folder
// cannot be created (nothing is written then); or
// "Saving failed: <n> file(s) could not be written to <folder>" (2000 ms).
// Last comes "results.h5" with the same series (resulthdf5.h). Every file
// is written to a temporary file and renamed into place.
SaveAllOutcome saveAllResults(Simulator *engine, const QString &configPath,
                              const QString &resultsBase, const QString &saveTag,
                              const QDateTime &now, const StatusReporter &report = {});

// The "save_line_envelope" breakpoint: the engine's present electric field
// (x axis "Location [" + length unit + "]", y axis "Electric field [V/m]") to
// fileName (relative names are taken from the working directory). True when
// the file was written.
bool saveElectricFieldEnvelope(Simulator *engine, const QString &fileName);

struct ResultEntry;
// Writes folder + "results.h5" with the series of entries, the text of the
// configuration file at configPath and the engine's set-up summary.
bool writeResultsHdf5File(Simulator &engine, const QString &folder, const QString &configPath,
                          const QList<ResultEntry> &entries);

// Writes the catalogue text of entry to folder + its file name.
bool writeResult(Simulator &engine, const QString &folder, const ResultEntry &entry);
