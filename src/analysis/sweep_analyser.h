#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/complex.h"
#include "analysis/log_sweep.h"
#include "analysis/real_fft.h"
#include "analysis/real_inverse_fft.h"
#include "analysis/response_trace.h"

// Harmonic distortion against the frequency of the fundamental: each harmonic's level relative
// to the fundamental the device gives out at that frequency, in decibels, and their total
// (THD, the root of the sum of their powers) in decibels and per cent. NaN where the harmonic
// lies above the sweep's upper frequency, or within a quarter of an octave of either end of the
// band, where the abrupt start and end of the sweep make it unreliable.
struct DistortionTrace {
  static constexpr int kMaxHarmonic = 5;
  std::vector<double> frequencyHz;
  std::vector<double> thdDb;
  std::vector<double> thdPercent;
  std::array<std::vector<double>, kMaxHarmonic + 1> harmonicDb;  // [2] .. [kMaxHarmonic]
};

// The swept-sine measurement: the measured channel deconvolved by the reference (the reference
// input, or the known stimulus padded with silence), which for a logarithmic sweep puts the
// linear impulse response at the latency and the impulse response of harmonic k at
// latency - L ln k. Each is cut out with a window that reaches a quarter of the way towards the
// harmonic before it and three quarters towards the one after, and transformed: the linear one
// gives the frequency response (its phase without the latency), harmonic k at k f over the
// linear one at f gives the distortion at f.
class SweepAnalyser {
 public:
  // Records are limited to what one transform of 2^RealFft::kMaxOrder values holds, less a
  // quarter of a second of room for the response to die away.
  explicit SweepAnalyser(const LogSweep& sweep, int harmonics = DistortionTrace::kMaxHarmonic);

  // Builds the transforms for records of up to count samples ahead of Analyse, which otherwise
  // builds them itself: at a sweep's length they take about as long as the analysis. Plans
  // built for longer records are kept. Allocates. False when count is too long.
  bool Prepare(std::int64_t count);

  // Analyses referenceCount samples of the reference and measuredCount of the measured channel,
  // both from the same start. Returns false, leaving empty results, when the sweep is unusable,
  // a record is empty or too long. Allocates: it runs once a sweep has ended, not per buffer.
  bool Analyse(const double* reference, std::int64_t referenceCount, const double* measured,
               std::int64_t measuredCount);

  // The delay of the linear impulse response's peak behind the reference, in samples, refined
  // to a fraction of a sample.
  double LatencySamples() const { return m_dLatency; }
  // The linear impulse response around its peak: the peak's whole sample at index ImpulseZero().
  const std::vector<double>& ImpulseResponse() const { return m_impulse[1]; }
  int ImpulseZero() const { return m_zero[1]; }
  // The windowed impulse response of harmonic k (2 .. harmonics).
  const std::vector<double>& HarmonicImpulse(int k) const { return m_impulse[Index(k)]; }
  // Samples of each transform of a window, and the frequency step of the traces.
  int WindowSize() const { return m_nWindow; }

  const ResponseTrace& Response() const { return m_response; }
  const DistortionTrace& Distortion() const { return m_distortion; }
  const LogSweep& Sweep() const { return m_sweep; }

 private:
  static int Index(int k) { return k < 1 || k > DistortionTrace::kMaxHarmonic ? 1 : k; }
  void Clear();
  // Cuts the window around the fractional position centre of the circular response h, keeping
  // pre samples before and post after, into m_impulse[k], and transforms it into spectrum.
  void CutWindow(const std::vector<double>& h, int k, double centre, int pre, int post,
                 std::vector<Complex>& spectrum);
  // Puts back into the harmonics' response h, deconvolved less the means, the gain at 0 Hz the
  // linear response's window (pre and post samples around the latency) shows.
  void RestoreDirectGain(std::vector<double>& h, int pre, int post) const;
  // The circular impulse response of measured over reference into h, their means first taken
  // out when asked; m_y keeps its spectrum. False for a silent reference.
  bool Deconvolve(const double* reference, std::int64_t referenceCount, const double* measured,
                  std::int64_t measuredCount, bool lessMeans, std::vector<double>& h);

  LogSweep m_sweep;
  int m_nHarmonics = DistortionTrace::kMaxHarmonic;
  int m_nOrder = 0;
  int m_nWindow = 0;
  std::unique_ptr<RealFft> m_fft;
  std::unique_ptr<RealInverseFft> m_inverse;
  std::unique_ptr<RealFft> m_windowFft;
  std::vector<double> m_buffer;
  std::vector<Complex> m_x, m_y;
  std::vector<double> m_h;
  std::vector<double> m_hLessMeans;
  std::array<std::vector<double>, DistortionTrace::kMaxHarmonic + 1> m_impulse;
  std::array<int, DistortionTrace::kMaxHarmonic + 1> m_zero{};
  std::array<std::vector<Complex>, DistortionTrace::kMaxHarmonic + 1> m_spectra;
  double m_dLatency = 0;
  ResponseTrace m_response;
  DistortionTrace m_distortion;
};
