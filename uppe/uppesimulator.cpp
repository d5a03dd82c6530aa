#include "uppe/uppesimulator.h"

#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "input/keywords.h"
#include "input/lookups.h"
#include "input/units.h"
#include "uppe/dumpfiles.h"
#include "uppe/fftwarrays.h"
#include "uppe/fftwwisdom.h"
#include "uppe/uppeparams.h"

#include <QCoreApplication>

#include <gsl/gsl_errno.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double speedOfLight = 299792458.0;
constexpr double twoPi = 6.283185307179586;
constexpr int energyChunk = 1000;

} // namespace

UPPESimulator::UPPESimulator(const QStringList &lines, const QString &runName)
    : Simulator(runName)
{
  if (parseDumpSwitch(lines))
    return;
  if (parseIntegrationKeys(lines))
    return;
  if (parsePulseBlocks(lines))
    return;
  if (parsePostprocessingBlocks(lines))
    return;
  if (parseActions(lines))
    return;
  if (parseTimingLog(lines))
    return;

  loadFftwWisdom();
  buildInputField();
  timeField.assign(std::size_t(timePointCount), 0.0);

  // Display grid: the non-negative bins 0 .. fmax of the real field. In the
  // general formulation every bin k (FFT order) holds the physical frequency
  // g_k - fs.
  const int m = frequencyCountValue;
  frequencies.resize(std::size_t(m));
  for (int k = 0; k < m; ++k)
    frequencies[std::size_t(k)] = k == m - 1 ? maxFrequency : maxFrequency * double(k) / double(m - 1);
  if (useGeneral) {
    const int n = timePointCount;
    binFrequencies.resize(std::size_t(n));
    for (int k = 0; k < n; ++k) {
      const double g = k < m ? frequencies[std::size_t(k)] : -double(n - k) * df;
      binFrequencies[std::size_t(k)] = g - frequencyShiftHz;
    }
  }
  fftw_set_timelimit(maximumPlanningSeconds);
  buildInitialSpectrum();

  if (parseMedium(lines)) {
    fftw_set_timelimit(FFTW_NO_TIMELIMIT);
    return;
  }

  buildOperatorAndIntegrator();
  fftw_set_timelimit(FFTW_NO_TIMELIMIT);
  saveFftwWisdom();
  addLoadWarnings();
  markConstructed();
}

UPPESimulator::~UPPESimulator()
{
  if (gslEvolve)
    gsl_odeiv2_evolve_free(gslEvolve);
  if (gslControl)
    gsl_odeiv2_control_free(gslControl);
  if (gslStep)
    gsl_odeiv2_step_free(gslStep);
  theOperator.reset();
  if (forwardPlan)
    fftw_destroy_plan(forwardPlan);
  if (inversePlan)
    fftw_destroy_plan(inversePlan);
  if (displaySpectrumPlan)
    fftw_destroy_plan(displaySpectrumPlan);
  fftw_free(displaySpectrum);
  fftw_free(state);
  fftw_free(transformBuffer);
  fftw_free(displayBuffer);
  qDeleteAll(sources);
  sources.clear();
  sourceCount = 0;
}

