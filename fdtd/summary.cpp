// Load diagnostics of the FDTD engine: the warnings about a set-up that will
// run but probably not as meant, and the human-readable set-up summary.

#include "fdtd/fdtdsimulator.h"

#include "input/physicalconstants.h"
#include "fdtd/sections/materialdescription.h"
#include "fdtd/sections/meshsection.h"
#include "fdtd/sources/hardarbitrarysource.h"
#include "fdtd/sources/hardgaussiansource.h"
#include "fdtd/sources/hardhyperbolicsecantsource.h"
#include "fdtd/sources/hardsinusoidalsource.h"
#include "fdtd/sources/softgaussiansource.h"
#include "fdtd/stability.h"
#include "input/reasons.h"
#include "input/units.h"
#include "postprocessing/fdtdobservation.h"
#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/poyntingpostprocessing.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

using reason::tr;

namespace {

constexpr double minimumCellsPerWavelength = 10.0;
constexpr double largestKerrIndexChange = 0.1;

QString number(double v, int digits = 4) { return QString::number(v, 'g', digits); }

// A frequency in hertz in the unit that suits it ("374.7 THz").
QString frequencyText(double hertz)
{
  int k = 0;
  while (k < 5 && std::fabs(hertz) >= 1000.0 * powerOfTen(3 * k))
    ++k;
  return number(hertz / powerOfTen(3 * k)) + QLatin1Char(' ') + frequencyUnitName(3 * k);
}

// A time in seconds in the unit that suits it ("26.7 fs").
QString timeText(double seconds)
{
  if (seconds == 0.0)
    return QStringLiteral("0 s");
  const TimeDisplayUnit u = automaticTimeUnit(1, seconds);
  return number(seconds * u.scale) + QLatin1Char(' ') + u.unit;
}

QString bytesText(double bytes)
{
  static const char *units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int k = 0;
  while (k < 4 && bytes >= 1024.0) {
    bytes /= 1024.0;
    ++k;
  }
  return number(bytes, 3) + QLatin1Char(' ') + QLatin1String(units[k]);
}

QString complexText(std::complex<double> n)
{
  if (std::fabs(n.imag()) < 1e-9 * std::fabs(n.real()))
    return number(n.real(), 6);
  return number(n.real(), 6) + (n.imag() < 0 ? QStringLiteral(" - ") : QStringLiteral(" + ")) +
         number(std::fabs(n.imag()), 3) + QStringLiteral("i");
}

// The iterations a post-processing window covers ("end" is the largest int).
QString iterationsText(int first, int last)
{
  if (last >= INT_MAX)
    return first <= 1 ? tr("every iteration") : tr("from iteration %1 on").arg(first);
  return tr("iterations %1 to %2").arg(first).arg(last);
}

} // namespace

// The cells of section k as the grid counts them (from 1, "meshpoints" of
// them): the first section also owns the wall cell its update skips.
std::pair<int, int> FDTDSimulator::sectionCells(std::size_t k) const
{
  const int first = k == 0 ? 1 : sections[k - 1]->eEnd + 2;
  return {first, sections[k]->eEnd + 1};
}

// What the sources send into the grid: the carrier, the highest frequency
// that still carries a significant part of the spectrum, the peak field.
FDTDSimulator::SourceSpectrum FDTDSimulator::spectrumOf(const Source<int, double> &source) const
{
  SourceSpectrum s;
  s.peak = std::fabs(source.amplitude);
  s.delay = source.startIteration * deltaT;
  if (const auto *a = dynamic_cast<const HardArbitrarySource<int, double> *>(&source)) {
    s.kind = tr("recorded pulse");
    s.peak = 0.0;
    for (double v : a->pulse.samples())
      s.peak = std::max(s.peak, std::fabs(v));
    s.duration = static_cast<double>(a->pulse.samples().size()) * deltaT;
    return s;
  }
  const auto *c = dynamic_cast<const CarrierWaveSource<int, double> *>(&source);
  if (!c)
    return s;
  s.centre = c->frequency;
  s.delay = c->delayTime;
  s.duration = 2.0 * c->duration / c->frequency; // the active window
  if (const auto *g = dynamic_cast<const HardGaussianSource<int, double> *>(c)) {
    s.kind = tr("Gaussian pulse, %1 bandwidth").arg(frequencyText(g->bandwidth));
    s.highest = c->frequency + 1.5 * g->bandwidth; // about -27 dB
  } else if (const auto *w = dynamic_cast<const SoftGaussianSource<int, double> *>(c)) {
    s.kind = tr("Gaussian plane wave, %1 bandwidth").arg(frequencyText(w->bandwidth));
    s.highest = c->frequency + 1.5 * w->bandwidth;
  } else if (const auto *h = dynamic_cast<const HardHyperbolicSecantSource<int, double> *>(c)) {
    const double tau = 1.0 / h->inverseTau;
    s.kind = tr("hyperbolic-secant pulse, \u03c4 = %1").arg(timeText(tau));
    // The spectrum of sech(t / tau) falls as sech(pi^2 tau df): -20 dB at 3 / (pi^2 tau).
    s.highest = c->frequency + 3.0 / (physconst::pi * physconst::pi * tau);
  } else {
    s.kind = tr("sine wave");
    s.highest = c->frequency * (1.0 + 1.0 / std::max(1.0, c->duration));
  }
  s.kind += tr(", %1 periods").arg(c->duration);
  return s;
}

