#include "app/batch/batchprogress.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 terminalIntervalMs = 250;
constexpr qint64 plainIntervalMs = 5000;
constexpr qint64 sampleIntervalMs = 100;
constexpr int barWidth = 24;

QString number(double value) { return QString::number(value, 'g', 6); }
} // namespace

QString formatDuration(double seconds)
{
  if (!std::isfinite(seconds) || seconds < 0)
    return QStringLiteral("?");
  // Beyond a few years the estimate is meaningless; cap it so the text stays short.
  const double capped = std::min(std::ceil(seconds), 99.0 * 3600.0 * 24.0 * 365.0);
  const long long total = static_cast<long long>(capped);
  const long long h = total / 3600;
  const long long m = (total / 60) % 60;
  const long long s = total % 60;
  return QStringLiteral("%1:%2:%3")
      .arg(h)
      .arg(m, 2, 10, QLatin1Char('0'))
      .arg(s, 2, 10, QLatin1Char('0'));
}

QString progressLine(const ProgressSnapshot &s, bool withBar)
{
  QString text = QStringLiteral("iteration %1").arg(s.iteration);
  if (s.distance)
    text += QStringLiteral("  z %1 m  %2 m/s").arg(number(s.progress), number(s.rate));
  else
    text += QStringLiteral("  %1 it/s").arg(number(s.rate));
  if (s.fraction >= 0) {
    const double f = std::clamp(s.fraction, 0.0, 1.0);
    if (withBar) {
      const int filled = static_cast<int>(f * barWidth);
      text += QStringLiteral("  [") + QString(filled, QLatin1Char('#')) +
              QString(barWidth - filled, QLatin1Char('.')) + QStringLiteral("]");
    }
    text += QStringLiteral("  %1%").arg(f * 100.0, 0, 'f', 1);
    if (s.secondsLeft >= 0)
      text += QStringLiteral("  %1 left").arg(formatDuration(s.secondsLeft));
  }
  return text;
}

void RemainingTime::add(double seconds, double fraction)
{
  // A sample within a hundredth of the share done of the last one replaces it.
  if (samples_.size() > 1 && fraction - samples_.back().fraction < 0.01 * fraction) {
    samples_.back() = {seconds, fraction};
    return;
  }
  samples_.push_back({seconds, fraction});
  while (samples_.size() > 2 && samples_[1].fraction <= 0.5 * fraction)
    samples_.pop_front();
}

double RemainingTime::secondsLeft() const
{
  if (samples_.empty())
    return -1.0;
  const Sample &now = samples_.back();
  if (!(now.fraction > 0.0))
    return -1.0;
  if (now.fraction >= 1.0)
    return 0.0;
  const Sample &half = samples_.front();
  const double done = now.fraction - half.fraction, took = now.seconds - half.seconds;
  if (samples_.size() > 1 && done > 0.0 && took > 0.0)
    return (1.0 - now.fraction) * took / done;
  return now.seconds * (1.0 - now.fraction) / now.fraction; // the mean rate so far
}

BatchProgress::BatchProgress(bool enabled, bool terminal, std::FILE *stream)
    : enabled_(enabled), terminal_(terminal), stream_(stream)
{
  clock_.start();
}

void BatchProgress::setEnd(long long iterationEnd, double progressEnd, bool distance)
{
  iterationEnd_ = iterationEnd;
  progressEnd_ = progressEnd;
  distance_ = distance;
  clock_.restart();
  lastPrintMs_ = lastRateMs_ = lastSampleMs_ = 0;
  lastRateProgress_ = 0.0;
  remaining_ = RemainingTime();
}

double BatchProgress::fractionOf(long long iteration, double progress) const
{
  double fraction = -1.0;
  if (iterationEnd_ > 0)
    fraction = static_cast<double>(iteration) / static_cast<double>(iterationEnd_);
  if (progressEnd_ > 0 && std::isfinite(progress))
    fraction = std::max(fraction, progress / progressEnd_);
  return fraction;
}

ProgressSnapshot BatchProgress::snapshot(long long iteration, double progress)
{
  ProgressSnapshot s;
  s.iteration = iteration;
  s.progress = progress;
  s.distance = distance_;
  const qint64 now = clock_.elapsed();
  if (now > lastRateMs_) {
    rate_ = (progress - lastRateProgress_) * 1000.0 / static_cast<double>(now - lastRateMs_);
    lastRateMs_ = now;
    lastRateProgress_ = progress;
  }
  s.rate = rate_;
  const double fraction = fractionOf(iteration, progress);
  if (fraction >= 0) {
    s.fraction = std::min(fraction, 1.0);
    remaining_.add(static_cast<double>(now) / 1000.0, s.fraction);
    s.secondsLeft = remaining_.secondsLeft();
  }
  return s;
}

void BatchProgress::update(long long iteration, double progress)
{
  if (!enabled_)
    return;
  const qint64 now = clock_.elapsed();
  if (now - lastPrintMs_ < (terminal_ ? terminalIntervalMs : plainIntervalMs)) {
    const double fraction = fractionOf(iteration, progress);
    if (now - lastSampleMs_ >= sampleIntervalMs && fraction >= 0) { // more than the printed states
      lastSampleMs_ = now;
      remaining_.add(static_cast<double>(now) / 1000.0, std::min(fraction, 1.0));
    }
    return;
  }
  lastPrintMs_ = now;
  print(snapshot(iteration, progress));
}

void BatchProgress::finish(long long iteration, double progress)
{
  if (!enabled_)
    return;
  print(snapshot(iteration, progress));
  if (terminal_ && lineOpen_) {
    std::fputc('\n', stream_);
    lineOpen_ = false;
  }
  std::fflush(stream_);
}

void BatchProgress::print(const ProgressSnapshot &s)
{
  const QByteArray text = progressLine(s, terminal_).toLocal8Bit();
  if (terminal_) {
    // Carriage return, the line, then erase whatever an earlier longer line left.
    std::fprintf(stream_, "\r%s\033[K", text.constData());
    lineOpen_ = true;
  } else {
    std::fprintf(stream_, "%s\n", text.constData());
  }
  std::fflush(stream_);
}

void BatchProgress::clearLine()
{
  if (terminal_ && lineOpen_) {
    std::fputs("\r\033[K", stream_);
    lineOpen_ = false;
  }
}

void BatchProgress::message(const QString &text)
{
  clearLine();
  const QByteArray bytes = text.toLocal8Bit();
  std::fprintf(stream_, "%s\n", bytes.constData());
  std::fflush(stream_);
  // On a terminal the next update redraws the progress line at once.
  if (terminal_)
    lastPrintMs_ = clock_.elapsed() - terminalIntervalMs;
}
