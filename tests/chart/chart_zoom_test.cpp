#include "chart/chart_zoom.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "chart/chart_3d_ctrl.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_log_axis.h"
#include "chart_test_support.h"

namespace {

// The plot of the test chart: 400 x 200 pixels from (38, 28).
const DcRect kPlot{38, 28, 438, 228};
const ZoomWindow kFull{0, 100, -50, 50};

TEST(ChartZoomMathTest, PixelsMapToDataAsTheCrosshairReadsThem) {
  EXPECT_EQ(PixelToDataX(38, kFull, kPlot), 0.0);
  EXPECT_EQ(PixelToDataX(438, kFull, kPlot), 100.0);
  EXPECT_EQ(PixelToDataX(238, kFull, kPlot), 50.0);
  EXPECT_EQ(PixelToDataY(228, kFull, kPlot), -50.0);
  EXPECT_EQ(PixelToDataY(28, kFull, kPlot), 50.0);
  EXPECT_EQ(PixelToDataY(128, kFull, kPlot), 0.0);
}

TEST(ChartZoomMathTest, ZoomAboutKeepsThePointUnderTheMouseAndStaysInside) {
  const ZoomWindow in = ZoomAbout(kFull, kFull, 25, 0, 0.5, 1.0);
  EXPECT_DOUBLE_EQ(in.x0, 12.5);
  EXPECT_DOUBLE_EQ(in.x1, 62.5);
  EXPECT_EQ(in.y0, -50.0);
  EXPECT_EQ(in.y1, 50.0);
  // The point keeps its place: a quarter of the way across before and after.
  EXPECT_DOUBLE_EQ((25 - in.x0) / (in.x1 - in.x0), 0.25);
  // Zooming out past the full range gives the full range, never more.
  EXPECT_EQ(ZoomAbout(in, kFull, 60, 0, 10.0, 10.0), kFull);
  // Deep zoom stops at the minimum span with the point still inside.
  ZoomWindow deep = kFull;
  for (int i = 0; i < 200; ++i) deep = ZoomAbout(deep, kFull, 70, 10, 0.5, 0.5);
  EXPECT_NEAR(deep.x1 - deep.x0, 100 * kMinZoomSpan, 1e-12);
  EXPECT_LE(deep.x0, 70.0);
  EXPECT_GE(deep.x1, 70.0);
  EXPECT_LT(WheelZoomFactor(1), 1.0);
  EXPECT_GT(WheelZoomFactor(-1), 1.0);
  EXPECT_DOUBLE_EQ(WheelZoomFactor(2), 0.64);
}

TEST(ChartZoomMathTest, PanMovesByThePixelsDraggedAndStopsAtTheEdges) {
  const ZoomWindow w{20, 40, -10, 10};
  // Dragging 100 px to the right (a quarter of the plot) shows data a quarter span lower.
  const ZoomWindow moved = PanByPixels(w, kFull, kPlot, QPoint(200, 100), QPoint(300, 100));
  EXPECT_DOUBLE_EQ(moved.x0, 15.0);
  EXPECT_DOUBLE_EQ(moved.x1, 35.0);
  EXPECT_DOUBLE_EQ(moved.y0, -10.0);
  // Dragging down 50 px (a quarter of the plot height) shows higher... lower values.
  const ZoomWindow down = PanByPixels(w, kFull, kPlot, QPoint(200, 100), QPoint(200, 150));
  EXPECT_DOUBLE_EQ(down.y0, -5.0);
  EXPECT_DOUBLE_EQ(down.y1, 15.0);
  const ZoomWindow far = PanByPixels(w, kFull, kPlot, QPoint(0, 0), QPoint(4000, -4000));
  EXPECT_EQ(far.x0, 0.0);
  EXPECT_EQ(far.x1, 20.0);
  EXPECT_EQ(far.y0, -50.0);
  EXPECT_EQ(far.y1, -30.0);
}

TEST(ChartZoomMathTest, RubberBandGivesItsWindowInEitherDirection) {
  const ZoomWindow band = ZoomToBand(kFull, kFull, kPlot, QPoint(338, 48), QPoint(138, 128));
  EXPECT_DOUBLE_EQ(band.x0, 25.0);
  EXPECT_DOUBLE_EQ(band.x1, 75.0);
  EXPECT_DOUBLE_EQ(band.y0, 0.0);
  EXPECT_DOUBLE_EQ(band.y1, 40.0);
  // A band that is only a click, or outside the plot, changes nothing.
  EXPECT_EQ(ZoomToBand(kFull, kFull, kPlot, QPoint(100, 100), QPoint(102, 160)), kFull);
  EXPECT_EQ(ZoomToBand(kFull, kFull, kPlot, QPoint(0, 0), QPoint(20, 20)), kFull);
}

TEST(ChartZoomMathTest, ClipSegmentCutsAtTheRectangle) {
  double ax = -100, ay = 50, bx = 100, by = 50;
  ASSERT_TRUE(ClipSegment(ax, ay, bx, by, 0, 0, 10, 100));
  EXPECT_NEAR(ax, 0.0, 1e-12);
  EXPECT_NEAR(bx, 10.0, 1e-12);
  EXPECT_NEAR(ay, 50.0, 1e-12);
  ax = -10, ay = -10, bx = 20, by = 20;
  ASSERT_TRUE(ClipSegment(ax, ay, bx, by, 0, 0, 10, 10));
  EXPECT_NEAR(ax, 0.0, 1e-12);
  EXPECT_NEAR(ay, 0.0, 1e-12);
  EXPECT_NEAR(bx, 10.0, 1e-12);
  EXPECT_NEAR(by, 10.0, 1e-12);
  ax = 20, ay = 0, bx = 30, by = 5;
  EXPECT_FALSE(ClipSegment(ax, ay, bx, by, 0, 0, 10, 10));
}

TEST(ChartLogAxisTest, DecadesAreLabelledAndTheLinesBetweenAreNot) {
  const std::vector<LogAxisLine> lines = LogAxisLines(std::log10(20.0), std::log10(24000.0));
  std::vector<std::string> labels;
  for (const LogAxisLine& l : lines) {
    if (!l.label.empty()) labels.push_back(l.label);
    EXPECT_GE(l.position, std::log10(20.0) - 1e-9);
    EXPECT_LE(l.position, std::log10(24000.0) + 1e-9);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"100", "1k", "10k"}));
  // 20 .. 90, 100 .. 900, 1000 .. 9000, 10000 and 20000.
  EXPECT_EQ(lines.size(), 8u + 9u + 9u + 2u);
  EXPECT_NEAR(lines.front().position, std::log10(20.0), 1e-12);
  std::vector<std::string> wide;
  for (const LogAxisLine& l : LogAxisLines(0.9, 5.1)) {
    if (!l.label.empty()) wide.push_back(l.label);
  }
  EXPECT_EQ(wide, (std::vector<std::string>{"10", "100", "1k", "10k", "100k"}));
  // Over more than six decades only the decades are drawn.
  EXPECT_EQ(LogAxisLines(0, 7).size(), 8u);
  EXPECT_EQ(FrequencyLabel(100000), "100k");
  EXPECT_EQ(FrequencyLabel(2500), "2.5k");
  EXPECT_EQ(FrequencyLabel(20), "20");
  EXPECT_TRUE(LogAxisLines(3, 3).empty());
}

class ChartZoomWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.resize(600, 400);
    CreateChart(chart, parent);
    chart.AllocSeries(3);
    chart.SetSerieColor(0, RGB(255, 0, 0));
    chart.SetRange(kFull.x0, kFull.x1, kFull.y0, kFull.y1);
  }
  QWidget parent;
  ChartCtrl chart;
};

TEST_F(ChartZoomWidgetTest, ZoomSurvivesEachFramesRangeAndPointsKeepTheirValues) {
  chart.WheelAt(QPoint(238, 128), 1, false);  // about x = 50, zoom in 0.8
  ASSERT_TRUE(chart.IsZoomed());
  EXPECT_DOUBLE_EQ(chart.GetXMin(), 10.0);
  EXPECT_DOUBLE_EQ(chart.GetXMax(), 90.0);
  EXPECT_EQ(chart.GetYMin(), -50.0);
  // The next frame sets the full range again: the window stays.
  chart.SetRange(0, 100, -50, 50);
  EXPECT_DOUBLE_EQ(chart.GetXMin(), 10.0);
  EXPECT_EQ(chart.GetFullRange(), kFull);
  // Points outside the window are kept, clamped only to the full range.
  chart.SetPoint(5, 0, 0, 0);
  chart.SetPoint(95, 70, 1, 0);
  EXPECT_EQ(chart.GetSerie(0).m_pX[0], 5.0);
  EXPECT_EQ(chart.GetSerie(0).m_pY[1], 50.0);
  // The crosshair reads the window.
  double x = 0, y = 0;
  chart.CursorValues(38, 228, x, y);
  EXPECT_DOUBLE_EQ(x, 10.0);
  EXPECT_DOUBLE_EQ(y, -50.0);
  chart.ResetZoom();
  EXPECT_FALSE(chart.IsZoomed());
  EXPECT_EQ(chart.GetXMin(), 0.0);
}

