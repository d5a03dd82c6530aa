// lumora-batch built with the test engine for both engine names, so that the
// runner's behaviour can be tested end to end through a real process.

#include "app/batch/batchrunner.h"
#include "fakeengine.h"

int main(int argc, char *argv[])
{
  return lumoraBatchMain(argc, argv,
                         [](const QString &type, const QStringList &lines,
                            const QString &runName, const QString &) -> Simulator * {
                           if (type == QLatin1String("FDTD"))
                             return new FakeEngine(lines, runName);
                           return nullptr;
                         });
}
