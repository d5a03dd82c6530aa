#include "plots/analyticenvelope.h"

#include <cmath>

AnalyticEnvelope::~AnalyticEnvelope() { release(); }

void AnalyticEnvelope::release()
{
  if (forward)
    fftw_destroy_plan(forward);
  if (backward)
    fftw_destroy_plan(backward);
  if (buffer)
    fftw_free(buffer);
  forward = backward = nullptr;
  buffer = nullptr;
  size = 0;
}

void AnalyticEnvelope::plan(int n)
{
  release();
  buffer = static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * static_cast<size_t>(n)));
  forward = fftw_plan_dft_1d(n, buffer, buffer, FFTW_FORWARD, FFTW_ESTIMATE);
  backward = fftw_plan_dft_1d(n, buffer, buffer, FFTW_BACKWARD, FFTW_ESTIMATE);
  size = n;
}

void AnalyticEnvelope::compute(const std::vector<double> &in, std::vector<double> &out)
{
  const int n = static_cast<int>(in.size());
  out.resize(in.size());
  if (n < 2) {
    for (int i = 0; i < n; ++i)
      out[static_cast<size_t>(i)] = std::fabs(in[static_cast<size_t>(i)]);
    return;
  }
  if (n != size)
    plan(n);
  for (int i = 0; i < n; ++i) {
    buffer[i][0] = in[static_cast<size_t>(i)];
    buffer[i][1] = 0.0;
  }
  fftw_execute(forward);
  // Keep the mean (and the Nyquist term of an even length), double the
  // positive frequencies, drop the negative ones.
  const int half = n / 2;
  for (int k = 1; k < n; ++k) {
    const double weight = k < (n + 1) / 2 ? 2.0 : (n % 2 == 0 && k == half ? 1.0 : 0.0);
    buffer[k][0] *= weight;
    buffer[k][1] *= weight;
  }
  fftw_execute(backward);
  for (int i = 0; i < n; ++i)
    out[static_cast<size_t>(i)] = std::hypot(buffer[i][0], buffer[i][1]) / n;
}
