#include "materials/materials.h"

#include "input/physicalconstants.h"
#include "materials/tabulatedindex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace materials {

namespace {
constexpr double sq(double x) { return x * x; }
const double notANumber = std::numeric_limits<double>::quiet_NaN();
} // namespace

double Sellmeier::indexSquared(double micrometres) const
{
  double s = a;
  const std::size_t terms = std::min(b.size(), c.size());
  if (std::isinf(micrometres)) {
    for (std::size_t i = 0; i < terms; ++i)
      s += b[i];
    return s;
  }
  const double l2 = micrometres * micrometres;
  for (std::size_t i = 0; i < terms; ++i)
    s += b[i] * l2 / (l2 - c[i]);
  return s;
}

const std::vector<LibraryMaterial> &library()
{
  static const std::vector<LibraryMaterial> materials = {
      {QStringLiteral("fused_silica"),
       {1.0, {0.6961663, 0.4079426, 0.8974794}, {sq(0.0684043), sq(0.1162414), sq(9.896161)}},
       0.21, 3.71},
      {QStringLiteral("bk7"),
       {1.0, {1.03961212, 0.231792344, 1.01046945}, {0.00600069867, 0.0200179144, 103.560653}},
       0.3, 2.5},
      {QStringLiteral("sapphire_o"),
       {1.0, {1.4313493, 0.65054713, 5.3414021}, {sq(0.0726631), sq(0.1193242), sq(18.028251)}},
       0.2, 5.5},
      {QStringLiteral("caf2"),
       {1.0, {0.5675888, 0.4710914, 3.8484723}, {sq(0.050263605), sq(0.1003909), sq(34.649040)}},
       0.23, 9.7},
      {QStringLiteral("yag"), {1.0, {2.282, 3.27644}, {0.01185, 282.734}}, 0.4, 5.0},
      {QStringLiteral("silicon"),
       {1.0, {10.6684293, 0.0030434748, 1.54133408}, {sq(0.301516485), sq(1.13475115), sq(1104.0)}},
       1.36, 11.0},
  };
  return materials;
}

const LibraryMaterial *findMaterial(const QString &name)
{
  for (const LibraryMaterial &m : library())
    if (m.name.compare(name, Qt::CaseInsensitive) == 0)
      return &m;
  return nullptr;
}

QStringList materialNames()
{
  QStringList names;
  for (const LibraryMaterial &m : library())
    names << m.name;
  return names;
}

Dispersion::Dispersion(const QString &name, const Sellmeier &formula, double shortest,
                       double longest)
    : name_(name), formula_(formula), shortest_(shortest), longest_(longest)
{
}

Dispersion::Dispersion(const QString &name, std::shared_ptr<const TabulatedIndex> table)
    : name_(name), table_(std::move(table)), shortest_(table_->shortest()),
      longest_(table_->longest())
{
}

std::complex<double> Dispersion::at(double micrometres) const
{
  if (!(micrometres >= shortest_ && micrometres <= longest_))
    return {notANumber, notANumber};
  if (table_)
    return table_->at(micrometres);
  const double n2 = formula_.indexSquared(micrometres);
  if (!(n2 > 0.0) || !std::isfinite(n2))
    return {notANumber, notANumber};
  return {std::sqrt(n2), 0.0};
}

Dispersion::Samples Dispersion::sample(const std::vector<double> &hertz) const
{
  const std::size_t count = hertz.size();
  Samples out;
  out.index.resize(count);
  std::vector<double> wavelength(count);
  std::vector<char> good(count, 0);
  for (std::size_t k = 0; k < count; ++k) {
    const double f = std::fabs(hertz[k]);
    double l = f > 0.0 ? physconst::speedOfLight / f * 1e6 : std::numeric_limits<double>::infinity();
    if (l < shortest_ || l > longest_) {
      l = std::clamp(l, shortest_, longest_);
      ++out.substituted;
    }
    wavelength[k] = l;
    out.index[k] = at(l);
    good[k] = std::isfinite(out.index[k].real()) && out.index[k].real() > 0.0;
  }
  // Bins still without a value: the covered bin of the nearest wavelength.
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), std::size_t(0));
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return wavelength[x] < wavelength[y]; });
  const std::size_t none = count;
  std::vector<std::size_t> below(count, none);
  std::size_t last = none;
  for (std::size_t j = 0; j < count; ++j) {
    if (good[order[j]])
      last = order[j];
    below[j] = last;
  }
  last = none;
  bool any = false;
  for (std::size_t j = count; j-- > 0;) {
    const std::size_t k = order[j];
    if (good[k]) {
      last = k;
      any = true;
      continue;
    }
    const std::size_t lo = below[j];
    std::size_t pick = last;
    if (lo != none && (pick == none || wavelength[k] - wavelength[lo] <= wavelength[pick] - wavelength[k]))
      pick = lo;
    if (pick == none)
      continue;
    out.index[k] = out.index[pick];
    // A bin outside the range was counted already.
    if (wavelength[k] > shortest_ && wavelength[k] < longest_)
      ++out.substituted;
  }
  out.covered = any || count == 0;
  return out;
}

QString Dispersion::coverageWarning(int substituted, int total) const
{
  QString covered;
  if (std::isfinite(longest_) || shortest_ > 0.0)
    covered = QCoreApplication::translate("Lumora", " (covered: %1 to %2 um)")
                  .arg(shortest_)
                  .arg(longest_);
  return QCoreApplication::translate("Lumora",
                                     "Medium \"%1\"%2: %3 of %4 frequency bins lie outside its "
                                     "wavelengths or where its index is not real; they take the "
                                     "index at the nearest covered wavelength.")
      .arg(name_, covered)
      .arg(substituted)
      .arg(total);
}

QString resolveDataFile(const QString &name, const QString &configurationFolder)
{
  if (QFileInfo(name).isAbsolute() || configurationFolder.isEmpty())
    return name;
  const QString beside = QDir(configurationFolder).filePath(name);
  return QFileInfo::exists(beside) ? beside : name;
}

} // namespace materials
