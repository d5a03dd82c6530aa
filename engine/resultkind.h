#pragma once
// The kinds of result an engine can offer. An engine says how many of each it
// has (Simulator::resultCount); the results catalogue turns a kind into
// titles, a file name and data.

#include <QtGlobal>

enum class ResultKind {
  ElectricField,
  MagneticField,
  PoyntingVector,
  ConversionEfficiency,
  TimeSignal,
  FFTSpectrum,
  Spectrum,
  TimeProbe,
  Spectrogram,
  InputSignal,
  InputSpectrum,
  SpectralEvolution, // evolution maps of engines that record planes along z
  TemporalEvolution,
  OutputSpectrogram
};

inline uint qHash(ResultKind kind, uint seed = 0) { return static_cast<uint>(kind) ^ seed; }

// What Simulator::progress() counts: iterations of a grid run, or the
// distance (m) travelled along the propagation axis.
enum class ProgressAxis { Iterations, Distance };
