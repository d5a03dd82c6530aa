#pragma once
// Raster data of a spectrogram: row-major magnitudes (dB) over an x
// (spectral) and a y (distance) interval. The plots show it through their own
// raster adapter.
//
// Static maps take their rows from the magnitude vectors of a range of
// Fourier post-processings and are refilled lazily: the engine marks the map
// stale after every step and the map is rebuilt the next time anyone reads
// it (any accessor).

#include <QVector>
#include <QtGlobal>

#include <vector>

template <typename I, typename T> class FourierPostprocessing;

// A closed range of one axis of the map.
struct SpectrogramInterval
{
  double minimum = 0.0;
  double maximum = 0.0;
  double minValue() const { return minimum; }
  double maxValue() const { return maximum; }
};

class SpectrogramData
{
public:
  // X interval [xMinimum, xMaximum], no values, colour range at its sentinels.
  SpectrogramData(double xMinimum, double xMaximum, double rowStep);
  SpectrogramData();
  virtual ~SpectrogramData();

  virtual void appendRow(const QVector<double> &row);
  virtual void clearValues();

  SpectrogramInterval interval(Qt::Axis axis) const { return axis == Qt::XAxis ? xRange : yRange; }

  int columnCount() const;
  int rowCount() const;
  const QVector<double> &matrixValues() const;
  double minimum() const;
  double maximum() const;
  double rowStepValue() const { return rowStep; }

protected:
  // Brings a lazily filled map up to date; the base has nothing to do.
  virtual void bringUpToDate() const {}
  void setInterval(Qt::Axis axis, double minimum, double maximum)
  {
    (axis == Qt::XAxis ? xRange : yRange) = SpectrogramInterval{minimum, maximum};
  }

  QVector<double> values;
  int columns = 0;
  int rows = 0;
  double minimumValue = -1.7976931348623157e308;
  double maximumValue = 1.7976931348623157e308;
  double rowStep = 0;
  SpectrogramInterval xRange;
  SpectrogramInterval yRange;
};

// One row per location, each the current magnitude spectrum of that
// location's Fourier post-processing. Non-finite magnitudes (-inf of an
// all-zero spectrum) are shown as 0.
class StaticSpectrogramData : public SpectrogramData
{
public:
  StaticSpectrogramData(double spectralStart, double spectralStep, double spectralEnd,
                        double locationStart, double locationStep, double locationEnd);
  // The same with the row and column counts given by the caller (the
  // parser counts cells, which is exact, rather than lengths).
  StaticSpectrogramData(double spectralStart, double spectralStep, double spectralEnd,
                        double locationStart, double locationStep, double locationEnd,
                        int rowCount, int columnCount);

  // Rows come from fourier[first ... first + rows - 1]; marks the map stale.
  void setSource(const std::vector<FourierPostprocessing<int, double> *> *fourier, int first);
  void markStale() { stale = true; }

protected:
  void bringUpToDate() const override;

private:
  // Copies the magnitudes of the source entries into rows 0 ... rows - 1.
  void fill();
  const std::vector<FourierPostprocessing<int, double> *> *source = nullptr;
  int sourceFirst = 0;
  mutable bool stale = false;
};

// One row per window of a dynamic spectrogram, appended at period boundaries.
class DynamicSpectrogramData : public SpectrogramData
{
public:
  // X = [spectral start, last grid point]; row step = grid length L.
  DynamicSpectrogramData(double spectralStart, double spectralStep, double spectralEnd,
                         double gridLength);

  void appendRow(const QVector<double> &row) override;
  void clearValues() override;

  double lastRowMinimum() const { return rowMinimum; }
  double lastRowMaximum() const { return rowMaximum; }

private:
  double rowMinimum = 0;
  double rowMaximum = 0;
};
