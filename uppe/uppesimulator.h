#pragma once
// Spectral propagation engine.
//
// The state is the spectrum of the real electric field on a fixed time
// window. The linear part of the propagation equation (dispersion and loss in
// a frame moving with a reference group velocity) is applied exactly as a
// phase factor by the operator (UppeParams); the Kerr and delayed Raman
// polarisation is evaluated in time through FFTs. Each step() performs one
// accepted (or one rejected and halved) GSL integrator step in z.

#include "engine/simulator.h"
#include "materials/materials.h"
#include "uppe/refractiveindex.h"

#include <fftw3.h>
#include <gsl/gsl_odeiv2.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class UppeParams;

// Largest time-point count a configuration may ask for (about 0.4 GB of
// working arrays in the general formulation with the largest stepper).
constexpr int maximumUppeTimePoints = 1 << 20;
// Planning time allowed per patient FFTW plan (s); FFTW falls back to less
// exhaustive planning beyond it, which changes speed, not results.
constexpr double maximumPlanningSeconds = 30.0;
// Successive failed steps (each halving the step) before a run is given up.
constexpr int maximumStepHalvings = 60;

class UPPESimulator : public Simulator
{
  Q_OBJECT

public:
  UPPESimulator(const QStringList &lines, const QString &runName);
  ~UPPESimulator() override;

  // --- engine operations ------------------------------------------------------
  void step() override;
  double progress() override { return z; }
  double progressEnd() const override { return length; }
  double currentTime() override { return 0.0; }
  double probeSampleInterval(unsigned short) override { return dt; }
  double timeStep() override;
  QStringList probeNames() override { return QStringList(); }
  bool hasTimeSignal() override { return true; }
  void integrateSpectrum() override;
  std::vector<double> &electricField() override { return timeField; }
  std::vector<double> &conversionCurveA() override { return totalEnergy; }
  std::vector<double> &conversionCurveB() override { return bandEnergy; }
  std::vector<double> &conversionPositions() override { return positionsInLengthUnit; }
  int pointCount() override { return timePointCount; }
  double pointSpacing() override { return dt; }
  double probeStartTime(unsigned short) override { return 0.0; }
  int probeSampleCount(unsigned short) override { return timePointCount; }
  std::vector<double> &probeSamples(unsigned short) override { return inputField; }
  double lengthScale() override { return lengthScaleValue; }
  QString spectrumAxisLabel() override { return frequencyAxisLabel; }
  QString timeAxisLabel(unsigned short) override { return timeAxisLabelText; }

  // Window, grid, frame, medium lengths, planned steps, pulses and memory.
  QString setupSummary() const override;

  // --- spectral display data ----------------------------------------------------
  // Both formulations show the spectrum of the real field on the m bins
  // 0 .. fmax (k df), whatever the carrier shift of the general formulation.
  double frequencyStepDisplay() const override;
  const std::vector<double> &spectrumDbVector() const override { return spectrumDb; }
  int frequencyCount() const override { return frequencyCountValue; }
  std::vector<double> frequenciesDisplay() const override;
  std::vector<double> initialSpectrumDbData() const override { return initialSpectrumDb; }
  std::vector<double> timePointsDisplay() const override;

  // --- section parsers (true on failure, status fields set) -----------------------
  bool parseIntegrationKeys(QStringList lines);
  bool parsePulseBlocks(QStringList lines);
  bool parsePostprocessingBlocks(QStringList lines);
  bool parseMedium(QStringList lines);
  // The "parameters" line of a real material (Sellmeier formula, library
  // material or tabulated file), at 1-based line number lineNumber.
  bool parseMaterialMedium(const QString &line, int lineNumber);
  bool parseDumpSwitch(const QStringList &lines);

  // Medium types, in the order they are matched.
  enum MediumType {
    Lor1 = 0, ConstNKer1, StepNKer1, TaylorSeriesDispersive, Lor1Ker1,
    Sellmeier, SellmeierKer1, Material, MaterialKer1, Tabulated, TabulatedKer1, // real materials
    NoMedium = -1
  };

