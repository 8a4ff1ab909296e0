#pragma once

#include <complex>
#include <cstdint>

// The exponential (logarithmic) sweep with a synchronised phase, as used for impulse-response
// measurement with harmonic separation. For a start frequency f1, a stop frequency f2 > f1 and
// a wanted length T:
//
//   L    = round(f1 T / ln(f2 / f1)) / f1          (seconds; f1 L is a whole number >= 1)
//   T'   = L ln(f2 / f1)                           (the length used, close to T)
//   x(t) = sin(2 pi f1 L (exp(t / L) - 1)),  0 <= t < T'
//   f(t) = f1 exp(t / L)                           (instantaneous frequency)
//
// Because f1 L is whole, x(t) = sin(2 pi f1 L exp(t / L)) as well, and the k-th harmonic of the
// sweep, sin(2 pi k f1 L exp(t / L)), equals x(t + L ln k): each harmonic is the sweep itself
// advanced by L ln k, whatever k. Deconvolving a system's response to x by the inverse filter
//
//   X^-1(f) = 2 sqrt(f / L) exp(-j 2 pi f L (1 - ln(f / f1)) + j pi / 4)
//
// (the reciprocal of the sweep's spectrum in the stationary-phase approximation,
// X(f) = 1/2 sqrt(L / f) exp(j 2 pi f L (1 - ln(f / f1)) - j pi / 4), valid for f1 < f < f2)
// gives the linear impulse response at t = 0 and that of the k-th harmonic at t = -L ln k,
// each with its exact phase. Sample n of the sweep is x(n / rate).
class LogSweep {
 public:
  // False for f1 <= 0, f2 <= f1, f2 above half the rate or a length that is not positive.
  static bool Valid(double startHz, double stopHz, double seconds, double rate);

  // Frequencies that do not rise, or a length or rate that is not positive, give an empty sweep
  // (no frames, length 0).
  LogSweep(double startHz, double stopHz, double seconds, double rate);

  double StartHz() const { return m_f1; }
  double StopHz() const { return m_f2; }
  double Rate() const { return m_rate; }
  // L in seconds, and the length T' actually swept.
  double GrowthTime() const { return m_L; }
  double Seconds() const { return m_seconds; }
  // The whole samples of one sweep: those with n / rate < T'.
  uint64_t Frames() const { return m_frames; }

  // The phase of sample n in cycles, f1 L (exp(n / (rate L)) - 1), reduced to [0, 1).
  double PhaseCycles(uint64_t n) const;
  double Value(uint64_t n) const;
  // Writes count samples of amplitude times the sweep from sample 0, silence past its end.
  void Generate(double amplitude, double* out, uint64_t count) const;
  double FrequencyAt(double seconds) const;
  // The inverse filter above at a frequency in hertz.
  std::complex<double> InverseSpectrum(double hertz) const;

 private:
  double m_f1, m_f2, m_rate, m_L, m_seconds;
  uint64_t m_frames;
};
