#include "analysis/response_trace.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void ResponseTrace::Resize(int points) {
  const std::size_t n = points > 0 ? static_cast<std::size_t>(points) : 0;
  for (std::vector<double>* v :
       {&frequencyHz, &gainDb, &phaseDeg, &phaseUnwrappedDeg, &coherence, &groupDelaySeconds}) {
    v->assign(n, kNaN);
  }
}

double WrapDegrees(double degrees) {
  if (!std::isfinite(degrees)) return degrees;
  double w = std::fmod(degrees, 360.0);
  if (w <= -180.0) w += 360.0;
  if (w > 180.0) w -= 360.0;
  return w;
}

void UnwrapDegrees(const double* wrapped, double* out, int count) {
  double previousWrapped = kNaN;
  double previousOut = kNaN;
  for (int i = 0; i < count; ++i) {
    const double w = wrapped[i];
    if (std::isnan(w)) {
      out[i] = w;
      continue;
    }
    const double value =
        std::isnan(previousWrapped) ? w : previousOut + WrapDegrees(w - previousWrapped);
    previousWrapped = w;
    previousOut = value;
    out[i] = value;
  }
}

double ValueAtFrequency(const std::vector<double>& frequencyHz, const std::vector<double>& values,
                        double f) {
  const std::size_t n = std::min(frequencyHz.size(), values.size());
  if (!(f > 0) || n == 0) return kNaN;
  const auto end = frequencyHz.begin() + static_cast<std::ptrdiff_t>(n);
  const auto upper = std::lower_bound(frequencyHz.begin(), end, f);
  if (upper == end) return kNaN;
  const std::size_t hi = static_cast<std::size_t>(upper - frequencyHz.begin());
  if (frequencyHz[hi] == f) return values[hi];
  if (hi == 0 || !(frequencyHz[hi - 1] > 0)) return kNaN;
  const double f0 = frequencyHz[hi - 1];
  const double f1 = frequencyHz[hi];
  const double x = std::log(f / f0) / std::log(f1 / f0);
  return values[hi - 1] + x * (values[hi] - values[hi - 1]);
}

void DifferenceFromReference(const ResponseTrace& trace, const ResponseTrace& reference,
                             ResponseTrace& out) {
  const int n = trace.Points();
  out.Resize(n);
  const auto at = [&](const std::vector<double>& v, int i) {
    return i < static_cast<int>(v.size()) ? v[i] : kNaN;
  };
  for (int i = 0; i < n; ++i) {
    const double f = trace.frequencyHz[i];
    out.frequencyHz[i] = f;
    out.gainDb[i] =
        at(trace.gainDb, i) - ValueAtFrequency(reference.frequencyHz, reference.gainDb, f);
    // The unwrapped phases are interpolated: between two wrapped values across +-180 the
    // interpolation would pass through zero.
    const double phase = at(trace.phaseUnwrappedDeg, i) -
                         ValueAtFrequency(reference.frequencyHz, reference.phaseUnwrappedDeg, f);
    out.phaseDeg[i] = WrapDegrees(phase);
    out.coherence[i] = std::fmin(at(trace.coherence, i),
                                 ValueAtFrequency(reference.frequencyHz, reference.coherence, f));
    if (std::isnan(at(trace.coherence, i)) ||
        std::isnan(ValueAtFrequency(reference.frequencyHz, reference.coherence, f))) {
      out.coherence[i] = kNaN;
    }
    out.groupDelaySeconds[i] =
        at(trace.groupDelaySeconds, i) -
        ValueAtFrequency(reference.frequencyHz, reference.groupDelaySeconds, f);
  }
  UnwrapDegrees(out.phaseDeg.data(), out.phaseUnwrappedDeg.data(), n);
}
