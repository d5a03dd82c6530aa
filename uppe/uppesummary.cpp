// Set-up summary and load warnings of the spectral engine.

#include "uppe/uppesimulator.h"

#include "input/keywords.h"
#include "input/physicalconstants.h"
#include "input/units.h"
#include "uppe/uppeconfigreader.h"

#include "uppe/pulseenvelope.h"

#include <QCoreApplication>

#include <gsl/gsl_errno.h>
#include <gsl/gsl_poly.h>

#include <algorithm>
#include <cmath>

namespace {

using physconst::speedOfLight;
using physconst::twoPi;

QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }

QString number(double v, int digits = 4) { return QString::number(v, 'g', digits); }

// Share of the peak that still counts as part of the pulse (field magnitude).
constexpr double significantShare = 1e-2;
// Field at the window edges, relative to the peak, above which the window cuts the pulse.
constexpr double edgeShare = 1e-3;

// Working memory in bytes of a run: integrator stages, operator and engine arrays.
double memoryEstimate(int n, int m, int stateDimension, bool general, const gsl_odeiv2_step_type *stepper)
{
  const double stages = stepper == gsl_odeiv2_step_rk8pd ? 18.0 : 9.0;
  double doubles = stateDimension * (stages + 5.0); // stepper, evolve object, state
  doubles += 6.0 * n + 4.0 * n;                     // operator arrays; time grid, field, input
  const double coefficients = general ? n : m;
  doubles += 14.0 * coefficients + 5.0 * m;         // operator coefficients; spectra
  if (general)
    doubles += 15.0 * n;                            // complex buffers and shifts
  return 8.0 * doubles;
}

QString bytesText(double bytes)
{
  if (bytes >= 1024.0 * 1024.0 * 1024.0)
    return tr("%1 GB").arg(number(bytes / (1024.0 * 1024.0 * 1024.0), 3));
  if (bytes >= 1024.0 * 1024.0)
    return tr("%1 MB").arg(number(bytes / (1024.0 * 1024.0), 3));
  return tr("%1 kB").arg(number(bytes / 1024.0, 3));
}

} // namespace

double UPPESimulator::highestSignificantFrequency() const
{
  // Highest bin whose input magnitude reaches the significant share of the peak.
  const double peakDb = initialSpectrumDb[std::size_t(spectralPeak())];
  const double threshold = peakDb + 20.0 * std::log10(significantShare);
  for (int k = frequencyCountValue - 1; k >= 0; --k)
    if (initialSpectrumDb[std::size_t(k)] >= threshold)
      return frequencies[std::size_t(k)];
  return 0.0;
}

double UPPESimulator::dispersionAt(int p) const
{
  // k = 2 pi f n / c on three neighbouring bins; d^2k/dw^2 by central differences.
  if (p < 1 || p + 1 >= frequencyCountValue)
    return 0.0;
  auto k = [&](int b) { return twoPi * frequencies[std::size_t(b)] * realIndexAtBin(b) / speedOfLight; };
  const double dw = twoPi * df;
  const double second = k(p + 1) - 2.0 * k(p) + k(p - 1);
  // A difference at the rounding level of k is no dispersion.
  if (std::fabs(second) <= 1e-9 * std::fabs(k(p)))
    return 0.0;
  return second / (dw * dw);
}

