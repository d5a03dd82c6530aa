#include "results/resulthdf5.h"

#include "engine/simulator.h"
#include "input/units.h"
#include "results/resultcatalogue.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <hdf5.h>
#include <hdf5_hl.h>

#include <cstdio>
#include <set>
#include <vector>

const char *const resultsHdf5Name = "results.h5";

UnitScale unitScaleOf(const QString &title)
{
  UnitScale u;
  const int open = title.indexOf(QLatin1Char('['));
  const int close = title.indexOf(QLatin1Char(']'), open + 1);
  u.quantity = (open < 0 ? title : title.left(open)).trimmed();
  if (open < 0 || close < 0)
    return u;
  u.unitWord = title.mid(open + 1, close - open - 1).trimmed();
  u.siUnit = u.unitWord;
  const int timePosition = timeUnits.indexOf(QRegExp(u.unitWord, Qt::CaseInsensitive, QRegExp::FixedString));
  if (const double hz = hertzPerFrequencyUnit(u.unitWord); hz > 0) {
    u.siUnit = QStringLiteral("Hz");
    u.scale = hz;
  } else if (const double m = lengthScaleOf(u.unitWord); m > 0) {
    u.siUnit = QStringLiteral("m");
    u.scale = m;
  } else if (timePosition >= 0 && u.unitWord.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0) {
    u.siUnit = QStringLiteral("s");
    u.scale = secondsPerTimeUnit(timePosition);
  }
  return u;
}

