#include "results/columnwriter.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace {

// A stream over buf that writes numbers with 8 significant digits in the
// general format and text as UTF-8.
class BlockStream
{
public:
  explicit BlockStream(QByteArray &buf) : stream(&buf, QIODevice::WriteOnly)
  {
    stream.setCodec("UTF-8");
    stream.setRealNumberNotation(QTextStream::SmartNotation);
    stream.setRealNumberPrecision(8);
  }
  QTextStream stream;
};

QByteArray columns(const std::vector<double> &x, const double *y, std::size_t n,
                   const QString &header)
{
  QByteArray buf;
  const std::size_t expected = static_cast<std::size_t>(header.size()) + 32 * n + 8;
  if (expected < static_cast<std::size_t>(1) << 30)
    buf.reserve(static_cast<int>(expected));
  {
    BlockStream b(buf);
    b.stream << header << '\n';
    for (std::size_t i = 0; i < n; ++i)
      b.stream << x[i] << '\t' << y[i] << '\n';
  }
  return buf;
}

} // namespace

QByteArray formatColumns(const std::vector<double> &x, const double *y, const QString &header)
{
  return columns(x, y, y ? x.size() : 0, header);
}

QByteArray formatColumns(const std::vector<double> &x, const std::vector<double> &y,
                         const QString &header)
{
  return columns(x, y.data(), std::min(x.size(), y.size()), header);
}

QByteArray formatMatrix(const double *values, std::size_t valueCount, int rows, int columns,
                        const QString &header)
{
  QByteArray buf;
  {
    BlockStream b(buf);
    b.stream << header << '\n';
    if (values && rows > 0 && columns > 0) {
      const std::size_t width = static_cast<std::size_t>(columns);
      const std::size_t fullRows = valueCount / width;
      const std::size_t n = std::min(static_cast<std::size_t>(rows), fullRows);
      for (std::size_t r = 0; r < n; ++r) {
        const double *row = values + r * width;
        for (std::size_t c = 0; c < width; ++c)
          b.stream << row[c] << '\t';
        b.stream << '\n';
      }
    }
  }
  return buf;
}

bool writeFileAtomically(const QString &fileName, const QByteArray &bytes,
                         QIODevice::OpenMode mode)
{
  QByteArray content;
  if (mode & QIODevice::Append) {
    QFile existing(fileName);
    if (existing.exists()) {
      if (!existing.open(QIODevice::ReadOnly))
        return false;
      content = existing.readAll();
      if (existing.error() != QFileDevice::NoError)
        return false;
    }
  }
  content.append(bytes);

  QSaveFile file(fileName);
  // Writing through a temporary file in the same folder is the whole point;
  // never fall back to writing the target in place.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  // Small contents stay in the file's buffer until commit(), and commit()
  // renames the temporary file into place even when emptying that buffer
  // failed (a full disk): flush first and check.
  if (file.write(content) != content.size() || !file.flush()) {
    file.cancelWriting();
    file.commit();
    return false;
  }
  return file.commit();
}

bool writeColumns(const QString &fileName, const std::vector<double> &x,
                  const std::vector<double> &y, const QString &header, QIODevice::OpenMode mode)
{
  return writeFileAtomically(fileName, formatColumns(x, y, header), mode);
}

bool writeColumns(const QString &fileName, const std::vector<double> &x, const double *y,
                  const QString &header, QIODevice::OpenMode mode)
{
  return writeFileAtomically(fileName, formatColumns(x, y, header), mode);
}

bool writeMatrix(const QString &fileName, const QVector<double> &values, int rows, int columns,
                 const QString &header, QIODevice::OpenMode mode)
{
  return writeFileAtomically(
      fileName,
      formatMatrix(values.constData(), static_cast<std::size_t>(values.size()), rows, columns,
                   header),
      mode);
}

bool writeMatrix(const QString &fileName, const std::vector<double> &values, int rows, int columns,
                 const QString &header, QIODevice::OpenMode mode)
{
  return writeFileAtomically(fileName, formatMatrix(values.data(), values.size(), rows, columns,
                                                    header),
                             mode);
}
