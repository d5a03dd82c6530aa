#pragma once
// Running discrete Fourier transform of the field at one grid cell.
//
// The spectrum is the plain, unnormalised sum
//     S[k] = sum_n x_n exp(i w f_k n),   w = 2 pi dt 10^e,
// over the samples x_n of the window, n counted from the first contributing
// iteration. Magnitude (20 log10 |S|) and phase (atan2) follow the spectrum.
//
// Evaluating that sum with a sine and a cosine per point and per sample is far
// too slow for a static spectrogram holding hundreds of these objects, so the
// samples are collected in a short block and the block is summed per point
// with the second-order Goertzel recurrence
//     s_j = x_j + 2 cos(w f) s_(j-1) - s_(j-2),
// which needs one multiply and two additions per point and sample. The block
// sum is then rotated by the phasor of its last sample. Those phasors advance
// by one precomputed rotation per full block (after a read in mid-block, by
// repeated squaring of the one-sample rotation) and are recomputed from
// sin/cos after a few dozen such multiplications, so the rounding error stays
// at the level of the direct formula. A read adds the samples collected so
// far; magnitude and phase are computed when they are read.

#include "input/physicalconstants.h"
#include "input/units.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <vector>

// Number of points of the grid start, start + step, ... reaching end:
// ceil((end - start) / step) + 1, where a quotient that misses a whole number
// only by the rounding of the division (0.6 / 0.1 = 6.000000000000001)
// counts as that number: the end is then the last point, not one step short
// of it. A step of 0 (or a grid that is not finite) gives -1, for the caller
// to reject unless start equals end (one point).
inline long long spectralGridCount(double start, double step, double end)
{
  if (!(step > 0.0)) {
    return start == end ? 1 : -1;
  }
  const double n = std::ceil((end - start) / step - 1e-9) + 1.0;
  if (!std::isfinite(n) || n < 1.0 || n > 4.0e18)
    return -1;
  return static_cast<long long>(n);
}

template <typename I, typename T>
class FourierPostprocessing
{
public:
  // Frequency grid start, start + step, ... (units of 10^unitExponent Hz).
  FourierPostprocessing(const QString &name, I location, I iterationStart, I iterationEnd,
                        T spectralStart, T spectralStep, T spectralEnd, T dt,
                        unsigned short unitExponent)
      : iterationStart_(iterationStart), iterationEnd_(iterationEnd), name_(name),
        location_(location), spectralStart_(spectralStart), spectralStep_(spectralStep),
        spectralEnd_(spectralEnd), unitScale_(powerOfTen(unitExponent)),
        unitExponent_(unitExponent)
  {
    const long long n = spectralGridCount(spectralStart, spectralStep, spectralEnd);
    pointCount_ = n > 0 ? static_cast<I>(n) : 0;
    std::vector<T> f(static_cast<std::size_t>(pointCount_));
    for (I k = 0; k < pointCount_; ++k)
      f[k] = spectralStart_ + static_cast<T>(k) * spectralStep_;
    setUp(f, dt);
  }
  virtual ~FourierPostprocessing() = default;
  FourierPostprocessing(const FourierPostprocessing &) = delete;
  FourierPostprocessing &operator=(const FourierPostprocessing &) = delete;

  // Accumulates the sample of one iteration.
  virtual void process(const std::vector<T> &field, I iteration)
  {
    if (iteration < iterationStart_ || iteration > iterationEnd_)
      return;
    const T x = field[static_cast<std::size_t>(location_)];
    lastSample_ = x;
    block_[blockFill_++] = x;
    ++sampleCount_;
    current_ = 0;
    if (blockFill_ == BlockLength)
      flushBlock();
  }

  // Unit of the spectral axis as shown to the user.
  virtual QString unitName() const { return frequencyUnitName(unitExponent_); }
  // True when the spectrum's axis is a wavelength grid (its unit a length).
  virtual bool isWavelength() const { return false; }

