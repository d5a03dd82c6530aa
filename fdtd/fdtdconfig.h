#pragma once
// Plain description of a grid-engine configuration, filled section by section
// as the engine reads it; the engine is built from it.

#include "engine/runcontrol.h"

#include <vector>

struct FdtdConfig
{
  std::vector<TimingLogDescription> timingLogs;
  std::vector<ActionDescription> actions;
};
