#include "engine/simulator.h"
#include "plots/plotwidgets.h"

AbstractPlotWidget *createPlotWidget(Simulator *engine, const ResultEntry &entry, bool saved)
{
  if (!engine)
    return nullptr;
  const QString &x = entry.xTitle;
  const QString &y = saved ? entry.savedYTitle : entry.yTitle;
  const QString &title = entry.title;
  const unsigned short i = entry.index;
  switch (entry.kind) {
  case ResultKind::ElectricField:
    return new EFieldPlotWidget(engine, x, y, 1, title, 0);
  case ResultKind::PoyntingVector:
    return new SFieldPlotWidget(engine, x, y, 1, title, 0);
  case ResultKind::MagneticField:
    return !engine->hasResult(ResultKind::MagneticField) ? nullptr : new HFieldPlotWidget(engine, x, y, 1, title, 0);
  case ResultKind::ConversionEfficiency:
    return new ConversionEfficiencyPlotWidget(engine, x, y, 1, title, 0);
  case ResultKind::FFTSpectrum:
    return new FFTSpectrumPlotWidget(engine, x, y, 1, title, 0);
  case ResultKind::TimeSignal:
    return new TimePlotWidget(engine, x, y, 1, title, 0);
  case ResultKind::Spectrum:
    return i < engine->fourierNames().size() ? new SpectrumPlotWidget(engine, x, y, 1, title, i) : nullptr;
  case ResultKind::TimeProbe:
    return i < engine->probeNames().size() ? new TimeProbePlotWidget(engine, x, y, 1, title, i) : nullptr;
  case ResultKind::Spectrogram:
    if (!engine->spectrogram(i))
      return nullptr;
    // The batch pictures follow the spectrogram's kind; the window prefers a
    // finished static map.
    if (engine->dynamicSpectrogram && (saved || !engine->hasResult(ResultKind::Spectrogram)))
      return new DynamicSpectrogramPlotWidget(engine, x, y, entry.colorBarTitle, 1, title, i);
    if (engine->hasResult(ResultKind::Spectrogram) || saved)
      return new StaticSpectrogramPlotWidget(engine, x, y, entry.colorBarTitle, 1, title, i);
    return nullptr;
  case ResultKind::SpectralEvolution:
  case ResultKind::TemporalEvolution:
  case ResultKind::OutputSpectrogram:
    if (!engine->evolution())
      return nullptr;
    return new EvolutionMapWidget(engine,
                                  entry.kind == ResultKind::SpectralEvolution   ? EvolutionMapWidget::Map::Spectral
                                  : entry.kind == ResultKind::TemporalEvolution ? EvolutionMapWidget::Map::Temporal
                                                                                : EvolutionMapWidget::Map::Spectrogram,
                                  title);
  default:
    return nullptr;
  }
}
