#include "app/sweep/sweepsummary.h"

#include "app/batch/batchpictures.h"
#include "input/lookups.h"
#include "input/physicalconstants.h"
#include "input/units.h"
#include "plots/rectangularplotwidget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_symbol.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr double eps0 = physconst::epsilon0;

struct Block
{
  QStringList headers;
  std::vector<double> x;
  std::vector<double> y;
};

// The blocks of a result file: "!" header lines, then rows of two columns.
QList<Block> readBlocks(const QString &fileName)
{
  QList<Block> blocks;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return blocks;
  QTextStream in(&file);
  QString line;
  bool inRows = false;
  while (in.readLineInto(&line)) {
    if (line.startsWith(QLatin1Char('!'))) {
      if (inRows || blocks.isEmpty())
        blocks << Block();
      inRows = false;
      blocks.last().headers << line;
      continue;
    }
    const QByteArray bytes = line.toLatin1();
    char *end = nullptr;
    const double x = std::strtod(bytes.constData(), &end);
    if (end == bytes.constData())
      continue;
    char *end2 = nullptr;
    const double y = std::strtod(end, &end2);
    if (end2 == end)
      continue;
    if (blocks.isEmpty())
      blocks << Block();
    inRows = true;
    blocks.last().x.push_back(x);
    blocks.last().y.push_back(y);
  }
  return blocks;
}

// The unit in brackets of a column title in a header ("! Time [fs]\t..." -> "fs").
QString unitOf(const QStringList &headers, int column)
{
  static const QRegularExpression bracket(QStringLiteral("\\[([^\\]]*)\\]"));
  for (const QString &h : headers) {
    auto it = bracket.globalMatch(h);
    for (int c = 0; it.hasNext(); ++c) {
      const QRegularExpressionMatch m = it.next();
      if (c == column)
        return m.captured(1);
    }
  }
  return QString();
}

QString withUnit(const QString &name, const QString &unit)
{
  return unit.isEmpty() ? name : name + QStringLiteral(" [") + unit + QLatin1Char(']');
}

double power(double db) { return std::isfinite(db) ? std::pow(10.0, 0.1 * db) : 0.0; }

// Sum of y * (the spacing of x) over the rows.
double integral(const std::vector<double> &x, const std::vector<double> &y)
{
  double sum = 0;
  for (std::size_t i = 0; i + 1 < x.size(); ++i)
    sum += 0.5 * (y[i] + y[i + 1]) * (x[i + 1] - x[i]);
  return sum;
}

// Weighted mean and rms width of x.
void moments(const std::vector<double> &x, const std::vector<double> &w, double &mean, double &rms)
{
  double sw = 0, sx = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sw += w[i];
    sx += w[i] * x[i];
  }
  mean = sw > 0 ? sx / sw : NAN;
  double sv = 0;
  for (std::size_t i = 0; i < x.size(); ++i)
    sv += w[i] * (x[i] - mean) * (x[i] - mean);
  rms = sw > 0 ? std::sqrt(sv / sw) : NAN;
}

std::vector<double> powers(const std::vector<double> &db)
{
  std::vector<double> p(db.size());
  for (std::size_t i = 0; i < db.size(); ++i)
    p[i] = power(db[i]);
  return p;
}

void gridScalars(const QString &folder, QList<RunScalar> &out)
{
  const QList<Block> field = readBlocks(folder + QStringLiteral("/Electric field.txt"));
  if (!field.isEmpty() && field.first().x.size() > 1) {
    const Block &b = field.first();
    const double scale = lengthScaleOf(unitOf(b.headers, 0));
    std::vector<double> e2(b.y.size());
    double peak = 0;
    for (std::size_t i = 0; i < b.y.size(); ++i) {
      e2[i] = b.y[i] * b.y[i];
      peak = std::max(peak, std::abs(b.y[i]));
    }
    if (scale > 0)
      out << RunScalar{QStringLiteral("E-field energy [J/m^2]"), 0.5 * eps0 * integral(b.x, e2) * scale};
    out << RunScalar{withUnit(QStringLiteral("peak |E|"), unitOf(b.headers, 1)), peak};
  }
  const QStringList files = QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
  for (const QString &name : files) {
    const QList<Block> blocks = readBlocks(folder + QLatin1Char('/') + name);
    if (blocks.isEmpty() || blocks.first().headers.value(0) != QLatin1String("! Magnitude spectrum:") ||
        blocks.first().x.empty())
      continue;
    const Block &b = blocks.first();
    const QString base = QFileInfo(name).completeBaseName();
    std::size_t top = 0;
    for (std::size_t i = 1; i < b.y.size(); ++i)
      if (b.y[i] > b.y[top])
        top = i;
    // A spectrum on a wavelength grid peaks at a wavelength.
    const bool wavelength = b.headers.value(1).startsWith(QLatin1String("! Wavelength"));
    if (std::isfinite(b.y[top]))
      out << RunScalar{withUnit(base + (wavelength ? QStringLiteral(": peak wavelength") : QStringLiteral(": peak frequency")),
                                unitOf(b.headers, 0)),
                       b.x[top]};
    out << RunScalar{base + QStringLiteral(": integrated power (a.u.)"), integral(b.x, powers(b.y))};
  }
}

