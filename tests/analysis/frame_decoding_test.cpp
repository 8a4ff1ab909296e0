#include "analysis/frame_decoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/first_order_filter.h"
#include "analysis_oracles.h"

namespace {

// A half-second capture buffer as the capture engine sizes it.
std::size_t BufferBytes(int channels, int bits, unsigned rate) {
  return static_cast<std::size_t>(channels) * bits * rate / 8 / 2;
}

// 16-bit buffer whose word at byte offset o holds o / 2, so a decoded value names its offset.
std::vector<unsigned char> OffsetCodedBuffer(std::size_t bytes) {
  std::vector<unsigned char> buffer(bytes);
  for (std::size_t o = 0; o + 1 < bytes; o += 2) {
    const auto word = static_cast<std::uint16_t>(o / 2);
    buffer[o] = word & 0xff;
    buffer[o + 1] = word >> 8;
  }
  return buffer;
}

void Put16(std::vector<unsigned char>& buffer, std::size_t offset, int value) {
  const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
  buffer[offset] = word & 0xff;
  buffer[offset + 1] = word >> 8;
}

struct Frame {
  std::vector<double> left;
  std::vector<double> right;
  FramePeaks peaks;
};

// Decodes into arrays that carry a guard value past their n values.
Frame Decode(const std::vector<unsigned char>& buffer, const FrameFormat& format) {
  Frame f;
  const int n = format.samplesPerView;
  f.left.assign(n + 1, oracle::kGuard);
  f.right.assign(n + 1, oracle::kGuard);
  f.peaks = DecodeFrame(buffer.data(), buffer.size(), format, f.left.data(), f.right.data());
  EXPECT_EQ(f.left[n], oracle::kGuard);
  EXPECT_EQ(f.right[n], oracle::kGuard);
  f.left.pop_back();
  f.right.pop_back();
  return f;
}

TEST(AnalysisDecodeTest, SixteenBitOffsetsFollowTheTimeBase) {
  const unsigned rate = 11025;
  const int n = static_cast<int>(rate / 100);
  for (int channels : {1, 2}) {
    const auto buffer = OffsetCodedBuffer(BufferBytes(channels, 16, rate));
    for (int t : {1, 2, 5, 10, 20, 50}) {
      FrameFormat format{channels, 16, n, static_cast<float>(t), kFilterNone, rate, 10000};
      const Frame f = Decode(buffer, format);
      for (int i = 0; i < n; ++i) {
        const int offset = t * 2 * channels * i;
        ASSERT_EQ(f.left[i], offset / 2) << "channels " << channels << " t " << t << " i " << i;
        if (channels == 2) {
          ASSERT_EQ(f.right[i], offset / 2 + 1);
        }
      }
    }
  }
  // The worked examples: sample 3 at t = 2 from offsets 24 and 26; at t = 50 the last sample
  // of an 11025 Hz frame from offset 21800 of the 22050 bytes.
  const auto buffer = OffsetCodedBuffer(22050);
  Frame f = Decode(buffer, {2, 16, n, 2.0f, kFilterNone, rate, 10000});
  EXPECT_EQ(f.left[3] * 2, 24);
  EXPECT_EQ(f.right[3] * 2, 26);
  f = Decode(buffer, {2, 16, n, 50.0f, kFilterNone, rate, 10000});
  EXPECT_EQ(f.left[n - 1] * 2, 21800);
  EXPECT_EQ(f.right[n - 1] * 2, 21802);
}

TEST(AnalysisDecodeTest, EightBitSamplesAreUnsignedAroundHalfScale) {
  std::vector<unsigned char> buffer(400);
  for (std::size_t o = 0; o < buffer.size(); ++o) buffer[o] = static_cast<unsigned char>(o % 251);
  Frame f = Decode(buffer, {1, 8, 20, 5.0f, kFilterNone, 11025, 10000});
  for (int i = 0; i < 20; ++i) EXPECT_EQ(f.left[i], (5 * i) % 251 - 128) << i;
  EXPECT_DOUBLE_EQ(f.peaks.m_dRightPeak, 0.0);

  f = Decode(buffer, {2, 8, 20, 2.0f, kFilterNone, 11025, 10000});
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(f.left[i], (4 * i) % 251 - 128) << i;
    EXPECT_EQ(f.right[i], (4 * i + 1) % 251 - 128) << i;
  }
}

