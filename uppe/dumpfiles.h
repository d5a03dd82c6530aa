#pragma once
// Diagnostic text files of the spectral engine.
//
// Each writer puts one vector (or a pair of vectors, or a complex vector)
// into a file in the working directory, one element per line, numbers in the
// stream's default format (six significant digits). The file name is built
// from a base name and a parameter:
//   "<base>_.txt"          parameter 0 (integer writers) or 0.0 (floating writers)
//   "<base>_<k>.txt"       integer writers, parameter k != 0
//   "<base>_<x:%.20e>.txt" floating writers, parameter x != 0.0
// A file that cannot be created prints "Nie utworzono pliku" on standard
// output; the computation goes on.

#include <QString>

#include <complex>
#include <vector>

QString dumpFileName(const char *baseName, int parameter);
QString dumpFileName(const char *baseName, double parameter);

// count values starting at values.
void dumpArray(const char *baseName, const double *values, int count, int parameter);
// The first count elements of values (fewer when the list is shorter).
void dumpVector(const char *baseName, const std::vector<double> &values, int count, double parameter);
// Every element of values, into "<base>_.txt".
void dumpWholeVector(const char *baseName, const std::vector<double> &values);
// Real part, tab, imaginary part.
void dumpComplexVector(const char *baseName, const std::vector<std::complex<double>> &values,
                       double parameter);
// x, tab, y for the first count pairs (bounded by the length of x).
void dumpPairs(const char *baseName, std::vector<double> x, const double *y, int count,
               double parameter);

// Process-wide number of the next right-hand-side evaluation (starts at 1,
// shared by its "Evector" and "Pvector" files, never reset).
int rightHandSideCounter();
// Returns the current number and advances the counter by one.
int advanceRightHandSideCounter();
