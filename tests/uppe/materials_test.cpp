// Real materials in the spectral engine: linear propagation through a
// Sellmeier medium against exact propagation with the formula, a table
// sampled from the formula reproducing the formula's run, data files found
// beside the configuration, and refused parameter lines.

#include "uppetestsupport.h"

#include "app/enginefactory.h"
#include "engine/loader.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <complex>

namespace {

using namespace uppetest;

constexpr double c = 299792458.0;
constexpr double twoPi = 6.283185307179586;

// Fused silica, written out independently of the library.
double silicaIndex(double um)
{
  const double l2 = um * um;
  return std::sqrt(1.0 + 0.6961663 * l2 / (l2 - 0.0684043 * 0.0684043) +
                   0.4079426 * l2 / (l2 - 0.1162414 * 0.1162414) +
                   0.8974794 * l2 / (l2 - 9.896161 * 9.896161));
}
const QString silicaTerms = QStringLiteral("1 0.6961663 %1 0.4079426 %2 0.8974794 %3")
                                .arg(0.0684043 * 0.0684043, 0, 'g', 17)
                                .arg(0.1162414 * 0.1162414, 0, 'g', 17)
                                .arg(9.896161 * 9.896161, 0, 'g', 17);

// A 16 fs pulse at 375 THz (800 nm) through 1 mm of the medium.
QStringList pulseThrough(const QString &medium, const QString &parameters)
{
  QStringList lines = withLine(baseConfiguration(), MediumLine, medium + QStringLiteral(" medium"));
  lines = withLine(lines, ParametersLine, parameters + QStringLiteral(" parameters"));
  lines = withLine(lines, CentreLine, QStringLiteral("375 centre"));
  lines = withLine(lines, TimedurationLine, QStringLiteral("400 timeduration"));
  lines = withLine(lines, ThreeDbLine, QStringLiteral("15 3dB"));
  return lines;
}

class RealMaterials : public WorkingDirectoryTest
{
};

TEST_F(RealMaterials, SellmeierRunIsExactPropagationWithTheFormula)
{
  auto e = build(pulseThrough(QStringLiteral("sellmeier"), silicaTerms));
  ASSERT_TRUE(e->isConstructed()) << e->errorReason.toStdString();
  const int n = e->getTimePointCount();
  const std::vector<double> x0(e->getOperator()->fieldState(), e->getOperator()->fieldState() + n);
  runToEnd(*e);
  const double *x = e->getOperator()->fieldState();
  const double v = e->getReferenceVelocity();
  const double z = e->getPosition();
  // X(z) = X(0) exp(+-i (k - w / v) z) bin by bin (the sign is the transform's
  // convention and is taken from the peak; the check is the index itself).
  double largest = 0.0;
  for (int k = 1; k < n / 2; ++k)
    largest = std::max(largest, std::abs(std::complex<double>(x0[k], x0[n - k])));
  double error[2] = {0.0, 0.0};
  for (int k = 1; k < n / 2; ++k) {
    const std::complex<double> a(x0[k], x0[n - k]), b(x[k], x[n - k]);
    if (std::abs(a) < 1e-3 * largest)
      continue;
    const double f = e->getFrequencies()[k];
    const double phase = (twoPi * f * silicaIndex(c / f * 1e6) / c - twoPi * f / v) * z;
    for (int s = 0; s < 2; ++s)
      error[s] = std::max(error[s], std::abs(b - a * std::polar(1.0, s ? -phase : phase)) / largest);
  }
  EXPECT_LT(std::min(error[0], error[1]), 1e-9);
  // The frame moves with the group velocity at 800 nm (n_g = 1.4671).
  EXPECT_NEAR(c / v, 1.4671, 2e-4);
}

TEST_F(RealMaterials, TableSampledFromTheFormulaReproducesItsRunInBothFormulations)
{
  QFile table(QStringLiteral("silica.dat"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Text));
  for (double um = 4.0; um > 0.2; um -= 0.005) // decreasing, with a zero k column
    table.write(QStringLiteral("%1 %2 0\n").arg(um, 0, 'g', 17).arg(silicaIndex(um), 0, 'g', 17).toLatin1());
  table.close();
  for (const char *general : {"0 usegeneral", "1 usegeneral"}) {
    const QStringList formula = withLine(pulseThrough(QStringLiteral("material"), QStringLiteral("FUSED_SILICA")),
                                         UseGeneralLine, general);
    const QStringList tabulated =
        withLine(pulseThrough(QStringLiteral("tabulated"), QStringLiteral("silica.dat")), UseGeneralLine, general);
    auto a = build(formula), b = build(tabulated);
    ASSERT_TRUE(a->isConstructed() && b->isConstructed()) << b->errorReason.toStdString();
    runToEnd(*a);
    runToEnd(*b);
    const std::vector<double> &x = a->getTimeField(), &y = b->getTimeField();
    double peak = 0.0, difference = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
      peak = std::max(peak, std::fabs(x[j]));
      difference = std::max(difference, std::fabs(x[j] - y[j]));
    }
    EXPECT_GT(peak, 0.1) << general;
    EXPECT_LT(difference, 1e-3 * peak) << general;
  }
}

