// Evolution maps: the spectral map on the frequency axis and resampled on
// wavelengths, the temporal map in dB, the output spectrogram's peak at the
// pulse's delay and frequency, their saved text and their window.

#include "fakeengine.h"
#include "testsupport.h"

#include "engine/evolutionrecord.h"
#include "results/evolutionmaps.h"
#include "plots/plotwidgets.h"
#include "results/resultsaving.h"

#include <qwt_plot_spectrogram.h>
#include <qwt_slider.h>

#include <QtWidgets>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double c = 299792458.0;

// Three planes (0, 1, 2 mm) of a spectrum on 100 ... 300 THz whose only light
// is at 200 + 10 r THz on plane r; the power is 10^r W at delay 0; the final
// field a Gaussian 1 ps after the window centre, 20 THz above the carrier.
class EvolutionEngine : public FakeEngine
{
public:
  EvolutionEngine()
  {
    timeSignal = true;
    EvolutionRecord &r = record;
    r.plannedPlanes = 3;
    r.distances = {0.0, 1.0, 2.0};
    r.lengthUnit = "mm";
    r.frequencyUnit = "THz";
    r.frequencyScale = 1e12;
    for (int k = 0; k <= 200; ++k)
      r.frequencies.push_back(100.0 + k);
    for (int row = 0; row < 3; ++row)
      for (int k = 0; k <= 200; ++k)
        r.spectra.push_back(k == 100 + 10 * row ? 0.0 : k == 90 ? -60.0 : k == 130 ? -60.3 : -100.0);
    r.spectrumTitle = "Spectral energy density [dB(J/Hz)]";
    r.timeUnit = "fs";
    r.timeScale = 1e-15;
    r.delays = {-10.0, 0.0, 10.0};
    for (int row = 0; row < 3; ++row)
      for (double d : r.delays)
        r.powers.push_back(d == 0.0 ? std::pow(10.0, row) : 0.0);
    r.powerTitle = "Power [W]";
    const int n = 4096;
    r.sampleSeconds = 2e-15;
    r.carrierHz = 200e12;
    const double centre = 0.5 * (n - 1) * r.sampleSeconds + 1e-12;
    for (int j = 0; j < n; ++j) {
      const double s = j * r.sampleSeconds - centre;
      r.finalField.push_back(std::exp(-s * s / (2.0 * 100e-15 * 100e-15)) *
                             std::polar(1.0, 2.0 * 3.141592653589793 * 20e12 * s));
    }
  }
  const EvolutionRecord *evolution() const override { return &record; }
  EvolutionRecord record;
};

// Index of the largest value of a map.
std::pair<int, int> peakCell(const EvolutionMap &m)
{
  const auto at = std::max_element(m.values.begin(), m.values.end()) - m.values.begin();
  return {int(at / m.columns), int(at % m.columns)};
}

TEST(EvolutionMaps, SpectralMapOnFrequenciesAndOnWavelengths)
{
  EvolutionEngine e;
  const EvolutionMap f = spectralEvolutionMap(e.record, false);
  EXPECT_EQ(std::make_pair(f.rows, f.columns), std::make_pair(3, 201));
  EXPECT_EQ(f.values, e.record.spectra);
  EXPECT_EQ(f.xTitle, "Frequency [THz]");
  EXPECT_EQ(f.yTitle, "Distance [mm]");
  const EvolutionMap w = spectralEvolutionMap(e.record, true, 2000);
  ASSERT_EQ(w.rows, 3);
  EXPECT_EQ(w.xTitle, "Wavelength [nm]");
  // The light within 60 dB of the peak (190 THz just in, 230 THz just out), 5 % to spare.
  const double lo = c / 220e12 * 1e9, hi = c / 190e12 * 1e9, pad = 0.05 * (hi - lo);
  EXPECT_NEAR(w.x.front(), lo - pad, 1e-9);
  EXPECT_NEAR(w.x.back(), hi + pad, 1e-9);
  const double step = w.x[1] - w.x[0];
  for (int row = 0; row < 3; ++row) {
    // The light of plane r stands at c / (200 + 10 r) THz.
    const auto begin = w.values.begin() + long(row) * w.columns;
    const int column = int(std::max_element(begin, begin + w.columns) - begin);
    EXPECT_NEAR(w.x[std::size_t(column)], c / ((200.0 + 10.0 * row) * 1e12) * 1e9, step) << row;
  }
}

