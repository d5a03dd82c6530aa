#pragma once
// Engine-level tests run the real engines on tiny configurations, each test in
// its own temporary working directory (the grid engine writes "Debug.txt",
// "Source.txt" and timing logs there), loading as the window does.

#include "app/enginefactory.h"
#include "engine/breakpoints.h"
#include "engine/loader.h"
#include "engine/simulator.h"
#include "testsupport.h"

#include <QDir>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace enginetest {

// Lines 1 to 18: a 20-cell vacuum grid of 10 nm cells with a Gaussian point source.
inline const QByteArray tinyGrid =
    "1 stability\n1 threads\nnm measure\n10 size\n1 physical\n1d problem\ndiel medium\n20 meshpoints\n"
    "1 1 parameters\npoint geometry\n5 z-location\n0 1 0 amplitude\ngauss shape\nTHz funit\nfs tunit\n"
    "375 centre\n10 duration\n50 3dB\n";

// Lines 1 to 22: constant index with Kerr and Raman, 256 time points over 1 mm.
inline const QByteArray tinySpectralRun =
    "rkf45 method\n0 fixedStep\n1e-6 initialintegstep\n1e-4 evolutionstep\n1e-6 tolerance\n0 fshift\n"
    "0 usegeneral\nTHz funit\ngauss shape\n1 0 amplitude\nTHz funit\nfs tunit\n100 centre\n2000 timeduration\n"
    "256 timepoints\n5 3dB\n0 linear\nconst_n_ker1 medium\n1.5 0 0 1 1 1 parameters\nmm measure\n1 size\n0 dump\n";

class WorkingDirectoryTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(QDir::setCurrent(dir.path())); }
  void TearDown() override { QDir::setCurrent(previous); }
  QString write(const QString &name, const QByteArray &text) const { return testsupport::writeFile(dir, name, text); }
  QTemporaryDir dir;
  const QString previous = QDir::currentPath();
};

// Loads as the window does; a failed load leaves its message in message.
inline std::unique_ptr<Simulator> loadEngine(const QString &path, QString *message = nullptr,
                                             const EngineFactory &factory = createEngine)
{
  LoadOutcome o = loadConfiguration(path, engineTypeOf(path), runNameOf(path), factory);
  if (message)
    *message = o.message;
  return std::unique_ptr<Simulator>(o.engine);
}

// Steps until the run has finished or calls steps were made; returns the steps made.
inline int runFor(Simulator &engine, int calls)
{
  int made = 0;
  for (; made < calls && !engine.finished; ++made)
    engine.step();
  return made;
}

// Notes every breakpoint signal as it is emitted: "iteration type [fileName]".
class FireLog : public QObject
{
  Q_OBJECT
public:
  explicit FireLog(Simulator &engine) : engine(engine)
  {
    const QMetaMethod slot = staticMetaObject.method(staticMetaObject.indexOfSlot("fired()"));
    for (AbstractBreakpoint *b : engine.breakpoints)
      for (int i = QObject::staticMetaObject.methodCount(); i < b->metaObject()->methodCount(); ++i)
        if (b->metaObject()->method(i).methodType() == QMetaMethod::Signal) {
          spies[b] = {std::make_unique<QSignalSpy>(b, b->metaObject()->method(i)),
                      int(b->metaObject()->method(i).parameterNames().indexOf("fileName"))};
          connect(b, b->metaObject()->method(i), this, slot);
        }
  }
  QStringList log;

private slots:
  void fired()
  {
    auto *b = static_cast<AbstractBreakpoint *>(sender());
    const auto &[spy, fileArgument] = spies[b];
    const QString file = fileArgument < 0 ? QString() : spy->last().at(fileArgument).toString();
    log << QString::number(engine.iteration) + ' ' + b->type + (file.isEmpty() ? QString() : ' ' + file);
  }

private:
  Simulator &engine;
  // Each breakpoint's signal, with the position of its fileName argument (-1: none).
  std::map<QObject *, std::pair<std::unique_ptr<QSignalSpy>, int>> spies;
};

} // namespace enginetest
