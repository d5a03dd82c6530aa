#include "fdtd/sellmeiermedium.h"

#include "input/tokens.h"
#include "materials/materials.h"

#include <QCoreApplication>

#include <cmath>

namespace {
QString tr(const char *text) { return QCoreApplication::translate("Lumora", text); }
} // namespace

QString readGridSellmeier(const QStringList &tokens, bool library, double stability, GridSellmeier &medium)
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
      return tr("expected a material name (%1) and optionally muR")
          .arg(materials::materialNames().join(QLatin1String(", ")));
    }
    if (values.size() == 2 && !toReal(values.at(1), medium.muR))
      return tr("muR \"%1\" is not a number").arg(values.at(1));
    formula = m->formula;
  } else {
    if (values.size() < 5 || values.size() > 9 || values.size() % 2 == 0)
      return tr("expected A, muR, sigma and one to three Sellmeier terms B C");
    double v[9] = {};
    for (int i = 0; i < values.size(); ++i)
      if (!toReal(values.at(i), v[i]))
        return tr("\"%1\" is not a number").arg(values.at(i));
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
      medium.epsilonInfinity * medium.muR * stability * stability < 1.0 - 1e-12)
    return tr("A and muR must be positive with A muR stability^2 >= 1 (Courant limit)");
  if (medium.sigma < 0.0)
    return tr("the conductivity must not be negative");
  double strength = 0.0;
  for (std::size_t i = 0; i < formula.b.size(); ++i) {
    if (!(formula.b[i] > 0.0) || !(formula.c[i] >= 1e-12))
      return tr("every Sellmeier term needs B > 0 and C >= 1e-12 um^2 on the grid");
    strength += formula.b[i];
  }
  medium.poles = int(formula.b.size());
  medium.epsilonStatic = medium.epsilonInfinity + strength;
  for (int i = 0; i < medium.poles; ++i) {
    medium.resonance[i] = materials::speedOfLight / (std::sqrt(formula.c[std::size_t(i)]) * 1e-6);
    medium.weight[i] = formula.b[std::size_t(i)] / strength;
  }
  if (!std::isfinite(medium.epsilonStatic))
    return tr("the Sellmeier strengths are too large");
  return QString();
}
