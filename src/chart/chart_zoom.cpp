#include "chart/chart_zoom.h"

#include <algorithm>
#include <cmath>

double PixelToDataX(int px, const ZoomWindow& w, const DcRect& plot) {
  const int width = plot.right - plot.left;
  return width > 0 ? w.x0 + (px - plot.left) * (w.x1 - w.x0) / width : w.x0;
}

double PixelToDataY(int py, const ZoomWindow& w, const DcRect& plot) {
  const int height = plot.bottom - plot.top;
  return height > 0 ? w.y0 + (plot.bottom - py) * (w.y1 - w.y0) / height : w.y0;
}

namespace {

void ClampAxis(double& a, double& b, double lo, double hi) {
  const double full = hi - lo;
  double span = std::clamp(b - a, full * kMinZoomSpan, full);
  if (!std::isfinite(a) || !std::isfinite(b)) {
    a = lo;
    b = hi;
    return;
  }
  const double middle = 0.5 * (a + b);
  a = middle - 0.5 * span;
  b = middle + 0.5 * span;
  if (a < lo) {
    a = lo;
    b = lo + span;
  }
  if (b > hi) {
    b = hi;
    a = hi - span;
  }
}

}  // namespace

ZoomWindow ClampZoom(const ZoomWindow& w, const ZoomWindow& full) {
  ZoomWindow r = w;
  ClampAxis(r.x0, r.x1, full.x0, full.x1);
  ClampAxis(r.y0, r.y1, full.y0, full.y1);
  return r;
}

ZoomWindow ZoomAbout(const ZoomWindow& w, const ZoomWindow& full, double cx, double cy, double fx,
                     double fy) {
  ZoomWindow r;
  r.x0 = cx - (cx - w.x0) * fx;
  r.x1 = cx + (w.x1 - cx) * fx;
  r.y0 = cy - (cy - w.y0) * fy;
  r.y1 = cy + (w.y1 - cy) * fy;
  // Held at the minimum span, the window keeps the point where it was instead of drifting.
  const double minX = (full.x1 - full.x0) * kMinZoomSpan;
  if (r.x1 - r.x0 < minX) {
    const double t = (cx - w.x0) / (w.x1 - w.x0);
    r.x0 = cx - t * minX;
    r.x1 = r.x0 + minX;
  }
  const double minY = (full.y1 - full.y0) * kMinZoomSpan;
  if (r.y1 - r.y0 < minY) {
    const double t = (cy - w.y0) / (w.y1 - w.y0);
    r.y0 = cy - t * minY;
    r.y1 = r.y0 + minY;
  }
  return ClampZoom(r, full);
}

ZoomWindow PanByPixels(const ZoomWindow& w, const ZoomWindow& full, const DcRect& plot, QPoint from,
                       QPoint to) {
  const double dx = PixelToDataX(from.x(), w, plot) - PixelToDataX(to.x(), w, plot);
  const double dy = PixelToDataY(from.y(), w, plot) - PixelToDataY(to.y(), w, plot);
  return ClampZoom(ZoomWindow{w.x0 + dx, w.x1 + dx, w.y0 + dy, w.y1 + dy}, full);
}

ZoomWindow ZoomToBand(const ZoomWindow& w, const ZoomWindow& full, const DcRect& plot, QPoint a,
                      QPoint b, int minPixels) {
  if (std::abs(a.x() - b.x()) < minPixels || std::abs(a.y() - b.y()) < minPixels) return w;
  const int left = std::max(std::min(a.x(), b.x()), plot.left);
  const int right = std::min(std::max(a.x(), b.x()), plot.right);
  const int top = std::max(std::min(a.y(), b.y()), plot.top);
  const int bottom = std::min(std::max(a.y(), b.y()), plot.bottom);
  if (right - left < minPixels || bottom - top < minPixels) return w;
  ZoomWindow r{PixelToDataX(left, w, plot), PixelToDataX(right, w, plot),
               PixelToDataY(bottom, w, plot), PixelToDataY(top, w, plot)};
  return ClampZoom(r, full);
}

double WheelZoomFactor(double steps) { return std::pow(0.8, steps); }

bool ClipSegment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1,
                 double y1) {
  const double dx = bx - ax;
  const double dy = by - ay;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const double sx = ax, sy = ay;
  ax = sx + t0 * dx;
  ay = sy + t0 * dy;
  bx = sx + t1 * dx;
  by = sy + t1 * dy;
  return true;
}
