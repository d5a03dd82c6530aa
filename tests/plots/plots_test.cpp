// The plots layer: writers, the saved text of every result kind, Save All,
// and the plot widgets' behaviour (refresh rule, envelopes, axis, drawing
// budget, zoom, pictures, spectrogram colour scale).

#include "fakeengine.h"
#include "testsupport.h"

#include "results/columnwriter.h"
#include "plots/drawingbudget.h"
#include "plots/plotwidgets.h"
#include "results/resultsaving.h"

#include <qwt_plot_spectrogram.h>
#include <qwt_slider.h>

#include <QtWidgets>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>

using testsupport::readAll;

namespace {

const double inf = std::numeric_limits<double>::infinity();
const QDateTime fixedTime(QDate(2026, 12, 5), QTime(13, 5, 9));

QStringList filesIn(const QString &folder)
{
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Three locations 10, 15, 20 um with 11 frequencies 0 ... 5 THz, flat at
// 20, 40 and 60 dB.
void staticMap(FakeEngine &e)
{
  e.addFourier("loc 10", 0.0, 0.5, 5.0, 10.0);
  e.addFourier("loc 15", 0.0, 0.5, 5.0, 100.0);
  e.addFourier("loc 20", 0.0, 0.5, 5.0, 1000.0);
  auto *s = new StaticSpectrogramPostprocessing<int, double>("map", "THz", 0.0, 0.5, 5.0, 12, true, 10.0, 5.0,
                                                             20.0, "um", 3, 11, 0);
  e.spectrogramPostprocessings.push_back(s);
  e.spectrogramAvailable = true;
  s->refresh(e.fourierPostprocessings);
}

QByteArray staticMapText()
{
  QByteArray t = "! Spectrogram data:\n\n";
  for (const char *v : {"20", "40", "60"})
    t += QByteArray(v).append('\t').repeated(11) + "\n";
  t += "! SPECTRAL variable expressed in [THz] (corresponds to the columns):\n\n";
  for (const char *f : {"0", "0.5", "1", "1.5", "2", "2.5", "3", "3.5", "4", "4.5", "5"})
    t += QByteArray(f) + "\t\n";
  return t + "! SPATIAL variable expressed in [um] (corresponds to the rows):\n\n10\t\n15\t\n20\t\n";
}

void dynamicMap(FakeEngine &e)
{
  e.lengthUnit = "mm";
  e.addFourier("w1", 0.0, 1.0, 2.0);
  e.addFourier("w2", 0.0, 1.0, 2.0);
  auto *d = new DynamicSpectrogramPostprocessing<int, double>("dyn", "THz", 0.0, 1.0, 2.0, 12, true, 4.0, "mm", 100);
  e.spectrogramPostprocessings.push_back(d);
  e.dynamicSpectrogram = true;
  d->addWindow(e.fourierPostprocessings[0]);
  d->addWindow(e.fourierPostprocessings[1]);
  d->appendRow({1.0, 2.0, 3.0});
  d->appendRow({-inf, 5.0, 1e-9});
}

// A spectrum taken on a wavelength grid (300 um THz): 600 and 300 um.
void wavelengthSpectrum(FakeEngine &e)
{
  auto *f = new FourierPostprocessingFreqList<int, double>("W", 0, 1, 2147483647, 600.0, -300.0, 300.0, 1e-15, 12,
                                                           {0.5, 1.0});
  f->process(std::vector<double>{2.0}, 1);
  e.fourierPostprocessings.push_back(f);
  e.spectrumAvailable = true;
}

struct TextCase
{
  const char *name;
  void (*setup)(FakeEngine &);
  ResultKind kind;
  QByteArray text;
};

void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }

using SavedText = ::testing::TestWithParam<TextCase>;

// The file every result kind is saved as (Save All, lumora-batch, Save As).
TEST_P(SavedText, IsExact)
{
  FakeEngine e;
  GetParam().setup(e);
  EXPECT_EQ(resultText(e, resultEntry(e, GetParam().kind)).toStdString(), GetParam().text.toStdString());
}

const TextCase textCases[] = {
    {"ElectricField", [](FakeEngine &e) { e.field = {0.5, -1.0}, e.spacing = 2.0; }, ResultKind::ElectricField,
     "! Location [um]\tElectric field [V/m]\n0\t0.5\n2\t-1\n"},
    // H lies half a cell before E, with one more value.
    {"MagneticField", [](FakeEngine &e) { e.field = {0.0, 0.0}, e.hField = {1, 2, 3}, e.spacing = 4.0; },
     ResultKind::MagneticField, "! Location [um]\tMagnetic field [A/m]\n-2\t1\n2\t2\n6\t3\n"},
    {"Poynting", [](FakeEngine &e) { e.field = {1.0}; }, ResultKind::PoyntingVector,
     "! Location [um]\tPoynting vector [W/m^2]\n"},
    {"TimeSignal", [](FakeEngine &e) { e.timeSignal = true, e.dt = 0.5, e.field = {1.0, 2.0, 1073741824.0}; },
     ResultKind::TimeSignal, "! Time [fs]\tElectric field [V/m]\n0\t1\n0.5\t2\n1\t1.0737418e+09\n"},
    {"FFTSpectrum",
     [](FakeEngine &e) { e.timeSignal = true, e.frequencies = {0.0, 0.5}, e.spectrumDb = {-inf, -20.0}; },
     ResultKind::FFTSpectrum, "! Magnitude spectrum:\n! Frequency [THz]\tMagnitude [dBV/m]\n0\t-inf\n0.5\t-20\n"},
    {"Spectrum", [](FakeEngine &e) { e.addFourier("A", 0.5, 0.25, 0.75, 10.0); }, ResultKind::Spectrum,
     "! Magnitude spectrum:\n! Frequency [THz]\tMagnitude [dBV/m]\n0.5\t20\n0.75\t20\n"
     "! Phase spectrum:\n! Frequency [THz]\t Radians\n0.5\t0\n0.75\t0\n"},
    {"WavelengthSpectrum", wavelengthSpectrum, ResultKind::Spectrum,
     "! Magnitude spectrum:\n! Wavelength [um]\tMagnitude [dBV/m]\n600\t6.0205999\n300\t6.0205999\n"
     "! Phase spectrum:\n! Wavelength [um]\t Radians\n600\t0\n300\t0\n"},
    {"TimeProbe", [](FakeEngine &e) { e.addProbe("p/1", "ps", 1.0, 2.0, {3.0, 1e-9}); }, ResultKind::TimeProbe,
     "! Time [ps]\tE-field [V/m]\r\n!p/1\n1\t3\n3\t1e-09\n"},
    {"ConversionEfficiency",
     [](FakeEngine &e) { e.positions = {1, 2}, e.totalEnergy = {4, 3}, e.bandEnergy = {0.5, 1}; },
     ResultKind::ConversionEfficiency,
     "! Total energy: \n! Location [um]\tEnergy (a.u.)\n1\t4\n2\t3\n"
     "! Energy in user-specified band: \n! Location [um]\tEnergy (a.u.)\n1\t0.5\n2\t1\n"},
    {"InputSignal", [](FakeEngine &e) { e.timeSignal = true, e.timePoints = {0, 0.5}, e.inputField = {0, -2}; },
     ResultKind::InputSignal, "! Time [fs] E field [V/m]\n0\t0\n0.5\t-2\n"},
    // The input spectrum covers the engine's spectral points only.
    {"InputSpectrum",
     [](FakeEngine &e) {
       e.timeSignal = true, e.frequencies = {0, 1, 2}, e.initialSpectrumDb = {-inf, 6, 99};
       e.spectrumDb = {0, 0};
     },
     ResultKind::InputSpectrum, "! Frequency [THz] Magnitude [dBV/m]\n0\t-inf\n1\t6\n"},
    {"StaticSpectrogram", staticMap, ResultKind::Spectrogram, staticMapText()},
    {"DynamicSpectrogram", dynamicMap, ResultKind::Spectrogram,
     "! Spectrogram data:\n\n1\t2\t3\t\n-inf\t5\t1e-09\t\n"
     "! SPECTRAL variable expressed in [THz] (corresponds to the columns):\n\n0\t\n1\t\n2\t\n"
     "! SPATIAL variable expressed in [mm] (corresponds to the rows):\n\n2\t\n6\t\n"}};
INSTANTIATE_TEST_SUITE_P(Kinds, SavedText, ::testing::ValuesIn(textCases), testsupport::ByName());

TEST(Writers, FormatsModesAndAtomicFailure)
{
  QTemporaryDir dir;
  const QString path = dir.filePath("c.txt");
  testsupport::writeFile(dir, "c.txt", "old content that is longer than the new one\n");
  ASSERT_TRUE(writeColumns(path, {0.1, 1e-9, 123456789.0}, {1.0, -2.5, 1.0 / 3.0}, "! x"));
  ASSERT_TRUE(writeMatrix(path, QVector<double>{1, 2, 3, 4}, 2, 2, "! m\n", QIODevice::WriteOnly | QIODevice::Append));
  EXPECT_EQ(readAll(path), QByteArray("! x\n0.1\t1\n1e-09\t-2.5\n1.2345679e+08\t0.33333333\n! m\n\n1\t2\t\n3\t4\t\n"));
  // Three rows asked for, values for one and a half: only the full row.
  EXPECT_EQ(formatMatrix(std::vector<double>{1, 2, 3}.data(), 3, 3, 2, "! h"), QByteArray("! h\n1\t2\t\n"));
  EXPECT_FALSE(writeColumns(dir.filePath("missing/c.txt"), {1.0}, {2.0}, "! h"));
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
  EXPECT_FALSE(writeColumns(dir.filePath("taken.txt"), {1.0}, {2.0}, "! h", QIODevice::Append));
  EXPECT_EQ(filesIn(dir.path()), QStringList({"c.txt"})); // no temporary file left
}

TEST(SaveAll, FolderNamesAndFileNames)
{
  EXPECT_EQ(resultsFolderName(fixedTime, "run:A/b"), "Simulation results 5.12.2026 13_05_09_run_A_b");
  EXPECT_EQ(resultsFolderPath("/base", fixedTime, QString()), "/base/Simulation results 5.12.2026 13_05_09_/");
  const struct
  {
    QStringList names;
    Qt::CaseSensitivity cs;
    QStringList files;
  } cases[] = {{{"A", "B"}, Qt::CaseSensitive, {"A.txt", "B.txt"}},
               {{"x", "A", "B", "A"}, Qt::CaseSensitive, {"x_1.txt", "A_2.txt", "B_3.txt", "A_4.txt"}},
               {{"A", "a"}, Qt::CaseSensitive, {"A.txt", "a.txt"}},
               {{"A", "a"}, Qt::CaseInsensitive, {"A_1.txt", "a_2.txt"}},
               {{"a/b", "a_b"}, Qt::CaseSensitive, {"a_b_1.txt", "a_b_2.txt"}},
               {{"w\\1:*?\"<>|"}, Qt::CaseSensitive, {"w_1_______.txt"}}};
  for (const auto &c : cases)
    EXPECT_EQ(resultFileNames(c.names, c.cs), c.files) << c.names.join(',').toStdString();
}

struct SaveAllRun
{
  SaveAllRun(FakeEngine &e, const QString &base, const QString &config)
      : outcome(saveAllResults(&e, config, base, "tag", fixedTime,
                               [this](const QString &m, int t) { messages << m + " " + QString::number(t); }))
  {
  }
  QStringList messages;
  SaveAllOutcome outcome;
};

TEST(SaveAll, WritesEachEnginesSetWithItsMessages)
{
  QTemporaryDir dir;
  const QString config = testsupport::writeFile(dir, "FDTD_run.txt", "1 required\n");
  FakeEngine grid;
  grid.addFourier("A", 0.5, 0.25, 1.0);
  grid.addFourier("A", 0.0, 1.0, 0.0);
  grid.addProbe("p/1", "fs", 1.0, 2.0, {3.0, 4.0});
  grid.addProbe("P/1", "ps", 0.0, 1.0, {1e-9});
  SaveAllRun g(grid, dir.path(), config);
  EXPECT_TRUE(g.outcome.succeeded());
  EXPECT_EQ(g.outcome.savedFiles, 6);
  EXPECT_EQ(filesIn(g.outcome.folder),
            QStringList({"A_1.txt", "A_2.txt", "FDTD_run.txt", "P_1_2.txt", "p_1_1.txt", "results.h5"}));
  EXPECT_EQ(readAll(g.outcome.folder + "FDTD_run.txt"), "1 required\n");
  EXPECT_EQ(g.messages, QStringList({"Saved spectrum 1 0", "Saved spectrum 2 0", "Saved spectrum 1 0",
                                     "Saved spectrum 2 0", "All files have been saved 2000"}));

  QTemporaryDir other;
  FakeEngine spectral({}, "UPPE_run");
  spectral.timeSignal = spectral.conversionEfficiencyAvailable = true;
  spectral.positions = {1}, spectral.totalEnergy = {2}, spectral.bandEnergy = {1};
  SaveAllRun s(spectral, other.path(), config);
  EXPECT_EQ(filesIn(s.outcome.folder),
            QStringList({"Conversion efficiency.txt", "FDTD_run.txt", "FFT spectrum.txt", "Input signal.txt",
                         "Input spectrum.txt", "UPPE E-field.txt", "results.h5"}));
  EXPECT_EQ(s.messages, QStringList({"Saved input signal 0", "Saved input signal 0", "All files have been saved 2000"}));
}

TEST(SaveAll, FailuresAreReportedAndLeaveNoPartialFile)
{
  QTemporaryDir dir;
  const QString config = testsupport::writeFile(dir, "FDTD_run.txt", "1 required\n");
  FakeEngine e;
  e.addFourier("A", 0, 1, 0);
  e.addFourier("B", 0, 1, 0);
  // The base is a file: no folder can be made below it, nothing is written.
  const QString fileBase = testsupport::writeFile(dir, "plainfile", "x");
  SaveAllRun blocked(e, fileBase, config);
  EXPECT_FALSE(blocked.outcome.folderCreated);
  ASSERT_EQ(blocked.messages.size(), 1);
  EXPECT_TRUE(blocked.messages[0].startsWith("Saving failed: cannot create folder "));
  EXPECT_EQ(readAll(fileBase), "x");
  // A folder in the way of "A.txt": that file fails, the others are written.
  ASSERT_TRUE(QDir().mkpath(resultsFolderPath(dir.path(), fixedTime, "tag") + "A.txt"));
  SaveAllRun partial(e, dir.path(), config);
  EXPECT_EQ(partial.outcome.failedFiles, 1);
  EXPECT_EQ(filesIn(partial.outcome.folder), QStringList({"B.txt", "FDTD_run.txt", "results.h5"}));
  EXPECT_EQ(partial.messages.mid(0, 2), QStringList({"Saving failed 2000", "Saved spectrum 2 0"}));
  EXPECT_TRUE(partial.messages.value(2).startsWith("Saving failed: 1 file(s) could not be written to "));
  // The save_line_envelope breakpoint's file.
  e.field = {0.5};
  EXPECT_TRUE(saveElectricFieldEnvelope(&e, dir.filePath("line.txt")));
  EXPECT_EQ(readAll(dir.filePath("line.txt")), "! Location [um]\tElectric field [V/m]\n0\t0.5\n");
  EXPECT_FALSE(saveElectricFieldEnvelope(&e, dir.filePath("missing/line.txt")));
}

// --- widgets ----------------------------------------------------------------------

// The widget tests' engine, a folder for what they save, and a field plot.
class PlotWidgets : public ::testing::Test
{
protected:
  std::unique_ptr<EFieldPlotWidget> efieldPlot()
  {
    return std::make_unique<EFieldPlotWidget>(&e, "Location [um]", "Electric field [V/m]", 1, "E", 0);
  }

