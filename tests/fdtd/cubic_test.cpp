// The cubic solver: random cubics with known roots, three real or one real
// and a complex pair, and the choice of the continuing root.

#include "fdtd/sections/cubic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

TEST(Cubic, RandomCubicsWithKnownRoots)
{
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> u(-5.0, 5.0);
  for (int n = 0; n < 2000; ++n) {
    // Three distinct real roots.
    double x[3] = {u(random), u(random), u(random)};
    std::sort(x, x + 3);
    if (x[1] - x[0] < 0.05 || x[2] - x[1] < 0.05)
      continue;
    const double a = -(x[0] + x[1] + x[2]);
    const double b = x[0] * x[1] + x[0] * x[2] + x[1] * x[2];
    const double c = -x[0] * x[1] * x[2];
    const CubicRoots r = solveCubic(a, b, c);
    ASSERT_EQ(r.count, 3) << x[0] << " " << x[1] << " " << x[2];
    double got[3] = {r.r0, r.r1, r.r2};
    std::sort(got, got + 3);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(got[k], x[k], 1e-9 * (1 + std::fabs(x[k])));
    EXPECT_NEAR(nearestRoot(r, x[1] + 0.01), x[1], 1e-9 * (1 + std::fabs(x[1])));

    // One real root and a complex pair re +- i im.
    const double root = u(random), re = u(random), im = 0.1 + std::fabs(u(random));
    // (x - root)(x^2 - 2 re x + re^2 + im^2)
    const double s = re * re + im * im;
    const CubicRoots one = solveCubic(-2 * re - root, s + 2 * re * root, -root * s);
    ASSERT_EQ(one.count, 1);
    EXPECT_NEAR(one.r0, root, 1e-9 * (1 + std::fabs(root) + s));
    EXPECT_NEAR(one.r1, re, 1e-8 * (1 + std::fabs(re) + s));
    EXPECT_NEAR(std::fabs(one.r2), im, 1e-8 * (1 + s));
    EXPECT_EQ(nearestRoot(one, re), one.r0); // the real root continues, however near the pair's real part
  }
  const CubicRoots triple = solveCubic(-3.0, 3.0, -1.0); // (x - 1)^3: q = r = 0
  EXPECT_EQ(std::make_tuple(triple.count, triple.r0, triple.r1, triple.r2), std::make_tuple(3, 1.0, 1.0, 1.0));
}
