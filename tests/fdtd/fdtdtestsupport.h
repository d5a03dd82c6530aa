#pragma once
// Helpers of the FDTD tests: configuration text to line list, and engines.

#include "fdtd/fdtdsimulator.h"
#include "input/lookups.h"
#include "input/physicalconstants.h"

#include <QTextStream>

#include <memory>

namespace fdtdtest {

using physconst::mu0;
using physconst::pi;
constexpr double c0 = physconst::speedOfLight;
constexpr double eps0 = physconst::epsilon0;

inline QStringList linesOf(const QString &text)
{
  QString copy = text;
  QTextStream stream(&copy);
  return readConfigurationLines(stream);
}

inline std::unique_ptr<FDTDSimulator> engineFrom(const QStringList &lines)
{
  return std::make_unique<FDTDSimulator>(lines, QStringLiteral("FDTD_test"));
}

inline std::unique_ptr<FDTDSimulator> engineFrom(const QString &text)
{
  return engineFrom(linesOf(text));
}

} // namespace fdtdtest
