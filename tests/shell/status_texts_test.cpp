#include "shell/status_texts.h"

#include <gtest/gtest.h>

#include <climits>

#include "features/live/level_meter_bar.h"
#include "features/live/live_feature.h"
#include "shell/main_frame.h"

TEST(ShellStatusTexts, RatePaneNamesEachIndexAndFallsBackTo44100) {
  EXPECT_EQ(RatePaneText(1), "Rate 11025 Hz");
  EXPECT_EQ(RatePaneText(2), "Rate 22050 Hz");
  EXPECT_EQ(RatePaneText(3), "Rate 44100 Hz");
  EXPECT_EQ(RatePaneText(4), "Rate 48000 Hz");
  EXPECT_EQ(RatePaneText(5), "Rate 96000 Hz");
  for (int out : {0, 6, -1, INT_MAX}) EXPECT_EQ(RatePaneText(out), "Rate 44100 Hz") << out;
}

TEST(ShellStatusTexts, ChannelPaneIsEmptyOutsideOneAndTwo) {
  EXPECT_EQ(ChannelPaneText(1), "SINGLE CHANNEL");
  EXPECT_EQ(ChannelPaneText(2), "DOUBLE CHANNEL");
  EXPECT_EQ(ChannelPaneText(0), "");
  EXPECT_EQ(ChannelPaneText(3), "");
  EXPECT_EQ(ChannelPaneText(0xFFFF), "");
}

TEST(ShellStatusTexts, WindowPaneNamesEachWindowAndIsEmptyOtherwise) {
  EXPECT_EQ(FFTWindowPaneText(1), "Rectangle Window");
  EXPECT_EQ(FFTWindowPaneText(2), "Triangular Window");
  EXPECT_EQ(FFTWindowPaneText(3), "Hanning Window");
  EXPECT_EQ(FFTWindowPaneText(4), "Hamming Window");
  EXPECT_EQ(FFTWindowPaneText(5), "Blackman Window");
  EXPECT_EQ(FFTWindowPaneText(0), "");
  EXPECT_EQ(FFTWindowPaneText(6), "");
}

TEST(ShellStatusTexts, NumericPanesFormatTheValueAsIs) {
  EXPECT_EQ(BitsPaneText(8), "8 BITS");
  EXPECT_EQ(BitsPaneText(16), "16 BITS");
  EXPECT_EQ(VoltPaneText(32000), "1V = 32000");
  EXPECT_EQ(VoltPaneText(120), "1V = 120");
  // Unloaded settings are all bits set; the text still fits its buffer.
  EXPECT_EQ(VoltPaneText(-1), "1V = -1");
  EXPECT_EQ(VoltPaneText(INT_MIN), "1V = -2147483648");
}

TEST(ShellStatusTexts, LivePaneKeepsTheLostCountApartFromTheUpdateRate) {
  struct Case {
    bool live;
    unsigned long long lost;
    double rate;
    const char* text;
  };
  const Case cases[] = {
      {false, 0, 2.0, "CLASSIC | 0 lost | 2.0 upd/s"},
      {true, 0, 60.2, "LIVE | 0 lost | 60 upd/s"},
      {true, 3, 0, "LIVE | 3 lost | 0.0 upd/s"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LivePaneText(c.live, c.lost, c.rate).toStdString(), c.text);
  }
}

// The meters' scale: a tick every 10 dB at the bar's own pixels, numbers where they fit.
TEST(LevelMeterScale, TicksSitWhereTheBarReachesTheirLevelAndNumbersNeverCollide) {
  struct Case {
    int width, labelWidth;
    std::vector<int> labelled;  // dB of the numbered ticks
  };
  const Case cases[] = {
      {170, 12, {-50, -40, -30, -20, -10, 0}},
      {60, 12, {-50, -30, 0}},  // 10 px a tick: every other number
      {30, 12, {0}},
      {170, 0, {}},  // ticks only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    const std::vector<LevelTick> ticks = LevelScaleTicks(c.width, c.labelWidth);
    ASSERT_EQ(ticks.size(), 6u);
    std::vector<int> labelled;
    int previousRight = -1000;
    for (size_t i = 0; i < ticks.size(); ++i) {
      EXPECT_EQ(ticks[i].db, -50 + 10 * static_cast<int>(i));
      // -60 dBFS is the bar's left end, 0 dBFS its right end.
      EXPECT_NEAR(ticks[i].x, c.width * (ticks[i].db + 60) / 60.0, 0.5);
      EXPECT_EQ(ticks[i].x, LevelBarPixels(ticks[i].db, c.width));
      if (!ticks[i].labelled) continue;
      labelled.push_back(ticks[i].db);
      const int left = ticks[i].db == 0 ? ticks[i].x - c.labelWidth : ticks[i].x - c.labelWidth / 2;
      EXPECT_GE(left, 0);
      EXPECT_LE(left + c.labelWidth, c.width);
      EXPECT_GE(left, previousRight + 3);
      previousRight = left + c.labelWidth;
    }
    EXPECT_EQ(labelled, c.labelled);
  }
}