  QTemporaryDir dir;
  FakeEngine e;
};

// Turns the wheel by notches (positive: up, away from the user) over the
// canvas point at.
void wheel(NavigablePlot *plot, int notches, QPoint at = QPoint(-1, -1))
{
  QWidget *canvas = plot->canvas();
  if (at == QPoint(-1, -1))
    at = canvas->rect().center();
  QWheelEvent event(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &event);
}

void zoomIn(NavigablePlot *plot) { wheel(plot, 3); }

// Shows a widget at the size the pictures and zoom tests expect.
void showSized(QWidget *w) { w->resize(533, 293), w->show(); }

TEST_F(PlotWidgets, RefreshEveryNIterations)
{
  const struct
  {
    const char *every;
    int iteration;
    bool expected;
  } cases[] = {{"1", 7, true},  {"3", 6, true}, {"3", 7, false},  {"3", 0, true},
               {"0", 7, true},  {"", 5, true},  {"10", 25, false}, {"2147483647", 2147483647, true}};
  auto w = efieldPlot();
  EXPECT_FALSE(w->isRefreshDue(&e)); // Refresh not ticked
  w->checkBox->setChecked(true);
  for (const auto &c : cases) {
    w->lineEdit->setText(c.every);
    e.iteration = c.iteration;
    EXPECT_EQ(w->isRefreshDue(&e), c.expected) << "every " << c.every << " at " << c.iteration;
  }
}

TEST_F(PlotWidgets, FieldEnvelopeHoldsPeaksFromZeroAndIsSaved)
{
  e.field = {1.0, -2.0, 0.5}, e.spacing = 0.5;
  auto w = efieldPlot();
  w->showEnvelope();
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{0, 0, 0}));
  w->refreshPlot(&e);
  e.field = {3.0, -1.0, 0.25};
  w->refreshPlot(&e);
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{3.0, 0.0, 0.5}));
  ASSERT_TRUE(w->saveToFile(dir.filePath("e.txt"), &e));
  EXPECT_EQ(readAll(dir.filePath("e.txt")), "! Location [um]\tElectric field [V/m]\n0\t3\n0.5\t-1\n1\t0.25\n"
                                            "! E field Envelope:\n! Location [um]\tElectric field [V/m]\n"
                                            "0\t3\n0.5\t0\n1\t0.5\n");
  w->resetEnvelope();
  EXPECT_EQ(w->envelopeValues(), (std::vector<double>{0, 0, 0}));
}

