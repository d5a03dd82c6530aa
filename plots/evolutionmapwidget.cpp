#include "plots/evolutionmapwidget.h"

#include "engine/evolutionrecord.h"
#include "engine/simulator.h"
#include "results/resultcatalogue.h"
#include "plots/spectrogramplotwidget.h"

#include <qwt_matrix_raster_data.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_scale_widget.h>
#include <qwt_slider.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>
#include <cmath>

EvolutionMapWidget::EvolutionMapWidget(Simulator *engine, Map map, const QString &title, int refreshPeriod,
                                       QWidget *parent)
    : AbstractPlotWidget(refreshPeriod, title, 0, parent), kind(map)
{
  plot = new SpectrogramPlot(QString(), QString(), QString(), this);
  plot->spectrogramItem()->setData(new QwtMatrixRasterData);
  floorSlider = new QwtSlider(this);
  floorSlider->setScale(0.0, 120.0);
  floorSlider->setValue(floorDb);
  floorSlider->setToolTip(tr("Colour scale: dB below the peak"));
  connect(floorSlider, &QwtSlider::valueChanged, this, &EvolutionMapWidget::setFloor);
  auto *row = new QHBoxLayout;
  row->addWidget(plot);
  row->addWidget(floorSlider);
  gridLayout->addLayout(row, 1, 0);
  const EvolutionRecord *record = engine ? engine->evolution() : nullptr;
  if (record)
    timeScale = record->timeScale;
  auto *controls = new QHBoxLayout;
  if (kind == Map::Spectral) {
    wavelengthAxis = new QCheckBox(tr("Wavelength axis"), this);
    wavelengthAxis->setChecked(record && record->carrierHz > 0.0);
    connect(wavelengthAxis, &QCheckBox::toggled, this, [this] { recompute(); });
    controls->addWidget(wavelengthAxis);
  } else if (kind == Map::Spectrogram) {
    gateWidth = new QDoubleSpinBox(this);
    gateWidth->setDecimals(3);
    gateWidth->setRange(1e-3, 1e9);
    gateWidth->setValue(record ? defaultGateSeconds(*record) / timeScale : 1.0);
    gateWidth->setSuffix(record ? QLatin1Char(' ') + record->timeUnit : QString());
    connect(gateWidth, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { recompute(); });
    fieldRecord = new EvolutionRecord;
    controls->addWidget(new QLabel(tr("Gate FWHM:"), this));
    controls->addWidget(gateWidth);
  }
  controls->addStretch(1);
  gridLayout->addLayout(controls, 2, 0);
}

EvolutionMapWidget::~EvolutionMapWidget() { delete fieldRecord; }

NavigablePlot *EvolutionMapWidget::navigablePlot() const { return plot; }

void EvolutionMapWidget::setFloor(double decibelsBelowPeak)
{
  floorDb = decibelsBelowPeak;
  showMap();
}

void EvolutionMapWidget::refreshPlot(Simulator *engine)
{
  const EvolutionRecord *record = engine ? engine->evolution() : nullptr;
  if (!record)
    return;
  switch (kind) {
  case Map::Spectral:
    frequencyMap = spectralEvolutionMap(*record, false);
    wavelengthMap = spectralEvolutionMap(*record, true);
    break;
  case Map::Temporal:
    map_ = temporalEvolutionMap(*record);
    break;
  case Map::Spectrogram:
    // The scalars and the final field only.
    *fieldRecord = EvolutionRecord();
    fieldRecord->finalField = record->finalField;
    fieldRecord->carrierHz = record->carrierHz;
    fieldRecord->sampleSeconds = record->sampleSeconds;
    fieldRecord->timeScale = record->timeScale;
    fieldRecord->timeUnit = record->timeUnit;
    fieldRecord->frequencyScale = record->frequencyScale;
    fieldRecord->frequencyUnit = record->frequencyUnit;
    break;
  }
  recompute();
}

void EvolutionMapWidget::recompute()
{
  if (kind == Map::Spectral)
    map_ = wavelengthAxis && wavelengthAxis->isChecked() ? wavelengthMap : frequencyMap;
  else if (kind == Map::Spectrogram && fieldRecord)
    map_ = outputSpectrogram(*fieldRecord, gateWidth ? gateWidth->value() * timeScale : 0.0);
  showMap();
}

void EvolutionMapWidget::showMap()
{
  if (map_.empty())
    return;
  const double peak = *std::max_element(map_.values.begin(), map_.values.end());
  const double low = peak - std::max(floorDb, 1.0);
  QVector<double> values(int(map_.values.size()));
  for (int i = 0; i < values.size(); ++i)
    values[i] = std::max(map_.values[std::size_t(i)], low);
  auto *data = static_cast<QwtMatrixRasterData *>(plot->spectrogramItem()->data());
  data->setValueMatrix(values, map_.columns);
  const auto span = [](const std::vector<double> &axis) {
    const double a = axis.front(), b = axis.back();
    return a < b ? QwtInterval(a, b) : QwtInterval(a - 0.5, a + 0.5);
  };
  const QwtInterval x = span(map_.x), y = span(map_.y), z(low, peak > low ? peak : low + 1.0);
  data->setInterval(Qt::XAxis, x);
  data->setInterval(Qt::YAxis, y);
  data->setInterval(Qt::ZAxis, z);
  QwtPlotSpectrogram *item = plot->spectrogramItem();
  item->invalidateCache();
  item->attach(plot);
  plot->setAxisTitle(QwtPlot::xBottom, map_.xTitle);
  plot->setAxisTitle(QwtPlot::yLeft, map_.yTitle);
  plot->setAxisTitle(QwtPlot::yRight, map_.zTitle);
  QwtScaleWidget *bar = plot->axisWidget(QwtPlot::yRight);
  bar->setColorBarEnabled(true);
  bar->setColorBarWidth(30);
  bar->setColorMap(z, new ColorMap);
  plot->setAxisScale(QwtPlot::yRight, z.minValue(), z.maxValue());
  plot->setAxisScale(QwtPlot::xBottom, x.minValue(), x.maxValue());
  plot->setAxisScale(QwtPlot::yLeft, y.minValue(), y.maxValue());
  plot->enableAxis(QwtPlot::yRight);
  plot->plotLayout()->setAlignCanvasToScales(true);
  plot->replot();
}

bool EvolutionMapWidget::saveToFile(const QString &fileName, Simulator *engine)
{
  if (!engine)
    return false;
  static const ResultKind kinds[] = {ResultKind::SpectralEvolution, ResultKind::TemporalEvolution,
                                     ResultKind::OutputSpectrogram};
  ResultEntry entry = resultEntry(*engine, kinds[int(kind)]);
  entry.wavelengthAxis = wavelengthAxis && wavelengthAxis->isChecked();
  entry.gateSeconds = gateWidth ? gateWidth->value() * timeScale : 0.0;
  return writeResultFile(*engine, entry, fileName);
}
