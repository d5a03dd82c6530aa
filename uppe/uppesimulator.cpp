#include "uppe/uppesimulator.h"

#include "engine/loader.h"
#include "input/physicalconstants.h"
#include "input/units.h"
#include "pulses/pulses.h"
#include "uppe/envelopepropagator.h"
#include "uppe/pulseenvelope.h"
#include "uppe/dumpfiles.h"
#include "uppe/fftwwisdom.h"
#include "uppe/uppeconfigreader.h"
#include "uppe/uppeparams.h"

#include <QCoreApplication>

#include <gsl/gsl_errno.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int energyChunk = 1000;

} // namespace

UPPESimulator::UPPESimulator(const QStringList &lines, const QString &runName, const QString &folder)
    : Simulator(runName)
{
  if (checkLineForms(lines))
    return;
  UppeConfigReader reader(lines, folder, parseStatus);
  if (reader.readSections(config))
    return;
  sourceCount = int(config.pulses.size()); // no source objects: the pulses are sampled here
  // A keyword missing so far (a pulse block's "use", an action's "file")
  // fails the load; it stays the one reported.
  if (reader.readRunControl(config))
    return;
  setUpActions(config.actions);
  setUpTimingLogs(config.timingLogs);
  if (parseStatus.failed())
    return;
  if (reader.readMedium(config))
    return;

  loadFftwWisdom();
  setUpGrid();
  if (envelope) {
    fftw_set_timelimit(maximumPlanningSeconds);
    buildEnvelope();
    fftw_set_timelimit(FFTW_NO_TIMELIMIT);
    prepareRecords();
    prepareEvolution();
    recordPlane();
    saveFftwWisdom();
    addLoadWarnings();
    markConstructed();
    return;
  }
  buildInputField();
  fftw_set_timelimit(maximumPlanningSeconds);
  buildInitialSpectrum();
  const bool covered = sampleMaterial();
  if (covered)
    buildOperator();
  fftw_set_timelimit(FFTW_NO_TIMELIMIT);
  if (!covered)
    return;
  buildIntegrator();
  prepareRecords();
  prepareEvolution();
  recordPlane();
  saveFftwWisdom();
  addLoadWarnings();
  warnAboutRunTime();
  markConstructed();
}

UPPESimulator::~UPPESimulator() = default;

void UPPESimulator::setUpGrid()
{
  const IntegrationSettings &settings = config.integration;
  static const gsl_odeiv2_step_type *const steppers[] = {
      gsl_odeiv2_step_rkf45, gsl_odeiv2_step_rkck, gsl_odeiv2_step_rk8pd};
  stepper = steppers[settings.stepper];
  h = settings.initialStep;
  evolutionStep = settings.evolutionStep;
  frequencyShiftHz = settings.frequencyShift;
  useGeneral = settings.general;
  dumps = settings.dumps;
  envelope = settings.envelope;
  if (envelope)
    dumps = false; // the envelope model has no right-hand-side dumps
  length = config.medium.length;
  lengthUnit = config.medium.lengthUnit;

  timePointCount = config.window.points;
  timeWindow = config.window.duration;
  frequencyCountValue = timePointCount / 2 + 1;
  dt = timeWindow / double(timePointCount - 1);
  maxFrequency = double(timePointCount / 2) / (double(timePointCount) * dt);
  df = maxFrequency / double(timePointCount / 2);
  stateDimension = useGeneral ? 2 * timePointCount : timePointCount;
  timeField.assign(std::size_t(timePointCount), 0.0);

  // Display grid: the non-negative bins 0 .. fmax of the real field. In the
  // general formulation every bin k (FFT order) holds the physical frequency
  // g_k - fs.
  const int m = frequencyCountValue;
  frequencies.resize(std::size_t(m));
  for (int k = 0; k < m; ++k)
    frequencies[std::size_t(k)] = k == m - 1 ? maxFrequency : maxFrequency * double(k) / double(m - 1);
  if (envelope) {
    // Envelope window: every bin is the reference frequency plus its offset,
    // shown in ascending order.
    const int n = timePointCount;
    const double f0 = config.medium.fibre.frequency;
    frequencyCountValue = n;
    frequencies.resize(std::size_t(n));
    displayOrder.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) {
      const int k = (i + (n + 1) / 2) % n;
      displayOrder[std::size_t(i)] = k;
      frequencies[std::size_t(i)] = f0 + double(k <= (n - 1) / 2 ? k : k - n) * df;
    }
  }
  if (useGeneral) {
    const int n = timePointCount;
    binFrequencies.resize(std::size_t(n));
    for (int k = 0; k < n; ++k) {
      const double g = k < m ? frequencies[std::size_t(k)] : -double(n - k) * df;
      binFrequencies[std::size_t(k)] = g - frequencyShiftHz;
    }
  }
}

