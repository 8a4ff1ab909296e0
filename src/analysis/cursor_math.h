#pragma once

// Where the two vertical (x) and two horizontal (y) cursors of a chart stand, in the chart's
// units; a cursor that is off takes no part in the readout.
struct CursorPositions {
  bool x1On = false, x2On = false, y1On = false, y2On = false;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// The differences the cursors read. dx = x2 - x1 and dy = y2 - y1 need both of their cursors;
// invDx = 1 / |dx| (a frequency from a time span) needs dx, and is absent when dx is 0.
struct CursorReadout {
  bool hasDx = false, hasInvDx = false, hasDy = false;
  double dx = 0, invDx = 0, dy = 0;
};

CursorReadout ComputeCursorReadout(const CursorPositions& p);

// The trace's value at x, interpolated linearly between the two points of x[0..n) that straddle
// it (the first such pair when x is not monotonic). False when x lies outside the trace or a
// value there is not a number.
bool TraceValueAt(const double* x, const double* y, int n, double at, double& value);

// Where a cursor dropped on a trace goes with snapping on.
struct SnapResult {
  enum Kind { kNone, kEdge, kPeak, kTrough };
  Kind kind = kNone;
  double x = 0;  // the feature's x (the drop point when kind is kNone)
  double y = 0;  // the trace's value there
};

// Snaps a cursor dropped at `at` to the nearest feature of the trace within `radius` of it: a
// crossing of the 50 % level between the trace's minimum and maximum within `context` of the
// drop point (between samples from the band-limited trace the evenly spaced samples stand
// for, else linearly), or a peak or trough that the samples within radius show clearly above
// their noise (its position from the parabola through the top three samples). kNone when
// nothing is near.
SnapResult SnapToTrace(const double* x, const double* y, int n, double at, double radius,
                       double context);