// A Gaussian on a carrier of 32 cycles: with Envelope ticked the curve and
// the saved file hold the Gaussian itself.
TEST_F(PlotWidgets, TimeEnvelopeIsTheMagnitudeOfTheAnalyticSignal)
{
  e.timeSignal = true;
  const int n = 256;
  std::vector<double> gauss(n);
  for (int i = 0; i < n; ++i) {
    gauss[i] = 4.0 * std::exp(-std::pow((i - 128) / 20.0, 2));
    e.field.push_back(gauss[i] * std::cos(2.0 * M_PI * 32.0 * i / n));
  }
  TimePlotWidget w(&e, "Time [fs]", "Electric field [V/m]", 1, "UPPE E-field", 0);
  w.envelopeCheckBox()->setChecked(true);
  const std::vector<double> shown = w.shownValues(e.field);
  for (int i = 0; i < n; ++i)
    EXPECT_NEAR(shown[i], gauss[i], 1e-6) << i;
  ASSERT_TRUE(w.saveToFile(dir.filePath("t.txt"), &e));
  const QList<QByteArray> lines = readAll(dir.filePath("t.txt")).split('\n');
  EXPECT_EQ(lines[0], "! Time [fs]\tEnvelope of electric field [V/m]");
  EXPECT_EQ(lines[129], "128\t4");
}

