// lumora-sweep: runs a configuration file over a grid of values with lumora-batch.

#include "app/enginefactory.h"
#include "app/sweep/sweeprunner.h"

int main(int argc, char *argv[]) { return lumoraSweepMain(argc, argv, createEngine); }