void FDTDSimulator::collectWarnings()
{
  double highest = 0.0;
  double peak = 0.0;
  for (const Source<int, double> *s : qAsConst(sources)) {
    const SourceSpectrum spectrum = spectrumOf(*s);
    highest = std::max(highest, spectrum.highest);
    peak = std::max(peak, spectrum.peak);
  }

  for (std::size_t k = 0; k < sections.size(); ++k)
    warnAboutSection(k, highest, peak);
  warnAboutPlacement();
}

// Unstable Lorentz poles, too few cells per wavelength, strong Kerr effect.
void FDTDSimulator::warnAboutSection(std::size_t k, double highest, double peak)
{
  const double cellMetres = cellSize * lengthUnitFactor;
  const MeshSection<int, double> &section = *sections[k];
  MaterialDescription m;
  section.describe(m);
  const QString name = tr("Section %1 (cells %2 to %3, %4)")
                           .arg(k + 1)
                           .arg(sectionCells(k).first)
                           .arg(sectionCells(k).second)
                           .arg(m.kind);

  if (!m.poles.empty()) {
    // Physical gain grows by design; the numerical limit is that of the
    // same medium without it.
    MaterialDescription lossless = m;
    lossless.sigma = std::max(0.0, m.sigma);
    for (auto &p : lossless.poles)
      p.damping = std::max(0.0, p.damping);
    if (!fdtdstability::stable(lossless, cellMetres, stability)) {
      const double enough = fdtdstability::smallestStableStability(lossless, cellMetres);
      parseStatus.warnings << tr("%1: with stability %2 its Lorentz poles make the update unstable (the "
                     "field grows without bound); %3")
                      .arg(name)
                      .arg(stability)
                      .arg(enough > 0.0 ? tr("a stability of %1 or more makes it stable.")
                                              .arg(number(enough, 3))
                                        : tr("no stability up to 1000 makes it stable."));
    }
  }

  if (highest > 0.0) {
    const double n = std::max(m.index(highest).real(), 1e-12);
    const double cells = physconst::speedOfLight / (highest * n) / cellMetres;
    if (cells < minimumCellsPerWavelength)
      parseStatus.warnings << tr("%1: %2 cells per wavelength at %3 (the highest significant frequency of "
                     "the sources, index %4), fewer than %5: the grid's dispersion will distort "
                     "the pulse; use cells of at most %6 %7.")
                      .arg(name)
                      .arg(number(cells, 3))
                      .arg(frequencyText(highest))
                      .arg(number(n, 4))
                      .arg(minimumCellsPerWavelength)
                      .arg(number(cellSize * cells / minimumCellsPerWavelength, 3))
                      .arg(lengthUnit);
  }

  if (m.kerr && peak > 0.0) {
    // Displacement eps (1 + chi3 E^2 / eps): the index changes by
    // sqrt(1 + chi3 E^2 / eps) - 1 at the field E.
    const double relative = m.chi3 * peak * peak / m.epsilonR;
    const double change = relative > -1.0 ? std::sqrt(1.0 + relative) - 1.0 : -1.0;
    if (std::fabs(change) > largestKerrIndexChange)
      parseStatus.warnings << tr("%1: at the source amplitude %2 V/m the Kerr effect changes the index by "
                     "%3 %, more than %4 %: the third-order model no longer describes the "
                     "medium.")
                      .arg(name)
                      .arg(number(peak))
                      .arg(number(100.0 * change, 3))
                      .arg(100.0 * largestKerrIndexChange);
  }
}