TEST_F(RealMaterials, DataFileBesideTheConfigurationFirstWithItsLossAndCoverageWarning)
{
  QTemporaryDir folder;
  testsupport::writeFile(folder, "n.dat", "0.7 1.5 1e-6\n0.8 1.5 1e-6\n0.9 1.5 1e-6\n");
  testsupport::writeFile(dir, "n.dat", "0.7 2 0\n0.8 2 0\n0.9 2 0\n"); // the working directory
  const QStringList lines = withLine(pulseThrough(QStringLiteral("tabulated_ker1"),
                                                  QStringLiteral("n.dat 1e-22 12.2 32 0.7")),
                                     LinearLine, QStringLiteral("1 linear"));
  const QString file = testsupport::writeFile(folder, "UPPE_table.txt", lines.join('\n').toLatin1());
  LoadOutcome outcome = loadConfiguration(file, QStringLiteral("UPPE"), QStringLiteral("UPPE_table"), createEngine);
  ASSERT_TRUE(outcome.ok()) << outcome.message.toStdString();
  std::unique_ptr<Simulator> engine(outcome.engine);
  auto *uppe = static_cast<UPPESimulator *>(engine.get());
  EXPECT_EQ(uppe->getRefractiveIndex()[200], Complex(1.5, 1e-6));
  EXPECT_DOUBLE_EQ(uppe->getRamanTau2(), 32e-15);
  const QStringList coverage =
      uppe->warnings.filter(QStringLiteral("Medium \"n.dat\" (covered: 0.7 to 0.9 um): 475 of 513 frequency bins"));
  EXPECT_EQ(coverage.size(), 1) << uppe->warnings.join('\n').toStdString();
}

TEST_F(RealMaterials, RefusedParameterLinesSayWhy)
{
  const struct
  {
    const char *medium, *parameters, *reason;
  } cases[] = {
      {"sellmeier", "1 0.69", "expected A and one or more Sellmeier terms B C (C in um^2)"},
      {"sellmeier_ker1", "1e-22 12.2 32 0.7 1 x 0.1", "\"x\" is not a number"},
      {"material_ker1", "bk7 1e-22 0 32 0.7", "the Raman times must be positive and a within 0 to 1"},
      {"material", "glass", "unknown material \"glass\"; the library has fused_silica, bk7, "
                            "sapphire_o, caf2, yag, silicon"},
  };
  for (const auto &c : cases) {
    auto e = build(pulseThrough(QString::fromLatin1(c.medium), QString::fromLatin1(c.parameters)));
    EXPECT_EQ(e->errorLine, ParametersLine) << c.medium;
    EXPECT_EQ(e->errorReason, QString::fromLatin1(c.reason)) << c.medium;
  }
}

} // namespace
