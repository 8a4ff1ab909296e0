#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/envelope.h"
#include "analysis/level_meter.h"

namespace {

std::vector<double> Tone(size_t count, double rate, double freq, double amplitude) {
  std::vector<double> x(count);
  for (size_t i = 0; i < count; ++i) {
    x[i] = amplitude * std::sin(2 * std::numbers::pi * freq * static_cast<double>(i) / rate);
  }
  return x;
}

// Interleaved 16-bit frames of two channels.
std::vector<unsigned char> Pcm16(const std::vector<double>& left,
                                 const std::vector<double>& right) {
  std::vector<unsigned char> out(left.size() * 4);
  for (size_t i = 0; i < left.size(); ++i) {
    for (int c = 0; c < 2; ++c) {
      const auto v = static_cast<short>(std::lround(c == 0 ? left[i] : right[i]));
      out[i * 4 + c * 2] = static_cast<unsigned char>(v & 0xFF);
      out[i * 4 + c * 2 + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    }
  }
  return out;
}

}  // namespace

TEST(EnvelopeTest, EachColumnIsTheMinAndMaxOfItsOwnSamples) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> value(-30000, 30000);
  for (size_t count : {1000u, 1001u, 24000u, 48000u}) {
    for (size_t columns : {1u, 7u, 333u, 900u, 1000u}) {
      std::vector<double> x(count);
      for (double& v : x) v = value(random);
      std::vector<double> mins(columns), maxs(columns);
      ASSERT_EQ(ComputeEnvelope(x.data(), count, columns, mins.data(), maxs.data()), columns);
      // The columns tile the frame: every sample in exactly one, in order, none left out.
      size_t covered = 0;
      for (size_t c = 0; c < columns; ++c) {
        const size_t begin = c * count / columns, end = (c + 1) * count / columns;
        ASSERT_LT(begin, end);
        ASSERT_EQ(begin, covered);
        covered = end;
        const auto [lo, hi] = std::minmax_element(x.begin() + begin, x.begin() + end);
        ASSERT_EQ(mins[c], *lo) << count << " samples, column " << c << " of " << columns;
        ASSERT_EQ(maxs[c], *hi) << count << " samples, column " << c << " of " << columns;
      }
      EXPECT_EQ(covered, count);
    }
  }
}

TEST(EnvelopeTest, FewerSamplesThanColumnsGivesOneColumnPerSample) {
  const std::vector<double> x = {1, -2, 3};
  std::vector<double> mins(10), maxs(10);
  ASSERT_EQ(ComputeEnvelope(x.data(), x.size(), 10, mins.data(), maxs.data()), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(mins[i], x[i]);
    EXPECT_EQ(maxs[i], x[i]);
  }
  EXPECT_EQ(ComputeEnvelope(x.data(), 0, 10, mins.data(), maxs.data()), 0u);
}

TEST(EnvelopeTest, OneSampleSpikeShowsAtEveryTimeBaseAndAToneFillsABand) {
  // 48 kHz, 900 columns: 1 ms/div is 480 samples, 50 ms/div 24000.
  for (int timeBase : {1, 2, 5, 10, 20, 50}) {
    const size_t count = 480u * static_cast<size_t>(timeBase);
    std::vector<double> x(count, 0.0);
    x[count / 3] = 1000;
    std::vector<double> mins(900), maxs(900);
    const size_t columns = ComputeEnvelope(x.data(), count, 900, mins.data(), maxs.data());
    EXPECT_EQ(*std::max_element(maxs.begin(), maxs.begin() + columns), 1000) << timeBase;
  }
  // A 1 kHz tone at 50 ms/div: a column holds more than half a period (200 degrees), so each one
  // spans more than the amplitude, a band instead of a slow false wave.
  const std::vector<double> tone = Tone(24000, 48000, 1000, 1000);
  std::vector<double> mins(900), maxs(900);
  ASSERT_EQ(ComputeEnvelope(tone.data(), tone.size(), 900, mins.data(), maxs.data()), 900u);
  for (size_t c = 0; c < 900; ++c) {
    ASSERT_GT(maxs[c] - mins[c], 1000) << c;
  }
}

TEST(LevelMeterTest, KnownTonesReadTheirPeakAndRmsInDbfs) {
  // Whole periods of 1 kHz at 48 kHz: RMS is exactly amplitude / sqrt(2).
  const std::vector<unsigned char> pcm =
      Pcm16(Tone(48000, 48000, 1000, 16384), Tone(48000, 48000, 1000, 4096));
  LevelMeter meter;
  meter.Measure(pcm.data(), 48000, 2, 16, 0);
  EXPECT_NEAR(meter.PeakDb(0), -6.0206, 0.01);
  EXPECT_NEAR(meter.RmsDb(0), -9.0309, 0.01);
  EXPECT_NEAR(meter.PeakDb(1), -18.0618, 0.01);
  EXPECT_NEAR(meter.RmsDb(1), -21.0721, 0.01);
  EXPECT_FALSE(meter.Clipping(0, 0));

  // 8 bit, one channel: a square of ±64 counts around 128 is -6 dBFS peak and RMS.
  std::vector<unsigned char> square(1000);
  for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 10) % 2 ? 192 : 64;
  meter.Measure(square.data(), square.size(), 1, 8, 0);
  EXPECT_NEAR(meter.PeakDb(0), 20 * std::log10(0.5), 1e-9);
  EXPECT_NEAR(meter.RmsDb(0), 20 * std::log10(0.5), 1e-9);
  EXPECT_EQ(meter.PeakDb(1), LevelMeter::kFloorDb);

  // Silence reads the floor, not minus infinity.
  const std::vector<unsigned char> zeros(400, 0);
  meter.Measure(zeros.data(), 100, 2, 16, 0);
  EXPECT_EQ(meter.PeakDb(0), LevelMeter::kFloorDb);
  EXPECT_EQ(meter.RmsDb(1), LevelMeter::kFloorDb);
}

TEST(LevelMeterTest, FullScaleSampleHoldsTheClipForOneSecondOnItsChannelOnly) {
  std::vector<double> left(480, 0.0), right(480, 0.0);
  left[100] = -32768;
  const std::vector<unsigned char> clipped = Pcm16(left, right);
  const std::vector<unsigned char> quiet = Pcm16(right, right);
  LevelMeter meter;
  meter.Measure(clipped.data(), 480, 2, 16, 5000);
  EXPECT_NEAR(meter.PeakDb(0), 0.0, 1e-12);
  meter.Measure(quiet.data(), 480, 2, 16, 5100);
  EXPECT_TRUE(meter.Clipping(0, 5100));
  EXPECT_TRUE(meter.Clipping(0, 5999));
  EXPECT_FALSE(meter.Clipping(0, 6000));
  EXPECT_FALSE(meter.Clipping(1, 5100));
  // One count below full scale is not a clip; +32767 is.
  right[7] = 32766;
  meter.Reset();
  meter.Measure(Pcm16(right, right).data(), 480, 2, 16, 0);
  EXPECT_FALSE(meter.Clipping(1, 0));
  right[7] = 32767;
  meter.Measure(Pcm16(right, right).data(), 480, 2, 16, 0);
  EXPECT_TRUE(meter.Clipping(1, 0));
  // 8 bit: 0 and 255 are both full scale.
  const unsigned char eight[] = {128, 255, 128, 128};
  meter.Reset();
  meter.Measure(eight, 2, 2, 8, 0);
  EXPECT_FALSE(meter.Clipping(0, 0));
  EXPECT_TRUE(meter.Clipping(1, 0));
}
