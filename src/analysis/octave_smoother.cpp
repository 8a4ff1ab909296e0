#include "analysis/octave_smoother.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/spectrum_levels.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

OctaveSmoother::OctaveSmoother(int bins) {
  const std::size_t n = bins > 0 ? static_cast<std::size_t>(bins) : 0;
  m_sum.assign(n + 1, 0.0);
  m_count.assign(n + 1, 0.0);
  m_work.assign(n, 0.0);
}

void OctaveSmoother::Smooth(const double* in, double* out, int count, int fraction) {
  count = std::clamp(count, 0, static_cast<int>(m_work.size()));
  if (count == 0) return;
  if (fraction <= 0) {
    if (out != in) std::copy(in, in + count, out);
    return;
  }
  fraction = std::clamp(fraction, kMinFraction, kMaxFraction);
  m_sum[0] = m_count[0] = 0;
  for (int k = 0; k < count; ++k) {
    const bool valid = !std::isnan(in[k]);
    m_sum[k + 1] = m_sum[k] + (valid ? in[k] : 0.0);
    m_count[k + 1] = m_count[k] + (valid ? 1.0 : 0.0);
  }
  // Prefix sums at a continuous position x (in bins, bin k covering k - 0.5 .. k + 0.5).
  const auto at = [&](const std::vector<double>& prefix, double x) {
    const double p = std::clamp(x + 0.5, 0.0, static_cast<double>(count));
    const int whole = std::min(static_cast<int>(p), count - 1);
    return prefix[whole] + (p - whole) * (prefix[whole + 1] - prefix[whole]);
  };
  const double half = std::exp2(0.5 / fraction);
  for (int k = 0; k < count; ++k) {
    const double lo = k / half, hi = k * half;
    if (hi - lo <= 1.0) {
      m_work[k] = in[k];
      continue;
    }
    const double weight = at(m_count, hi) - at(m_count, lo);
    m_work[k] = weight > 1e-12 ? (at(m_sum, hi) - at(m_sum, lo)) / weight : kNaN;
  }
  std::copy(m_work.begin(), m_work.begin() + count, out);
}

void OctaveSmoother::SmoothTrace(ResponseTrace& trace, int fraction) {
  if (fraction <= 0) return;
  const int count = std::min(trace.Points(), static_cast<int>(m_work.size()));
  for (int k = 0; k < count; ++k) {
    const double db = trace.gainDb[k];
    trace.gainDb[k] = std::isnan(db) ? db : std::pow(10.0, db / 10.0);
  }
  Smooth(trace.gainDb.data(), trace.gainDb.data(), count, fraction);
  for (int k = 0; k < count; ++k) {
    const double p = trace.gainDb[k];
    if (!std::isnan(p)) trace.gainDb[k] = p > 0 ? 10.0 * std::log10(p) : kLevelFloorDb;
  }
  Smooth(trace.phaseUnwrappedDeg.data(), trace.phaseUnwrappedDeg.data(), count, fraction);
  for (int k = 0; k < count; ++k) trace.phaseDeg[k] = WrapDegrees(trace.phaseUnwrappedDeg[k]);
  Smooth(trace.coherence.data(), trace.coherence.data(), count, fraction);
  Smooth(trace.groupDelaySeconds.data(), trace.groupDelaySeconds.data(), count, fraction);
}
