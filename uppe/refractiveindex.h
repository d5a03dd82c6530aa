#pragma once
// Refractive-index models of the spectral engine's medium.
//
// Every model gives one complex index n(f) per frequency (Hz, f >= 0) and the
// four nonlinear parameters: Kerr coefficient n2, Raman times tau1 and tau2
// (s) and the weight a of the instantaneous term.

#include <complex>
#include <vector>

using Complex = std::complex<double>;

// numerator / denominator by the scaled (Smith) method: NaN in both parts when
// a part of the denominator is NaN or the scaled denominator is 0 or NaN.
Complex smithDivide(double numerator, Complex denominator);

// Complex square root of a permittivity, held at 256 bits so that the
// imaginary part stays accurate when |Im eps| << |Re eps|. Returns
// sqrt((M + x)/2) + i sqrt((M - x)/2), M = |eps|, x = Re eps; the imaginary
// part is 0 when lossy is false. A non-finite permittivity gives NaN.
Complex refractiveIndexFromPermittivity(Complex epsilon, bool lossy);

// Lorentz medium with `poles` poles:
//   chi(f) = sum_p A_p f0_p^2 / (f0_p^2 - f^2 + i gamma_p f)
//   eps(f) = epsInfinity + (epsStatic - epsInfinity) chi(f)
// and n(f) from refractiveIndexFromPermittivity. out must already hold one
// entry per frequency (entries beyond are left alone).
void lorentzRefractiveIndex(int poles, std::vector<Complex> &out, std::vector<double> frequencies,
                            std::vector<double> strengths, std::vector<double> resonances,
                            std::vector<double> dampings, double epsStatic, double epsInfinity,
                            bool lossy);

// Propagation constant as a Taylor series about fr:
//   beta(f) = sum_{i>=1} beta_i (2 pi (f - fr))^i / i!
// and n(f) = beta(f) c / (2 pi f), with n(0) = 0. coefficients[0] is beta_1.
std::vector<Complex> taylorRefractiveIndex(const std::vector<double> &frequencies, double fr,
                                           const std::vector<double> &coefficients);

// n_low for f < K df and n_high from there on, K = floor(stepFrequency / df)
// clamped to [0, count]; evaluated on the count bins f_k = k df.
std::vector<Complex> stepRefractiveIndex(int count, double stepFrequency, double df, Complex low,
                                         Complex high);
