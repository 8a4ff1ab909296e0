#include "analysis/response_display.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

void LogFrequencyGrid(double lo, double hi, int count, std::vector<double>& out) {
  count = std::max(count, 2);
  out.resize(static_cast<std::size_t>(count));
  const double ratio = std::log(hi / lo) / (count - 1);
  for (int i = 0; i < count; ++i) out[i] = lo * std::exp(ratio * i);
  out[count - 1] = hi;
}

void SampleOnGrid(const std::vector<double>& frequencyHz, const std::vector<double>& values,
                  const std::vector<double>& grid, std::vector<double>& out) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  out.assign(grid.size(), nan);
  const std::size_t n = std::min(frequencyHz.size(), values.size());
  std::size_t k = 0;
  // The first positive frequency: 0 Hz has no place on a log axis.
  while (k < n && !(frequencyHz[k] > 0)) ++k;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const double f = grid[i];
    while (k + 1 < n && frequencyHz[k + 1] < f) ++k;
    if (k >= n || f < frequencyHz[k]) continue;
    if (f == frequencyHz[k]) {
      out[i] = values[k];
      continue;
    }
    if (k + 1 >= n) continue;
    const double f0 = frequencyHz[k], f1 = frequencyHz[k + 1];
    if (f > f1) continue;
    const double t = std::log(f / f0) / std::log(f1 / f0);
    out[i] = values[k] + t * (values[k + 1] - values[k]);  // NaN when either is NaN
  }
}

void ImpulseFromTrace(const ResponseTrace& trace, double delaySamples, RealInverseFft& inverse,
                      std::vector<Complex>& work, std::vector<double>& out) {
  const int n = inverse.Size();
  const int bins = n / 2 + 1;
  work.assign(static_cast<std::size_t>(bins), Complex{0, 0});
  out.assign(static_cast<std::size_t>(n), 0.0);
  if (n == 0) return;
  const int points = std::min(bins, trace.Points());
  for (int k = 0; k < points; ++k) {
    const double g = trace.gainDb[k], p = trace.phaseDeg[k];
    if (!std::isfinite(g) || !std::isfinite(p)) continue;
    const double angle =
        p * std::numbers::pi / 180.0 - 2.0 * std::numbers::pi * k * delaySamples / n;
    const double magnitude = std::pow(10.0, g / 20.0);
    work[k] = {magnitude * std::cos(angle), magnitude * std::sin(angle)};
  }
  inverse.Inverse(work.data(), out.data());
}

void CutAround(const std::vector<double>& h, int zero, int pre, int post,
               std::vector<double>& out) {
  const int n = static_cast<int>(h.size());
  out.assign(static_cast<std::size_t>(std::max(0, pre + post)), 0.0);
  if (n == 0) return;
  for (int i = -pre; i < post; ++i) out[i + pre] = h[((zero + i) % n + n) % n];
}

void RangeOf(const std::vector<double>& values, double step, double span, double& lo, double& hi) {
  double a = INFINITY, b = -INFINITY;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    a = std::min(a, v);
    b = std::max(b, v);
  }
  if (!(a <= b)) {
    hi = lo + span;
    return;
  }
  lo = std::floor(a / step) * step;
  hi = std::ceil(b / step) * step;
  if (hi - lo < span) {
    const double middle = std::round((a + b) / 2 / step) * step;
    lo = middle - std::ceil(span / 2 / step) * step;
    hi = lo + std::ceil(span / step) * step;
  }
}
