#pragma once
// Real roots of x^3 + a x^2 + b x + c = 0 and the choice of the root that
// continues a field value.

struct CubicRoots
{
  int count = 0; // 1: r0 (r2 is then the imaginary part of the complex pair);
                 // 2: the real root r0 and the double root r1 (= r2); 3: r0, r1, r2
  double r0 = 0.0;
  double r1 = 0.0;
  double r2 = 0.0;
};

CubicRoots solveCubic(double a, double b, double c);

// The real root nearest to previous (the earlier root on a tie).
double nearestRoot(const CubicRoots &roots, double previous);
