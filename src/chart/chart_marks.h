#pragma once

#include <string>

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

// One line of a chart's legend: a short stroke in the series' colour and its name.
struct ChartLegendEntry {
  std::string text;
  COLORREF color = 0;
  bool operator==(const ChartLegendEntry&) const = default;
};

// Where a legend of lines rows, each lineHeight high and at most textWidth wide, sits: in the
// plot's top right corner, a few pixels in. Empty when there are no rows or it does not fit.
DcRect LegendRect(const DcRect& plot, int lines, int lineHeight, int textWidth);
// Length of the colour stroke before each name, and the room around it.
constexpr int kLegendStroke = 16;
constexpr int kLegendPad = 4;
