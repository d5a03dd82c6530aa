#include "engine/simulator.h"

#include "engine/breakpoints.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/reasons.h"
#include "input/tokens.h"
#include "input/units.h"
#include "input/vocabulary.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QDateTime>

#include <climits>
#include <cmath>

Simulator::Simulator(const QString &name) : QObject(nullptr), runName(name) {}

Simulator::~Simulator()
{
  if (timingLog.isOpen())
    timingLog.close();
  qDeleteAll(breakpoints);
  breakpoints.clear();
  for (auto *p : spectrogramPostprocessings)
    delete p;
  for (auto *p : fourierPostprocessings)
    delete p;
  for (auto *p : poyntingPostprocessings)
    delete p;
}

const std::vector<double> &Simulator::emptyVector()
{
  static const std::vector<double> empty;
  return empty;
}

QString Simulator::probeTimeUnit(unsigned short) { return QString(); }
QString Simulator::spectrumAxisLabel() { return QString(); }

QStringList Simulator::fourierNames() const
{
  QStringList names;
  for (const auto *f : fourierPostprocessings)
    names << f->name();
  return names;
}

QString Simulator::fourierUnit(unsigned short i) const
{
  return i < fourierPostprocessings.size() ? fourierPostprocessings[i]->unitName() : QString();
}

bool Simulator::fourierIsWavelength(unsigned short i) const
{
  return i < fourierPostprocessings.size() && fourierPostprocessings[i]->isWavelength();
}

double Simulator::fourierStart(unsigned short i) const
{
  return i < fourierPostprocessings.size() ? fourierPostprocessings[i]->spectralStart() : 0.0;
}

double Simulator::fourierStep(unsigned short i) const
{
  return i < fourierPostprocessings.size() ? fourierPostprocessings[i]->spectralStep() : 0.0;
}

int Simulator::fourierPointCount(unsigned short i) const
{
  return i < fourierPostprocessings.size() ? fourierPostprocessings[i]->pointCount() : 0;
}

const std::vector<double> &Simulator::fourierMagnitudes(unsigned short i) const
{
  return i < fourierPostprocessings.size() ? fourierPostprocessings[i]->magnitudes()
                                           : emptyVector();
}

const std::vector<double> &Simulator::fourierPhases(unsigned short i) const
{
  return i < fourierPostprocessings.size() ? fourierPostprocessings[i]->phases() : emptyVector();
}

SpectrogramPostprocessing<int, double> *Simulator::spectrogram(unsigned short i) const
{
  return i < spectrogramPostprocessings.size() ? spectrogramPostprocessings[i] : nullptr;
}

QString Simulator::spectrogramUnit(unsigned short i) const
{
  return i < spectrogramPostprocessings.size() ? spectrogramPostprocessings[i]->spectralUnit()
                                               : QString();
}

bool Simulator::spectrogramIsFrequency(unsigned short i) const
{
  return i < spectrogramPostprocessings.size() && spectrogramPostprocessings[i]->isFrequency();
}

const std::vector<double> &Simulator::poyntingEnvelope() const
{
  return poyntingPostprocessings.empty() ? emptyVector() : poyntingPostprocessings.front()->poynting;
}

void Simulator::checkBreakpoints()
{
  if (!hasBreakpoints || breakpointCount <= 0)
    return;
  // A breakpoint's reaction may not delete the engine while we iterate
  // (the window defers that), so the list stays valid here.
  for (int i = 0; i < breakpoints.size(); ++i)
    breakpoints.at(i)->check(iteration, finished);
}

