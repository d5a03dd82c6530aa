#pragma once
// Physical constants of the FDTD engine: the shared SI constants.

#include "input/physicalconstants.h"

namespace fdtdconst = physconst;
