#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/tpdf_dither.h"

// The sample formats an output device is opened with, best first.
enum class OutputSampleFormat { Float32, Int24, Int16 };
const char* OutputSampleFormatName(OutputSampleFormat format);

// Fills an output device's blocks from a renderer of two-channel float frames: converts them to
// the device's format and channel count (a mono device plays the left channel, channels past the
// second stay silent), with triangular dither at 16 bits, and counts the blocks the device
// reports it ran dry before. Memory is taken at construction; Fill allocates nothing.
class OutputBlockWriter {
 public:
  using RenderFn = void (*)(void* context, float* frames, size_t count);

  OutputBlockWriter(OutputSampleFormat format, int deviceChannels, size_t pieceFrames = 256);

  // Writes frames frames into out (interleaved, in the device's format). underflowed: the device
  // said that it ran out of samples before this block.
  void Fill(void* out, size_t frames, bool underflowed, RenderFn render, void* context);

  OutputSampleFormat Format() const { return m_format; }
  uint64_t Underruns() const { return m_underruns; }

 private:
  OutputSampleFormat m_format;
  int m_deviceChannels;
  size_t m_pieceFrames;
  std::vector<float> m_piece;
  TpdfDither m_dither;
  uint64_t m_underruns = 0;
};
