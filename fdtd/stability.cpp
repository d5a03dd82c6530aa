#include "fdtd/stability.h"

#include "input/physicalconstants.h"
#include "fdtd/sections/lorentz.h"

#include <gsl/gsl_eigen.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>

#include <algorithm>
#include <cmath>

std::complex<double> MaterialDescription::permittivity(double f) const
{
  std::complex<double> eps(epsilonR, 0.0);
  for (const Pole &p : poles)
    eps += p.strength * p.resonance * p.resonance /
           std::complex<double>(p.resonance * p.resonance - f * f, -f * p.damping);
  if (sigma != 0.0 && f > 0.0)
    eps += std::complex<double>(0.0, sigma / (physconst::twoPi * f * physconst::epsilon0));
  return eps;
}

std::complex<double> MaterialDescription::index(double f) const
{
  std::complex<double> n = std::sqrt(permittivity(f) * muR);
  return n.real() < 0.0 ? -n : n;
}

namespace fdtdstability {

namespace {

// The coefficients of one cell's update, as the sections compute them.
struct Scheme
{
  double curlH = 0.0;
  double decay = 1.0; // Ca
  double gain = 0.0;  // Cb
  std::vector<LorentzPole<double>> poles;

  Scheme(const MaterialDescription &m, double cellMetres, double stability)
  {
    const double dt = cellMetres / (stability * physconst::speedOfLight);
    const double curlE = dt / (cellMetres * physconst::epsilon0 * m.epsilonR);
    curlH = dt / (cellMetres * physconst::mu0 * m.muR);
    const double a = dt * 0.5 * m.sigma / (physconst::epsilon0 * m.epsilonR);
    decay = (1.0 - a) / (a + 1.0);
    gain = curlE / (a + 1.0);
    poles.resize(m.poles.size());
    for (std::size_t k = 0; k < m.poles.size(); ++k) {
      const MaterialDescription::Pole &p = m.poles[k];
      poles[k].setUp(dt, cellMetres, 1.0, 1.0, p.damping, p.resonance, p.strength, 0);
    }
  }

  // One step of the Fourier mode whose dH responds to E with -4 s2 cH:
  // x = (dH, E, J_1, Q_1, ...).
  void step(const double *x, double *y, double s2) const
  {
    const double dH = x[0] - 4.0 * s2 * curlH * x[1];
    double d = dH;
    for (std::size_t k = 0; k < poles.size(); ++k)
      d -= x[2 + 2 * k];
    const double e = decay * x[1] + gain * d;
    y[0] = dH;
    y[1] = e;
    for (std::size_t k = 0; k < poles.size(); ++k) {
      const LorentzPole<double> &p = poles[k];
      const double j = p.memory * x[2 + 2 * k] + p.drive * (e - x[3 + 2 * k]);
      y[2 + 2 * k] = j;
      y[3 + 2 * k] = x[3 + 2 * k] + p.integration * j;
    }
  }
};

constexpr int spatialSamples = 256;
constexpr double tolerance = 1e-7;

} // namespace

double amplification(const MaterialDescription &m, double cellMetres, double stability)
{
  const Scheme scheme(m, cellMetres, stability);
  const std::size_t n = 2 + 2 * m.poles.size();
  gsl_matrix *map = gsl_matrix_alloc(n, n);
  gsl_vector_complex *values = gsl_vector_complex_alloc(n);
  gsl_eigen_nonsymm_workspace *work = gsl_eigen_nonsymm_alloc(n);
  std::vector<double> x(n), y(n);
  // A failure to converge counts as unstable; it must not end the program
  // through the library's default handler.
  gsl_error_handler_t *handler = gsl_set_error_handler_off();
  double largest = 0.0;
  for (int s = 1; s <= spatialSamples; ++s) {
    const double s2 = static_cast<double>(s) / spatialSamples; // sin^2(k dz / 2)
    bool finite = true;
    for (std::size_t j = 0; j < n; ++j) {
      std::fill(x.begin(), x.end(), 0.0);
      x[j] = 1.0;
      scheme.step(x.data(), y.data(), s2);
      for (std::size_t i = 0; i < n; ++i) {
        finite = finite && std::isfinite(y[i]);
        gsl_matrix_set(map, i, j, y[i]);
      }
    }
    if (!finite || gsl_eigen_nonsymm(map, values, work) != 0 ||
        !std::isfinite(gsl_vector_complex_get(values, 0).dat[0])) {
      largest = HUGE_VAL;
      break;
    }
    for (std::size_t i = 0; i < n; ++i) {
      const gsl_complex v = gsl_vector_complex_get(values, i);
      largest = std::max(largest, std::hypot(v.dat[0], v.dat[1]));
    }
  }
  gsl_set_error_handler(handler);
  gsl_eigen_nonsymm_free(work);
  gsl_vector_complex_free(values);
  gsl_matrix_free(map);
  return largest;
}

bool stable(const MaterialDescription &m, double cellMetres, double stability)
{
  return amplification(m, cellMetres, stability) <= 1.0 + tolerance;
}

double smallestStableStability(const MaterialDescription &m, double cellMetres, double maximum)
{
  double high = 1.0 / std::sqrt(m.epsilonR * m.muR); // the vacuum-like limit
  while (high <= maximum && !stable(m, cellMetres, high))
    high *= 2.0;
  if (high > maximum)
    return 0.0;
  double low = high / 2.0;
  while (stable(m, cellMetres, low) && low > 1e-6) {
    high = low;
    low /= 2.0;
  }
  while (high - low > 1e-4 * high) {
    const double middle = 0.5 * (low + high);
    (stable(m, cellMetres, middle) ? high : low) = middle;
  }
  // Three significant digits, rounded up (and stable there).
  const double scale = std::pow(10.0, std::floor(std::log10(high)) - 2.0);
  return std::ceil(high / scale - 1e-9) * scale;
}

} // namespace fdtdstability
