#pragma once
// Plain description of a grid-engine configuration, filled section by section
// as the engine reads it; the engine is built from it.

#include "engine/runcontrol.h"
#include "fdtd/sections/meshsection.h"
#include "fdtd/sellmeiermedium.h"

#include <vector>

// One Lorentz pole of a section: damping and resonance in the section's
// frequency unit (exponent), weight (a one-pole medium has weight 1).
struct PoleConstants
{
  double damping = 0.0;
  double resonance = 0.0;
  double weight = 1.0;
};

// One medium section as read from its "medium", "meshpoints" and
// "parameters" lines: what it is, where it lies and its constants. Only the
// constants its type has are set.
struct SectionDescription
{
  int type = 0;               // position in mediumTypes
  int cells = 0;
  int mediumLine = 0, meshLine = 0, parameterLine = 0;
  SectionPlacement<int, double> placement;
  double epsilonR = 1.0;      // relative permittivity (infinite-frequency for poles)
  double muR = 1.0;
  double sigma = 0.0;         // conductivity, S/m
  double epsilonStatic = 1.0; // static permittivity of the Lorentz types
  int poleCount = 0;
  PoleConstants poles[3];
  // Kerr and Raman: chi3, the Raman times tau1 and tau2 (s), the Kerr fraction alpha.
  double chi3 = 0.0, tau1 = 0.0, tau2 = 0.0, alpha = 0.0;
  double theta = 0.01;        // Kerr linearisation threshold
  int exponent = 9;           // frequency unit of the poles
  GridSellmeier sellmeier;    // "sellmeier" and "material" sections
  QString materialName;       // the first token of a "material" section
};

struct FdtdConfig
{
  std::vector<TimingLogDescription> timingLogs;
  std::vector<SectionDescription> sections;
  std::vector<ActionDescription> actions;
};
