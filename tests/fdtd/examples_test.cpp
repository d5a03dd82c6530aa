// The shipped FDTD examples load and run.

#include "fdtdtestsupport.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

TEST(Examples, EveryFdtdExampleLoadsAndSteps)
{
  const QDir dir(testsupport::sourceDir() + QStringLiteral("/examples"));
  const QStringList files = dir.entryList({QStringLiteral("FDTD_*.txt")}, QDir::Files);
  ASSERT_GE(files.size(), 3);
  // Pulse files are named relative to the working directory: run in a copy of
  // the examples folder (the engine also writes Debug.txt and Source.txt there).
  QTemporaryDir work;
  ASSERT_TRUE(work.isValid());
  for (const QString &f : dir.entryList(QDir::Files))
    ASSERT_TRUE(QFile::copy(dir.filePath(f), work.filePath(f))) << f.toStdString();
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(work.path()));
  struct Restore
  {
    QString path;
    ~Restore() { QDir::setCurrent(path); }
  } restore{previous};
  for (const QString &name : files) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << name.toStdString();
    QTextStream stream(&file);
    const QStringList lines = readConfigurationLines(stream);
    FDTDSimulator engine(lines, QFileInfo(name).baseName());
    ASSERT_TRUE(engine.isConstructed())
        << name.toStdString() << ": line " << engine.errorLine << ", keyword "
        << engine.missingKeyword.toStdString();
    EXPECT_FALSE(engine.sources.isEmpty()) << name.toStdString();
    for (int n = 0; n < 300; ++n)
      engine.step();
    double energy = 0.0;
    for (double v : engine.eField)
      energy += v * v;
    EXPECT_TRUE(std::isfinite(energy)) << name.toStdString();
    EXPECT_GT(energy, 0.0) << name.toStdString();
    EXPECT_FALSE(engine.finished) << name.toStdString();
  }
}