// Sources and probes where no section updates the field, probes that close
// before a pulse can reach them.
void FDTDSimulator::warnAboutPlacement()
{
  // Cells no section updates (a ring also updates cell 0).
  const auto outside = [&](int cell) {
    if (periodic && cell == 0 && !sections.empty())
      return false;
    for (const MeshSection<int, double> *s : sections)
      if (s->eStart <= cell && cell <= s->eEnd)
        return false;
    return true;
  };
  for (int i = 0; i < sources.size(); ++i) {
    const Source<int, double> &s = *sources.at(i);
    // A hard source on the wall cell 0 drives the grid from its edge.
    if (outside(s.gridPoint) && !(s.hard && s.gridPoint == 0 && !sections.empty()))
      parseStatus.warnings << tr("Source %1 at grid point %2 lies where no section updates the field: it "
                     "sends nothing into the grid.")
                      .arg(i + 1)
                      .arg(s.gridPoint + 1);
  }

  // A probe sees a pulse only after it has travelled from a source.
  double slowest = 0.0; // iterations per cell at the highest speed in the grid
  for (const MeshSection<int, double> *s : sections) {
    MaterialDescription m;
    s->describe(m);
    const double n = std::sqrt(m.epsilonR * m.muR);
    slowest = slowest == 0.0 ? n : std::min(slowest, n);
  }
  const auto earliestArrival = [&](int cell) {
    double earliest = HUGE_VAL;
    for (const Source<int, double> *s : qAsConst(sources))
      earliest = std::min(earliest, std::max(0, s->startIteration) +
                                        std::abs(cell - s->gridPoint) * slowest * stability);
    return earliest;
  };
  const auto checkWindow = [&](const QString &what, int cell, int end) {
    if (outside(cell) && !std::any_of(sources.begin(), sources.end(),
                                      [&](const Source<int, double> *s) { return s->gridPoint == cell; }))
      parseStatus.warnings << tr("%1 at grid point %2 lies where no section updates the field: it will "
                     "record nothing.")
                      .arg(what)
                      .arg(cell + 1);
    else if (!sources.isEmpty() && end < earliestArrival(cell) - 1.0)
      parseStatus.warnings << tr("%1 at grid point %2 stops at iteration %3, before any source's pulse can "
                     "reach it (iteration %4 at the earliest).")
                      .arg(what)
                      .arg(cell + 1)
                      .arg(end)
                      .arg(std::floor(earliestArrival(cell)));
  };
  if (observation) {
    for (int i = 0; i < observation->probeCount(); ++i) {
      const auto *p = observation->probe(static_cast<unsigned short>(i));
      checkWindow(tr("Time probe \"%1\"").arg(p->name), p->location, p->iterationEnd);
    }
  }
  for (const auto *f : fourierPostprocessings)
    checkWindow(tr("Spectrum \"%1\"").arg(f->name()), f->location(), f->iterationEnd());
}

QString FDTDSimulator::setupSummary() const
{
  QString text;
  QTextStream out(&text);
  out << tr("Engine: finite-difference time-domain grid (FDTD)") << '\n';
  static const char *treatments[] = {"reflecting ends (1d)", "periodic ring (1dp)",
                                     "ring closing when the pulse reaches the far end (1dcp)"};
  out << tr("Grid: %1 cells of %2 %3 (%4 %3 long), \u0394t = %5, stability %6, %7 simulated per "
            "1000 steps, %8")
             .arg(meshPointCount)
             .arg(number(cellSize, 6))
             .arg(lengthUnit)
             .arg(number(cellSize * meshPointCount, 6))
             .arg(timeText(deltaT))
             .arg(stability)
             .arg(timeText(1000.0 * deltaT))
             .arg(tr(treatments[conditionallyPeriodic ? 2 : (periodic ? 1 : 0)]))
      << '\n';
  out << tr("Threads: %1").arg(threadPlan.reason) << '\n';
  if (lumpedEnabled)
    out << tr("Lumped termination: %1 ohm at grid point %2")
               .arg(lumpedResistance)
               .arg(lumpedIndex + 1)
        << '\n';

  double centre = 0.0;
  for (const Source<int, double> *s : sources)
    if (centre == 0.0)
      centre = spectrumOf(*s).centre;

  const double bytes = summarizeSections(out, centre);
  summarizeSources(out);
  const double post = summarizePostprocessing(out);
  out << tr("Memory: about %1 (grid and sections %2, post-processing %3)")
             .arg(bytesText(bytes + post))
             .arg(bytesText(bytes))
             .arg(bytesText(post))
      << '\n';
  out.flush();
  return text;
}

