// libFuzzer target: arbitrary bytes as a configuration file.
//
// The first byte chooses the engine through the file name (even: a file named
// "FDTD_fuzz.txt", odd: "UPPE_fuzz.txt"); the remaining bytes are the file's
// content. Leading content lines of the form "--set KEY=VALUE" are taken as
// lumora-batch overrides: parsed and applied to the remaining lines, as the
// batch runner does before loading. The file goes through the real reader and engine factory, exactly
// as the main window and the batch runner load it. When the load succeeds, a
// bounded number of steps is run and every read-only operation the plots and
// the results saving use is called.
//
// Everything happens in a private temporary working directory (the engines
// write "Debug.txt", "Source.txt", timing logs and diagnostic dumps there),
// which is emptied after every input; HOME and the cache folder point into
// the same temporary tree so that no state leaks into the user's files.

#include "app/batch/configoverrides.h"
#include "app/enginefactory.h"
#include "engine/loader.h"
#include "engine/evolutionrecord.h"
#include "engine/simulator.h"
#include "uppe/uppeparams.h"

#include <fftw3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

QCoreApplication *application = nullptr;
bool verbose = false; // LUMORA_FUZZ_VERBOSE set: report each load on standard error
std::string baseDirectory; // removed at exit
std::string runDirectory;  // the working directory of every input

// Work budget of one input: grid cells (or time points) times steps.
constexpr long long stepBudget = 400000;
constexpr int maximumSteps = 300;      // past the FDTD finiteness check period
constexpr int maximumSpectralSteps = 3; // each one is several transforms

void quietMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

void removeBase()
{
  if (!baseDirectory.empty())
    QDir(QString::fromStdString(baseDirectory)).removeRecursively();
}

// A small pulse file that configurations may name ("pulse.txt file").
void writePulseFile()
{
  QFile pulse(QStringLiteral("pulse.txt"));
  if (pulse.open(QIODevice::WriteOnly | QIODevice::Truncate))
    pulse.write("# recorded pulse\n0\n0.5\n1\n0.5\n\n0\n-0.25\n");
  // A refractive-index table for "tabulated" media.
  QFile table(QStringLiteral("index.dat"));
  if (table.open(QIODevice::WriteOnly | QIODevice::Truncate))
    table.write("# um n k\n0.6 1.46 1e-6\n0.8 1.45 0\n1.0 1.45\n1.2 1.448 2e-6\n");
  // A measured pulse spectrum for "pulsedata" (nm, intensity, phase).
  QFile spectrum(QStringLiteral("spectrum.dat"));
  if (spectrum.open(QIODevice::WriteOnly | QIODevice::Truncate))
    spectrum.write("# nm intensity phase\n1540 0.1 0\n1545 0.6 0.2\n1550 1 0\n1555 0.5 -0.3\n1560 0.1\n");
  // The same table written in nm: it misses every pulse band and is refused.
  QFile nm(QStringLiteral("nm_index.dat"));
  if (nm.open(QIODevice::WriteOnly | QIODevice::Truncate))
    nm.write("# nm n k\n600 1.46 1e-6\n800 1.45 0\n1000 1.45\n1200 1.448 2e-6\n");
}

void emptyRunDirectory()
{
  QDir run(QString::fromStdString(runDirectory));
  const QStringList names = run.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  for (const QString &name : names) {
    const QString path = run.filePath(name);
    if (!QFile::remove(path))
      QDir(path).removeRecursively();
  }
}

// Reads every value of a list, so that a list shorter than it claims to be
// shows up under the address sanitizer.
double touch(const std::vector<double> &values, long long claimed)
{
  double sum = 0.0;
  const long long n = std::min<long long>(claimed, static_cast<long long>(values.size()));
  for (long long i = 0; i < n; ++i)
    sum += values[static_cast<std::size_t>(i)];
  return sum;
}

// The read-only operations of the plots and of the results saving.
double readEverything(Simulator &engine)
{
  double sum = engine.progress() + engine.currentTime() + engine.timeStep() + engine.pointSpacing() +
               engine.lengthScale() + engine.referenceEnergy;
  const int points = engine.pointCount();
  sum += touch(engine.electricField(), points);
  sum += touch(engine.conversionCurveA(), static_cast<long long>(engine.conversionCurveA().size()));
  sum += touch(engine.conversionCurveB(), static_cast<long long>(engine.conversionCurveB().size()));
  sum += touch(engine.conversionPositions(), static_cast<long long>(engine.conversionPositions().size()));
  (void)engine.spectrumAxisLabel();
  (void)setupSummaryText(engine);

  const QStringList probes = engine.probeNames();
  const int probeCount = std::min<int>(probes.size(), 65535);
  for (int i = 0; i < probeCount; ++i) {
    const auto index = static_cast<unsigned short>(i);
    sum += engine.probeSampleInterval(index) + engine.probeStartTime(index);
    (void)engine.probeTimeUnit(index);
    (void)engine.timeAxisLabel(index);
    sum += touch(engine.probeSamples(index), engine.probeSampleCount(index));
  }
  if (engine.hasResult(ResultKind::TimeSignal)) {
    (void)engine.timeAxisLabel(0);
    sum += touch(engine.inputSignal(), points);
    sum += touch(engine.spectrumDbVector(), engine.frequencyCount());
    const std::vector<double> f = engine.frequenciesDisplay();
    const std::vector<double> s = engine.initialSpectrumDbData();
    const std::vector<double> t = engine.timePointsDisplay();
    sum += touch(f, engine.frequencyCount()) + touch(s, engine.frequencyCount()) +
           touch(t, static_cast<long long>(t.size()));
    if (const EvolutionRecord *r = engine.evolution()) {
      const long long rows = r->rows();
      sum += touch(r->spectra, rows * static_cast<long long>(r->frequencies.size()));
      sum += touch(r->powers, rows * static_cast<long long>(r->delays.size()));
    }
  }

  const QStringList fourier = engine.fourierNames();
  const int fourierCount = std::min<int>(fourier.size(), 65535);
  for (int i = 0; i < fourierCount; ++i) {
    const auto index = static_cast<unsigned short>(i);
    (void)engine.fourierUnit(index);
    sum += engine.fourierStart(index) + engine.fourierStep(index);
    sum += touch(engine.fourierMagnitudes(index), engine.fourierPointCount(index));
    sum += touch(engine.fourierPhases(index), engine.fourierPointCount(index));
  }
  const std::size_t spectrograms = std::min<std::size_t>(engine.spectrogramPostprocessings.size(), 65535);
  for (std::size_t i = 0; i < spectrograms; ++i) {
    const auto index = static_cast<unsigned short>(i);
    (void)engine.spectrogram(index);
    (void)engine.spectrogramUnit(index);
    (void)engine.spectrogramIsFrequency(index);
  }
  if (engine.hasPoynting())
    sum += touch(engine.poyntingEnvelope(), static_cast<long long>(engine.poyntingEnvelope().size()));
  return sum;
}