void UPPESimulator::buildInputField()
{
  // Every pulse is sampled on the common window at its own centre (T/2 + delay).
  const int n = timePointCount;
  inputField.assign(std::size_t(n), 0.0);
  timePoints.resize(std::size_t(n));
  for (int j = 0; j < n; ++j)
    timePoints[std::size_t(j)] = j == n - 1 ? timeWindow : double(j) * timeWindow / double(n - 1);
  for (Source<int, double> *source : qAsConst(sources))
    if (auto *pulse = dynamic_cast<CarrierWaveSource<int, double> *>(source))
      for (int j = 0; j < n; ++j)
        inputField[std::size_t(j)] += pulse->waveform(timePoints[std::size_t(j)]);
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
  const int n = timePointCount;
  const int m = frequencyCountValue;
  spectrumMagnitude.assign(std::size_t(m), 0.0);
  if (!useGeneral) {
    state = allocateReal(n);
    forwardPlan = fftw_plan_r2r_1d(n, state, state, FFTW_R2HC, FFTW_ESTIMATE);
    std::copy(inputField.begin(), inputField.end(), state);
    if (dumps)
      dumpArray("time_doamin_signal", state, n, 0);
    fftw_execute(forwardPlan);
    magnitudesOfHalfComplex(state);
  } else {
    transformBuffer = allocateComplex(n);
    forwardPlan = fftw_plan_dft_1d(n, transformBuffer, transformBuffer, FFTW_FORWARD, FFTW_ESTIMATE);
    for (int j = 0; j < n; ++j) {
      const double phase = twoPi * frequencyShiftHz * timePoints[std::size_t(j)];
      transformBuffer[j][0] = inputField[std::size_t(j)] * std::cos(phase);
      transformBuffer[j][1] = inputField[std::size_t(j)] * std::sin(phase);
    }
    fftw_execute(forwardPlan);
    state = allocateReal(2 * n);
    for (int j = 0; j < n; ++j) {
      state[j] = transformBuffer[j][0];
      state[n + j] = transformBuffer[j][1];
    }
    displayBuffer = allocateComplex(n);
    inverseShift.resize(std::size_t(n));
    for (int j = 0; j < n; ++j) {
      const double phase = twoPi * frequencyShiftHz * timePoints[std::size_t(j)];
      inverseShift[std::size_t(j)] = Complex(std::cos(phase), -std::sin(phase));
    }
    // The shown spectrum is that of the real field, as in the real
    // formulation (planned before the buffer receives data).
    displaySpectrum = allocateReal(n);
    displaySpectrumPlan =
        fftw_plan_r2r_1d(n, displaySpectrum, displaySpectrum, FFTW_R2HC, uppePlannerFlags());
    std::copy(inputField.begin(), inputField.end(), displaySpectrum);
    fftw_execute(displaySpectrumPlan);
    magnitudesOfHalfComplex(displaySpectrum);
  }
  initialSpectrumDb.resize(spectrumMagnitude.size());
  for (std::size_t k = 0; k < spectrumMagnitude.size(); ++k)
    initialSpectrumDb[k] = 20.0 * std::log10(spectrumMagnitude[k]);
}

std::vector<Complex> UPPESimulator::mediumIndex(const std::vector<double> &f) const
{
  switch (mediumType) {
  case Lor1:
  case Lor1Ker1: {
    std::vector<Complex> index(f.size());
    lorentzRefractiveIndex(1, index, f, {1.0}, {lorentzResonance}, {lorentzDamping},
                           lorentzEpsStatic, lorentzEpsInfinity, lossy);
    return index;
  }
  case ConstNKer1:
    return std::vector<Complex>(f.size(), constantIndex);
  case StepNKer1:
    // On the bins 0 .. fmax the step lies at K = floor(fs / df); the general
    // formulation keeps the low index everywhere.
    if (useGeneral)
      return std::vector<Complex>(f.size(), stepLow);
    return stepRefractiveIndex(int(f.size()), stepFrequency, df, stepLow, stepHigh);
  case TaylorSeriesDispersive:
    return taylorRefractiveIndex(f, taylorReference, taylorCoefficients);
  case Sellmeier:
  case SellmeierKer1:
  case Material:
  case MaterialKer1:
  case Tabulated:
  case TabulatedKer1: {
    std::vector<Complex> index = dispersion.sample(f).index;
    if (!lossy)
      for (Complex &v : index)
        v.imag(0.0);
    return index;
  }
  case NoMedium:
    break;
  }
  return std::vector<Complex>(f.size(), Complex(0.0, 0.0));
}

std::vector<Complex> UPPESimulator::generalIndex(const std::vector<double> &physical) const
{
  // n(-f) = conj n(f): the field in time is real, and a lossy medium damps
  // negative frequencies as it damps positive ones.
  std::vector<double> magnitude(physical.size());
  for (std::size_t k = 0; k < physical.size(); ++k)
    magnitude[k] = std::fabs(physical[k]);
  std::vector<Complex> index = mediumIndex(magnitude);
  for (std::size_t k = 0; k < physical.size(); ++k)
    if (physical[k] < 0.0)
      index[k] = std::conj(index[k]);
  return index;
}

int UPPESimulator::spectralPeak() const
{
  // Largest input-spectrum magnitude on 0 .. fmax (the first maximum wins; an
  // all-zero spectrum gives bin 0).
  int p = 0;
  double largest = -std::numeric_limits<double>::infinity();
  for (int k = 0; k < frequencyCountValue; ++k)
    if (initialSpectrumDb[std::size_t(k)] > largest) {
      largest = initialSpectrumDb[std::size_t(k)];
      p = k;
    }
  return p;
}