  // --- read access (plots, tests, benchmarks) ---------------------------------------
  const gsl_odeiv2_step_type *stepperType() const { return stepper; }
  bool isFixedStep() const { return fixedStep; }
  bool usesGeneralFormulation() const { return useGeneral; }
  bool dumpsEnabled() const { return dumps; }
  double trialStep() const { return h; }
  double evolutionStepLength() const { return evolutionStep; }
  double getTolerance() const { return tolerance; }
  double frequencyShift() const { return frequencyShiftHz; }
  int frequencyUnitExponent() const { return frequencyExponent; }
  int timeUnitExponent() const { return timeExponent; }
  int getTimePointCount() const { return timePointCount; }
  int getStateDimension() const { return stateDimension; }
  double getTimeStep() const { return dt; }
  double getFrequencyStep() const { return df; }
  double getMaxFrequency() const { return maxFrequency; }
  double getTimeWindow() const { return timeWindow; }
  double getPosition() const { return z; }
  double propagationLength() const { return length; }
  int getLastStatus() const { return lastStatus; }
  double getReferenceVelocity() const { return referenceVelocity; }
  MediumType getMediumType() const { return mediumType; }
  QString mediumTypeName() const;
  bool isLossy() const { return lossy; }
  double getKerrCoefficient() const { return kerrCoefficient; }
  double getRamanTau1() const { return ramanTau1; }
  double getRamanTau2() const { return ramanTau2; }
  double getInstantaneousWeight() const { return instantaneousWeight; }
  int getMediumGroupVelocity() const { return mediumGroupVelocity; }
  bool hasConversionEfficiency() const { return conversionEfficiency; }
  double getBandLow() const { return bandLow; }
  double getBandHigh() const { return bandHigh; }
  const std::vector<double> &getFrequencies() const { return frequencies; }
  const std::vector<double> &getTimePoints() const { return timePoints; }
  const std::vector<double> &getInputField() const { return inputField; }
  const std::vector<double> &getTimeField() const { return timeField; }
  const std::vector<double> &getSpectrumMagnitude() const { return spectrumMagnitude; }
  const std::vector<double> &getPositions() const { return positions; }
  const std::vector<Complex> &getRefractiveIndex() const { return refractiveIndex; }
  const std::vector<double> &getTotalEnergy() const { return totalEnergy; }
  const std::vector<double> &getBandEnergy() const { return bandEnergy; }
  UppeParams *getOperator() const { return theOperator.get(); }
  const double *stateData() const { return state; }
  QString getFrequencyAxisLabel() const { return frequencyAxisLabel; }
  // One evaluation of the right-hand side at z for the state y (what the
  // integrator calls); returns the GSL status. For tests and benchmarks.
  int evaluateRightHandSide(double z, const double *y, double *dydz)
  {
    return rightHandSide(z, y, dydz, this);
  }
  // Right-hand-side evaluations made by this engine.
  long long rightHandSideEvaluations() const { return evaluations; }

  // Energy of a spectrum of magnitudes on the bins 0 .. fmax: the sum of the
  // squared magnitudes times df (in the run's frequency unit).
  double spectralEnergy(const std::vector<double> &magnitude) const;
  // Bins [first, end) whose frequency lies inside the conversion-efficiency band.
  std::size_t bandFirstBin() const { return bandFirst; }
  std::size_t bandEndBin() const { return bandEnd; }

private:
  static int rightHandSide(double z, const double y[], double dydz[], void *params);

  void buildInputField();
  void buildInitialSpectrum();
  bool buildOperatorAndIntegrator();
  void magnitudesOfHalfComplex(const double *x);
  void addLoadWarnings();
  // Group-velocity dispersion d^2k/dw^2 (s^2/m) at bin p of the display grid.
  double dispersionAt(int p) const;
  // Index of the largest input-spectrum magnitude (the first maximum wins).
  int spectralPeak() const;
  double highestSignificantFrequency() const;
  // Refractive index of the medium at the given non-negative frequencies.
  std::vector<Complex> mediumIndex(const std::vector<double> &frequencies) const;
  std::vector<Complex> generalIndex(const std::vector<double> &physical) const;
  double computeReferenceVelocity() const;
  // Real part of the medium's index at display bin k (0 .. m-1).
  double realIndexAtBin(int k) const;
  void recordSpectrumAndField();
  void recordEnergies();
  double energyFromDb(const std::vector<double> &db) const;

