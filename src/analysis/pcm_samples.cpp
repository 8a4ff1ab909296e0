#include "analysis/pcm_samples.h"

void DecodeChannel(const unsigned char* frames, std::size_t count, int channels, int bits,
                   int channel, double* out) {
  if (frames == nullptr || out == nullptr || channel < 0 || channel >= channels) return;
  const std::size_t width = SampleBytes(bits);
  const std::size_t stride = width * static_cast<std::size_t>(channels);
  const unsigned char* p = frames + width * static_cast<std::size_t>(channel);
  for (std::size_t i = 0; i < count; ++i, p += stride) out[i] = DecodeSample(p, bits);
}