void UPPESimulator::fillTimePoints()
{
  const int n = timePointCount;
  timePoints.resize(std::size_t(n));
  for (int j = 0; j < n; ++j)
    timePoints[std::size_t(j)] = j == n - 1 ? timeWindow : double(j) * timeWindow / double(n - 1);
}

void UPPESimulator::buildInputField()
{
  // Every pulse is sampled on the common window at its own centre (T/2 + delay).
  const int n = timePointCount;
  const bool fibre = config.medium.type == Fibre;
  inputField.assign(std::size_t(n), 0.0);
  fillTimePoints();
  for (const PulseDescription &p : config.pulses) {
    if (p.envelopeForm) {
      const std::vector<double> e = pulseRealField(p, timePoints, fibre);
      for (int j = 0; j < n; ++j)
        inputField[std::size_t(j)] += e[std::size_t(j)];
      continue;
    }
    const pulses::Gaussian gauss(p.amplitude, p.carrier, p.width, p.centreTime);
    const pulses::HyperbolicSecant sech(p.amplitude, p.carrier, p.width, p.centreTime,
                                        p.shape == PulseDescription::Sech ? 1 : 2);
    for (int j = 0; j < n; ++j) {
      const double t = timePoints[std::size_t(j)];
      inputField[std::size_t(j)] += p.shape == PulseDescription::Gauss ? gauss(t) : sech(t);
    }
  }
}

void UPPESimulator::magnitudesOfHalfComplex(const double *x)
{
  const int n = timePointCount;
  spectrumMagnitude[0] = std::fabs(x[0]);
  for (int k = 1; k <= (n - 1) / 2; ++k)
    spectrumMagnitude[std::size_t(k)] = std::sqrt(x[k] * x[k] + x[n - k] * x[n - k]);
  if (n % 2 == 0)
    spectrumMagnitude[std::size_t(n / 2)] = std::fabs(x[n / 2]);
}

void UPPESimulator::buildInitialSpectrum()
{
  spectrumMagnitude.assign(std::size_t(frequencyCountValue), 0.0);
  if (useGeneral)
    buildGeneralSpectrum();
  else
    buildRealSpectrum();
  initialSpectrumDb.resize(spectrumMagnitude.size());
  for (std::size_t k = 0; k < spectrumMagnitude.size(); ++k)
    initialSpectrumDb[k] = 20.0 * std::log10(spectrumMagnitude[k]);
}

void UPPESimulator::buildRealSpectrum()
{
  const int n = timePointCount;
  state = RealArray(n);
  forwardPlan = realPlan(n, state, FFTW_R2HC, FFTW_ESTIMATE);
  std::copy(inputField.begin(), inputField.end(), state.get());
  if (dumps)
    dumpArray("time_doamin_signal", state, n, 0);
  forwardPlan.execute();
  magnitudesOfHalfComplex(state);
}

void UPPESimulator::buildGeneralSpectrum()
{
  const int n = timePointCount;
  transformBuffer = ComplexArray(n);
  forwardPlan = complexPlan(n, transformBuffer, FFTW_FORWARD, FFTW_ESTIMATE);
  inverseShift.resize(std::size_t(n));
  for (int j = 0; j < n; ++j) {
    const double phase = physconst::twoPi * frequencyShiftHz * timePoints[std::size_t(j)];
    transformBuffer[j][0] = inputField[std::size_t(j)] * std::cos(phase);
    transformBuffer[j][1] = inputField[std::size_t(j)] * std::sin(phase);
    inverseShift[std::size_t(j)] = Complex(std::cos(phase), -std::sin(phase));
  }
  forwardPlan.execute();
  state = RealArray(2 * n);
  for (int j = 0; j < n; ++j) {
    state[j] = transformBuffer[j][0];
    state[n + j] = transformBuffer[j][1];
  }
  displayBuffer = ComplexArray(n);
  // The shown spectrum is that of the real field, as in the real
  // formulation (planned before the buffer receives data).
  displaySpectrum = RealArray(n);
  displaySpectrumPlan = realPlan(n, displaySpectrum, FFTW_R2HC, uppePlannerFlags());
  std::copy(inputField.begin(), inputField.end(), displaySpectrum.get());
  displaySpectrumPlan.execute();
  magnitudesOfHalfComplex(displaySpectrum);
}

