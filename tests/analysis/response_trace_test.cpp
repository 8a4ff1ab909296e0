#include "analysis/response_trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/octave_smoother.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(AnalysisResponseTraceTest, WrapAndUnwrapDegrees) {
  const double wraps[][2] = {{0, 0},     {180, 180}, {-180, 180},  {190, -170},
                             {540, 180}, {-721, -1}, {359.5, -0.5}};
  for (const auto& w : wraps) EXPECT_NEAR(WrapDegrees(w[0]), w[1], 1e-12) << w[0];
  EXPECT_TRUE(std::isnan(WrapDegrees(kNaN)));

  const double wrapped[] = {170, -170, -150, kNaN, 170, 10, -160};
  const double want[] = {170, 190, 210, kNaN, 170, 10, -160};
  double out[7];
  UnwrapDegrees(wrapped, out, 7);
  for (int i = 0; i < 7; ++i) {
    if (std::isnan(want[i])) {
      EXPECT_TRUE(std::isnan(out[i]));
    } else {
      EXPECT_NEAR(out[i], want[i], 1e-12) << i;
    }
  }
}

// Interpolation on the log axis: halfway between 100 and 400 Hz on that axis is 200 Hz.
TEST(AnalysisResponseTraceTest, ValueAtFrequencyInterpolatesOnTheLogAxis) {
  const std::vector<double> f = {0, 100, 400, 1600, 3200};
  const std::vector<double> v = {99, 0, 6, 12, kNaN};
  struct Case {
    double at;
    double want;
  };
  const Case cases[] = {{100, 0},   {200, 3},  {400, 6},   {800, 9},     {1600, 12},
                        {50, kNaN}, {0, kNaN}, {-5, kNaN}, {2000, kNaN}, {4000, kNaN}};
  for (const Case& c : cases) {
    const double got = ValueAtFrequency(f, v, c.at);
    if (std::isnan(c.want)) {
      EXPECT_TRUE(std::isnan(got)) << c.at;
    } else {
      EXPECT_NEAR(got, c.want, 1e-12) << c.at;
    }
  }
}

TEST(AnalysisResponseTraceTest, DifferenceFromReferenceInterpolatesTheReference) {
  ResponseTrace reference;
  reference.Resize(3);
  reference.frequencyHz = {100, 1000, 10000};
  reference.gainDb = {0, -3, -6};
  reference.phaseDeg = reference.phaseUnwrappedDeg = {0, -170, -340};
  reference.coherence = {1, 0.9, 1};
  reference.groupDelaySeconds = {0, 0.001, 0};
  ResponseTrace trace;
  trace.Resize(3);
  trace.frequencyHz = {50, 1000, std::sqrt(1000.0 * 10000)};
  trace.gainDb = {1, 0, 0};
  trace.phaseUnwrappedDeg = {0, 190, 190};
  trace.coherence = {1, 0.8, 0.95};
  trace.groupDelaySeconds = {0, 0.001, 0.0005};
  ResponseTrace d;
  DifferenceFromReference(trace, reference, d);
  ASSERT_EQ(d.Points(), 3);
  EXPECT_TRUE(std::isnan(d.gainDb[0]));
  EXPECT_NEAR(d.gainDb[2], 4.5, 1e-12);
  EXPECT_NEAR(d.phaseDeg[2], 190 + 255 - 360, 1e-9);
  EXPECT_NEAR(d.coherence[2], 0.95, 1e-12);
  EXPECT_NEAR(d.groupDelaySeconds[2], 0, 1e-12);
  EXPECT_NEAR(d.gainDb[1], 3, 1e-12);
  EXPECT_NEAR(d.phaseDeg[1], 0, 1e-9);
  EXPECT_NEAR(d.coherence[1], 0.8, 1e-12);
  EXPECT_NEAR(d.phaseUnwrappedDeg[2], 85, 1e-9);
}

