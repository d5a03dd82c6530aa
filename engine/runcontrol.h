#pragma once
// The sections both engines share: actions (breakpoints at an iteration or a
// time) and the timing log. The readers turn the lines into plain
// descriptions, each value with its line; the engine builds its breakpoints
// and opens its log from them (Simulator::setUpActions, setUpTimingLogs).

#include "input/parsestatus.h"

#include <QString>
#include <QStringList>

#include <vector>

struct ActionDescription
{
  enum Kind { Suspend, SaveLineEnvelope, Exit, SaveAll };
  Kind kind = Suspend;
  int line = 0;             // the "action" anchor
  // "iterations" on the line right after the anchor, else a time and its unit.
  bool timeForm = false;
  int iterations = 0;
  double time = 0.0;        // in the unit below, as written
  int timeUnit = 0;         // position in timeUnits
  int targetLine = 0;       // the line of the iterations or the time
  // Save actions: the "file" value as written (null when the line is missing:
  // the load then fails on the missing keyword).
  QString file;
};

// A "code" anchor whose code is not 0 asks for a log; a later one replaces
// an earlier one.
struct TimingLogDescription
{
  int line = 0;             // the "code" anchor
  int period = 0;           // iterations between entries
  QString file;             // as written; the log's name adds the date
};

// Every "action" anchor, in line order; an anchor whose type is written in
// other letters is checked and then ignored. True on failure, with status set.
bool readActions(const QStringList &lines, ParseStatus &status, std::vector<ActionDescription> &actions);

// Every "code" anchor, in line order. True on failure, with status set.
bool readTimingLogs(const QStringList &lines, ParseStatus &status, std::vector<TimingLogDescription> &logs);