// Only finite magnitudes set the axis; an active lower limit sets its lower end.
TEST_F(PlotWidgets, SpectrumAxisKeepsFiniteAndHonoursTheLowerLimit)
{
  e.spectrumDb = {-inf, -20.0, -5.0, -inf};
  FFTSpectrumPlotWidget w(&e, "Frequency [THz]", "Magnitude [dBV/m]", 1, "FFT spectrum", 0);
  w.refreshPlot(&e);
  EXPECT_EQ(std::make_pair(w.leftAxisLower(), w.leftAxisUpper()), std::make_pair(-20.0, -5.0));
  w.checkBox->setChecked(true);
  QTest::keyClicks(w.lineEdit_2, "-100");
  QTest::keyClick(w.lineEdit_2, Qt::Key_Return);
  e.spectrumDb = {-inf, -10.0, -6.0, -inf};
  w.refreshPlot(&e);
  EXPECT_EQ(std::make_pair(w.leftAxisLower(), w.leftAxisUpper()), std::make_pair(-100.0, -6.0));
  e.spectrumDb.assign(4, -inf);
  w.refreshPlot(&e);
  EXPECT_TRUE(std::isfinite(w.leftAxisLower()) && std::isfinite(w.leftAxisUpper()));
}

// Steps of 1 ms on a fake clock; a redraw (its refresh and its painting,
// wherever Qt does it) costs the thread cost ms that are not stepping. Fast
// redraws come at most 25 times a second; slow ones are spaced so that the
// run steps at least 1 - maximumShare of the time; when even the steps leave
// no room (overhead of 0.2 ms a step) plots still redraw every 2 s, but a
// redraw of 200 ms no sooner than 200 ms / maximumShare.
TEST(DrawingBudget, SpacesRedrawsByWhatTheyCost)
{
  constexpr qint64 ms = 1000000;
  const struct
  {
    double cost, overhead;
    int redraws; // in 10 s
  } cases[] = {{0, 0, 250}, {1, 0, 250}, {5, 0, 60}, {50, 0, 6}, {200, 0, 2}, {0, 0.2, 5}};
  for (const auto &c : cases) {
    qint64 now = 0, stepping = 0;
    DrawingBudget budget([&now] { return now; });
    int redraws = 0;
    while (now < 10000 * ms) {
      budget.addSteppingTime(ms);
      stepping += ms;
      now += ms + static_cast<qint64>(c.overhead * ms);
      if (budget.mayRedraw()) {
        budget.redrawStarted();
        now += static_cast<qint64>(c.cost * ms);
        ++redraws;
      }
    }
    EXPECT_NEAR(redraws, c.redraws, 1) << "cost " << c.cost << " ms";
    if (c.overhead == 0.0) {
      EXPECT_GE(static_cast<double>(stepping) / now, 0.91) << c.cost; // the run keeps nine tenths and more
    }
  }
}

