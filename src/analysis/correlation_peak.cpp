#include "analysis/correlation_peak.h"

#include <cmath>
#include <numbers>

namespace {

struct Derivatives {
  double value = 0;
  double first = 0;
  double second = 0;
};

// r(t) and its first two derivatives in one pass over the bins. e^(j w_k t) comes from a
// rotation, re-seeded from cos and sin every 1024 bins so that rounding cannot build up.
Derivatives Evaluate(const Complex* s, int bins, double t) {
  const int n = 2 * (bins - 1);
  const double step = 2.0 * std::numbers::pi / n;
  const double rotRe = std::cos(step * t);
  const double rotIm = std::sin(step * t);
  double pRe = 1, pIm = 0;
  Derivatives d;
  for (int k = 0; k < bins; ++k) {
    if ((k & 1023) == 0) {
      const double a = std::fmod(step * k * t, 2.0 * std::numbers::pi);
      pRe = std::cos(a);
      pIm = std::sin(a);
    }
    const double c = (k == 0 || k == bins - 1) ? 1.0 : 2.0;
    const double w = step * k;
    const double re = s[k].re * pRe - s[k].im * pIm;
    const double im = s[k].re * pIm + s[k].im * pRe;
    d.value += c * re;
    d.first -= c * w * im;
    d.second -= c * w * w * re;
    const double nextRe = pRe * rotRe - pIm * rotIm;
    pIm = pRe * rotIm + pIm * rotRe;
    pRe = nextRe;
  }
  return d;
}

}  // namespace

int LargestLag(const double* correlation, int n) {
  if (n < 1) return 0;
  int best = 0;
  for (int i = 1; i < n; ++i) {
    if (std::fabs(correlation[i]) > std::fabs(correlation[best])) best = i;
  }
  return best >= n / 2 && n > 1 ? best - n : best;
}

double RefineLag(const Complex* spectrum, int bins, int lag) {
  if (bins < 2) return lag;
  const Derivatives centre = Evaluate(spectrum, bins, lag);
  // A maximum wants r'' < 0, a minimum (a device that inverts) r'' > 0.
  const double sign = centre.value >= 0 ? 1.0 : -1.0;
  double t = lag;
  Derivatives d = centre;
  bool settled = false;
  for (int i = 0; i < 12; ++i) {
    if (!(sign * d.second < 0)) break;
    const double next = t - d.first / d.second;
    if (!(std::fabs(next - lag) <= 1.0)) break;
    if (std::fabs(next - t) < 1e-9) {
      t = next;
      settled = true;
      break;
    }
    t = next;
    d = Evaluate(spectrum, bins, t);
  }
  if (settled) return t;
  const double before = Evaluate(spectrum, bins, lag - 1).value;
  const double after = Evaluate(spectrum, bins, lag + 1).value;
  const double curvature = before - 2 * centre.value + after;
  if (curvature == 0) return lag;
  const double offset = 0.5 * (before - after) / curvature;
  return std::fabs(offset) <= 1 ? lag + offset : lag;
}
