// The envelope model of a fibre in the spectral engine, the guided-mode
// operators of the field model, and the evolution records of both models.

#include "uppe/uppesimulator.h"

#include "input/physicalconstants.h"
#include "input/units.h"
#include "uppe/envelopepropagator.h"
#include "uppe/pulseenvelope.h"
#include "uppe/uppeparams.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

// Widest evolution row kept; wider rows keep the largest value of each group.
constexpr int maximumColumns = 16384;
// Relative distance below which a position counts as a plane.
constexpr double planeSlack = 1e-9;

} // namespace

void UPPESimulator::buildEnvelope()
{
  const int n = timePointCount;
  const FibreParameters &fibre = config.medium.fibre;
  fillTimePoints();
  envelopeInput.assign(std::size_t(n), Complex(0.0, 0.0));
  for (const PulseDescription &p : config.pulses) {
    const std::vector<Complex> a = pulseEnvelope(p, timePoints, fibre.frequency, true);
    for (int j = 0; j < n; ++j)
      envelopeInput[std::size_t(j)] += a[std::size_t(j)];
  }
  inputField.resize(std::size_t(n));
  for (int j = 0; j < n; ++j)
    inputField[std::size_t(j)] = std::norm(envelopeInput[std::size_t(j)]);

  EnvelopePropagator::Settings settings;
  settings.n = n;
  settings.dt = dt;
  settings.referenceFrequency = fibre.frequency;
  settings.dispersion.resize(std::size_t(n));
  const double dOmega = physconst::twoPi * df;
  for (int k = 0; k < n; ++k)
    settings.dispersion[std::size_t(k)] = fibre.dispersion(double(k <= (n - 1) / 2 ? k : k - n) * dOmega);
  settings.alpha = fibre.alpha;
  settings.gamma = fibre.gamma;
  settings.ramanFraction = fibre.ramanFraction;
  settings.tau1 = fibre.tau1;
  settings.tau2 = fibre.tau2;
  settings.tolerance = config.integration.tolerance;
  settings.fixedStep = config.integration.fixedStep;
  settings.firstStep = config.integration.initialStep;
  settings.plannerFlags = uppePlannerFlags();
  envelopePropagator = std::make_unique<EnvelopePropagator>(settings, envelopeInput);
  referenceVelocity = 0.0; // the frame follows the group velocity at the reference wavelength
  stepper = nullptr;

  spectrumMagnitude.assign(std::size_t(n), 0.0);
  timeField.assign(std::size_t(n), 0.0);
  displayStale = true;
  refreshDisplay();
  initialSpectrumDb = spectrumDb;
}

void UPPESimulator::refreshDisplay() const
{
  if (!envelope || !displayStale || !envelopePropagator)
    return;
  displayStale = false;
  const int n = timePointCount;
  envelopePropagator->field(envelopeTime);
  timeField.resize(std::size_t(n));
  for (int j = 0; j < n; ++j)
    timeField[std::size_t(j)] = std::norm(envelopeTime[std::size_t(j)]);
  // Spectral energy density |dt A~|^2 in J/Hz, ascending frequency.
  const fftw_complex *spectrum = envelopePropagator->spectrum();
  spectrumMagnitude.resize(std::size_t(n));
  spectrumDb.resize(std::size_t(n));
  for (int i = 0; i < n; ++i) {
    const int k = displayOrder[std::size_t(i)];
    const double m = dt * std::hypot(spectrum[k][0], spectrum[k][1]);
    spectrumMagnitude[std::size_t(i)] = m;
    spectrumDb[std::size_t(i)] = 20.0 * std::log10(m);
  }
}

