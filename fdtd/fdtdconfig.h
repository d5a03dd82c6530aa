#pragma once
// Plain description of a grid-engine configuration, filled by
// FdtdConfigReader (timing log, grid, sections, termination, sources,
// actions, post-processing), each value with its line; the engine is built
// from it.

#include "engine/runcontrol.h"
#include "fdtd/sections/meshsection.h"
#include "fdtd/sellmeiermedium.h"
#include "postprocessing/observationdescription.h"

#include <QStringList>

#include <vector>

// The grid lines, each value with its line.
struct GridDescription
{
  double stability = 1.0;   // Courant divisor S
  int threads = 0;          // a most; 0: as many as the machine offers
  QString lengthUnit;       // as written
  double cellSize = 0.0;    // in the length unit
  int formulation = 0;      // 0 "1d", 1 "1dp" (ring), 2 "1dcp"
  int stabilityLine = 0, threadsLine = 0, unitLine = 0, sizeLine = 0, problemLine = 0;
};

// The lumped termination: a resistance at one grid point (two "lumped" lines).
struct TerminationDescription
{
  bool enabled = false;
  double resistance = 0.0;  // ohm
  int index = 0;            // 0-based grid point
  int resistanceLine = 0, positionLine = 0;
};

// One Lorentz pole of a section: damping and resonance in the section's
// frequency unit (exponent), weight (a one-pole medium has weight 1).
struct PoleConstants
{
  double damping = 0.0;
  double resonance = 0.0;
  double weight = 1.0;
};

// Medium types of a section, in mediumTypes order.
namespace gridmedium {
enum Type { Diel, LDiel, Lor1, Lor2, Lor3, Ker1, Lor1Ker1, Lor3Ker1, Sellmeier, Material };
}

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

// One source as read from its "geometry" block: placement, amplitude line,
// shape and carrier, and a user pulse's samples.
struct SourceDescription
{
  enum Shape { Sine, Gauss, Sech, Sech2, User };
  bool planeWave = false;
  int gridPoint = 0;
  int amplitudeLine = 0;
  QStringList tokens; // of the amplitude line
  double impedance = 0.0, amplitude = 0.0, delay = 0.0;
  int shape = Sine;
  int frequencyIndex = 0, timeIndex = 0;
  double centre = 0.0, duration = 0.0;
  double width = 0.0; // "3dB" bandwidth or "tau"
  double medium[4] = {0.0, 0.0, 0.0, 0.0}; // plane wave: epsR, muR, unused
  // "user": the samples of the pulse file, scaled by the amplitude (empty:
  // the file holds none and no source is made).
  std::vector<double> samples;
};

struct FdtdConfig
{
  std::vector<TimingLogDescription> timingLogs;
  GridDescription grid;
  std::vector<SectionDescription> sections;
  TerminationDescription termination;
  std::vector<SourceDescription> sources;
  std::vector<ActionDescription> actions;
  ObservationDescription observation;
};
