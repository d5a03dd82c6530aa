#pragma once
// Keyword vocabulary of the configuration file and the shared word lists.
//
// Parsers refer to keywords by their position in KeywordTable; the table has
// 108 entries, duplicates ("time", "end") are separate entries and entries
// 70 to 75 are null strings that are never looked up.

#include <QStringList>

extern const QStringList KeywordTable;

extern const QStringList actionTypes;
extern const QStringList mediumTypes;
extern const QStringList postprocessingTypes;
extern const QStringList pulseShapes;
extern const QStringList sourceKinds;
extern const QStringList geometries;

// Positions of the keywords in KeywordTable, for readable parser code.
namespace Kw {
enum : int {
  loc_start = 0, anyunit, spectrogram, maxdistance, ellipsis, period, code, use, every,
  conversionEfficiency, time, time2, saveAll, exit, save_line_envelope, suspend, action,
  iterations, ker1, file, user, hash, end, lumped, taylorSeriesDispersive, lor1, lor2, lor3,
  lor1ker1, lor3ker1, diel, ldiel, const_n_ker1, step_n_ker1, medium, meshpoints, threeDB,
  gauss, sech, sech2, tau, sine, shape, amplitude, duration, timeduration, centre, point,
  plane_wave, geometry, oneD, oneDp, oneDcp, conditionally, physical, problem, funit, tunit,
  itstart, itend, end2, step, start, z_location, name, fourier, poynting, typeOf, stability,
  measure, empty70, empty71, empty72, empty73, empty74, empty75, parameters, size, start_angle,
  queryStart, dump, threads, timepoints, rkf45, rkck, rk8pd, method, fixedStep, initialintegstep,
  tolerance, evolutionstep, fshift, usegeneral, linear, sellmeier, sellmeier_ker1, material,
  material_ker1, tabulated, tabulated_ker1,
  model, planes, peakpower, energy, fwhm, gdd, tod, pulsedata,
  count
};
}

// The keyword at position i of KeywordTable.
inline const QString &keyword(int i) { return KeywordTable.at(i); }
