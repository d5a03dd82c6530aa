#include "results/resultcatalogue.h"

#include "engine/evolutionrecord.h"
#include "engine/simulator.h"
#include "results/columnwriter.h"
#include "results/evolutionmaps.h"
#include "results/resultsaving.h"
#include "postprocessing/spectrogramdata.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <algorithm>

namespace {

QString bracketed(const QString &name, const QString &unit)
{
  return name + QStringLiteral(" [") + unit + QLatin1Char(']');
}

QStringList spectrogramNames(Simulator &engine)
{
  QStringList names;
  for (const auto *s : engine.spectrogramPostprocessings)
    names << (s ? s->name() : QString());
  return names;
}

// x[i] = start + i * step for count points.
std::vector<double> axis(int count, double start, double step)
{
  std::vector<double> x(static_cast<size_t>(std::max(count, 0)));
  for (size_t i = 0; i < x.size(); ++i)
    x[i] = start + static_cast<double>(i) * step;
  return x;
}

void indexedEntry(ResultEntry &e, const QStringList &names, Qt::CaseSensitivity cs)
{
  e.title = names.value(e.index);
  e.fileName = resultFileNames(names, cs).value(e.index);
}

QByteArray spectrogramText(Simulator &engine, unsigned short index)
{
  const SpectrogramPostprocessing<int, double> *s = engine.spectrogram(index);
  if (!s || !s->data())
    return QByteArray();
  const SpectrogramData *d = s->data();
  const int columns = std::max(d->columnCount(), 0);
  const QVector<double> &values = d->matrixValues();
  const int rows = columns > 0 ? std::min(d->rowCount(), values.size() / columns) : 0;
  QByteArray bytes = formatMatrix(values.constData(), static_cast<std::size_t>(values.size()), rows,
                                  columns, QStringLiteral("! Spectrogram data:\n"));
  const std::vector<double> spectral = axis(columns, s->spectralStart(), s->spectralStep());
  bytes += formatMatrix(spectral.data(), spectral.size(), columns, 1,
                        QStringLiteral("! SPECTRAL variable expressed in [") + s->spectralUnit() +
                            QStringLiteral("] (corresponds to the columns):\n"));
  const std::vector<double> rowAxis = s->rowAxis();
  bytes += formatMatrix(rowAxis.data(), rowAxis.size(), rows, 1,
                        QStringLiteral("! SPATIAL variable expressed in [") + engine.lengthUnit +
                            QStringLiteral("] (corresponds to the rows):\n"));
  return bytes;
}

} // namespace

