#include "app/enginefactory.h"

#include "engine/simulator.h"
#include "fdtd/fdtdsimulator.h"
#include "uppe/uppesimulator.h"

Simulator *createEngine(const QString &engineType, const QStringList &lines, const QString &runName,
                        const QString &folder)
{
  if (engineType == QLatin1String("FDTD"))
    return new FDTDSimulator(lines, runName, folder);
  if (engineType == QLatin1String("UPPE"))
    return new UPPESimulator(lines, runName, folder);
  return nullptr;
}