void UPPESimulator::addLoadWarnings()
{
  // Steps go along z: an action at a time of the pulse's window has no step to fire at.
  for (const ActionDescription &action : config.actions)
    if (action.timeForm)
      parseStatus.warnings << tr("The %1 action (line %2) is given as a time and never fires: this engine steps "
                                 "along z; give its \"iterations\" instead.")
                                  .arg(actionTypes.at(int(action.kind)))
                                  .arg(action.line);
  double peak = 0.0;
  for (double v : inputField)
    peak = std::max(peak, std::fabs(v));
  if (!(peak > 0.0))
    return;
  const double frequencyUnit = powerOfTen(config.integration.frequencyExponent);

  // The cubic term makes a band at about three times the pulse's frequencies;
  // above the highest frequency the grid holds, it folds back.
  const double top = useGeneral ? *std::max_element(binFrequencies.begin(), binFrequencies.end())
                                : maxFrequency;
  const double highest = highestSignificantFrequency();
  const KerrRaman &nl = config.medium.nonlinear;
  if (nl.n2 != 0.0 && nl.instantaneous != 0.0 && 3.0 * highest > top)
    parseStatus.warnings << tr("The cubic nonlinearity makes a third-harmonic band up to about 3 x %1 = %2 %3, "
                   "above the highest frequency of the grid (%4 %3): it folds back into the "
                   "spectrum. More \"timepoints\" over the same window raise the limit.")
                    .arg(number(highest / frequencyUnit), number(3.0 * highest / frequencyUnit),
                         config.integration.frequencyUnit, number(top / frequencyUnit));

  // The field model samples the real field: a carrier above the grid's
  // highest frequency folds back to a lower one.
  if (!envelope)
    for (std::size_t i = 0; i < config.pulses.size(); ++i)
      if (config.pulses[i].carrier > top * (1.0 + 1e-9))
        parseStatus.warnings << tr("Pulse %1: its centre frequency %2 %3 lies above the highest frequency of the "
                                   "grid (%4 %3): the sampled field folds it back. More \"timepoints\" over the "
                                   "same window raise the limit.")
                                    .arg(i + 1)
                                    .arg(number(config.pulses[i].carrier / frequencyUnit), config.integration.frequencyUnit,
                                         number(top / frequencyUnit));

  // A pulse that has not decayed at the window edges is cut (and wraps round).
  const int n = timePointCount;
  const int edge = std::max(2, n / 100);
  double edgeField = 0.0;
  for (int j = 0; j < std::min(edge, n); ++j)
    edgeField = std::max({edgeField, std::fabs(inputField[std::size_t(j)]),
                          std::fabs(inputField[std::size_t(n - 1 - j)])});
  if (edgeField > edgeShare * peak)
    parseStatus.warnings << tr("The time window cuts the pulse: at its edges the input field still reaches "
                   "%1 % of its peak. A longer \"timeduration\" (with more \"timepoints\") or a "
                   "smaller delay keeps the pulse inside.")
                    .arg(number(100.0 * edgeField / peak, 3));
}

