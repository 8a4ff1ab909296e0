#include "chart/chart_math.h"

#include <cmath>
#include <cstdio>

int TruncToPixel(double v) {
  constexpr double kLimit = 32768.0;
  if (std::isnan(v)) return 0;
  if (v > kLimit) return static_cast<int>(kLimit);
  if (v < -kLimit) return static_cast<int>(-kLimit);
  return static_cast<int>(v);
}

QPoint MapDataToPixel(double x, double y, double xmin, double ymin, double xUnitsPerPixel,
                      double yUnitsPerPixel, const DcRect& plot) {
  int px = TruncToPixel((x - xmin) / xUnitsPerPixel) + plot.left;
  int py = plot.bottom - TruncToPixel((y - ymin) / yUnitsPerPixel);
  return QPoint(px, py);
}

namespace {
std::string Format(const char* format, double v) {
  char buffer[400];  // wide enough for any double in %f
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}
}  // namespace

std::string FormatYTickLabel(double v) { return Format("%5.2f", v); }
std::string FormatXTickLabel(double v) { return Format("%5.1f", v); }
std::string FormatCursorValue(double v) { return Format("%.2lf", v); }
std::string FormatDepthLabel(double v) { return Format("%.1f", v); }

double DegreesToRadians(double degrees) { return degrees * (4.0 * std::atan(1.0)) / 180.0; }

ProjectedPoint ProjectOblique(double x, double y, double z, double thetaXDeg, double thetaZDeg,
                              double depthFactor, double yPerX) {
  double tx = DegreesToRadians(thetaXDeg);
  double tz = DegreesToRadians(thetaZDeg);
  ProjectedPoint p;
  p.x = std::cos(tz) * depthFactor * z + std::cos(tx) * x;
  p.y = (std::sin(tz) * depthFactor * z + std::sin(tx) * x) * yPerX + y;
  return p;
}
