#include "postprocessing/spectrogramdata.h"

#include "postprocessing/fourierpostprocessing.h"

#include <algorithm>
#include <cmath>
#include <limits>

SpectrogramData::SpectrogramData(double xMinimum, double xMaximum, double step) : rowStep(step)
{
  setInterval(Qt::XAxis, xMinimum, xMaximum);
}

SpectrogramData::SpectrogramData() = default;
SpectrogramData::~SpectrogramData() = default;

void SpectrogramData::appendRow(const QVector<double> &) {}

void SpectrogramData::clearValues()
{
  values.clear();
  rows = 0;
}

int SpectrogramData::columnCount() const
{
  bringUpToDate();
  return columns;
}

int SpectrogramData::rowCount() const
{
  bringUpToDate();
  return rows;
}

const QVector<double> &SpectrogramData::matrixValues() const
{
  bringUpToDate();
  return values;
}

double SpectrogramData::minimum() const
{
  bringUpToDate();
  return minimumValue;
}

double SpectrogramData::maximum() const
{
  bringUpToDate();
  return maximumValue;
}

// --- static -------------------------------------------------------------------

namespace {
int countOf(double start, double step, double end)
{
  const long long n = spectralGridCount(start, step, end);
  return n > 0 && n < 2147483647LL ? static_cast<int>(n) : 0;
}
} // namespace

StaticSpectrogramData::StaticSpectrogramData(double spectralStart, double spectralStep,
                                             double spectralEnd, double locationStart,
                                             double locationStep, double locationEnd)
    : StaticSpectrogramData(spectralStart, spectralStep, spectralEnd, locationStart, locationStep,
                            locationEnd, countOf(locationStart, locationStep, locationEnd),
                            countOf(spectralStart, spectralStep, spectralEnd))
{
}

StaticSpectrogramData::StaticSpectrogramData(double spectralStart, double /*spectralStep*/,
                                             double spectralEnd, double locationStart,
                                             double locationStep, double locationEnd,
                                             int rowCount, int columnCount)
    : SpectrogramData(spectralStart, spectralEnd, locationStep)
{
  columns = columnCount;
  rows = rowCount;
  setInterval(Qt::YAxis, locationStart, locationEnd);
  values.fill(0.0, rows * columns);
}

void StaticSpectrogramData::setSource(const std::vector<FourierPostprocessing<int, double> *> *fourier,
                                      int first)
{
  source = fourier;
  sourceFirst = first;
  stale = true;
}

void StaticSpectrogramData::fill()
{
  stale = false;
  const int first = sourceFirst;
  if (!source || first < 0)
    return;
  const int available = static_cast<int>(source->size());
  double *v = values.data(); // detaches from a copy a plot holds
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  int filled = 0;
  for (int j = 0; j < rows && first + j < available; ++j, ++filled) {
    const std::vector<double> &m = (*source)[static_cast<std::size_t>(first + j)]->magnitudes();
    const int n = std::min(columns, static_cast<int>(m.size()));
    const double *src = m.data();
    double *row = v + static_cast<std::ptrdiff_t>(j) * columns;
    for (int c = 0; c < n; ++c) {
      // -inf of an all-zero spectrum (and any other non-finite value) shows as 0
      const double x = std::isfinite(src[c]) ? src[c] : 0.0;
      row[c] = x;
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
  }
  if (filled < rows || lo > hi) {
    // Some rows kept their old values: take the range of the whole matrix.
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (double x : qAsConst(values)) {
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
  }
  if (!values.isEmpty()) {
    minimumValue = lo;
    maximumValue = hi;
  }
}

void StaticSpectrogramData::bringUpToDate() const
{
  if (!stale)
    return;
  // The map is a cache of the Fourier magnitudes: refilling it on a read
  // changes no observable state beyond bringing it up to date.
  const_cast<StaticSpectrogramData *>(this)->fill();
}

// --- dynamic ------------------------------------------------------------------

namespace {
double lastGridPoint(double start, double step, double end)
{
  const long long n = spectralGridCount(start, step, end);
  return n > 1 ? start + static_cast<double>(n - 1) * step : start;
}
} // namespace

DynamicSpectrogramData::DynamicSpectrogramData(double spectralStart, double spectralStep,
                                               double spectralEnd, double gridLength)
    : SpectrogramData(spectralStart, lastGridPoint(spectralStart, spectralStep, spectralEnd),
                      gridLength)
{
}

void DynamicSpectrogramData::appendRow(const QVector<double> &row)
{
  if (row.isEmpty())
    return;
  const auto range = std::minmax_element(row.cbegin(), row.cend());
  rowMinimum = *range.first;
  rowMaximum = *range.second;
  if (rows == 0) {
    minimumValue = rowMinimum;
    maximumValue = rowMaximum;
    columns = row.size();
  } else {
    minimumValue = std::min(minimumValue, rowMinimum);
    maximumValue = std::max(maximumValue, rowMaximum);
  }
  const int n = std::min(columns, static_cast<int>(row.size()));
  for (int c = 0; c < n; ++c)
    values.append(row.at(c));
  for (int c = n; c < columns; ++c)
    values.append(0.0); // a shorter row never shifts the matrix
  ++rows;
  setInterval(Qt::YAxis, 2 * rowStep, (rows + 2) * rowStep);
}

void DynamicSpectrogramData::clearValues()
{
  SpectrogramData::clearValues();
}
