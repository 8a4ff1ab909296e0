#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/complex.h"
#include "analysis/real_fft.h"
#include "analysis/smoothing_windows.h"
#include "analysis/spectrogram_history.h"

// What the spectrogram transforms and keeps.
struct SpectrogramSettings {
  int rate = 48000;             // hertz
  int fftSize = 8192;           // a power of two, 1024 .. 65536
  int window = kWindowHanning;  // an FFTWindow value, or kWindowFlatTop
  int overlapPercent = 75;      // 50 or 75
  int channels = 2;             // 1 or 2
  bool dbv = false;             // levels in dBV rather than dBFS
  double fullScale = 32768;     // dBFS: the peak of a full-scale sine, in sample units
  int voltValue = 1;            // dBV: sample units a volt
  double historySeconds = 600;  // how much the history keeps
  std::size_t maxHistoryBytes = std::size_t{1} << 30;  // and the most it may take
};

// Turns consecutive frames, numbered from the start of the input, into spectrogram transforms:
// windows of fftSize frames starting at every multiple of the hop (a half or a quarter of the
// size), each transformed once per channel and stored in the history as levels in decibels of
// a sine's amplitude at each bin, as the dB spectrum reads them. Frames that do not follow the
// previous ones (a lost block) start the windows afresh, so the transforms whose windows would
// have spanned the missing frames are kept as lost rather than computed from a spliced signal.
// The constructor allocates the transform's space; Feed allocates only while the history fills,
// a block of transforms at a time, and nothing once it is full.
class SpectrogramProducer {
 public:
  static constexpr int kMinSize = 1024;
  static constexpr int kMaxSize = 65536;

  // Settings out of range are brought into it: the size to the nearest power of two within
  // kMinSize .. kMaxSize, an overlap other than 50 to 75 %, channels to 1 or 2.
  explicit SpectrogramProducer(const SpectrogramSettings& settings);

  const SpectrogramSettings& Settings() const { return m_settings; }
  int Size() const { return m_fft.Size(); }
  int Hop() const { return m_nHop; }
  int Bins() const { return m_fft.Size() / 2 + 1; }

  // Transforms a history of settings.historySeconds keeps, held to settings.maxHistoryBytes.
  static int HistoryCapacity(const SpectrogramSettings& settings);

  // Takes count frames numbered first .. first + count - 1: channel 0 from a, channel 1 from b
  // (ignored for one channel). Frames already taken are skipped; a later first than the next
  // expected frame is a break. Returns the transforms computed.
  int Feed(uint64_t first, int count, const double* a, const double* b);

  // The frames fed next do not follow on from those before even though their numbers do (the
  // device lost a block before the frames were numbered): the windows spanning the break are
  // kept as lost.
  void Break() { m_bStarted = false; }

  // The next frame expected.
  uint64_t NextFrame() const { return m_nNext; }
  // Transforms computed (per channel) since the producer was made.
  int64_t Transforms() const { return m_nTransforms; }

  // The time of transform index's window centre, in seconds from frame 0.
  double CentreSeconds(int64_t index) const;
  // The frequency of bin k in hertz.
  double BinFrequency(int k) const;

  SpectrogramHistory& History() { return m_history; }
  const SpectrogramHistory& History() const { return m_history; }

  // Forgets the frames and the history; the next Feed starts afresh.
  void Reset();

 private:
  void Transform();

  SpectrogramSettings m_settings;
  RealFft m_fft;
  int m_nHop;
  std::vector<double> m_weights;
  double m_dWeightSum = 0;
  std::vector<double> m_ring[2];  // fftSize frames a channel, frame f at f mod fftSize
  std::vector<double> m_windowed;
  std::vector<Complex> m_bins;
  SpectrogramHistory m_history;
  bool m_bStarted = false;
  uint64_t m_nNext = 0;         // next frame expected
  uint64_t m_nWindowStart = 0;  // first frame of the next transform
  int64_t m_nTransforms = 0;
};