QString UPPESimulator::setupSummary() const
{
  if (!isConstructed())
    return QString();
  const double timeUnit = powerOfTen(config.window.timeExponent);
  const double frequencyUnit = powerOfTen(config.integration.frequencyExponent);
  auto timeText = [&](double seconds) { return number(seconds / timeUnit) + QLatin1Char(' ') + config.window.timeUnit; };
  auto frequencyText = [&](double hertz) {
    return number(hertz / frequencyUnit) + QLatin1Char(' ') + config.integration.frequencyUnit;
  };
  QStringList out;
  const bool fibre = config.medium.type == Fibre;
  if (envelope)
    out << tr("Engine: spectral (UPPE), envelope model about %1 (%2 nm)")
               .arg(frequencyText(config.medium.fibre.frequency))
               .arg(number(config.medium.fibre.wavelength * 1e9, 6));
  else
    out << (useGeneral ? tr("Engine: spectral (UPPE), field model, general formulation, carrier shift %1")
                             .arg(frequencyText(frequencyShiftHz))
                       : tr("Engine: spectral (UPPE), field model, real formulation"));
  out << tr("Time window: %1, %2 points, dt = %3")
             .arg(timeText(timeWindow))
             .arg(timePointCount)
             .arg(timeText(dt));
  if (envelope)
    out << tr("Frequency grid: df = %1, %2 ... %3 (%4 ... %5 nm)")
               .arg(frequencyText(df), frequencyText(frequencies.front()), frequencyText(frequencies.back()))
               .arg(frequencies.back() > 0.0 ? number(speedOfLight / frequencies.back() * 1e9) : QStringLiteral("-"))
               .arg(frequencies.front() > 0.0 ? number(speedOfLight / frequencies.front() * 1e9)
                                              : QStringLiteral("inf"));
  else
    out << tr("Frequency grid: df = %1, fmax = %2").arg(frequencyText(df), frequencyText(maxFrequency));
  if (fibre) {
    out << fibreLines();
    out << integrationLine();
    out << tr("Evolution records: %1 planes from 0 to %2").arg(config.integration.planes).arg(lengthText(length));
    for (std::size_t i = 0; i < config.pulses.size(); ++i)
      out << tr("Pulse %1: %2").arg(i + 1).arg(config.pulses[i].summary);
    const double records = 16.0 * config.integration.planes * double(std::min(timePointCount, 16384));
    const double working = envelope ? 8.0 * 34.0 * timePointCount
                                    : memoryEstimate(timePointCount, frequencyCountValue, stateDimension,
                                                     useGeneral, stepper);
    out << tr("Memory: about %1").arg(bytesText(working + records));
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
  }

  const int p = spectralPeak();
  const double carrier = frequencies[std::size_t(p)];
  const Complex index = useGeneral ? mediumIndex({carrier})[0] : refractiveIndex[std::size_t(p)];
  out << tr("Medium: %1 over %2; index at the spectral peak (%3): %4 + %5i")
             .arg(uppeMediumNames.value(config.medium.type), lengthText(length), frequencyText(carrier),
                  number(index.real(), 6), number(index.imag(), 3));
  out << tr("Reference velocity: %1 m/s (c / %2)")
             .arg(number(referenceVelocity, 8))
             .arg(number(speedOfLight / referenceVelocity, 6));
  out << dispersionAndNonlinearLines(p, carrier, index);
  out << integrationLine();
  for (std::size_t i = 0; i < config.pulses.size(); ++i)
    out << tr("Pulse %1: %2").arg(i + 1).arg(config.pulses[i].summary);
  out << tr("Memory: about %1")
             .arg(bytesText(memoryEstimate(timePointCount, frequencyCountValue, stateDimension,
                                           useGeneral, stepper)));
  return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString UPPESimulator::lengthText(double metres) const
{
  return number(metres / config.medium.lengthScale) + QLatin1Char(' ') + lengthUnit;
}

QString UPPESimulator::dispersionAndNonlinearLines(int p, double carrier, Complex index) const
{
  const double timeUnit = powerOfTen(config.window.timeExponent);
  // T0 from the pulse's own shape (Gaussian FWHM / 1.665, sech FWHM / 1.763)
  // of the pulse with the largest amplitude.
  double peak = 0.0;
  const double t0 = pulseT0(peak);
  const double beta2 = dispersionAt(p);
  QStringList out;
  if (beta2 != 0.0 && std::isfinite(beta2) && t0 > 0.0)
    out << tr("Dispersion length T0^2/|beta2|: %1 (beta2 = %2 s^2/m, T0 = %3)")
               .arg(lengthText(t0 * t0 / std::fabs(beta2)), number(beta2),
                    number(t0 / timeUnit) + QLatin1Char(' ') + config.window.timeUnit);
  else
    out << tr("Dispersion length: none (no group-velocity dispersion at the spectral peak)");
  // Phase rate of self-phase modulation at the peak field A:
  // w n2 A^2 (3a/4 + (1 - a)/2) / (2 c n).
  const KerrRaman &nl = config.medium.nonlinear;
  const double kerr = nl.n2 * peak * peak * (0.75 * nl.instantaneous + 0.5 * (1.0 - nl.instantaneous));
  const double rate = twoPi * carrier * kerr / (2.0 * speedOfLight * index.real());
  if (rate != 0.0 && std::isfinite(rate))
    out << tr("Nonlinear length: %1 (n2 = %2 m^2/V^2, peak amplitude %3 V/m)")
               .arg(lengthText(1.0 / std::fabs(rate)), number(nl.n2), number(peak));
  else
    out << tr("Nonlinear length: none (no Kerr nonlinearity)");
  return out.join(QLatin1Char('\n'));
}

double UPPESimulator::pulseT0(double &peak) const
{
  // The pulse with the largest peak (amplitude, or in a fibre peak power);
  // T0 of its shape, or of a measured pulse its FWHM / 1.763.
  peak = 0.0;
  double t0 = 0.0;
  const bool fibre = config.medium.type == Fibre;
  for (const PulseDescription &pulse : config.pulses) {
    double p = pulse.amplitude, width = pulse.t0;
    if (fibre) {
      const std::vector<Complex> a = pulseEnvelope(pulse, timePoints, config.medium.fibre.frequency, true);
      std::vector<double> power(a.size());
      for (std::size_t j = 0; j < a.size(); ++j)
        power[j] = std::norm(a[j]);
      p = power.empty() ? 0.0 : *std::max_element(power.begin(), power.end());
      if (!pulse.dataFile.isEmpty())
        width = intensityFwhm(power, dt) / pulseShapeFactor(PulseDescription::Sech);
    }
    if (p > peak) {
      peak = p;
      t0 = width;
    }
  }
  return t0;
}

QStringList UPPESimulator::zeroDispersionWavelengths() const
{
  // beta2(W) = sum_k beta_k W^(k-2) / (k-2)! has its zeros among the real
  // roots of a polynomial; W is scaled by the window's half width.
  const FibreParameters &f = config.medium.fibre;
  const double halfWidth = physconst::pi / dt;
  std::vector<double> c;
  double factorial = 1.0, scale = 1.0;
  for (std::size_t j = 0; j < f.betas.size(); ++j) {
    if (j > 0)
      factorial *= double(j);
    c.push_back(f.betas[j] * scale / factorial);
    scale *= halfWidth;
  }
  while (!c.empty() && c.back() == 0.0)
    c.pop_back();
  QStringList out;
  if (c.size() < 2)
    return out;
  std::vector<double> roots(2 * (c.size() - 1));
  gsl_poly_complex_workspace *w = gsl_poly_complex_workspace_alloc(c.size());
  gsl_error_handler_t *previous = gsl_set_error_handler_off();
  const int status = gsl_poly_complex_solve(c.data(), c.size(), w, roots.data());
  gsl_set_error_handler(previous);
  gsl_poly_complex_workspace_free(w);
  if (status != GSL_SUCCESS)
    return out;
  const double w0 = physconst::twoPi * f.frequency;
  std::vector<double> wavelengths;
  for (std::size_t i = 0; i + 1 < roots.size(); i += 2) {
    const double x = roots[i], y = roots[i + 1];
    if (std::fabs(y) > 1e-9 * (1.0 + std::fabs(x)) || std::fabs(x) > 1.0)
      continue;
    const double w = w0 + x * halfWidth;
    if (w > 0.0)
      wavelengths.push_back(physconst::twoPi * speedOfLight / w * 1e9);
  }
  std::sort(wavelengths.begin(), wavelengths.end());
  for (double l : wavelengths)
    out << number(l, 5) + QStringLiteral(" nm");
  return out;
}

QString UPPESimulator::fibreLines() const
{
  const FibreParameters &f = config.medium.fibre;
  QStringList out;
  out << tr("Medium: fibre over %1; lambda0 = %2 nm; gamma = %3 1/(W m); fR = %4 (tau1 = %5 fs, "
            "tau2 = %6 fs); loss %7 dB/km")
             .arg(lengthText(length), number(f.wavelength * 1e9, 6), number(f.gamma), number(f.ramanFraction))
             .arg(number(f.tau1 * 1e15), number(f.tau2 * 1e15), number(f.lossDb));
  const double beta2 = f.betas.empty() ? 0.0 : f.betas.front();
  const double d = -physconst::twoPi * speedOfLight * beta2 / (f.wavelength * f.wavelength) * 1e6;
  const QStringList zeros = zeroDispersionWavelengths();
  out << tr("Dispersion at lambda0: beta2 = %1 ps^2/km, D = %2 ps/(nm km) (%3); zero-dispersion "
            "wavelengths in the window: %4")
             .arg(number(beta2 * 1e27), number(d),
                  beta2 < 0.0 ? tr("anomalous") : (beta2 > 0.0 ? tr("normal") : tr("zero")),
                  zeros.isEmpty() ? tr("none") : zeros.join(QStringLiteral(", ")));
  out << tr("Frame: moving with the group velocity at lambda0; %1")
             .arg(envelope ? tr("envelope model (no harmonics)")
                           : tr("field model (real field in sqrt(W), harmonics included)"));
  double peak = 0.0;
  const double t0 = pulseT0(peak);
  const double timeUnit = powerOfTen(config.window.timeExponent);
  const QString t0Text = number(t0 / timeUnit) + QLatin1Char(' ') + config.window.timeUnit;
  QStringList scales;
  scales << tr("T0 = %1, P0 = %2 W").arg(t0Text, number(peak));
  const double ld = beta2 != 0.0 ? t0 * t0 / std::fabs(beta2) : 0.0;
  const double lnl = f.gamma * peak > 0.0 ? 1.0 / (f.gamma * peak) : 0.0;
  scales << (ld > 0.0 ? tr("L_D = T0^2/|beta2| = %1").arg(lengthText(ld)) : tr("L_D: none (beta2 = 0)"));
  scales << (lnl > 0.0 ? tr("L_NL = 1/(gamma P0) = %1").arg(lengthText(lnl)) : tr("L_NL: none"));
  if (ld > 0.0 && lnl > 0.0) {
    const double solitonNumber = std::sqrt(ld / lnl);
    scales << tr("soliton number N = %1").arg(number(solitonNumber));
    if (beta2 < 0.0 && solitonNumber >= 1.5)
      scales << tr("fission length L_D/N = %1").arg(lengthText(ld / solitonNumber));
  }
  out << tr("Pulse scales: %1").arg(scales.join(QStringLiteral("; ")));
  return out.join(QLatin1Char('\n'));
}

QString UPPESimulator::integrationLine() const
{
  const IntegrationSettings &settings = config.integration;
  const double steps = std::ceil(length / evolutionStep * (1.0 - 1e-6));
  const QString stepCount = number(steps, 12) + (steps == 1.0 ? tr(" step") : tr(" steps"));
  if (envelope)
    return settings.fixedStep
               ? tr("Integration: erk43ip (interaction picture), fixed steps of %1, %2 planned")
                     .arg(lengthText(evolutionStep), stepCount)
               : tr("Integration: erk43ip (interaction picture, embedded third-order error), adaptive, "
                    "relative local error %1 per step, steps of at most %2")
                     .arg(number(settings.tolerance), lengthText(evolutionStep));
  const QString tolerance = settings.relativeTolerance
                                ? tr("relative tolerance %1 (%2 on spectral values)")
                                      .arg(number(settings.tolerance), number(absoluteErrorBound))
                                : tr("absolute tolerance %1").arg(number(settings.tolerance));
  if (settings.fixedStep)
    return tr("Integration: %1, fixed steps of %2, %3 planned; %4")
        .arg(QString::fromLatin1(stepper->name), lengthText(evolutionStep), stepCount, tolerance);
  return tr("Integration: %1, adaptive, at least %2 of at most %3; %4")
      .arg(QString::fromLatin1(stepper->name), stepCount, lengthText(evolutionStep), tolerance);
}
