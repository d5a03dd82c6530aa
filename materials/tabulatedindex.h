#pragma once
// A refractive index tabulated against the wavelength: a text file of lines
// "wavelength_um n [k]" ("#" lines and empty lines skipped; wavelengths
// strictly increasing or strictly decreasing; n > 0, k >= 0, a missing k is
// 0). Between samples n and k are interpolated separately with GSL's
// monotone Steffen interpolation, so no overshoot appears between samples.

#include <QString>

#include <gsl/gsl_interp.h>

#include <complex>
#include <memory>
#include <vector>

namespace materials {

class TabulatedIndex
{
public:
  // Data files larger than this are refused.
  static constexpr long long maximumFileBytes = 16ll * 1024 * 1024;

  TabulatedIndex(const TabulatedIndex &) = delete;
  TabulatedIndex &operator=(const TabulatedIndex &) = delete;

  // Reads the file; on failure returns null and says why in reason (with
  // the line number inside the file where one is at fault).
  static std::unique_ptr<TabulatedIndex> read(const QString &fileName, QString &reason);

  double shortest() const { return wavelength.front(); }
  double longest() const { return wavelength.back(); }
  // n + i k at a wavelength inside [shortest, longest] (um); NaN outside.
  std::complex<double> at(double micrometres) const;

private:
  TabulatedIndex() = default;
  // The samples of the file's lines; false with the reason on the first bad line.
  bool readSamples(const QStringList &lines, const QString &fileName, QString &reason);
  struct InterpFree { void operator()(gsl_interp *i) const { gsl_interp_free(i); } };
  struct AccelFree { void operator()(gsl_interp_accel *a) const { gsl_interp_accel_free(a); } };

  std::vector<double> wavelength; // increasing
  std::vector<double> n;
  std::vector<double> k;
  std::unique_ptr<gsl_interp, InterpFree> nInterpolation;
  std::unique_ptr<gsl_interp, InterpFree> kInterpolation;
  std::unique_ptr<gsl_interp_accel, AccelFree> accelerator;
};

} // namespace materials
