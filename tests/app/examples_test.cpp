// The shipped examples: every file loads with the program's reader and engine
// factory and runs (grid examples for a few steps, spectral examples to their
// end when that is short), every file is commented, and together they cover
// every medium in each grid treatment, every source, every post-processing
// kind, the actions, and every spectral medium, formulation and stepper.

#include "app/enginefactory.h"
#include "engine/loader.h"
#include "engine/simulator.h"
#include "input/lookups.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <set>
#include <string>

// Readable QString parameters in test names and failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString examplesDir() { return testsupport::sourceDir() + QStringLiteral("/examples"); }

QStringList exampleNames()
{
  return QDir(examplesDir())
      .entryList({QStringLiteral("FDTD_*.txt"), QStringLiteral("UPPE_*.txt")}, QDir::Files,
                 QDir::Name);
}

QStringList exampleLines(const QString &name)
{
  QStringList lines;
  QString message;
  readConfigurationFile(examplesDir() + QLatin1Char('/') + name, lines, message);
  return lines;
}

// Runs in a scratch copy of the examples folder, so that pulse files named by
// an example are found and the files an engine writes stay out of the sources.
class ScratchFolder
{
public:
  ScratchFolder() : previous_(QDir::currentPath())
  {
    const QDir source(examplesDir());
    for (const QString &f : source.entryList(QDir::Files))
      QFile::copy(source.filePath(f), dir_.filePath(f));
    QDir::setCurrent(dir_.path());
  }
  ~ScratchFolder() { QDir::setCurrent(previous_); }

private:
  QTemporaryDir dir_;
  QString previous_;
};

bool allFinite(const std::vector<double> &v)
{
  for (double x : v)
    if (!std::isfinite(x))
      return false;
  return true;
}

class ShippedExample : public ::testing::TestWithParam<QString>
{
};

TEST_P(ShippedExample, IsCommentedForANewcomer)
{
  const QByteArray text = testsupport::readAll(examplesDir() + QLatin1Char('/') + GetParam());
  const QList<QByteArray> raw = text.split('\n');
  ASSERT_FALSE(raw.isEmpty());
  EXPECT_TRUE(raw.first().trimmed().startsWith('#')) << "the file should open with a comment";
  int comments = 0;
  for (const QByteArray &l : raw)
    if (l.trimmed().startsWith('#') && l.trimmed().size() > 2)
      ++comments;
  EXPECT_GE(comments, 3) << "explain the sections of the file";
}

TEST_P(ShippedExample, LoadsAndRuns)
{
  ScratchFolder scratch;
  const QString file = GetParam();
  LoadOutcome outcome = loadConfiguration(file, engineTypeOf(file), runNameOf(file), createEngine);
  if (outcome.message.contains(QLatin1String("engine is not available")))
    GTEST_SKIP() << "engine not built in yet";
  ASSERT_TRUE(outcome.ok()) << outcome.message.toStdString();
  std::unique_ptr<Simulator> engine(outcome.engine);

  const bool spectral = engine->hasTimeSignal();
  // Grid examples: a few steps. Spectral examples: to their end, unless that
  // takes long (a generous step count and a few seconds).
  const int maximumSteps = spectral ? 5000 : 60;
  QElapsedTimer clock;
  clock.start();
  int steps = 0;
  while (!engine->finished && steps < maximumSteps && (!spectral || clock.elapsed() < 4000)) {
    engine->step();
    ++steps;
    ASSERT_TRUE(engine->runFailure.isEmpty()) << engine->runFailure.toStdString();
  }
  EXPECT_EQ(engine->iteration, steps);
  EXPECT_GT(engine->progress(), 0.0);
  EXPECT_TRUE(allFinite(engine->electricField()));
  if (spectral)
    RecordProperty("finished", engine->finished ? "yes" : "no");
}

std::string exampleTestName(const ::testing::TestParamInfo<QString> &info)
{
  QString n = info.param;
  n.chop(4);
  n.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
  return n.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedExample, ::testing::ValuesIn(exampleNames().toVector()),
                         exampleTestName);

// --- coverage ---------------------------------------------------------------------------

QString firstWord(const QString &line) { return lineValue(line); }

struct Coverage
{
  std::set<std::string> fdtdMedia;       // "problem/medium"
  std::set<std::string> sources;         // "kind/shape"
  std::set<std::string> postprocessing;  // type, spectrograms as "spectrogram/problem"
  std::set<std::string> actions;
  std::set<std::string> uppeMedia, uppeSteppers, uppeFormulations;
};

std::string lower(const QString &s) { return s.toLower().toStdString(); }

