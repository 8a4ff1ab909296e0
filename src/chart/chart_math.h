#pragma once

#include <QPoint>
#include <string>

#include "platform/device_context.h"

// Pixel coordinates for a double: truncated toward zero, with a not-a-number giving 0 and
// anything beyond ±32768 (including the infinities) held at that bound, so that no value is
// ever converted to int outside its range.
int TruncToPixel(double v);

// Data to pixel: xmin on the plot's left edge, ymin on its bottom edge, y growing upward.
QPoint MapDataToPixel(double x, double y, double xmin, double ymin, double xUnitsPerPixel,
                      double yUnitsPerPixel, const DcRect& plot);

// Label texts: y tick ("%5.2f"), x tick ("%5.1f"), crosshair read-out ("%.2lf"), depth ("%.1f").
std::string FormatYTickLabel(double v);
std::string FormatXTickLabel(double v);
std::string FormatCursorValue(double v);
std::string FormatDepthLabel(double v);

struct ProjectedPoint {
  double x = 0;
  double y = 0;
};

// Oblique projection of (x, y, z) into the 2-D window's data units: the depth and x axes run
// at angles thetaX and thetaZ (degrees) on the screen, depth scaled by depthFactor into x units;
// yPerX (y units per pixel / x units per pixel) turns the offsets into y units.
ProjectedPoint ProjectOblique(double x, double y, double z, double thetaXDeg, double thetaZDeg,
                              double depthFactor, double yPerX);

// Degrees to radians with π = 4 × arctan(1).
double DegreesToRadians(double degrees);