TEST_F(ChartZoomWidgetTest, DragPansAndRightDragZoomsToItsBand) {
  chart.SetZoom(ZoomWindow{20, 40, -10, 10});
  chart.DragStart(QPoint(200, 100), false);
  EXPECT_TRUE(chart.DragTo(QPoint(300, 100)));
  chart.DragEnd(QPoint(300, 100));
  EXPECT_DOUBLE_EQ(chart.GetXMin(), 15.0);
  EXPECT_FALSE(chart.DragTo(QPoint(310, 100)));  // the drag ended
  chart.ResetZoom();
  chart.DragStart(QPoint(338, 48), true);
  chart.DragTo(QPoint(138, 128));
  chart.DragEnd(QPoint(138, 128));
  EXPECT_DOUBLE_EQ(chart.GetXMin(), 25.0);
  EXPECT_DOUBLE_EQ(chart.GetXMax(), 75.0);
  EXPECT_DOUBLE_EQ(chart.GetYMax(), 40.0);
}

TEST_F(ChartZoomWidgetTest, ZoomedLinesAreClippedToThePlotAndUnzoomedPicturesUnchanged) {
  chart.SetPoint(0, -40, 0, 0);
  chart.SetPoint(50, 40, 1, 0);
  chart.SetPoint(100, -40, 2, 0);
  const QImage full = RenderFrame(chart);
  chart.SetZoom(ZoomWindow{40, 60, 0, 50});
  const QImage zoomed = RenderFrame(chart);
  EXPECT_NE(zoomed, full);
  // No red outside the plot rectangle: the steep lines are cut at its edges.
  int outside = 0;
  for (int y = 0; y < kChartHeight; ++y) {
    for (int x = 0; x < kChartWidth; ++x) {
      const bool in = x >= kPlot.left && x <= kPlot.right && y >= kPlot.top && y <= kPlot.bottom;
      if (!in && zoomed.pixel(x, y) == kRedPixel) ++outside;
    }
  }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(CountColour(zoomed, kRedPixel, kPlot), 10);
  chart.ResetZoom();
  EXPECT_EQ(RenderFrame(chart), full);
}

TEST(ChartZoom3DTest, TheWaterfallIgnoresZoomGestures) {
  QWidget parent;
  Chart3DCtrl chart;
  CreateChart(chart, parent);
  chart.AllocSeries(3);
  chart.Set3DRange(0, 10, 0, 2, 0, 24);
  const double xmax = chart.GetXMax();
  chart.WheelAt(QPoint(200, 100), 3, false);
  chart.DragStart(QPoint(100, 100), true);
  chart.DragEnd(QPoint(300, 200));
  EXPECT_FALSE(chart.IsZoomed());
  EXPECT_EQ(chart.GetXMax(), xmax);
}

}  // namespace
