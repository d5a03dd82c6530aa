#pragma once
// Spectrogram post-processing: a map of spectral magnitude built from
// Fourier post-processings, held as plain raster data (the plots show it).
//
// Static maps (plain grids) have one row per location; dynamic maps
// (ring grids) one row per window, a window being one round trip of the
// pulse through the centre cell.

#include "postprocessing/fourierpostprocessing.h"
#include "postprocessing/spectrogramdata.h"

#include <QString>
#include <QVector>

#include <vector>

template <typename I, typename T>
class SpectrogramPostprocessing
{
public:
  SpectrogramPostprocessing(const QString &spectralUnit, const QString &name)
      : spectralUnit_(spectralUnit), name_(name)
  {
  }
  virtual ~SpectrogramPostprocessing() { delete data_; }
  SpectrogramPostprocessing(const SpectrogramPostprocessing &) = delete;
  SpectrogramPostprocessing &operator=(const SpectrogramPostprocessing &) = delete;

  virtual SpectrogramData *data() const { return data_; }
  virtual void refresh(const std::vector<FourierPostprocessing<I, T> *> &) {}
  virtual void appendRow(const std::vector<T> &) {}
  virtual void clearRows() {}
  virtual std::vector<T> rowAxis() const = 0;

  const QString &spectralUnit() const { return spectralUnit_; }
  const QString &name() const { return name_; }
  bool isFrequency() const { return isFrequency_ != 0; }
  T spectralStart() const { return spectralStart_; }
  T spectralStep() const { return spectralStep_; }
  T spectralEnd() const { return spectralEnd_; }
  unsigned short frequencyExponent() const { return frequencyExponent_; }
  T rowStep() const { return rowStep_; }
  const QString &lengthUnit() const { return lengthUnit_; }

protected:
  // Spectral grid, its unit and the exponent of the paired frequency unit.
  void setSpectralGrid(T start, T step, T end, unsigned short exponent, bool frequency)
  {
    spectralStart_ = start;
    spectralStep_ = step;
    spectralEnd_ = end;
    frequencyExponent_ = exponent;
    isFrequency_ = frequency ? 1 : 0;
  }

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
  I counterA_ = 0; // static: first Fourier index; dynamic: windows opened
  I counterB_ = 0; // static: locations (rows); dynamic: maximum distance
};

template <typename I, typename T>
class StaticSpectrogramPostprocessing : public SpectrogramPostprocessing<I, T>
{
public:
  // Locations in the engine's length unit. rows and columns are the exact
  // counts of locations and spectral points; firstFourier the index of the
  // first of the rows' Fourier post-processings in the engine's list.
  StaticSpectrogramPostprocessing(const QString &name, const QString &unit, T spectralStart,
                                  T spectralStep, T spectralEnd, unsigned short exponent,
                                  bool frequency, T locationStart, T locationStep,
                                  T locationEnd, const QString &lengthUnit, I rows, I columns,
                                  I firstFourier)
      : SpectrogramPostprocessing<I, T>(unit, name), locationStart_(locationStart),
        locationStep_(locationStep), locationEnd_(locationEnd)
  {
    this->setSpectralGrid(spectralStart, spectralStep, spectralEnd, exponent, frequency);
    this->rowStep_ = locationStep;
    this->lengthUnit_ = lengthUnit;
    this->counterA_ = firstFourier;
    this->counterB_ = rows;
    this->data_ = new StaticSpectrogramData(spectralStart, spectralStep, spectralEnd,
                                            locationStart, locationStep, locationEnd, rows,
                                            columns);
  }

  // Marks the map stale; it is refilled from the Fourier post-processings
  // of its locations when it is next read.
  void refresh(const std::vector<FourierPostprocessing<I, T> *> &fourier) override
  {
    auto *d = static_cast<StaticSpectrogramData *>(this->data_);
    if (!bound_) {
      d->setSource(&fourier, this->counterA_);
      bound_ = true;
    } else {
      d->markStale();
    }
  }

  std::vector<T> rowAxis() const override
  {
    std::vector<T> axis(static_cast<std::size_t>(this->counterB_));
    for (I i = 0; i < this->counterB_; ++i)
      axis[static_cast<std::size_t>(i)] = locationStart_ + static_cast<T>(i) * locationStep_;
    return axis;
  }

  I firstFourierIndex() const { return this->counterA_; }
  I locationCount() const { return this->counterB_; }
  T locationStart() const { return locationStart_; }
  T locationStep() const { return locationStep_; }
  T locationEnd() const { return locationEnd_; }

private:
  T locationStart_;
  T locationStep_;
  T locationEnd_;
  bool bound_ = false;
};

template <typename I, typename T>
class DynamicSpectrogramPostprocessing : public SpectrogramPostprocessing<I, T>
{
public:
  DynamicSpectrogramPostprocessing(const QString &name, const QString &unit, T spectralStart,
                                   T spectralStep, T spectralEnd, unsigned short exponent,
                                   bool frequency, T gridLength, const QString &lengthUnit,
                                   I maximumDistance)
      : SpectrogramPostprocessing<I, T>(unit, name)
  {
    this->setSpectralGrid(spectralStart, spectralStep, spectralEnd, exponent, frequency);
    this->rowStep_ = gridLength;
    this->lengthUnit_ = lengthUnit;
    this->counterA_ = 0;
    this->counterB_ = maximumDistance;
    this->data_ = new DynamicSpectrogramData(spectralStart, spectralStep, spectralEnd, gridLength);
  }

  void appendRow(const std::vector<T> &row) override
  {
    QVector<double> r(static_cast<int>(row.size()));
    for (std::size_t i = 0; i < row.size(); ++i)
      r[static_cast<int>(i)] = row[i];
    this->data_->appendRow(r);
  }
  void clearRows() override { this->data_->clearValues(); }

  // (i + 0.5) L for i = 0 ... windows.
  std::vector<T> rowAxis() const override
  {
    std::vector<T> axis(static_cast<std::size_t>(this->counterA_) + 1);
    for (std::size_t i = 0; i < axis.size(); ++i)
      axis[i] = (static_cast<T>(i) + 0.5) * this->rowStep_;
    return axis;
  }

  I windowCount() const { return this->counterA_; }
  I maximumDistance() const { return this->counterB_; }
  T gridLength() const { return this->rowStep_; }

  // Fourier post-processings of the windows, oldest first (owned by the engine).
  const std::vector<FourierPostprocessing<I, T> *> &windows() const { return windows_; }
  // Records a newly opened window; the count grows by one.
  void addWindow(FourierPostprocessing<I, T> *fourier)
  {
    windows_.push_back(fourier);
    ++this->counterA_;
  }
  // True once the windows cover the maximum distance.
  bool distanceCovered() const
  {
    return static_cast<T>(this->counterB_) <= static_cast<T>(this->counterA_) * this->rowStep_;
  }

private:
  std::vector<FourierPostprocessing<I, T> *> windows_;
};
