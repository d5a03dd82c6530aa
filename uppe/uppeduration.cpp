// Checks of the spectral engine that need the built medium and grid: a data
// file that covers none of the pulse's band, and runs that will take long.

#include "uppe/uppesimulator.h"

#include "input/physicalconstants.h"
#include "input/units.h"
#include "uppe/uppeconfigreader.h"
#include "uppe/uppeparams.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace {

using physconst::speedOfLight;
using physconst::twoPi;

QString number(double v, int digits = 4) { return QString::number(v, 'g', digits); }

// Share of the spectral peak (magnitude) that still counts as the pulse's band.
constexpr double bandShare = 1e-2;
// Runs expected to take longer than this are announced at load.
constexpr double longRunSeconds = 600.0;

} // namespace

void UPPESimulator::pulseBand(double &low, double &high) const
{
  const double threshold = initialSpectrumDb[std::size_t(spectralPeak())] + 20.0 * std::log10(bandShare);
  low = high = 0.0;
  for (int k = 0; k < frequencyCountValue; ++k)
    if (initialSpectrumDb[std::size_t(k)] >= threshold) {
      if (!(low > 0.0))
        low = frequencies[std::size_t(k)];
      high = frequencies[std::size_t(k)];
    }
}

bool UPPESimulator::tableMissesThePulse()
{
  const MediumType type = config.medium.type;
  if (type != Tabulated && type != TabulatedKer1)
    return false;
  double low = 0.0, high = 0.0;
  pulseBand(low, high);
  if (!(high > 0.0))
    return false;
  const materials::Dispersion &d = config.medium.dispersion;
  const double micrometre = 1e-6;
  const double top = speedOfLight / (d.shortest() * micrometre);
  const double bottom = speedOfLight / (d.longest() * micrometre);
  if (top >= low && bottom <= high)
    return false;
  const double unit = powerOfTen(config.integration.frequencyExponent);
  const QString &funit = config.integration.frequencyUnit;
  QString why = tr("the table's wavelengths %1 to %2 um (%3 to %4 %5) all lie outside the pulse's "
                   "band %6 to %7 %5 (%8 to %9 um)")
                    .arg(number(d.shortest()), number(d.longest()), number(bottom / unit), number(top / unit), funit)
                    .arg(number(low / unit), number(high / unit))
                    .arg(number(speedOfLight / high / micrometre), number(speedOfLight / low / micrometre));
  if (d.shortest() > 100.0)
    why += tr("; wavelengths are read in um, and values above 100 look like nm (divide them by 1000)");
  return fail(config.medium.parametersLine, why);
}

// Scale lengths of the pulse at load: the dispersion length T0^2/|beta2|
// and the nonlinear length 1/(w n2 A^2 (3a/4 + (1 - a)/2) / (2 c n)); infinite
// when there is no dispersion or no nonlinearity.
void UPPESimulator::scaleLengths(double &dispersion, double &nonlinear) const
{
  double w = 0.0, m1 = 0.0, m2 = 0.0;
  for (std::size_t j = 0; j < inputField.size(); ++j) {
    const double intensity = inputField[j] * inputField[j];
    w += intensity;
    m1 += intensity * timePoints[j];
    m2 += intensity * timePoints[j] * timePoints[j];
  }
  const double t0 = w > 0.0 ? std::sqrt(2.0 * std::max(0.0, m2 / w - (m1 / w) * (m1 / w))) : 0.0;
  const int p = spectralPeak();
  const double beta2 = dispersionAt(p);
  dispersion = beta2 != 0.0 && std::isfinite(beta2) && t0 > 0.0 ? t0 * t0 / std::fabs(beta2) : HUGE_VAL;
  double peak = 0.0;
  for (const PulseDescription &pulse : config.pulses)
    peak = std::max(peak, pulse.amplitude);
  const KerrRaman &nl = config.medium.nonlinear;
  const double kerr = nl.n2 * peak * peak * (0.75 * nl.instantaneous + 0.5 * (1.0 - nl.instantaneous));
  const double index = std::max(1e-6, realIndexAtBin(p));
  const double rate = twoPi * frequencies[std::size_t(p)] * kerr / (2.0 * speedOfLight * index);
  nonlinear = rate != 0.0 && std::isfinite(rate) ? 1.0 / std::fabs(rate) : HUGE_VAL;
}

double UPPESimulator::phaseLength() const
{
  // The fastest phase rate 2 pi f |n(f)/c - 1/v| on the bins up to three
  // times the top of the pulse's band (where the cubic term reaches).
  double low = 0.0, high = 0.0;
  pulseBand(low, high);
  double fastest = 0.0;
  for (int k = 1; k < frequencyCountValue && frequencies[std::size_t(k)] <= 3.0 * high; ++k) {
    const double f = frequencies[std::size_t(k)];
    fastest = std::max(fastest, twoPi * f * std::fabs(realIndexAtBin(k) / speedOfLight - 1.0 / referenceVelocity));
  }
  return fastest > 0.0 ? 1.0 / fastest : HUGE_VAL;
}

