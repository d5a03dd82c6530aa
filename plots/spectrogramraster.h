#pragma once
// The Qwt side of a spectrogram's raster data: the spectrogram item owns
// (and deletes) its raster data while the engine owns the map, so the item
// gets this view. It copies the engine's map into a Qwt matrix before every
// painting (implicitly shared, no deep copy) and carries the intervals used
// for display.

#include <qwt_matrix_raster_data.h>
#include <qwt_raster_data.h>

class SpectrogramData;

class SpectrogramRaster : public QwtRasterData
{
public:
  // Values between cell centres are interpolated bilinearly.
  SpectrogramRaster() { matrix.setResampleMode(QwtMatrixRasterData::BilinearInterpolation); }
  void setSource(const SpectrogramData *data);

  // Brings the matrix up to date with the engine's map (a lazily refilled
  // map is filled here, before Qwt asks for values from several threads).
  void initRaster(const QRectF &area, const QSize &raster) override;
  void discardRaster() override { matrix.discardRaster(); }
  // A pixel of the image Qwt renders: a cell divided by subdivisions.
  QRectF pixelHint(const QRectF &area) const override;
  static constexpr int subdivisions = 4;
  // Qwt's lookup; for a degenerate axis (a single location, a zero step) the
  // nearest cell.
  double value(double x, double y) const override;

private:
  void synchronise() const;

  const SpectrogramData *source = nullptr;
  mutable QwtMatrixRasterData matrix;
  mutable bool usable = false; // rows, columns and intervals of positive width
};
