#include "app/sweep/sweepplan.h"

#include "app/batch/configoverrides.h"

#include <QCommandLineParser>

#include <cmath>

namespace {
bool parseSpacing(const QString &key, const QString &valuesText, QStringList &values, QString &problem)
{
  const QStringList parts = valuesText.split(QLatin1Char(':'));
  const bool logarithmic = parts.value(0) == QLatin1String("logspace");
  bool okStart = false;
  bool okStop = false;
  bool okCount = false;
  const double start = parts.value(1).toDouble(&okStart);
  const double stop = parts.value(2).toDouble(&okStop);
  const int count = parts.value(3).toInt(&okCount);
  if (parts.size() != 4 || !okStart || !okStop || !okCount || count < 1 || !std::isfinite(start) ||
      !std::isfinite(stop)) {
    problem = QStringLiteral("--vary %1=%2: expected %3:START:STOP:COUNT with numbers and COUNT of "
                             "at least 1")
                  .arg(key, valuesText, parts.value(0));
    return false;
  }
  if (logarithmic && (start <= 0 || stop <= 0)) {
    problem = QStringLiteral("--vary %1=%2: logspace needs START and STOP above 0").arg(key, valuesText);
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const double t = count == 1 ? 0.0 : static_cast<double>(i) / (count - 1);
    const double v = logarithmic ? std::exp(std::log(start) + t * (std::log(stop) - std::log(start)))
                                 : start + t * (stop - start);
    values << QString::number(i == count - 1 && count > 1 ? stop : v, 'g', 12);
  }
  return true;
}
} // namespace

bool parseVary(const QString &text, VaryList &result, QString &problem)
{
  result = VaryList();
  ConfigOverride check;
  if (!parseOverride(text, check, problem)) {
    problem = QStringLiteral("--vary ") + problem;
    return false;
  }
  const int eq = text.indexOf(QLatin1Char('='));
  result.key = text.left(eq).trimmed();
  const QString valuesText = text.mid(eq + 1).trimmed();
  if (valuesText.startsWith(QLatin1String("linspace:")) || valuesText.startsWith(QLatin1String("logspace:")))
    return parseSpacing(result.key, valuesText, result.values, problem);
  for (const QString &v : valuesText.split(QLatin1Char(','))) {
    const QString value = v.simplified();
    if (value.isEmpty() || value.startsWith(QLatin1Char('#'))) {
      problem = QStringLiteral("--vary %1: empty value or value beginning with \"#\" in \"%2\"")
                    .arg(result.key, valuesText);
      return false;
    }
    result.values << value;
  }
  return true;
}

bool expandRuns(const QList<VaryList> &lists, bool zip, QList<SweepRun> &runs, QString &problem)
{
  runs.clear();
  if (lists.isEmpty()) {
    problem = QStringLiteral("nothing to vary: give at least one --vary KEY=V1,V2,...");
    return false;
  }
  if (zip) {
    const int n = lists.first().values.size();
    for (const VaryList &l : lists)
      if (l.values.size() != n) {
        problem = QStringLiteral("--zip needs lists of equal length: %1 has %2 values, %3 has %4")
                      .arg(lists.first().key)
                      .arg(n)
                      .arg(l.key)
                      .arg(l.values.size());
        return false;
      }
    for (int i = 0; i < n; ++i) {
      SweepRun r;
      r.number = i + 1;
      for (const VaryList &l : lists)
        r.values << l.values.at(i);
      runs << r;
    }
    return true;
  }
  long long total = 1;
  for (const VaryList &l : lists)
    total *= l.values.size();
  if (total > 999999) {
    problem = QStringLiteral("the --vary lists expand to %1 runs; at most 999999 are allowed").arg(total);
    return false;
  }
  for (long long i = 0; i < total; ++i) {
    SweepRun r;
    r.number = static_cast<int>(i) + 1;
    long long rest = i;
    for (int k = lists.size() - 1; k >= 0; --k) {
      const int n = lists.at(k).values.size();
      r.values.prepend(lists.at(k).values.at(static_cast<int>(rest % n)));
      rest /= n;
    }
    runs << r;
  }
  return true;
}

