#include "input/reasons.h"

#include <QCoreApplication>

namespace reason {

QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }

QString expected(const QString &what, const QString &found)
{
  if (found.isEmpty())
    return tr("expected %1, found nothing").arg(what);
  return tr("expected %1, found \"%2\"").arg(what, found);
}

QString value(const QString &what, const QString &found) { return expected(what, found); }

QString token(int position, const QString &name, const QString &what, const QString &found)
{
  return tr("token %1 (%2): %3").arg(position).arg(name, expected(what, found));
}

QString oneOf(const QStringList &words)
{
  QStringList listed;
  for (const QString &w : words)
    if (!w.isEmpty())
      listed << w;
  return tr("one of %1").arg(listed.join(QStringLiteral(", ")));
}

QString tooFewTokens(int needed, int found, const QString &layout)
{
  return tr("expected at least %1 tokens before the keyword (%2), found %3")
      .arg(needed)
      .arg(layout)
      .arg(found);
}

QString number() { return tr("a number"); }
QString integer() { return tr("a whole number"); }
QString above(double v) { return tr("a value above %1").arg(v, 0, 'g', 12); }
QString atLeast(double v) { return tr("a value of at least %1").arg(v, 0, 'g', 12); }
QString between(double low, double high)
{
  return tr("a value from %1 to %2").arg(low, 0, 'g', 12).arg(high, 0, 'g', 12);
}

} // namespace reason
