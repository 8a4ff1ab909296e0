#include "chart/chart_ctrl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/chart_math.h"
#include "chart_test_support.h"
#include "platform/message_box.h"

namespace {

struct AllocatedChart {
  QWidget parent;
  ChartCtrl chart;
  explicit AllocatedChart(int capacity = 10) {
    parent.resize(600, 400);
    chart.AllocSeries(capacity);
    CreateChart(chart, parent);
  }
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ChartCtrlModelTest, FreshChartHasTheDocumentedDefaults) {
  ChartCtrl chart;
  EXPECT_EQ(chart.GetXMin(), -10);
  EXPECT_EQ(chart.GetXMax(), 10);
  EXPECT_EQ(chart.GetYMin(), -10);
  EXPECT_EQ(chart.GetYMax(), 10);
  EXPECT_EQ(chart.GetTitle(), "Untitle");
  EXPECT_EQ(chart.GetXTitle(), "x");
  EXPECT_EQ(chart.GetYTitle(), "y");
  EXPECT_EQ(chart.GetSeriesCount(), 1);
  EXPECT_EQ(chart.GetCapacity(), 0);
  EXPECT_EQ(chart.GetXDivisions(), 2);
  EXPECT_EQ(chart.GetYDivisions(), 2);
  EXPECT_EQ(chart.GetMousePos(), QPoint(-1, -1));
  EXPECT_EQ(chart.GetBkColor(), RGB(255, 255, 255));
  EXPECT_EQ(chart.GetGridColor(), RGB(128, 128, 128));
  EXPECT_TRUE(chart.IsDirty());
  EXPECT_FALSE(chart.IsCreated());
  for (int i = 0; i < ChartCtrl::kMaxSeries; ++i) {
    EXPECT_EQ(chart.GetSerie(i).m_bHasData, 0);
    EXPECT_EQ(chart.GetSerie(i).m_color, 0u);
    EXPECT_EQ(chart.GetSerie(i).m_pX, nullptr);
  }
}

TEST(ChartCtrlModelTest, SetPointClampsIntoTheCurrentRange) {
  AllocatedChart c;
  ChartCtrl& chart = c.chart;
  chart.SetRange(0, 10, -1, 1);
  ASSERT_EQ(chart.SetPoint(12.5, -3, 0, 0), 1);
  EXPECT_EQ(chart.GetSerie(0).m_pX[0], 10);
  EXPECT_EQ(chart.GetSerie(0).m_pY[0], -1);
  EXPECT_EQ(chart.GetSerie(0).m_bHasData, 1);

  chart.SetPoint(kNaN, kNaN, 1, 0);
  EXPECT_EQ(chart.GetSerie(0).m_pX[1], 0);
  EXPECT_EQ(chart.GetSerie(0).m_pY[1], -1);

  chart.SetPoint(kInf, -kInf, 2, 0);
  EXPECT_EQ(chart.GetSerie(0).m_pX[2], 10);
  EXPECT_EQ(chart.GetSerie(0).m_pY[2], -1);

  chart.SetPoint(-0.5, 0.25, 3, 0);
  EXPECT_EQ(chart.GetSerie(0).m_pX[3], 0);
  EXPECT_EQ(chart.GetSerie(0).m_pY[3], 0.25);

  // The range in force at the call decides; a later range does not move stored points.
  chart.SetRange(0, 5, -1, 1);
  chart.SetPoint(7, 0, 4, 0);
  EXPECT_EQ(chart.GetSerie(0).m_pX[4], 5);
  EXPECT_EQ(chart.GetSerie(0).m_pX[0], 10);
}

TEST(ChartCtrlModelTest, SetPointRejectsBadSerieIndexAndUnallocatedCharts) {
  ChartCtrl unallocated;
  EXPECT_EQ(unallocated.SetPoint(0, 0, 0, 0), 0);

  AllocatedChart c(10);
  ChartCtrl& chart = c.chart;
  EXPECT_EQ(chart.SetPoint(0, 0, 0, 1), 0);  // serie == series count
  EXPECT_EQ(chart.SetPoint(0, 0, 0, -1), 0);
  EXPECT_EQ(chart.SetPoint(0, 0, 10, 0), 0);  // index == capacity
  EXPECT_EQ(chart.SetPoint(0, 0, -1, 0), 0);
  EXPECT_EQ(chart.GetSerie(0).m_bHasData, 0);
  EXPECT_EQ(chart.SetPoint(0, 0, 9, 0), 1);
  EXPECT_EQ(chart.GetLastIndex(), 9);
}

TEST(ChartCtrlModelTest, LastIndexFollowsTheLatestCall) {
  AllocatedChart c(10);
  for (int i = 0; i < 10; ++i) c.chart.SetPoint(i, 0, i, 0);
  EXPECT_EQ(c.chart.GetLastIndex(), 9);
  c.chart.SetPoint(3, 0, 3, 0);
  EXPECT_EQ(c.chart.GetLastIndex(), 3);
}

TEST(ChartCtrlModelTest, AllocationHappensOnceAndFailuresAreReported) {
  MessageRecorder messages;
  ChartCtrl chart;
  chart.SetSeriesCount(3);
  ASSERT_EQ(chart.AllocSeries(16), 1);
  EXPECT_EQ(chart.GetCapacity(), 16);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(chart.GetSerie(i).m_bOwned, 1);
    EXPECT_EQ(chart.GetSerie(i).m_pY[15], 0.0);  // zero-filled
  }
  EXPECT_EQ(chart.GetSerie(3).m_pX, nullptr);
  const double* before = chart.GetSerie(0).m_pX.get();
  chart.AllocSeries(1000);
  EXPECT_EQ(chart.GetCapacity(), 16);
  EXPECT_EQ(chart.GetSerie(0).m_pX.get(), before);
  chart.SetSeriesCount(5);  // too late: the table is allocated
  EXPECT_EQ(chart.GetSeriesCount(), 3);