void UPPESimulator::buildOperator()
{
  const int n = timePointCount;
  KerrRaman nl = config.medium.nonlinear;
  if (config.medium.type == Fibre) {
    // The field is in sqrt(W): E^3 holds 3/2 |A|^2 A at the carrier and the
    // delayed term |A|^2 A, so the weight a and the coupling gamma' give
    // (1 - fR) gamma and fR gamma (set in setGuidedOperators).
    const FibreParameters &f = config.medium.fibre;
    nl = {1.0, f.tau1, f.tau2, (1.0 - f.ramanFraction) / (1.0 + 0.5 * f.ramanFraction)};
  }
  referenceVelocity = computeReferenceVelocity();
  if (!useGeneral)
    theOperator = std::make_unique<UppeParams>(n, frequencies, refractiveIndex, dt, referenceVelocity,
                                               nl.tau1, nl.tau2, nl.instantaneous, nl.n2, z,
                                               timeWindow, dumps);
  else
    theOperator = std::make_unique<UppeParamsGeneralTransforms>(
        n, binFrequencies, refractiveIndex, dt, referenceVelocity, nl.tau1, nl.tau2,
        nl.instantaneous, nl.n2, z, frequencyShiftHz, timeWindow, dumps);
  theOperator->createPlans();
  if (config.medium.type == Fibre)
    setGuidedOperators();
  theOperator->setState(state);
  // Patient planning overwrites its arrays: the state has been handed over.
  if (!useGeneral)
    inversePlan = realPlan(n, state, FFTW_HC2R, uppePlannerFlags());
  else
    inversePlan = complexPlan(n, displayBuffer, FFTW_BACKWARD, uppePlannerFlags());
}

void UPPESimulator::buildIntegrator()
{
  // A relative tolerance scales with the largest initial spectral magnitude,
  // so that the same number means the same accuracy for any amplitude and
  // point count (an all-zero spectrum keeps the number itself).
  const double tolerance = config.integration.tolerance;
  absoluteErrorBound = tolerance;
  if (config.integration.relativeTolerance) {
    const double largest = *std::max_element(spectrumMagnitude.begin(), spectrumMagnitude.end());
    if (largest > 0.0)
      absoluteErrorBound = tolerance * largest;
  }
  const std::size_t d = std::size_t(stateDimension);
  gslStep.reset(gsl_odeiv2_step_alloc(stepper, d));
  gslControl.reset(gsl_odeiv2_control_y_new(absoluteErrorBound, 0.0));
  gslEvolve.reset(gsl_odeiv2_evolve_alloc(d));
  system.function = &UPPESimulator::rightHandSide;
  system.jacobian = nullptr;
  system.dimension = d;
  system.params = this;
}

void UPPESimulator::prepareRecords()
{
  if (!envelope)
    spectrumDb.assign(std::size_t(frequencyCountValue), 0.0);
  referenceEnergy = energyFromDb(initialSpectrumDb);
  // Conversion-efficiency band: exactly the bins whose frequency lies inside
  // bandLow .. bandHigh (THz), ends included.
  const double lo = config.postprocessing.bandLow * 1e12, hi = config.postprocessing.bandHigh * 1e12;
  bandFirst = std::size_t(std::lower_bound(frequencies.begin(), frequencies.end(), lo) - frequencies.begin());
  bandEnd = std::size_t(std::upper_bound(frequencies.begin(), frequencies.end(), hi) - frequencies.begin());
  bandEnd = std::max(bandEnd, bandFirst);
  totalEnergy.assign(energyChunk, 0.0);
  bandEnergy.assign(energyChunk, 0.0);
  positions.reserve(energyChunk);
  positionsInLengthUnit.reserve(energyChunk);
}

