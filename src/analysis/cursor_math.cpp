#include "analysis/cursor_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>

CursorReadout ComputeCursorReadout(const CursorPositions& p) {
  CursorReadout r;
  if (p.x1On && p.x2On) {
    r.hasDx = true;
    r.dx = p.x2 - p.x1;
    if (r.dx != 0 && std::isfinite(r.dx)) {
      r.hasInvDx = true;
      r.invDx = 1.0 / std::fabs(r.dx);
    }
  }
  if (p.y1On && p.y2On) {
    r.hasDy = true;
    r.dy = p.y2 - p.y1;
  }
  return r;
}

bool TraceValueAt(const double* x, const double* y, int n, double at, double& value) {
  if (x == nullptr || y == nullptr || n <= 0 || !std::isfinite(at)) return false;
  if (n == 1) {
    if (x[0] != at || !std::isfinite(y[0])) return false;
    value = y[0];
    return true;
  }
  for (int i = 0; i + 1 < n; ++i) {
    const double a = x[i], b = x[i + 1];
    if (!((a <= at && at <= b) || (b <= at && at <= a))) continue;
    const double t = a == b ? 0.0 : (at - a) / (b - a);
    value = y[i] + t * (y[i + 1] - y[i]);
    return std::isfinite(value);
  }
  return false;
}

namespace {

// Half length, in samples, and shape of the windowed sinc that rebuilds the trace between its
// samples: a sound card's samples carry a band-limited signal, whose edges fall between them.
constexpr int kSincHalfLength = 16;
constexpr double kKaiserBeta = 6.0;

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
    if (term < 1e-17 * sum) break;
  }
  return sum;
}

// The band-limited trace at fractional sample t from the samples around it.
double SincAt(const double* y, int n, double t) {
  static const double kNorm = BesselI0(kKaiserBeta);
  const int base = static_cast<int>(std::floor(t));
  double sum = 0;
  for (int j = base - kSincHalfLength + 1; j <= base + kSincHalfLength; ++j) {
    if (j < 0 || j >= n) continue;
    const double d = t - j;
    if (d == 0) return y[j];
    const double r = d / kSincHalfLength;
    if (std::fabs(r) >= 1) continue;
    const double pd = std::numbers::pi * d;
    sum += y[j] * std::sin(pd) / pd * BesselI0(kKaiserBeta * std::sqrt(1 - r * r)) / kNorm;
  }
  return sum;
}

// True when the x of the samples around i are evenly spaced (to rounding).
bool EvenlySpaced(const double* x, int n, int i) {
  const int from = std::max(0, i - kSincHalfLength), to = std::min(n - 1, i + kSincHalfLength + 1);
  const double h = x[i + 1] - x[i];
  if (!(h > 0)) return false;
  for (int j = from; j < to; ++j) {
    if (std::fabs(x[j + 1] - x[j] - h) > 1e-6 * h) return false;
  }
  return true;
}

// Where the trace crosses level between samples i and i + 1 (whose values lie on either side).
double CrossingBetween(const double* x, const double* y, int n, int i, double level) {
  const double a = y[i] - level, b = y[i + 1] - level;
  if (!EvenlySpaced(x, n, i)) return x[i] + (x[i + 1] - x[i]) * a / (a - b);
  // The rebuilt trace passes through the samples, so the crossing lies between them; a bisection
  // finds it without relying on the trace being monotonic there.
  double lo = 0, hi = 1, flo = a;
  for (int step = 0; step < 50; ++step) {
    const double mid = 0.5 * (lo + hi);
    const double fm = SincAt(y, n, i + mid) - level;
    if ((fm < 0) == (flo < 0)) {
      lo = mid;
      flo = fm;
    } else {
      hi = mid;
    }
  }
  return x[i] + 0.5 * (lo + hi) * (x[i + 1] - x[i]);
}

// The vertex of the parabola through samples j - 1, j, j + 1.
void ParabolaVertex(const double* x, const double* y, int j, double& vx, double& vy) {
  const double x0 = x[j - 1], x1 = x[j], x2 = x[j + 1];
  const double y0 = y[j - 1], y1 = y[j], y2 = y[j + 1];
  const double d0 = (y1 - y0) / (x1 - x0), d1 = (y2 - y1) / (x2 - x1);
  const double curvature = (d1 - d0) / (x2 - x0);
  vx = x1;
  vy = y1;
  if (curvature == 0 || !std::isfinite(curvature)) return;
  // Slope at x1 of the parabola, then the step to where it vanishes.
  const double slope1 = d0 + curvature * (x1 - x0);
  const double step = -slope1 / (2 * curvature);
  if (std::fabs(step) > 0.5 * (x2 - x0)) return;
  vx = x1 + step;
  vy = y1 + slope1 * step + curvature * step * step;
}