  // Integration keys.
  const gsl_odeiv2_step_type *stepper = nullptr;
  bool fixedStep = false;
  double h = 0.0;
  double evolutionStep = 0.0;
  double tolerance = 0.0;
  bool relativeTolerance = false;
  double absoluteErrorBound = 0.0;  // handed to the step control
  double frequencyShiftHz = 0.0;
  bool useGeneral = false;
  int frequencyExponent = 0;
  int timeExponent = 0;
  QString frequencyAxisLabel;
  QString timeAxisLabelText;
  QString frequencyUnitText;  // unit words of the display axes
  QString timeUnitText;
  bool dumps = true;

  // Grid.
  int timePointCount = 0;
  int frequencyCountValue = 0;
  int stateDimension = 0;
  double dt = 0.0;
  double df = 0.0;
  double maxFrequency = 0.0;
  double timeWindow = 0.0;
  std::vector<double> timePoints;
  std::vector<double> inputField;
  std::vector<double> frequencies;       // display bins 0 .. fmax (both formulations)
  std::vector<double> binFrequencies;    // general formulation: physical frequency of every bin
  int pulseCount = 0;
  QStringList pulseDescriptions;         // one line per pulse, for the set-up summary

  // Propagation state.
  double *state = nullptr;
  double z = 0.0;
  int lastStatus = 0;
  int failedSteps = 0;
  std::vector<double> positions;             // metres
  std::vector<double> positionsInLengthUnit; // the run's length unit
  double referenceVelocity = 0.0;
  std::vector<Complex> refractiveIndex;
  std::unique_ptr<UppeParams> theOperator;
  long long evaluations = 0;

  // Medium.
  MediumType mediumType = NoMedium;
  bool lossy = true;
  QStringList parameterTokens;
  std::vector<double> parameterValues;
  double kerrCoefficient = 0.0;
  double ramanTau1 = 1.0;
  double ramanTau2 = 1.0;
  double instantaneousWeight = 1.0;
  int mediumGroupVelocity = 0;
  double lorentzEpsInfinity = 0.0, lorentzEpsStatic = 0.0, lorentzDamping = 0.0,
         lorentzResonance = 0.0;
  Complex constantIndex, stepLow, stepHigh;
  double stepFrequency = 0.0;
  double taylorReference = 0.0;
  std::vector<double> taylorCoefficients;
  materials::Dispersion dispersion; // real materials
  double length = 0.0;
  double lengthScaleValue = 1.0;

  // Transforms and integrator.
  fftw_plan forwardPlan = nullptr;
  fftw_plan inversePlan = nullptr;
  fftw_complex *transformBuffer = nullptr;
  fftw_complex *displayBuffer = nullptr;
  // General formulation: the shown spectrum is the R2HC transform of the
  // real time field, on its own buffer and plan.
  double *displaySpectrum = nullptr;
  fftw_plan displaySpectrumPlan = nullptr;
  std::vector<Complex> inverseShift;
  gsl_odeiv2_step *gslStep = nullptr;
  gsl_odeiv2_control *gslControl = nullptr;
  gsl_odeiv2_evolve *gslEvolve = nullptr;
  gsl_odeiv2_system system{};

  // Results for the user interface.
  std::vector<double> spectrumMagnitude;
  std::vector<double> initialSpectrumDb;
  std::vector<double> spectrumDb;
  std::vector<double> timeField;
  bool conversionEfficiency = false;
  double bandLow = 0.0;
  double bandHigh = 0.0;
  std::size_t bandFirst = 0, bandEnd = 0;
  std::vector<double> totalEnergy;
  std::vector<double> bandEnergy;
};
