#pragma once
// Heat maps of a run's evolution: "Spectral evolution" (wavelength or
// frequency against distance), "Temporal evolution" (delay in the moving
// frame against distance) and "Output spectrogram" (delay against frequency
// of the final field, with a Gaussian gate of settable width). Values in dB;
// the slider sets the floor of the colour scale below the peak.

#include "plots/abstractplotwidget.h"
#include "results/evolutionmaps.h"

struct EvolutionRecord;
class QCheckBox;
class QDoubleSpinBox;
class QwtSlider;
class SpectrogramPlot;

class EvolutionMapWidget : public AbstractPlotWidget
{
  Q_OBJECT

public:
  enum class Map { Spectral, Temporal, Spectrogram };

  EvolutionMapWidget(Simulator *engine, Map map, const QString &title, int refreshPeriod = 1,
                     QWidget *parent = nullptr);
  ~EvolutionMapWidget() override;

  void refreshPlot(Simulator *engine) override;
  bool saveToFile(const QString &fileName, Simulator *engine) override;
  NavigablePlot *navigablePlot() const override;

  // The map as shown last (for tests and pictures).
  const EvolutionMap &currentMap() const { return map_; }
  double floorDecibels() const { return floorDb; }
  QwtSlider *slider() const { return floorSlider; }
  QCheckBox *wavelengthBox() const { return wavelengthAxis; }
  QDoubleSpinBox *gateBox() const { return gateWidth; }

public slots:
  void setFloor(double decibelsBelowPeak);

private:
  void showMap();

  Map kind;
  EvolutionMap map_;
  double floorDb = 40.0;          // dB below the peak
  double timeScale = 1.0;         // seconds per display time unit
  SpectrogramPlot *plot = nullptr;
  QwtSlider *floorSlider = nullptr;
  QCheckBox *wavelengthAxis = nullptr;
  QDoubleSpinBox *gateWidth = nullptr;
  // What a control change redraws from (the widget never holds the engine):
  // both spectral maps, and the final field of the spectrogram.
  EvolutionMap frequencyMap, wavelengthMap;
  EvolutionRecord *fieldRecord = nullptr;
  void recompute();
};
