#pragma once
// Envelope model of a fibre: the complex envelope A(t) (|A|^2 in W) on a
// window about the reference frequency w0, in a frame moving with the group
// velocity at w0. Per bin W = w - w0 (FFT order) the spectrum obeys
//   dA~/dz = L(W) A~ + N(A~),  L = -i sum_k beta_k W^k / k! - alpha / 2,
//   N = -i gamma (1 + W / w0) FFT{ A ((1 - fR) |A|^2 + fR (h * |A|^2)) },
// with spectral components e^{+i w t} and the causal Raman response h
// (dt sum h = 1). The interaction-picture fourth-order Runge-Kutta step
// with an embedded third-order solution (first same as last) gives the
// local error; the step control keeps it below the relative tolerance.

#include "uppe/fftwarrays.h"
#include "uppe/refractiveindex.h"

#include <vector>

class EnvelopePropagator
{
public:
  struct Settings
  {
    int n = 0;
    double dt = 0.0;                  // s
    double referenceFrequency = 0.0;  // Hz
    std::vector<double> dispersion;   // sum beta_k W^k / k! per bin (1/m), FFT order
    double alpha = 0.0;               // power loss, 1/m
    double gamma = 0.0;               // 1/(W m)
    double ramanFraction = 0.0;
    double tau1 = 0.0, tau2 = 0.0;    // s
    double tolerance = 1e-6;          // relative local error per step
    bool fixedStep = false;
    double firstStep = 0.0;           // m
    unsigned plannerFlags = FFTW_PATIENT;
  };

  EnvelopePropagator(const Settings &settings, const std::vector<Complex> &initialField);
  EnvelopePropagator(const EnvelopePropagator &) = delete;
  EnvelopePropagator &operator=(const EnvelopePropagator &) = delete;

  // One attempted step of at most `limit` (m), not beyond target; true when
  // accepted (position and field advance), false when refused (the next
  // attempt is shorter).
  bool step(double target, double limit);

  double position() const { return z; }
  double stepSize() const { return h; }
  double lastError() const { return error; }
  long long acceptedSteps() const { return accepted; }
  long long refusedSteps() const { return refused; }
  long long evaluations() const { return nonlinearEvaluations; }
  // The spectrum at position() (FFT order, sum convention of FFTW's forward
  // transform) and the envelope in time.
  const fftw_complex *spectrum() const { return a; }
  void field(std::vector<Complex> &out);
  const std::vector<double> &ramanResponse() const { return response; }

private:
  void nonlinear(const fftw_complex *in, fftw_complex *out);
  void halfStepFactors(double step);

  int n;
  double z = 0.0, h = 0.0, error = 0.0;
  double tolerance;
  bool fixedStep;
  double ramanFraction;
  long long accepted = 0, refused = 0, nonlinearEvaluations = 0;
  bool haveLast = false;      // k5 holds N at the current position
  double factorStep = -1.0;   // step of the cached half-step factors

  std::vector<Complex> linear;    // L per bin
  std::vector<Complex> coupling;  // -i gamma (1 + W / w0), 0 where w <= 0
  std::vector<Complex> factor;    // exp(L h / 2)
  std::vector<Complex> ramanSpectrum; // dt/n FFT{h}, n/2 + 1 bins
  std::vector<double> response;

  ComplexArray a, ai, k1, k2, k3, k4, k5, next, work, trial;
  RealArray intensity, raman;
  ComplexArray intensitySpectrum;
  FftwPlan forward, backward, forwardIntensity, backwardRaman, forwardField;
};