namespace {
// The next line at or after index from that matches the keyword, or -1 past
// the last line (findLineFrom would search the last line again).
int nextLineFrom(const QStringList &lines, const QString &keyword, int from)
{
  return from >= lines.size() ? -1 : findLineFrom(lines, keyword, from);
}

// Time form of an action: a unit and a time at or after the anchor at index
// a, turned into an iteration with the engine's time step. Returns true on
// failure, with the engine's status set.
bool readActionTime(Simulator &engine, ParseStatus &status, const QStringList &lines, int a, int &target)
{
  const QString unit =
      readValueFrom(lines, keyword(Kw::tunit), status.missingKeyword, status.currentLine, a);
  if (unit.isNull())
    return true;
  if (isNotListed(unit, timeUnits))
    return status.fail(status.currentLine, reason::value(reason::oneOf(timeUnits), unit));
  const QString timeValue =
      readValueFrom(lines, keyword(Kw::time), status.missingKeyword, status.currentLine, a);
  if (timeValue.isNull())
    return true;
  const double time = timeValue.toDouble();
  if (!(time > 0.0) || !std::isfinite(time))
    return status.fail(status.currentLine, reason::value(reason::above(0), timeValue));
  const double t = time * secondsPerTimeUnit(indexIgnoringCase(timeUnits, unit)) / engine.timeStep();
  // Beyond any reachable iteration (also for a time step of 0).
  target = t < static_cast<double>(INT_MAX) ? static_cast<int>(t) : INT_MAX;
  return false;
}

// The iteration an action fires at: "iterations" on the line right after the
// anchor, or else the time form. Returns true on failure.
bool readActionTarget(Simulator &engine, ParseStatus &status, const QStringList &lines, int a, int &target)
{
  status.currentLine = a + 1;
  const QString value = readValueOnLine(lines, keyword(Kw::iterations), status.currentLine);
  int iterations = 0;
  if (value.isNull() || !toCount(value, iterations))
    return readActionTime(engine, status, lines, a, target);
  if (iterations < 0)
    return status.fail(status.currentLine,
                       reason::value(reason::tr("a number of iterations of at least 0"), value));
  target = iterations;
  return false;
}

// The breakpoint the anchor line asks for (tested in this order), or null for
// an anchor that names none in lower case. A save action without a "file"
// line is still created; the load then fails on the missing keyword.
AbstractBreakpoint *createBreakpoint(Simulator &engine, ParseStatus &status, const QStringList &lines, int a, int target)
{
  // The type word as written (the type test above ignores case; a type in
  // other letters creates nothing).
  const QString type = lineValue(lines.at(a));
  const auto file = [&] {
    return readValueFrom(lines, keyword(Kw::file), status.missingKeyword, status.currentLine, a);
  };
  if (type == keyword(Kw::suspend))
    return new SuspendBreakpoint(keyword(Kw::suspend), target);
  if (type == keyword(Kw::save_line_envelope))
    return new SaveLineEnvelopeClass(keyword(Kw::save_line_envelope), target, file());
  if (type == keyword(Kw::exit))
    return new ExitBreakpoint(keyword(Kw::exit), target);
  if (type == keyword(Kw::saveAll)) {
    const QString tag = file();
    return new SaveAllBreakpoint(keyword(Kw::saveAll), target,
                                 tag == QLatin1String("0") ? engine.runName : tag);
  }
  return nullptr;
}

// Period and file of a timing log whose "code" line is not 0; opens the log
// (a later one replaces an earlier one). Returns true on failure.
bool openTimingLog(Simulator &engine, ParseStatus &status, const QStringList &lines)
{
  const QString periodValue = readValueFrom(lines, keyword(Kw::period), status.missingKeyword,
                                            status.currentLine, status.currentLine);
  if (periodValue.isNull())
    return true;
  const double period = periodValue.toDouble();
  if (!(period >= 1.0))
    return status.fail(status.currentLine, reason::value(reason::tr("a number of iterations of at least 1"),
                                                         periodValue));
  engine.timingLogPeriod = period >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(period);
  const QString file = readValueFrom(lines, keyword(Kw::file), status.missingKeyword,
                                     status.currentLine, status.currentLine);
  if (file.isNull())
    return true;
  if (engine.timingLog.isOpen())
    engine.timingLog.close();
  engine.timingLog.setFileName(timingLogFileName(QDateTime::currentDateTime(), file));
  engine.timingLogEnabled =
      engine.timingLog.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
  return false;
}
} // namespace

// Every "action" anchor: its type, its target iteration, its breakpoint.
bool Simulator::parseActions(const QStringList &lines)
{
  const QString &actionKw = keyword(Kw::action);
  for (int a = nextLineFrom(lines, actionKw, 0); a >= 0; a = nextLineFrom(lines, actionKw, a + 1)) {
    const QString type = lineValue(lines.at(a));
    if (isNotListed(type, actionTypes))
      return fail(a + 1, reason::value(reason::oneOf(actionTypes), type));
    int target = 0;
    if (readActionTarget(*this, parseStatus, lines, a, target))
      return true;
    if (AbstractBreakpoint *breakpoint = createBreakpoint(*this, parseStatus, lines, a, target)) {
      breakpoints.append(breakpoint);
      ++breakpointCount;
    }
  }
  hasBreakpoints = breakpointCount > 0;
  return false;
}

bool Simulator::checkLineForms(const QStringList &lines)
{
  QString why;
  const int line = lineFormProblem(lines, keywords(), why);
  return line > 0 && fail(line, why);
}

QString timingLogFileName(const QDateTime &now, const QString &file)
{
  return sanitizeFileName(now.toString(QStringLiteral("d.M.yyyy hh:mm:ss ")) + file);
}

// Every "code" anchor; a code other than 0 asks for a timing log.
bool Simulator::parseTimingLog(const QStringList &lines)
{
  const QString &codeKw = keyword(Kw::code);
  for (int a = nextLineFrom(lines, codeKw, 0); a >= 0; a = nextLineFrom(lines, codeKw, a + 1)) {
    const QString code = readValueFrom(lines, codeKw, parseStatus.missingKeyword, parseStatus.currentLine, a);
    if (code.toInt() != 0 && openTimingLog(*this, parseStatus, lines))
      return true;
  }
  return false;
}