QString runFolderName(int number)
{
  return QStringLiteral("run-%1").arg(number, 4, 10, QLatin1Char('0'));
}

namespace {

// The options of lumora-sweep, as the parser knows them.
struct SweepParserOptions
{
  QCommandLineOption vary;
  QCommandLineOption zip;
  QCommandLineOption out;
  QCommandLineOption jobs;
  QCommandLineOption iterations;
  QCommandLineOption maxWall;
  QCommandLineOption plots;
  QCommandLineOption quiet;
  QCommandLineOption emitOption;
  QCommandLineOption sbatch;
  QCommandLineOption collect;
};

SweepParserOptions sweepParserOptions()
{
  const QCommandLineOption vary(QStringLiteral("vary"),
                                QStringLiteral("values of a keyword: V1,V2,... (a value may hold "
                                               "blanks), linspace:START:STOP:COUNT or "
                                               "logspace:START:STOP:COUNT; KEY#N for the N-th line"),
                                QStringLiteral("KEY=VALUES"));
  const QCommandLineOption zip(QStringLiteral("zip"),
                               QStringLiteral("take the lists element by element, not their product"));
  const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("the sweep folder"),
                               QStringLiteral("DIR"));
  const QCommandLineOption jobs(QStringLiteral("jobs"),
                                QStringLiteral("concurrent runs (default: the number of cores)"),
                                QStringLiteral("N"));
  const QCommandLineOption iterations(QStringLiteral("iterations"),
                                      QStringLiteral("passed on to lumora-batch"), QStringLiteral("N"));
  const QCommandLineOption maxWall(QStringLiteral("max-wall"),
                                   QStringLiteral("passed on to lumora-batch: stop a run after S "
                                                  "seconds"),
                                   QStringLiteral("S"));
  const QCommandLineOption plots(QStringLiteral("plots"),
                                 QStringLiteral("PNG pictures of every run and of every summary scalar"));
  const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("print no progress"));
  const QCommandLineOption emitOption(QStringLiteral("emit"),
                                QStringLiteral("write DIR/sweep.sbatch (slurm) or DIR/jobs.txt "
                                               "(parallel) instead of running"),
                                QStringLiteral("slurm|parallel"));
  const QCommandLineOption sbatch(QStringLiteral("sbatch"),
                                  QStringLiteral("with --emit slurm: one more #SBATCH line, e.g. "
                                                 "\"--time=02:00:00\" or \"--mem=4G\" (repeatable)"),
                                  QStringLiteral("OPTION"));
  const QCommandLineOption collect(QStringLiteral("collect"),
                                   QStringLiteral("build DIR/summary.csv from the finished runs"),
                                   QStringLiteral("DIR"));
  return {vary, zip, out, jobs, iterations, maxWall, plots, quiet, emitOption, sbatch, collect};
}

