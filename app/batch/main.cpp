// lumora-batch: runs a configuration file without a window.

#include "app/batch/batchrunner.h"
#include "app/enginefactory.h"
#include "fdtd/threadchoice.h"

int main(int argc, char *argv[])
{
  restartWithSleepingThreads(argv);
  return lumoraBatchMain(argc, argv, createEngine);
}