TEST(EvolutionMaps, TemporalMapIsThePowerInDecibels)
{
  EvolutionEngine e;
  const EvolutionMap m = temporalEvolutionMap(e.record);
  ASSERT_EQ(m.rows, 3);
  EXPECT_EQ(m.values, (std::vector<double>{-400, 0, -400, -400, 10, -400, -400, 20, -400})); // no power: the floor
  EXPECT_EQ(m.zTitle, "Power [W] (dB)");
}

TEST(EvolutionMaps, SpectrogramPeaksAtThePulsesDelayAndFrequency)
{
  EvolutionEngine e;
  for (double gate : {0.0, 300e-15}) {
    const EvolutionMap m = outputSpectrogram(e.record, gate, 256, 512);
    ASSERT_EQ(std::make_pair(m.rows, m.columns), std::make_pair(512, 256)); // rows of 8 frequency bins
    const auto [row, column] = peakCell(m);
    EXPECT_NEAR(m.x[std::size_t(column)], 1000.0, m.x[1] - m.x[0]) << gate;       // fs
    // Gates 32 fs apart, the first centred 16 fs after the first sample; the centre lies 4095 fs after it.
    EXPECT_NEAR(m.x[0], -4079.0, 1e-9);
    EXPECT_NEAR(m.y[0], -50.0, 1e-9); // rows from the carrier less half the sampling rate
    EXPECT_NEAR(m.y[std::size_t(row)], 220.0, 1.01 * (m.y[1] - m.y[0])) << gate;  // THz
  }
  // One row fewer than the 4096 bins: rows of two bins, never more rows than asked for.
  EXPECT_EQ(outputSpectrogram(e.record, 0.0, 8, 4095).rows, 2048);
}

TEST(EvolutionMaps, SaveAllWritesTheMatricesWithTheirAxes)
{
  EvolutionEngine e;
  QStringList names;
  for (const ResultEntry &entry : saveAllEntries(e))
    names << entry.fileName;
  for (const char *name : {"Spectral evolution.txt", "Temporal evolution.txt", "Output spectrogram.txt"})
    EXPECT_TRUE(names.contains(name)) << name;
  const QStringList lines =
      QString::fromUtf8(resultText(e, resultEntry(e, ResultKind::TemporalEvolution))).split('\n');
  EXPECT_EQ(lines.value(0), "! Temporal evolution Power [W] (dB): one row per Distance [mm], one column per "
                            "Delay [fs]");
  EXPECT_EQ(lines.value(1), "-400\t0\t-400\t");
  EXPECT_EQ(lines.value(4), "! Delay [fs] (corresponds to the columns):");
  EXPECT_EQ(lines.value(8), "! Distance [mm] (corresponds to the rows):");
  EXPECT_EQ(lines.value(11), "2\t");
  FakeEngine plain; // no record: nothing extra
  plain.timeSignal = true;
  EXPECT_EQ(saveAllEntries(plain).size(), 4);
}

TEST(EvolutionMaps, WindowFollowsTheFloorSliderAxisBoxAndGate)
{
  EvolutionEngine e;
  EvolutionMapWidget spectral(&e, EvolutionMapWidget::Map::Spectral, "Spectral evolution");
  spectral.show();
  spectral.refreshPlot(&e);
  const auto zLow = [&spectral] { return spectral.navigablePlot()->axisInterval(QwtPlot::yRight).minValue(); };
  EXPECT_EQ(spectral.currentMap().xTitle, "Wavelength [nm]"); // an envelope about a carrier
  spectral.wavelengthBox()->setChecked(false);
  EXPECT_EQ(spectral.currentMap().xTitle, "Frequency [THz]");
  EXPECT_DOUBLE_EQ(zLow(), -40.0);
  spectral.slider()->setValue(80.0);
  EXPECT_DOUBLE_EQ(zLow(), -80.0);

  EvolutionMapWidget gated(&e, EvolutionMapWidget::Map::Spectrogram, "Output spectrogram");
  gated.refreshPlot(&e);
  const std::vector<double> before = gated.currentMap().values;
  gated.gateBox()->setValue(50.0);
  EXPECT_NE(gated.currentMap().values, before);
  QTemporaryDir dir;
  ASSERT_TRUE(gated.saveToFile(dir.filePath("map.txt"), &e));
  EXPECT_TRUE(testsupport::readAll(dir.filePath("map.txt")).startsWith("! Output spectrogram Spectrogram [dB]"));
}

} // namespace