// --jobs, --iterations, --max-wall and --emit.
bool readSweepNumbers(const QCommandLineParser &parser, const SweepParserOptions &o, SweepOptions &options,
                      QString &problem)
{
  if (parser.isSet(o.jobs)) {
    bool ok = false;
    options.jobs = parser.value(o.jobs).toInt(&ok);
    if (!ok || options.jobs < 1) {
      problem = QStringLiteral("--jobs needs a whole number of at least 1, not \"%1\"").arg(parser.value(o.jobs));
      return false;
    }
  }
  if (parser.isSet(o.iterations)) {
    bool ok = false;
    options.iterations = parser.value(o.iterations).toLongLong(&ok);
    if (!ok || options.iterations < 0) {
      problem = QStringLiteral("--iterations needs a whole number of at least 0, not \"%1\"")
                    .arg(parser.value(o.iterations));
      return false;
    }
  }
  if (parser.isSet(o.maxWall)) {
    bool ok = false;
    options.maxWall = parser.value(o.maxWall).toDouble(&ok);
    if (!ok || !(options.maxWall > 0) || !std::isfinite(options.maxWall)) {
      problem = QStringLiteral("--max-wall needs a number of seconds above 0, not \"%1\"")
                    .arg(parser.value(o.maxWall));
      return false;
    }
  }
  if (parser.isSet(o.emitOption)) {
    options.emitKind = parser.value(o.emitOption);
    if (options.emitKind != QLatin1String("slurm") && options.emitKind != QLatin1String("parallel")) {
      problem = QStringLiteral("--emit must be \"slurm\" or \"parallel\", not \"%1\"").arg(options.emitKind);
      return false;
    }
  }
  for (const QString &option : parser.values(o.sbatch)) {
    const QString trimmed = option.trimmed();
    if (options.emitKind != QLatin1String("slurm")) {
      problem = QStringLiteral("--sbatch is only for --emit slurm");
      return false;
    }
    if (!trimmed.startsWith(QLatin1Char('-')) || trimmed.contains(QLatin1Char('\n')) ||
        trimmed.contains(QLatin1Char('\r'))) {
      problem = QStringLiteral("--sbatch needs one sbatch option such as \"--time=02:00:00\", not \"%1\"")
                    .arg(option);
      return false;
    }
    options.sbatch << trimmed;
  }
  return true;
}

// The template, the sweep folder and the varied lists (nothing more for --collect).
bool readSweepRuns(const QCommandLineParser &parser, const SweepParserOptions &o, SweepOptions &options,
                   QString &problem)
{
  const QStringList positional = parser.positionalArguments();
  if (!options.collectDir.isEmpty()) {
    if (!positional.isEmpty() || parser.isSet(o.vary) || parser.isSet(o.emitOption)) {
      problem = QStringLiteral("--collect DIR takes no template, --vary or --emit");
      return false;
    }
    return true;
  }
  if (positional.size() != 1) {
    problem = positional.isEmpty() ? QStringLiteral("no template configuration file given")
                                   : QStringLiteral("more than one template configuration file given");
    return false;
  }
  options.templateFile = positional.first();
  if (options.outDir.isEmpty()) {
    problem = QStringLiteral("--out DIR is required");
    return false;
  }
  for (const QString &v : parser.values(o.vary)) {
    VaryList list;
    if (!parseVary(v, list, problem))
      return false;
    for (const VaryList &earlier : options.vary)
      if (earlier.key == list.key) {
        problem = QStringLiteral("--vary %1 is given twice").arg(list.key);
        return false;
      }
    options.vary << list;
  }
  QList<SweepRun> runs;
  return expandRuns(options.vary, options.zip, runs, problem);
}

} // namespace

int parseSweepArguments(const QStringList &arguments, SweepOptions &options, QString &problem,
                        QString &helpText)
{
  options = SweepOptions();
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Runs a configuration file many times with lumora-batch, each time with other values\n"
      "for the varied keywords, and collects the results into summary.csv.\n"
      "Exit status: 0 every run ended, 1 some runs failed, 2 bad arguments or template,\n"
      "3 the sweep folder could not be written, 130 stopped by Ctrl+C."));
  parser.addPositionalArgument(QStringLiteral("TEMPLATE"),
                               QStringLiteral("the configuration file (FDTD... or UPPE...)"));
  const SweepParserOptions o = sweepParserOptions();
  parser.addOptions({o.vary, o.zip, o.out, o.jobs, o.iterations, o.maxWall, o.plots, o.quiet, o.emitOption,
                     o.sbatch, o.collect});
  const QCommandLineOption help = parser.addHelpOption();
  helpText = parser.helpText();

  if (!parser.parse(QStringList{QStringLiteral("lumora-sweep")} + arguments)) {
    problem = parser.errorText();
    return 2;
  }
  if (parser.isSet(help))
    return 1;
  options.zip = parser.isSet(o.zip);
  options.plots = parser.isSet(o.plots);
  options.quiet = parser.isSet(o.quiet);
  options.outDir = parser.value(o.out);
  options.collectDir = parser.value(o.collect);
  return readSweepNumbers(parser, o, options, problem) && readSweepRuns(parser, o, options, problem) ? 0 : 2;
}
