#include "analysis/trigger_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 44100;

std::vector<double> Sine(size_t count, double freq, double amplitude, double phase = 0) {
  std::vector<double> x(count);
  for (size_t i = 0; i < count; ++i) {
    x[i] =
        amplitude * std::sin(2 * std::numbers::pi * freq * static_cast<double>(i) / kRate + phase);
  }
  return x;
}

std::vector<double> Find(const std::vector<double>& x, const TriggerCriteria& c) {
  TriggerSearch search;
  search.SetCriteria(c);
  std::vector<double> found;
  search.Search(x.data(), x.size(), found);
  return found;
}

TriggerCriteria Criteria(double level, double hysteresis, TriggerSlope slope, double holdoff = 0) {
  TriggerCriteria c;
  c.level = level;
  c.hysteresis = hysteresis;
  c.slope = slope;
  c.holdoff = holdoff;
  return c;
}

}  // namespace

TEST(TriggerSearchTest, SquareWaveTriggersHalfWayAcrossEachEdge) {
  // 20 samples low, 20 high: the step from -1000 to 1000 is crossed half-way between samples.
  std::vector<double> x(400);
  for (size_t i = 0; i < x.size(); ++i) x[i] = (i / 20) % 2 == 0 ? -1000 : 1000;
  const std::vector<double> rising = Find(x, Criteria(0, 100, TriggerSlope::kRising));
  ASSERT_EQ(rising.size(), 10u);
  for (size_t k = 0; k < rising.size(); ++k) EXPECT_DOUBLE_EQ(rising[k], 40.0 * k + 19.5);
  const std::vector<double> falling = Find(x, Criteria(0, 100, TriggerSlope::kFalling));
  ASSERT_EQ(falling.size(), 9u);
  for (size_t k = 0; k < falling.size(); ++k) EXPECT_DOUBLE_EQ(falling[k], 40.0 * k + 39.5);
  EXPECT_EQ(Find(x, Criteria(0, 100, TriggerSlope::kEither)).size(), 19u);
  // A level at three quarters of the step lies a little short of three quarters of the way on:
  // the smooth curve through the step's flat neighbours is steepest in its middle.
  const std::vector<double> high = Find(x, Criteria(500, 100, TriggerSlope::kRising));
  ASSERT_FALSE(high.empty());
  EXPECT_GT(high[0], 19.7);
  EXPECT_LT(high[0], 19.75);
  // Beyond the square's extremes nothing crosses.
  EXPECT_TRUE(Find(x, Criteria(1000.5, 0, TriggerSlope::kEither)).empty());
}

TEST(TriggerSearchTest, SineCrossingTimesMatchTheClosedForm) {
  const double freq = 997, amplitude = 20000, phase = 0.7;
  const std::vector<double> x = Sine(44100, freq, amplitude, phase);
  const double period = kRate / freq;
  for (double share : {0.0, 0.3, -0.6}) {
    SCOPED_TRACE(share);
    const double level = share * amplitude;
    const std::vector<double> found = Find(x, Criteria(level, 200, TriggerSlope::kRising));
    ASSERT_GT(found.size(), 990u);
    // Rising crossings of level: 2 pi f t / rate + phase = asin(share) + 2 pi m.
    const double first = (std::asin(share) - phase) / (2 * std::numbers::pi) * period;
    double worst = 0;
    for (double t : found) {
      const double m = std::round((t - first) / period);
      worst = std::max(worst, std::fabs(t - (first + m * period)));
    }
    // Linear interpolation of a sine 44 samples a period: within a thousandth of a sample at
    // the zero crossing, where the sine is straightest, and a fiftieth up its bend.
    EXPECT_LT(worst, share == 0 ? 1e-3 : 2e-2);
    // One trigger a period, none missed.
    for (size_t k = 1; k < found.size(); ++k) EXPECT_NEAR(found[k] - found[k - 1], period, 0.02);
  }
  // Falling crossings lie half a period away from the rising ones of the zero level.
  const std::vector<double> rising = Find(x, Criteria(0, 200, TriggerSlope::kRising));
  const std::vector<double> falling = Find(x, Criteria(0, 200, TriggerSlope::kFalling));
  const std::vector<double> either = Find(x, Criteria(0, 200, TriggerSlope::kEither));
  ASSERT_FALSE(falling.empty());
  EXPECT_EQ(either.size(), rising.size() + falling.size());
  const double d = std::fmod(falling[0] - rising[0] + 10 * period, period);
  EXPECT_NEAR(d, period / 2, 1e-3);
}

