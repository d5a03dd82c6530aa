#include "app/enginefactory.h"

#include "engine/simulator.h"
#include "uppe/uppesimulator.h"

Simulator *createEngine(const QString &engineType, const QStringList &lines, const QString &runName)
{
  Q_UNUSED(lines);
  Q_UNUSED(runName);
  if (engineType == QLatin1String("FDTD"))
    return nullptr; // FDTD engine: registered when it lands
  if (engineType == QLatin1String("UPPE"))
    return new UPPESimulator(lines, runName);
  return nullptr;
}
