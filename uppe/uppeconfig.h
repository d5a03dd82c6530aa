#pragma once
// Plain description of a spectral-engine configuration: the values of its
// sections (in SI units) and the lines they came from, as read by
// UppeConfigReader. The engine is built from it and reads no line itself.

#include "engine/runcontrol.h"
#include "materials/materials.h"

#include <QString>

#include <complex>
#include <cstddef>
#include <vector>

// Medium types, in the order their names are matched.
enum MediumType {
  Lor1 = 0, ConstNKer1, StepNKer1, TaylorSeriesDispersive, Lor1Ker1,
  Sellmeier, SellmeierKer1, Material, MaterialKer1, Tabulated, TabulatedKer1, // real materials
  Fibre,                                                                     // guided mode: beta series, gamma
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
  // Envelope model: the complex envelope about the fibre's reference
  // frequency, integrated by the interaction-picture stepper.
  bool envelope = false;
  int modelLine = 0;           // the "model" line (0: none)
  bool interactionPicture = false; // method "erk43ip"
  int methodLine = 0;
  int generalLine = 0;
  int planes = 200;            // evolution records 0 .. L
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
  // How the size of the pulse is given.
  enum Size { Amplitude, PeakPower, Energy };
  Shape shape = Gauss;
  double amplitude = 0.0;      // V/m (in a fibre: sqrt(W))
  double carrier = 0.0;        // Hz
  double centreTime = 0.0;     // s: T/2 + delay
  double width = 0.0;          // Gauss: 3 dB bandwidth (Hz); sech: tau (s)
  QString summary;             // one line of the set-up summary
  Size size = Amplitude;
  double peakPower = 0.0;      // W
  double energy = 0.0;         // J
  double t0 = 0.0;             // s: exp(-t^2 / 2 T0^2) or sech(t / T0) of the field
  bool fwhmGiven = false;      // the width came from "fwhm"
  double gdd = 0.0, tod = 0.0; // s^2, s^3 about the pulse's centre frequency
  // "pulsedata": measured spectrum (ascending frequency, Hz), spectral
  // amplitude (sqrt of the intensity per frequency) and phase (rad).
  QString dataFile;
  std::vector<double> dataFrequency, dataAmplitude, dataPhase;
  int line = 0;                // the shape line
  // Built through the complex envelope (power, energy, chirp, fwhm, data, fibre).
  bool envelopeForm = false;
};

struct PostprocessingDescription
{
  bool conversionEfficiency = false;
  double bandLow = 0.0, bandHigh = 0.0; // THz
};

struct KerrRaman
{
  double n2 = 0.0;             // m^2/V^2
  double tau1 = 1.0, tau2 = 1.0; // s
  double instantaneous = 1.0;  // weight a of the instantaneous term
};

// A guided mode: beta(w) = beta0 + beta1 W + sum_k beta_k W^k / k!, W = w - w0,
// with gamma, the Raman fraction and loss.
struct FibreParameters
{
  double wavelength = 0.0;     // m
  double frequency = 0.0;      // Hz, c / wavelength
  double gamma = 0.0;          // 1/(W m)
  double ramanFraction = 0.0;  // fR
  double tau1 = 0.0, tau2 = 0.0; // s
  double lossDb = 0.0;         // dB/km
  double alpha = 0.0;          // 1/m (power)
  std::vector<double> betas;   // beta_2, beta_3, ... in s^k/m
  // sum_k beta_k W^k / k! (W in rad/s), in 1/m.
  double dispersion(double w) const
  {
    double sum = 0.0, power = w, factorial = 1.0;
    for (std::size_t i = 0; i < betas.size(); ++i) {
      power *= w;
      factorial *= double(i + 2);
      sum += betas[i] * power / factorial;
    }
    return sum;
  }
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
  FibreParameters fibre;
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
  std::vector<ActionDescription> actions;
  std::vector<TimingLogDescription> timingLogs;
  MediumDescription medium;
};