TEST(TriggerSearchTest, HysteresisRejectsTheCrossingsOfNoise) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> noise(-2000, 2000);
  const double freq = 441;  // 100 samples a period
  std::vector<double> x = Sine(44100, freq, 10000);
  for (double& v : x) v += noise(random);
  const size_t periods = 441;
  // Without hysteresis the noise around each edge triggers many times.
  const std::vector<double> bare = Find(x, Criteria(0, 0, TriggerSlope::kRising));
  EXPECT_GT(bare.size(), periods + 50);
  // With it (more than twice the noise's reach), once an edge and near the noiseless crossing.
  const std::vector<double> found = Find(x, Criteria(0, 4500, TriggerSlope::kRising));
  EXPECT_NEAR(static_cast<double>(found.size()), static_cast<double>(periods), 1);
  for (double t : found) {
    const double off = std::remainder(t, 100.0);
    EXPECT_LT(std::fabs(off), 5.0) << "a trigger away from a rising edge, at " << t;
  }
}

TEST(TriggerSearchTest, DcNeverTriggers) {
  for (double value : {-3000.0, 0.0, 250.0, 3000.0}) {
    const std::vector<double> x(5000, value);
    EXPECT_TRUE(Find(x, Criteria(0, 0, TriggerSlope::kEither)).empty()) << value;
    EXPECT_TRUE(Find(x, Criteria(250, 50, TriggerSlope::kEither)).empty()) << value;
  }
}

TEST(TriggerSearchTest, BlocksOfAnyLengthFindWhatOnePieceFinds) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> noise(-300, 300);
  std::vector<double> x = Sine(30000, 1234, 8000);
  for (double& v : x) v += noise(random);
  for (TriggerSlope slope :
       {TriggerSlope::kRising, TriggerSlope::kFalling, TriggerSlope::kEither}) {
    const TriggerCriteria c = Criteria(1000, 700, slope, 57.5);
    const std::vector<double> whole = Find(x, c);
    ASSERT_FALSE(whole.empty());
    TriggerSearch search;
    search.SetCriteria(c);
    search.Reset(0);
    std::vector<double> pieces;
    std::uniform_int_distribution<size_t> length(1, 900);
    size_t at = 0;
    while (at < x.size()) {
      const size_t n = std::min(length(random), x.size() - at);
      search.Search(x.data() + at, n, pieces);
      at += n;
    }
    EXPECT_EQ(search.NextSample(), x.size());
    EXPECT_EQ(pieces, whole);
  }
  // Numbering starts where Reset says.
  TriggerSearch search;
  search.SetCriteria(Criteria(0, 100, TriggerSlope::kRising));
  search.Reset(1000000);
  std::vector<double> found;
  const std::vector<double> y = Sine(200, 441, 5000, -0.1);
  search.Search(y.data(), y.size(), found);
  ASSERT_FALSE(found.empty());
  EXPECT_GT(found[0], 1000000.0);
  EXPECT_LT(found[0], 1000002.0);
}

