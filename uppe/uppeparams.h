#pragma once
// Right-hand side of the spectral propagation equation.
//
// Spectral components oscillate as e^{+i w t} (FFTW's forward kernel is
// e^{-i w t}). Per frequency bin the integrated equation is
//   dA/dz = e^{-L (z - z0)} C FFT{ P_NL( IFFT{ A e^{L (z - z0)} } ) },
//   L(f) = -i (conj k(f) - 2 pi f / v_ref),  k(f) = 2 pi f n(f) / c,
//   C(f) = -i w^2 / (2 c^2 conj k(f)),       w = 2 pi f,
//   P_NL = n2 ((1 - a) E Q + a E^3),   Q_j = dt sum_m h_m E^2_{j-m} (Raman,
// causal: h is sampled at t >= 0, dt sum h = 1), where z0 is the reference
// position at which the held field equals the integrator's state.
// UppeParams works on real fields with half-complex spectra of length n
// (FFTW R2HC layout). UppeParamsGeneralTransforms works on complex spectra of
// a real field multiplied by the carrier e^{+i 2 pi fs t}.
//
// Plans are made once (FFTW_PATIENT, before any data is written to their
// arrays) and every per-evaluation loop only multiplies and adds.

#include "uppe/fftwarrays.h"
#include "uppe/refractiveindex.h"

#include <vector>

// Planner flags of the transforms that run on every evaluation (process-wide;
// FFTW_PATIENT unless changed, for example by tests that want fast planning).
unsigned uppePlannerFlags();
void setUppePlannerFlags(unsigned flags);

class UppeParams
{
public:
  // frequencies: one per coefficient (the m non-negative bins of the real
  // formulation, or the n physical bin frequencies of the general one);
  // refractiveIndex: at least as many entries as frequencies (extra entries
  // are ignored). dumps: write the diagnostic files.
  UppeParams(int n, std::vector<double> frequencies, std::vector<Complex> refractiveIndex,
             double dt, double referenceVelocity, double tau1, double tau2, double a, double n2,
             double z0, double timeWindow, bool dumps = true);
  virtual ~UppeParams() = default;
  UppeParams(const UppeParams &) = delete;
  UppeParams &operator=(const UppeParams &) = delete;

  virtual double *polarisationResult();
  virtual double *fieldState();
  virtual void setState(const double *y);
  virtual void setRhsState(const double *y);
  virtual void transformPolarisationForward();
  virtual void transformFieldInverse();
  virtual void applyCoupling();
  virtual void propagateField(double s);
  virtual void propagatePolarisation(double s);
  virtual int stateDimension() const;
  virtual void createPlans();

  // Replaces the medium's linear operator and coupling (one entry per
  // coefficient), for a guided mode given by its propagation constant and gamma.
  void setGuidedOperators(std::vector<Complex> linearOperator, std::vector<Complex> couplingFactor);

  void computeNonlinearPolarisation();
  void resetWorkVectors(const double *y);
  void setReferencePosition(double z) { referencePosition = z; }

  // Distance of a propagation call: s - z0 for s >= 0, s + z0 for s < 0 (so
  // that -z gives -(z - z0)).
  double propagationDistance(double s) const { return s >= 0.0 ? s - referencePosition : s + referencePosition; }

  // Read access for the engine and the tests.
  int size() const { return n; }
  double getReferencePosition() const { return referencePosition; }
  const std::vector<Complex> &linearOperator() const { return linear; }
  const std::vector<Complex> &couplingFactor() const { return coupling; }
  const std::vector<Complex> &wavenumber() const { return k; }
  const std::vector<double> &convolution() const { return q; }
  const std::vector<double> &ramanResponse() const { return responseTime; }
  const std::vector<double> &operatorFrequencies() const { return frequencies; }
  double *field() { return e; }
  double *polarisation() { return p; }
  bool dumpsEnabled() const { return dumps; }

  static constexpr double smallNumber = 2.2250738585072014e-308;

  // X <- X W in half-complex arithmetic (length len, W has len/2 + 1 entries):
  // bin 0 by Re W_0, the Nyquist bin (even len) by Re W when Im W is 0 and set
  // to 0 otherwise, bins 1 .. (len-1)/2 as complex products.
  static void multiplyHalfComplex(double *x, const Complex *w, int len);

protected:
  void computeLinearOperator(const std::vector<Complex> &refractiveIndex);
  void computeCoupling();
  // Samples, normalises and transforms the Raman response h(t) >= 0.
  void prepareRamanResponse(double tau1, double tau2);

  // Fills factors with exp(d L_k) (bins with an overflowing amplitude keep
  // only their phase) for the first `count` coefficients.
  void computeFactors(double d);
  // exp(-d L_k) reusing the phases of computeFactors(d).
  void computeInverseFactors();

  int n;
  int coefficientCount;
  double referenceVelocity;
  double ramanTau1, ramanTau2, instantaneousWeight, kerrCoefficient;
  double referencePosition;
  double timeWindow;
  double dt;
  bool dumps;
  bool lossless = true;        // every Re L is 0: the factors are pure phases
  bool ramanActive = true;     // (1 - a) != 0 or the convolution is dumped

  std::vector<double> frequencies;
  std::vector<double> frameWavenumber;
  std::vector<Complex> k;
  std::vector<Complex> linear;
  std::vector<Complex> coupling;
  std::vector<double> q;
  std::vector<double> responseTime;   // normalised h_j (kept for inspection)

  // Work vectors of the propagation factors (one per coefficient).
  std::vector<Complex> factors;
  std::vector<Complex> phases;
  double factorDistance = 0.0;
  bool factorsValid = false;

  RealArray e;
  RealArray p;
  RealArray response;
  RealArray squared;
  RealArray convolutionBuffer;

  FftwPlan forwardPolarisation;
  FftwPlan inverseField;
  FftwPlan forwardSquared;
  FftwPlan inverseConvolution;
};

class UppeParamsGeneralTransforms : public UppeParams
{
public:
  UppeParamsGeneralTransforms(int n, std::vector<double> frequencies,
                              std::vector<Complex> refractiveIndex, double dt,
                              double referenceVelocity, double tau1, double tau2, double a,
                              double n2, double z0, double frequencyShift, double timeWindow,
                              bool dumps = true);

  double *polarisationResult() override;
  double *fieldState() override;
  void setState(const double *y) override;
  void setRhsState(const double *y) override;
  void transformPolarisationForward() override;
  void transformFieldInverse() override;
  void applyCoupling() override;
  void propagateField(double s) override;
  void propagatePolarisation(double s) override;
  int stateDimension() const override { return generalDimension; }
  void createPlans() override;

  fftw_complex *fieldSpectrumData() { return fieldSpectrum; }

private:
  void multiplyComplex(fftw_complex *x, const Complex *w);
  void reportSmallFactors() const;

  double frequencyShift;
  int generalDimension;
  ComplexArray fieldSpectrum;
  ComplexArray polarisationSpectrum;
  RealArray packedField;
  RealArray packedPolarisation;
  std::vector<Complex> shiftUp;
  std::vector<Complex> shiftDown;
  FftwPlan forwardComplex;
  FftwPlan inverseComplex;
};
