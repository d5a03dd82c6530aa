#include "engine/loader.h"

#include "engine/simulator.h"
#include "input/lookups.h"
#include "input/vocabulary.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {
QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }
} // namespace

QString engineTypeOf(const QString &fileName) { return QFileInfo(fileName).fileName().left(4); }

QString runNameOf(const QString &fileName) { return QFileInfo(fileName).baseName(); }

bool readConfigurationFile(const QString &fileName, QStringList &lines, QString &message)
{
  const QString cannotRead = tr("Cannot read file %1:\n%2.");
  const QFileInfo info(fileName);
  if (info.isDir()) {
    message = cannotRead.arg(fileName, tr("Is a directory"));
    return false;
  }
  // A FIFO would block the open, a device would never end.
  if (info.exists() && !info.isFile()) {
    message = cannotRead.arg(fileName, tr("Not a regular file"));
    return false;
  }
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    message = cannotRead.arg(fileName, file.errorString());
    return false;
  }
  if (file.size() > maximumConfigurationBytes) {
    message = cannotRead.arg(fileName, tr("The file is larger than 64 MiB"));
    return false;
  }
  QTextStream stream(&file);
  lines = readConfigurationLines(stream);
  return true;
}

namespace {
QString quoted(const QString &line) { return QLatin1Char('"') + line.trimmed() + QLatin1Char('"'); }

// Second line of a refused-line message: the line as written and the reason.
QString quotedReason(const ParseStatus &status, const QStringList &lines)
{
  if (status.errorReason.isEmpty())
    return QString();
  const int index = status.errorLine - 1;
  if (index < 0 || index >= lines.size())
    return QLatin1Char('\n') + status.errorReason;
  return QLatin1Char('\n') + quoted(lines.at(index)) + QLatin1String(": ") + status.errorReason;
}
} // namespace

QString loadStatusMessage(const Simulator &engine, const QString &fileName, const QStringList &lines)
{
  const QStringList vocabulary = engine.keywords();
  const ParseStatus &status = engine.loadStatus();
  if (!status.missingKeyword.isEmpty()) {
    const QString hint =
        vocabulary.isEmpty() ? QString() : missingKeywordHint(lines, status.missingKeyword, vocabulary);
    const QString message = tr("Loading %1 failed:\n Keyword \"%2\" not found.").arg(fileName, status.missingKeyword);
    return hint.isEmpty() ? message : message.chopped(1) + QLatin1String("; ") + hint;
  }
  if (status.errorLine >= 1)
    return tr("%1: Syntax error in line %2.").arg(fileName).arg(status.errorLine) +
           quotedReason(status, lines);
  if (status.errorLine == -1)
    return tr("%1: Enequal number of keywords in the SHAPE section.").arg(fileName) +
           (status.errorReason.isEmpty() ? QString() : QLatin1Char('\n') + status.errorReason);
  if (status.errorLine == -2)
    return tr("%1: User defined pulse file could not be read.").arg(fileName) +
           (status.errorReason.isEmpty() ? QString() : QLatin1Char('\n') + status.errorReason);
  if (!engine.isConstructed())
    return tr("%1: The configuration could not be loaded completely.").arg(fileName);
  return QString();
}

LoadOutcome loadConfiguration(const QString &fileName, const QString &engineType,
                              const QString &runName, const EngineFactory &factory)
{
  LoadOutcome outcome;
  QStringList lines;
  if (!readConfigurationFile(fileName, lines, outcome.message))
    return outcome;
  if (engineType != QLatin1String("FDTD") && engineType != QLatin1String("UPPE")) {
    outcome.message =
        tr("%1: Unknown engine. The file name must begin with \"FDTD\" or \"UPPE\".").arg(fileName);
    return outcome;
  }
  const QString folder = QFileInfo(fileName).absolutePath();
  Simulator *engine = factory ? factory(engineType, lines, runName, folder) : nullptr;
  if (!engine) {
    outcome.message = tr("%1: The %2 engine is not available.").arg(fileName, engineType);
    return outcome;
  }
  outcome.message = loadStatusMessage(*engine, fileName, lines);
  if (!outcome.message.isEmpty()) {
    delete engine;
    return outcome;
  }
  // Lines that hold no keyword of the engine are read by nothing: named first.
  if (!engine->keywords().isEmpty())
    engine->prependWarnings(unknownWordWarnings(lines, engine->keywords()));
  outcome.engine = engine;
  return outcome;
}

QString setupSummaryText(const Simulator &engine)
{
  QString text = engine.setupSummary();
  const QStringList &warnings = engine.loadStatus().warnings;
  if (!warnings.isEmpty()) {
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
      text += QLatin1Char('\n');
    text += tr("Warnings:") + QLatin1Char('\n');
    for (const QString &warning : warnings)
      text += QLatin1String("  - ") + warning + QLatin1Char('\n');
  }
  return text;
}