ResultEntry resultEntry(Simulator &engine, ResultKind kind, unsigned short index)
{
  ResultEntry e;
  e.kind = kind;
  e.index = index;
  const QString location = bracketed(QStringLiteral("Location"), engine.lengthUnit);
  const QString decibels = QStringLiteral("Magnitude [dBV/m]");
  const QString field = QStringLiteral("Electric field [V/m]");
  // Engines whose signal is not a field (a fibre's power) name it themselves.
  const QString signal = engine.timeSignalTitle();
  const QString spectrum = engine.spectrumValueTitle();
  const auto set = [&e](const QString &title, const QString &x, const QString &y, const QString &file) {
    e.title = title;
    e.xTitle = x;
    e.yTitle = y;
    e.fileName = file;
  };
  switch (kind) {
  case ResultKind::ElectricField:
    set(QStringLiteral("Electric field envelope "), location, field, QStringLiteral("Electric field.txt"));
    break;
  case ResultKind::MagneticField:
    set(QStringLiteral("Magnetic field envelope "), location, QStringLiteral("Magnetic field [A/m]"),
        QStringLiteral("Magnetic field.txt"));
    break;
  case ResultKind::PoyntingVector:
    set(QStringLiteral("Poynting vector envelope "), location, QStringLiteral("Poynting vector [W/m^2]"),
        QStringLiteral("Poynting vector.txt"));
    break;
  case ResultKind::ConversionEfficiency:
    set(QStringLiteral("conversion efficiency "), location, QStringLiteral("Energy [a.u.]"),
        QStringLiteral("Conversion efficiency.txt"));
    e.savedYTitle = QStringLiteral("Energy (a.u.)");
    break;
  case ResultKind::TimeSignal:
    set(QStringLiteral("UPPE E-field"), engine.timeAxisLabel(0), signal.isEmpty() ? field : signal,
        QStringLiteral("UPPE E-field.txt"));
    break;
  case ResultKind::FFTSpectrum:
    set(QStringLiteral("FFT spectrum"), engine.spectrumAxisLabel(), spectrum.isEmpty() ? decibels : spectrum,
        QStringLiteral("FFT spectrum.txt"));
    break;
  case ResultKind::InputSignal:
    set(QStringLiteral("Input signal"), engine.timeAxisLabel(0),
        signal.isEmpty() ? QStringLiteral("E field [V/m]") : signal, QStringLiteral("Input signal.txt"));
    break;
  case ResultKind::InputSpectrum:
    set(QStringLiteral("Input spectrum"), engine.spectrumAxisLabel(), spectrum.isEmpty() ? decibels : spectrum,
        QStringLiteral("Input spectrum.txt"));
    break;
  case ResultKind::Spectrum:
    set(QString(),
        bracketed(engine.fourierIsWavelength(index) ? QStringLiteral("Wavelength") : QStringLiteral("Frequency"),
                  engine.fourierUnit(index)),
        decibels, QString());
    indexedEntry(e, engine.fourierNames(), Qt::CaseSensitive);
    break;
  case ResultKind::TimeProbe:
    set(QString(), bracketed(QStringLiteral("Time"), engine.probeTimeUnit(index)), field, QString());
    e.savedYTitle = QStringLiteral("E-field [V/m]");
    indexedEntry(e, engine.probeNames(), Qt::CaseInsensitive);
    break;
  case ResultKind::SpectralEvolution:
    set(QStringLiteral("Spectral evolution"), QString(), QString(), QStringLiteral("Spectral evolution.txt"));
    break;
  case ResultKind::TemporalEvolution:
    set(QStringLiteral("Temporal evolution"), QString(), QString(), QStringLiteral("Temporal evolution.txt"));
    break;
  case ResultKind::OutputSpectrogram:
    set(QStringLiteral("Output spectrogram"), QString(), QString(), QStringLiteral("Output spectrogram.txt"));
    break;
  case ResultKind::Spectrogram:
    set(QStringLiteral("Spectrogram"),
        bracketed(engine.spectrogramIsFrequency(index) ? QStringLiteral("Frequency") : QStringLiteral("Wavelength"),
                  engine.spectrogramUnit(index)),
        bracketed(QStringLiteral("Distance"), engine.lengthUnit), QString());
    e.colorBarTitle = decibels;
    e.fileName = resultFileNames(spectrogramNames(engine), Qt::CaseSensitive).value(index);
    break;
  }
  if (e.savedYTitle.isEmpty())
    e.savedYTitle = e.yTitle;
  return e;
}

ResultEntry plotEntry(ResultKind kind, unsigned short index, const QString &title, const QString &xTitle,
                      const QString &yTitle)
{
  ResultEntry e;
  e.kind = kind;
  e.index = index;
  e.title = title;
  e.xTitle = xTitle;
  e.yTitle = yTitle;
  e.savedYTitle = yTitle;
  return e;
}

bool writeResultFile(Simulator &engine, const ResultEntry &entry, const QString &fileName)
{
  const QByteArray text = resultText(engine, entry);
  return !text.isEmpty() && writeFileAtomically(fileName, text);
}

void resultSeries(Simulator &engine, const ResultEntry &entry, std::vector<double> &x,
                  std::vector<double> &y)
{
  const unsigned short i = entry.index;
  const double dx = engine.pointSpacing();
  switch (entry.kind) {
  case ResultKind::ElectricField:
    x = axis(engine.pointCount(), 0.0, dx);
    y = engine.electricField();
    break;
  case ResultKind::PoyntingVector:
    x = axis(engine.pointCount(), 0.0, dx);
    y = engine.poyntingEnvelope();
    break;
  case ResultKind::MagneticField:
    // H[i] lies half a cell before E[i]; one more H value than E values.
    x = axis(engine.pointCount() > 0 ? engine.pointCount() + 1 : 0, -0.5 * dx, dx);
    y = engine.magneticField();
    break;
  case ResultKind::ConversionEfficiency:
    x = engine.conversionPositions();
    y = engine.conversionCurveA();
    break;
  case ResultKind::TimeSignal:
    x = axis(engine.pointCount(), 0.0, engine.timeStep());
    y = engine.electricField();
    break;
  case ResultKind::FFTSpectrum:
    x = engine.frequenciesDisplay();
    y = engine.spectrumDbVector();
    break;
  case ResultKind::Spectrum:
    x = axis(engine.fourierPointCount(i), engine.fourierStart(i), engine.fourierStep(i));
    y = engine.fourierMagnitudes(i);
    break;
  case ResultKind::TimeProbe:
    x = axis(engine.probeSampleCount(i), engine.probeStartTime(i), engine.probeSampleInterval(i));
    y = engine.probeSamples(i);
    break;
  case ResultKind::InputSignal:
    x = engine.timePointsDisplay();
    y = engine.inputSignal();
    break;
  case ResultKind::InputSpectrum: {
    // The saved input spectrum covers the engine's m spectral points.
    x = engine.frequenciesDisplay();
    y = engine.initialSpectrumDbData();
    const int m = engine.frequencyCount();
    if (m >= 0) {
      x.resize(std::min(x.size(), static_cast<size_t>(m)));
      y.resize(std::min(y.size(), static_cast<size_t>(m)));
    }
    break;
  }
  case ResultKind::Spectrogram:
  case ResultKind::SpectralEvolution:
  case ResultKind::TemporalEvolution:
  case ResultKind::OutputSpectrogram:
    x.clear();
    y.clear();
    break;
  }
}

