#include "analysis/sweep_plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

TEST(AnalysisSweepPlanTest, PlanMakesF1LWholeAndKeepsTheBand) {
  struct Case {
    double f1, f2, seconds, rate;
  };
  const Case cases[] = {{20, 20000, 10, 48000},
                        {20, 20000, 1, 96000},
                        {10, 1000, 0.05, 8000},
                        {100, 10000, 3.3, 44100}};
  for (const Case& c : cases) {
    const SweepPlan s = PlanLogSweep(c.f1, c.f2, c.seconds, c.rate);
    const double whole = s.f1 * s.L;
    EXPECT_GE(whole, 1.0);
    EXPECT_NEAR(whole, std::round(whole), 1e-9);
    EXPECT_NEAR(s.duration, s.L * std::log(c.f2 / c.f1), 1e-12);
    // Rounding f1 L moves L by at most half of 1/f1, when f1 L stays at least 1.
    if (c.f1 * c.seconds / std::log(c.f2 / c.f1) >= 1) {
      EXPECT_LE(std::fabs(s.L - c.seconds / std::log(c.f2 / c.f1)), 0.5 / c.f1 + 1e-12);
    }
    EXPECT_NEAR(LogSweepFrequency(s, 0), c.f1, 1e-9);
    EXPECT_NEAR(LogSweepFrequency(s, s.duration), c.f2, 1e-6 * c.f2);
    EXPECT_EQ(LogSweepSamples(s), static_cast<std::int64_t>(std::ceil(s.duration * c.rate - 1e-9)));
  }
}

TEST(AnalysisSweepPlanTest, UnusableRequestsGiveNoSweep) {
  const double cases[][3] = {{0, 1000, 1}, {1000, 100, 1}, {20, 20000, 0}, {20, 20000, -1}};
  for (const auto& c : cases) {
    const SweepPlan s = PlanLogSweep(c[0], c[1], c[2], 48000);
    EXPECT_EQ(s.duration, 0);
    EXPECT_EQ(LogSweepSamples(s), 0);
    std::vector<double> out(4, 3.0);
    GenerateLogSweep(s, 1.0, out.data(), 4);
    EXPECT_EQ(out[3], 0.0);
  }
}

// The closed form sin(2 pi f1 L (e^(t/L) - 1)), computed here in long double, and the property
// the rounding buys: harmonic k is the sweep advanced by L ln k.
TEST(AnalysisSweepPlanTest, SamplesFollowTheFormulaAndHarmonicsAreAdvancedCopies) {
  const SweepPlan s = PlanLogSweep(20, 20000, 10, 48000);
  std::vector<double> x(LogSweepSamples(s));
  GenerateLogSweep(s, 0.5, x.data(), static_cast<std::int64_t>(x.size()));
  for (std::size_t n :
       {std::size_t{0}, std::size_t{1}, std::size_t{1000}, std::size_t{240000}, x.size() - 1}) {
    const long double t = static_cast<long double>(n) / 48000;
    const long double phase =
        2.0L * std::numbers::pi_v<long double> * s.f1 * s.L * (std::exp(t / s.L) - 1.0L);
    EXPECT_NEAR(x[n], 0.5 * static_cast<double>(std::sin(phase)), 1e-8) << n;
  }
  for (int k = 2; k <= 5; ++k) {
    for (double t : {0.0, 0.37, 1.5, 4.0}) {
      const long double phase =
          2.0L * std::numbers::pi_v<long double> * s.f1 * s.L * (std::exp(t / s.L) - 1.0L);
      EXPECT_NEAR(LogSweepValue(s, t + HarmonicAdvance(s, k)),
                  static_cast<double>(std::sin(k * phase)), 1e-7)
          << k << " " << t;
    }
  }
}

}  // namespace