  const QString &name() const { return name_; }
  I location() const { return location_; }
  I iterationStart() const { return iterationStart_; }
  I iterationEnd() const { return iterationEnd_; }
  T spectralStart() const { return spectralStart_; }
  T spectralStep() const { return spectralStep_; }
  T spectralEnd() const { return spectralEnd_; }
  I pointCount() const { return pointCount_; }
  unsigned sampleCount() const { return sampleCount_; }
  T lastSample() const { return lastSample_; }
  unsigned short unitExponent() const { return unitExponent_; }
  T unitScale() const { return unitScale_; }
  T angularStep() const { return angularStep_; }
  // Frequency of point k in units of 10^unitExponent Hz.
  T frequency(I k) const { return frequencies_[static_cast<std::size_t>(k)]; }

  const std::vector<std::complex<T>> &spectrum() const
  {
    flushBlock();
    if (!(current_ & SpectrumCurrent)) {
      const std::size_t n = static_cast<std::size_t>(pointCount_);
      for (std::size_t k = 0; k < n; ++k)
        spectrum_[k] = std::complex<T>(sumRe_[k], sumIm_[k]);
      current_ |= SpectrumCurrent;
    }
    return spectrum_;
  }
  // 20 log10 |S|: -inf for a zero spectrum; zeros before the first sample.
  const std::vector<T> &magnitudes() const
  {
    flushBlock();
    if (!(current_ & MagnitudeCurrent)) {
      const std::size_t n = static_cast<std::size_t>(pointCount_);
      for (std::size_t k = 0; k < n; ++k) {
        const T re = std::fabs(sumRe_[k]);
        const T im = std::fabs(sumIm_[k]);
        const T big = std::max(re, im);
        // 10 log10(re^2 + im^2) where the squares can neither overflow nor
        // lose precision to underflow; hypot elsewhere (0, inf, nan, extremes).
        if (big < T(1e150) && big > T(1e-150))
          magnitude_[k] = 10 * std::log10(re * re + im * im);
        else if (big == 0)
          magnitude_[k] = -std::numeric_limits<T>::infinity(); // log10(0), without the pole error
        else
          magnitude_[k] = 20 * std::log10(std::hypot(re, im));
      }
      current_ |= MagnitudeCurrent;
    }
    return magnitude_;
  }
  // atan2(Im S, Re S); zeros before the first sample.
  const std::vector<T> &phases() const
  {
    flushBlock();
    if (!(current_ & PhaseCurrent)) {
      const std::size_t n = static_cast<std::size_t>(pointCount_);
      for (std::size_t k = 0; k < n; ++k)
        phase_[k] = std::atan2(sumIm_[k], sumRe_[k]);
      current_ |= PhaseCurrent;
    }
    return phase_;
  }

protected:
  // For the list variant: explicit frequencies.
  FourierPostprocessing(const QString &name, I location, I iterationStart, I iterationEnd,
                        T spectralStart, T spectralStep, T spectralEnd, T dt,
                        unsigned short unitExponent, const std::vector<T> &frequencies)
      : iterationStart_(iterationStart), iterationEnd_(iterationEnd), name_(name),
        location_(location), spectralStart_(spectralStart), spectralStep_(spectralStep),
        spectralEnd_(spectralEnd), unitScale_(powerOfTen(unitExponent)),
        unitExponent_(unitExponent)
  {
    pointCount_ = static_cast<I>(frequencies.size());
    setUp(frequencies, dt);
  }

private:
  static constexpr int BlockLength = 128;
  // Complex multiplications the end phasors may go through before they are
  // recomputed from sin/cos.
  static constexpr int MaxRotations = 64;
  static constexpr int Tile = 24;

  void setUp(const std::vector<T> &f, T dt)
  {
    angularStep_ = physconst::twoPi * dt * unitScale_;
    const std::size_t n = static_cast<std::size_t>(pointCount_);
    frequencies_ = f;
    spectrum_.assign(n, std::complex<T>(0, 0));
    magnitude_.assign(n, 0);
    phase_.assign(n, 0);
    twoCos_.resize(n);
    sin_.resize(n);
    cos_.resize(n);
    rotationRe_.resize(n);
    rotationIm_.resize(n);
    anchorRe_.assign(n, 1);
    anchorIm_.assign(n, 0);
    powerRe_.assign(n, 0);
    powerIm_.assign(n, 0);
    sumRe_.assign(n, 0);
    sumIm_.assign(n, 0);
    for (std::size_t k = 0; k < n; ++k) {
      const T perSample = angularStep_ * f[k];
      cos_[k] = std::cos(perSample);
      sin_[k] = std::sin(perSample);
      twoCos_[k] = 2 * cos_[k];
      const T perBlock = angularStep_ * f[k] * static_cast<T>(BlockLength);
      rotationRe_[k] = std::cos(perBlock);
      rotationIm_[k] = std::sin(perBlock);
    }
  }

