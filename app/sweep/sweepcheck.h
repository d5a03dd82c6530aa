#pragma once
// Checks a sweep makes before any run starts or any job file is written:
// data files of the template made absolute, the engine threads of grid runs,
// and every expanded configuration loaded in-process.

#include "engine/loader.h"

#include <QString>
#include <QStringList>

// Data files named by relative paths in the template (a tabulated medium's
// FILE on its "parameters" line, a user pulse's "file" line) that exist
// beside the template are rewritten as absolute paths, so that every run
// folder finds them. False with problem set when such a path holds a blank,
// which a configuration line cannot carry.
bool absoluteDataFiles(QStringList &raw, const QString &templateFolder, QString &problem);

// The value of the first "threads" line of a configuration's raw lines
// (-1 when there is none or it is no number).
int threadsOf(const QStringList &raw);

struct RunCheck
{
  bool loaded = false;
  QString message;     // the loader's two-line message when not loaded
  bool endless = false; // loaded, but the run has no end of its own
  int warnings = 0;
};

// Loads the configuration text as file configName in the scratch folder
// (also the working folder meanwhile, for the files a load writes), and
// deletes the engine again.
RunCheck checkConfiguration(const QString &text, const QString &configName, const QString &scratch,
                            const EngineFactory &factory);
