#include "input/keywords.h"

namespace {
QStringList buildKeywordTable()
{
  QStringList t = {
      "loc_start", "anyunit", "spectrogram", "maxdistance", "...", "period", "code", "use",
      "every", "conversionEfficiency", "time", "time", "saveAll", "exit", "save_line_envelope",
      "suspend", "action", "iterations", "ker1", "file", "user", "#", "end", "lumped",
      "taylorSeriesDispersive", "lor1", "lor2", "lor3", "lor1ker1", "lor3ker1", "diel", "ldiel",
      "const_n_ker1", "step_n_ker1", "medium", "meshpoints", "3dB", "gauss", "sech", "sech2",
      "tau", "sine", "shape", "amplitude", "duration", "timeduration", "centre", "point",
      "plane_wave", "geometry", "1d", "1dp", "1dcp", "conditionally", "physical", "problem",
      "funit", "tunit", "itstart", "itend", "end", "step", "start", "z-location", "name",
      "fourier", "poynting", "typeOf", "stability", "measure"};
  for (int i = 0; i < 6; ++i)
    t << QString();
  t << "parameters" << "size" << "start_angle" << "queryStart" << "dump" << "threads"
    << "timepoints" << "rkf45" << "rkck" << "rk8pd" << "method" << "fixedStep"
    << "initialintegstep" << "tolerance" << "evolutionstep" << "fshift" << "usegeneral"
    << "linear" << "sellmeier" << "sellmeier_ker1" << "material" << "material_ker1"
    << "tabulated" << "tabulated_ker1"
    << "model" << "planes" << "peakpower" << "energy" << "fwhm" << "gdd" << "tod" << "pulsedata";
  return t;
}
} // namespace

const QStringList KeywordTable = buildKeywordTable();

const QStringList actionTypes = {"suspend", "save_line_envelope", "exit", "saveAll"};
const QStringList mediumTypes = {"diel", "ldiel", "lor1", "lor2", "lor3", "ker1", "lor1ker1", "lor3ker1",
                                  "sellmeier", "material"};
const QStringList postprocessingTypes = {"time", "fourier", "spectrogram", "poynting", "conversionEfficiency"};
const QStringList pulseShapes = {"sine", "gauss", "sech", "sech2", "user"};
const QStringList sourceKinds = {"point", "plane_wave"};
const QStringList geometries = {"1d", "1dp", "1dcp"};
