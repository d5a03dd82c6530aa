#pragma once
// Raster data of a spectrogram: row-major magnitudes handed to Qwt.

#include <qwt_matrix_raster_data.h>

#include <QVector>

class SpectrogramData : public QwtMatrixRasterData
{
public:
  SpectrogramData();
  ~SpectrogramData() override;

  virtual void appendRow(const QVector<double> &row);
  virtual void fill(int first, int last);
  virtual void clearValues();

  int columnCount() const { return columns; }
  int rowCount() const { return rows; }
  const QVector<double> &matrixValues() const { return values; }

protected:
  QVector<double> values;
  int columns = 0;
  int rows = 0;
  double minimumValue = -1.7976931348623157e308;
  double maximumValue = 1.7976931348623157e308;
  double rowStep = 0;
};
