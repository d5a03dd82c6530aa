#include "postprocessing/spectrogramdata.h"

SpectrogramData::SpectrogramData() = default;
SpectrogramData::~SpectrogramData() = default;

void SpectrogramData::appendRow(const QVector<double> &) {}
void SpectrogramData::fill(int, int) {}
void SpectrogramData::clearValues()
{
  values.clear();
  rows = 0;
}
