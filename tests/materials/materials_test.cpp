// Material library against published indices, sampling on frequency bins
// (clamping and substitution), tabulated files: Steffen interpolation and
// every refusal with its line.

#include "materials/materials.h"
#include "materials/tabulatedindex.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace materials;

namespace {

double hertz(double micrometres) { return 299792458.0 / (micrometres * 1e-6); }

TEST(Materials, LibraryIndicesAndSamplingOnBins)
{
  // Published indices (YAG and silicon: the values of these fits; other fits
  // give 1.8153 and 3.4757), then every fit at both ends of its range to nine
  // digits, so that each coefficient counts; beyond the range: no value.
  const struct { const char *name; double micrometres, n, tolerance; } cases[] = {
      {"Fused_Silica", 0.8, 1.45332, 5e-6}, {"bk7", 0.5876, 1.51680, 5e-6},
      {"YAG", 1.064, 1.8147, 5e-5}, {"silicon", 1.55, 3.4777, 5e-5},
      {"fused_silica", 0.21, 1.538357620, 1e-9}, {"fused_silica", 3.71, 1.399279772, 1e-9},
      {"bk7", 0.3, 1.552770264, 1e-9}, {"bk7", 2.5, 1.486017710, 1e-9},
      {"sapphire_o", 0.2, 1.912709408, 1e-9}, {"sapphire_o", 5.5, 1.591948872, 1e-9},
      {"caf2", 0.23, 1.475754569, 1e-9}, {"caf2", 9.7, 1.308237467, 1e-9},
      {"yag", 0.4, 1.860826160, 1e-9}, {"yag", 5.0, 1.721995940, 1e-9},
      {"silicon", 1.36, 3.497131626, 1e-9}, {"silicon", 11.0, 3.417509931, 1e-9}};
  for (const auto &c : cases) {
    const LibraryMaterial *m = findMaterial(c.name);
    ASSERT_NE(m, nullptr) << c.name;
    const Dispersion d(m->name, m->formula, m->shortest, m->longest);
    EXPECT_NEAR(d.at(c.micrometres).real(), c.n, c.tolerance) << c.name << " " << c.micrometres;
    const double beyond = c.micrometres * (c.micrometres < (m->shortest + m->longest) / 2 ? 0.999 : 1.001);
    EXPECT_TRUE(c.tolerance > 1e-6 || std::isnan(d.at(beyond).real())) << c.name; // range ends
  }
  // DC and 0.1 um lie outside 0.21 to 3.71 um: they take the ends of the range.
  const LibraryMaterial *silica = findMaterial("fused_silica");
  const Dispersion d(silica->name, silica->formula, silica->shortest, silica->longest);
  const Dispersion::Samples s = d.sample({0.0, hertz(0.1), hertz(0.8)});
  EXPECT_EQ(s.substituted, 2);
  EXPECT_DOUBLE_EQ(s.index[0].real(), d.at(3.71).real());
  EXPECT_DOUBLE_EQ(s.index[1].real(), d.at(0.21).real());
  EXPECT_DOUBLE_EQ(s.index[2].real(), std::sqrt(silica->formula.indexSquared(0.8)));
  // n^2 = 1 + l^2 / (l^2 - 1) <= 0 for 0.707 <= l < 1 um: 0.72 and 0.95 um
  // take the index of the nearer covered bin, 0.6 and 1.2 um.
  const Dispersion resonant(QStringLiteral("sellmeier"), Sellmeier{1.0, {1.0}, {1.0}});
  const Dispersion::Samples r = resonant.sample({hertz(0.6), hertz(0.72), hertz(0.95), hertz(1.2)});
  EXPECT_EQ(r.substituted, 2);
  EXPECT_TRUE(r.index[1] == r.index[0] && r.index[2] == r.index[3]);
  EXPECT_FALSE(resonant.sample({hertz(0.9)}).covered);
}

TEST(Materials, SteffenKeepsFlatStretchesFlatAndReadsKSeparately)
{
  QTemporaryDir dir;
  const QString file = testsupport::writeFile(
      dir, "index.dat", "# wavelength n k\n\n0.7 1.4 0\n0.6 1.4 0.01\n0.5 1.5 0.02\n0.4 1.7\n");
  QString reason;
  const auto table = TabulatedIndex::read(file, reason);
  ASSERT_TRUE(table) << reason.toStdString();
  EXPECT_EQ(table->at(0.5), std::complex<double>(1.5, 0.02));
  EXPECT_DOUBLE_EQ(table->at(0.65).real(), 1.4); // a natural spline would dip below
  EXPECT_DOUBLE_EQ(table->at(0.4).real() + table->at(0.7).real(), 1.7 + 1.4); // both ends are inside
  EXPECT_TRUE(table->at(0.45).real() > 1.5 && table->at(0.45).real() < 1.7);
  EXPECT_TRUE(std::isnan(table->at(0.8).real()) && std::isnan(table->at(0.39).real()));
}

TEST(Materials, TabulatedFileRefusalsSayWhyAndWhere)
{
  QTemporaryDir dir;
  const QString bad = dir.filePath("bad.dat"), none = dir.filePath("none.dat");
  const struct { const char *text; QString name, reason; } cases[] = { // text null: no such file written
      {"0.5 1.5\nabc 1.4\n", bad, ", line 2: \"abc\" is not a number"},
      {"0.5 1.5\n0.6 1.5 0.1 9\n", bad, ", line 2: expected a wavelength in um, n and optionally k"},
      {"0.5\n", bad, ", line 1: expected a wavelength in um, n and optionally k"},
      {"#\n\n0.5 1.5\n0.6 1.4\n0.55 1.45\n", bad,
       ", line 5: the wavelengths must be strictly increasing or strictly decreasing"},
      {"0.5 1.5\n0.5 1.4\n", bad, ", line 2: the wavelengths must be strictly increasing or strictly decreasing"},
      {"-0.5 1.5\n", bad, ", line 1: the wavelength must be positive"},
      {"0.5 0\n", bad, ", line 1: the index n must be positive"},
      {"0.5 1.5 -0.1\n", bad, ", line 1: the extinction coefficient k must not be negative"},
      {"0.5 1.5\n0.6 1.4\n", bad, " holds 2 samples; at least 3 are needed"},
      {nullptr, none, " not found beside the configuration file or in the working directory"},
      {nullptr, dir.path(), " is not a regular file"},
      {"<huge>", bad, " is larger than 16 MiB"}};
  for (const auto &c : cases) {
    if (c.text)
      testsupport::writeFile(dir, "bad.dat", c.text);
    if (c.text && !qstrcmp(c.text, "<huge>")) {
      ASSERT_TRUE(QFile(bad).resize((16ll << 20) + 1)); // one byte over 16 MiB
    }
    QString reason;
    EXPECT_FALSE(TabulatedIndex::read(c.name, reason)) << c.reason.toStdString();
    EXPECT_EQ(reason, QStringLiteral("data file \"%1\"").arg(c.name) + c.reason);
  }
  // A table of exactly the largest size (its last line padded) is read.
  QByteArray table = "0.5 1.5\n0.6 1.4\n0.7 1.3";
  table.append((16 << 20) - table.size(), ' ');
  testsupport::writeFile(dir, "bad.dat", table);
  QString reason;
  EXPECT_TRUE(TabulatedIndex::read(bad, reason)) << reason.toStdString();
}

} // namespace
