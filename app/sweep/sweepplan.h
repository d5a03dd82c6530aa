#pragma once
// A parameter sweep: the --vary lists of lumora-sweep and the runs they
// expand to (the cross product, or element by element with --zip).

#include <QList>
#include <QString>
#include <QStringList>

struct VaryList
{
  QString key;        // as given: KEY or KEY#N
  QStringList values; // each replaces the value tokens of the key's line
};

// Parses "KEY=V1,V2,..." or "KEY=linspace:START:STOP:COUNT" or
// "KEY=logspace:START:STOP:COUNT" (COUNT values from START to STOP, evenly or
// evenly in the logarithm; both ends included). Values may contain blanks.
bool parseVary(const QString &text, VaryList &result, QString &problem);

// One run: its 1-based number and one value per varied key.
struct SweepRun
{
  int number = 0;
  QStringList values;
};

// The cross product (the last key varies fastest) or, with zip, the lists
// taken element by element (they must be equally long).
bool expandRuns(const QList<VaryList> &lists, bool zip, QList<SweepRun> &runs, QString &problem);

// "run-0001" for run 1.
QString runFolderName(int number);

struct SweepOptions
{
  QString templateFile;
  QList<VaryList> vary;
  bool zip = false;
  QString outDir;
  int jobs = 0; // 0: the number of cores
  long long iterations = -1;
  double maxWall = 0;
  bool plots = false;
  bool quiet = false;
  QString emitKind;       // "", "slurm" or "parallel"
  QStringList sbatch;     // --sbatch: extra "#SBATCH" options of the Slurm script
  QString collectDir; // --collect DIR
};

// Parses the arguments (without the program name) with QCommandLineParser.
// Returns 0 to go on, 1 when help was asked for (helpText holds it), or 2
// with problem set for a usage error.
int parseSweepArguments(const QStringList &arguments, SweepOptions &options, QString &problem,
                        QString &helpText);
