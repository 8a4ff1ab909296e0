#include "view/large_spectrum.h"

#include <algorithm>

#include "analysis/spectrum_levels.h"

LargeSpectrum::LargeSpectrum(int order, int window, int countIn, int channels,
                             const AverageSettings& average)
    : fft(order), count(std::clamp(countIn, 1, std::max(1, 1 << order))) {
  const int size = fft.Size();
  const int half = size / 2 + 1;
  weights = WindowWeights(window, count);
  for (double w : weights) weightSum += w;
  raw.assign(static_cast<std::size_t>(count) * 2 * static_cast<std::size_t>(channels), 0);
  for (auto& s : samples) s.assign(count, 0.0);
  windowed.assign(size, 0.0);
  for (auto& b : bins) b.assign(half, Complex{0, 0});
  power.assign(half, 0.0);
  for (auto& a : averager) a.Reset(half, average);
  x.assign(half, 0.0);
  loudest.assign(half, 0.0);
  picked.reserve(static_cast<std::size_t>(half) + 2);
}
