#include "analysis/generator_texts.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(GeneratorTextsTest, LevelsInDbfsBothWays) {
  struct Case {
    double level, dbfs;
  } cases[] = {{1.0, 0.0}, {0.5, -6.0206}, {0.1, -20.0}, {std::pow(10.0, -1.0 / 20), -1.0}};
  for (const Case& c : cases) {
    EXPECT_NEAR(LevelDbfs(c.level), c.dbfs, 1e-4) << c.level;
    EXPECT_NEAR(LevelFromDbfs(c.dbfs), c.level, 1e-5) << c.dbfs;
  }
  EXPECT_TRUE(std::isinf(LevelDbfs(0.0)));
  EXPECT_EQ(LevelFromDbfs(-300.0), 0.0);
  EXPECT_EQ(LevelFromDbfs(6.0), 1.0) << "never above full scale";
  // Half of a full scale of 1024 mV peak: 512 mV peak, 362.04 mV rms.
  EXPECT_NEAR(SineRmsMillivolts(0.5, 1024.0), 362.0387, 1e-4);
}

TEST(GeneratorTextsTest, OutputPaneSaysWhatEachChannelPlays) {
  GeneratorSetup a;
  a.channels[0].frequency = 1000;
  a.channels[0].level = std::pow(10.0, -1.0 / 20);
  a.channels[1].on = false;
  GeneratorSetup b;
  b.channels[0].waveform = Waveform::PinkNoise;
  b.channels[0].level = 0.25;
  b.channels[1].waveform = Waveform::Square;
  b.channels[1].frequency = 0.125;
  b.channels[1].level = 0.0;
  GeneratorSetup c;
  c.channels[0].waveform = Waveform::Sweep;
  c.channels[0].sweepStartHz = 20;
  c.channels[0].sweepStopHz = 20000;
  c.channels[0].level = 0.5;
  c.channels[1].waveform = Waveform::Pulse;
  c.channels[1].frequency = 1234.567;
  c.channels[1].level = 1.0;
  struct Case {
    const GeneratorSetup* setup;
    uint64_t underruns;
    const char* pane;
    const char* detail;
  } cases[] = {
      {&a, 0, "OUT L -1.0 R off dBFS | 0 underruns", "L sine 1000 Hz -1.0 dBFS, R off"},
      {&b, 1, "OUT L -12.0 R off dBFS | 1 underrun", "L pink -12.0 dBFS, R off"},
      {&c, 12, "OUT L -6.0 R 0.0 dBFS | 12 underruns",
       "L sweep 20 Hz-20000 Hz -6.0 dBFS, R pulse 1234.567 Hz 0.0 dBFS"},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(OutputPaneText(*k.setup, k.underruns), k.pane);
    EXPECT_EQ(OutputPaneDetail(*k.setup), k.detail);
  }
}

TEST(GeneratorTextsTest, MillivoltsSetTheLevelThroughTheCalibration) {
  struct Case {
    double millivolts, fullScaleMv, level;
  } cases[] = {
      {362.0387, 1024.0, 0.5},  // the reverse of the figure above
      {707.1068, 1000.0, 1.0},  // a full-scale sine
      {5000.0, 1000.0, 1.0},    // never past full scale
      {100.0, 0.0, 0.0},        // no calibration: no level from volts
      {-3.0, 1000.0, 0.0},      // nothing below silence
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(LevelFromSineRmsMillivolts(c.millivolts, c.fullScaleMv), c.level, 1e-6)
        << c.millivolts << " mV of " << c.fullScaleMv;
  }
}

TEST(GeneratorTextsTest, ToneListsReadAndWriteBack) {
  struct Case {
    const char* text;
    bool ok;
    std::vector<std::pair<double, double>> tones;  // hertz, dB
    const char* written;                           // how the list is written back
  } cases[] = {
      {"100, 1000@-6, 5000@-12",
       true,
       {{100, 0}, {1000, -6}, {5000, -12}},
       "100, 1000@-6, 5000@-12"},
      {"  31.25;62.5 125 ", true, {{31.25, 0}, {62.5, 0}, {125, 0}}, "31.25, 62.5, 125"},
      {"1000 @ -3dB, 2000@-120", true, {{1000, -3}, {2000, -120}}, "1000@-3, 2000@-120"},
      {"997.123", true, {{997.123, 0}}, "997.123"},
      {"", false, {}, nullptr},
      {" , ; ", false, {}, nullptr},
      {"0", false, {}, nullptr},
      {"-5", false, {}, nullptr},
      {"30000", false, {}, nullptr},  // above the highest frequency allowed
      {"1000@3", false, {}, nullptr},
      {"1000@-121", false, {}, nullptr},
      {"1000@", false, {}, nullptr},
      {"1k", false, {}, nullptr},
      {"nan", false, {}, nullptr},
  };
  for (const Case& c : cases) {
    ChannelSetup ch;
    ch.toneCount = 1;
    ch.toneHz[0] = 440;
    std::string error;
    ASSERT_EQ(ParseToneList(c.text, 24000.0, &ch, &error), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
      EXPECT_EQ(ch.toneCount, 1) << "left untouched: " << c.text;
      EXPECT_EQ(ch.toneHz[0], 440) << c.text;
      continue;
    }
    ASSERT_EQ(ch.toneCount, static_cast<int>(c.tones.size())) << c.text;
    for (size_t t = 0; t < c.tones.size(); ++t) {
      EXPECT_DOUBLE_EQ(ch.toneHz[t], c.tones[t].first) << c.text;
      EXPECT_DOUBLE_EQ(ch.toneDb[t], c.tones[t].second) << c.text;
    }
    EXPECT_EQ(ToneListText(ch), c.written);
  }
  // 32 tones at most.
  std::string many;
  for (int i = 1; i <= 33; ++i) many += std::to_string(100 * i) + " ";
  ChannelSetup ch;
  std::string error;
  EXPECT_FALSE(ParseToneList(many, 24000.0, &ch, &error));
  many.resize(many.rfind("3300"));
  EXPECT_TRUE(ParseToneList(many, 24000.0, &ch, &error)) << error;
  EXPECT_EQ(ch.toneCount, 32);
}