QByteArray resultText(Simulator &engine, const ResultEntry &entry, bool saved)
{
  if (entry.kind == ResultKind::Spectrogram)
    return spectrogramText(engine, entry.index);
  if (const EvolutionRecord *record = engine.evolution()) {
    if (entry.kind == ResultKind::SpectralEvolution)
      return evolutionMapText(spectralEvolutionMap(*record, entry.wavelengthAxis, 16384), entry.title);
    if (entry.kind == ResultKind::TemporalEvolution)
      return evolutionMapText(temporalEvolutionMap(*record), entry.title);
    if (entry.kind == ResultKind::OutputSpectrogram)
      return evolutionMapText(outputSpectrogram(*record, entry.gateSeconds), entry.title);
  }
  std::vector<double> x;
  std::vector<double> y;
  resultSeries(engine, entry, x, y);
  const QString yTitle = saved ? entry.savedYTitle : entry.yTitle;
  const QString header = QStringLiteral("! ") + entry.xTitle + QLatin1Char('\t') + yTitle;
  switch (entry.kind) {
  case ResultKind::InputSignal:
  case ResultKind::InputSpectrum:
    return formatColumns(x, y, QStringLiteral("! ") + entry.xTitle + QLatin1Char(' ') + yTitle);
  case ResultKind::FFTSpectrum:
    return formatColumns(x, y, QStringLiteral("! Magnitude spectrum:\n") + header);
  case ResultKind::Spectrum:
    return formatColumns(x, y, QStringLiteral("! Magnitude spectrum:\n") + header) +
           formatColumns(x, engine.fourierPhases(entry.index),
                         QStringLiteral("! Phase spectrum:\n! ") + entry.xTitle + QStringLiteral("\t Radians"));
  case ResultKind::TimeProbe:
    return formatColumns(x, y, header + QStringLiteral("\r\n!") + entry.title);
  case ResultKind::ConversionEfficiency:
    return formatColumns(x, y, QStringLiteral("! Total energy: \n") + header) +
           formatColumns(x, engine.conversionCurveB(),
                         QStringLiteral("! Energy in user-specified band: \n") + header);
  default:
    return formatColumns(x, y, header);
  }
}

namespace {

// "Magnitude [dBV/m]" -> "magnitude".
QString quantityName(const QString &title)
{
  const int bracket = title.indexOf(QLatin1Char('['));
  return (bracket < 0 ? title : title.left(bracket)).trimmed().toLower();
}

QList<ResultDataset> spectrogramDatasets(Simulator &engine, const ResultEntry &entry)
{
  const SpectrogramPostprocessing<int, double> *s = engine.spectrogram(entry.index);
  if (!s || !s->data())
    return {};
  const SpectrogramData *d = s->data();
  const int columns = std::max(d->columnCount(), 0);
  const QVector<double> &values = d->matrixValues();
  std::vector<double> rowAxis = s->rowAxis();
  const int rows = columns > 0 ? std::min({d->rowCount(), values.size() / columns, static_cast<int>(rowAxis.size())}) : 0;
  rowAxis.resize(static_cast<size_t>(std::max(rows, 0)));
  ResultDataset map{QStringLiteral("magnitude"), entry.colorBarTitle,
                    std::vector<double>(values.constBegin(), values.constBegin() + rows * columns),
                    {ResultAxis{entry.yTitle, rowAxis},
                     ResultAxis{entry.xTitle, axis(columns, s->spectralStart(), s->spectralStep())}}};
  return {map};
}

// An evolution map as one 2-D dataset: rows along its y axis, columns along x.
QList<ResultDataset> evolutionDatasets(const EvolutionMap &map)
{
  if (map.empty())
    return {};
  return {ResultDataset{quantityName(map.zTitle), map.zTitle, map.values,
                        {ResultAxis{map.yTitle, map.y}, ResultAxis{map.xTitle, map.x}}}};
}

} // namespace