double UPPESimulator::realIndexAtBin(int k) const
{
  if (!useGeneral)
    return refractiveIndex[std::size_t(k)].real();
  return mediumIndex({frequencies[std::size_t(k)]})[0].real();
}

double UPPESimulator::computeReferenceVelocity() const
{
  if (mediumType == TaylorSeriesDispersive)
    return double(mediumGroupVelocity);
  // n_g = n + f dn/df at the spectral peak p, by central differences;
  // one-sided at the last bin (at bin 0 the derivative term vanishes with f).
  const int m = frequencyCountValue;
  const int p = spectralPeak();
  double slope = 0.0;
  if (p > 0 && p < m - 1)
    slope = (realIndexAtBin(p + 1) - realIndexAtBin(p - 1)) * 0.5;
  else if (p == m - 1 && p > 0)
    slope = realIndexAtBin(p) - realIndexAtBin(p - 1);
  const double groupIndex = realIndexAtBin(p) + double(p) * slope;
  // A medium without a usable group index at the peak (for example an
  // evanescent band) is followed in a frame moving with c.
  if (!(groupIndex > 0.0) || !std::isfinite(groupIndex))
    return speedOfLight;
  return speedOfLight / groupIndex;
}

bool UPPESimulator::buildOperatorAndIntegrator()
{
  const int n = timePointCount;
  referenceVelocity = computeReferenceVelocity();
  if (!useGeneral) {
    theOperator = std::make_unique<UppeParams>(n, frequencies, refractiveIndex, dt,
                                               referenceVelocity, ramanTau1, ramanTau2,
                                               instantaneousWeight, kerrCoefficient, z,
                                               timeWindow, dumps);
  } else {
    theOperator = std::make_unique<UppeParamsGeneralTransforms>(
        n, binFrequencies, refractiveIndex, dt, referenceVelocity, ramanTau1, ramanTau2,
        instantaneousWeight, kerrCoefficient, z, frequencyShiftHz, timeWindow, dumps);
  }
  theOperator->createPlans();
  theOperator->setState(state);
  // Patient planning overwrites its arrays: the state has been handed over.
  if (!useGeneral)
    inversePlan = fftw_plan_r2r_1d(n, state, state, FFTW_HC2R, uppePlannerFlags());
  else
    inversePlan = fftw_plan_dft_1d(n, displayBuffer, displayBuffer, FFTW_BACKWARD, uppePlannerFlags());

  // A relative tolerance scales with the largest initial spectral magnitude,
  // so that the same number means the same accuracy for any amplitude and
  // point count (an all-zero spectrum keeps the number itself).
  absoluteErrorBound = tolerance;
  if (relativeTolerance) {
    const double largest = *std::max_element(spectrumMagnitude.begin(), spectrumMagnitude.end());
    if (largest > 0.0)
      absoluteErrorBound = tolerance * largest;
  }
  gslStep = gsl_odeiv2_step_alloc(stepper, std::size_t(stateDimension));
  gslControl = gsl_odeiv2_control_y_new(absoluteErrorBound, 0.0);
  gslEvolve = gsl_odeiv2_evolve_alloc(std::size_t(stateDimension));
  system.function = &UPPESimulator::rightHandSide;
  system.jacobian = nullptr;
  system.dimension = std::size_t(stateDimension);
  system.params = this;

  spectrumDb.assign(std::size_t(frequencyCountValue), 0.0);
  referenceEnergy = energyFromDb(initialSpectrumDb);
  // Conversion-efficiency band: exactly the bins whose frequency lies inside
  // bandLow .. bandHigh (THz), ends included.
  const double lo = bandLow * 1e12, hi = bandHigh * 1e12;
  bandFirst = std::size_t(std::lower_bound(frequencies.begin(), frequencies.end(), lo) - frequencies.begin());
  bandEnd = std::size_t(std::upper_bound(frequencies.begin(), frequencies.end(), hi) - frequencies.begin());
  bandEnd = std::max(bandEnd, bandFirst);
  totalEnergy.assign(energyChunk, 0.0);
  bandEnergy.assign(energyChunk, 0.0);
  positions.reserve(energyChunk);
  positionsInLengthUnit.reserve(energyChunk);
  return true;
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
  if (!theOperator || finished)
    return;
  const int d = stateDimension;
  // The state is the physical field at the operator's reference position; a
  // replaced state invalidates the derivative the evolve object keeps.
  std::memcpy(state, theOperator->fieldState(), sizeof(double) * std::size_t(d));
  gsl_odeiv2_evolve_reset(gslEvolve);
  const double before = z;
  const double remaining = length - z;
  // The last step is limited to the rest of the medium, so that the run ends
  // exactly at its length (a remainder within 1e-6 of a step is taken with it).
  const double slack = 1e-6;
  // Failures come back as status values instead of aborting the program.
  gsl_error_handler_t *previousHandler = gsl_set_error_handler_off();
  int status;
  double tried;
  bool last;
  if (fixedStep) {
    last = remaining <= evolutionStep * (1.0 + slack);
    tried = last ? remaining : evolutionStep;
    status = gsl_odeiv2_evolve_apply_fixed_step(gslEvolve, gslControl, gslStep, &system, &z,
                                                tried, state);
  } else {
    last = remaining <= evolutionStep * (1.0 + slack);
    const double target = last ? length : z + evolutionStep;
    tried = std::min(h, target - z);
    status = gsl_odeiv2_evolve_apply(gslEvolve, gslControl, gslStep, &system, &z, target, &h,
                                     state);
    last = last && length - z <= slack * tried;
  }
  gsl_set_error_handler(previousHandler);
  lastStatus = status;

  if (status != GSL_SUCCESS) {
    z = before;
    theOperator->resetWorkVectors(state);
    if (fixedStep)
      evolutionStep = 0.5 * tried;
    else
      h = 0.5 * tried;
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
    return;
  }
  failedSteps = 0;
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

  // The operator now holds the physical field at the new z.
  theOperator->setState(state);
  theOperator->propagateField(z);
  theOperator->setReferencePosition(z);
  positions.push_back(z);
  positionsInLengthUnit.push_back(z / lengthScaleValue);

  recordSpectrumAndField();
  if (conversionEfficiency)
    recordEnergies();

  ++iteration;
  if (z >= length)
    finished = true;
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
    fftw_execute(inversePlan);
    for (int j = 0; j < n; ++j)
      timeField[std::size_t(j)] = state[j] / len;
  } else {
    for (int j = 0; j < n; ++j) {
      displayBuffer[j][0] = field[j];
      displayBuffer[j][1] = field[n + j];
    }
    fftw_execute(inversePlan);
    for (int j = 0; j < n; ++j) {
      const double re = displayBuffer[j][0] / len, im = displayBuffer[j][1] / len;
      const Complex &s = inverseShift[std::size_t(j)];
      timeField[std::size_t(j)] = re * s.real() - im * s.imag();
      displaySpectrum[j] = timeField[std::size_t(j)];
    }
    // The spectrum of the real field on 0 .. fmax, as in the real formulation.
    fftw_execute(displaySpectrumPlan);
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
  return sum * (df / powerOfTen(frequencyExponent));
}