void spectralScalars(const QString &folder, QList<RunScalar> &out)
{
  const QList<Block> ce = readBlocks(folder + QStringLiteral("/Conversion efficiency.txt"));
  if (ce.size() >= 2 && !ce.at(0).y.empty() && !ce.at(1).y.empty()) {
    const double band = ce.at(1).y.back();
    out << RunScalar{QStringLiteral("total energy (a.u.)"), ce.at(0).y.back()};
    out << RunScalar{QStringLiteral("band energy (a.u.)"), band};
    const QList<Block> input = readBlocks(folder + QStringLiteral("/Input spectrum.txt"));
    if (!input.isEmpty() && input.first().x.size() > 1) {
      // The engine's reference: the input power spectrum summed bin by bin.
      const Block &b = input.first();
      double sum = 0;
      for (double db : b.y)
        sum += power(db);
      const double reference = sum * (b.x[1] - b.x[0]);
      if (reference > 0)
        out << RunScalar{QStringLiteral("conversion efficiency [%]"), 100.0 * band / reference};
    }
  }
  const QList<Block> spectrum = readBlocks(folder + QStringLiteral("/FFT spectrum.txt"));
  if (ce.size() < 2 && !spectrum.isEmpty() && spectrum.first().x.size() > 1) {
    const Block &b = spectrum.first();
    double sum = 0;
    for (double db : b.y)
      sum += power(db);
    out << RunScalar{QStringLiteral("total energy (a.u.)"), sum * (b.x[1] - b.x[0])};
  }
  if (!spectrum.isEmpty() && !spectrum.first().x.empty()) {
    const Block &b = spectrum.first();
    double mean = 0, rms = 0;
    moments(b.x, powers(b.y), mean, rms);
    const QString unit = unitOf(b.headers, 0);
    out << RunScalar{withUnit(QStringLiteral("spectral centroid"), unit), mean};
    out << RunScalar{withUnit(QStringLiteral("spectral rms width"), unit), rms};
  }
  const QList<Block> signal = readBlocks(folder + QStringLiteral("/UPPE E-field.txt"));
  if (!signal.isEmpty() && !signal.first().x.empty()) {
    const Block &b = signal.first();
    std::vector<double> e2(b.y.size());
    for (std::size_t i = 0; i < b.y.size(); ++i)
      e2[i] = b.y[i] * b.y[i];
    double mean = 0, rms = 0;
    moments(b.x, e2, mean, rms);
    out << RunScalar{withUnit(QStringLiteral("rms duration"), unitOf(b.headers, 0)), rms};
  }
}

// The number a value stands for on a plot axis: its first token.
double axisValue(const QString &value, bool &ok)
{
  return value.section(QLatin1Char(' '), 0, 0).toDouble(&ok);
}

bool drawScalar(const QString &fileName, const QString &name, const QStringList &keys,
                const QList<SummaryRow> &rows)
{
  QwtPlot plot;
  plot.setCanvasBackground(QBrush(Qt::white));
  attachStandardGrid(&plot);
  plot.setAxisTitle(QwtPlot::xBottom, keys.value(0));
  plot.setAxisTitle(QwtPlot::yLeft, name);
  // One curve per value of the second key (or a single curve).
  QMap<QString, std::pair<QVector<double>, QVector<double>>> curves;
  QStringList order;
  for (int r = 0; r < rows.size(); ++r) {
    const SummaryRow &row = rows.at(r);
    for (const RunScalar &s : row.scalars) {
      if (s.name != name || !std::isfinite(s.value))
        continue;
      bool ok = false;
      double x = axisValue(row.values.value(0), ok);
      if (!ok)
        x = r + 1;
      const QString group = keys.size() > 1 ? row.values.value(1) : QString();
      if (!curves.contains(group))
        order << group;
      curves[group].first << x;
      curves[group].second << s.value;
    }
  }
  if (curves.isEmpty())
    return true;
  static const Qt::GlobalColor colours[] = {Qt::blue, Qt::red, Qt::darkGreen, Qt::magenta,
                                           Qt::darkCyan, Qt::darkYellow, Qt::black, Qt::gray};
  for (int i = 0; i < order.size(); ++i) {
    auto &c = curves[order.at(i)];
    // Sorted by x so that the line joins neighbours.
    std::vector<int> idx(static_cast<std::size_t>(c.first.size()));
    for (int k = 0; k < c.first.size(); ++k)
      idx[static_cast<std::size_t>(k)] = k;
    std::sort(idx.begin(), idx.end(), [&](int a, int b) { return c.first[a] < c.first[b]; });
    QVector<double> xs, ys;
    for (int k : idx) {
      xs << c.first[k];
      ys << c.second[k];
    }
    auto *curve = new QwtPlotCurve(keys.size() > 1 ? keys.at(1) + QStringLiteral(" = ") + order.at(i)
                                                   : name);
    const QColor colour(colours[i % 8]);
    curve->setPen(colour, 1.5);
    curve->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(colour), QPen(colour), QSize(7, 7)));
    curve->setSamples(xs, ys);
    curve->attach(&plot);
  }
  if (keys.size() > 1)
    plot.insertLegend(new QwtLegend(), QwtPlot::RightLegend);
  plot.replot();
  return renderPlotPicture(&plot, fileName);
}

} // namespace