// Applies the leading "--set KEY=VALUE" lines to the lines after them;
// false when an override is refused (it must then say why).
bool applyLeadingOverrides(QByteArray &content)
{
  QStringList raw = QString::fromUtf8(content).split(QLatin1Char('\n'));
  QList<ConfigOverride> overrides;
  QString problem;
  while (!raw.isEmpty() && raw.first().startsWith(QLatin1String("--set "))) {
    ConfigOverride override;
    if (!parseOverride(raw.takeFirst().mid(6), override, problem)) {
      if (problem.isEmpty())
        std::abort();
      return false;
    }
    overrides.append(override);
  }
  if (!applyOverrides(raw, overrides, problem)) {
    if (problem.isEmpty())
      std::abort();
    return false;
  }
  content = raw.join(QLatin1Char('\n')).toUtf8();
  return true;
}

void runInput(const std::uint8_t *data, std::size_t size)
{
  const QString fileName = (data[0] & 1) ? QStringLiteral("UPPE_fuzz.txt") : QStringLiteral("FDTD_fuzz.txt");
  {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      std::abort(); // the harness itself is broken
    QByteArray content(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    if (content.startsWith("--set ") && !applyLeadingOverrides(content))
      return; // refused overrides: the batch runner stops with a usage error
    file.write(content);
  }
  writePulseFile();

  LoadOutcome outcome = loadConfiguration(fileName, engineTypeOf(fileName), runNameOf(fileName), createEngine);
  if (verbose)
    std::fprintf(stderr, "load: %s\n", outcome.ok() ? "ok" : qPrintable(outcome.message));
  if (!outcome.ok()) {
    if (outcome.message.isEmpty())
      std::abort(); // a failed load must say why
    return;
  }
  Simulator *engine = outcome.engine;
  const long long points = std::max(1, engine->pointCount());
  const int limit = engine->progressAxis() == ProgressAxis::Distance
                        ? static_cast<int>(std::clamp<long long>(stepBudget / (16 * points), 1, maximumSpectralSteps))
                        : static_cast<int>(std::clamp<long long>(stepBudget / points, 1, maximumSteps));
  for (int i = 0; i < limit && !engine->finished; ++i) {
    const int before = engine->iteration;
    engine->step();
    // A step either counts an iteration or ends the run (or, for the
    // spectral engine, retries a rejected step); it never goes backwards.
    if (engine->iteration < before)
      std::abort();
  }
  // An abnormal end is reported together with the end of the run.
  if (!engine->runFailure.isEmpty() && !engine->finished)
    std::abort();
  if (verbose)
    std::fprintf(stderr, "steps: %d of at most %d, finished %d, failure \"%s\"\n", engine->iteration, limit,
                 int(engine->finished), qPrintable(engine->runFailure));
  volatile double sink = readEverything(*engine);
  (void)sink;
  delete engine;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
  (void)argc;
  (void)argv;
  char pattern[] = "/tmp/lumora-fuzz-XXXXXX";
  const char *base = mkdtemp(pattern);
  if (!base)
    std::abort();
  baseDirectory = base;
  runDirectory = baseDirectory + "/run";
  const std::string home = baseDirectory + "/home";
  QDir().mkpath(QString::fromStdString(runDirectory));
  QDir().mkpath(QString::fromStdString(home + "/.cache"));
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  std::atexit(removeBase);

  static int applicationArgc = 1;
  static char applicationName[] = "config_fuzzer";
  static char *applicationArgv[] = {applicationName, nullptr};
  application = new QCoreApplication(applicationArgc, applicationArgv);
  // The spectral engine plans its transforms patiently: seconds for every new
  // transform length under the sanitizers. Estimated plans change only which
  // (equivalent) algorithm FFTW picks, and let the fuzzer try many lengths.
  setUppePlannerFlags(FFTW_ESTIMATE);
  verbose = std::getenv("LUMORA_FUZZ_VERBOSE") != nullptr;
  if (!verbose)
    qInstallMessageHandler(quietMessages);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
  if (size == 0)
    return 0;
  // libFuzzer resolves its own paths (corpus, artifacts) against the
  // directory it was started in: return there after every input.
  char previous[4096];
  if (!getcwd(previous, sizeof previous))
    std::abort();
  if (chdir(runDirectory.c_str()) != 0)
    std::abort();
  runInput(data, size);
  emptyRunDirectory();
  if (chdir(previous) != 0)
    std::abort();
  return 0;
}
