#pragma once
// Envelope of a carrier-resolved signal: the magnitude of its analytic signal
// (the signal plus i times its Hilbert transform), through FFTW. The plans
// and arrays are made once per signal length and reused.

#include <fftw3.h>

#include <vector>

class AnalyticEnvelope
{
public:
  AnalyticEnvelope() = default;
  ~AnalyticEnvelope();
  AnalyticEnvelope(const AnalyticEnvelope &) = delete;
  AnalyticEnvelope &operator=(const AnalyticEnvelope &) = delete;

  // out[i] = |analytic signal of in|[i]; out gets the size of in.
  void compute(const std::vector<double> &in, std::vector<double> &out);

private:
  void plan(int n);
  void release();

  int size = 0;
  fftw_complex *buffer = nullptr;
  fftw_plan forward = nullptr;
  fftw_plan backward = nullptr;
};
