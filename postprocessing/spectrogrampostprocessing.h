#pragma once
// Spectrogram post-processing: a map of spectral magnitude built from
// Fourier post-processings, shown through a Qwt raster-data object.

#include <QString>

#include <vector>

class SpectrogramData;
template <typename I, typename T> class FourierPostprocessing;

template <typename I, typename T>
class SpectrogramPostprocessing
{
public:
  SpectrogramPostprocessing(const QString &spectralUnit, const QString &name)
      : spectralUnit_(spectralUnit), name_(name)
  {
  }
  virtual ~SpectrogramPostprocessing();

  virtual SpectrogramData *data() const { return data_; }
  virtual void refresh(const std::vector<FourierPostprocessing<I, T> *> &) {}
  virtual void appendRow(const std::vector<T> &) {}
  virtual void clearRows() {}
  virtual std::vector<T> rowAxis() const = 0;

  const QString &spectralUnit() const { return spectralUnit_; }
  const QString &name() const { return name_; }
  bool isFrequency() const { return isFrequency_ != 0; }

protected:
  QString spectralUnit_;
  QString name_;
  T spectralStart_ = 0;
  T spectralStep_ = 0;
  T spectralEnd_ = 0;
  unsigned short frequencyExponent_ = 0;
  unsigned char isFrequency_ = 1;
  T rowStep_ = 0;
  QString lengthUnit_;
  SpectrogramData *data_ = nullptr;
  I counterA_ = 0;
  I counterB_ = 0;
};

#include "postprocessing/spectrogramdata.h"

template <typename I, typename T>
SpectrogramPostprocessing<I, T>::~SpectrogramPostprocessing()
{
  delete data_;
}
