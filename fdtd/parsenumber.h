#pragma once
// Number conversions of the FDTD set-up: a value that does not convert, or
// converts to an infinity or NaN, is no number.

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cmath>

namespace fdtdparse {

inline bool toReal(const QString &text, double &value)
{
  bool ok = false;
  value = text.toDouble(&ok);
  return ok && std::isfinite(value);
}

// The tokens of a line, separated by runs of white space.
inline QStringList tokens(const QString &line)
{
  static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
  return line.split(whiteSpace, Qt::SkipEmptyParts);
}

} // namespace fdtdparse