TEST(AnalysisDecodeTest, ZeroFilledBuffersAndPeaks) {
  const std::vector<unsigned char> zeros(5512, 0);
  Frame f = Decode(zeros, {1, 8, 110, 1.0f, kFilterNone, 11025, 10000});
  for (double v : f.left) EXPECT_EQ(v, -128);
  EXPECT_EQ(f.peaks.m_dLeftPeak, 128);
  EXPECT_EQ(f.peaks.m_dLeftMin, -128);

  f = Decode(zeros, {2, 16, 110, 1.0f, kFilterNone, 11025, 10000});
  for (int i = 0; i < 110; ++i) EXPECT_EQ(f.left[i] + f.right[i], 0);
  EXPECT_EQ(f.peaks.m_dLeftPeak, 0);
  EXPECT_EQ(f.peaks.m_dRightPeak, 0);

  // All negative: the peak is the size of the most negative value, the minimum that value.
  std::vector<unsigned char> negative(200, 0);
  for (int i = 0; i < 50; ++i) Put16(negative, 2 * i, -5 - (i * 37) % 300);
  Put16(negative, 20, -32768);
  f = Decode(negative, {1, 16, 50, 1.0f, kFilterNone, 11025, 10000});
  EXPECT_EQ(f.peaks.m_dLeftPeak, 32768);
  EXPECT_EQ(f.peaks.m_dLeftMin, -32768);

  // Mixed signs, two channels: each channel has its own peak.
  std::vector<unsigned char> mixed(200, 0);
  Put16(mixed, 0, 700);
  Put16(mixed, 4, -300);
  Put16(mixed, 10, 100);
  Put16(mixed, 14, -2000);
  f = Decode(mixed, {2, 16, 10, 1.0f, kFilterNone, 11025, 10000});
  EXPECT_EQ(f.peaks.m_dLeftPeak, 700);
  EXPECT_EQ(f.peaks.m_dLeftMin, -300);
  EXPECT_EQ(f.peaks.m_dRightPeak, 2000);
  EXPECT_EQ(f.peaks.m_dRightMin, -2000);
}

// Beyond the largest time base the taken frames would run past the buffer: they are not read
// and come out as 0, while those inside are decoded as usual.
TEST(AnalysisDecodeTest, TimeBaseBeyondTheBufferNeverReadsPastIt) {
  const auto buffer = OffsetCodedBuffer(22050);
  const Frame f = Decode(buffer, {2, 16, 110, 100.0f, kFilterNone, 11025, 10000});
  for (int i = 0; i < 110; ++i) {
    const bool inside = 400 * i + 4 <= 22050;
    EXPECT_EQ(f.left[i], inside ? 200 * i : 0) << i;
    EXPECT_EQ(f.right[i], inside ? 200 * i + 1 : 0) << i;
  }
  for (float bad : {std::nanf(""), -1.0f, INFINITY}) {
    const Frame g = Decode(buffer, {2, 16, 110, bad, kFilterHighPass, 11025, 10000});
    for (double v : g.left) EXPECT_EQ(v, 0);
    EXPECT_EQ(g.peaks.m_dLeftPeak, 0);
  }
}

TEST(AnalysisFilterTest, CoefficientsOfTheWorkedExample) {
  const FilterCoefficients low = DesignLowPass(44100, 10000.0f);
  EXPECT_NEAR(low.b0, 0.101833, 1e-6);
  EXPECT_EQ(low.b0, low.b1);
  EXPECT_NEAR(low.a1, -0.796334, 1e-6);
  const FilterCoefficients high = DesignHighPass(44100, 10000.0f);
  EXPECT_NEAR(high.b0, 9.08350, 1e-5);
  EXPECT_NEAR(high.b1, -8.87984, 1e-5);
  EXPECT_NEAR(high.a1, -0.796334, 1e-6);
}

// H(z) = (b0 + b1/z) / (1 + a1/z): the low pass passes DC and stops half the rate; the high pass
// has gain 1 at DC and 10 at half the rate.
TEST(AnalysisFilterTest, GainsAtZeroAndHalfTheRate) {
  for (unsigned rate : {11025u, 22050u, 44100u, 48000u, 96000u}) {
    for (float corner : {100.0f, 1000.0f, 10000.0f}) {
      const FilterCoefficients lp = DesignLowPass(rate, corner);
      EXPECT_NEAR((lp.b0 + lp.b1) / (1.0 + lp.a1), 1.0, 1e-3);
      EXPECT_NEAR((lp.b0 - lp.b1) / (1.0 - lp.a1), 0.0, 1e-6);
      const FilterCoefficients hp = DesignHighPass(rate, corner);
      EXPECT_NEAR((hp.b0 + hp.b1) / (1.0 + hp.a1), 1.0, 1e-3) << rate << " " << corner;
      EXPECT_NEAR((hp.b0 - hp.b1) / (1.0 - hp.a1), 10.0, 1e-3) << rate << " " << corner;
    }
  }
}

