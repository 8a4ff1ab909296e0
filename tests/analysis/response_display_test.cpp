#include "analysis/response_display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/real_fft.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The one walk gives what ValueAtFrequency gives point by point, holes and ends included.
TEST(AnalysisResponseDisplayTest, GridSamplesMatchThePointwiseInterpolation) {
  const std::vector<double> f = {0, 10, 20, 40, 80, 160};
  const std::vector<double> v = {5, 1, 2, kNaN, 4, 8};
  std::vector<double> grid;
  LogFrequencyGrid(5, 200, 40, grid);
  ASSERT_EQ(grid.size(), 40u);
  EXPECT_DOUBLE_EQ(grid.front(), 5);
  EXPECT_DOUBLE_EQ(grid.back(), 200);
  std::vector<double> out;
  SampleOnGrid(f, v, grid, out);
  ASSERT_EQ(out.size(), grid.size());
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const double want = ValueAtFrequency(f, v, grid[i]);
    if (std::isnan(want)) {
      EXPECT_TRUE(std::isnan(out[i])) << grid[i];
    } else {
      EXPECT_NEAR(out[i], want, 1e-12) << grid[i];
    }
  }
}

// A known FIR's transform turned back: the taps again, at the delay put back, and cut out
// around its peak.
TEST(AnalysisResponseDisplayTest, ImpulseFromTraceGivesTheTapsBack) {
  const int order = 8, n = 1 << order;
  std::vector<double> h(n, 0.0);
  h[0] = 1.0;
  h[1] = -0.5;
  h[2] = 0.25;
  std::vector<Complex> bins(n / 2 + 1);
  RealFft fft(order);
  fft.Forward(h.data(), bins.data());
  struct Case {
    double delay;
  };
  for (const Case c : {Case{0}, Case{7}, Case{-3}}) {
    ResponseTrace t;
    t.Resize(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
      // The trace holds the response with the delay taken out.
      const double magnitude = std::hypot(bins[k].re, bins[k].im);
      t.gainDb[k] = 20 * std::log10(magnitude);
      t.phaseDeg[k] = std::atan2(bins[k].im, bins[k].re) * 180 / 3.14159265358979323846;
    }
    RealInverseFft inverse(order);
    std::vector<Complex> work;
    std::vector<double> out;
    ImpulseFromTrace(t, c.delay, inverse, work, out);
    ASSERT_EQ(static_cast<int>(out.size()), n);
    for (int i = 0; i < n; ++i) {
      const int from = ((i - static_cast<int>(c.delay)) % n + n) % n;
      EXPECT_NEAR(out[i], h[from], 1e-9) << c.delay << " " << i;
    }
    std::vector<double> cut;
    CutAround(out, static_cast<int>(c.delay), 2, 4, cut);
    const std::vector<double> want = {0, 0, 1, -0.5, 0.25, 0};
    ASSERT_EQ(cut.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(cut[i], want[i], 1e-9) << i;
  }
}

TEST(AnalysisResponseDisplayTest, RangesHoldTheValuesInWholeSteps) {
  struct Case {
    std::vector<double> values;
    double step, span, lo, hi;
  };
  const Case cases[] = {
      {{-3.2, 1.5}, 10, 30, -20, 10},     // widened about the middle to the span
      {{-55, 12}, 10, 30, -60, 20},       // already wider
      {{kNaN, kNaN}, 10, 30, -40, -10},   // nothing finite: the default low end, span above
      {{-720.5, 10}, 90, 360, -810, 90},  // unwrapped phase
  };
  for (const Case& c : cases) {
    double lo = -40, hi = 0;
    RangeOf(c.values, c.step, c.span, lo, hi);
    EXPECT_DOUBLE_EQ(lo, c.lo);
    EXPECT_DOUBLE_EQ(hi, c.hi);
  }
}

}  // namespace
