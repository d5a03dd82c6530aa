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

namespace {

constexpr double speedOfLight = 299792458.0;
constexpr double twoPi = 6.283185307179586;
constexpr int energyChunk = 1000;

// Places a pulse's envelope centre at t (s).
void setPulseCentre(Source<int, double> *source, double t)
{
  if (auto *g = dynamic_cast<HardGaussianSource<int, double> *>(source))
    g->setCentreTime(t);
  else if (auto *s = dynamic_cast<HardHyperbolicSecantSource<int, double> *>(source))
    s->setCentreTime(t);
}

double pulseCentre(Source<int, double> *source)
{
  if (auto *g = dynamic_cast<HardGaussianSource<int, double> *>(source))
    return g->envelopeCentreTime();
  if (auto *s = dynamic_cast<HardHyperbolicSecantSource<int, double> *>(source))
    return s->envelopeCentreTime();
  return 0.0;
}

} // namespace

UPPESimulator::UPPESimulator(const QStringList &lines, const QString &runName)
    : Simulator(runName)
{
  // A line with the value 0 and the keyword "dump" switches the diagnostic
  // files off for this run; any other value, or no such line, keeps them.
  const int dumpLine = findLineFrom(lines, keyword(Kw::dump), 0);
  if (dumpLine >= 0) {
    bool ok = false;
    const double v = lineValue(lines.at(dumpLine)).toDouble(&ok);
    if (ok && v == 0.0)
      dumps = false;
  }

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
  buildInitialSpectrum();

  // Frequency grid: the non-negative bins 0 .. fmax; in the general
  // formulation every bin k (FFT order) holds the physical frequency g_k - fs.
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

  if (parseMedium(lines))
    return;
  if (useGeneral)
    frequencies = binFrequencies;

  fftw_set_timelimit(maximumPlanningSeconds);
  buildOperatorAndIntegrator();
  fftw_set_timelimit(FFTW_NO_TIMELIMIT);
  saveFftwWisdom();
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
  fftw_free(state);
  fftw_free(transformBuffer);
  fftw_free(displayBuffer);
  qDeleteAll(sources);
  sources.clear();
  sourceCount = 0;
}

bool UPPESimulator::buildInputField()
{
  const int n = timePointCount;
  inputField.assign(std::size_t(n), 0.0);
  timePoints.resize(std::size_t(n));
  for (int j = 0; j < n; ++j)
    timePoints[std::size_t(j)] = j == n - 1 ? timeWindow : double(j) * timeWindow / double(n - 1);
  if (sources.isEmpty())
    return false;
  // Every pulse is centred where the last one is.
  centreTime = float(pulseCentre(sources.last()));
  for (Source<int, double> *source : qAsConst(sources)) {
    auto *pulse = dynamic_cast<CarrierWaveSource<int, double> *>(source);
    if (!pulse)
      continue;
    setPulseCentre(source, double(centreTime));
    const double window = pulse->samplingWindow;
    for (int j = 0; j < n; ++j)
      inputField[std::size_t(j)] += pulse->waveform(double(j) * window / double(n - 1));
  }
  return true;
}

