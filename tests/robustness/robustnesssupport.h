#pragma once
// Shared pieces of the robustness tests: a fixture that runs every test in
// its own temporary working directory (the engines write "Debug.txt",
// "Source.txt", timing logs and dump files there), loading through the real
// reader and engine factory, and small configurations of both engines.

#include "app/enginefactory.h"
#include "engine/loader.h"
#include "engine/simulator.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace robustness {

class WorkingDirectoryTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(dir.isValid());
    previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
  }
  void TearDown() override { QDir::setCurrent(previous); }

  // Writes text to name in the working directory; returns the full path.
  QString write(const QString &name, const QByteArray &text) const
  {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
      f.write(text);
    return path;
  }

  QTemporaryDir dir;
  QString previous;
};

// Loads path as the main window and the batch runner do.
inline LoadOutcome load(const QString &path)
{
  return loadConfiguration(path, engineTypeOf(path), runNameOf(path), createEngine);
}

// Owns the engine of a successful load.
struct Loaded
{
  std::unique_ptr<Simulator> engine;
  QString message;
};

inline Loaded loadEngine(const QString &path)
{
  LoadOutcome o = load(path);
  return Loaded{std::unique_ptr<Simulator>(o.engine), o.message};
}

// Calls step() until the run has finished or calls steps were made; returns
// the number of calls.
inline int runFor(Simulator &engine, int calls)
{
  int made = 0;
  while (made < calls && !engine.finished) {
    engine.step();
    ++made;
  }
  return made;
}

// A 200-cell vacuum grid with one Gaussian point source; %1 is the
// amplitude line, %2 the shape block, and post-processing may be appended.
inline QByteArray fdtdConfiguration(const QString &amplitude = QStringLiteral("0 1 0 amplitude"),
                                    const QString &shape = QStringLiteral("gauss shape\n"
                                                                          "THz funit\n"
                                                                          "fs tunit\n"
                                                                          "375 centre\n"
                                                                          "10 duration\n"
                                                                          "50 3dB\n"),
                                    const QString &more = QString())
{
  return QStringLiteral("# robustness test grid\n"
                        "1 stability\n"
                        "1 threads\n"
                        "nm measure\n"
                        "10 size\n"
                        "1 physical\n"
                        "1d problem\n"
                        "diel medium\n"
                        "200 meshpoints\n"
                        "1 1 parameters\n"
                        "point geometry\n"
                        "50 z-location\n"
                        "%1\n"
                        "%2"
                        "%3")
      .arg(amplitude, shape, more)
      .toUtf8();
}

// A Fourier post-processing and a time probe at cell 150.
inline QString fdtdPostprocessing()
{
  return QStringLiteral("fourier typeOf\n"
                        "F * name\n"
                        "150 z-location\n"
                        "0 use\n"
                        "300 10 450 start\n"
                        "1 itstart\n"
                        "end itend\n"
                        "THz anyunit\n"
                        "time typeOf\n"
                        "T * name\n"
                        "150 z-location\n"
                        "0 use\n"
                        "1 itstart\n"
                        "400 itend\n"
                        "fs tunit\n");
}

// A small spectral-engine run: constant index with Kerr and Raman, 256 time
// points, 1 mm; %1 is the amplitude line, %2 the "fixedStep" value.
inline QByteArray uppeConfiguration(const QString &amplitude = QStringLiteral("1 0 amplitude"),
                                    const QString &fixedStep = QStringLiteral("0"),
                                    const QString &parameters = QStringLiteral("1.5 0 0 1 1 1"))
{
  return QStringLiteral("# robustness test run\n"
                        "rkf45 method\n"
                        "%2 fixedStep\n"
                        "1e-6 initialintegstep\n"
                        "1e-4 evolutionstep\n"
                        "1e-6 tolerance\n"
                        "0 fshift\n"
                        "0 usegeneral\n"
                        "THz funit\n"
                        "gauss shape\n"
                        "%1\n"
                        "THz funit\n"
                        "fs tunit\n"
                        "100 centre\n"
                        "2000 timeduration\n"
                        "256 timepoints\n"
                        "5 3dB\n"
                        "0 linear\n"
                        "const_n_ker1 medium\n"
                        "%3 parameters\n"
                        "mm measure\n"
                        "1 size\n"
                        "0 dump\n")
      .arg(amplitude, fixedStep, parameters)
      .toUtf8();
}

} // namespace robustness
