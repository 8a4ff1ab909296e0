#include <gtest/gtest.h>

#include <cmath>

#include "chart/chart_3d_ctrl.h"
#include "chart_test_support.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPoints = 50;

// The scope view's waterfall: 24 series of one frame each.
struct Waterfall {
  QWidget parent;
  Chart3DCtrl chart;
  Waterfall() {
    parent.resize(600, 400);
    chart.SetSeriesCount(24);
    chart.AllocSeries(kPoints);
    for (int k = 0; k < 24; ++k) chart.SetSerieColor(k, RGB(255, 10 * k, 0));
    chart.SetGridDivisions(2, 2);
    CreateChart(chart, parent);
  }
  // One frame of the analysis pass: range, points into series 0, history, repaint.
  void Frame(double value) {
    chart.Set3DRange(0, 100, 0, 2, 0, 24);
    for (int i = 0; i < kPoints; ++i) chart.SetPoint(i * 2.0, value, i, 0);
    chart.ShiftHistory();
    chart.Refresh(0);
  }
  int SeriesWithData() const {
    int n = 0;
    for (int k = 0; k < 24; ++k) n += chart.GetSerie(k).m_bHasData;
    return n;
  }
};

double AngleDegrees(QPoint from, QPoint to) {
  return std::atan2(-(to.y() - from.y()), to.x() - from.x()) * 180 / kPi;
}

}  // namespace

TEST(Chart3DTest, RangeOfTheSpectrumBox) {
  Waterfall w;
  Chart3DCtrl& c = w.chart;
  EXPECT_EQ(c.GetZMax(), 100);  // constructor's box
  c.Set3DRange(0, 100, 0, 2, 0, 24);
  EXPECT_DOUBLE_EQ(c.GetYMin(), -2);
  EXPECT_DOUBLE_EQ(c.GetYMax(), 4);
  EXPECT_DOUBLE_EQ(c.GetXMin(), 0);
  EXPECT_NEAR(c.GetXMax(), 2 * std::cos(15 * kPi / 180) * 100, 1e-9);
  EXPECT_TRUE(c.IsDirty());
  // The projected depth of the box equals its projected width.
  EXPECT_NEAR(c.Project3D(0, 0, 24).x, c.Project3D(100, 0, 0).x, 1e-9);
  EXPECT_NEAR(c.Project3D(100, 0, 0).x, std::cos(15 * kPi / 180) * 100, 1e-9);
}

TEST(Chart3DTest, AxesRunAtTheirAnglesOnTheScreen) {
  Waterfall w;
  Chart3DCtrl& c = w.chart;
  c.Set3DRange(0, 100, 0, 2, 0, 24);
  QPoint origin = c.MapToPixel3D(0, 0, 0);
  EXPECT_NEAR(AngleDegrees(origin, c.MapToPixel3D(100, 0, 0)), -15, 0.5);
  EXPECT_NEAR(AngleDegrees(origin, c.MapToPixel3D(0, 0, 24)), 20, 0.5);
  EXPECT_NEAR(AngleDegrees(origin, c.MapToPixel3D(0, 2, 0)), 90, 0.5);

  // The oscillograph box (y −10..10, window −30..30) is drawn with its y origin added: its
  // floor lies 10 units below its own bound, 10 units above the window bottom.
  c.Set3DRange(0, 100, -10, 10, 0, 24);
  EXPECT_EQ(c.MapToPixel3D(0, -10, 0), QPoint(38, 228 - 33));  // 10 units of 0.3 per pixel
  EXPECT_EQ(c.MapToPixel3D(0, 10, 0), QPoint(38, 228 - 100));
}

