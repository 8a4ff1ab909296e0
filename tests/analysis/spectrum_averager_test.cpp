#include "analysis/spectrum_averager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/anti_alias_decimator.h"
#include "analysis/log_frequency_axis.h"

namespace {

// Exponentially distributed powers of mean 1: the power of complex Gaussian noise in one bin.
std::vector<double> NoisePower(std::mt19937& gen, int bins) {
  std::exponential_distribution<double> dist(1.0);
  std::vector<double> p(bins);
  for (double& v : p) v = dist(gen);
  return p;
}

// Spread of the averaged bins around their true mean of 1.
double RelativeSpread(const double* values, int bins) {
  double sum = 0;
  for (int k = 0; k < bins; ++k) sum += (values[k] - 1.0) * (values[k] - 1.0);
  return std::sqrt(sum / bins);
}

TEST(AnalysisSpectrumAveragerTest, LinearAverageOfNoiseConvergesAsOneOverRootN) {
  constexpr int kBins = 4000;
  std::mt19937 gen(3);
  for (int n : {4, 16, 64, 256}) {
    AverageSettings s;
    s.mode = kAverageLinear;
    s.count = n;
    SpectrumAverager avg;
    avg.Reset(kBins, s);
    for (int i = 0; i < n; ++i) avg.Add(NoisePower(gen, kBins).data(), 0.1);
    EXPECT_EQ(avg.Count(), n);
    // One exponential power has a spread of 1; the mean of n, 1/sqrt(n).
    EXPECT_NEAR(RelativeSpread(avg.Average(), kBins) * std::sqrt(n), 1.0, 0.1) << n;
  }
}

TEST(AnalysisSpectrumAveragerTest, LinearAverageIsTheMeanUntilFullThenMovesAtItsMemory) {
  AverageSettings s;
  s.mode = kAverageLinear;
  s.count = 4;
  SpectrumAverager avg;
  avg.Reset(1, s);
  for (double v : {1.0, 2.0, 3.0, 6.0}) avg.Add(&v, 1);
  EXPECT_DOUBLE_EQ(avg.Average()[0], 3.0);
  const double next = 7.0;
  avg.Add(&next, 1);
  EXPECT_DOUBLE_EQ(avg.Average()[0], 3.0 + (7.0 - 3.0) / 4);
  avg.Restart();
  const double fresh = 10.0;
  avg.Add(&fresh, 1);
  EXPECT_DOUBLE_EQ(avg.Average()[0], 10.0);
}

TEST(AnalysisSpectrumAveragerTest, ExponentialAverageFollowsItsTimeConstant) {
  AverageSettings s;
  s.mode = kAverageExponential;
  s.timeConstant = 2.0;
  SpectrumAverager avg;
  avg.Reset(1, s);
  const double zero = 0.0;
  const double one = 1.0;
  avg.Add(&zero, 0);
  // A step held for one time constant rises to 1 - 1/e, in any number of steps.
  for (int i = 0; i < 100; ++i) avg.Add(&one, 0.02);
  EXPECT_NEAR(avg.Average()[0], 1.0 - std::exp(-1.0), 1e-12);
  // Off: each spectrum replaces the last.
  s.mode = kAverageOff;
  avg.Reset(1, s);
  avg.Add(&one, 0.1);
  avg.Add(&zero, 0.1);
  EXPECT_EQ(avg.Average()[0], 0.0);
}

TEST(AnalysisSpectrumAveragerTest, PeakHoldKeepsTheLargestUntilResetAndMayDecay) {
  AverageSettings s;
  s.peakHold = true;
  s.minimumHold = true;
  SpectrumAverager avg;
  avg.Reset(2, s);
  const double a[] = {1.0, 5.0};
  const double b[] = {4.0, 2.0};
  const double c[] = {2.0, 3.0};
  avg.Add(a, 0.1);
  avg.Add(b, 0.1);
  avg.Add(c, 0.1);
  EXPECT_EQ(avg.Peak()[0], 4.0);
  EXPECT_EQ(avg.Peak()[1], 5.0);
  EXPECT_EQ(avg.Minimum()[0], 1.0);
  EXPECT_EQ(avg.Minimum()[1], 2.0);
  EXPECT_EQ(avg.Average()[1], 3.0);
  avg.Restart();
  avg.Add(c, 0.1);
  EXPECT_EQ(avg.Peak()[1], 3.0);
  EXPECT_EQ(avg.Minimum()[0], 2.0);

  // 10 dB a second: a held peak of 1000 falls to 100 in one second, but never below the input.
  s.peakDecayDbPerSecond = 10;
  avg.Reset(1, s);
  const double high = 1000.0;
  const double low = 1.0;
  avg.Add(&high, 0.5);
  for (int i = 0; i < 10; ++i) avg.Add(&low, 0.1);
  EXPECT_NEAR(avg.Peak()[0], 100.0, 1e-9);
  for (int i = 0; i < 100; ++i) avg.Add(&low, 0.1);
  EXPECT_EQ(avg.Peak()[0], 1.0);
}

TEST(AnalysisLogFrequencyAxisTest, RunsFromTwentyHertzOrOneBinToHalfTheRate) {
  LogFrequencyRange axis = LogFrequencyAxis(48000, 65536);
  EXPECT_EQ(axis.low, 20.0);
  EXPECT_EQ(axis.high, 24000.0);
  axis = LogFrequencyAxis(96000, 1024);  // one bin is 93.75 Hz
  EXPECT_EQ(axis.low, 93.75);
  EXPECT_EQ(axis.high, 48000.0);
  const LogFrequencyRange decades{20, 20000};
  EXPECT_DOUBLE_EQ(LogAxisPosition(20, decades), 0.0);
  EXPECT_DOUBLE_EQ(LogAxisPosition(20000, decades), 1.0);
  EXPECT_NEAR(LogAxisPosition(200, decades), 1.0 / 3, 1e-15);
  EXPECT_NEAR(LogAxisPosition(2000, decades), 2.0 / 3, 1e-15);
  EXPECT_LT(LogAxisPosition(10, decades), 0.0);
  for (double p : {0.0, 0.123, 0.5, 0.999, 1.0}) {
    EXPECT_NEAR(LogAxisPosition(LogAxisFrequency(p, decades), decades), p, 1e-14);
  }
}

// The gain of the filter at f cycles a sample.
double Gain(const std::vector<double>& taps, double f) {
  const double pi = 4.0 * std::atan(1.0);
  double re = 0, im = 0;
  for (std::size_t j = 0; j < taps.size(); ++j) {
    re += taps[j] * std::cos(2 * pi * f * j);
    im -= taps[j] * std::sin(2 * pi * f * j);
  }
  return std::hypot(re, im);
}

TEST(AnalysisAntiAliasTest, PassbandIsFlatAndEverythingAboveTheNewHalfRateIsGone) {
  for (int factor : {2, 5, 10, 20, 50}) {
    const std::vector<double> taps = DesignAntiAliasFilter(factor);
    const double half = 0.5 / factor;
    for (double f : {0.0, 0.3 * half, 0.7 * half, 0.8 * half}) {
      EXPECT_NEAR(20 * std::log10(Gain(taps, f)), 0.0, 0.01) << factor << " at " << f;
    }
    for (double f : {half, 1.3 * half, std::min(3.1 * half, 0.45), 0.5}) {
      EXPECT_LT(20 * std::log10(Gain(taps, f)), -95.0) << factor << " at " << f;
    }
  }
  EXPECT_EQ(DesignAntiAliasFilter(1), std::vector<double>{1.0});
}

TEST(AnalysisAntiAliasTest, ThousandHertzDecimatedFiftyTimesLeavesNoAlias) {
  // 48 kHz by 50 is 960 Hz; unfiltered, a 1000 Hz tone would show at 40 Hz.
  const std::vector<double> taps = DesignAntiAliasFilter(50);
  const std::size_t out = 480;
  const std::size_t in = DecimatorInputCount(taps, 50, out);
  ASSERT_EQ(in, taps.size() - 1 + 479 * 50 + 1);
  const double pi = 4.0 * std::atan(1.0);
  std::vector<double> tone(in), slow(in);
  for (std::size_t i = 0; i < in; ++i) {
    tone[i] = 10000 * std::sin(2 * pi * 1000.0 * i / 48000);
    slow[i] = 10000 * std::sin(2 * pi * 100.0 * i / 48000);
  }
  std::vector<double> a(out + 1, -1.0), b(out);
  DecimateFiltered(tone.data(), in, taps, 50, a.data(), out);
  DecimateFiltered(slow.data(), in, taps, 50, b.data(), out);
  EXPECT_EQ(a[out], -1.0) << "overrun";
  double peakA = 0;
  for (std::size_t i = 0; i < out; ++i) peakA = std::max(peakA, std::fabs(a[i]));
  EXPECT_LT(peakA, 10000 * 1e-4);  // 80 dB below the tone at the least
  // A tone in the band passes whole, delayed by half the filter: output i is the input at
  // (taps - 1) / 2 + i x 50.
  const double delay = (taps.size() - 1) / 2.0;
  for (std::size_t i = 0; i < out; ++i) {
    ASSERT_NEAR(b[i], 10000 * std::sin(2 * pi * 100.0 * (delay + i * 50.0) / 48000), 2) << i;
  }
}

}  // namespace
