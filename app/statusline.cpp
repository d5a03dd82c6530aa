// The status bar (progress text, progress bar, speed) and the message log.

#include "app/lumora.h"

#include "engine/simulator.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#include <cmath>

namespace {

// Seconds with the prefix that keeps three significant digits readable.
QString formatSeconds(double t)
{
  static const char *const units[] = {"s", "ms", "\u00b5s", "ns", "ps", "fs", "as"};
  double v = t;
  int k = 0;
  while (k < 6 && v != 0.0 && std::fabs(v) < 1.0) {
    v *= 1000.0;
    ++k;
  }
  return QString::number(v, 'g', 3) + QLatin1Char(' ') + QString::fromUtf8(units[k]);
}

QString formatDuration(double seconds)
{
  if (seconds < 90.0)
    return QCoreApplication::translate("Lumora", "about %1 s left").arg(std::max(1.0, std::round(seconds)));
  if (seconds < 5400.0)
    return QCoreApplication::translate("Lumora", "about %1 min left").arg(std::round(seconds / 60.0));
  return QCoreApplication::translate("Lumora", "about %1 h left").arg(std::round(seconds / 3600.0));
}

} // namespace

QString Lumora::groupedNumber(long long value)
{
  // 43778 -> "43 778".
  QString digits = QString::number(std::llabs(value));
  for (int i = digits.size() - 3; i > 0; i -= 3)
    digits.insert(i, QLatin1Char(' '));
  return value < 0 ? QLatin1Char('-') + digits : digits;
}

void Lumora::logMessage(const QString &text)
{
  if (!logView)
    return;
  QString lines = text;
  lines.replace(QLatin1Char('\n'), QStringLiteral("\n          "));
  QScrollBar *bar = logView->verticalScrollBar();
  const int position = bar->value();
  const bool following = position >= bar->maximum();
  logView->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) + QStringLiteral("  ") +
                           lines);
  bar->setValue(following ? bar->maximum() : position);
}

void Lumora::announce(const QString &text)
{
  statusBar()->showMessage(text);
  logMessage(text);
}

void Lumora::updateProgressIndicator()
{
  if (!engine || !progressLabel)
    return;
  progressLabel->setText(progressText());
  updateProgressBar();
}

void Lumora::updateProgressBar()
{
  if (!progressBar || !engine)
    return;
  // Share of the run done: progress against its end, or the distance a
  // dynamic spectrogram's windows cover against the distance it asks for.
  double done = -1.0;
  if (progressEndValue > 0.0) {
    done = engine->progress() / progressEndValue;
  } else if (engine->dynamicSpectrogram) {
    const auto *dynamic =
        dynamic_cast<const DynamicSpectrogramPostprocessing<int, double> *>(engine->spectrogram(0));
    if (dynamic && dynamic->maximumDistance() > 0)
      done = dynamic->windowCount() * dynamic->gridLength() / dynamic->maximumDistance();
  }
  progressBar->setVisible(done >= 0.0);
  if (done >= 0.0)
    progressBar->setValue(static_cast<int>(std::min(1.0, done) * progressBar->maximum()));
}

QString Lumora::progressText() const
{
  if (!engine)
    return QString();
  const QString separator = QStringLiteral(" \u00b7 ");
  const double p = engine->progress();
  if (engine->progressAxis() == ProgressAxis::Iterations) {
    QString text = tr("Iteration %1").arg(groupedNumber(engine->iteration)) + separator +
                   tr("%1 it/s").arg(groupedNumber(std::llround(speed))) + separator +
                   tr("t = %1").arg(formatSeconds(engine->currentTime()));
    if (progressEndValue > 0.0 && speed > 0.0 && p < progressEndValue && !engine->finished)
      text += separator + formatDuration((progressEndValue - p) / speed);
    return text;
  }
  // The spectral engine advances in z (metres); shown in the run's unit.
  const double scale = engine->lengthScale();
  const double unit = scale > 0.0 ? scale : 1.0;
  QString text = QStringLiteral("z = ") + QString::number(p / unit, 'f', 2) + QLatin1Char(' ') +
                 engine->lengthUnit;
  if (progressEndValue > 0.0) {
    text += tr(" of %1 %2").arg(QString::number(progressEndValue / unit, 'g', 6), engine->lengthUnit) +
            separator +
            QStringLiteral("%1 %").arg(static_cast<int>(std::floor(100.0 * std::min(1.0, p / progressEndValue))));
    if (speed > 0.0 && p < progressEndValue && !engine->finished)
      text += separator + formatDuration((progressEndValue - p) / speed);
  }
  return text;
}

// Where a stopped run was: the iteration, or z for the spectral engine.
QString Lumora::stopPoint() const
{
  if (engine->progressAxis() == ProgressAxis::Iterations)
    return tr("iteration %1").arg(groupedNumber(engine->iteration));
  const double scale = engine->lengthScale() > 0.0 ? engine->lengthScale() : 1.0;
  return QStringLiteral("z = %1 %2").arg(QString::number(engine->progress() / scale, 'g', 6), engine->lengthUnit);
}

void Lumora::updateSpeed()
{
  if (!engine)
    return;
  // Progress over the time that really passed since the last update: the
  // timer's ticks come late while a long step or a redraw holds the loop.
  const qint64 now = budget.now();
  const double seconds = static_cast<double>(now - lastSpeedTime) * 1e-9;
  if (seconds < 0.5)
    return; // too short a time to average over
  const double p = engine->progress();
  speed = (p - lastProgress) / seconds;
  lastProgress = p;
  lastSpeedTime = now;
  updateProgressIndicator();
}