TEST(Chart3DTest, HistoryFillsOneDepthPerFrameUpToAll) {
  Waterfall w;
  EXPECT_EQ(w.SeriesWithData(), 0);
  w.Frame(0.5);
  EXPECT_EQ(w.SeriesWithData(), 2);
  for (int i = 0; i < kPoints; ++i) {
    EXPECT_EQ(w.chart.GetSerie(1).m_pY[i], 0.5);
    EXPECT_EQ(w.chart.GetSerie(1).m_pX[i], w.chart.GetSerie(0).m_pX[i]);
  }
  for (int n = 2; n <= 30; ++n) {
    w.Frame(0.01 * n);
    EXPECT_EQ(w.SeriesWithData(), std::min(n + 1, 24)) << n;
  }
  // Newest frame at depths 0 and 1; depth k holds the frame from k − 1 frames earlier.
  EXPECT_DOUBLE_EQ(w.chart.GetSerie(0).m_pY[7], 0.30);
  EXPECT_DOUBLE_EQ(w.chart.GetSerie(1).m_pY[7], 0.30);
  EXPECT_DOUBLE_EQ(w.chart.GetSerie(5).m_pY[7], 0.26);
  EXPECT_DOUBLE_EQ(w.chart.GetSerie(23).m_pY[7], 0.08);
}

TEST(Chart3DTest, OneFramePaintsExactlyTwoCurtains) {
  Waterfall w;
  w.Frame(1.5);
  QImage image = RenderFrame(w.chart);
  DcRect all{0, 0, kChartWidth, kChartHeight};
  EXPECT_GT(CountColour(image, PixelFromRef(w.chart.GetSerie(0).m_color), all), 100);
  EXPECT_GT(CountColour(image, PixelFromRef(w.chart.GetSerie(1).m_color), all), 10);
  for (int k = 2; k < 24; ++k) {
    EXPECT_EQ(CountColour(image, PixelFromRef(w.chart.GetSerie(k).m_color), all), 0) << k;
  }
  // The box's floor edge at the back is blue.
  QPoint a = w.chart.MapToPixel3D(0, 0, 24), b = w.chart.MapToPixel3D(100, 0, 24);
  EXPECT_EQ(image.pixel((a.x() + b.x()) / 2, (a.y() + b.y()) / 2 + 0), kBluePixel);
}

TEST(Chart3DTest, ValuesAboveTheBoxAreDrawnAndClampedAtTheWindowTop) {
  Waterfall w;
  Chart3DCtrl& c = w.chart;
  c.Set3DRange(0, 100, 0, 2, 0, 24);
  c.SetPoint(10, 5, 0, 0);
  EXPECT_EQ(c.GetSerie(0).m_pY[0], 4);
  c.SetPoint(10, 3, 1, 0);
  EXPECT_EQ(c.GetSerie(0).m_pY[1], 3);

  for (int i = 0; i < kPoints; ++i) c.SetPoint(i * 2.0, 3, i, 0);
  QImage image = RenderFrame(c);
  QPoint top = c.MapToPixel3D(50, 2, 0);
  QPoint curve = c.MapToPixel3D(50, 3, 0);
  ASSERT_LT(curve.y() + 4, top.y());
  uint32_t fill = PixelFromRef(c.GetSerie(0).m_color);
  EXPECT_EQ(image.pixel(top.x(), (top.y() + curve.y()) / 2), fill);  // above the box top
  EXPECT_EQ(image.pixel(top.x(), top.y() + 5), fill);
}

