#pragma once

#include <QPoint>

#include "platform/device_context.h"

// The data window a zoomed 2-D chart shows, and the arithmetic of the gestures that move it.
// Every result stays inside the full range the analysis set and keeps a span of at least
// kMinZoomSpan of it on each axis.
struct ZoomWindow {
  double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
  bool operator==(const ZoomWindow&) const = default;
};

constexpr double kMinZoomSpan = 1e-6;

// Data coordinates of a client pixel of the plot rectangle (the crosshair's rule: plot left is
// x0, plot bottom y0).
double PixelToDataX(int px, const ZoomWindow& w, const DcRect& plot);
double PixelToDataY(int py, const ZoomWindow& w, const DcRect& plot);

// Fits w inside full: spans no larger than full's and no smaller than the minimum, moved (not
// shrunk) back inside when it pokes out.
ZoomWindow ClampZoom(const ZoomWindow& w, const ZoomWindow& full);

// Scales the window about the data point (cx, cy) by fx on x and fy on y (below 1 zooms in);
// the point stays where it is on the screen.
ZoomWindow ZoomAbout(const ZoomWindow& w, const ZoomWindow& full, double cx, double cy, double fx,
                     double fy);

// The window moved so the data under pixel `from` comes under pixel `to` (a drag).
ZoomWindow PanByPixels(const ZoomWindow& w, const ZoomWindow& full, const DcRect& plot, QPoint from,
                       QPoint to);

// The window of the rubber band between two client pixels (corners in any order); the window
// unchanged when the band is narrower or lower than minPixels.
ZoomWindow ZoomToBand(const ZoomWindow& w, const ZoomWindow& full, const DcRect& plot, QPoint a,
                      QPoint b, int minPixels = 4);

// Wheel steps (one notch = 1, towards the user negative) to a zoom factor: 0.8 a notch in.
double WheelZoomFactor(double steps);

// Liang-Barsky clipping of the segment (ax, ay)-(bx, by) to the rectangle x0..x1, y0..y1 (in
// pixels, as doubles). False when nothing of it lies inside; otherwise the ends are moved in.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1,
                 double y1);