QList<RunScalar> runScalars(const QString &folder)
{
  QList<RunScalar> out;
  if (QFileInfo::exists(folder + QStringLiteral("/Input signal.txt")))
    spectralScalars(folder, out);
  else
    gridScalars(folder, out);
  return out;
}

QString csvField(const QString &text)
{
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')) && text.trimmed() == text)
    return text;
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList csvFields(const QString &line)
{
  QStringList fields;
  QString field;
  bool quoted = false;
  for (int i = 0; i < line.size(); ++i) {
    const QChar c = line.at(i);
    if (quoted) {
      if (c == QLatin1Char('"') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
        field += c;
        ++i;
      } else if (c == QLatin1Char('"')) {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = true;
    } else if (c == QLatin1Char(',')) {
      fields << field;
      field.clear();
    } else {
      field += c;
    }
  }
  fields << field;
  return fields;
}

QStringList runWarnings(const QString &folder)
{
  QStringList warnings;
  QFile file(folder + QStringLiteral("/Set-up summary.txt"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return warnings;
  bool inWarnings = false;
  for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
    if (line == QLatin1String("Warnings:"))
      inWarnings = true;
    else if (inWarnings && line.startsWith(QLatin1String("  - ")))
      warnings << line.mid(4).trimmed();
  }
  return warnings;
}

bool writeSummary(const QString &folder, const QStringList &keys, const QList<SummaryRow> &rows,
                  bool plots, QString &problem)
{
  QStringList names;
  for (const SummaryRow &row : rows)
    for (const RunScalar &s : row.scalars)
      if (!names.contains(s.name))
        names << s.name;
  QStringList header{QStringLiteral("run")};
  header << keys << QStringLiteral("status") << QStringLiteral("warnings") << names;
  QString text;
  for (QString &h : header)
    h = csvField(h);
  text += header.join(QLatin1Char(',')) + QLatin1Char('\n');
  for (const SummaryRow &row : rows) {
    QStringList fields{row.run};
    for (int k = 0; k < keys.size(); ++k)
      fields << csvField(row.values.value(k));
    fields << row.status
           << csvField(row.warnings.isEmpty()
                           ? QStringLiteral("0")
                           : QStringLiteral("%1: %2").arg(row.warnings.size()).arg(row.warnings.first()));
    for (const QString &n : names) {
      QString v;
      for (const RunScalar &s : row.scalars)
        if (s.name == n)
          v = QString::number(s.value, 'g', 10);
      fields << v;
    }
    text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
  }
  QSaveFile file(folder + QStringLiteral("/summary.csv"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toUtf8()) < 0 ||
      !file.commit()) {
    problem = QStringLiteral("cannot write \"%1\"").arg(file.fileName());
    return false;
  }
  if (!plots || names.isEmpty())
    return true;
  const QString plotDir = folder + QStringLiteral("/plots");
  if (!QDir().mkpath(plotDir)) {
    problem = QStringLiteral("cannot create \"%1\"").arg(plotDir);
    return false;
  }
  for (int i = 0; i < names.size(); ++i) {
    const QString png = plotDir + QLatin1Char('/') + sanitizeFileName(names.at(i)) + QStringLiteral(".png");
    if (!drawScalar(png, names.at(i), keys, rows)) {
      problem = QStringLiteral("cannot write \"%1\"").arg(png);
      return false;
    }
  }
  return true;
}