// Wheel up zooms in and down zooms out, about the point under the cursor, in
// curve plots and the spectrogram.
TEST_F(PlotWidgets, WheelZoomsAboutTheCursor)
{
  e.field.assign(11, 1.0);
  staticMap(e);
  auto curve = efieldPlot();
  StaticSpectrogramPlotWidget map(&e, "Frequency [THz]", "Distance [um]", "Magnitude [dBV/m]", 1, "Spectrogram", 0);
  for (AbstractPlotWidget *w : std::initializer_list<AbstractPlotWidget *>{curve.get(), &map}) {
    showSized(w);
    w->refreshPlot(&e);
    NavigablePlot *plot = w->navigablePlot();
    const QPoint at(plot->canvas()->width() / 4, plot->canvas()->height() / 3);
    const auto under = [&](int axis) { return plot->canvasMap(axis).invTransform(axis == QwtPlot::xBottom ? at.x() : at.y()); };
    const double x = under(QwtPlot::xBottom), y = under(QwtPlot::yLeft);
    const double width = plot->axisRange(QwtPlot::xBottom).width(), height = plot->axisRange(QwtPlot::yLeft).width();
    wheel(plot, 2, at);
    EXPECT_NEAR(plot->axisRange(QwtPlot::xBottom).width(), width * 0.81, width * 1e-6) << w->title().toStdString();
    EXPECT_NEAR(plot->axisRange(QwtPlot::yLeft).width(), height * 0.81, height * 1e-6);
    EXPECT_NEAR(under(QwtPlot::xBottom), x, width * 1e-3);
    EXPECT_NEAR(under(QwtPlot::yLeft), y, height * 1e-3);
    wheel(plot, -4, at);
    EXPECT_NEAR(plot->axisRange(QwtPlot::xBottom).width(), width / 0.81, width * 1e-6);
    EXPECT_NEAR(under(QwtPlot::xBottom), x, width * 1e-3);
  }
}

