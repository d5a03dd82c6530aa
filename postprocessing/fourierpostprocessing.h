#pragma once
// Running discrete Fourier transform of the field at one grid cell.

#include "input/units.h"

#include <QString>

#include <cmath>
#include <complex>
#include <vector>

template <typename I, typename T>
class FourierPostprocessing
{
public:
  FourierPostprocessing(const QString &name, I location, I iterationStart, I iterationEnd,
                        T spectralStart, T spectralStep, T spectralEnd, T dt,
                        unsigned short unitExponent)
      : iterationStart_(iterationStart), iterationEnd_(iterationEnd), name_(name),
        location_(location), spectralStart_(spectralStart), spectralStep_(spectralStep),
        spectralEnd_(spectralEnd), unitScale_(powerOfTen(unitExponent)),
        unitExponent_(unitExponent)
  {
    pointCount_ = spectralStep > 0
                      ? static_cast<I>(std::ceil((spectralEnd - spectralStart) / spectralStep) + 1)
                      : 1;
    if (pointCount_ < 0)
      pointCount_ = 0;
    spectrum_.assign(pointCount_, std::complex<T>(0, 0));
    magnitude_.assign(pointCount_, 0);
    phase_.assign(pointCount_, 0);
    angularStep_ = 6.283185307179586 * dt * unitScale_;
  }
  virtual ~FourierPostprocessing() = default;

  // Accumulates the sample of one iteration.
  virtual void process(const std::vector<T> &field, I iteration)
  {
    if (iteration < iterationStart_ || iteration > iterationEnd_)
      return;
    const T x = field[location_];
    lastSample_ = x;
    for (I k = 0; k < pointCount_; ++k) {
      const T theta = angularStep_ * frequencyAt(k) * static_cast<T>(sampleCount_);
      spectrum_[k] += x * std::complex<T>(std::cos(theta), std::sin(theta));
    }
    ++sampleCount_;
    for (I k = 0; k < pointCount_; ++k) {
      magnitude_[k] = 20 * std::log10(std::hypot(spectrum_[k].real(), spectrum_[k].imag()));
      phase_[k] = std::atan2(spectrum_[k].imag(), spectrum_[k].real());
    }
  }

  // Unit of the spectral axis as shown to the user.
  virtual QString unitName() const { return frequencyUnitName(unitExponent_); }

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
  const std::vector<std::complex<T>> &spectrum() const { return spectrum_; }
  const std::vector<T> &magnitudes() const { return magnitude_; }
  const std::vector<T> &phases() const { return phase_; }

protected:
  virtual T frequencyAt(I k) const { return spectralStart_ + static_cast<T>(k) * spectralStep_; }

  I iterationStart_;
  I iterationEnd_;
  QString name_;
  I location_;
  T spectralStart_;
  T spectralStep_;
  T spectralEnd_;
  std::vector<std::complex<T>> spectrum_;
  std::vector<T> magnitude_;
  std::vector<T> phase_;
  I pointCount_ = 0;
  unsigned sampleCount_ = 0;
  T lastSample_ = 0;
  T unitScale_;
  unsigned short unitExponent_;
  T angularStep_ = 0;
};