// The sections with their index at the centre frequency; returns the bytes
// of the grid and the sections.
double FDTDSimulator::summarizeSections(QTextStream &out, double centre) const
{
  double bytes = (eField.capacity() + hField.capacity() + positions.capacity()) * sizeof(double);
  out << tr("Sections:") << '\n';
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const MeshSection<int, double> &section = *sections[k];
    MaterialDescription m;
    section.describe(m);
    const int cells = sectionCells(k).second - sectionCells(k).first + 1;
    out << "  " << tr("%1. cells %2 to %3 (%4 %5): %6, \u03b5r %7, \u03bcr %8")
                       .arg(k + 1)
                       .arg(sectionCells(k).first)
                       .arg(sectionCells(k).second)
                       .arg(number(cells * cellSize, 6))
                       .arg(lengthUnit)
                       .arg(m.kind)
                       .arg(m.epsilonR)
                       .arg(m.muR);
    if (m.sigma != 0.0)
      out << tr(", \u03c3 %1 S/m").arg(m.sigma);
    for (std::size_t p = 0; p < m.poles.size(); ++p)
      out << tr(", pole %1: \u0394\u03b5 %2 at %3, damping %4")
                 .arg(p + 1)
                 .arg(number(m.poles[p].strength, 6))
                 .arg(frequencyText(m.poles[p].resonance))
                 .arg(frequencyText(m.poles[p].damping));
    if (m.kerr)
      out << tr(", \u03c73 %1 m\u00b2/V\u00b2, \u03c41 %2 fs, \u03c42 %3 fs, \u03b1 %4")
                 .arg(m.chi3)
                 .arg(m.ramanTime1)
                 .arg(m.ramanTime2)
                 .arg(m.kerrFraction);
    if (centre > 0.0)
      out << tr("; index %1 at %2").arg(complexText(m.index(centre))).arg(frequencyText(centre));
    out << '\n';
    bytes += std::max(0, cells) * sizeof(double) * (2.0 * m.poles.size() + (m.kerr ? 2.0 : 0.0));
  }
  return bytes;
}

void FDTDSimulator::summarizeSources(QTextStream &out) const
{
  out << tr("Sources:") << (sources.isEmpty() ? tr(" none") : QString()) << '\n';
  for (int i = 0; i < sources.size(); ++i) {
    const SourceSpectrum s = spectrumOf(*sources.at(i));
    out << "  " << tr("%1. %2 at grid point %3").arg(i + 1).arg(s.kind).arg(sources.at(i)->gridPoint + 1);
    if (s.centre > 0.0)
      out << tr(", centre %1").arg(frequencyText(s.centre));
    out << tr(", amplitude %1 V/m, duration %2, delay %3")
               .arg(number(sources.at(i)->amplitude))
               .arg(timeText(s.duration))
               .arg(timeText(s.delay))
        << '\n';
  }
}

// The post-processing objects; returns their bytes.
double FDTDSimulator::summarizePostprocessing(QTextStream &out) const
{
  out << tr("Post-processing:") << '\n';
  double post = 0.0;
  for (const auto *f : fourierPostprocessings) {
    const double b = f->pointCount() * (sizeof(std::complex<double>) + 3.0 * sizeof(double));
    post += b;
    out << "  " << tr("spectrum \"%1\" at grid point %2: %3 points, %4, %5")
                       .arg(f->name())
                       .arg(f->location() + 1)
                       .arg(f->pointCount())
                       .arg(iterationsText(f->iterationStart(), f->iterationEnd()))
                       .arg(bytesText(b))
        << '\n';
  }
  for (auto *s : spectrogramPostprocessings) {
    const double b = static_cast<double>(s->data()->rowCount()) * s->data()->columnCount() *
                     sizeof(double);
    post += b;
    out << "  " << tr("spectrogram \"%1\" in %2: %3 rows so far, %4 (plus its spectra above)")
                       .arg(s->name())
                       .arg(s->spectralUnit())
                       .arg(s->data()->rowCount())
                       .arg(bytesText(b))
        << '\n';
  }
  if (observation) {
    for (int i = 0; i < observation->probeCount(); ++i) {
      const auto *p = observation->probe(static_cast<unsigned short>(i));
      const double b = p->count * sizeof(double);
      post += b;
      out << "  " << tr("time probe \"%1\" at grid point %2: %3 samples, %4")
                         .arg(p->name)
                         .arg(p->location + 1)
                         .arg(p->count)
                         .arg(bytesText(b))
          << '\n';
    }
  }
  for (const auto *p : poyntingPostprocessings) {
    const double b = 3.0 * p->poynting.size() * sizeof(double);
    post += b;
    out << "  " << tr("Poynting vector \"%1\": %2").arg(p->name).arg(bytesText(b)) << '\n';
  }
  if (post == 0.0)
    out << "  " << tr("none") << '\n';
  return post;
}