TEST_F(PlotWidgets, ZoomIsKeptAcrossRefreshesUntilResetAndExported)
{
  e.field.assign(11, 1.0);
  auto w = efieldPlot();
  showSized(w.get());
  w->refreshPlot(&e);
  NavigablePlot *plot = w->navigablePlot();
  zoomIn(plot);
  ASSERT_TRUE(plot->isZoomed());
  const QwtInterval x = plot->axisRange(QwtPlot::xBottom), y = plot->axisRange(QwtPlot::yLeft);
  e.field.assign(11, 7.0); // would widen the axis; the user's view stays
  w->refreshPlot(&e);
  EXPECT_EQ(plot->axisRange(QwtPlot::xBottom), x);
  EXPECT_EQ(plot->axisRange(QwtPlot::yLeft), y);
  for (const char *name : {"plot.png", "plot.svg", "plot.pdf"})
    EXPECT_TRUE(w->exportPicture(dir.filePath(name))) << name;
  EXPECT_TRUE(readAll(dir.filePath("plot.pdf")).startsWith("%PDF"));
  EXPECT_FALSE(w->exportPicture(dir.filePath("plot.bmp")));
  plot->resetView();
  EXPECT_DOUBLE_EQ(w->leftAxisUpper(), 7.0);
  EXPECT_DOUBLE_EQ(plot->axisRange(QwtPlot::xBottom).maxValue(), 10.0);
}