int UPPESimulator::rightHandSide(double z, const double y[], double dydz[], void *params)
{
  auto *engine = static_cast<UPPESimulator *>(params);
  UppeParams *op = engine->theOperator.get();
  const int d = op->stateDimension();
  const int index = advanceRightHandSideCounter();
  ++engine->evaluations;
  if (engine->dumps)
    dumpArray("Evector", y, d, index);
  op->setRhsState(y);
  op->propagateField(z);
  op->transformFieldInverse();
  op->computeNonlinearPolarisation();
  op->transformPolarisationForward();
  op->propagatePolarisation(-z);
  op->applyCoupling();
  const double *p = op->polarisationResult();
  if (engine->dumps)
    dumpArray("Pvector", p, d, index);
  for (int i = 0; i < d; ++i) {
    dydz[i] = p[i];
    if (!std::isfinite(p[i]))
      return GSL_EBADFUNC;
  }
  return GSL_SUCCESS;
}

void UPPESimulator::step()
{
  if (envelope) {
    envelopeStep();
    return;
  }
  if (!theOperator || finished)
    return;
  // The state is the physical field at the operator's reference position; a
  // replaced state invalidates the derivative the evolve object keeps.
  std::memcpy(state, theOperator->fieldState(), sizeof(double) * std::size_t(stateDimension));
  gsl_odeiv2_evolve_reset(gslEvolve.get());
  const double before = z;
  // The last step is limited to the rest of the medium, so that the run ends
  // exactly at its length (a remainder within 1e-6 of a step is taken with it).
  const double slack = 1e-6;
  bool last = length - z <= evolutionStep * (1.0 + slack);
  // Failures come back as status values instead of aborting the program.
  gsl_error_handler_t *previousHandler = gsl_set_error_handler_off();
  int status;
  double tried;
  if (config.integration.fixedStep) {
    tried = last ? length - z : evolutionStep;
    status = gsl_odeiv2_evolve_apply_fixed_step(gslEvolve.get(), gslControl.get(), gslStep.get(),
                                                &system, &z, tried, state);
  } else {
    const double target = last ? length : z + evolutionStep;
    tried = std::min(h, target - z);
    status = gsl_odeiv2_evolve_apply(gslEvolve.get(), gslControl.get(), gslStep.get(), &system,
                                     &z, target, &h, state);
    last = last && length - z <= slack * tried;
  }
  gsl_set_error_handler(previousHandler);
  if (handleFailedStep(status, before, tried))
    return;
  if (last)
    z = length;
  if (!(z > before)) {
    theOperator->resetWorkVectors(state);
    runFailure = QCoreApplication::translate(
                     "Lumora", "The integration stalled at z = %1 m: the step no longer "
                               "advances the position.")
                     .arg(z, 0, 'g', 8);
    finished = true;
    return;
  }
  advanceRecords();
}

bool UPPESimulator::handleFailedStep(int status, double before, double tried)
{
  if (status == GSL_SUCCESS) {
    failedSteps = 0;
    return false;
  }
  // A refused step is retried from where it began with half the length.
  z = before;
  theOperator->resetWorkVectors(state);
  (config.integration.fixedStep ? evolutionStep : h) = 0.5 * tried;
  if (++failedSteps >= maximumStepHalvings) {
    runFailure = QCoreApplication::translate(
                     "Lumora", "The integration failed at z = %1 m: the step was halved %2 "
                               "times in a row without being accepted (status %3). The "
                               "right-hand side is not finite or the tolerance cannot be met.")
                     .arg(z, 0, 'g', 8)
                     .arg(failedSteps)
                     .arg(status);
    finished = true;
  }
  return true;
}

void UPPESimulator::advanceRecords()
{
  // The operator now holds the physical field at the new z.
  theOperator->setState(state);
  theOperator->propagateField(z);
  theOperator->setReferencePosition(z);
  positions.push_back(z);
  positionsInLengthUnit.push_back(z / config.medium.lengthScale);
  recordSpectrumAndField();
  if (config.postprocessing.conversionEfficiency)
    recordEnergies();
  ++iteration;
  if (z >= length)
    finished = true;
  // The field model records the first accepted position at or past a plane.
  if (nextPlane < evolutionRecord.plannedPlanes &&
      (finished || z >= length * double(nextPlane) / double(evolutionRecord.plannedPlanes - 1)))
    recordPlane();
  checkBreakpoints();
}

