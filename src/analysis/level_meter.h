#pragma once

#include <cstddef>

// The input level of each channel: peak and RMS in dBFS of the frames measured last, and a clip
// indication held for a second after any sample at full scale. Full scale is the largest count
// of the sample width (32768 for 16 bit, 128 for 8 bit), so a full-scale sine reads 0 dBFS peak
// and -3 dBFS RMS.
class LevelMeter {
 public:
  static constexpr double kFloorDb = -120;  // silence reads this, never minus infinity
  static constexpr double kClipHoldMs = 1000;

  // Measures count interleaved PCM frames (8 bit unsigned around 128, or 16 bit signed little
  // endian; channels 1 or 2) taken at nowMs. No frames: the levels fall to the floor.
  void Measure(const unsigned char* frames, std::size_t count, int channels, int bits,
               double nowMs);
  double PeakDb(int channel) const { return m_peakDb[channel & 1]; }
  double RmsDb(int channel) const { return m_rmsDb[channel & 1]; }
  // True while a full-scale sample of the channel is less than kClipHoldMs old at nowMs.
  bool Clipping(int channel, double nowMs) const;
  // Forgets everything, also the clip hold.
  void Reset();

 private:
  double m_peakDb[2] = {kFloorDb, kFloorDb};
  double m_rmsDb[2] = {kFloorDb, kFloorDb};
  double m_clipAtMs[2] = {-1e300, -1e300};
};

// A level relative to full scale in decibels, kFloorDb at or below the floor.
double ToDbfs(double ratio);