double UPPESimulator::energyFromDb(const std::vector<double> &db) const
{
  // p_k = 10^(0.1 dB_k) is the squared magnitude; the rule of spectralEnergy.
  const std::size_t m = std::min<std::size_t>(std::size_t(frequencyCountValue), db.size());
  double sum = 0.0;
  for (std::size_t k = 0; k < m; ++k)
    sum += std::pow(10.0, 0.1 * db[k]);
  return sum * (df / powerOfTen(frequencyExponent));
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
  bandEnergy[std::size_t(i)] = b * (df / powerOfTen(frequencyExponent));
}

void UPPESimulator::integrateSpectrum() { referenceEnergy = energyFromDb(initialSpectrumDb); }

double UPPESimulator::timeStep() { return dt * powerOfTen(-timeExponent); }

double UPPESimulator::frequencyStepDisplay() const { return df / powerOfTen(frequencyExponent); }

std::vector<double> UPPESimulator::frequenciesDisplay() const
{
  std::vector<double> out(frequencies);
  const double scale = powerOfTen(-frequencyExponent);
  for (double &f : out)
    f *= scale;
  return out;
}

std::vector<double> UPPESimulator::timePointsDisplay() const
{
  std::vector<double> out(timePoints);
  const double scale = powerOfTen(-timeExponent);
  for (double &t : out)
    t *= scale;
  return out;
}
