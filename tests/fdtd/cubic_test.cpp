// The cubic solver and the choice of the continuing root.

#include "fdtd/sections/cubic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

TEST(Cubic, OneRealRoot)
{
  const CubicRoots r = solveCubic(0, 0, -8); // x^3 = 8
  EXPECT_EQ(r.count, 1);
  EXPECT_NEAR(r.r0, 2.0, 1e-14);
  // The complex pair -1 +- i sqrt(3): r1 its real part, r2 its imaginary part.
  EXPECT_NEAR(r.r1, -1.0, 1e-14);
  EXPECT_NEAR(std::fabs(r.r2), std::sqrt(3.0), 1e-14);
  EXPECT_EQ(nearestRoot(r, -1.0), r.r0); // the only real root, however far
}

TEST(Cubic, ThreeRealRootsAndTheNearestOne)
{
  const CubicRoots r = solveCubic(-6, 11, -6); // (x-1)(x-2)(x-3)
  EXPECT_EQ(r.count, 3);
  std::vector<double> roots{r.r0, r.r1, r.r2};
  std::sort(roots.begin(), roots.end());
  EXPECT_NEAR(roots[0], 1.0, 1e-12);
  EXPECT_NEAR(roots[1], 2.0, 1e-12);
  EXPECT_NEAR(roots[2], 3.0, 1e-12);
  EXPECT_NEAR(nearestRoot(r, 2.2), 2.0, 1e-12);
  EXPECT_NEAR(nearestRoot(r, 0.0), 1.0, 1e-12);
  EXPECT_NEAR(nearestRoot(r, 10.0), 3.0, 1e-12);
}

TEST(Cubic, AllZero)
{
  const CubicRoots r = solveCubic(0, 0, 0); // 0/0 guarded: phi = 0
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.r0, 0.0);
  EXPECT_EQ(r.r1, 0.0);
  EXPECT_EQ(r.r2, 0.0);
}

TEST(Cubic, DoubleRootFallsIntoTheThreeRootBranch)
{
  const CubicRoots r = solveCubic(-4, 5, -2); // (x-1)^2 (x-2)
  EXPECT_EQ(r.count, 3);
  std::vector<double> roots{r.r0, r.r1, r.r2};
  std::sort(roots.begin(), roots.end());
  EXPECT_NEAR(roots[0], 1.0, 1e-7);
  EXPECT_NEAR(roots[1], 1.0, 1e-7);
  EXPECT_NEAR(roots[2], 2.0, 1e-12);
}

TEST(Cubic, NearlyNegativeQNeverGivesNaN)
{
  // R^2 <= Q^3 + 1e-14 with a slightly negative Q: the roots stay finite.
  const CubicRoots r = solveCubic(0, 3e-6, 0); // Q = -1e-6, R = 0
  EXPECT_EQ(r.count, 3);
  EXPECT_TRUE(std::isfinite(r.r0) && std::isfinite(r.r1) && std::isfinite(r.r2));
  EXPECT_NEAR(nearestRoot(r, 0.0), 0.0, 1e-12);
}

TEST(Cubic, RootChoiceTiesAndDoubleRoots)
{
  CubicRoots two;
  two.count = 2;
  two.r0 = 1.0;
  two.r1 = 3.0;
  two.r2 = 3.0;
  EXPECT_EQ(nearestRoot(two, 2.0), 1.0); // equally near: r0
  EXPECT_EQ(nearestRoot(two, 2.5), 3.0);
  CubicRoots three;
  three.count = 3;
  three.r0 = 4.0;
  three.r1 = 0.0;
  three.r2 = 2.0;
  EXPECT_EQ(nearestRoot(three, 1.0), 0.0); // r1 and r2 equally near: the earlier
  EXPECT_EQ(nearestRoot(three, 3.0), 4.0); // r0 and r2 equally near: the earlier
  EXPECT_EQ(nearestRoot(three, 2.1), 2.0);
}

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
  }
}
