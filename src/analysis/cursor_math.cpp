#include "analysis/cursor_math.h"

#include <cmath>

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

// The value at t of the cubic through (xs[k], ys[k]), k = 0..3.
double Lagrange4(const double* xs, const double* ys, double t) {
  double sum = 0;
  for (int k = 0; k < 4; ++k) {
    double term = ys[k];
    for (int m = 0; m < 4; ++m) {
      if (m != k) term *= (t - xs[m]) / (xs[k] - xs[m]);
    }
    sum += term;
  }
  return sum;
}

// Where the trace crosses level between samples i and i + 1 (whose values lie on either side).
double CrossingBetween(const double* x, const double* y, int n, int i, double level) {
  const double a = y[i] - level, b = y[i + 1] - level;
  const double linear = a == b ? x[i] : x[i] + (x[i + 1] - x[i]) * a / (a - b);
  if (i < 1 || i + 2 >= n) return linear;
  const double* xs = x + i - 1;
  const double* ys = y + i - 1;
  if (!(xs[0] < xs[1] && xs[1] < xs[2] && xs[2] < xs[3])) return linear;
  // The cubic takes the samples' values at both ends, so the crossing lies between them; a
  // bisection finds it without relying on the cubic being monotonic there.
  double lo = x[i], hi = x[i + 1];
  double flo = a;
  for (int step = 0; step < 60; ++step) {
    const double mid = 0.5 * (lo + hi);
    const double fm = Lagrange4(xs, ys, mid) - level;
    if ((fm < 0) == (flo < 0)) {
      lo = mid;
      flo = fm;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
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
  // The highest and lowest samples within radius, when they stand out on both sides.
  if (last - first >= 2) {
    int top = first, bottom = first;
    for (int i = first; i <= last; ++i) {
      if (y[i] > y[top]) top = i;
      if (y[i] < y[bottom]) bottom = i;
    }
    const double edgeHigh = std::fmax(y[first], y[last]);
    const double edgeLow = std::fmin(y[first], y[last]);
    if (top > first && top < last && y[top] - edgeHigh >= 0.1 * span) {
      double vx = 0, vy = 0;
      ParabolaVertex(x, y, top, vx, vy);
      consider(SnapResult::kPeak, vx, vy);
    }
    if (bottom > first && bottom < last && edgeLow - y[bottom] >= 0.1 * span) {
      double vx = 0, vy = 0;
      ParabolaVertex(x, y, bottom, vx, vy);
      consider(SnapResult::kTrough, vx, vy);
    }
  }
  return result;
}
