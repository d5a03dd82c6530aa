#pragma once
// Unit words and their powers of ten.
//
// A unit word at position k of its list has the exponent code 3k. Times are
// converted to seconds by 10^(-3k), frequencies to hertz by 10^(3k) and
// lengths to metres by 10^(-3k).

#include <QString>
#include <QStringList>

extern const QStringList timeUnits;      // "s" ... "as", "auto"
extern const QStringList lengthUnits;    // "m", "mm", "um", "nm"
extern const QStringList frequencyUnits; // "Hz" ... "PHz"

// 10^e for integer e, exact for |e| <= 22.
double powerOfTen(int e);

// Seconds per unit for the time word at position k (auto, k = 7: 1e-21).
double secondsPerTimeUnit(int position);

// Metres per unit of a length word (ignoring case); 0 when the word is not listed.
double lengthScaleOf(const QString &unit);

// Hertz per unit of a frequency word (ignoring case); 0 when the word is not listed.
double hertzPerFrequencyUnit(const QString &unit);

// Name of a stored frequency exponent code (0, 3, ... 15); empty when out of range.
QString frequencyUnitName(int code);

// A display unit for time series: values in seconds times scale are in unit.
struct TimeDisplayUnit
{
  QString unit;
  int exponent = 0;
  double scale = 1.0;
};

// Automatic choice for a series of n samples spaced dt seconds apart.
// Durations of a second or more (and degenerate input) are shown in "s".
TimeDisplayUnit automaticTimeUnit(long long n, double dt);

// Display unit for the word u: "auto" (lower case only) chooses automatically,
// any other listed word (ignoring case) scales by 10^(3k). An unlisted word
// gives the scale 1 and keeps the word.
TimeDisplayUnit timeDisplayUnit(const QString &u, long long n, double dt);

// A wall-clock duration for messages: "2 h 5 min", "12 min", "40 s".
QString wallTimeText(double seconds);
