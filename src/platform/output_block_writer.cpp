#include "platform/output_block_writer.h"

#include <algorithm>
#include <cmath>

const char* OutputSampleFormatName(OutputSampleFormat format) {
  switch (format) {
    case OutputSampleFormat::Float32:
      return "32-bit float";
    case OutputSampleFormat::Int24:
      return "24-bit";
    case OutputSampleFormat::Int16:
      return "16-bit";
  }
  return "";
}

OutputBlockWriter::OutputBlockWriter(OutputSampleFormat format, int deviceChannels,
                                     size_t pieceFrames)
    : m_format(format),
      m_deviceChannels(std::max(1, deviceChannels)),
      m_pieceFrames(std::max<size_t>(1, pieceFrames)),
      m_piece(2 * m_pieceFrames) {}

void OutputBlockWriter::Fill(void* out, size_t frames, bool underflowed, RenderFn render,
                             void* context) {
  if (underflowed) ++m_underruns;
  auto* bytes = static_cast<uint8_t*>(out);
  auto* floats = static_cast<float*>(out);
  auto* shorts = static_cast<int16_t*>(out);
  while (frames > 0) {
    const size_t n = std::min(frames, m_pieceFrames);
    render(context, m_piece.data(), n);
    // Digital silence (the output off) stays exact silence rather than dither noise.
    const bool silent =
        std::all_of(m_piece.begin(), m_piece.begin() + 2 * n, [](float v) { return v == 0.0f; });
    for (size_t i = 0; i < n; ++i) {
      for (int c = 0; c < m_deviceChannels; ++c) {
        const float v = c < 2 ? m_piece[2 * i + c] : 0.0f;
        switch (m_format) {
          case OutputSampleFormat::Float32:
            *floats++ = v;
            break;
          case OutputSampleFormat::Int16:
            // The channels it does not use stay digital silence, not dither noise.
            *shorts++ = c < 2 && !silent ? m_dither.Quantise(v) : int16_t{0};
            break;
          case OutputSampleFormat::Int24: {
            // Packed little-endian; the 24-bit step is far below any analogue noise floor, so
            // rounding is enough.
            const auto s = static_cast<int32_t>(
                std::clamp(std::lround(static_cast<double>(v) * 8388607.0), -8388608L, 8388607L));
            *bytes++ = static_cast<uint8_t>(s & 0xFF);
            *bytes++ = static_cast<uint8_t>((s >> 8) & 0xFF);
            *bytes++ = static_cast<uint8_t>((s >> 16) & 0xFF);
            break;
          }
        }
      }
    }
    frames -= n;
  }
}
