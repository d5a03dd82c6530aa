#pragma once
// Loading a configuration file: read the line list, choose the engine from
// the file name, build it and turn its status into one message. Used by the
// main window (which shows the message in a box) and the batch runner.

#include <QString>
#include <QStringList>

#include <functional>

class Simulator;

// Builds the engine named by engineType ("FDTD" or "UPPE") from the lines;
// returns nullptr for an engine type it does not know. folder is the
// configuration file's folder: relative data-file names (pulse files,
// tabulated indices, pulse data) are looked for there first, then in the
// working folder.
using EngineFactory = std::function<Simulator *(const QString &engineType, const QStringList &lines,
                                                const QString &runName, const QString &folder)>;

struct LoadOutcome
{
  Simulator *engine = nullptr; // owned by the caller; null on failure
  QString message;             // the warning text on failure, empty on success
  bool ok() const { return engine != nullptr; }
};

// Configuration files larger than this are refused.
constexpr qint64 maximumConfigurationBytes = 64ll * 1024 * 1024;

// First four characters of the file name without its folder.
QString engineTypeOf(const QString &fileName);
// Base name of the file (the name up to its first ".").
QString runNameOf(const QString &fileName);

// Reads fileName into its line list. On failure (a folder, a FIFO or device,
// a file over 64 MiB, one that cannot be opened) returns false and sets
// message to the "Cannot read file" text.
bool readConfigurationFile(const QString &fileName, QStringList &lines, QString &message);

// The message for an engine's load status, or an empty string when it loaded.
// The first line is the short status; when the engine gave a reason, a second
// line quotes the refused line (taken from lines) and says why.
QString loadStatusMessage(const Simulator &engine, const QString &fileName,
                          const QStringList &lines = QStringList());

// The engine's set-up summary followed by its load warnings (empty when the
// engine has neither). Shown by the window, printed and saved by the batch
// runner, written beside the configuration by Save All.
QString setupSummaryText(const Simulator &engine);

// Reads, builds and evaluates. On failure the engine built is deleted.
LoadOutcome loadConfiguration(const QString &fileName, const QString &engineType,
                              const QString &runName, const EngineFactory &factory);
