#include "uppe/refractiveindex.h"

#include "input/physicalconstants.h"

#include <gmp.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
using physconst::speedOfLight;
using physconst::twoPi;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
} // namespace

Complex smithDivide(double numerator, Complex denominator)
{
  const double re = denominator.real();
  const double im = denominator.imag();
  if (std::isnan(re) || std::isnan(im))
    return {notANumber, notANumber};
  if (std::fabs(re) <= std::fabs(im)) {
    const double r = re / im;
    const double d = r * re + im;
    if (d == 0.0 || std::isnan(d))
      return {notANumber, notANumber};
    return {numerator * r / d, -numerator / d};
  }
  const double r = im / re;
  const double d = r * im + re;
  if (d == 0.0 || std::isnan(d))
    return {notANumber, notANumber};
  return {numerator / d, -numerator * r / d};
}

Complex refractiveIndexFromPermittivity(Complex epsilon, bool lossy)
{
  if (!std::isfinite(epsilon.real()) || !std::isfinite(epsilon.imag()))
    return {notANumber, notANumber};
  mpf_set_default_prec(256);
  mpf_t x, y, m, t;
  mpf_inits(x, y, m, t, nullptr);
  mpf_set_d(x, epsilon.real());
  mpf_set_d(y, epsilon.imag());
  mpf_pow_ui(m, x, 2);
  mpf_pow_ui(t, y, 2);
  mpf_add(m, m, t);
  mpf_sqrt(m, m);
  mpf_add(t, m, x);
  const double u = mpf_get_d(t);
  mpf_sub(t, m, x);
  const double v = mpf_get_d(t);
  mpf_clears(x, y, m, t, nullptr);
  const double re = std::sqrt(u * 0.5);
  return lossy ? Complex(re, std::sqrt(v * 0.5)) : Complex(re, 0.0);
}

void lorentzRefractiveIndex(int poles, std::vector<Complex> &out, std::vector<double> frequencies,
                            std::vector<double> strengths, std::vector<double> resonances,
                            std::vector<double> dampings, double epsStatic, double epsInfinity,
                            bool lossy)
{
  const std::size_t count = std::min(out.size(), frequencies.size());
  std::size_t p = poles < 0 ? 0 : std::size_t(poles);
  p = std::min({p, strengths.size(), resonances.size(), dampings.size()});
  for (std::size_t k = 0; k < count; ++k) {
    const double f = frequencies[k];
    Complex chi(0.0, 0.0);
    for (std::size_t i = 0; i < p; ++i) {
      const double f0 = resonances[i];
      chi += smithDivide(strengths[i] * f0 * f0, Complex(f0 * f0 - f * f, dampings[i] * f));
    }
    const double scale = epsStatic - epsInfinity;
    const Complex epsilon(epsInfinity + scale * chi.real(), scale * chi.imag());
    out[k] = refractiveIndexFromPermittivity(epsilon, lossy);
  }
}

std::vector<Complex> taylorRefractiveIndex(const std::vector<double> &frequencies, double fr,
                                           const std::vector<double> &coefficients)
{
  std::vector<double> beta(frequencies.size(), 0.0);
  double factorial = 1.0;
  for (std::size_t o = 0; o < coefficients.size(); ++o) {
    const int order = int(o) + 1;
    factorial *= order;
    const double b = coefficients[o];
    if (b == 0.0)
      continue;
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
      const double x = twoPi * (frequencies[k] - fr);
      const double power = order == 2 ? x * x : std::pow(x, order);
      beta[k] += b * power / factorial;
    }
  }
  std::vector<Complex> index(frequencies.size(), Complex(0.0, 0.0));
  for (std::size_t k = 0; k < frequencies.size(); ++k)
    if (frequencies[k] != 0.0)
      index[k] = Complex(beta[k] * speedOfLight / (twoPi * frequencies[k]), 0.0);
  return index;
}

std::vector<Complex> stepRefractiveIndex(int count, double stepFrequency, double df, Complex low,
                                         Complex high)
{
  const int n = count < 0 ? 0 : count;
  const double q = df > 0.0 ? stepFrequency / df : 0.0;
  int K = 0;
  if (q >= double(n))
    K = n;
  else if (q > 0.0)
    K = int(q);
  std::vector<Complex> index(std::size_t(n), high);
  for (int k = 0; k < K; ++k)
    index[std::size_t(k)] = low;
  return index;
}
