#pragma once
// What a material section is made of, in physical terms: enough to compute
// its permittivity at any frequency and to repeat its update scheme at
// another time step (stability analysis, set-up summary).

#include <QString>

#include <complex>
#include <vector>

struct MaterialDescription
{
  struct Pole
  {
    double strength = 0.0;  // w (epsS - epsInf)
    double damping = 0.0;   // g (Hz)
    double resonance = 0.0; // f (Hz)
  };

  QString kind;             // "lossless dielectric", "Lorentz medium" ...
  double epsilonR = 1.0;    // epsInf for dispersive media
  double muR = 1.0;
  double sigma = 0.0;       // S/m
  std::vector<Pole> poles;
  bool kerr = false;
  double chi3 = 0.0;        // m^2/V^2
  double ramanTime1 = 0.0;  // fs
  double ramanTime2 = 0.0;  // fs
  double kerrFraction = 0.0;

  // Relative permittivity at f hertz (f > 0):
  // epsInf + sum w dEps f0^2 / (f0^2 - f^2 - i f g) + i sigma / (2 pi f eps0).
  std::complex<double> permittivity(double f) const;
  // Refractive index sqrt(eps muR), the root with a non-negative real part.
  std::complex<double> index(double f) const;
};
