#include "engine/simulator.h"

#include "engine/breakpoints.h"
#include "engine/runcontrol.h"
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

void Simulator::setUpActions(const std::vector<ActionDescription> &actions)
{
  for (const ActionDescription &action : actions) {
    int target = action.iterations;
    if (action.timeForm) {
      const double t = action.time * secondsPerTimeUnit(action.timeUnit) / timeStep();
      // Beyond any reachable iteration (also for a time step of 0).
      target = t < static_cast<double>(INT_MAX) ? static_cast<int>(t) : INT_MAX;
    }
    AbstractBreakpoint *breakpoint = nullptr;
    switch (action.kind) {
    case ActionDescription::Suspend:
      breakpoint = new SuspendBreakpoint(keyword(Kw::suspend), target);
      break;
    case ActionDescription::SaveLineEnvelope:
      breakpoint = new SaveLineEnvelopeClass(keyword(Kw::save_line_envelope), target, action.file);
      break;
    case ActionDescription::Exit:
      breakpoint = new ExitBreakpoint(keyword(Kw::exit), target);
      break;
    case ActionDescription::SaveAll:
      breakpoint = new SaveAllBreakpoint(keyword(Kw::saveAll), target,
                                         action.file == QLatin1String("0") ? runName : action.file);
      break;
    }
    breakpoints.append(breakpoint);
    ++breakpointCount;
  }
  hasBreakpoints = breakpointCount > 0;
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

// A later log replaces an earlier one.
void Simulator::setUpTimingLogs(const std::vector<TimingLogDescription> &logs)
{
  for (const TimingLogDescription &log : logs) {
    timingLogPeriod = log.period;
    if (timingLog.isOpen())
      timingLog.close();
    timingLog.setFileName(timingLogFileName(QDateTime::currentDateTime(), log.file));
    timingLogEnabled = timingLog.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
  }
}
