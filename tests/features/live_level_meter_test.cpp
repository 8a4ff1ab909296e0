// The level meters' reading of the capture ring: the newest frames in the settings' format, with
// the frames the ring no longer holds read as silence of that format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "acquisition/app_state.h"
#include "features/live/level_meter_bar.h"
#include "platform/capture_ring.h"
#include "platform/ring_read.h"
#include "view/capture_format.h"

namespace {

constexpr unsigned kRate = 44100;
constexpr std::size_t kLimit = kRate / 10;  // what the meter looks at: the newest 100 ms

CaptureFormat FormatOf(int channels, int bits) {
  AppState app;
  app.m_nChannels = static_cast<uint16_t>(channels);
  app.m_nBits = static_cast<uint16_t>(bits);
  app.m_nSampleRate = kRate;
  return CaptureFormatOf(app);
}

// One sample of the width, coded as the converter delivers it.
void PutSample(int value, int bits, std::vector<uint8_t>* out) {
  if (bits == 8) {
    out->push_back(static_cast<uint8_t>(value + 128));
  } else {
    const auto v = static_cast<uint16_t>(static_cast<int16_t>(value));
    out->push_back(static_cast<uint8_t>(v & 0xFF));
    out->push_back(static_cast<uint8_t>(v >> 8));
  }
}

// Writes frames frames of a square wave, +-amplitude on the left and +-amplitude / 2 on the
// right, block by block as a device would, with the consumer keeping up.
void WriteSquare(CaptureRing& ring, std::size_t frames, int channels, int bits, int amplitude) {
  std::vector<uint8_t> block;
  for (std::size_t done = 0; done < frames;) {
    const std::size_t n = std::min(CaptureRing::kMaxBlockFrames, frames - done);
    block.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const int sign = (done + i) % 2 == 0 ? 1 : -1;
      PutSample(sign * amplitude, bits, &block);
      if (channels == 2) PutSample(sign * amplitude / 2, bits, &block);
    }
    ASSERT_TRUE(ring.Write(block.data(), n, 1000 + done));
    ring.AdvanceReadPosition(ring.WritePosition());
    done += n;
  }
}

}  // namespace

// A ring shorter than the meter's look: what it no longer holds pads the look with silence, and
// silence is 128 for 8-bit samples, not a full-scale negative peak.
TEST(LiveLevelMeterTest, FramesTheRingNoLongerHoldsReadAsSilenceOfEachWidth) {
  struct Case {
    int channels;
    int bits;
    int amplitude;
  };
  const Case cases[] = {{1, 8, 64}, {2, 8, 100}, {1, 16, 16384}, {2, 16, 3000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << " ch, " << c.bits << " bit");
    const CaptureFormat capture = FormatOf(c.channels, c.bits);
    CaptureRing ring(4096, capture.frameBytes);
    WriteSquare(ring, kLimit, c.channels, c.bits, c.amplitude);
    const std::size_t held = RingReach(ring);
    ASSERT_LT(held, kLimit) << "the look must reach past what the ring holds";

    LevelMeter meter;
    uint64_t read = 0;
    std::vector<unsigned char> frames;
    ASSERT_TRUE(MeasureRingLevels(meter, ring, capture, &read, kLimit, true, &frames, 5000));
    EXPECT_EQ(read, ring.WritePosition());
    // The square's peak, and its RMS diluted by the silent part of the look.
    const double fullScale = c.bits == 8 ? 128.0 : 32768.0;
    const double share = std::sqrt(static_cast<double>(held) / static_cast<double>(kLimit));
    for (int ch = 0; ch < c.channels; ++ch) {
      const double a = ch == 0 ? c.amplitude : c.amplitude / 2;
      EXPECT_NEAR(meter.PeakDb(ch), 20 * std::log10(a / fullScale), 1e-9) << "channel " << ch;
      EXPECT_NEAR(meter.RmsDb(ch), 20 * std::log10(a * share / fullScale), 1e-9)
          << "channel " << ch;
      EXPECT_FALSE(meter.Clipping(ch, 5000)) << "channel " << ch;
    }
    if (c.channels == 1) {
      EXPECT_EQ(meter.PeakDb(1), LevelMeter::kFloorDb);
    }
  }
}

// With nothing new to read the meter holds its reading while recording and falls to the floor
// otherwise; a ring of another format counts as nothing new.
TEST(LiveLevelMeterTest, NothingNewKeepsTheReadingOnlyWhileAsked) {
  struct Case {
    const char* name;
    std::size_t ringFrameBytes;  // the settings' format is 2 channels of 16 bits: 4 bytes
    bool keep;
    bool measured;
    double peakDb;  // afterwards, on the left
  };
  const double square = 20 * std::log10(8192.0 / 32768.0);
  const Case cases[] = {
      {"same format, kept", 4, true, false, square},
      {"same format, let fall", 4, false, true, LevelMeter::kFloorDb},
      {"other format, kept", 2, true, false, square},
      {"other format, let fall", 2, false, true, LevelMeter::kFloorDb},
  };
  const CaptureFormat capture = FormatOf(2, 16);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LevelMeter meter;
    std::vector<unsigned char> frames;
    {
      CaptureRing first(1 << 15, 4);
      WriteSquare(first, 1000, 2, 16, 8192);
      uint64_t read = 0;
      ASSERT_TRUE(MeasureRingLevels(meter, first, capture, &read, kLimit, true, &frames, 10));
      ASSERT_NEAR(meter.PeakDb(0), square, 1e-9);
      if (c.ringFrameBytes == 4) {
        // The same ring, looked at again with nothing new.
        EXPECT_EQ(MeasureRingLevels(meter, first, capture, &read, kLimit, c.keep, &frames, 20),
                  c.measured);
        EXPECT_EQ(read, 1000u);
      }
    }
    if (c.ringFrameBytes != 4) {
      CaptureRing other(1 << 15, c.ringFrameBytes);
      std::vector<uint8_t> loud(c.ringFrameBytes * 500, 0x7F);
      ASSERT_TRUE(other.Write(loud.data(), 500, 1));
      uint64_t read = 0;
      EXPECT_EQ(MeasureRingLevels(meter, other, capture, &read, kLimit, c.keep, &frames, 20),
                c.measured);
    }
    EXPECT_NEAR(meter.PeakDb(0), c.peakDb, 1e-9);
  }
}