void UPPESimulator::buildInitialSpectrum()
{
  const int n = timePointCount;
  const int m = frequencyCountValue;
  if (!useGeneral) {
    state = allocateReal(n);
    forwardPlan = fftw_plan_r2r_1d(n, state, state, FFTW_R2HC, FFTW_ESTIMATE);
    std::copy(inputField.begin(), inputField.end(), state);
    if (dumps)
      dumpArray("time_doamin_signal", state, n, 0);
    fftw_execute(forwardPlan);
    spectrumMagnitude.assign(std::size_t(m), 0.0);
    spectrumMagnitude[0] = std::fabs(state[0]);
    for (int k = 1; k <= (n - 1) / 2; ++k)
      spectrumMagnitude[std::size_t(k)] = std::sqrt(state[k] * state[k] + state[n - k] * state[n - k]);
    if (n % 2 == 0)
      spectrumMagnitude[std::size_t(n / 2)] = std::fabs(state[n / 2]);
  } else {
    transformBuffer = allocateComplex(n);
    forwardPlan = fftw_plan_dft_1d(n, transformBuffer, transformBuffer, FFTW_FORWARD, FFTW_ESTIMATE);
    for (int j = 0; j < n; ++j) {
      const double phase = twoPi * frequencyShiftHz * timePoints[std::size_t(j)];
      transformBuffer[j][0] = inputField[std::size_t(j)] * std::cos(phase);
      transformBuffer[j][1] = inputField[std::size_t(j)] * std::sin(phase);
    }
    fftw_execute(forwardPlan);
    spectrumMagnitude.assign(std::size_t(n), 0.0);
    state = allocateReal(2 * n);
    for (int j = 0; j < n; ++j) {
      const double re = transformBuffer[j][0], im = transformBuffer[j][1];
      spectrumMagnitude[std::size_t(j)] = std::sqrt(re * re + im * im);
      state[j] = re;
      state[n + j] = im;
    }
    displayBuffer = allocateComplex(n);
    inverseShift.resize(std::size_t(n));
    for (int j = 0; j < n; ++j) {
      const double phase = twoPi * frequencyShiftHz * timePoints[std::size_t(j)];
      inverseShift[std::size_t(j)] = Complex(std::cos(phase), -std::sin(phase));
    }
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

double UPPESimulator::computeReferenceVelocity() const
{
  if (mediumType == TaylorSeriesDispersive)
    return double(mediumGroupVelocity);
  double groupIndex = 0.0;
  if (!useGeneral) {
    // Spectral peak among the non-negative bins (the first maximum wins).
    const int m = frequencyCountValue;
    int p = 0;
    double largest = 0.0;
    for (int k = 0; k < m; ++k)
      if (spectrumMagnitude[std::size_t(k)] > largest) {
        largest = spectrumMagnitude[std::size_t(k)];
        p = k;
      }
    auto re = [&](int k) { return refractiveIndex[std::size_t(k)].real(); };
    // n_g = n + f dn/df by central differences; one-sided at the last bin
    // (at bin 0 the derivative term vanishes with f).
    double slope = 0.0;
    if (p > 0 && p < m - 1)
      slope = (re(p + 1) - re(p - 1)) * 0.5;
    else if (p == m - 1 && p > 0)
      slope = re(p) - re(p - 1);
    groupIndex = re(p) + double(p) * slope;
  } else {
    const int n = timePointCount;
    int p = 0;
    double largest = 0.0;
    for (int k = 0; k < n; ++k)
      if (spectrumMagnitude[std::size_t(k)] > largest) {
        largest = spectrumMagnitude[std::size_t(k)];
        p = k;
      }
    const double f = std::fabs(binFrequencies[std::size_t(p)]);
    const std::vector<Complex> around = mediumIndex({std::fabs(f - df), f, f + df});
    groupIndex = around[1].real() + (f / df) * (around[2].real() - around[0].real()) * 0.5;
  }
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

  gslStep = gsl_odeiv2_step_alloc(stepper, std::size_t(stateDimension));
  gslControl = gsl_odeiv2_control_y_new(tolerance, 0.0);
  gslEvolve = gsl_odeiv2_evolve_alloc(std::size_t(stateDimension));
  system.function = &UPPESimulator::rightHandSide;
  system.jacobian = nullptr;
  system.dimension = std::size_t(stateDimension);
  system.params = this;

  spectrumDb.assign(std::size_t(frequencyCountValue), 0.0);
  referenceEnergy = energyFromDb(initialSpectrumDb);
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
  // Failures come back as status values instead of aborting the program.
  gsl_error_handler_t *previousHandler = gsl_set_error_handler_off();
  int status;
  if (fixedStep)
    status = gsl_odeiv2_evolve_apply_fixed_step(gslEvolve, gslControl, gslStep, &system, &z,
                                                evolutionStep, state);
  else
    status = gsl_odeiv2_evolve_apply(gslEvolve, gslControl, gslStep, &system, &z,
                                     z + evolutionStep, &h, state);
  gsl_set_error_handler(previousHandler);
  lastStatus = status;

  if (status != GSL_SUCCESS) {
    z = before;
    theOperator->resetWorkVectors(state);
    if (fixedStep)
      evolutionStep *= 0.5;
    else
      h *= 0.5;
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
  if (!useGeneral) {
    std::memcpy(state, field, sizeof(double) * std::size_t(n));
    spectrumMagnitude[0] = std::fabs(state[0]);
    for (int k = 1; k <= (n - 1) / 2; ++k)
      spectrumMagnitude[std::size_t(k)] = std::sqrt(state[k] * state[k] + state[n - k] * state[n - k]);
    if (n % 2 == 0)
      spectrumMagnitude[std::size_t(n / 2)] = std::fabs(state[n / 2]);
    fftw_execute(inversePlan);
    const double len = double(n);
    for (int j = 0; j < n; ++j)
      timeField[std::size_t(j)] = state[j] / len;
  } else {
    for (int j = 0; j < n; ++j) {
      const double re = field[j], im = field[n + j];
      spectrumMagnitude[std::size_t(j)] = std::sqrt(re * re + im * im);
      displayBuffer[j][0] = re;
      displayBuffer[j][1] = im;
    }
    fftw_execute(inversePlan);
    const double len = double(n);
    for (int j = 0; j < n; ++j) {
      const double re = displayBuffer[j][0] / len, im = displayBuffer[j][1] / len;
      const Complex &s = inverseShift[std::size_t(j)];
      timeField[std::size_t(j)] = re * s.real() - im * s.imag();
    }
  }
  for (int k = 0; k < m; ++k)
    spectrumDb[std::size_t(k)] = 20.0 * std::log10(spectrumMagnitude[std::size_t(k)]);
}

double UPPESimulator::spectralEnergy(const std::vector<double> &magnitude) const
{
  const double w = df / powerOfTen(frequencyExponent) * 0.5;
  if (useGeneral) {
    // Both signs of frequency are held: the sum over all bins counts the
    // one-sided energy twice.
    double sum = 0.0;
    for (double a : magnitude)
      sum += a * a;
    return sum * w;
  }
  const std::size_t m = std::min<std::size_t>(std::size_t(frequencyCountValue), magnitude.size());
  if (m == 0)
    return 0.0;
  double sum = 0.0;
  for (std::size_t k = 0; k < m; ++k)
    sum += magnitude[k] * magnitude[k];
  return (magnitude[m - 1] * magnitude[m - 1] + magnitude[0] * magnitude[0] + 2.0 * sum) * w;
}

double UPPESimulator::energyFromDb(const std::vector<double> &db) const
{
  // p_k = 10^(0.1 dB_k) is the squared magnitude.
  const double w = df / powerOfTen(frequencyExponent) * 0.5;
  if (useGeneral) {
    double sum = 0.0;
    for (double v : db)
      sum += std::pow(10.0, 0.1 * v);
    return sum * w;
  }
  const std::size_t m = std::min<std::size_t>(std::size_t(frequencyCountValue), db.size());
  if (m == 0)
    return 0.0;
  double sum = 0.0;
  for (std::size_t k = 0; k < m; ++k)
    sum += std::pow(10.0, 0.1 * db[k]);
  return (std::pow(10.0, 0.1 * db[m - 1]) + std::pow(10.0, 0.1 * db[0]) + 2.0 * sum) * w;
}

void UPPESimulator::recordEnergies()
{
  const int i = iteration;
  if (i % energyChunk == 0) {
    totalEnergy.resize(totalEnergy.size() + energyChunk, 0.0);
    bandEnergy.resize(bandEnergy.size() + energyChunk, 0.0);
  }
  const double w = df / powerOfTen(frequencyExponent) * 0.5;
  totalEnergy[std::size_t(i)] = spectralEnergy(spectrumMagnitude);

  const double lo = bandLow * 1e12;
  const double hi = bandHigh * 1e12;
  auto s = [&](std::size_t k) {
    return k < spectrumMagnitude.size() ? spectrumMagnitude[k] * spectrumMagnitude[k] : 0.0;
  };
  if (!useGeneral) {
    const std::size_t m = std::size_t(frequencyCountValue);
    const auto first = frequencies.begin();
    const auto end = frequencies.begin() + std::ptrdiff_t(m);
    const std::size_t kLo = std::size_t(std::lower_bound(first, end, lo) - first);
    const std::size_t kHi = std::size_t(std::upper_bound(first + std::ptrdiff_t(kLo), end, hi) - first);
    double b = 0.0;
    for (std::size_t k = kLo; k < kHi; ++k)
      b += s(k);
    // Bins past the last one count as 0.
    const double sLo = kLo < m ? s(kLo) : 0.0;
    const double sHi = kHi < m ? s(kHi) : 0.0;
    bandEnergy[std::size_t(i)] = (sLo + sHi + 2.0 * b) * w;
  } else {
    // General formulation: the bins whose physical frequency lies in the band.
    double b = 0.0;
    for (std::size_t k = 0; k < binFrequencies.size(); ++k)
      if (binFrequencies[k] >= lo && binFrequencies[k] <= hi)
        b += s(k);
    bandEnergy[std::size_t(i)] = 2.0 * b * w;
  }
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
