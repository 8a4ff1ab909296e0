#include "analysis/frame_decoding.h"

#include <cmath>

#include "analysis/first_order_filter.h"
#include "analysis/pcm_samples.h"

void FindPeak(const double* values, int count, double& peak, double& minimum) {
  double hi = 0;
  double lo = 0;
  for (int i = 0; i < count; ++i) {
    if (values[i] > hi) hi = values[i];
    if (values[i] < lo) lo = values[i];
  }
  minimum = lo;
  peak = std::fabs(hi) > std::fabs(lo) ? std::fabs(hi) : std::fabs(lo);
}

FramePeaks DecodeFrame(const unsigned char* buffer, std::size_t byteLength,
                       const FrameFormat& format, double* left, double* right) {
  FramePeaks peaks;
  const int n = format.samplesPerView;
  if (n <= 0 || left == nullptr) return peaks;
  const bool stereo = format.channels == 2;
  const int bits = format.bits;
  if (!stereo) right = nullptr;
  const int width = static_cast<int>(SampleBytes(bits));
  const int frameBytes = (stereo ? 2 : 1) * width;
  const float t = format.timeBase;

  int i = 0;
  for (; i < n; ++i) {
    // The product is formed in float as the time base is, then truncated toward zero.
    const float product = t * static_cast<float>(frameBytes * i);
    const double offset = std::trunc(static_cast<double>(product));
    // Compared as doubles first so that a NaN or huge offset is never converted to an integer.
    if (buffer == nullptr || !(offset >= 0) ||
        offset + frameBytes > static_cast<double>(byteLength)) {
      break;
    }
    const unsigned char* p = buffer + static_cast<std::size_t>(offset);
    left[i] = DecodeSample(p, bits);
    if (right) right[i] = DecodeSample(p + width, bits);
  }
  for (; i < n; ++i) {
    left[i] = 0;
    if (right) right[i] = 0;
  }

  if (format.filterType == kFilterLowPass || format.filterType == kFilterHighPass) {
    const float corner = static_cast<float>(format.freqPoint);
    const FilterCoefficients c = format.filterType == kFilterLowPass
                                     ? DesignLowPass(format.sampleRate, corner)
                                     : DesignHighPass(format.sampleRate, corner);
    RunFirstOrderFilter(left, n, c);
    if (right) RunFirstOrderFilter(right, n, c);
  }

  FindPeak(left, n, peaks.m_dLeftPeak, peaks.m_dLeftMin);
  if (right) FindPeak(right, n, peaks.m_dRightPeak, peaks.m_dRightMin);
  return peaks;
}
