#include "analysis/pcm_samples.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct DecodeCase {
  const char* name;
  int channels;
  int bits;
  std::vector<unsigned char> bytes;  // interleaved frames, hand-coded
  std::vector<double> left;          // the counts worked out by hand
  std::vector<double> right;         // empty with one channel
};

}  // namespace

TEST(PcmSamplesTest, DecodesEachChannelOfHandCodedFrames) {
  const DecodeCase cases[] = {
      // 8 bit: unsigned, 0x80 is zero, 0x00 the most negative, 0xFF the most positive.
      {"8-bit mono", 1, 8, {0x80, 0x00, 0xFF, 0x81, 0x7F}, {0, -128, 127, 1, -1}, {}},
      {"8-bit stereo", 2, 8, {0x80, 0xFF, 0x00, 0x81, 0x7F, 0x80}, {0, -128, -1}, {127, 1, 0}},
      // 16 bit: signed, low byte first.
      {"16-bit mono",
       1,
       16,
       {0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x34, 0x12},
       {0, 1, -1, -32768, 32767, 0x1234},
       {}},
      {"16-bit stereo",
       2,
       16,
       {0x00, 0x01, 0xFE, 0xFF, 0x00, 0x80, 0xFF, 0x7F},
       {256, -32768},
       {-2, 32767}},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t frames = c.left.size();
    ASSERT_EQ(c.bytes.size(), frames * c.channels * SampleBytes(c.bits));
    std::vector<double> out(frames, 99.0);
    DecodeChannel(c.bytes.data(), frames, c.channels, c.bits, 0, out.data());
    EXPECT_EQ(out, c.left);
    if (c.channels == 2) {
      DecodeChannel(c.bytes.data(), frames, c.channels, c.bits, 1, out.data());
      EXPECT_EQ(out, c.right);
    } else {
      // Mono frames have no right channel: nothing is written.
      std::vector<double> untouched(frames, 99.0);
      DecodeChannel(c.bytes.data(), frames, c.channels, c.bits, 1, untouched.data());
      EXPECT_EQ(untouched, std::vector<double>(frames, 99.0));
    }
    // Sample by sample the same values.
    const std::size_t stride = c.channels * SampleBytes(c.bits);
    for (std::size_t i = 0; i < frames; ++i) {
      EXPECT_EQ(DecodeSample(c.bytes.data() + i * stride, c.bits), c.left[i]) << "frame " << i;
    }
  }
}

TEST(PcmSamplesTest, FullScaleIsEitherEndOfTheWidthsRange) {
  struct Case {
    int bits;
    double value;
    bool full;
  };
  const Case cases[] = {
      {8, -128, true},    {8, 127, true},     {8, -127, false},  {8, 126, false},
      {8, 0, false},      {16, -32768, true}, {16, 32767, true}, {16, -32767, false},
      {16, 32766, false}, {16, 127, false},   {16, -128, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AtFullScale(c.value, c.bits), c.full) << c.bits << " bit, " << c.value;
  }
}

// Full scale is what the most negative code of the width decodes to, negated: a level relative
// to it reads 0 dB at the converter's limit, whichever width the input has.
TEST(PcmSamplesTest, FullScaleIsTheMagnitudeOfTheMostNegativeCode) {
  struct Case {
    int bits;
    std::vector<unsigned char> mostNegative;
    double fullScale;
  };
  const Case cases[] = {
      {8, {0x00}, 128.0},
      {16, {0x00, 0x80}, 32768.0},
      {24, {0x00, 0x80}, 32768.0},  // any other width reads as 16 bit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FullScale(c.bits), c.fullScale) << c.bits << " bit";
    EXPECT_EQ(-DecodeSample(c.mostNegative.data(), c.bits), FullScale(c.bits)) << c.bits << " bit";
    EXPECT_TRUE(AtFullScale(-FullScale(c.bits), c.bits)) << c.bits << " bit";
  }
}
