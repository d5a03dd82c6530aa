#pragma once
// Physical constants (SI), shared by every engine and by the conversions
// between wavelength and frequency.

namespace physconst {
constexpr double speedOfLight = 299792458.0;       // m/s
constexpr double epsilon0 = 8.854187817620389e-12; // F/m
constexpr double mu0 = 1.2566370614359173e-6;      // H/m
constexpr double pi = 3.141592653589793;
constexpr double twoPi = 6.283185307179586;
// Impedance of free space, sqrt(mu0 / eps0), in ohm.
constexpr double eta0 = 376.73031346177066;

// Frequency in units of 10^(3k + 6) Hz of a wavelength in units of 10^(-3k) m
// (m with MHz, mm with GHz, um with THz, nm with PHz): c / lambda.
constexpr double pairedFrequency(double wavelength) { return speedOfLight * 1e-6 / wavelength; }
} // namespace physconst