// The least-squares parabola c0 + c1 u + c2 u^2 (u = x - at) through samples first..last, and
// the root mean square of what it leaves. False when the samples do not fix one.
bool FitParabola(const double* x, const double* y, int first, int last, double at, double c[3],
                 double& residual) {
  double s[5] = {0, 0, 0, 0, 0}, t[3] = {0, 0, 0};
  for (int i = first; i <= last; ++i) {
    const double u = x[i] - at;
    double p = 1;
    for (int k = 0; k < 5; ++k) {
      s[k] += p;
      if (k < 3) t[k] += p * y[i];
      p *= u;
    }
  }
  const double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d = det(m);
  if (!(std::fabs(d) > 0) || !std::isfinite(d)) return false;
  for (int k = 0; k < 3; ++k) {
    double mk[3][3];
    for (int r = 0; r < 3; ++r) {
      for (int col = 0; col < 3; ++col) mk[r][col] = col == k ? t[r] : m[r][col];
    }
    c[k] = det(mk) / d;
  }
  double sum = 0;
  for (int i = first; i <= last; ++i) {
    const double u = x[i] - at;
    const double e = y[i] - (c[0] + c[1] * u + c[2] * u * u);
    sum += e * e;
  }
  residual = std::sqrt(sum / (last - first + 1));
  return true;
}

}  // namespace

SnapResult SnapToTrace(const double* x, const double* y, int n, double at, double radius,
                       double context) {
  SnapResult result;
  result.x = at;
  if (x == nullptr || y == nullptr || n < 3 || !(radius > 0) || !std::isfinite(at)) return result;
  if (context < radius) context = radius;
  double lo = 0, hi = 0;
  bool any = false;
  int first = -1, last = -1;  // the samples within radius
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
    const double d = std::fabs(x[i] - at);
    if (d <= context) {
      if (!any || y[i] < lo) lo = y[i];
      if (!any || y[i] > hi) hi = y[i];
      any = true;
    }
    if (d <= radius) {
      if (first < 0) first = i;
      last = i;
    }
  }
  if (!any || !(hi > lo) || first < 0) return result;
  const double level = 0.5 * (lo + hi);
  const double span = hi - lo;
  double best = radius * (1 + 1e-12);
  auto consider = [&](SnapResult::Kind kind, double fx, double fy) {
    const double d = std::fabs(fx - at);
    if (d <= best) {
      best = d;
      result.kind = kind;
      result.x = fx;
      result.y = fy;
    }
  };
  // Crossings of the 50 % level, including the segments reaching just past the radius.
  const int from = first > 0 ? first - 1 : first;
  const int to = last + 1 < n ? last + 1 : last;
  for (int i = from; i < to; ++i) {
    const double a = y[i] - level, b = y[i + 1] - level;
    if (!std::isfinite(a) || !std::isfinite(b) || a == b) continue;
    if ((a < 0 && b >= 0) || (a >= 0 && b < 0)) {
      const double cx = CrossingBetween(x, y, n, i, level);
      consider(SnapResult::kEdge, cx, level);
    }
  }
  // A peak or trough: the least-squares parabola through the samples within radius has its
  // vertex among them and falls away from it on both sides by more than it misses the samples;
  // the position then comes from the top three samples.
  double c[3] = {0, 0, 0}, residual = 0;
  if (last - first >= 4 && FitParabola(x, y, first, last, at, c, residual) && c[2] != 0) {
    const double v = -c[1] / (2 * c[2]);
    const double u0 = x[first] - at, u1 = x[last] - at;
    if (v > u0 && v < u1) {
      auto fit = [&c](double u) { return c[0] + c[1] * u + c[2] * u * u; };
      const double left = std::fabs(fit(v) - fit(u0)), right = std::fabs(fit(v) - fit(u1));
      // The fall on the shorter side must stand clear of what the parabola leaves (noise, or a
      // shape that is no peak, as a step), the longer one be a real share of the span.
      if (std::fmax(left, right) >= 0.05 * span && std::fmin(left, right) >= 2 * residual) {
        const bool peak = c[2] < 0;
        int top = first;
        for (int i = first; i <= last; ++i) {
          if (peak ? y[i] > y[top] : y[i] < y[top]) top = i;
        }
        double vx = at + v, vy = fit(v);
        if (top > 0 && top + 1 < n) ParabolaVertex(x, y, top, vx, vy);
        consider(peak ? SnapResult::kPeak : SnapResult::kTrough, vx, vy);
      }
    }
  }
  return result;
}