Coverage coverageOfExamples()
{
  Coverage c;
  for (const QString &name : exampleNames()) {
    const QStringList lines = exampleLines(name);
    QString missing;
    int line = 0;
    for (const QString &l : lines) {
      if (l.contains(QLatin1String("action")))
        c.actions.insert(firstWord(l).toStdString());
    }
    if (name.startsWith(QLatin1String("FDTD"))) {
      const QString problem = readValue(lines, QStringLiteral("problem"), missing, line).toLower();
      for (const QString &l : lines) {
        if (l.contains(QLatin1String("medium"), Qt::CaseInsensitive)) {
          c.fdtdMedia.insert(lower(problem + QLatin1Char('/') + firstWord(l)));
          if (problem != QLatin1String("1d"))
            break; // a periodic grid uses only its first section
        }
      }
      for (int g = 0; (g = findLineFrom(lines, QStringLiteral("geometry"), g)) >= 0; ++g) {
        const QString kind = firstWord(lines.at(g));
        const QString shape =
            readValueFrom(lines, QStringLiteral("shape"), missing, line, g);
        c.sources.insert(lower(kind + QLatin1Char('/') + shape));
        if (g == lines.size() - 1)
          break;
      }
      for (int t = 0; (t = findLineFrom(lines, QStringLiteral("typeOf"), t)) >= 0; ++t) {
        const QString type = firstWord(lines.at(t));
        c.postprocessing.insert(type.toStdString());
        if (type == QLatin1String("spectrogram"))
          c.postprocessing.insert(lower(type + QLatin1Char('/') + problem));
        if (t == lines.size() - 1)
          break;
      }
    } else {
      c.uppeSteppers.insert(lower(readValue(lines, QStringLiteral("method"), missing, line)));
      c.uppeFormulations.insert(
          lower(readValue(lines, QStringLiteral("usegeneral"), missing, line)));
      c.uppeMedia.insert(lower(readValue(lines, QStringLiteral("medium"), missing, line)));
      for (int t = 0; (t = findLineFrom(lines, QStringLiteral("typeOf"), t)) >= 0; ++t) {
        c.postprocessing.insert(firstWord(lines.at(t)).toStdString());
        if (t == lines.size() - 1)
          break;
      }
    }
  }
  return c;
}

std::set<std::string> missingFrom(const std::set<std::string> &have,
                                  const std::set<std::string> &want)
{
  std::set<std::string> missing;
  for (const std::string &w : want)
    if (!have.count(w))
      missing.insert(w);
  return missing;
}

std::string join(const std::set<std::string> &s)
{
  std::string out;
  for (const std::string &x : s)
    out += (out.empty() ? "" : ", ") + x;
  return out;
}

TEST(ExamplesCoverage, EveryGridMediumInEachGridTreatment)
{
  const Coverage c = coverageOfExamples();
  std::set<std::string> want;
  for (const char *m : {"diel", "ldiel", "lor1", "lor2", "lor3", "ker1", "lor1ker1", "lor3ker1",
                        "material"})
    want.insert(std::string("1d/") + m);
  // lor1ker1 has no periodic classes.
  for (const char *p : {"1dp", "1dcp"})
    for (const char *m : {"diel", "ldiel", "lor1", "lor2", "lor3", "ker1", "lor3ker1"})
      want.insert(std::string(p) + "/" + m);
  EXPECT_EQ(join(missingFrom(c.fdtdMedia, want)), "");
}

TEST(ExamplesCoverage, EverySourceKindAndShape)
{
  const Coverage c = coverageOfExamples();
  const std::set<std::string> want = {"point/sine", "point/gauss",     "point/sech",
                                      "point/sech2", "point/user",     "plane_wave/gauss"};
  EXPECT_EQ(join(missingFrom(c.sources, want)), "");
}

TEST(ExamplesCoverage, EveryPostprocessingKindAndTheActions)
{
  const Coverage c = coverageOfExamples();
  const std::set<std::string> want = {"time",           "fourier",          "spectrogram",
                                      "poynting",       "conversionEfficiency",
                                      "spectrogram/1d", "spectrogram/1dp",  "spectrogram/1dcp"};
  EXPECT_EQ(join(missingFrom(c.postprocessing, want)), "");
  const std::set<std::string> actions = {"suspend", "save_line_envelope", "exit", "saveAll"};
  EXPECT_EQ(join(missingFrom(c.actions, actions)), "");
}

TEST(ExamplesCoverage, EverySpectralMediumFormulationAndStepper)
{
  const Coverage c = coverageOfExamples();
  EXPECT_EQ(join(missingFrom(c.uppeMedia, {"lor1", "const_n_ker1", "step_n_ker1",
                                           "taylorseriesdispersive", "lor1ker1", "material",
                                           "tabulated"})),
            "");
  EXPECT_EQ(join(missingFrom(c.uppeFormulations, {"0", "1"})), "");
  EXPECT_EQ(join(missingFrom(c.uppeSteppers, {"rkf45", "rkck", "rk8pd"})), "");
}

} // namespace
