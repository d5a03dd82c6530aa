#pragma once
// Saving the results of a run without any window: Save All (the dated results
// folder) and the electric-field save of the "save_line_envelope" breakpoint.
// The main window and the batch runner call the same functions. The plot
// widgets used here are built hidden and never shown, so no display is needed
// beyond a QApplication object (the offscreen platform will do).
//
// What the main window does around the calls (its timers, cursor and status
// bar stay in the window):
//
//   saveAll():
//     1. setOverrideCursor(Qt::WaitCursor); if Pause is enabled (running):
//        stop the update and progress timers and show "Simulation paused"
//        with no time limit (timeout 0).
//     2. saveAllResults(engine, configPath, resultsBase, saveTag,
//        QDateTime::currentDateTime(), report) where report shows each message
//        in the status bar: statusBar()->showMessage(message, timeoutMs)
//        (0 = no time limit). The last message reported is the outcome:
//        "All files have been saved" (2000 ms) or a "Saving failed ..." text.
//     3. restoreOverrideCursor(); if Pause is enabled: start the update and
//        progress timers again.
//
//   saveEEnvelopeOnBreakpoint(fileName) -> bool:
//     1. If Pause is enabled: stop the update and progress timers and show
//        "Simulation paused" with no time limit.
//     2. ok = saveElectricFieldEnvelope(engine, fileName, efieldCount)
//        (efieldCount is not incremented).
//     3. ok: show "File saved" for 2000 ms; if Pause is still enabled, start
//        the update and progress timers again; return true.
//        not ok: show "Saving failed" for 2000 ms; leave the timers stopped
//        (the user continues with Pause and Resume); return false.
//
//   saveAs(): if running, stop the update and progress timers and show
//     "Simulation paused" (no limit); ask for the file name; then
//     plotWidget->saveToFile(name, engine) and show "File saved" or
//     "Saving failed" (2000 ms), or "Saving canceled" (2000 ms) without a plot
//     widget or name; if Pause is enabled, start the timers again.

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
// Every file is written to a temporary file and renamed into place.
SaveAllOutcome saveAllResults(Simulator *engine, const QString &configPath,
                              const QString &resultsBase, const QString &saveTag,
                              const QDateTime &now, const StatusReporter &report = {});

// The "save_line_envelope" breakpoint: a hidden EFieldPlotWidget titled
// "Electric field envelope " + efieldCount, x axis "Location [" + the engine's
// length unit + "]", y axis "Electric field [V/m]", saves the engine's present
// electric field to fileName (relative names are taken from the working
// directory). True when the file was written.
bool saveElectricFieldEnvelope(Simulator *engine, const QString &fileName,
                               unsigned short efieldCount);
