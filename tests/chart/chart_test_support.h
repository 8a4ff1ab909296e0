#pragma once

#include <QImage>
#include <QWidget>

#include "chart/chart_ctrl.h"
#include "platform/device_context.h"

// A chart window of 480 × 260 px: chart rectangle (−2, −2)–(478, 258), plot rectangle
// (38, 28)–(438, 228), so the plot is 400 × 200 pixels.
constexpr int kChartWidth = 480;
constexpr int kChartHeight = 260;
constexpr uint32_t kUnpainted = 0xFF00FF00u;
constexpr uint32_t kBluePixel = 0xFF0000FFu;
constexpr uint32_t kRedPixel = 0xFFFF0000u;
constexpr uint32_t kGreyPixel = 0xFF808080u;
constexpr uint32_t kBlackPixel = 0xFF000000u;

inline void CreateChart(ChartCtrl& chart, QWidget& parent) {
  chart.Create(WS_CHILD | WS_VISIBLE, DcRect{0, 0, kChartWidth, kChartHeight}, &parent, 100);
}

// One screen paint into an image in the chart's client coordinates.
inline QImage RenderFrame(ChartCtrl& chart) {
  QImage image(kChartWidth, kChartHeight, QImage::Format_RGB32);
  image.fill(kUnpainted);
  DeviceContext dc(&image);
  chart.PaintFrame(dc);
  return image;
}

inline int CountColour(const QImage& image, uint32_t pixel, const DcRect& area) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) n += image.pixel(x, y) == pixel;
  return n;
}
