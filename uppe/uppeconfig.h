#pragma once
// Plain description of a spectral-engine configuration: the values of its
// sections (in SI units) and the lines they came from, as read by
// UppeConfigReader. The engine is built from it and reads no line itself.

#include "materials/materials.h"

#include <QString>

#include <complex>
#include <vector>

// Medium types, in the order their names are matched.
enum MediumType {
  Lor1 = 0, ConstNKer1, StepNKer1, TaylorSeriesDispersive, Lor1Ker1,
  Sellmeier, SellmeierKer1, Material, MaterialKer1, Tabulated, TabulatedKer1, // real materials
  NoMedium = -1
};

struct IntegrationSettings
{
  int stepper = 0;             // position in "rkf45", "rkck", "rk8pd"
  bool fixedStep = false;
  double initialStep = 0.0;    // m
  double evolutionStep = 0.0;  // m
  double tolerance = 0.0;
  bool relativeTolerance = false;
  double frequencyShift = 0.0; // Hz
  bool general = false;
  int frequencyExponent = 0;   // display unit 10^e Hz
  QString frequencyUnit;
  QString frequencyAxisLabel;  // "Frequency [<unit as written>]"
  bool dumps = true;
};

// The common time window of every pulse block (set by the first block).
struct TimeWindow
{
  int points = 0;
  double duration = 0.0;       // s
  int timeExponent = 0;        // display unit 10^e s
  QString timeUnit;
  QString timeAxisLabel;       // "Time [<unit as written>]"
  QString durationText;        // the first block's "timeduration" as written
};

struct PulseDescription
{
  enum Shape { Gauss = 1, Sech = 2, Sech2 = 3 }; // positions in the shape list
  Shape shape = Gauss;
  double amplitude = 0.0;      // V/m
  double carrier = 0.0;        // Hz
  double centreTime = 0.0;     // s: T/2 + delay
  double width = 0.0;          // Gauss: 3 dB bandwidth (Hz); sech: tau (s)
  QString summary;             // one line of the set-up summary
};

struct PostprocessingDescription
{
  bool conversionEfficiency = false;
  double bandLow = 0.0, bandHigh = 0.0; // THz
  int timeSeriesCount = 0;
};

struct KerrRaman
{
  double n2 = 0.0;             // m^2/V^2
  double tau1 = 1.0, tau2 = 1.0; // s
  double instantaneous = 1.0;  // weight a of the instantaneous term
};

struct MediumDescription
{
  MediumType type = NoMedium;
  bool lossy = true;
  KerrRaman nonlinear;
  // Lorentz pole (Hz).
  double epsInfinity = 0.0, epsStatic = 0.0, damping = 0.0, resonance = 0.0;
  std::complex<double> constantIndex, stepLow, stepHigh;
  double stepFrequency = 0.0;  // Hz
  double taylorReference = 0.0;
  std::vector<double> taylorCoefficients; // beta_1, beta_2, ...
  int groupVelocity = 0;       // m/s, 1/beta_1 (Taylor)
  materials::Dispersion dispersion; // real materials
  int parametersLine = 0;
  double length = 0.0;         // m
  double lengthScale = 1.0;    // metres per length unit
  QString lengthUnit;
};

struct UppeConfig
{
  IntegrationSettings integration;
  TimeWindow window;
  std::vector<PulseDescription> pulses;
  PostprocessingDescription postprocessing;
  MediumDescription medium;
};
