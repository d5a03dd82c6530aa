#include "fdtd/sellmeiermedium.h"

#include "input/tokens.h"
#include "materials/materials.h"

#include <QCoreApplication>

#include <cmath>

namespace {
QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }
} // namespace

bool readGridSellmeier(const QStringList &tokens, bool library, double stability,
                       GridSellmeier &medium, QString &reason)
{
  // The values: every token before the keyword.
  QStringList values = tokens;
  for (int i = 1; i < tokens.size(); ++i)
    if (tokens.at(i).compare(QLatin1String("parameters"), Qt::CaseInsensitive) == 0) {
      values = tokens.mid(0, i);
      break;
    }

  materials::Sellmeier formula;
  if (library) {
    const materials::LibraryMaterial *m = values.isEmpty() ? nullptr : materials::findMaterial(values.first());
    if (!m || values.size() > 2) {
      reason = tr("expected a material name (%1) and optionally muR")
                   .arg(materials::materialNames().join(QLatin1String(", ")));
      return false;
    }
    if (values.size() == 2 && !toReal(values.at(1), medium.muR)) {
      reason = tr("muR \"%1\" is not a number").arg(values.at(1));
      return false;
    }
    formula = m->formula;
  } else {
    if (values.size() < 5 || values.size() > 9 || values.size() % 2 == 0) {
      reason = tr("expected A, muR, sigma and one to three Sellmeier terms B C");
      return false;
    }
    double v[9] = {};
    for (int i = 0; i < values.size(); ++i)
      if (!toReal(values.at(i), v[i])) {
        reason = tr("\"%1\" is not a number").arg(values.at(i));
        return false;
      }
    formula.a = v[0];
    medium.muR = v[1];
    medium.sigma = v[2];
    for (int i = 3; i < values.size(); i += 2) {
      formula.b.push_back(v[i]);
      formula.c.push_back(v[i + 1]);
    }
  }

  medium.epsilonInfinity = formula.a;
  if (!(medium.epsilonInfinity > 0.0) || !(medium.muR > 0.0) ||
      medium.epsilonInfinity * medium.muR * stability * stability < 1.0 - 1e-12) {
    reason = tr("A and muR must be positive with A muR stability^2 >= 1 (Courant limit)");
    return false;
  }
  if (medium.sigma < 0.0) {
    reason = tr("the conductivity must not be negative");
    return false;
  }
  double strength = 0.0;
  for (std::size_t i = 0; i < formula.b.size(); ++i) {
    if (!(formula.b[i] > 0.0) || !(formula.c[i] >= 1e-12)) {
      reason = tr("every Sellmeier term needs B > 0 and C >= 1e-12 um^2 on the grid");
      return false;
    }
    strength += formula.b[i];
  }
  medium.poles = int(formula.b.size());
  medium.epsilonStatic = medium.epsilonInfinity + strength;
  for (int i = 0; i < medium.poles; ++i) {
    medium.resonance[i] = materials::speedOfLight / (std::sqrt(formula.c[std::size_t(i)]) * 1e-6);
    medium.weight[i] = formula.b[std::size_t(i)] / strength;
  }
  if (!std::isfinite(medium.epsilonStatic)) {
    reason = tr("the Sellmeier strengths are too large");
    return false;
  }
  return true;
}
