#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <set>

#include "chart/chart_ctrl.h"
#include "chart_test_support.h"

namespace {

class ChartCtrlPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.resize(600, 400);
    chart.AllocSeries(16);
    chart.SetSerieColor(0, RGB(255, 0, 0));
    chart.SetGridDivisions(10, 2);
    CreateChart(chart, parent);
    chart.SetRange(0, 10, -1, 1);
  }
  QWidget parent;
  ChartCtrl chart;
  const DcRect plot{38, 28, 438, 228};
};

}  // namespace

TEST_F(ChartCtrlPaintTest, GridHasOneDottedLinePerDivisionBoundary) {
  QImage image = RenderFrame(chart);
  // Between the horizontal grid lines (y = 28, 128, 228), columns carrying grid or axis pixels.
  std::set<int> columns;
  for (int x = 0; x < kChartWidth; ++x)
    for (int y = 31; y < 125; ++y) {
      uint32_t p = image.pixel(x, y);
      if (p == kGreyPixel || p == kBluePixel) columns.insert(x);
    }
  std::set<int> expected;
  for (int i = 0; i <= 10; ++i) expected.insert(38 + 40 * i);
  EXPECT_EQ(columns, expected);

  // Inner lines are dotted grey on white; the outer two are covered by the blue box.
  int grey = 0, white = 0;
  for (int y = 31; y < 125; ++y) {
    grey += image.pixel(158, y) == kGreyPixel;
    white += image.pixel(158, y) == 0xFFFFFFFFu;
  }
  EXPECT_GT(grey, 30);
  EXPECT_GT(white, 30);
  EXPECT_EQ(image.pixel(100, 100), 0xFFFFFFFFu);  // white plot
}

TEST_F(ChartCtrlPaintTest, BoxAxesFrameThePlot) {
  QImage image = RenderFrame(chart);
  for (int x = 39; x < 438; ++x) {
    EXPECT_EQ(image.pixel(x, 228), kBluePixel) << x;
    EXPECT_EQ(image.pixel(x, 28), kBluePixel) << x;
  }
  for (int y = 29; y < 228; ++y) {
    EXPECT_EQ(image.pixel(38, y), kBluePixel) << y;
    EXPECT_EQ(image.pixel(438, y), kBluePixel) << y;
  }
  EXPECT_NE(image.pixel(37, 100), kBluePixel);
  EXPECT_NE(image.pixel(439, 100), kBluePixel);

  // The cross style draws only the middle lines.
  chart.SetAxisStyle(2);
  chart.Refresh(1);
  QImage cross = RenderFrame(chart);
  EXPECT_EQ(cross.pixel(238, 60), kBluePixel);
  EXPECT_EQ(cross.pixel(300, 128), kBluePixel);
  EXPECT_NE(cross.pixel(38, 60), kBluePixel);
}

TEST_F(ChartCtrlPaintTest, SeriesIsAPolylineThroughMappedPointsWithoutItsLastPixel) {
  chart.SetPoint(0, -1, 0, 0);   // (38, 228)
  chart.SetPoint(5, 0, 1, 0);    // (238, 128)
  chart.SetPoint(10, -1, 2, 0);  // (438, 228)
  chart.Refresh(0);
  QImage image = RenderFrame(chart);
  for (int k = 0; k < 100; ++k) {
    EXPECT_EQ(image.pixel(38 + 2 * k, 228 - k), kRedPixel) << k;
    EXPECT_EQ(image.pixel(238 + 2 * k, 128 + k), kRedPixel) << k;
  }
  EXPECT_NE(image.pixel(438, 228), kRedPixel);
  EXPECT_EQ(CountColour(image, kRedPixel, DcRect{0, 0, kChartWidth, kChartHeight}), 400);
}

TEST_F(ChartCtrlPaintTest, LonePointDrawsNothing) {
  chart.SetPoint(5, 0, 0, 0);
  QImage image = RenderFrame(chart);
  EXPECT_EQ(CountColour(image, kRedPixel, DcRect{0, 0, kChartWidth, kChartHeight}), 0);
}

TEST_F(ChartCtrlPaintTest, CrosshairOnlyInsideThePlot) {
  DcRect inside{plot.left + 1, plot.top + 1, plot.right, plot.bottom};
  EXPECT_EQ(CountColour(RenderFrame(chart), kBlackPixel, inside), 0);  // no mouse move yet

  chart.MouseMovedTo(QPoint(plot.right, 100));
  EXPECT_EQ(CountColour(RenderFrame(chart), kBlackPixel, inside), 0);
  chart.MouseMovedTo(QPoint(200, plot.bottom));
  EXPECT_EQ(CountColour(RenderFrame(chart), kBlackPixel, inside), 0);

  chart.MouseMovedTo(QPoint(200, 150));
  EXPECT_FALSE(chart.IsDirty());  // a mouse move does not rebuild the static layer
  QImage image = RenderFrame(chart);
  EXPECT_EQ(image.pixel(200, plot.bottom - 1), kBlackPixel);
  EXPECT_EQ(image.pixel(200, 100), kBlackPixel);
  EXPECT_EQ(image.pixel(plot.right - 1, 150), kBlackPixel);
  EXPECT_NE(image.pixel(200, plot.bottom), kBlackPixel);
  EXPECT_NE(image.pixel(plot.right, 150), kBlackPixel);
  // The read-out boxes are light grey, at the top of the vertical line and the left of the
  // horizontal one.
  EXPECT_EQ(image.pixel(201, plot.top + 3) & 0xFFFFFF, 0xC0C0C0u);
  EXPECT_EQ(image.pixel(plot.left + 1, 153) & 0xFFFFFF, 0xC0C0C0u);

  // The mouse handler of the window takes widget coordinates, inside the 2-px edge.
  QMouseEvent move(QEvent::MouseMove, QPointF(102, 52), QPointF(102, 52), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&chart, &move);
  EXPECT_EQ(chart.GetMousePos(), QPoint(100, 50));
}

