#pragma once
// Spectral propagation engine.
//
// The constructor reads the configuration into an UppeConfig (plain values
// with their lines, UppeConfigReader) and builds the grid, the input field
// (pulses sampled from the pulse library), the medium's index, the operator
// and the integrator from it. The state is the spectrum of the real electric field on a fixed time
// window. The linear part of the propagation equation (dispersion and loss in
// a frame moving with a reference group velocity) is applied exactly as a
// phase factor by the operator (UppeParams); the Kerr and delayed Raman
// polarisation is evaluated in time through FFTs. Each step() performs one
// accepted (or one rejected and halved) GSL integrator step in z.

#include "engine/evolutionrecord.h"
#include "engine/simulator.h"
#include "input/vocabulary.h"
#include "uppe/fftwarrays.h"
#include "uppe/refractiveindex.h"
#include "uppe/uppeconfig.h"

#include <gsl/gsl_odeiv2.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class UppeParams;
class EnvelopePropagator;

// Planning time allowed per patient FFTW plan (s); FFTW falls back to less
// exhaustive planning beyond it, which changes speed, not results.
constexpr double maximumPlanningSeconds = 30.0;
// Successive failed steps (each halving the step) before a run is given up.
constexpr int maximumStepHalvings = 60;

// GSL integrator objects, freed with their owner.
struct GslStepFree { void operator()(gsl_odeiv2_step *s) const { gsl_odeiv2_step_free(s); } };
struct GslControlFree { void operator()(gsl_odeiv2_control *c) const { gsl_odeiv2_control_free(c); } };
struct GslEvolveFree { void operator()(gsl_odeiv2_evolve *e) const { gsl_odeiv2_evolve_free(e); } };

class UPPESimulator : public Simulator
{
  Q_OBJECT

public:
  // folder: the configuration file's folder, where relative data-file names
  // are looked for first (then the working folder); empty: the working
  // folder only.
  UPPESimulator(const QStringList &lines, const QString &runName, const QString &folder = QString());
  ~UPPESimulator() override;
  UPPESimulator(const UPPESimulator &) = delete;
  UPPESimulator &operator=(const UPPESimulator &) = delete;

  // --- engine operations ------------------------------------------------------
  void step() override;
  double progress() override { return z; }
  double progressEnd() const override { return length; }
  double currentTime() override { return 0.0; }
  double probeSampleInterval(unsigned short) override { return 0.0; }
  double timeStep() override;
  QStringList probeNames() override { return QStringList(); }
  int resultCount(ResultKind kind) const override;
  QString engineName() const override { return QStringLiteral("UPPE"); }
  ProgressAxis progressAxis() const override { return ProgressAxis::Distance; }
  std::vector<double> &electricField() override
  {
    refreshDisplay();
    return timeField;
  }
  std::vector<double> &conversionCurveA() override { return totalEnergy; }
  std::vector<double> &conversionCurveB() override { return bandEnergy; }
  std::vector<double> &conversionPositions() override { return positionsInLengthUnit; }
  int pointCount() override { return timePointCount; }
  double pointSpacing() override { return dt; }
  double probeStartTime(unsigned short) override { return 0.0; }
  // No time probes: the time signal and the input signal are results of their own.
  int probeSampleCount(unsigned short) override { return 0; }
  std::vector<double> &probeSamples(unsigned short) override { return noSamples; }
  const std::vector<double> &inputSignal() const override { return inputField; }
  double lengthScale() override { return config.medium.lengthScale; }
  QString spectrumAxisLabel() override { return config.integration.frequencyAxisLabel; }
  QString timeAxisLabel(unsigned short) override { return config.window.timeAxisLabel; }

  // Window, grid, frame, medium lengths, planned steps, pulses and memory.
  QString setupSummary() const override;
  QStringList keywords() const override { return engineKeywords(QStringLiteral("UPPE")); }

  // --- spectral display data ----------------------------------------------------
  // Both formulations show the spectrum of the real field on the m bins
  // 0 .. fmax (k df), whatever the carrier shift of the general formulation.
  const std::vector<double> &spectrumDbVector() const override
  {
    refreshDisplay();
    return spectrumDb;
  }
  int frequencyCount() const override { return frequencyCountValue; }
  std::vector<double> frequenciesDisplay() const override;
  std::vector<double> initialSpectrumDbData() const override { return initialSpectrumDb; }
  std::vector<double> timePointsDisplay() const override;
  QString timeSignalTitle() const override;
  QString spectrumValueTitle() const override;
  const EvolutionRecord *evolution() const override { return &evolutionRecord; }

