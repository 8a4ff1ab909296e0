#include "view/capture_format.h"

#include <gtest/gtest.h>

#include "acquisition/app_state.h"

TEST(CaptureFormatTest, MatchesTheBuffersTheCaptureEngineMakes) {
  struct Case {
    int channels;
    int bits;
    uint32_t rate;
    std::size_t frameBytes;
    uint8_t silence;
  };
  const Case cases[] = {
      {1, 8, 11025, 1, 128}, {2, 8, 22050, 2, 128}, {1, 16, 11025, 2, 0},
      {2, 16, 44100, 4, 0},  {2, 16, 48000, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << " ch, " << c.bits << " bit, " << c.rate);
    AppState app;
    app.m_nChannels = static_cast<uint16_t>(c.channels);
    app.m_nBits = static_cast<uint16_t>(c.bits);
    app.m_nSampleRate = c.rate;
    app.m_nFilterType = kFilterLowPass;
    app.m_nFreqPoint = 3000;
    app.m_capture.SetFormat(c.channels, c.rate, c.bits);
    const WaveFormat& engine = app.m_capture.GetFormat();

    const CaptureFormat f = CaptureFormatOf(app);
    EXPECT_EQ(f.channels, c.channels);
    EXPECT_EQ(f.bits, c.bits);
    EXPECT_EQ(f.frameBytes, c.frameBytes);
    EXPECT_EQ(f.frameBytes, engine.nBlockAlign);
    EXPECT_EQ(f.bufferBytes, engine.nAvgBytesPerSec / 2);
    EXPECT_EQ(f.bufferFrames, c.rate / 2);
    EXPECT_EQ(f.silenceByte, c.silence);

    const FrameFormat frame = f.Frame(441, 2.5f);
    EXPECT_EQ(frame.channels, c.channels);
    EXPECT_EQ(frame.bits, c.bits);
    EXPECT_EQ(frame.samplesPerView, 441);
    EXPECT_EQ(frame.timeBase, 2.5f);
    EXPECT_EQ(frame.filterType, kFilterLowPass);
    EXPECT_EQ(frame.sampleRate, c.rate);
    EXPECT_EQ(frame.freqPoint, 3000);
    EXPECT_EQ(f.Frame(10).timeBase, 1.0f);
  }
}
