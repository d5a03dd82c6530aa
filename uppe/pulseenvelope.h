#pragma once
// Pulses as complex envelopes: analytic shapes given by their intensity
// FWHM, sizes given as peak power or energy, a spectral phase (GDD, TOD)
// about the pulse's centre frequency, and measured spectra read from a file.
// Spectral components oscillate as e^{+i w t}; a spectral phase multiplies
// the spectrum by exp(-i (gdd W^2 / 2 + tod W^3 / 6)), so a positive GDD is
// what a medium of positive beta2 adds (an up-chirp).

#include "uppe/refractiveindex.h"
#include "uppe/uppeconfig.h"

#include <QString>

#include <vector>

// Intensity FWHM / T0 of a shape: Gaussian 2 sqrt(ln 2), sech 2 acosh(sqrt 2),
// sech^2 2 acosh(2^(1/4)).
double pulseShapeFactor(PulseDescription::Shape shape);

// Reads a measured spectrum: columns wavelength (nm, hertzPerUnit 0) or
// frequency (hertzPerUnit per unit), spectral intensity (>= 0), optional
// phase (rad); "#" lines and blank lines are skipped. Fills the pulse's data
// vectors (ascending frequency, amplitude per unit frequency); false with the
// reason ("pulse file x.dat, line 7: ...") when the file is unusable.
bool readPulseDataFile(const QString &path, double hertzPerUnit, PulseDescription &pulse, QString &reason);

// The complex envelope of the pulse about referenceHz at the times (equally
// spaced): shape at its centre time, the carrier offset, scaled (fibre: |a|^2
// in W, peak or energy as given, before the spectral phase; otherwise the
// peak magnitude is the amplitude), then the spectral phase.
std::vector<Complex> pulseEnvelope(const PulseDescription &pulse, const std::vector<double> &times,
                                   double referenceHz, bool fibre);

// The real field of an envelope-form pulse on the field model's window:
// sqrt(2) Re(a e^{i phi}) in a fibre (cycle-averaged E^2 is the power),
// Re(a e^{i phi}) otherwise; phi = 0 for Gaussian, -pi/2 for sech shapes (as
// the amplitude-form pulses: cosine and sine carriers).
std::vector<double> pulseRealField(const PulseDescription &pulse, const std::vector<double> &times,
                                   bool fibre);

// Intensity FWHM of a sampled power (linear interpolation at the half-maximum
// crossings nearest the peak); 0 for an empty or all-zero record.
double intensityFwhm(const std::vector<double> &power, double dt);