  // Adds the collected samples to the spectrum.
  void flushBlock() const
  {
    const int b = blockFill_;
    if (b == 0)
      return;
    blockFill_ = 0;
    const unsigned last = sampleCount_ - 1; // index n of the newest sample
    const std::size_t n = static_cast<std::size_t>(pointCount_);
    // Phasor exp(i w f last) of the block's newest sample: the previous one
    // advanced by b samples, or, when that chain has grown long, sin/cos.
    const unsigned advance = last - anchorIndex_;
    const int cost = advance == static_cast<unsigned>(BlockLength) ? 1 : rotationCost(advance);
    if (anchored_ && advance >= 1 && advance <= static_cast<unsigned>(BlockLength) &&
        rotations_ + cost <= MaxRotations) {
      if (advance == static_cast<unsigned>(BlockLength))
        rotateAnchor(rotationRe_.data(), rotationIm_.data());
      else
        rotateAnchorBySamples(advance);
      rotations_ += cost;
    } else {
      const T m = static_cast<T>(last);
      for (std::size_t k = 0; k < n; ++k) {
        const T theta = angularStep_ * frequencies_[k] * m;
        anchorRe_[k] = std::cos(theta);
        anchorIm_[k] = std::sin(theta);
      }
      rotations_ = 0;
      anchored_ = true;
    }
    anchorIndex_ = last;

    // Goertzel over the block, Tile points at a time so that the two states
    // stay in registers. With s1 = s_(b-1), s2 = s_(b-2) the block sum
    // sum_j x_j exp(i w f j) equals exp(i w f (b-1)) (s1 - exp(i w f) s2), so
    // the spectrum receives anchor * ((s1 - cos s2) - i sin s2).
    const T *x = block_;
    std::size_t k0 = 0;
    for (; k0 + Tile <= n; k0 += Tile) {
      T c2[Tile], s1[Tile], s2[Tile];
      for (int t = 0; t < Tile; ++t) {
        c2[t] = twoCos_[k0 + t];
        s1[t] = 0;
        s2[t] = 0;
      }
      for (int j = 0; j < b; ++j) {
        const T xj = x[j];
        for (int t = 0; t < Tile; ++t) {
          // x - s2 does not wait for the previous sample: the chain from
          // one sample to the next is one multiply and one add.
          const T s0 = c2[t] * s1[t] + (xj - s2[t]);
          s2[t] = s1[t];
          s1[t] = s0;
        }
      }
      for (int t = 0; t < Tile; ++t)
        accumulate(k0 + t, s1[t], s2[t]);
    }
    for (; k0 < n; ++k0) {
      const T c2 = twoCos_[k0];
      T s1 = 0, s2 = 0;
      for (int j = 0; j < b; ++j) {
        const T s0 = c2 * s1 + (x[j] - s2);
        s2 = s1;
        s1 = s0;
      }
      accumulate(k0, s1, s2);
    }
  }

  // Complex multiplications needed to rotate by `samples` single-sample
  // rotations through repeated squaring.
  static int rotationCost(unsigned samples)
  {
    int cost = 0;
    for (unsigned e = samples; e != 0; e >>= 1)
      cost += (e & 1u) ? 2 : 1;
    return cost;
  }

  void rotateAnchor(const T *re, const T *im) const
  {
    const std::size_t n = static_cast<std::size_t>(pointCount_);
    T *ar = anchorRe_.data();
    T *ai = anchorIm_.data();
    for (std::size_t k = 0; k < n; ++k) {
      const T r = ar[k] * re[k] - ai[k] * im[k];
      const T i = ar[k] * im[k] + ai[k] * re[k];
      ar[k] = r;
      ai[k] = i;
    }
  }

