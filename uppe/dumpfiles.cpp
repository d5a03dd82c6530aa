#include "uppe/dumpfiles.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>

namespace {

std::atomic<int> evaluationCounter{1};

// Opens the file for writing (truncating); reports failure on standard output.
FILE *openDump(const QString &name)
{
  FILE *f = std::fopen(name.toLocal8Bit().constData(), "w");
  if (!f)
    std::cout << "Nie utworzono pliku" << std::endl;
  return f;
}

// The stream's default format for a double: %g with six significant digits.
inline void writeNumber(FILE *f, double v) { std::fprintf(f, "%g", v); }

} // namespace

QString dumpFileName(const char *baseName, int parameter)
{
  if (parameter == 0)
    return QString::asprintf("%s_.txt", baseName);
  return QString::asprintf("%s_%d.txt", baseName, parameter);
}

QString dumpFileName(const char *baseName, double parameter)
{
  if (parameter == 0.0)
    return QString::asprintf("%s_.txt", baseName);
  return QString::asprintf("%s_%.20e.txt", baseName, parameter);
}

void dumpArray(const char *baseName, const double *values, int count, int parameter)
{
  FILE *f = openDump(dumpFileName(baseName, parameter));
  if (!f)
    return;
  for (int i = 0; i < count; ++i) {
    writeNumber(f, values[i]);
    std::fputc('\n', f);
  }
  std::fclose(f);
}

void dumpVector(const char *baseName, const std::vector<double> &values, int count, double parameter)
{
  FILE *f = openDump(dumpFileName(baseName, parameter));
  if (!f)
    return;
  const std::size_t n = count < 0 ? 0 : std::min<std::size_t>(std::size_t(count), values.size());
  for (std::size_t i = 0; i < n; ++i) {
    writeNumber(f, values[i]);
    std::fputc('\n', f);
  }
  std::fclose(f);
}

void dumpWholeVector(const char *baseName, const std::vector<double> &values)
{
  dumpVector(baseName, values, int(values.size()), 0.0);
}

void dumpComplexVector(const char *baseName, const std::vector<std::complex<double>> &values,
                       double parameter)
{
  FILE *f = openDump(dumpFileName(baseName, parameter));
  if (!f)
    return;
  for (const auto &v : values) {
    writeNumber(f, v.real());
    std::fputc('\t', f);
    writeNumber(f, v.imag());
    std::fputc('\n', f);
  }
  std::fclose(f);
}

void dumpPairs(const char *baseName, std::vector<double> x, const double *y, int count,
               double parameter)
{
  FILE *f = openDump(dumpFileName(baseName, parameter));
  if (!f)
    return;
  const std::size_t n = count < 0 ? 0 : std::min<std::size_t>(std::size_t(count), x.size());
  for (std::size_t i = 0; i < n; ++i) {
    writeNumber(f, x[i]);
    std::fputc('\t', f);
    writeNumber(f, y[i]);
    std::fputc('\n', f);
  }
  std::fclose(f);
}

int rightHandSideCounter() { return evaluationCounter.load(); }

int advanceRightHandSideCounter() { return evaluationCounter.fetch_add(1); }