  // --- read access (plots, tests, benchmarks) ---------------------------------------
  // The configuration the engine was built from.
  const UppeConfig &configuration() const { return config; }
  double evolutionStepLength() const { return evolutionStep; }
  int getTimePointCount() const { return timePointCount; }
  int getStateDimension() const { return stateDimension; }
  double getTimeStep() const { return dt; }
  double getFrequencyStep() const { return df; }
  double getPosition() const { return z; }
  double getReferenceVelocity() const { return referenceVelocity; }
  const std::vector<double> &getFrequencies() const { return frequencies; }
  const std::vector<double> &getTimePoints() const { return timePoints; }
  const std::vector<double> &getInputField() const { return inputField; }
  const std::vector<double> &getTimeField() const
  {
    refreshDisplay();
    return timeField;
  }
  const std::vector<double> &getSpectrumMagnitude() const
  {
    refreshDisplay();
    return spectrumMagnitude;
  }
  // Envelope model (fibre): the propagator, the current envelope A(t) in
  // sqrt(W) and the input envelope (also kept for a fibre in the field model).
  bool envelopeModel() const { return envelope; }
  EnvelopePropagator *getEnvelopePropagator() const { return envelopePropagator.get(); }
  const std::vector<Complex> &getEnvelope() const
  {
    refreshDisplay();
    return envelopeTime;
  }
  const std::vector<Complex> &getInputEnvelope() const { return envelopeInput; } // envelope model
  const std::vector<double> &getPositions() const { return positions; }
  const std::vector<Complex> &getRefractiveIndex() const { return refractiveIndex; }
  const std::vector<double> &getTotalEnergy() const { return totalEnergy; }
  const std::vector<double> &getBandEnergy() const { return bandEnergy; }
  UppeParams *getOperator() const { return theOperator.get(); }
  const double *stateData() const { return state; }
  // One evaluation of the right-hand side at z for the state y (what the
  // integrator calls); returns the GSL status. For tests and benchmarks.
  int evaluateRightHandSide(double z, const double *y, double *dydz)
  {
    return rightHandSide(z, y, dydz, this);
  }
  // Wall time spent recording the evolution planes (s).
  double planeRecordingSeconds() const { return recordingSeconds; }
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

  // Adopts the first failure of the configuration reader.
  void setUpGrid();
  void fillTimePoints();
  void buildInputField();
  void buildEnvelope();
  void envelopeStep();
  // Envelope model: display data (time power, spectrum) from the propagator
  // when a step has made them stale.
  void refreshDisplay() const;
  void prepareEvolution();
  void recordPlane();
  void appendRow(const std::vector<double> &values, std::vector<double> &matrix, int stride, bool db) const;
  void setGuidedOperators();
  QString fibreLines() const;
  QStringList zeroDispersionWavelengths() const;
  double pulseT0(double &peak) const;
  void buildInitialSpectrum();
  void buildRealSpectrum();
  void buildGeneralSpectrum();
  // Samples a real material on the bins; false (load failed) when it covers none.
  bool sampleMaterial();
  void buildOperator();
  void buildIntegrator();
  void prepareRecords();
  bool handleFailedStep(int status, double before, double tried);
  void advanceRecords();
  void magnitudesOfHalfComplex(const double *x);
  void addLoadWarnings();
  // uppeduration.cpp: the band where the input spectrum reaches 1 % of its
  // peak; a data file that covers none of it (fails the load); the
  // dispersion and nonlinear lengths; one timed right-hand side; the warning
  // for runs estimated to take longer than ten minutes.
  void pulseBand(double &low, double &high) const;
  bool tableMissesThePulse();
  void scaleLengths(double &dispersion, double &nonlinear) const;
  double phaseLength() const;
  double timeOfRightHandSide();
  void warnAboutRunTime();
  QString dispersionAndNonlinearLines(int p, double carrier, Complex index) const;
  QString integrationLine() const;
  QString lengthText(double metres) const;
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

  UppeConfig config;
  const gsl_odeiv2_step_type *stepper = nullptr;
  double h = 0.0;                   // trial step (adaptive)
  double evolutionStep = 0.0;
  double absoluteErrorBound = 0.0;  // handed to the step control
  double frequencyShiftHz = 0.0;
  bool useGeneral = false;
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
  std::vector<double> noSamples;         // what probeSamples() returns
  std::vector<double> frequencies;       // display bins 0 .. fmax (both formulations)
  std::vector<double> binFrequencies;    // general formulation: physical frequency of every bin

  // Propagation state.
  RealArray state;
  double z = 0.0;
  double length = 0.0;
  int failedSteps = 0;
  std::vector<double> positions;             // metres
  std::vector<double> positionsInLengthUnit; // the run's length unit
  double referenceVelocity = 0.0;
  std::vector<Complex> refractiveIndex;
  std::unique_ptr<UppeParams> theOperator;
  long long evaluations = 0;

  // Transforms and integrator.
  FftwPlan forwardPlan;
  FftwPlan inversePlan;
  ComplexArray transformBuffer;
  ComplexArray displayBuffer;
  // General formulation: the shown spectrum is the R2HC transform of the
  // real time field, on its own buffer and plan.
  RealArray displaySpectrum;
  FftwPlan displaySpectrumPlan;
  std::vector<Complex> inverseShift;
  std::unique_ptr<gsl_odeiv2_step, GslStepFree> gslStep;
  std::unique_ptr<gsl_odeiv2_control, GslControlFree> gslControl;
  std::unique_ptr<gsl_odeiv2_evolve, GslEvolveFree> gslEvolve;
  gsl_odeiv2_system system{};

  // Envelope model.
  bool envelope = false;
  std::unique_ptr<EnvelopePropagator> envelopePropagator;
  std::vector<int> displayOrder;          // display bin (ascending frequency) -> FFT bin
  mutable std::vector<Complex> envelopeTime;
  std::vector<Complex> envelopeInput;
  mutable bool displayStale = false;

  // Evolution records.
  EvolutionRecord evolutionRecord;
  int nextPlane = 0;
  int spectralStride = 1, temporalStride = 1;
  std::vector<double> planePower;         // work row of recordPlane
  double recordingSeconds = 0.0;
  ComplexArray analyticBuffer;            // field model: power from the analytic signal
  FftwPlan analyticForward, analyticBackward;

  // Results for the user interface.
  mutable std::vector<double> spectrumMagnitude;
  std::vector<double> initialSpectrumDb;
  mutable std::vector<double> spectrumDb;
  mutable std::vector<double> timeField;
  std::size_t bandFirst = 0, bandEnd = 0;
  std::vector<double> totalEnergy;
  std::vector<double> bandEnergy;
};
