#include "fdtd/sections/cubic.h"
#include "input/physicalconstants.h"

#include <algorithm>
#include <cmath>

CubicRoots solveCubic(double a, double b, double c)
{
  CubicRoots roots;
  const double p = a / 3.0;
  const double q = p * p - b / 3.0;
  const double r = p * p * p - (p * b - c) * 0.5;
  const double q3 = q * q * q;
  if (r * r > q3 + 1e-14) {
    // One real root and a complex pair.
    double big = std::cbrt(std::sqrt(r * r - q3) + std::fabs(r));
    if (r >= 0.0)
      big = -big;
    const double small = big == 0.0 ? 0.0 : q / big;
    roots.r0 = (big + small) - p;
    roots.r1 = -0.5 * (big + small) - p;
    roots.r2 = (std::sqrt(3.0) * 0.5) * (big - small);
    if (std::fabs(roots.r2) < 1e-14) {
      roots.r2 = roots.r1;
      roots.count = 2;
    } else {
      roots.count = 1;
    }
    return roots;
  }
  // Three real roots (trigonometric form). The tolerance above can send a
  // slightly negative q here; it is then treated as 0 (a triple root).
  double u = -r / std::sqrt(q3);
  if (std::isnan(u) || u > 1.0)
    u = 1.0;
  else if (u < -1.0)
    u = -1.0;
  const double phi = std::acos(u);
  const double twoRootQ = 2.0 * std::sqrt(std::max(q, 0.0));
  const double twoPi = physconst::twoPi;
  roots.r0 = twoRootQ * std::cos(phi / 3.0) - p;
  roots.r1 = twoRootQ * std::cos((phi + twoPi) / 3.0) - p;
  roots.r2 = twoRootQ * std::cos((phi - twoPi) / 3.0) - p;
  roots.count = 3;
  return roots;
}

double nearestRoot(const CubicRoots &roots, double previous)
{
  if (roots.count == 1)
    return roots.r0;
  double best = roots.r0;
  double distance = std::fabs(roots.r0 - previous);
  const double d1 = std::fabs(roots.r1 - previous);
  if (d1 < distance) {
    best = roots.r1;
    distance = d1;
  }
  if (roots.count == 3 && std::fabs(roots.r2 - previous) < distance)
    best = roots.r2;
  return best;
}