void UPPESimulator::envelopeStep()
{
  if (finished || !envelopePropagator)
    return;
  const int planes = evolutionRecord.plannedPlanes;
  const double plane = nextPlane < planes ? length * double(nextPlane) / double(planes - 1) : length;
  const double target = std::min(length, plane);
  EnvelopePropagator &p = *envelopePropagator;
  const bool accepted = p.step(target, evolutionStep);
  if (!accepted) {
    const bool broken = !std::isfinite(p.lastError());
    failedSteps = broken ? failedSteps + 1 : 0;
    if (failedSteps >= maximumStepHalvings || !(p.stepSize() > length * 1e-15)) {
      runFailure = QCoreApplication::translate(
                       "Lumora", "The integration failed at z = %1 m: the envelope is no longer "
                                 "finite or the step no longer advances (step %2 m).")
                       .arg(p.position(), 0, 'g', 8)
                       .arg(p.stepSize(), 0, 'g', 3);
      finished = true;
    }
    return;
  }
  failedSteps = 0;
  z = p.position();
  if (length - z <= planeSlack * length)
    z = length;
  positions.push_back(z);
  positionsInLengthUnit.push_back(z / config.medium.lengthScale);
  displayStale = true;
  if (config.postprocessing.conversionEfficiency) {
    refreshDisplay();
    recordEnergies();
  }
  ++iteration;
  if (z >= length)
    finished = true;
  if (nextPlane < planes && (finished || z >= plane * (1.0 - planeSlack)))
    recordPlane();
  checkBreakpoints();
}

void UPPESimulator::prepareEvolution()
{
  EvolutionRecord &r = evolutionRecord;
  const int n = timePointCount;
  r.plannedPlanes = config.integration.planes;
  r.lengthUnit = config.medium.lengthUnit;
  r.frequencyUnit = config.integration.frequencyUnit;
  r.frequencyScale = powerOfTen(config.integration.frequencyExponent);
  r.timeUnit = config.window.timeUnit;
  r.timeScale = powerOfTen(config.window.timeExponent);
  r.sampleSeconds = dt;
  const bool fibre = config.medium.type == Fibre;
  r.spectrumTitle = spectrumValueTitle().isEmpty() ? QStringLiteral("Magnitude [dBV/m]") : spectrumValueTitle();
  r.powerTitle = fibre ? QStringLiteral("Power [W]") : QStringLiteral("Intensity [(V/m)^2]");
  r.carrierHz = envelope ? config.medium.fibre.frequency : 0.0;

  const int m = frequencyCountValue;
  spectralStride = (m + maximumColumns - 1) / maximumColumns;
  temporalStride = (n + maximumColumns - 1) / maximumColumns;
  r.frequencies.clear();
  for (int i = 0; i < m; i += spectralStride)
    r.frequencies.push_back(frequencies[std::size_t(i)] / r.frequencyScale);
  r.delays.clear();
  for (int j = 0; j < n; j += temporalStride)
    r.delays.push_back((timePoints[std::size_t(j)] - 0.5 * timeWindow) / r.timeScale);
  const std::size_t rows = std::size_t(r.plannedPlanes);
  r.spectra.reserve(rows * r.frequencies.size());
  r.powers.reserve(rows * r.delays.size());
  r.distances.reserve(rows);
  if (!envelope) {
    analyticBuffer = ComplexArray(n);
    analyticForward = complexPlan(n, analyticBuffer, FFTW_FORWARD, FFTW_ESTIMATE);
    analyticBackward = complexPlan(n, analyticBuffer, FFTW_BACKWARD, FFTW_ESTIMATE);
  }
}

void UPPESimulator::appendRow(const std::vector<double> &values, std::vector<double> &matrix, int stride,
                              bool db) const
{
  const std::size_t count = values.size();
  for (std::size_t i = 0; i < count; i += std::size_t(stride)) {
    double v = values[i];
    for (std::size_t j = i + 1; j < std::min(count, i + std::size_t(stride)); ++j)
      v = std::max(v, values[j]);
    matrix.push_back(db && !std::isfinite(v) ? -400.0 : v);
  }
}

