// The running DFT against the direct sum wherever it is read, for the
// frequency grid and the list variant.

#include "postprocessing/fourierpostprocessing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <random>
#include <tuple>
#include <vector>

namespace {
using Fourier = FourierPostprocessing<int, double>;
using FourierList = FourierPostprocessingFreqList<int, double>;

// Time step of the runs below and the phase step per THz it implies:
// the spectrum is sum_n E_n exp(+i 2 pi f n dt).
const double dt = 1e-16;
const double angularStepPerTHz = 2 * 3.141592653589793 * dt * 1e12;

// The running sum at the frequencies of f evaluated term by term.
std::vector<std::complex<double>> directSpectrum(const Fourier &f, const std::vector<double> &samples)
{
  std::vector<std::complex<double>> s(static_cast<size_t>(f.pointCount()));
  for (size_t k = 0; k < s.size(); ++k)
    for (size_t n = 0; n < samples.size(); ++n) {
      const double theta = angularStepPerTHz * f.frequency(static_cast<int>(k)) * static_cast<double>(n);
      s[k] += samples[n] * std::complex<double>(std::cos(theta), std::sin(theta));
    }
  return s;
}

void expectMatchesDirect(const Fourier &f, const std::vector<double> &samples)
{
  const auto direct = directSpectrum(f, samples);
  double largest = 0;
  for (const auto &v : direct)
    largest = std::max(largest, std::abs(v));
  const auto &s = f.spectrum();
  ASSERT_EQ(s.size(), direct.size());
  for (size_t k = 0; k < direct.size(); ++k) {
    EXPECT_LE(std::abs(s[k] - direct[k]), 1e-9 * largest) << "point " << k;
    EXPECT_NEAR(f.magnitudes()[k], 20 * std::log10(std::hypot(s[k].real(), s[k].imag())), 1e-12);
    EXPECT_DOUBLE_EQ(f.phases()[k], std::atan2(s[k].imag(), s[k].real()));
  }
}
} // namespace

// Reads at arbitrary moments (partial blocks), long runs (many re-anchored
// blocks) and both variants agree with the direct sum.
TEST(Fourier, AgreesWithTheDirectSumWhereverItIsRead)
{
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  Fourier grid("g", 0, 5, INT_MAX, 0, 7.3, 800, dt, 12);
  std::vector<double> freqs;
  for (double lambda = 0.4; lambda <= 2.0; lambda += 0.013)
    freqs.push_back(300.0 / lambda);
  FourierList list("l", 0, 5, INT_MAX, 0.4, 0.013, 2.0, dt, 12, freqs);
  std::vector<double> samples, e(1);
  const int reads[] = {5, 6, 7, 130, 131, 200, 517, 1500, 3333};
  for (int it = 1; it <= 3333; ++it) {
    // a chirped pulse plus noise
    const double t = it - 1500.0;
    e[0] = std::exp(-t * t / 2e5) * std::cos(0.25 * it + 1e-5 * t * t) + 0.01 * noise(rng);
    grid.process(e, it);
    list.process(e, it);
    if (it >= 5)
      samples.push_back(e[0]);
    if (std::find(std::begin(reads), std::end(reads), it) != std::end(reads)) {
      SCOPED_TRACE(it);
      expectMatchesDirect(grid, samples);
      expectMatchesDirect(list, samples);
    }
  }
}

// The grid starts at its start; an end a whole number of steps away is its
// last point also where the division rounds up (0.6 / 0.1, 0.9 / 1e-6);
// otherwise the last point lies beyond the end. A step of 0 is one point or
// none.
TEST(Fourier, GridCountReachesTheEnd)
{
  const std::tuple<double, double, double, long long> cases[] = {
      {0.3, 0.1, 0.9, 7}, {0, 1e-6, 0.9, 900001}, {0, 7.3, 800, 111}, {300, 10, 305, 2}, {5, 0, 5, 1}, {5, 0, 6, -1}};
  for (const auto &[start, step, end, count] : cases)
    EXPECT_EQ(spectralGridCount(start, step, end), count) << start << " " << step << " " << end;
}