double UPPESimulator::timeOfRightHandSide()
{
  // The evaluation the integrator makes, on a copy of the initial state; the
  // operator's state is restored afterwards and no counter or dump file moves.
  UppeParams *op = theOperator.get();
  const std::size_t d = std::size_t(stateDimension);
  const std::vector<double> initial(op->fieldState(), op->fieldState() + d);
  // The median of single evaluations (other processes on the machine only
  // lengthen some of them), at a position away from the operator's
  // reference, so that the propagation factors are computed as in a run.
  const double probe = 0.5 * evolutionStep;
  std::vector<double> times;
  QElapsedTimer total;
  total.start();
  // At least three evaluations, one when a single one takes longer than 0.2 s.
  const auto more = [&] {
    const qint64 ns = total.nsecsElapsed();
    return times.empty() || (times.size() < 3 && ns < 200000000) ||
           (times.size() < 101 && ns < 30000000);
  };
  while (more()) {
    QElapsedTimer clock;
    clock.start();
    op->setRhsState(initial.data());
    op->propagateField(probe);
    op->transformFieldInverse();
    op->computeNonlinearPolarisation();
    op->transformPolarisationForward();
    op->propagatePolarisation(-probe);
    op->applyCoupling();
    times.push_back(double(clock.nsecsElapsed()) * 1e-9);
  }
  std::nth_element(times.begin(), times.begin() + std::ptrdiff_t(times.size() / 2), times.end());
  const double seconds = times[times.size() / 2];
  op->resetWorkVectors(initial.data());
  return seconds;
}

void UPPESimulator::warnAboutRunTime()
{
  const IntegrationSettings &settings = config.integration;
  const bool rk8 = stepper == gsl_odeiv2_step_rk8pd;
  const double stepLimit = std::ceil(length / evolutionStep * (1.0 - 1e-6));
  double steps = stepLimit;
  double dispersion = HUGE_VAL, nonlinear = HUGE_VAL;
  scaleLengths(dispersion, nonlinear);
  if (!settings.fixedStep && std::isfinite(nonlinear)) {
    // An embedded pair of order p keeps the local error of a step h near
    // |y| (h / L_NL) (h / l)^p, where l is the length over which the
    // nonlinear term changes in the moving frame: L_NL itself, the dispersion
    // length, or, for the harmonics the cubic term makes (up to three times
    // the pulse's band), twenty times the length over which their phase
    // turns by one radian against the frame. The factor twenty is empirical:
    // with it the shipped examples and constant-index Kerr runs take the
    // estimated number of steps within about a third.
    const int order = rk8 ? 7 : 4;
    double largest = 0.0;
    const double *y = theOperator->fieldState();
    for (int i = 0; i < stateDimension; ++i)
      largest = std::max(largest, std::fabs(y[i]));
    const double epsilon = largest > 0.0 ? std::min(1.0, absoluteErrorBound / largest) : 1.0;
    const double shorter = std::min({nonlinear, dispersion, 20.0 * phaseLength()});
    const double h = std::pow(nonlinear * std::pow(shorter, order) * epsilon, 1.0 / (order + 1));
    if (h > 0.0 && std::isfinite(h))
      steps = std::max(stepLimit, std::ceil(length / h));
  }
  // Time of a step in evaluations: the stages of the pair and one more for
  // rejected steps, doubled for the stepper's vector work and the records of
  // every step (runs of the examples take 1.6 to 2.2 times the stages'
  // evaluation time per step).
  const double perStep = 2.0 * ((rk8 ? 13.0 : 6.0) + 1.0);
  const double seconds = steps * perStep * timeOfRightHandSide();
  if (seconds <= longRunSeconds)
    return;
  QStringList shorter;
  if (!settings.fixedStep && std::isfinite(nonlinear))
    shorter << tr("a larger \"tolerance\"");
  shorter << tr("fewer \"timepoints\"") << tr("a shorter \"size\"");
  if (dumps)
    shorter << tr("\"0 dump\" (the diagnostic files take time as well)");
  const QString last = shorter.takeLast();
  QString options = shorter.join(tr(", ")) + tr(" or ") + last;
  options[0] = options[0].toUpper();
  const double each = seconds / steps;
  parseStatus.warnings << tr("The run will take about %1: about %2 steps of %3, %4 each (nonlinear length "
                 "%5, dispersion length %6, %7 %8). %9 shortens it.")
                  .arg(wallTimeText(seconds), number(steps, 3), lengthText(length / steps),
                       each >= 1e-3 ? tr("%1 ms").arg(number(each * 1e3, 3))
                                    : tr("%1 us").arg(number(each * 1e6, 3)))
                  .arg(std::isfinite(nonlinear) ? lengthText(nonlinear) : tr("none"),
                       std::isfinite(dispersion) ? lengthText(dispersion) : tr("none"),
                       settings.fixedStep ? tr("fixed steps of") : tr("tolerance"),
                       settings.fixedStep ? lengthText(evolutionStep) : number(settings.tolerance))
                  .arg(options);
}