void UPPESimulator::recordPlane()
{
  const auto start = std::chrono::steady_clock::now();
  EvolutionRecord &r = evolutionRecord;
  const int n = timePointCount;
  r.distances.push_back(z / config.medium.lengthScale);
  std::vector<double> &power = planePower;
  power.resize(std::size_t(n));
  if (envelope) {
    refreshDisplay();
    std::copy(timeField.begin(), timeField.end(), power.begin());
    r.finalField = envelopeTime;
  } else {
    // Power from the analytic signal of the real field (in a fibre the
    // cycle-averaged square, |A|^2); before the first step the input.
    const std::vector<double> &field = positions.empty() ? inputField : timeField;
    for (int j = 0; j < n; ++j) {
      analyticBuffer[j][0] = field[std::size_t(j)];
      analyticBuffer[j][1] = 0.0;
    }
    analyticForward.execute();
    for (int k = 1; k < n; ++k) {
      const double w = k < (n + 1) / 2 ? 2.0 / n : (2 * k == n ? 1.0 / n : 0.0);
      analyticBuffer[k][0] *= w;
      analyticBuffer[k][1] *= w;
    }
    analyticBuffer[0][0] /= n;
    analyticBuffer[0][1] /= n;
    analyticBackward.execute();
    const double share = config.medium.type == Fibre ? 0.5 : 1.0;
    r.finalField.resize(std::size_t(n));
    for (int j = 0; j < n; ++j) {
      const Complex v(analyticBuffer[j][0], analyticBuffer[j][1]);
      r.finalField[std::size_t(j)] = v;
      power[std::size_t(j)] = share * std::norm(v);
    }
  }
  appendRow(envelope || !positions.empty() ? spectrumDb : initialSpectrumDb, r.spectra, spectralStride, true);
  appendRow(power, r.powers, temporalStride, false);
  // Planes passed by one step are recorded once.
  const int planes = r.plannedPlanes;
  while (nextPlane < planes && z >= length * double(nextPlane) / double(planes - 1) * (1.0 - planeSlack))
    ++nextPlane;
  recordingSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void UPPESimulator::setGuidedOperators()
{
  // A guided mode in the frame moving with the group velocity at w0:
  // L = -i D(w - w0) - alpha/2 and C = -i gamma' w / w0 with
  // gamma' = 2/3 (1 + fR/2) gamma (see buildOperator), conjugated at
  // negative frequencies (the field in time is real).
  const FibreParameters &f = config.medium.fibre;
  const double w0 = physconst::twoPi * f.frequency;
  const double g = 2.0 / 3.0 * (1.0 + 0.5 * f.ramanFraction) * f.gamma;
  const std::vector<double> &bins = theOperator->operatorFrequencies();
  std::vector<Complex> linear(bins.size()), coupling(bins.size());
  for (std::size_t k = 0; k < bins.size(); ++k) {
    const double w = physconst::twoPi * std::fabs(bins[k]);
    Complex l(-0.5 * f.alpha, -f.dispersion(w - w0));
    Complex c(0.0, -g * w / w0);
    if (bins[k] < 0.0) {
      l = std::conj(l);
      c = std::conj(c);
    }
    linear[k] = bins[k] == 0.0 ? Complex(0.0, 0.0) : l;
    coupling[k] = bins[k] == 0.0 ? Complex(0.0, 0.0) : c;
  }
  theOperator->setGuidedOperators(linear, coupling);
}

QString UPPESimulator::timeSignalTitle() const
{
  if (envelope)
    return QStringLiteral("Power [W]");
  return config.medium.type == Fibre ? QStringLiteral("Field [sqrt(W)]") : QString();
}

QString UPPESimulator::spectrumValueTitle() const
{
  if (envelope)
    return QStringLiteral("Spectral energy density [dB(J/Hz)]");
  return config.medium.type == Fibre ? QStringLiteral("Magnitude [dB]") : QString();
}
