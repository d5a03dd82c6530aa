#include "input/tokens.h"

#include <QRegularExpression>

#include <cmath>

QStringList lineTokens(const QString &line)
{
  static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
  return line.split(whiteSpace, Qt::SkipEmptyParts);
}

bool toReal(const QString &text, double &value)
{
  bool ok = false;
  value = text.toDouble(&ok);
  return ok && std::isfinite(value);
}

bool toCount(const QString &text, int &value)
{
  double v = 0.0;
  if (!toReal(text, v) || v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0)
    return false;
  value = static_cast<int>(v);
  return true;
}

bool toInteger(const QString &text, int &value)
{
  bool ok = false;
  value = text.toInt(&ok);
  return ok;
}
