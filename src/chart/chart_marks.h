#pragma once

#include "platform/device_context.h"

// Marks a chart draws over its series in data units: a level as a small triangle outside the
// plot's right edge pointing at it, and a point of the x axis as a small triangle above the plot
// pointing down at it. Values outside the range sit at its end.
struct ChartMarks {
  bool hasLevel = false;
  double level = 0;
  bool hasPoint = false;
  double point = 0;
  COLORREF color = RGB(0, 128, 0);

  bool Any() const { return hasLevel || hasPoint; }
};

// Size of a mark's triangle in pixels, from its tip to its base.
constexpr int kChartMarkSize = 6;