// A map of three rows with two spectra so far: the row not yet filled keeps
// its 0 and counts for the colour range, then the full map spans its rows.
TEST_F(PlotWidgets, MapRangeCountsTheRowsNotYetFilled)
{
  e.addFourier("loc 10", 0.0, 0.5, 5.0, 100.0);
  e.addFourier("loc 15", 0.0, 0.5, 5.0, 1000.0);
  StaticSpectrogramPostprocessing<int, double> s("map", "THz", 0.0, 0.5, 5.0, 12, true, 10.0, 5.0, 20.0, "um", 3, 11, 0);
  s.refresh(e.fourierPostprocessings);
  EXPECT_EQ(std::make_pair(s.data()->minimum(), s.data()->maximum()), std::make_pair(0.0, 60.0));
  e.addFourier("loc 20", 0.0, 0.5, 5.0, 10.0);
  s.refresh(e.fourierPostprocessings);
  EXPECT_EQ(std::make_pair(s.data()->minimum(), s.data()->maximum()), std::make_pair(20.0, 60.0));
}

TEST_F(PlotWidgets, SpectrogramColourScaleFollowsTheSliderAndKeepsTheZoom)
{
  staticMap(e);
  StaticSpectrogramPlotWidget w(&e, "Frequency [THz]", "Distance [um]", "Magnitude [dBV/m]", 1, "Spectrogram", 0);
  showSized(&w);
  const QImage blank = w.plotWidget()->canvas()->grab().toImage();
  w.refreshPlot(&e);
  EXPECT_NE(w.plotWidget()->canvas()->grab().toImage(), blank);
  const auto zRange = [&w] {
    const QwtInterval z = w.plotWidget()->spectrogramItem()->data()->interval(Qt::ZAxis);
    return std::make_pair(z.minValue(), z.maxValue());
  };
  EXPECT_EQ(zRange(), std::make_pair(20.0, 60.0));
  EXPECT_DOUBLE_EQ(w.slider()->minimum(), 20.0);
  zoomIn(w.navigablePlot());
  const QwtInterval y = w.navigablePlot()->axisRange(QwtPlot::yLeft);
  EXPECT_EQ(w.sliderLabel()->text(), "Colour floor\n20");
  w.slider()->setValue(40.0);
  EXPECT_EQ(w.sliderLabel()->text(), "Colour floor\n40");
  w.refreshPlot(&e);
  EXPECT_EQ(zRange(), std::make_pair(40.0, 60.0));
  EXPECT_EQ(w.navigablePlot()->axisRange(QwtPlot::yLeft), y);
}

} // namespace
