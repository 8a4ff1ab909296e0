// Setup files as text: what is written reads back as the same state, a broken file changes
// nothing and says where it broke, and entries of another version are passed over by name.
#include "shell/instrument_setup.h"

#include <gtest/gtest.h>

namespace {

InstrumentState EveryValueChanged() {
  InstrumentState s;
  s.displayMode = 613;
  s.live = true;
  s.timeBaseMs = 20;
  s.leftMv = 5;
  s.rightMv = 200;
  s.curtainRate = 30;
  s.trigger.mode = TriggerMode::kNormal;
  s.trigger.source = 1;
  s.trigger.slope = TriggerSlope::kEither;
  s.trigger.levelMv = -12.5;
  s.trigger.positionPercent = 75;
  s.trigger.holdoffMs = 3.25;
  s.trigger.hysteresisDiv = 0.75;
  s.trigger.roll = true;
  s.spectrum.fftSize = 65536;
  s.spectrum.scale = 2;
  s.spectrum.logAxis = true;
  s.spectrum.average = 1;
  s.spectrum.averageSeconds = 2.5;
  s.spectrum.peakHold = true;
  s.spectrum.peakDecayDbPerSecond = 6;
  s.spectrum.minimumHold = true;
  s.spectrum.flatTop = true;
  s.spectrum.dbBottom = -120;
  s.spectrum.dbTop = 10;
  s.measure.readout = true;
  s.measure.statistics = true;
  s.measure.quantities = {Quantity::kRms, Quantity::kThdDb};
  s.response.method = ResponseSettings::kSweep;
  s.response.referenceRight = true;
  s.response.averaging = 1;
  s.response.averageSeconds = 4.5;
  s.response.smoothing = 12;
  s.response.sweepStartHz = 10;
  s.response.sweepStopHz = 22000;
  s.response.sweepSeconds = 7.5;
  s.response.phaseUnwrapped = true;
  s.response.groupDelay = true;
  s.spectrogram.colorMap = 2;
  s.spectrogram.dbBottom = -90.5;
  s.spectrogram.dbTop = 6;
  s.spectrogram.spanSeconds = 120;
  s.spectrogram.overlapPercent = 50;
  s.card = {48000, 2, 16};
  return s;
}

TEST(InstrumentSetupTest, WhatIsWrittenReadsBackOverAnyBase) {
  InstrumentState linear = EveryValueChanged();
  linear.spectrum.average = 2;
  linear.spectrum.averageCount = 40;
  const InstrumentState states[] = {InstrumentState(), EveryValueChanged(), linear};
  for (const InstrumentState& state : states) {
    const std::string text = WriteSetupText(state);
    // Read over a base that differs in everything, so that a value the file drops shows.
    // The card is only noted when known, so the base keeps its own otherwise.
    InstrumentState base = state.live ? InstrumentState() : EveryValueChanged();
    base.card = state.card;
    const SetupReadResult read = ReadSetupText(text, base);
    ASSERT_TRUE(read.ok) << read.error << "\n" << text;
    EXPECT_TRUE(read.ignored.empty());
    EXPECT_EQ(WriteSetupText(read.state), text);
    EXPECT_EQ(read.state.displayMode, state.displayMode);
#if AURIVUE_FEATURE_TRIGGER
    EXPECT_EQ(read.state.trigger.levelMv, state.trigger.levelMv);
#endif
    EXPECT_EQ(read.state.spectrum, state.spectrum);
    EXPECT_EQ(read.state.measure.quantities, state.measure.quantities);
    EXPECT_TRUE(read.state.response == state.response);
    EXPECT_EQ(read.state.spectrogram, state.spectrogram);
  }
}

TEST(InstrumentSetupTest, KeysLeftOutKeepTheValuesInForce) {
  const InstrumentState base = EveryValueChanged();
  const SetupReadResult read =
      ReadSetupText("[Aurivue setup]\n[Trigger]\ntrigger = auto\n# a note\n\n", base);
  ASSERT_TRUE(read.ok) << read.error;
  InstrumentState expected = base;
  expected.trigger.mode = TriggerMode::kAuto;
  EXPECT_EQ(WriteSetupText(read.state), WriteSetupText(expected));
}

TEST(InstrumentSetupTest, ABrokenSetupSaysWhereAndChangesNothing) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"[Display]\nmode = 600\n", "line 2: this is not an Aurivue setup"},
      {"", "this is not an Aurivue setup (it has no [Aurivue setup] section)"},
      {"[Aurivue setup]\n[Display]\nmode = 650\n", "line 3: mode needs a display mode"},
      {"[Aurivue setup]\n[Display]\nmode 600\n", "line 3: not a setting"},
      {"[Aurivue setup]\n[Display\n", "line 2: a section needs [NAME]"},
      {"[Aurivue setup]\n[Display]\ntimebase = 3\n", "line 3: timebase needs a figure"},
      {"[Aurivue setup]\n[Display]\ndisplay = both\n", "display needs live or classic"},
      {"[Aurivue setup]\n\n[Trigger]\ntrigger-level = 12,5\n", "line 4: --trigger-level needs"},
      {"[Aurivue setup]\n[Trigger]\ntrigger-hysteresis = 3\n", "--trigger-hysteresis needs"},
      {"[Aurivue setup]\n[Spectrum]\nfft-size = 1000\n", "--fft-size needs"},
      {"[Aurivue setup]\n[Spectrum]\ndb-top = loud\n", "db-top needs a number"},
      {"[Aurivue setup]\n[Measurements]\nreadout = maybe\n", "readout needs on or off"},
      {"[Aurivue setup]\n[Card]\nrate = -1\n", "rate needs a whole number"},
      {"[Aurivue setup]\n[Spectrogram]\ncolor-map = rainbow\n", "color-map needs ember, glacier"},
      {"[Aurivue setup]\n[Spectrogram]\noverlap = 60\n", "overlap needs 50 or 75"},
      {"[Aurivue setup]\n[Spectrogram]\nspan = long\n", "span needs a number"},
  };
  const InstrumentState base = EveryValueChanged();
  for (const auto& c : cases) {
#if !AURIVUE_FEATURE_TRIGGER
    // Built without the trigger, its section is passed over as another version's would be.
    if (std::string(c.text).find("[Trigger]") != std::string::npos) continue;
#endif
    const SetupReadResult read = ReadSetupText(c.text, base);
    EXPECT_FALSE(read.ok) << c.text;
    EXPECT_NE(read.error.find(c.error), std::string::npos) << read.error;
    EXPECT_EQ(WriteSetupText(read.state), WriteSetupText(base)) << c.text;
  }
  // A good entry before the broken one is not taken either.
  const SetupReadResult late =
      ReadSetupText("[Aurivue setup]\n[Display]\nmode = 600\nleft-mv = 7\n", base);
  EXPECT_FALSE(late.ok);
  EXPECT_EQ(late.state.displayMode, base.displayMode);
}