TEST(TriggerSearchTest, HoldoffSkipsTheCrossingsInsideIt) {
  const std::vector<double> x = Sine(44100, 441, 10000, -0.3);  // a period of 100 samples
  const std::vector<double> every = Find(x, Criteria(0, 300, TriggerSlope::kRising, 0));
  // 1.5 periods: every other crossing.
  const std::vector<double> half = Find(x, Criteria(0, 300, TriggerSlope::kRising, 150));
  ASSERT_GT(every.size(), 400u);
  ASSERT_EQ(half.size(), (every.size() + 1) / 2);
  for (size_t k = 0; k < half.size(); ++k) EXPECT_DOUBLE_EQ(half[k], every[2 * k]);
  // A holdoff of exactly one period still lets the next crossing through.
  EXPECT_EQ(Find(x, Criteria(0, 300, TriggerSlope::kRising, 100 - 1e-6)).size(), every.size());
  // An edge inside the holdoff uses up the arming: a later dip that does not reach
  // level - hysteresis does not trigger once the holdoff is over; the next full swing does.
  std::vector<double> step(1000, 5000);
  for (size_t i = 0; i < 100; ++i) step[i] = -5000;
  for (size_t i = 200; i < 250; ++i) step[i] = -5000;  // back up at 249.5, inside the holdoff
  for (size_t i = 500; i < 510; ++i) step[i] = -100;   // a shallow dip after it
  for (size_t i = 600; i < 700; ++i) step[i] = -5000;
  const std::vector<double> held = Find(step, Criteria(0, 300, TriggerSlope::kRising, 300));
  ASSERT_EQ(held.size(), 2u);
  EXPECT_DOUBLE_EQ(held[0], 99.5);
  EXPECT_DOUBLE_EQ(held[1], 699.5);
}

TEST(TriggerFrameTest, PlacementPutsTheTriggerAtItsShareOfTheFrame) {
  // At 0 % the first sample is the first one at or past the crossing.
  FramePlacement p = PlaceFrame(100.25, 0, 441);
  EXPECT_EQ(p.first, 101);
  EXPECT_DOUBLE_EQ(p.shift, 0.75);
  p = PlaceFrame(100.0, 0, 441);
  EXPECT_EQ(p.first, 100);
  EXPECT_DOUBLE_EQ(p.shift, 0.0);
  // At 10 % of 441 samples the edge lies 44.1 samples before the trigger.
  p = PlaceFrame(1000.5, 0.1, 441);
  EXPECT_EQ(p.first, 957);
  EXPECT_NEAR(p.shift, 957 - (1000.5 - 44.1), 1e-9);
  // Wherever the trigger falls, the trigger sits position x span right of the drawn edge.
  for (double t = 5000; t < 5002; t += 0.137) {
    for (double position : {0.0, 0.1, 0.5, 1.0}) {
      p = PlaceFrame(t, position, 4410);
      EXPECT_GE(p.shift, 0);
      EXPECT_LT(p.shift, 1);
      EXPECT_NEAR(static_cast<double>(p.first) - p.shift + position * 4410, t, 1e-9);
    }
  }
}

TEST(TriggerFrameTest, NewestCompleteFrameIsTakenAndOlderTriggersGo) {
  std::vector<double> triggers = {50.5, 400.2, 900.7, 1500.1, 1990.0};
  // Frames of 441 with 10 % before the trigger; samples 0..2000 present, the oldest at 100.
  const auto chosen = TakeNewestFrame(triggers, 0.1, 441, 441, 100, 2000);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_DOUBLE_EQ(chosen->trigger, 1500.1);  // 1990's frame is not complete yet
  EXPECT_EQ(triggers, std::vector<double>{1990.0});
  // Nothing new complete: nothing shown, the pending trigger stays.
  EXPECT_FALSE(TakeNewestFrame(triggers, 0.1, 441, 441, 100, 2100).has_value());
  EXPECT_EQ(triggers.size(), 1u);
  EXPECT_TRUE(TakeNewestFrame(triggers, 0.1, 441, 441, 100, 2500).has_value());
  EXPECT_TRUE(triggers.empty());
  // A trigger whose frame has left the ring is dropped.
  triggers = {120.0, 3000.0};
  EXPECT_FALSE(TakeNewestFrame(triggers, 0.5, 441, 441, 200, 3100).has_value());
  EXPECT_EQ(triggers, std::vector<double>{3000.0});
}

