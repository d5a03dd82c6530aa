#pragma once
// The test engine as the batch runner's tests use it: besides the keywords of
// TestEngine it reads "lastiteration" (the run finishes there), "failat" (the
// step that reports a run failure), "sleepms" (a pause in every step) and
// "points" (the size of its field, which holds the iteration count and a
// wave that moves with it).

#include "testengine.h"
#include "input/lookups.h"

#include <QThread>

#include <cmath>

class BatchTestEngine : public TestEngine
{
public:
  static int intValue(const QStringList &lines, const char *keyword, int fallback)
  {
    QString missing;
    int line = 0;
    bool ok = false;
    const int v = readValue(lines, QLatin1String(keyword), missing, line).toInt(&ok);
    return ok ? v : fallback;
  }

  BatchTestEngine(const QStringList &lines, const QString &runName)
      : TestEngine(lines, runName, 1e-15, intValue(lines, "lastiteration", 0)),
        failAt_(intValue(lines, "failat", 0)), sleepMs_(intValue(lines, "sleepms", 0))
  {
    wave_.assign(static_cast<std::size_t>(std::max(2, intValue(lines, "points", 64))), 0.0);
    fill(0);
  }

  void step() override
  {
    if (sleepMs_ > 0)
      QThread::msleep(static_cast<unsigned long>(sleepMs_));
    if (failAt_ > 0 && iteration + 1 == failAt_)
      runFailure = QStringLiteral("The electric field is no longer finite.");
    fill(iteration + 1); // the field of the step being completed, seen by its breakpoints
    TestEngine::step();
  }
  std::vector<double> &electricField() override { return wave_; }
  int pointCount() override { return static_cast<int>(wave_.size()); }

private:
  void fill(int n)
  {
    for (std::size_t i = 0; i < wave_.size(); ++i)
      wave_[i] = std::sin(0.3 * static_cast<double>(i) - 0.1 * n);
    wave_[0] = n; // lets a test read the iteration count from a saved field
  }

  int failAt_;
  int sleepMs_;
  std::vector<double> wave_;
};
