#pragma once
// Wording of the reasons behind a refused configuration line (the second
// line of a load message), shared by every parser.

#include <QString>
#include <QStringList>

namespace reason {

// Translated text (context "Lumora").
QString tr(const char *text);

// "expected <what>, found "<found>"" ("found nothing" for an empty token).
QString expected(const QString &what, const QString &found);
// The value before the keyword: as expected().
QString value(const QString &what, const QString &found);
// "token <position> (<name>): expected <what>, found ..." (position from 1).
QString token(int position, const QString &name, const QString &what, const QString &found);
// "one of a, b, c" (empty entries left out).
QString oneOf(const QStringList &words);
// "expected at least <needed> tokens before the keyword (<layout>), found <found>".
QString tooFewTokens(int needed, int found, const QString &layout);

// Common expectations.
QString number();        // "a number"
QString integer();       // "a whole number"
QString above(double v); // "a value above v"
QString atLeast(double v);
QString between(double low, double high);

} // namespace reason
