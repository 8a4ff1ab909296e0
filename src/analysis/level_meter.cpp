#include "analysis/level_meter.h"

#include <cmath>

double ToDbfs(double ratio) {
  if (!(ratio > 0)) return LevelMeter::kFloorDb;
  const double db = 20.0 * std::log10(ratio);
  return db < LevelMeter::kFloorDb ? LevelMeter::kFloorDb : db;
}

void LevelMeter::Measure(const unsigned char* frames, std::size_t count, int channels, int bits,
                         double nowMs) {
  const int width = bits == 8 ? 1 : 2;
  const double fullScale = bits == 8 ? 128.0 : 32768.0;
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
      int v;
      if (width == 1) {
        v = static_cast<int>(p[0]) - 128;
        clipped = clipped || p[0] == 0 || p[0] == 255;
      } else {
        v = static_cast<short>(static_cast<unsigned short>(p[0] | (p[1] << 8)));
        clipped = clipped || v == 32767 || v == -32768;
      }
      const double a = std::fabs(static_cast<double>(v));
      if (a > peak) peak = a;
      squares += static_cast<double>(v) * v;
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