QList<ResultDataset> resultDatasets(Simulator &engine, const ResultEntry &entry)
{
  if (entry.kind == ResultKind::Spectrogram)
    return spectrogramDatasets(engine, entry);
  if (const EvolutionRecord *record = engine.evolution()) {
    if (entry.kind == ResultKind::SpectralEvolution)
      return evolutionDatasets(spectralEvolutionMap(*record, entry.wavelengthAxis, 16384));
    if (entry.kind == ResultKind::TemporalEvolution)
      return evolutionDatasets(temporalEvolutionMap(*record));
    if (entry.kind == ResultKind::OutputSpectrogram)
      return evolutionDatasets(outputSpectrogram(*record, entry.gateSeconds));
  }
  std::vector<double> x;
  std::vector<double> y;
  resultSeries(engine, entry, x, y);
  QList<ResultDataset> sets;
  // As the text file: as many points as both the axis and the series have.
  const auto add = [&](const QString &name, const QString &title, const std::vector<double> &values) {
    const size_t n = std::min(x.size(), values.size());
    sets << ResultDataset{name, title, std::vector<double>(values.begin(), values.begin() + n),
                          {ResultAxis{entry.xTitle, std::vector<double>(x.begin(), x.begin() + n)}}};
  };
  switch (entry.kind) {
  case ResultKind::Spectrum:
    add(QStringLiteral("magnitude"), entry.savedYTitle, y);
    add(QStringLiteral("phase"), QStringLiteral("Phase [rad]"), engine.fourierPhases(entry.index));
    break;
  case ResultKind::ConversionEfficiency:
    add(QStringLiteral("total energy"), QStringLiteral("Energy [a.u.]"), y);
    add(QStringLiteral("band energy"), QStringLiteral("Energy [a.u.]"), engine.conversionCurveB());
    break;
  default:
    add(quantityName(entry.savedYTitle), entry.savedYTitle, y);
    break;
  }
  return sets;
}

QString resultKindName(ResultKind kind)
{
  switch (kind) {
  case ResultKind::ElectricField: return QStringLiteral("electric field");
  case ResultKind::MagneticField: return QStringLiteral("magnetic field");
  case ResultKind::PoyntingVector: return QStringLiteral("poynting vector");
  case ResultKind::ConversionEfficiency: return QStringLiteral("conversion efficiency");
  case ResultKind::TimeSignal: return QStringLiteral("time signal");
  case ResultKind::FFTSpectrum: return QStringLiteral("fft spectrum");
  case ResultKind::Spectrum: return QStringLiteral("spectrum");
  case ResultKind::TimeProbe: return QStringLiteral("time probe");
  case ResultKind::Spectrogram: return QStringLiteral("spectrogram");
  case ResultKind::InputSignal: return QStringLiteral("input signal");
  case ResultKind::InputSpectrum: return QStringLiteral("input spectrum");
  case ResultKind::SpectralEvolution: return QStringLiteral("spectral evolution");
  case ResultKind::TemporalEvolution: return QStringLiteral("temporal evolution");
  case ResultKind::OutputSpectrogram: return QStringLiteral("output spectrogram");
  }
  return QString();
}

QList<ResultEntry> saveAllEntries(Simulator &engine)
{
  QList<ResultEntry> entries;
  for (ResultKind kind : {ResultKind::InputSignal, ResultKind::InputSpectrum, ResultKind::FFTSpectrum,
                          ResultKind::TimeSignal, ResultKind::ConversionEfficiency,
                          ResultKind::SpectralEvolution, ResultKind::TemporalEvolution,
                          ResultKind::OutputSpectrogram, ResultKind::Spectrum, ResultKind::TimeProbe}) {
    const int count = engine.resultCount(kind);
    for (int i = 0; i < count && i <= 0xFFFF; ++i)
      entries << resultEntry(engine, kind, static_cast<unsigned short>(i));
  }
  return entries;
}

QList<ResultEntry> batchExtraEntries(Simulator &engine)
{
  QList<ResultEntry> entries;
  if (!engine.hasResult(ResultKind::ElectricField))
    return entries;
  entries << resultEntry(engine, ResultKind::ElectricField);
  if (engine.hasPoynting())
    entries << resultEntry(engine, ResultKind::PoyntingVector);
  const int count = static_cast<int>(engine.spectrogramPostprocessings.size());
  for (int i = 0; i < count && i <= 0xFFFF; ++i)
    entries << resultEntry(engine, ResultKind::Spectrogram, static_cast<unsigned short>(i));
  return entries;
}
