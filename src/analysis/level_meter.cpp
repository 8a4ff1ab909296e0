#include "analysis/level_meter.h"

#include <cmath>

#include "analysis/pcm_samples.h"

double ToDbfs(double ratio) {
  if (!(ratio > 0)) return LevelMeter::kFloorDb;
  const double db = 20.0 * std::log10(ratio);
  return db < LevelMeter::kFloorDb ? LevelMeter::kFloorDb : db;
}

void LevelMeter::Measure(const unsigned char* frames, std::size_t count, int channels, int bits,
                         double nowMs) {
  const int width = static_cast<int>(SampleBytes(bits));
  const double fullScale = FullScale(bits);
  const int stride = width * channels;
  for (int ch = 0; ch < 2; ++ch) {
    if (ch >= channels || count == 0) {
      m_peakDb[ch] = m_rmsDb[ch] = kFloorDb;
      continue;
    }
    double peak = 0, squares = 0;
    bool clipped = false;
    const unsigned char* p = frames + ch * width;
    for (std::size_t i = 0; i < count; ++i, p += stride) {
      const double v = DecodeSample(p, bits);
      clipped = clipped || AtFullScale(v, bits);
      const double a = std::fabs(v);
      if (a > peak) peak = a;
      squares += v * v;
    }
    m_peakDb[ch] = ToDbfs(peak / fullScale);
    m_rmsDb[ch] = ToDbfs(std::sqrt(squares / static_cast<double>(count)) / fullScale);
    if (clipped) m_clipAtMs[ch] = nowMs;
  }
}

bool LevelMeter::Clipping(int channel, double nowMs) const {
  const double at = m_clipAtMs[channel & 1];
  return nowMs >= at && nowMs - at < kClipHoldMs;
}

void LevelMeter::Reset() { *this = LevelMeter(); }
