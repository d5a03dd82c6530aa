#include "engine/runcontrol.h"

#include "input/keywords.h"
#include "input/lookups.h"
#include "input/reasons.h"
#include "input/tokens.h"
#include "input/units.h"

#include <climits>
#include <cmath>

namespace {
// The next line at or after index from that matches the keyword, or -1 past
// the last line (findLineFrom would search the last line again).
int nextLineFrom(const QStringList &lines, const QString &keyword, int from)
{
  return from >= lines.size() ? -1 : findLineFrom(lines, keyword, from);
}

// Time form of an action: a unit and a time at or after the anchor at index
// a. Returns true on failure, with the status set.
bool readActionTime(const QStringList &lines, ParseStatus &status, int a, ActionDescription &action)
{
  const QString unit = readValueFrom(lines, keyword(Kw::tunit), status.missingKeyword, status.currentLine, a);
  if (unit.isNull())
    return true;
  if (isNotListed(unit, timeUnits))
    return status.fail(status.currentLine, reason::value(reason::oneOf(timeUnits), unit));
  const QString timeValue = readValueFrom(lines, keyword(Kw::time), status.missingKeyword, status.currentLine, a);
  if (timeValue.isNull())
    return true;
  const double time = timeValue.toDouble();
  if (!(time > 0.0) || !std::isfinite(time))
    return status.fail(status.currentLine, reason::value(reason::above(0), timeValue));
  action.timeForm = true;
  action.time = time;
  action.timeUnit = indexIgnoringCase(timeUnits, unit);
  action.targetLine = status.currentLine;
  return false;
}

// The iteration an action fires at: "iterations" on the line right after the
// anchor, or else the time form. Returns true on failure.
bool readActionTarget(const QStringList &lines, ParseStatus &status, int a, ActionDescription &action)
{
  status.currentLine = a + 1;
  const QString value = readValueOnLine(lines, keyword(Kw::iterations), status.currentLine);
  int iterations = 0;
  if (value.isNull() || !toCount(value, iterations))
    return readActionTime(lines, status, a, action);
  if (iterations < 0)
    return status.fail(status.currentLine,
                       reason::value(reason::tr("a number of iterations of at least 0"), value));
  action.iterations = iterations;
  action.targetLine = status.currentLine;
  return false;
}

// The kind of an action typed exactly; false for a type in other letters.
bool actionKind(const QString &type, ActionDescription::Kind &kind)
{
  if (type == keyword(Kw::suspend))
    kind = ActionDescription::Suspend;
  else if (type == keyword(Kw::save_line_envelope))
    kind = ActionDescription::SaveLineEnvelope;
  else if (type == keyword(Kw::exit))
    kind = ActionDescription::Exit;
  else if (type == keyword(Kw::saveAll))
    kind = ActionDescription::SaveAll;
  else
    return false;
  return true;
}
} // namespace

bool readActions(const QStringList &lines, ParseStatus &status, std::vector<ActionDescription> &actions)
{
  const QString &actionKw = keyword(Kw::action);
  for (int a = nextLineFrom(lines, actionKw, 0); a >= 0; a = nextLineFrom(lines, actionKw, a + 1)) {
    const QString type = lineValue(lines.at(a));
    if (isNotListed(type, actionTypes))
      return status.fail(a + 1, reason::value(reason::oneOf(actionTypes), type));
    ActionDescription action;
    action.line = a + 1;
    if (readActionTarget(lines, status, a, action))
      return true;
    // The type word as written: the test above ignores case, a type in other
    // letters creates nothing.
    if (!actionKind(type, action.kind))
      continue;
    // A save action without a "file" line is still described; the load then
    // fails on the missing keyword.
    if (action.kind == ActionDescription::SaveLineEnvelope || action.kind == ActionDescription::SaveAll)
      action.file = readValueFrom(lines, keyword(Kw::file), status.missingKeyword, status.currentLine, a);
    actions.push_back(action);
  }
  return false;
}

bool readTimingLogs(const QStringList &lines, ParseStatus &status, std::vector<TimingLogDescription> &logs)
{
  const QString &codeKw = keyword(Kw::code);
  for (int a = nextLineFrom(lines, codeKw, 0); a >= 0; a = nextLineFrom(lines, codeKw, a + 1)) {
    const QString code = readValueFrom(lines, codeKw, status.missingKeyword, status.currentLine, a);
    if (code.toInt() == 0)
      continue;
    TimingLogDescription log;
    log.line = status.currentLine;
    const QString periodValue = readValueFrom(lines, keyword(Kw::period), status.missingKeyword,
                                              status.currentLine, status.currentLine);
    if (periodValue.isNull())
      return true;
    const double period = periodValue.toDouble();
    if (!(period >= 1.0))
      return status.fail(status.currentLine,
                         reason::value(reason::tr("a number of iterations of at least 1"), periodValue));
    log.period = period >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(period);
    log.file = readValueFrom(lines, keyword(Kw::file), status.missingKeyword, status.currentLine,
                             status.currentLine);
    if (log.file.isNull())
      return true;
    logs.push_back(log);
  }
  return false;
}
