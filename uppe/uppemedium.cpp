// The medium of the spectral engine on its frequency grid: the refractive
// index of every model, the frame velocity and the sampling of real materials.

#include "uppe/uppesimulator.h"

#include "input/physicalconstants.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

bool UPPESimulator::sampleMaterial()
{
  if (config.medium.type >= Sellmeier) {
    if (tableMissesThePulse())
      return false;
    // Bins the medium does not cover take the index of the nearest covered
    // wavelength; the set-up lists how many.
    const std::vector<double> &bins = useGeneral ? binFrequencies : frequencies;
    const materials::Dispersion &dispersion = config.medium.dispersion;
    const materials::Dispersion::Samples samples = dispersion.sample(bins);
    if (!samples.covered)
      return !fail(config.medium.parametersLine,
                   QCoreApplication::translate(
                       "Lumora", "the index is not real and positive at any frequency of the run"));
    if (samples.substituted > 0)
      parseStatus.warnings << dispersion.coverageWarning(samples.substituted, int(bins.size()));
  }
  refractiveIndex = useGeneral ? generalIndex(binFrequencies) : mediumIndex(frequencies);
  return true;
}

std::vector<Complex> UPPESimulator::mediumIndex(const std::vector<double> &f) const
{
  const MediumDescription &medium = config.medium;
  switch (medium.type) {
  case Lor1:
  case Lor1Ker1: {
    std::vector<Complex> index(f.size());
    lorentzRefractiveIndex(1, index, f, {1.0}, {medium.resonance}, {medium.damping},
                           medium.epsStatic, medium.epsInfinity, medium.lossy);
    return index;
  }
  case ConstNKer1:
    return std::vector<Complex>(f.size(), medium.constantIndex);
  case StepNKer1:
    // On the bins 0 .. fmax the step lies at K = floor(fs / df); the general
    // formulation keeps the low index everywhere.
    if (useGeneral)
      return std::vector<Complex>(f.size(), medium.stepLow);
    return stepRefractiveIndex(int(f.size()), medium.stepFrequency, df, medium.stepLow, medium.stepHigh);
  case TaylorSeriesDispersive:
    return taylorRefractiveIndex(f, medium.taylorReference, medium.taylorCoefficients);
  case Sellmeier:
  case SellmeierKer1:
  case Material:
  case MaterialKer1:
  case Tabulated:
  case TabulatedKer1: {
    std::vector<Complex> index = medium.dispersion.sample(f).index;
    if (!medium.lossy)
      for (Complex &v : index)
        v.imag(0.0);
    return index;
  }
  case Fibre:
    // The guided mode's operators replace the index (setGuidedOperators).
    return std::vector<Complex>(f.size(), Complex(1.0, 0.0));
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
  if (config.medium.type == TaylorSeriesDispersive)
    return double(config.medium.groupVelocity);
  if (config.medium.type == Fibre)
    return physconst::speedOfLight; // not used: the guided operators carry the frame
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
    return physconst::speedOfLight;
  return physconst::speedOfLight / groupIndex;
}