  ChartCtrl bad;
  EXPECT_EQ(bad.AllocSeries(-1), 0);
  EXPECT_FALSE(bad.IsAllocated());
  EXPECT_EQ(bad.SetPoint(0, 0, 0, 0), 0);
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Can not allocate serie");
}

TEST(ChartCtrlModelTest, OnlyTheThreeAxisStylesAreAccepted) {
  ChartCtrl chart;
  chart.SetAxisStyle(3);
  EXPECT_EQ(chart.GetAxisStyle(), 0);
  chart.SetAxisStyle(2);
  EXPECT_EQ(chart.GetAxisStyle(), 2);
  chart.SetAxisStyle(-1);
  EXPECT_EQ(chart.GetAxisStyle(), 2);
  chart.SetAxisStyle(1);
  EXPECT_EQ(chart.GetAxisStyle(), 1);
}

TEST(ChartCtrlModelTest, CreateSetsClientEdgeRectanglesAndScale) {
  MessageRecorder messages;
  AllocatedChart c;
  ChartCtrl& chart = c.chart;
  EXPECT_TRUE(chart.HasWindow());
  EXPECT_EQ(chart.parentWidget(), &c.parent);
  EXPECT_EQ(chart.geometry(), QRect(0, 0, kChartWidth, kChartHeight));
  EXPECT_EQ(chart.GetChartRect(), (DcRect{-2, -2, 478, 258}));
  EXPECT_EQ(chart.GetPlotRect(), (DcRect{38, 28, 438, 228}));
  chart.SetRange(0, 10, -1, 1);
  EXPECT_DOUBLE_EQ(chart.GetXUnitsPerPixel(), 10.0 / 400);
  EXPECT_DOUBLE_EQ(chart.GetYUnitsPerPixel(), 2.0 / 200);
  EXPECT_TRUE(messages.Texts().empty());

  chart.DestroyWindow();
  EXPECT_FALSE(chart.HasWindow());
  EXPECT_EQ(chart.parentWidget(), nullptr);
  EXPECT_EQ(chart.SetPoint(1, 0, 0, 0), 1);  // the object and its data stay

  ChartCtrl orphan;
  orphan.Create(WS_CHILD | WS_VISIBLE, DcRect{0, 0, 100, 100}, nullptr, 1);
  EXPECT_FALSE(orphan.HasWindow());
  EXPECT_TRUE(orphan.IsCreated());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Can't Create Window!");
}