// One bin of value 1 among zeros: the smoothed value at bin k is the share of the band from
// k 2^(-1/2N) to k 2^(1/2N) that the bin's stretch (m - 0.5 .. m + 0.5) covers.
TEST(AnalysisOctaveSmootherTest, SmoothingAveragesOverTheFractionalOctaveBand) {
  const int bins = 400, m = 200;
  std::vector<double> in(bins, 0.0);
  in[m] = 1;
  for (int fraction : {1, 3, 6, 12, 48}) {
    OctaveSmoother smoother(bins);
    std::vector<double> out(bins + 1, -1.0);
    out[bins] = 777;
    smoother.Smooth(in.data(), out.data(), bins, fraction);
    EXPECT_EQ(out[bins], 777);
    const double half = std::pow(2.0, 0.5 / fraction);
    for (int k = 1; k < bins; ++k) {
      const double lo = k / half, hi = std::min(k * half, bins - 0.5);
      double want;
      if (k * half - k / half <= 1.0) {
        want = in[k];
      } else {
        const double overlap = std::max(0.0, std::min(hi, m + 0.5) - std::max(lo, m - 0.5));
        want = overlap / (hi - lo);
      }
      ASSERT_NEAR(out[k], want, 1e-12) << "1/" << fraction << " bin " << k;
    }
  }
}

TEST(AnalysisOctaveSmootherTest, OffCopiesAndNaNTakesNoPart) {
  const int bins = 300;
  std::vector<double> in(bins, 2.0);
  for (int k = 100; k < 110; ++k) in[k] = kNaN;
  OctaveSmoother smoother(bins);
  std::vector<double> out(bins);
  smoother.Smooth(in.data(), out.data(), bins, 0);
  EXPECT_TRUE(std::isnan(out[105]));
  EXPECT_EQ(out[200], 2.0);
  smoother.Smooth(in.data(), out.data(), bins, 3);
  for (int k = 1; k < bins; ++k) ASSERT_NEAR(out[k], 2.0, 1e-12) << k;
  // Too narrow a band at a NaN bin keeps the NaN.
  smoother.Smooth(in.data(), out.data(), bins, 48);
  EXPECT_TRUE(std::isnan(out[105]));
}

// A trace smoothed as a whole: the gain in power (where 0 dB meets silence, the band's power
// is the share of it at 0 dB), the phase through its unwrapped values.
TEST(AnalysisOctaveSmootherTest, TraceGainIsSmoothedAsPower) {
  const int bins = 1000;
  ResponseTrace t;
  t.Resize(bins);
  for (int k = 0; k < bins; ++k) {
    t.frequencyHz[k] = k;
    t.gainDb[k] = k < 500 ? 0.0 : -400.0;
    t.phaseUnwrappedDeg[k] = 170 + 0.1 * k;
    t.phaseDeg[k] = WrapDegrees(t.phaseUnwrappedDeg[k]);
    t.coherence[k] = 1;
    t.groupDelaySeconds[k] = 0.001;
  }
  OctaveSmoother smoother(bins);
  smoother.SmoothTrace(t, 3);
  // At bin 500 the share of the band below 499.5 carries all the power.
  const double half = std::pow(2.0, 0.5 / 3);
  const int k = 500;
  const double share = (499.5 - k / half) / (k * half - k / half);
  EXPECT_NEAR(t.gainDb[k], 10 * std::log10(share), 1e-6);
  EXPECT_NEAR(t.gainDb[100], 0, 1e-9);
  // A linear phase averages to its value at the band's arithmetic centre, and the wrapped
  // phase follows it.
  EXPECT_NEAR(t.phaseUnwrappedDeg[300], 170 + 0.1 * 300 * (half + 1 / half) / 2, 1e-3);
  EXPECT_NEAR(t.phaseDeg[300], WrapDegrees(t.phaseUnwrappedDeg[300]), 1e-12);
  EXPECT_NEAR(t.coherence[300], 1, 1e-12);
  EXPECT_NEAR(t.groupDelaySeconds[300], 0.001, 1e-12);
}

}  // namespace
