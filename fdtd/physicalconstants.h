#pragma once
// Physical constants of the FDTD engine (SI).

namespace fdtdconst {
constexpr double speedOfLight = 299792458.0;          // m/s
constexpr double epsilon0 = 8.854187817620389e-12;    // F/m
constexpr double mu0 = 1.2566370614359173e-6;         // H/m
constexpr double pi = 3.141592653589793;
constexpr double twoPi = 6.283185307179586;
} // namespace fdtdconst
