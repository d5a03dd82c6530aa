#include "app/enginefactory.h"

#include "engine/simulator.h"
#include "fdtd/fdtdsimulator.h"
#include "uppe/uppesimulator.h"

Simulator *createEngine(const QString &engineType, const QStringList &lines, const QString &runName)
{
  Q_UNUSED(lines);
  Q_UNUSED(runName);
  if (engineType == QLatin1String("FDTD"))
    return new FDTDSimulator(lines, runName);
  if (engineType == QLatin1String("UPPE"))
    return new UPPESimulator(lines, runName);
  return nullptr;
}
