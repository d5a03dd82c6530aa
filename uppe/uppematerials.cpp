// Real materials in the spectral engine's medium: a Sellmeier formula, a
// material of the built-in library or an index tabulated in a file, each
// linear or with the Kerr and Raman constants of "const_n_ker1".

#include "uppe/uppesimulator.h"
#include "input/tokens.h"

#include "engine/loader.h"
#include "materials/tabulatedindex.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace {
QString say(const char *text) { return QCoreApplication::translate("Lumora", text); }
} // namespace

bool UPPESimulator::parseMaterialMedium(const QString &line, int lineNumber)
{
  // The values: the tokens before the keyword.
  QStringList values = lineTokens(line);
  for (int i = 0; i < values.size(); ++i)
    if (values.at(i).contains(QLatin1String("parameters"), Qt::CaseInsensitive)) {
      values = values.mid(0, i);
      break;
    }

  const bool kerr = mediumType == SellmeierKer1 || mediumType == MaterialKer1 ||
                    mediumType == TabulatedKer1;
  const bool formula = mediumType == Sellmeier || mediumType == SellmeierKer1;
  const int kerrAt = formula ? 0 : 1; // n2 tau1 tau2 a
  const int numbersAt = kerr && formula ? 4 : (formula ? 0 : 1);
  const int count = values.size();
  const bool countOk = formula ? count >= numbersAt + 3 && (count - numbersAt) % 2 == 1
                               : count == (kerr ? 5 : 1);
  if (!countOk) {
    static const char *const usage[] = {
        "expected A and one or more Sellmeier terms B C (C in um^2)",
        "expected n2, tau1, tau2, a, then A and one or more Sellmeier terms B C (C in um^2)",
        "expected a material name", "expected a material name, then n2, tau1, tau2 and a",
        "expected a data file name", "expected a data file name, then n2, tau1, tau2 and a"};
    return fail(lineNumber, say(usage[mediumType - Sellmeier]));
  }
  std::vector<double> v(std::size_t(count), 0.0);
  for (int i = formula ? 0 : 1; i < count; ++i) {
    if (!toReal(values.at(i), v[std::size_t(i)]))
      return fail(lineNumber, say("\"%1\" is not a number").arg(values.at(i)));
  }
  if (kerr) {
    const double *k = &v[std::size_t(kerrAt)];
    if (!(k[1] > 0.0) || !(k[2] > 0.0) || !(k[3] >= 0.0 && k[3] <= 1.0))
      return fail(lineNumber, say("the Raman times must be positive and a within 0 to 1"));
    kerrCoefficient = k[0];
    ramanTau1 = k[1] * 1e-15;
    ramanTau2 = k[2] * 1e-15;
    instantaneousWeight = k[3];
  }

  if (formula) {
    materials::Sellmeier s;
    s.a = v[std::size_t(numbersAt)];
    for (int i = numbersAt + 1; i + 1 < count; i += 2) {
      s.b.push_back(v[std::size_t(i)]);
      s.c.push_back(v[std::size_t(i + 1)]);
    }
    dispersion = materials::Dispersion(QStringLiteral("sellmeier"), s);
  } else if (mediumType == Material || mediumType == MaterialKer1) {
    const materials::LibraryMaterial *m = materials::findMaterial(values.first());
    if (!m)
      return fail(lineNumber, say("unknown material \"%1\"; the library has %2")
                                  .arg(values.first(), materials::materialNames().join(QLatin1String(", "))));
    dispersion = materials::Dispersion(m->name, m->formula, m->shortest, m->longest);
  } else {
    const QString file = materials::resolveDataFile(values.first(), configurationFolder());
    QString reason;
    std::shared_ptr<const materials::TabulatedIndex> table = materials::TabulatedIndex::read(file, reason);
    if (!table)
      return fail(lineNumber, reason);
    dispersion = materials::Dispersion(QFileInfo(values.first()).fileName(), table);
  }

  // Bins the medium does not cover take the index of the nearest covered
  // wavelength; the set-up lists how many.
  const std::vector<double> &bins = useGeneral ? binFrequencies : frequencies;
  const materials::Dispersion::Samples samples = dispersion.sample(bins);
  if (!samples.covered)
    return fail(lineNumber, say("the index is not real and positive at any frequency of the run"));
  if (samples.substituted > 0)
    warnings << dispersion.coverageWarning(samples.substituted, int(bins.size()));
  return false;
}