void UPPESimulator::recordSpectrumAndField()
{
  const int n = timePointCount;
  const int m = frequencyCountValue;
  const double *field = theOperator->fieldState();
  const double len = double(n);
  if (!useGeneral) {
    std::memcpy(state, field, sizeof(double) * std::size_t(n));
    magnitudesOfHalfComplex(state);
    inversePlan.execute();
    for (int j = 0; j < n; ++j)
      timeField[std::size_t(j)] = state[j] / len;
  } else {
    for (int j = 0; j < n; ++j) {
      displayBuffer[j][0] = field[j];
      displayBuffer[j][1] = field[n + j];
    }
    inversePlan.execute();
    for (int j = 0; j < n; ++j) {
      const double re = displayBuffer[j][0] / len, im = displayBuffer[j][1] / len;
      const Complex &s = inverseShift[std::size_t(j)];
      timeField[std::size_t(j)] = re * s.real() - im * s.imag();
      displaySpectrum[j] = timeField[std::size_t(j)];
    }
    // The spectrum of the real field on 0 .. fmax, as in the real formulation.
    displaySpectrumPlan.execute();
    magnitudesOfHalfComplex(displaySpectrum);
  }
  for (int k = 0; k < m; ++k)
    spectrumDb[std::size_t(k)] = 20.0 * std::log10(spectrumMagnitude[std::size_t(k)]);
}

double UPPESimulator::spectralEnergy(const std::vector<double> &magnitude) const
{
  // Sum of |X_k|^2 df over the bins 0 .. fmax, df in the run's frequency unit.
  const std::size_t m = std::min<std::size_t>(std::size_t(frequencyCountValue), magnitude.size());
  double sum = 0.0;
  for (std::size_t k = 0; k < m; ++k)
    sum += magnitude[k] * magnitude[k];
  return sum * (df / powerOfTen(config.integration.frequencyExponent));
}

double UPPESimulator::energyFromDb(const std::vector<double> &db) const
{
  // p_k = 10^(0.1 dB_k) is the squared magnitude; the rule of spectralEnergy.
  const std::size_t m = std::min<std::size_t>(std::size_t(frequencyCountValue), db.size());
  double sum = 0.0;
  for (std::size_t k = 0; k < m; ++k)
    sum += std::pow(10.0, 0.1 * db[k]);
  return sum * (df / powerOfTen(config.integration.frequencyExponent));
}

void UPPESimulator::recordEnergies()
{
  const int i = iteration;
  if (i % energyChunk == 0) {
    totalEnergy.resize(totalEnergy.size() + energyChunk, 0.0);
    bandEnergy.resize(bandEnergy.size() + energyChunk, 0.0);
  }
  totalEnergy[std::size_t(i)] = spectralEnergy(spectrumMagnitude);
  double b = 0.0;
  for (std::size_t k = bandFirst; k < bandEnd; ++k)
    b += spectrumMagnitude[k] * spectrumMagnitude[k];
  bandEnergy[std::size_t(i)] = b * (df / powerOfTen(config.integration.frequencyExponent));
}

double UPPESimulator::timeStep() { return dt * powerOfTen(-config.window.timeExponent); }

std::vector<double> UPPESimulator::frequenciesDisplay() const
{
  std::vector<double> out(frequencies);
  const double scale = powerOfTen(-config.integration.frequencyExponent);
  for (double &f : out)
    f *= scale;
  return out;
}

std::vector<double> UPPESimulator::timePointsDisplay() const
{
  std::vector<double> out(timePoints);
  const double scale = powerOfTen(-config.window.timeExponent);
  for (double &t : out)
    t *= scale;
  return out;
}

// The signals and spectra at the input and the output always; the conversion
// efficiency when asked for; the evolution maps once a plane is recorded.
int UPPESimulator::resultCount(ResultKind kind) const
{
  switch (kind) {
  case ResultKind::TimeSignal:
  case ResultKind::FFTSpectrum:
  case ResultKind::InputSignal:
  case ResultKind::InputSpectrum:
    return 1;
  case ResultKind::ConversionEfficiency:
    return config.postprocessing.conversionEfficiency ? 1 : 0;
  case ResultKind::SpectralEvolution:
  case ResultKind::TemporalEvolution:
  case ResultKind::OutputSpectrogram:
    return evolutionRecord.rows() > 0 ? 1 : 0;
  default:
    return 0;
  }
}
