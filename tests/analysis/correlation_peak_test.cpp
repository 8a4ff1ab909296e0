#include "analysis/correlation_peak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

TEST(AnalysisCorrelationPeakTest, LargestLagIsSignedAndTakesEitherPolarity) {
  struct Case {
    int n;
    int at;
    double value;
    int want;
  };
  const Case cases[] = {
      {16, 3, 5.0, 3}, {16, 3, -5.0, 3}, {16, 8, 5.0, -8}, {16, 15, 5.0, -1},
      {16, 7, 5.0, 7}, {16, 0, 5.0, 0},  {1, 0, 5.0, 0},
  };
  for (const Case& c : cases) {
    std::vector<double> r(c.n, 0.5);
    if (c.n > 1) r[(c.at + 1) % c.n] = -1.0;
    r[c.at] = c.value;
    EXPECT_EQ(LargestLag(r.data(), c.n), c.want) << c.n << " " << c.at;
  }
  EXPECT_EQ(LargestLag(nullptr, 0), 0);
}

// The spectrum of a band-limited pulse of weights a_k at lag d: S[k] = a_k e^(-j2pi k d/N).
// Its band-limited correlation peaks at d whatever the (positive) weights, so the refined lag
// must be d.
std::vector<Complex> PulseSpectrum(int bins, double d, double polarity, bool pink) {
  const int n = 2 * (bins - 1);
  std::vector<Complex> s(bins);
  for (int k = 0; k < bins; ++k) {
    const double a = polarity * (pink ? 1.0 / std::sqrt(1.0 + k) : 1.0 - 0.5 * k / bins);
    const double angle = -2.0 * std::numbers::pi * k * d / n;
    s[k] = {a * std::cos(angle), a * std::sin(angle)};
  }
  return s;
}

TEST(AnalysisCorrelationPeakTest, RefinedLagIsTheFractionalPeak) {
  struct Case {
    int bins;
    double d;
    double polarity;
    bool pink;
  };
  const Case cases[] = {
      {513, 0.3, 1, false},     {513, 37.3, 1, false},   {513, -12.75, 1, true},
      {32769, 37.3, 1, false},  {32769, 37.3, -1, true}, {4097, 100.5, 1, true},
      {4097, -0.49, -1, false}, {65, 2.0, 1, false},
  };
  for (const Case& c : cases) {
    const std::vector<Complex> s = PulseSpectrum(c.bins, c.d, c.polarity, c.pink);
    const int start = static_cast<int>(std::lround(c.d));
    EXPECT_NEAR(RefineLag(s.data(), c.bins, start), c.d, 1e-6) << c.bins << " " << c.d;
  }
}

}  // namespace
