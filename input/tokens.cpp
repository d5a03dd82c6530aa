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

bool toInteger(const QString &text, int &value)
{
  bool ok = false;
  value = text.toInt(&ok);
  return ok;
}
