#pragma once
// Text writers for every saved result file.
//
// A result file is made of blocks: header text, a newline, then the numbers,
// columns separated by a tab, each number in the general format with 8
// significant digits (0.1, 1e-09, 1.0737418e+09). The first block of a file
// replaces it, later blocks are appended.
//
// Files are never left half written: the new content is written to a
// temporary file in the same folder and renamed into place, so a failed save
// leaves either the previous file or no file at all. An appended block is
// written the same way, together with the existing content. A widget that
// saves several blocks formats them in memory and writes the file once.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QVector>

#include <cstddef>
#include <vector>

// One block of two columns: header, newline, then "x<TAB>y\n" per point.
// The vector form writes min(x.size(), y.size()) lines; the pointer form
// reads exactly x.size() values from y.
QByteArray formatColumns(const std::vector<double> &x, const double *y, const QString &header);
QByteArray formatColumns(const std::vector<double> &x, const std::vector<double> &y,
                         const QString &header);

// One block of a matrix: header, newline, then per row every value followed by
// a tab, then a newline. values is row-major with columns values per row;
// rows are limited to the values present.
QByteArray formatMatrix(const double *values, std::size_t valueCount, int rows, int columns,
                        const QString &header);

// Writes bytes to fileName: replacing the file, or, when mode contains
// QIODevice::Append, after the file's present content (a missing file counts
// as empty). Atomic (temporary file renamed into place). False when the file
// cannot be written; the previous file is then left as it was.
bool writeFileAtomically(const QString &fileName, const QByteArray &bytes,
                         QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate);

// Column file writers: format one block and write it with the given mode.
bool writeColumns(const QString &fileName, const std::vector<double> &x,
                  const std::vector<double> &y, const QString &header,
                  QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate);
bool writeColumns(const QString &fileName, const std::vector<double> &x, const double *y,
                  const QString &header,
                  QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate);

// Matrix writer (spectrogram values).
bool writeMatrix(const QString &fileName, const QVector<double> &values, int rows, int columns,
                 const QString &header,
                 QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate);
bool writeMatrix(const QString &fileName, const std::vector<double> &values, int rows, int columns,
                 const QString &header,
                 QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate);
