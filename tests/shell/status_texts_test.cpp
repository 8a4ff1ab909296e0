#include "shell/status_texts.h"

#include <gtest/gtest.h>

#include <climits>

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