TEST(TriggerFrameTest, FirstFrameInsideWaitsForACrossingWithRoomBeforeIt) {
  // A buffer of samples 1000..2000, frames of 200 with half of them before the trigger.
  const std::vector<double> triggers = {1050.0, 1090.3, 1150.5, 1950.0};
  const auto frame = FirstFrameInside(triggers, 0.5, 200, 200, 1000, 2000);
  ASSERT_TRUE(frame.has_value());
  EXPECT_DOUBLE_EQ(frame->trigger, 1150.5);
  EXPECT_EQ(frame->first, 1051);
  EXPECT_FALSE(FirstFrameInside({1050.0, 1950.0}, 0.5, 200, 200, 1000, 2000).has_value());
}

TEST(TriggerFrameTest, MidLevelIsHalfWayBetweenTheExtremes) {
  const std::vector<double> x = {-300, 20, 900, 40, -100};
  EXPECT_DOUBLE_EQ(MidLevel(x.data(), x.size()), 300);
  EXPECT_DOUBLE_EQ(MidLevel(x.data(), 0), 0);
}

// The crossing of a cubic is found exactly, whichever way it runs.
TEST(TriggerSearchTest, CrossingOfACubicIsExact) {
  struct Case {
    double a, b, c;  // f(t) = a t^3 + b t^2 + c t, monotone on [0, 1]
    double root;
  };
  const Case cases[] = {{1, 0, 1, 0.37}, {-0.5, 0.2, -2, 0.81}, {0, 0, 3, 0.5}, {2, -1, 1, 0.02}};
  for (const Case& k : cases) {
    auto f = [&](double t) { return k.a * t * t * t + k.b * t * t + k.c * t; };
    const double level = f(k.root);
    EXPECT_NEAR(CrossingBetween(f(-1), f(0), f(1), f(2), level), k.root, 1e-6) << k.root;
  }
}

// A fast tone triggered near its crest on either slope: the crossings found against the sine's
// own, across a sixth of the rate and below. A straight line between the samples is off by
// about 0.08 sample rms at 7001 Hz; the curve stays within 0.05.
TEST(TriggerSearchTest, FastToneCrossingsStayWithinFiveHundredthsOfASample) {
  struct Case {
    double freq;
    double share;  // the level, as a share of the amplitude
  };
  const Case cases[] = {{7001, 0.7}, {7001, -0.7}, {7350, 0.7}, {5001, 0.85},
                        {3001, 0.7}, {997, 0.95},  {7001, 0.0}};
  const double amplitude = 0.7 * 32767;
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.freq << " Hz at " << k.share);
    const double phase = 0.3;
    const std::vector<double> x = Sine(44100, k.freq, amplitude, phase);
    const double level = k.share * amplitude;
    const std::vector<double> found =
        Find(x, Criteria(level, 0.02 * amplitude, TriggerSlope::kEither));
    const double period = kRate / k.freq;
    ASSERT_GT(found.size(), static_cast<size_t>(2 * 44100 / period) - 4);
    // The sine's crossings: rising at asin(share), falling at pi - asin(share), a period apart.
    const double w = 2 * std::numbers::pi / period;
    const double rise = (std::asin(k.share) - phase) / w;
    const double fall = (std::numbers::pi - std::asin(k.share) - phase) / w;
    double sum = 0;
    for (double t : found) {
      const double a = std::remainder(t - rise, period);
      const double b = std::remainder(t - fall, period);
      const double off = std::fabs(a) < std::fabs(b) ? a : b;
      sum += off * off;
    }
    EXPECT_LT(std::sqrt(sum / static_cast<double>(found.size())), 0.05);
  }
}