  // anchor *= exp(i w f)^samples, by repeated squaring of the one-sample
  // rotation.
  void rotateAnchorBySamples(unsigned samples) const
  {
    const std::size_t n = static_cast<std::size_t>(pointCount_);
    T *pr = powerRe_.data();
    T *pi = powerIm_.data();
    for (std::size_t k = 0; k < n; ++k) {
      pr[k] = cos_[k];
      pi[k] = sin_[k];
    }
    for (unsigned e = samples;;) {
      if (e & 1u)
        rotateAnchor(pr, pi);
      e >>= 1;
      if (e == 0)
        break;
      for (std::size_t k = 0; k < n; ++k) {
        const T r = pr[k] * pr[k] - pi[k] * pi[k];
        const T i = 2 * pr[k] * pi[k];
        pr[k] = r;
        pi[k] = i;
      }
    }
  }

  void accumulate(std::size_t k, T s1, T s2) const
  {
    const T ur = s1 - cos_[k] * s2;
    const T ui = -sin_[k] * s2;
    sumRe_[k] += anchorRe_[k] * ur - anchorIm_[k] * ui;
    sumIm_[k] += anchorRe_[k] * ui + anchorIm_[k] * ur;
  }

  I iterationStart_;
  I iterationEnd_;
  QString name_;
  I location_;
  T spectralStart_;
  T spectralStep_;
  T spectralEnd_;
  mutable std::vector<std::complex<T>> spectrum_;
  mutable std::vector<T> magnitude_;
  mutable std::vector<T> phase_;
  I pointCount_ = 0;
  unsigned sampleCount_ = 0;
  T lastSample_ = 0;
  T unitScale_;
  unsigned short unitExponent_;
  T angularStep_ = 0;

  std::vector<T> frequencies_;
  std::vector<T> twoCos_, sin_, cos_;
  std::vector<T> rotationRe_, rotationIm_;
  mutable std::vector<T> anchorRe_, anchorIm_;
  mutable std::vector<T> powerRe_, powerIm_;
  mutable std::vector<T> sumRe_, sumIm_;
  mutable T block_[BlockLength] = {};
  mutable int blockFill_ = 0;
  mutable unsigned anchorIndex_ = 0;
  mutable int rotations_ = 0;
  mutable bool anchored_ = false;
  enum : unsigned char { SpectrumCurrent = 1, MagnitudeCurrent = 2, PhaseCurrent = 4 };
  // Which of spectrum, magnitude and phase follow the sums (all at first,
  // when everything is zero).
  mutable unsigned char current_ = SpectrumCurrent | MagnitudeCurrent | PhaseCurrent;
};

// Fourier post-processing on an explicit frequency list computed from an
// equally spaced wavelength grid; spectral start, step and end describe that
// wavelength grid (in the section's length unit), which is the axis shown.
template <typename I, typename T>
class FourierPostprocessingFreqList : public FourierPostprocessing<I, T>
{
public:
  FourierPostprocessingFreqList(const QString &name, I location, I iterationStart,
                                I iterationEnd, T wavelengthStart, T wavelengthStep,
                                T wavelengthEnd, T dt, unsigned short unitExponent,
                                const std::vector<T> &frequencies)
      : FourierPostprocessing<I, T>(name, location, iterationStart, iterationEnd,
                                    wavelengthStart, wavelengthStep, wavelengthEnd, dt,
                                    unitExponent, frequencies),
        frequencies(frequencies)
  {
  }

  bool isWavelength() const override { return true; }

  // The wavelength unit paired with the frequency exponent: 300 m MHz,
  // 300 mm GHz, 300 um THz, 300 nm PHz.
  QString unitName() const override
  {
    switch (this->unitExponent()) {
    case 6:
      return QStringLiteral("m");
    case 9:
      return QStringLiteral("mm");
    case 12:
      return QStringLiteral("um");
    case 15:
      return QStringLiteral("nm");
    default:
      return QString(QLatin1String(""));
    }
  }

  // In units of 10^unitExponent Hz, in the order of the wavelength grid.
  const std::vector<T> frequencies;
};
