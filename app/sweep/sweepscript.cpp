// Scripts for running a sweep elsewhere (a GNU parallel job list, a Slurm
// array job) and collecting the runs they made.
#include "app/sweep/sweeprunner.h"

#include "app/sweep/sweepio.h"
#include "app/sweep/sweepsummary.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

using sweepio::printError;
using sweepio::writeText;

namespace {

QString shellQuote(const QString &text)
{
  QString quoted = text;
  quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// "1-3,5,7-9" for a sorted list of run numbers.
QString arrayRanges(const QList<int> &numbers)
{
  QStringList parts;
  for (int i = 0; i < numbers.size();) {
    int j = i;
    while (j + 1 < numbers.size() && numbers.at(j + 1) == numbers.at(j) + 1)
      ++j;
    parts << (i == j ? QString::number(numbers.at(i))
                     : QStringLiteral("%1-%2").arg(numbers.at(i)).arg(numbers.at(j)));
    i = j + 1;
  }
  return parts.join(QLatin1Char(','));
}

} // namespace

QStringList Sweep::batchArguments() const
{
  QStringList a{QStringLiteral("--quiet"), QStringLiteral("--out"), QStringLiteral("."),
                QStringLiteral("--status-file"), QLatin1String(runStatusFile)};
  if (options_.iterations >= 0)
    a << QStringLiteral("--iterations") << QString::number(options_.iterations);
  if (options_.maxWall > 0)
    a << QStringLiteral("--max-wall") << QString::number(options_.maxWall, 'g', 12);
  if (options_.plots)
    a << QStringLiteral("--plots");
  a << configName_;
  return a;
}

QString Sweep::shellCommand(const RunRecord &record) const
{
  QStringList words{shellQuote(batchProgram_)};
  for (const QString &a : batchArguments())
    words << shellQuote(a);
  return QStringLiteral("cd %1 && %2 > %3 2>&1")
      .arg(shellQuote(runDir(record)), words.join(QLatin1Char(' ')), QLatin1String(runLogFile));
}

int Sweep::emitScript()
{
  QList<int> numbers;
  QString jobs;
  for (const RunRecord &r : records_)
    if (!r.complete()) {
      numbers << r.run.number;
      jobs += shellCommand(r) + QLatin1Char('\n');
    }
  const QString collectHint = QStringLiteral("lumora-sweep --collect ") + shellQuote(out_);
  if (numbers.isEmpty()) {
    if (!options_.quiet)
      printError(QStringLiteral("All %1 runs are complete; nothing to emit. Collect them with\n  %2")
                     .arg(records_.size())
                     .arg(collectHint));
    return sweepSuccess;
  }
  QString file;
  QString text;
  QString hint;
  if (options_.emitKind == QLatin1String("parallel")) {
    file = out_ + QStringLiteral("/jobs.txt");
    text = jobs;
    hint = QStringLiteral("parallel --jobs %1 < %2").arg(jobCount()).arg(shellQuote(file));
  } else {
    file = out_ + QStringLiteral("/sweep.sbatch");
    QStringList args;
    for (const QString &a : batchArguments())
      args << shellQuote(a);
    text = QStringLiteral("#!/bin/bash\n"
                          "# Lumora sweep of %1: one array task per run folder.\n"
                          "# Afterwards: %2\n"
                          "#SBATCH --job-name=lumora-sweep\n"
                          "#SBATCH --ntasks=1\n"
                          "#SBATCH --array=%3\n")
               .arg(configName_, collectHint, arrayRanges(numbers));
    // The engine threads of the runs (0: as many as the node offers).
    if (slurmThreads_ > 0)
      text += QStringLiteral("#SBATCH --cpus-per-task=%1\n").arg(slurmThreads_);
    for (const QString &option : options_.sbatch)
      text += QStringLiteral("#SBATCH ") + option + QLatin1Char('\n');
    if (!out_.contains(QRegularExpression(QStringLiteral("\\s"))))
      text += QStringLiteral("#SBATCH --output=%1/slurm-%A_%a.out\n").arg(out_);
    // Built by concatenation: the script's own "%" formats must stay as written.
    text += QStringLiteral("set -eu\n"
                           ": \"${SLURM_ARRAY_TASK_ID:?is set by Slurm: submit this script with sbatch}\"\n"
                           "run=$(printf 'run-%04d' \"$SLURM_ARRAY_TASK_ID\")\n"
                           "cd ") +
            shellQuote(out_) + QStringLiteral("/\"$run\"\nexec ") + shellQuote(batchProgram_) +
            QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(" > ") +
            QLatin1String(runLogFile) + QStringLiteral(" 2>&1\n");
    hint = QStringLiteral("sbatch %1").arg(shellQuote(file));
  }
  if (!writeText(file, text)) {
    printError(QStringLiteral("lumora-sweep: cannot write \"%1\"").arg(file));
    return sweepFilesFailed;
  }
  if (options_.emitKind == QLatin1String("slurm"))
    QFile(file).setPermissions(QFile(file).permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
  if (!options_.quiet)
    printError(QStringLiteral("%1 of %2 runs to do in \"%3\". Run them with\n  %4\nthen collect the results with\n  %5")
                   .arg(numbers.size())
                   .arg(records_.size())
                   .arg(QDir::toNativeSeparators(file), hint, collectHint));
  return sweepSuccess;
}

int Sweep::collect()
{
  QFile manifest(out_ + QStringLiteral("/manifest.csv"));
  if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
    printError(QStringLiteral("lumora-sweep: --collect: cannot read \"%1\": %2")
                   .arg(manifest.fileName(), manifest.errorString()));
    return sweepUsage;
  }
  QTextStream in(&manifest);
  const QStringList header = csvFields(in.readLine());
  if (header.size() < 4 || header.first() != QLatin1String("run") ||
      header.at(header.size() - 3) != QLatin1String("status")) {
    printError(QStringLiteral("lumora-sweep: --collect: \"%1\" is not a sweep manifest").arg(manifest.fileName()));
    return sweepUsage;
  }
  keys_ = header.mid(1, header.size() - 4);
  QString line;
  while (in.readLineInto(&line)) {
    const QStringList fields = csvFields(line);
    bool ok = false;
    const int number = fields.value(0).mid(4).toInt(&ok);
    if (line.isEmpty() || fields.size() != header.size() || !ok || number < 1)
      continue;
    RunRecord r;
    r.run.number = number;
    r.run.values = fields.mid(1, keys_.size());
    readRunStatus(runDir(r), r);
    records_ << r;
  }
  manifest.close();
  if (!writeManifest())
    return sweepFilesFailed;
  return finish(sweepSuccess);
}
