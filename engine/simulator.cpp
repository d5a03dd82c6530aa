#include "engine/simulator.h"

#include "engine/breakpoints.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/reasons.h"
#include "input/units.h"
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

bool Simulator::fail(int line, const QString &reason)
{
  if (errorLine == 0 && missingKeyword.isEmpty()) {
    errorLine = line;
    errorReason = reason;
  }
  return true;
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

bool Simulator::parseActions(const QStringList &lines)
{
  const QString &actionKw = keyword(Kw::action);
  int a = findLineFrom(lines, actionKw, 0);
  while (a >= 0) {
    const QString &anchor = lines.at(a);
    const QString type = lineValue(anchor);
    if (isNotListed(type, actionTypes))
      return fail(a + 1, reason::value(reason::oneOf(actionTypes), type));

    int target = 0;
    currentLine = a + 1;
    const QString iterationsValue = readValueOnLine(lines, keyword(Kw::iterations), currentLine);
    bool converted = false;
    const int iterations = iterationsValue.isNull() ? 0 : iterationsValue.toInt(&converted);
    if (converted) {
      if (iterations < 0)
        return fail(currentLine, reason::value(reason::tr("a number of iterations of at least 0"),
                                               iterationsValue));
      target = iterations;
    } else {
      // Time form: a unit and a time at or after the anchor.
      const QString unit = readValueFrom(lines, keyword(Kw::tunit), missingKeyword, currentLine, a);
      if (unit.isNull())
        return true;
      if (isNotListed(unit, timeUnits))
        return fail(currentLine, reason::value(reason::oneOf(timeUnits), unit));
      const QString timeValue =
          readValueFrom(lines, keyword(Kw::time), missingKeyword, currentLine, a);
      if (timeValue.isNull())
        return true;
      const double time = timeValue.toDouble();
      if (!(time > 0.0) || !std::isfinite(time))
        return fail(currentLine, reason::value(reason::above(0), timeValue));
      const double dt = timeStep();
      const double t = time * secondsPerTimeUnit(indexIgnoringCase(timeUnits, unit)) / dt;
      if (!(t < static_cast<double>(INT_MAX)))
        target = INT_MAX; // beyond any reachable iteration (also for dt 0)
      else
        target = static_cast<int>(t);
    }

    AbstractBreakpoint *bp = nullptr;
    if (anchor.contains(keyword(Kw::suspend))) {
      bp = new SuspendBreakpoint(keyword(Kw::suspend), target);
    } else if (anchor.contains(keyword(Kw::save_line_envelope))) {
      const QString file = readValueFrom(lines, keyword(Kw::file), missingKeyword, currentLine, a);
      bp = new SaveLineEnvelopeClass(keyword(Kw::save_line_envelope), target, file);
    } else if (anchor.contains(keyword(Kw::exit))) {
      bp = new ExitBreakpoint(keyword(Kw::exit), target);
    } else if (anchor.contains(keyword(Kw::saveAll))) {
      QString file = readValueFrom(lines, keyword(Kw::file), missingKeyword, currentLine, a);
      if (file == QLatin1String("0"))
        file = runName;
      bp = new SaveAllBreakpoint(keyword(Kw::saveAll), target, file);
    }
    if (bp) {
      breakpoints.append(bp);
      ++breakpointCount;
    }

    if (a + 1 >= lines.size())
      break;
    a = findLineFrom(lines, actionKw, a + 1);
  }
  hasBreakpoints = breakpointCount > 0;
  return false;
}

QString timingLogFileName(const QDateTime &now, const QString &file)
{
  return sanitizeFileName(now.toString(QStringLiteral("d.M.yyyy hh:mm:ss ")) + file);
}

bool Simulator::parseTimingLog(const QStringList &lines)
{
  const QString &codeKw = keyword(Kw::code);
  int a = findLineFrom(lines, codeKw, 0);
  while (a >= 0) {
    const QString codeValue = readValueFrom(lines, codeKw, missingKeyword, currentLine, a);
    if (codeValue.isNull())
      return true;
    const int code = codeValue.toInt();
    if (code != 0) {
      const QString periodValue =
          readValueFrom(lines, keyword(Kw::period), missingKeyword, currentLine, currentLine);
      if (periodValue.isNull())
        return true;
      const double period = periodValue.toDouble();
      if (!(period >= 1.0))
        return fail(currentLine,
                    reason::value(reason::tr("a number of iterations of at least 1"), periodValue));
      timingLogPeriod = period >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(period);
      const QString file =
          readValueFrom(lines, keyword(Kw::file), missingKeyword, currentLine, currentLine);
      if (file.isNull())
        return true;
      if (timingLog.isOpen())
        timingLog.close();
      timingLog.setFileName(timingLogFileName(QDateTime::currentDateTime(), file));
      timingLogEnabled = timingLog.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    }
    if (a + 1 >= lines.size())
      break;
    a = findLineFrom(lines, codeKw, a + 1);
  }
  return false;
}
