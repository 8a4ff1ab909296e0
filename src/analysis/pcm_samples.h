#pragma once

#include <cstddef>
#include <cstdint>

// The capture's sample coding, in one place: 8-bit samples are unsigned with 128 as zero,
// 16-bit samples signed little-endian; any other width reads as 16 bit. Values are raw counts,
// -128 .. 127 or -32768 .. 32767, as the converter gave them.

// Bytes one sample of the width takes.
inline std::size_t SampleBytes(int bits) { return bits == 8 ? 1 : 2; }

// The sample at p.
inline double DecodeSample(const unsigned char* p, int bits) {
  if (bits == 8) return static_cast<double>(p[0]) - 128.0;
  return static_cast<double>(
      static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))));
}

// Full scale of a sample width: the largest count, and so the peak a sine can reach, 128 for
// 8 bits and 32768 for 16.
inline double FullScale(int bits) { return bits == 8 ? 128.0 : 32768.0; }

// True for a decoded sample at either end of the width's range: the converter clipped it.
inline bool AtFullScale(double value, int bits) {
  const double limit = FullScale(bits);
  return value <= -limit || value >= limit - 1;
}

// Decodes count samples of channel (0 left, 1 right) from interleaved frames of channels
// samples each into out. A channel the frames do not have leaves out untouched.
void DecodeChannel(const unsigned char* frames, std::size_t count, int channels, int bits,
                   int channel, double* out);
