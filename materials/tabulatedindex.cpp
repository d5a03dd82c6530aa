#include "materials/tabulatedindex.h"
#include "input/tokens.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace materials {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }

} // namespace

std::unique_ptr<TabulatedIndex> TabulatedIndex::read(const QString &fileName, QString &reason)
{
  const QFileInfo info(fileName);
  if (!info.exists()) {
    reason = tr("data file \"%1\" not found beside the configuration file or in the working "
                "directory")
                 .arg(fileName);
    return nullptr;
  }
  // Only a regular file: a pipe or a device could block or never end.
  if (!info.isFile()) {
    reason = tr("data file \"%1\" is not a regular file").arg(fileName);
    return nullptr;
  }
  if (info.size() > maximumFileBytes) {
    reason = tr("data file \"%1\" is larger than 16 MiB").arg(fileName);
    return nullptr;
  }
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    reason = tr("data file \"%1\" cannot be read: %2").arg(fileName, file.errorString());
    return nullptr;
  }
  const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));

  std::unique_ptr<TabulatedIndex> table(new TabulatedIndex);
  if (!table->readSamples(lines, fileName, reason))
    return nullptr;
  const std::size_t size = table->wavelength.size();
  if (size < gsl_interp_type_min_size(gsl_interp_steffen)) {
    reason = tr("data file \"%1\" holds %2 samples; at least %3 are needed")
                 .arg(fileName)
                 .arg(size)
                 .arg(gsl_interp_type_min_size(gsl_interp_steffen));
    return nullptr;
  }
  if (table->wavelength.front() > table->wavelength.back()) {
    std::reverse(table->wavelength.begin(), table->wavelength.end());
    std::reverse(table->n.begin(), table->n.end());
    std::reverse(table->k.begin(), table->k.end());
  }
  table->nInterpolation.reset(gsl_interp_alloc(gsl_interp_steffen, size));
  table->kInterpolation.reset(gsl_interp_alloc(gsl_interp_steffen, size));
  table->accelerator.reset(gsl_interp_accel_alloc());
  gsl_interp_init(table->nInterpolation.get(), table->wavelength.data(), table->n.data(), size);
  gsl_interp_init(table->kInterpolation.get(), table->wavelength.data(), table->k.data(), size);
  return table;
}

bool TabulatedIndex::readSamples(const QStringList &lines, const QString &fileName, QString &reason)
{
  const auto bad = [&](int line, const QString &why) {
    reason = tr("data file \"%1\", line %2: %3").arg(fileName).arg(line).arg(why);
    return false;
  };
  for (int i = 0; i < lines.size(); ++i) {
    const QStringList words = lineTokens(lines.at(i));
    if (words.isEmpty() || words.first().startsWith(QLatin1Char('#')))
      continue;
    if (words.size() > 3)
      return bad(i + 1, tr("expected a wavelength in um, n and optionally k"));
    double v[3] = {0.0, 0.0, 0.0};
    for (int j = 0; j < words.size(); ++j)
      if (!toReal(words.at(j), v[j]))
        return bad(i + 1, tr("\"%1\" is not a number").arg(words.at(j)));
    if (words.size() < 2)
      return bad(i + 1, tr("expected a wavelength in um, n and optionally k"));
    if (!(v[0] > 0.0))
      return bad(i + 1, tr("the wavelength must be positive"));
    if (!(v[1] > 0.0))
      return bad(i + 1, tr("the index n must be positive"));
    if (v[2] < 0.0)
      return bad(i + 1, tr("the extinction coefficient k must not be negative"));
    const std::size_t s = wavelength.size();
    if (s >= 2 && (v[0] - wavelength[s - 1]) * (wavelength[s - 1] - wavelength[s - 2]) <= 0.0)
      return bad(i + 1, tr("the wavelengths must be strictly increasing or strictly decreasing"));
    if (s == 1 && v[0] == wavelength[0])
      return bad(i + 1, tr("the wavelengths must be strictly increasing or strictly decreasing"));
    wavelength.push_back(v[0]);
    n.push_back(v[1]);
    k.push_back(v[2]);
  }
  return true;
}

std::complex<double> TabulatedIndex::at(double micrometres) const
{
  if (!(micrometres >= shortest() && micrometres <= longest())) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
  }
  const double *x = wavelength.data();
  const double re = gsl_interp_eval(nInterpolation.get(), x, n.data(), micrometres, accelerator.get());
  const double im = gsl_interp_eval(kInterpolation.get(), x, k.data(), micrometres, accelerator.get());
  return {re, std::max(im, 0.0)};
}

} // namespace materials
