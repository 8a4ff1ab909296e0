#include "analysis/spectrum_markers.h"

#include <algorithm>
#include <cmath>

namespace {

// The level of the bin nearest `bin`, as the trace shows it there.
SpectrumPeak BinReading(const double* magnitudes, int count, double bin) {
  const int k = std::clamp(static_cast<int>(std::lround(bin)), 0, count - 1);
  return SpectrumPeak{bin, magnitudes[k]};
}

}  // namespace

bool AddPeakMarker(const double* magnitudes, int count, const WindowLobe& lobe, MarkerSet& set) {
  if (magnitudes == nullptr || count < 3) return false;
  if (static_cast<int>(set.bins.size()) >= MarkerSet::kMaxMarkers) return false;
  const int separation = DefaultPeakSeparation(lobe);
  // Enough peaks to skip the ones the markers already stand on.
  const std::vector<SpectrumPeak> peaks =
      FindSpectrumPeaks(magnitudes, count, lobe, MarkerSet::kMaxMarkers * 4, separation);
  double below = HUGE_VAL;
  if (!set.bins.empty()) {
    SpectrumPeak last;
    if (!ReadPeakNear(magnitudes, count, lobe, set.bins.back(), separation, last)) {
      last = BinReading(magnitudes, count, set.bins.back());
    }
    below = last.magnitude;
  }
  for (const SpectrumPeak& p : peaks) {
    if (!(p.magnitude < below)) continue;
    bool clear = true;
    for (double b : set.bins) clear = clear && std::fabs(p.bin - b) >= separation;
    if (!clear) continue;
    set.bins.push_back(p.bin);
    return true;
  }
  return false;
}

std::vector<SpectrumPeak> ReadMarkers(const double* magnitudes, int count, const WindowLobe& lobe,
                                      MarkerSet& set) {
  std::vector<SpectrumPeak> readings;
  if (magnitudes == nullptr || count < 3) return readings;
  const int radius = DefaultPeakSeparation(lobe);
  for (std::size_t i = 0; i < set.bins.size(); ++i) {
    SpectrumPeak p;
    bool found = false;
    if (i == 0 && set.continuous) {
      const std::vector<SpectrumPeak> top = FindSpectrumPeaks(magnitudes, count, lobe, 1, radius);
      found = !top.empty();
      if (found) p = top.front();
    }
    if (!found) found = ReadPeakNear(magnitudes, count, lobe, set.bins[i], radius, p);
    if (!found) p = BinReading(magnitudes, count, set.bins[i]);
    set.bins[i] = p.bin;
    readings.push_back(p);
  }
  return readings;
}