TEST(AnalysisFilterTest, FrameThroughTheFilterStaysWholeAndSettles) {
  // A constant frame leaves at its value or one count nearer zero, for either sign. These
  // designs have a DC gain just above 1 in single precision, so rounding down instead of toward
  // zero would show as one count too far.
  for (const FilterCoefficients& c :
       {DesignHighPass(44100, 1000.0f), DesignLowPass(44100, 10000.0f),
        DesignHighPass(44100, 10000.0f)}) {
    for (double v : {1000.0, -1000.0, 0.0}) {
      std::vector<double> x(441, v);
      RunFirstOrderFilter(x.data(), 441, c);
      for (double y : x) {
        ASSERT_LE(std::fabs(y), std::fabs(v));
        ASSERT_GE(std::fabs(y), std::fabs(v) - 1);
        ASSERT_EQ(y, std::trunc(y));
      }
    }
  }
  const FilterCoefficients hp = DesignHighPass(44100, 10000.0f);
  // Alternating at half the rate: the high pass settles to ten times the amplitude.
  std::vector<double> x(441);
  for (int i = 0; i < 441; ++i) x[i] = i % 2 ? -100 : 100;
  RunFirstOrderFilter(x.data(), 441, hp);
  EXPECT_NEAR(std::fabs(x[440]), 1000, 2);
  EXPECT_NEAR(std::fabs(x[439]), 1000, 2);

  const FilterCoefficients lp = DesignLowPass(44100, 10000.0f);
  for (int i = 0; i < 441; ++i) x[i] = i % 2 ? -100 : 100;
  RunFirstOrderFilter(x.data(), 441, lp);
  EXPECT_LE(std::fabs(x[440]), 1);
}

TEST(AnalysisFilterTest, AValueTruncatedToZeroFromBelowIsAPlainZero) {
  // A small tone through the low pass swings between a few counts of either sign; every output
  // that truncates to zero, from above or below, is the whole number 0 (no sign bit).
  const FilterCoefficients lp = DesignLowPass(44100, 5000.0f);
  std::vector<double> x(441);
  for (int i = 0; i < 441; ++i) x[i] = std::lround(3.0 * std::sin(2 * M_PI * 1000 * i / 44100.0));
  RunFirstOrderFilter(x.data(), 441, lp);
  int zeros = 0;
  int negatives = 0;
  for (double y : x) {
    if (y < 0) ++negatives;
    if (y == 0.0) {
      ++zeros;
      ASSERT_FALSE(std::signbit(y));
    }
  }
  EXPECT_GT(zeros, 20);
  EXPECT_GT(negatives, 20);
}

TEST(AnalysisFilterTest, EachChannelStartsFromItsOwnFirstValue) {
  std::vector<unsigned char> buffer(4 * 441);
  for (int i = 0; i < 441; ++i) {
    Put16(buffer, 4 * i, 1000);
    Put16(buffer, 4 * i + 2, -1000);
  }
  for (int type : {kFilterLowPass, kFilterHighPass}) {
    const Frame f = Decode(buffer, {2, 16, 441, 1.0f, type, 44100, 10000});
    for (int i = 0; i < 441; ++i) {
      ASSERT_NEAR(f.left[i], 1000, 1) << type << " " << i;
      ASSERT_NEAR(f.right[i], -1000, 1) << type << " " << i;
    }
    EXPECT_NEAR(f.peaks.m_dRightPeak, 1000, 1);
  }
}

TEST(AnalysisFilterTest, NotANumberAndInfinityPassThrough) {
  const FilterCoefficients hp = DesignHighPass(44100, 1000.0f);
  std::vector<double> x(20, 50.0);
  x[5] = std::nan("");
  x[12] = INFINITY;
  RunFirstOrderFilter(x.data(), 20, hp);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(std::isfinite(x[i]));
  EXPECT_TRUE(std::isnan(x[19]));
  double first = INFINITY;
  RunFirstOrderFilter(&first, 1, hp);
  EXPECT_FALSE(std::isfinite(first));
  RunFirstOrderFilter(nullptr, 0, hp);
}

TEST(AnalysisFilterTest, MillivoltsOfTheCalibration) {
  EXPECT_DOUBLE_EQ(ToMillivolts(16000, 32000), 500.0);
  EXPECT_DOUBLE_EQ(ToMillivolts(-128, 256), -500.0);
}

}  // namespace
