#include "platform/output_block_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A renderer of a known ramp: frame i of the whole stream is (i / 1000, -i / 2000), so every
// piece continues where the last one ended.
struct Ramp {
  size_t next = 0;
  static void Render(void* self, float* out, size_t frames) {
    auto* r = static_cast<Ramp*>(self);
    for (size_t i = 0; i < frames; ++i, ++r->next) {
      out[2 * i] = static_cast<float>(r->next / 1000.0);
      out[2 * i + 1] = static_cast<float>(-(r->next / 2000.0));
    }
  }
};

int32_t Packed24(const uint8_t* p) {
  int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
  return v & 0x800000 ? v - 0x1000000 : v;
}

}  // namespace

// Every format and channel count carries the rendered frames in order across pieces: float as it
// is, 24 bits rounded, 16 bits within the dither's reach (1 LSB each way); a mono device gets the
// left channel, channels past the second stay silent.
TEST(OutputBlockWriterTest, ConvertsEachFormatAndChannelCount) {
  struct Case {
    OutputSampleFormat format;
    int channels;
    size_t bytes;  // of one sample
  } cases[] = {{OutputSampleFormat::Float32, 2, 4}, {OutputSampleFormat::Float32, 1, 4},
               {OutputSampleFormat::Int24, 2, 3},   {OutputSampleFormat::Int16, 2, 2},
               {OutputSampleFormat::Int16, 4, 2},   {OutputSampleFormat::Int24, 1, 3}};
  constexpr size_t kFrames = 700;  // more than two pieces of 256
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(OutputSampleFormatName(c.format)) + " x" + std::to_string(c.channels));
    OutputBlockWriter writer(c.format, c.channels);
    Ramp ramp;
    std::vector<uint8_t> out(kFrames * c.channels * c.bytes + 8, 0xA5);
    writer.Fill(out.data(), kFrames, false, &Ramp::Render, &ramp);
    EXPECT_EQ(out[kFrames * c.channels * c.bytes], 0xA5) << "wrote past the block";
    EXPECT_EQ(ramp.next, kFrames);
    for (size_t i = 0; i < kFrames; ++i) {
      for (int ch = 0; ch < c.channels; ++ch) {
        const double want = ch == 0   ? static_cast<float>(i / 1000.0)
                            : ch == 1 ? static_cast<float>(-(i / 2000.0))
                                      : 0.0;
        const uint8_t* p = out.data() + (i * c.channels + ch) * c.bytes;
        switch (c.format) {
          case OutputSampleFormat::Float32: {
            float v;
            std::memcpy(&v, p, 4);
            ASSERT_EQ(v, static_cast<float>(want)) << i;
            break;
          }
          case OutputSampleFormat::Int24:
            ASSERT_EQ(Packed24(p), std::lround(static_cast<float>(want) * 8388607.0)) << i;
            break;
          case OutputSampleFormat::Int16: {
            int16_t v;
            std::memcpy(&v, p, 2);
            // Dither of two steps peak to peak, then rounding: at most 1.5 steps off.
            ASSERT_LE(std::fabs(v - static_cast<float>(want) * 32767.0), 1.5 + 1e-9) << i;
            if (ch >= 2) {
              ASSERT_EQ(v, 0);
            }
            break;
          }
        }
      }
    }
  }
}

// Dither makes the 16-bit error independent of the signal: a constant between two steps comes
// out as the right mean, not as the nearest step.
TEST(OutputBlockWriterTest, SixteenBitsAreDitheredToTheRightMean) {
  OutputBlockWriter writer(OutputSampleFormat::Int16, 1);
  struct Constant {
    static void Render(void*, float* out, size_t frames) {
      for (size_t i = 0; i < 2 * frames; ++i) out[i] = static_cast<float>(0.3 / 32767.0);
    }
  };
  std::vector<int16_t> out(100000);
  writer.Fill(out.data(), out.size(), false, &Constant::Render, nullptr);
  double sum = 0;
  for (int16_t v : out) sum += v;
  EXPECT_NEAR(sum / out.size(), 0.3, 0.02);
}

// Each block the device says it ran dry before counts once; blocks without the flag never do.
TEST(OutputBlockWriterTest, CountsUnderrunsAsTheDeviceReportsThem) {
  OutputBlockWriter writer(OutputSampleFormat::Float32, 2);
  Ramp ramp;
  std::vector<float> out(2 * 64);
  const bool flags[] = {false, true, true, false, false, true, false};
  uint64_t expected = 0;
  for (bool f : flags) {
    writer.Fill(out.data(), 64, f, &Ramp::Render, &ramp);
    expected += f;
    EXPECT_EQ(writer.Underruns(), expected);
  }
  EXPECT_EQ(ramp.next, 64u * std::size(flags)) << "a flagged block is still played";
}

// Silence stays digital silence at 16 bits: no dither noise while the output is off.
TEST(OutputBlockWriterTest, SilenceStaysExactAtSixteenBits) {
  OutputBlockWriter writer(OutputSampleFormat::Int16, 2);
  struct Silence {
    static void Render(void*, float* out, size_t frames) {
      for (size_t i = 0; i < 2 * frames; ++i) out[i] = 0.0f;
    }
  };
  std::vector<int16_t> out(2 * 1000, 7);
  writer.Fill(out.data(), 1000, false, &Silence::Render, nullptr);
  for (int16_t v : out) ASSERT_EQ(v, 0);
}
