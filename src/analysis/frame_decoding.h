#pragma once

#include <cstddef>

// Filter choices of the FilterType setting.
enum FilterKind { kFilterNone = 1, kFilterLowPass = 2, kFilterHighPass = 3 };

// Largest absolute and smallest value of each channel's frame after filtering. The minima
// never exceed 0; with one channel the right fields are 0.
struct FramePeaks {
  double m_dLeftPeak = 0;
  double m_dLeftMin = 0;
  double m_dRightPeak = 0;
  double m_dRightMin = 0;
};

// Everything that decides how a capture buffer becomes a frame.
struct FrameFormat {
  int channels = 2;        // 1 or 2
  int bits = 16;           // 8 (unsigned, 128 is zero) or 16 (signed little-endian)
  int samplesPerView = 0;  // n, frame length
  float timeBase = 1;      // frames between taken samples
  int filterType = kFilterNone;
  unsigned sampleRate = 44100;
  int freqPoint = 10000;  // filter corner in hertz
};

// Decodes n samples per channel from an interleaved PCM buffer of byteLength bytes, taking
// every timeBase-th frame (offsets computed in float and truncated), runs the chosen filter
// and returns the peaks. right may be null (it is ignored with one channel). A sample whose
// frame would lie outside the buffer (time base too large, negative or not a number) is not
// read: it and every later sample are set to 0.
FramePeaks DecodeFrame(const unsigned char* buffer, std::size_t byteLength,
                       const FrameFormat& format, double* left, double* right);

// The largest absolute value (peak) of count values, and their smallest value but never above 0
// (minimum): the figures the display's readouts show of a frame.
void FindPeak(const double* values, int count, double& peak, double& minimum);

// A raw sample value in millivolts for a full-scale calibration of voltValue counts per volt.
inline double ToMillivolts(double value, int voltValue) { return value * 1000.0 / voltValue; }
