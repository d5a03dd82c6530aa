#pragma once
// Dispersion of real materials: the Sellmeier formula
//   n^2 = A + sum_i B_i lambda^2 / (lambda^2 - C_i)   (lambda in um, C_i in um^2),
// a library of common optical materials with their ranges of validity, and
// the sampling of a refractive index on the frequency bins of a run, where
// bins the material does not cover take the index at the nearest covered
// wavelength.

#include "input/physicalconstants.h"

#include <QString>
#include <QStringList>

#include <complex>
#include <limits>
#include <memory>
#include <vector>

namespace materials {

using physconst::speedOfLight; // m/s

struct Sellmeier
{
  double a = 1.0;
  std::vector<double> b;
  std::vector<double> c; // um^2
  // n^2 at the wavelength (um); infinite for a wavelength of 0 terms away
  // from a resonance, the limit A + sum B for an infinite wavelength.
  double indexSquared(double micrometres) const;
};

struct LibraryMaterial
{
  QString name;
  Sellmeier formula;
  double shortest; // um
  double longest;  // um
};

// The built-in materials; a name is matched ignoring case (null if unknown).
const std::vector<LibraryMaterial> &library();
const LibraryMaterial *findMaterial(const QString &name);
QStringList materialNames();

class TabulatedIndex;

// A complex refractive index n + i k (k >= 0: loss) as a function of the
// wavelength, covered on [shortest, longest] um where it is real and positive.
class Dispersion
{
public:
  Dispersion() = default;
  Dispersion(const QString &name, const Sellmeier &formula, double shortest = 0.0,
             double longest = std::numeric_limits<double>::infinity());
  Dispersion(const QString &name, std::shared_ptr<const TabulatedIndex> table);

  const QString &name() const { return name_; }
  double shortest() const { return shortest_; }
  double longest() const { return longest_; }

  // The index at the wavelength (um); NaN where it is not covered.
  std::complex<double> at(double micrometres) const;

  struct Samples
  {
    std::vector<std::complex<double>> index;
    int substituted = 0; // bins that took the value of a covered wavelength
    bool covered = true; // false when no bin at all was covered
  };
  // The index at each frequency (Hz, any order, >= 0): a wavelength outside
  // the range takes the index at the nearer end of the range; a bin where
  // the index is still not real and positive takes that of the bin with the
  // nearest wavelength that has one.
  Samples sample(const std::vector<double> &hertz) const;

  // Load warning for `substituted` of `total` bins.
  QString coverageWarning(int substituted, int total) const;

private:
  QString name_;
  Sellmeier formula_;
  std::shared_ptr<const TabulatedIndex> table_;
  double shortest_ = 0.0;
  double longest_ = std::numeric_limits<double>::infinity();
};

// The file a data-file name refers to: an absolute name as it is; a relative
// name beside the configuration file (folder) when it exists there, else in
// the working directory.
QString resolveDataFile(const QString &name, const QString &configurationFolder);

} // namespace materials
