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
