#pragma once

#include <cstdint>
#include <vector>

#include "analysis/complex.h"
#include "analysis/real_fft.h"
#include "analysis/real_inverse_fft.h"
#include "analysis/response_trace.h"

// How successive cross and auto spectra are averaged: linearly over every transform since the
// last reset, or exponentially, each new transform entering with a weight.
enum TransferAveraging { kTransferLinear = 0, kTransferExponential = 1 };

struct TransferSettings {
  int fftOrder = 16;    // 2^10 .. 2^16 points
  int fftWindow = 3;    // an FFTWindow value (Hanning), or kWindowFlatTop
  double rate = 48000;  // hertz
  TransferAveraging averaging = kTransferLinear;
  double exponentialWeight = 0.1;  // 0 < weight <= 1: the share of each new transform
  bool removeDelay = true;         // take the found delay out of the phase
};

// The dual-channel estimate of a device's frequency response from any stimulus: per transform
// of a windowed frame of the reference (what goes in) and the measured channel (what comes
// out), the averages of Gxx = |X|^2, Gyy = |Y|^2 and Gxy = conj(X) Y; from them H1 = Gxy / Gxx,
// the coherence |Gxy|^2 / (Gxx Gyy), and the delay between the channels at the peak of the
// cross-correlation (the inverse transform of Gxy), refined to a fraction of a sample. All
// arrays are allocated by the constructor; Add and Evaluate allocate nothing. Not shareable
// between threads.
class TransferEstimator {
 public:
  static constexpr int kMinOrder = 10;
  static constexpr int kMaxOrder = 16;

  // Orders outside kMinOrder .. kMaxOrder are brought to the nearest end.
  explicit TransferEstimator(const TransferSettings& settings);

  // Forgets every transform and the delay found (the averages start again); the measured
  // offset is kept. Read SuggestedOffset before, to carry the alignment over.
  void Reset();

  // Changes how the next transforms are averaged, keeping the averages so far: the weight of
  // an exponential average follows the time between transforms (ExponentialWeight).
  void SetAveraging(TransferAveraging averaging, double exponentialWeight);

  // Adds one transform of Size() samples of each channel. The measured frame starts
  // measuredOffset samples after the reference frame; taking it as many samples later as the
  // delay keeps both frames on the same stretch of the signal, which spares the estimate the
  // loss of coherence and the bias a delay long against the frame brings. The offset may change
  // between transforms: the averages are turned to the new one.
  void Add(const double* reference, const double* measured, int measuredOffset = 0);

  // Adds the overlapped frames of two records of count samples, one every hop samples, the
  // measured channel read measuredOffset samples later (frames that would run past either
  // record are left out). Returns the number of transforms added.
  int AddRecord(const double* reference, const double* measured, std::int64_t count, int hop,
                int measuredOffset = 0);

  // Finds the delay and fills the trace (bins 0 .. Size()/2) from the averages so far. Before
  // the first transform every value is NaN and the delay 0.
  void Evaluate();

  int Size() const { return m_nSize; }
  int Bins() const { return m_nSize / 2 + 1; }
  int Transforms() const { return m_nTransforms; }
  int MeasuredOffset() const { return m_nOffset; }
  const TransferSettings& Settings() const { return m_settings; }

  // Results of the last Evaluate: the delay of the measured channel behind the reference in
  // samples (negative when it leads); the measured offset that would align the frames with it.
  double DelaySamples() const { return m_dDelay; }
  int SuggestedOffset() const;
  // The response on the bins: its group delay is the slope of the phase shown, so without the
  // found delay when that is taken out.
  const ResponseTrace& Trace() const { return m_trace; }
  // The averaged cross-correlation, lag m at index m mod Size(), in the channels' squared units.
  const std::vector<double>& Correlation() const { return m_correlation; }

  // The weight 1 - exp(-elapsed / timeConstant) that gives the exponential average a memory of
  // timeConstant seconds when transforms arrive elapsed seconds apart.
  static double ExponentialWeight(double elapsedSeconds, double timeConstantSeconds);

 private:
  void Rotate(std::vector<Complex>& spectrum, double samples);

  TransferSettings m_settings;
  int m_nSize = 0;
  RealFft m_fft;
  RealInverseFft m_inverse;
  std::vector<double> m_window;
  std::vector<double> m_frame;
  std::vector<Complex> m_x, m_y;
  // Running sums (linear) or averages (exponential); Gxy for the current measured offset.
  std::vector<double> m_gxx, m_gyy;
  std::vector<Complex> m_gxy;
  std::vector<double> m_correlation;
  ResponseTrace m_trace;
  int m_nTransforms = 0;
  int m_nOffset = 0;
  double m_dDelay = 0;
};