TEST(ChartCtrlModelTest, MapToPixelTruncatesTowardZero) {
  AllocatedChart c;
  ChartCtrl& chart = c.chart;
  chart.SetRange(0, 10, -1, 1);  // 0.025 x units and 0.01 y units per pixel
  EXPECT_EQ(chart.MapToPixel(0, -1), QPoint(38, 228));
  EXPECT_EQ(chart.MapToPixel(10, 1), QPoint(438, 28));
  EXPECT_EQ(chart.MapToPixel(2.5, 0.5), QPoint(138, 78));
  EXPECT_EQ(chart.MapToPixel(0.049, -0.985), QPoint(39, 227));
  // Below the minimum: −0.4 and −0.5 pixels truncate to 0, not to −1.
  EXPECT_EQ(chart.MapToPixel(-0.01, -1.005), QPoint(38, 228));
}

TEST(ChartCtrlModelTest, DegenerateWindowsAndWildValuesStayWithinPixelRange) {
  QWidget parent;
  ChartCtrl chart;
  chart.AllocSeries(4);
  chart.Create(WS_CHILD, DcRect{0, 0, 60, 40}, &parent, 1);  // plot width and height negative
  chart.SetRange(0, 10, 0, 10);
  for (double v : {0.0, 5.0, kInf, -kInf, kNaN, 1e300}) {
    QPoint p = chart.MapToPixel(v, v);
    EXPECT_LE(std::abs(p.x()), 40000);
    EXPECT_LE(std::abs(p.y()), 40000);
  }
  chart.SetPoint(1, 1, 0, 0);
  chart.SetPoint(9, 9, 1, 0);
  QImage image(60, 40, QImage::Format_RGB32);
  DeviceContext dc(&image);
  chart.PaintFrame(dc);  // must neither crash nor hang

  EXPECT_EQ(TruncToPixel(kNaN), 0);
  EXPECT_EQ(TruncToPixel(kInf), 32768);
  EXPECT_EQ(TruncToPixel(-kInf), -32768);
  EXPECT_EQ(TruncToPixel(-2.9), -2);
}

TEST(ChartCtrlModelTest, LabelTextsUseTheirFormats) {
  EXPECT_EQ(FormatXTickLabel(0), "  0.0");
  EXPECT_EQ(FormatXTickLabel(10), " 10.0");
  EXPECT_EQ(FormatXTickLabel(2.25), "  2.2");  // round-half-even of the binary value
  EXPECT_EQ(FormatYTickLabel(0.5), " 0.50");
  EXPECT_EQ(FormatYTickLabel(-1000), "-1000.00");
  EXPECT_EQ(FormatYTickLabel(-1000).size(), 8u);
  EXPECT_EQ(FormatCursorValue(3.14159), "3.14");
  EXPECT_EQ(FormatDepthLabel(12), "12.0");
  EXPECT_EQ(FormatYTickLabel(1e300).size(), 304u);  // no truncation, no overflow
}

// The legend sits in the plot's top right corner, a few pixels in, and only where it fits.
TEST(ChartLegendTest, LegendRectLiesInsideThePlotsTopRightCorner) {
  struct Case {
    DcRect plot;
    int lines, lineHeight, textWidth;
    DcRect want;
  };
  const int w = 3 * kLegendPad + kLegendStroke;  // the box without its text
  const Case cases[] = {
      {{50, 20, 650, 420}, 2, 12, 60, {650 - kLegendPad - w - 60, 24, 650 - kLegendPad, 24 + 32}},
      {{0, 0, 400, 300}, 3, 10, 80, {400 - kLegendPad - w - 80, 4, 400 - kLegendPad, 4 + 38}},
      {{0, 0, 400, 300}, 0, 10, 80, {}},
      {{0, 0, 90, 300}, 2, 10, 80, {}},  // too narrow
      {{0, 0, 400, 20}, 2, 10, 80, {}},  // too low
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LegendRect(c.plot, c.lines, c.lineHeight, c.textWidth), c.want)
        << c.lines << " lines in " << c.plot.Width() << " x " << c.plot.Height();
  }
}
