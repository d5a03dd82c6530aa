#pragma once
#include <QString>
#include <QStringList>

class Simulator;

// Builds the engine for a configuration: "FDTD" or "UPPE"; nullptr otherwise.
// folder: where relative data-file names are looked for first.
Simulator *createEngine(const QString &engineType, const QStringList &lines, const QString &runName,
                        const QString &folder);
