#pragma once
// The Settings file beside the program: whether to load a configuration file
// at start-up and run it, which one, and where results folders go.
//
//   line 1: the first non-empty line; its first word as a decimal integer,
//           non-zero asks for the automatic load and start
//   line 2: the configuration file path, written before a "*"
//   line 3: the results base folder, written before a "*"
//
// Lines 2 and 3 are the two physical lines after line 1 and are read only
// when line 1 asks for the automatic load.

#include <QString>

struct StartupSettings
{
  bool autoLoad = false;
  QString configurationPath; // empty when line 2 holds no "*"
  QString resultsBase;       // empty means the program's folder
};

// The default location: the program's folder + "/Settings.txt".
QString defaultSettingsPath();

// The text before the last "*" of a settings line, trimmed; empty without "*".
QString settingsValue(const QString &line);

// Reads the Settings file; a missing or unreadable file asks for nothing.
StartupSettings readSettingsFile(const QString &path);
