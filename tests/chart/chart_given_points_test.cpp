// What a chart hands to an export: the points as they were given, before the range clamped them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/chart_3d_ctrl.h"
#include "chart/chart_ctrl.h"

TEST(ChartGivenPointsTest, KeepTheValuesTheRangeClampedAndStopAtTheLastIndex) {
  ChartCtrl chart;
  EXPECT_EQ(chart.GetGivenPoints(0).count, 0) << "nothing before the series exist";
  ASSERT_TRUE(chart.AllocSeries(8));
  EXPECT_EQ(chart.GetGivenPoints(0).count, 0) << "nothing before a point is set";
  chart.SetRange(0, 10, -1, 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double xs[] = {-5, 2, 3, 40};
  const double ys[] = {0.5, 7, -3, nan};
  for (int i = 0; i < 4; ++i) chart.SetPoint(xs[i], ys[i], i, 0);
  const GivenPoints given = chart.GetGivenPoints(0);
  ASSERT_EQ(given.count, 4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(given.x[i], xs[i]) << i;
    EXPECT_EQ(given.y[i], ys[i]) << i;
  }
  EXPECT_TRUE(std::isnan(given.y[3]));
  // The drawn series holds the clamped ones, as before.
  EXPECT_EQ(chart.GetSerie(0).m_pY[1], 1);
  EXPECT_EQ(chart.GetSerie(0).m_pX[0], 0);
  EXPECT_EQ(chart.GetSerie(0).m_pY[3], -1);
  // A point out of the capacity or a serie that does not exist is not taken at all.
  EXPECT_EQ(chart.SetPoint(1, 1, 8, 0), 0);
  EXPECT_EQ(chart.GetGivenPoints(0).count, 4);
  EXPECT_EQ(chart.GetGivenPoints(1).count, 0);
  EXPECT_EQ(chart.GetGivenPoints(-1).count, 0);
}

TEST(ChartGivenPointsTest, WaterfallHistoryMovesTheGivenValuesBackWithTheCurtains) {
  Chart3DCtrl chart;
  chart.SetSeriesCount(24);
  ASSERT_TRUE(chart.AllocSeries(3));
  chart.Set3DRange(0, 10, 0, 1, 0, 24);
  for (int frame = 1; frame <= 3; ++frame) {
    // Values far outside the box, so clamping would show.
    for (int i = 0; i < 3; ++i) chart.SetPoint(i, 100.0 * frame + i, i, 0);
    chart.ShiftHistory();
  }
  // Newest in front, the front curtain's copy behind it, then the older frames.
  const double expectedFrame[] = {3, 3, 2, 1};
  for (int k = 0; k < 4; ++k) {
    const GivenPoints p = chart.GetGivenPoints(k);
    ASSERT_EQ(p.count, 3) << k;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.y[i], 100.0 * expectedFrame[k] + i) << k << "/" << i;
  }
  for (int k = 4; k < 24; ++k) EXPECT_EQ(chart.GetGivenPoints(k).count, 0) << k;
}