TEST(InstrumentSetupTest, EntriesOfAnotherVersionArePassedOverByName) {
  const SetupReadResult read = ReadSetupText(
      "[Aurivue setup]\nformat = 3\nwriter = later\n[Generator]\nfrequency = 1000\n"
      "[Display]\nmode = 601\nzoom = 2\n[Measurements]\nquantities = rms, wobble, thd_db\n",
      InstrumentState());
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.state.displayMode, 601);
  EXPECT_EQ(read.state.measure.quantities,
            (std::vector<Quantity>{Quantity::kRms, Quantity::kThdDb}));
  const std::vector<std::string> expected = {
      "[Aurivue setup] writer (line 3)", "[Generator] frequency (line 5)",
      "[Display] zoom (line 8)", "[Measurements] quantity wobble (line 10)"};
  EXPECT_EQ(read.ignored, expected);
}

TEST(InstrumentSetupTest, ACardDifferenceNamesBothCards) {
  const InstrumentState::Card at48 = {48000, 2, 16};
  const InstrumentState::Card at44 = {44100, 1, 8};
  EXPECT_EQ(CardDifferenceText(at48, at48), "");
  EXPECT_EQ(CardDifferenceText(InstrumentState::Card(), at44), "");
  const std::string text = CardDifferenceText(at48, at44);
  EXPECT_NE(text.find("48000 Hz, 2 channels, 16 bit"), std::string::npos) << text;
  EXPECT_NE(text.find("44100 Hz, 1 channel, 8 bit"), std::string::npos) << text;
}

// The trigger's figures at the edges of their ranges and far below a unit are written as
// plain decimals, which is all the trigger's reader takes: the setup opens again.
TEST(InstrumentSetupTest, TriggerFiguresAtTheirEdgesReadBack) {
#if !AURIVUE_FEATURE_TRIGGER
  GTEST_SKIP() << "built without the trigger: its setup entries are passed over";
#endif
  struct Case {
    double levelMv, positionPercent, holdoffMs, hysteresisDiv;
  };
  const Case cases[] = {
      {100000, 100, 5000, 2},
      {-100000, 0, 0, 0},
      {0.00001, 0.000125, 0.0005, 0.00002},
      {-12.5, 33.333333333333336, 1234.5678, 0.1},
  };
  for (const Case& c : cases) {
    InstrumentState s;
    s.trigger.levelMv = c.levelMv;
    s.trigger.positionPercent = c.positionPercent;
    s.trigger.holdoffMs = c.holdoffMs;
    s.trigger.hysteresisDiv = c.hysteresisDiv;
    const std::string text = WriteSetupText(s);
    const SetupReadResult read = ReadSetupText(text, InstrumentState());
    ASSERT_TRUE(read.ok) << read.error << "\n" << text;
    EXPECT_EQ(read.state.trigger.levelMv, c.levelMv);
    EXPECT_EQ(read.state.trigger.positionPercent, c.positionPercent);
    EXPECT_EQ(read.state.trigger.holdoffMs, c.holdoffMs);
    EXPECT_EQ(read.state.trigger.hysteresisDiv, c.hysteresisDiv);
  }
}

}  // namespace