TEST_F(ChartCtrlPaintTest, StaticLayerIsCachedAndKeepsItsFirstSize) {
  EXPECT_TRUE(chart.StaticLayerSize().isEmpty());
  RenderFrame(chart);
  EXPECT_FALSE(chart.IsDirty());
  EXPECT_EQ(chart.StaticLayerSize(), QSize(kChartWidth, kChartHeight));

  chart.setGeometry(0, 0, 300, 200);
  chart.SetRange(0, 5, -1, 1);
  EXPECT_TRUE(chart.IsDirty());
  RenderFrame(chart);
  EXPECT_EQ(chart.StaticLayerSize(), QSize(kChartWidth, kChartHeight));

  // The whole widget paints through the same path: plot white, frame blue, inside the edge.
  QImage shot = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shot.pixel(2 + 100, 2 + 100), 0xFFFFFFFFu);
  EXPECT_EQ(shot.pixel(2 + 38, 2 + 100), kBluePixel);
}

TEST_F(ChartCtrlPaintTest, PrintChartScalesByResolution) {
  chart.SetPoint(0, -1, 0, 0);
  chart.SetPoint(10, 1, 1, 0);
  int screenDpi = chart.logicalDpiX();
  ASSERT_EQ(screenDpi, 96);

  auto blueRun = [](const QImage& image, int y, int x0, int x1) {
    std::vector<int> xs;
    for (int x = x0; x < x1; ++x)
      if (image.pixel(x, y) == kBluePixel) xs.push_back(x);
    return xs;
  };

  // 600 dpi: ratio 6, extent 6 − 1 = 5 device pixels per chart pixel.
  QImage page(2600, 1400, QImage::Format_RGB32);
  page.setDotsPerMeterX(qRound(600 / 0.0254));
  page.setDotsPerMeterY(qRound(600 / 0.0254));
  page.fill(kUnpainted);
  {
    DeviceContext dc(&page);
    chart.PrintChart(dc, 50, 60);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_EQ(dc.GetViewportOrg(), QPoint(0, 0));
  }
  int row = 60 + 5 * 100;
  std::vector<int> xs = blueRun(page, row, 0, 2600);
  ASSERT_EQ(xs.size(), 10u);  // two box sides, five pixels each
  EXPECT_EQ(xs[5] - xs[0], 5 * 400);
  EXPECT_NEAR(xs[0], 50 + 5 * 38, 2);
  EXPECT_EQ(xs[4] - xs[0], 4);
  // The white background starts at the chart rectangle's corner (−2, −2) scaled.
  EXPECT_EQ(page.pixel(50 - 10, 60 - 10), 0xFFFFFFFFu);
  EXPECT_EQ(page.pixel(50 - 11, 60 - 10), kUnpainted);
  EXPECT_EQ(page.pixel(50 + 5 * 478 - 1, 60), 0xFFFFFFFFu);
  EXPECT_EQ(page.pixel(50 + 5 * 478, 60), kUnpainted);

  // 96 dpi: drawn at its own size, offset by (x, y).
  QImage screen(700, 400, QImage::Format_RGB32);
  screen.fill(kUnpainted);
  DeviceContext sdc(&screen);
  chart.PrintChart(sdc, 30, 40);
  xs = blueRun(screen, 40 + 100, 0, 700);
  ASSERT_EQ(xs.size(), 2u);
  EXPECT_EQ(xs[0], 30 + 38);
  EXPECT_EQ(xs[1], 30 + 438);
  EXPECT_EQ(screen.pixel(30 - 2, 40 - 2), 0xFFFFFFFFu);
  EXPECT_EQ(screen.pixel(30 - 3, 40 - 2), kUnpainted);
  // The series is drawn too (no crosshair): the diagonal from (38, 228) to (438, 28).
  EXPECT_EQ(screen.pixel(30 + 38 + 2 * 50, 40 + 228 - 50), kRedPixel);
}

TEST_F(ChartCtrlPaintTest, WindowShowsTheFrameOneToOne) {
  chart.SetPoint(0, -1, 0, 0);
  chart.SetPoint(5, 0, 1, 0);
  chart.SetPoint(10, -1, 2, 0);
  chart.Refresh(0);
  chart.MouseMovedTo(QPoint(200, 150));
  const QImage frame = RenderFrame(chart);
  const QImage shot = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), QSize(kChartWidth, kChartHeight));
  // Inside the 2-px client edge every pixel is the frame's pixel two to the left and up: a copy
  // stretched by one row and column would shift the right and lower halves.
  int differing = 0;
  for (int y = 0; y < kChartHeight - 4; ++y)
    for (int x = 0; x < kChartWidth - 4; ++x)
      differing += shot.pixel(x + 2, y + 2) != frame.pixel(x, y);
  EXPECT_EQ(differing, 0);
  // The box and the crosshair where the geometry puts them, in window coordinates.
  for (int x = 2 + plot.left + 1; x < 2 + plot.right; ++x) {
    ASSERT_EQ(shot.pixel(x, 2 + plot.top), kBluePixel) << x;
  }
  EXPECT_EQ(shot.pixel(2 + plot.right, 2 + 100), kBluePixel);
  EXPECT_NE(shot.pixel(2 + plot.right + 1, 2 + 100), kBluePixel);
  EXPECT_EQ(shot.pixel(2 + 200, 2 + 100), kBlackPixel);
  EXPECT_NE(shot.pixel(2 + 201, 2 + 100), kBlackPixel);
}
