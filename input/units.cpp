#include "input/units.h"

#include "input/lookups.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>

const QStringList timeUnits = {"s", "ms", "us", "ns", "ps", "fs", "as", "auto"};
const QStringList lengthUnits = {"m", "mm", "um", "nm"};
const QStringList frequencyUnits = {"Hz", "kHz", "MHz", "GHz", "THz", "PHz"};

double powerOfTen(int e)
{
  static const double positive[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  static const double negative[] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                    1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                    1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};
  if (e >= 0 && e <= 22)
    return positive[e];
  if (e < 0 && e >= -22)
    return negative[-e];
  return std::pow(10.0, e);
}

double secondsPerTimeUnit(int position) { return powerOfTen(-3 * position); }

double lengthScaleOf(const QString &unit)
{
  const int k = indexIgnoringCase(lengthUnits, unit);
  return k < 0 ? 0.0 : powerOfTen(-3 * k);
}

double hertzPerFrequencyUnit(const QString &unit)
{
  const int k = indexIgnoringCase(frequencyUnits, unit);
  return k < 0 ? 0.0 : powerOfTen(3 * k);
}

QString frequencyUnitName(int code)
{
  const int k = code / 3;
  if (code < 0 || k >= frequencyUnits.size())
    return QString();
  return frequencyUnits.at(k);
}

TimeDisplayUnit automaticTimeUnit(long long n, double dt)
{
  TimeDisplayUnit u;
  u.unit = QStringLiteral("s");
  const double duration = static_cast<double>(n) * dt;
  if (!(duration > 0.0) || !std::isfinite(duration))
    return u;
  const double x = std::log10(duration);
  const int e = static_cast<int>(-std::floor(x));
  struct Band { int low; const char *word; int exponent; };
  static const Band bands[] = {{16, "as", 18}, {13, "fs", 15}, {10, "ps", 12},
                               {7, "ns", 9},   {4, "us", 6},   {1, "ms", 3}};
  for (const Band &b : bands) {
    if (static_cast<std::uint16_t>(e - b.low) <= 2) {
      u.unit = QString::fromLatin1(b.word);
      u.exponent = b.exponent;
      u.scale = powerOfTen(u.exponent);
      return u;
    }
  }
  if (e >= 19) {
    u.unit.clear();
    u.exponent = e;
    u.scale = powerOfTen(e);
  }
  return u;
}

TimeDisplayUnit timeDisplayUnit(const QString &u, long long n, double dt)
{
  if (u == QLatin1String("auto"))
    return automaticTimeUnit(n, dt);
  TimeDisplayUnit d;
  d.unit = u;
  const int k = indexIgnoringCase(timeUnits, u);
  if (k >= 0) {
    d.exponent = 3 * k;
    d.scale = powerOfTen(d.exponent);
  }
  return d;
}

QString wallTimeText(double seconds)
{
  const auto tr = [](const char *text) { return QCoreApplication::translate("Lumora", text); };
  if (!(seconds < 1e15))
    return tr("more than 30 million years");
  if (seconds >= 3600.0) {
    const long long minutes = std::llround(seconds / 60.0);
    return tr("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
  }
  if (seconds >= 60.0)
    return tr("%1 min").arg(std::llround(seconds / 60.0));
  return tr("%1 s").arg(std::max(1LL, std::llround(seconds)));
}