TEST(Chart3DTest, CurtainSegmentsSkipPointsOnOnePixel) {
  Waterfall w;
  Chart3DCtrl& c = w.chart;
  c.Set3DRange(0, 100, -10, 10, 0, 24);
  for (int i = 0; i < kPoints; ++i) c.SetPoint(i * 2.0, std::sin(i * 0.3) * 8, i, 0);
  std::vector<Chart3DCtrl::Quad> quads = c.CurtainSegments(0);
  // Points 0 … last index − 1 make last index − 1 segments.
  EXPECT_EQ(quads.size(), static_cast<size_t>(kPoints - 2));
  for (const auto& q : quads) {
    EXPECT_EQ(q.p3, c.MapToPixel3D(c.GetSerie(0).m_pX[&q - &quads[0] + 1], 0, 0));
  }

  // All points a hair apart map to one pixel: no segment at all, and nothing is painted.
  for (int i = 0; i < kPoints; ++i) c.SetPoint(50 + i * 1e-4, 5, i, 0);
  EXPECT_TRUE(c.CurtainSegments(0).empty());
  QImage image = RenderFrame(c);
  EXPECT_EQ(CountColour(image, PixelFromRef(c.GetSerie(0).m_color),
                        DcRect{0, 0, kChartWidth, kChartHeight}),
            0);

  // Negative values hang from the curve up to the zero line.
  for (int i = 0; i < kPoints; ++i) c.SetPoint(i * 2.0, -5, i, 0);
  QImage below = RenderFrame(c);
  QPoint zero = c.MapToPixel3D(50, 0, 0), curve = c.MapToPixel3D(50, -5, 0);
  ASSERT_GT(curve.y(), zero.y() + 4);
  EXPECT_EQ(below.pixel(zero.x(), (zero.y() + curve.y()) / 2), PixelFromRef(c.GetSerie(0).m_color));
}

TEST(Chart3DTest, DepthLabelsAndDegenerateBoxes) {
  // Depth 0..24 in 2 divisions gives the labels 0.0, 12.0 and 24.0.
  EXPECT_EQ(FormatDepthLabel(0 + 0 * 24.0 / 2), "0.0");
  EXPECT_EQ(FormatDepthLabel(0 + 1 * 24.0 / 2), "12.0");
  EXPECT_EQ(FormatDepthLabel(0 + 2 * 24.0 / 2), "24.0");

  Waterfall w;
  w.chart.Set3DRange(0, 100, 0, 2, 5, 5);  // zero depth: infinite depth factor
  w.Frame(1);
  w.chart.Set3DRange(0, 100, 0, 2, 5, 5);
  QPoint p = w.chart.MapToPixel3D(1, 1, 3);
  EXPECT_LE(std::abs(p.x()), 40000);
  RenderFrame(w.chart);  // must not crash or hang
}

TEST(Chart3DTest, BandCurtainFillsBetweenMinimaAndMaximaAndMovesBackWithItsFrame) {
  Waterfall w;
  Chart3DCtrl& c = w.chart;
  c.Set3DRange(0, 100, -10, 10, 0, 24);
  // Columns of (minimum, maximum) pairs: a band from -6 to +4 that never touches 0 on one side.
  const int columns = kPoints / 2;
  for (int k = 0; k < columns; ++k) {
    c.SetPoint(k * 4.0, -6, 2 * k, 0);
    c.SetPoint(k * 4.0, 4, 2 * k + 1, 0);
  }
  c.SetBand(0, true);
  std::vector<Chart3DCtrl::Quad> quads = c.CurtainSegments(0);
  ASSERT_EQ(quads.size(), static_cast<size_t>(columns - 1));
  EXPECT_EQ(quads[3].p1, c.MapToPixel3D(12, 4, 0));
  EXPECT_EQ(quads[3].p2, c.MapToPixel3D(16, 4, 0));
  EXPECT_EQ(quads[3].p3, c.MapToPixel3D(16, -6, 0));
  EXPECT_EQ(quads[3].p4, c.MapToPixel3D(12, -6, 0));

  // The band reaches below -5, where a curtain hanging from the maxima to 0 would not.
  QImage image = RenderFrame(c);
  const uint32_t fill = PixelFromRef(c.GetSerie(0).m_color);
  const QPoint low = c.MapToPixel3D(50, -5, 0);
  EXPECT_EQ(image.pixel(low.x(), low.y()), fill);
  const QPoint below = c.MapToPixel3D(50, -8, 0);
  EXPECT_NE(image.pixel(below.x(), below.y()), fill);

  // The flag travels with the frame into the history, and a plain frame clears it in front.
  c.ShiftHistory();
  c.SetBand(0, false);
  EXPECT_EQ(c.GetSerie(1).m_bBand, 1);
  EXPECT_EQ(c.GetSerie(0).m_bBand, 0);
  EXPECT_EQ(c.CurtainSegments(0).size(), static_cast<size_t>(kPoints - 2));
}
