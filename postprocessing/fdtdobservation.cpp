#include "postprocessing/fdtdobservation.h"

#include "engine/simulator.h"

FdtdObservation::FdtdObservation(Simulator &engine, const FdtdGridInfo &grid)
    : engine_(engine), grid_(grid)
{
}

FdtdObservation::~FdtdObservation() = default;

bool FdtdObservation::parse(const QStringList &) { return false; }

void FdtdObservation::observe(const std::vector<double> &, const std::vector<double> &, int) {}

int FdtdObservation::probeCount() const { return 0; }
QStringList FdtdObservation::probeNames() const { return {}; }
double FdtdObservation::probeSampleInterval(unsigned short) const { return 0.0; }
QString FdtdObservation::probeTimeUnit(unsigned short) const { return QString(); }
double FdtdObservation::probeStartTime(unsigned short) const { return 0.0; }
int FdtdObservation::probeSampleCount(unsigned short) const { return 0; }
std::vector<double> &FdtdObservation::probeSamples(unsigned short) { return empty_; }