namespace {

// Closes an HDF5 handle when it goes out of scope.
class Handle
{
public:
  Handle(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
  ~Handle()
  {
    if (id_ >= 0)
      close_(id_);
  }
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;
  hid_t get() const { return id_; }
  bool ok() const { return id_ >= 0; }

private:
  hid_t id_;
  herr_t (*close_)(hid_t);
};

bool writeText(hid_t object, const char *name, const QString &text)
{
  const QByteArray bytes = text.toUtf8();
  Handle type(H5Tcopy(H5T_C_S1), H5Tclose);
  Handle space(H5Screate(H5S_SCALAR), H5Sclose);
  if (!type.ok() || !space.ok() || H5Tset_size(type.get(), H5T_VARIABLE) < 0 ||
      H5Tset_cset(type.get(), H5T_CSET_UTF8) < 0)
    return false;
  Handle attribute(H5Acreate2(object, name, type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
  const char *data = bytes.constData();
  return attribute.ok() && H5Awrite(attribute.get(), type.get(), &data) >= 0;
}

bool writeNumber(hid_t object, const char *name, double value)
{
  Handle space(H5Screate(H5S_SCALAR), H5Sclose);
  Handle attribute(H5Acreate2(object, name, H5T_IEEE_F64LE, space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
  return attribute.ok() && H5Awrite(attribute.get(), H5T_NATIVE_DOUBLE, &value) >= 0;
}

// A dataset of doubles in SI units with its unit attributes; -1 on failure.
hid_t writeDataset(hid_t group, const QString &name, const QString &title, const std::vector<double> &values,
                   const std::vector<hsize_t> &dims)
{
  const UnitScale u = unitScaleOf(title);
  std::vector<double> si(values);
  for (double &v : si)
    v *= u.scale;
  Handle space(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr), H5Sclose);
  const QByteArray n = name.toUtf8();
  hid_t set = H5Dcreate2(group, n.constData(), H5T_IEEE_F64LE, space.get(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  if (set < 0)
    return -1;
  const bool ok = (si.empty() || H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, si.data()) >= 0) &&
                  writeText(set, "units", u.siUnit) && writeText(set, "unit_word", u.unitWord) &&
                  writeText(set, "title", title) && writeNumber(set, "scale", u.scale);
  if (!ok) {
    H5Dclose(set);
    return -1;
  }
  return set;
}

QString axisName(const QString &title, const std::set<QString> &taken)
{
  QString name = unitScaleOf(title).quantity.toLower();
  if (name.isEmpty())
    name = QStringLiteral("axis");
  QString unique = name;
  for (int k = 2; taken.count(unique); ++k)
    unique = name + QLatin1Char(' ') + QString::number(k);
  return unique;
}

// An axis written into the group: its dataset name, title and values.
struct WrittenAxis
{
  QString name;
  QString title;
  std::vector<double> values;
};

// The axis dataset for a, shared with an earlier series over the same axis;
// -1 on failure.
hid_t axisDataset(hid_t group, const ResultAxis &a, std::set<QString> &taken, std::vector<WrittenAxis> &written,
                  QString &name)
{
  for (const WrittenAxis &w : written)
    if (w.title == a.title && w.values == a.values) {
      name = w.name;
      return H5Dopen2(group, name.toUtf8().constData(), H5P_DEFAULT);
    }
  name = axisName(a.title, taken);
  const hid_t set = writeDataset(group, name, a.title, a.values, {a.values.size()});
  if (set < 0 || H5DSset_scale(set, name.toUtf8().constData()) < 0) {
    if (set >= 0)
      H5Dclose(set);
    return -1;
  }
  taken.insert(name);
  written.push_back(WrittenAxis{name, a.title, a.values});
  return set;
}

bool writeSeries(hid_t group, const ResultDataset &d, std::set<QString> &taken, std::vector<WrittenAxis> &written)
{
  std::vector<hsize_t> dims;
  for (const ResultAxis &a : d.axes)
    dims.push_back(a.values.size());
  if (dims.empty())
    dims.push_back(d.values.size());
  QString setName = d.name;
  for (int k = 2; taken.count(setName); ++k)
    setName = d.name + QLatin1Char(' ') + QString::number(k);
  Handle set(writeDataset(group, setName, d.title, d.values, dims), H5Dclose);
  if (!set.ok())
    return false;
  taken.insert(setName);
  QStringList axisNames;
  for (int k = 0; k < d.axes.size(); ++k) {
    QString name;
    Handle axis(axisDataset(group, d.axes.at(k), taken, written, name), H5Dclose);
    if (!axis.ok() || H5DSattach_scale(set.get(), axis.get(), static_cast<unsigned>(k)) < 0 ||
        H5DSset_label(set.get(), static_cast<unsigned>(k), name.toUtf8().constData()) < 0)
      return false;
    axisNames << name;
  }
  return writeText(set.get(), "axes", axisNames.join(QLatin1Char(',')));
}

bool writeEntry(hid_t file, Simulator &engine, const ResultEntry &entry, std::set<QString> &groups)
{
  const QList<ResultDataset> sets = resultDatasets(engine, entry);
  QString name = entry.fileName;
  if (name.endsWith(QLatin1String(".txt")))
    name.chop(4);
  if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size())
    name = resultKindName(entry.kind); // "." names the group itself in HDF5
  const QString base = name;
  for (int k = 2; groups.count(name); ++k)
    name = base + QLatin1Char(' ') + QString::number(k);
  groups.insert(name);
  Handle group(H5Gcreate2(file, name.toUtf8().constData(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
  if (!group.ok() || !writeText(group.get(), "kind", resultKindName(entry.kind)) ||
      !writeText(group.get(), "title", entry.title.trimmed()) || !writeText(group.get(), "file", entry.fileName))
    return false;
  std::set<QString> taken;
  std::vector<WrittenAxis> axes;
  for (const ResultDataset &d : sets)
    if (!writeSeries(group.get(), d, taken, axes))
      return false;
  return true;
}

bool writeFile(const QByteArray &path, Simulator &engine, const QList<ResultEntry> &entries,
               const QString &configuration, const QString &setupSummary)
{
  Handle file(H5Fcreate(path.constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT), H5Fclose);
  if (!file.ok() || !writeText(file.get(), "configuration", configuration) ||
      !writeText(file.get(), "setup_summary", setupSummary) ||
      !writeText(file.get(), "engine", engine.engineName()) ||
      !writeNumber(file.get(), "iteration", engine.iteration))
    return false;
  std::set<QString> groups;
  for (const ResultEntry &entry : entries)
    if (!writeEntry(file.get(), engine, entry, groups))
      return false;
  return H5Fflush(file.get(), H5F_SCOPE_GLOBAL) >= 0;
}

} // namespace

bool writeResultsHdf5(Simulator &engine, const QList<ResultEntry> &entries, const QString &fileName,
                      const QString &configuration, const QString &setupSummary)
{
  // The library's own error printing is off: a failure is reported by the caller.
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  // A folder in the file's place makes the final rename fail.
  const QFileInfo target(fileName);
  QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".XXXXXX"));
  if (!temporary.open())
    return false;
  const QByteArray path = QFile::encodeName(temporary.fileName());
  temporary.close();
  if (!writeFile(path, engine, entries, configuration, setupSummary))
    return false; // the temporary file is removed with its object
  if (std::rename(path.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
    return false;
  temporary.setAutoRemove(false);
  return true;
}
