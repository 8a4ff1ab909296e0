#include "view/spectrum_columns.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SpectrumColumnsTest, EachColumnKeepsItsStrongestBin) {
  // 100 bins at x = 0 .. 99 into 10 columns over 0 .. 100: ten bins a column.
  std::vector<double> x(100), v(100, 0.0);
  for (int k = 0; k < 100; ++k) x[k] = k;
  v[37] = 5;  // a narrow peak in column 3
  v[91] = 2;
  std::vector<int> picked;
  PickColumnBins(x.data(), v.data(), 0, 99, 0, 100, 10, picked);
  ASSERT_EQ(picked.size(), 10u);
  EXPECT_EQ(picked[3], 37);
  EXPECT_EQ(picked[9], 91);
  EXPECT_EQ(picked[0], 0);  // all equal: the first of the column
}

TEST(SpectrumColumnsTest, FewBinsInViewAreAllKeptWithOneBeyondEachEdge) {
  std::vector<double> x(100), v(100, 1.0);
  for (int k = 0; k < 100; ++k) x[k] = k;
  std::vector<int> picked;
  PickColumnBins(x.data(), v.data(), 0, 99, 10.5, 14.5, 400, picked);
  EXPECT_EQ(picked, (std::vector<int>{10, 11, 12, 13, 14, 15}));
  // From `first` on only: bins below it (under 20 Hz on a log axis) never show.
  PickColumnBins(x.data(), v.data(), 12, 99, 0, 14.5, 400, picked);
  EXPECT_EQ(picked, (std::vector<int>{12, 13, 14, 15}));
  PickColumnBins(x.data(), v.data(), 0, 99, 5, 5, 400, picked);
  EXPECT_TRUE(picked.empty());
}

TEST(SpectrumColumnsTest, ZoomedManyBinsKeepTheNeighboursBeyondTheWindow) {
  std::vector<double> x(1000), v(1000, 0.0);
  for (int k = 0; k < 1000; ++k) x[k] = k * 0.1;
  std::vector<int> picked;
  PickColumnBins(x.data(), v.data(), 0, 999, 20.05, 40.05, 50, picked);
  ASSERT_GE(picked.size(), 3u);
  EXPECT_LE(picked.size(), 52u);
  EXPECT_EQ(picked.front(), 200);  // x = 20.0, just left of the window
  EXPECT_EQ(picked.back(), 401);   // x = 40.1, just right of it
  for (std::size_t i = 1; i < picked.size(); ++i) EXPECT_LT(picked[i - 1], picked[i]);
}

}  // namespace
