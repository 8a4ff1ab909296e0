#include "analysis/trigger_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/frame_decoding.h"

namespace {

using Show = TriggerStateMachine::Show;

struct Step {
  bool triggered;
  uint64_t now;
  Show show;
  TriggerStatus status;
};

void RunSteps(TriggerStateMachine& machine, const std::vector<Step>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(machine.Step(steps[i].triggered, steps[i].now), steps[i].show);
    EXPECT_EQ(machine.Status(), steps[i].status);
  }
}

}  // namespace

TEST(TriggerStateTest, OffShowsEveryFrameUntriggered) {
  TriggerStateMachine machine;
  machine.SetMode(TriggerMode::kOff);
  RunSteps(machine, {{false, 0, Show::kUntriggered, TriggerStatus::kOff},
                     {true, 10, Show::kUntriggered, TriggerStatus::kOff}});
}

TEST(TriggerStateTest, AutoFallsBackAfterItsTimeoutAndReturnsWithTheNextTrigger) {
  TriggerStateMachine machine;
  machine.SetMode(TriggerMode::kAuto);
  machine.SetTimeout(4410);  // 100 ms at 44.1 kHz
  EXPECT_EQ(machine.Status(), TriggerStatus::kWait);
  RunSteps(machine, {
                        {false, 1000, Show::kKeep, TriggerStatus::kWait},  // the wait starts
                        {false, 5000, Show::kKeep, TriggerStatus::kWait},
                        {false, 5410, Show::kUntriggered, TriggerStatus::kAuto},
                        {false, 6000, Show::kUntriggered, TriggerStatus::kAuto},
                        {true, 6700, Show::kTriggered, TriggerStatus::kTriggered},
                        {false, 7400, Show::kKeep, TriggerStatus::kTriggered},
                        {true, 8000, Show::kTriggered, TriggerStatus::kTriggered},
                        {false, 12409, Show::kKeep, TriggerStatus::kTriggered},
                        {false, 12410, Show::kUntriggered, TriggerStatus::kAuto},
                    });
  // Classic gives up at the first buffer without a trigger.
  machine.SetMode(TriggerMode::kAuto);
  machine.SetTimeout(0);
  RunSteps(machine, {{true, 22050, Show::kTriggered, TriggerStatus::kTriggered},
                     {false, 44100, Show::kUntriggered, TriggerStatus::kAuto},
                     {true, 66150, Show::kTriggered, TriggerStatus::kTriggered}});
}

TEST(TriggerStateTest, NormalShowsOnlyTriggeredFramesAndKeepsTheLast) {
  TriggerStateMachine machine;
  machine.SetMode(TriggerMode::kNormal);
  machine.SetTimeout(100);
  RunSteps(machine, {
                        {false, 0, Show::kKeep, TriggerStatus::kWait},
                        {false, 500, Show::kKeep, TriggerStatus::kWait},
                        {true, 600, Show::kTriggered, TriggerStatus::kTriggered},
                        {false, 650, Show::kKeep, TriggerStatus::kTriggered},
                        {false, 700, Show::kKeep, TriggerStatus::kWait},
                        {false, 90000, Show::kKeep, TriggerStatus::kWait},
                        {true, 90001, Show::kTriggered, TriggerStatus::kTriggered},
                    });
}

TEST(TriggerStateTest, SingleHoldsItsFirstTriggerUntilArmedAgain) {
  TriggerStateMachine machine;
  machine.SetMode(TriggerMode::kSingle);
  machine.SetTimeout(0);
  RunSteps(machine, {
                        {false, 0, Show::kKeep, TriggerStatus::kWait},
                        {true, 10, Show::kTriggered, TriggerStatus::kStop},
                        {true, 20, Show::kKeep, TriggerStatus::kStop},
                        {false, 30000, Show::kKeep, TriggerStatus::kStop},
                    });
  machine.Arm();
  EXPECT_EQ(machine.Status(), TriggerStatus::kWait);
  RunSteps(machine, {
                        {false, 30010, Show::kKeep, TriggerStatus::kWait},
                        {true, 30020, Show::kTriggered, TriggerStatus::kStop},
                        {true, 30030, Show::kKeep, TriggerStatus::kStop},
                    });
  // Another mode leaves the hold.
  machine.SetMode(TriggerMode::kNormal);
  EXPECT_EQ(machine.Step(true, 30040), Show::kTriggered);
}

TEST(TriggerStateTest, StatusTexts) {
  EXPECT_STREQ(TriggerStatusText(TriggerStatus::kOff), "OFF");
  EXPECT_STREQ(TriggerStatusText(TriggerStatus::kWait), "WAIT");
  EXPECT_STREQ(TriggerStatusText(TriggerStatus::kTriggered), "TRIG'D");
  EXPECT_STREQ(TriggerStatusText(TriggerStatus::kAuto), "AUTO");
  EXPECT_STREQ(TriggerStatusText(TriggerStatus::kStop), "STOP");
}

TEST(TriggerSettingsTest, LevelFollowsTheVoltsCalibrationAndHysteresisTheDivision) {
  TriggerSettings s;
  s.levelMv = 500;
  s.holdoffMs = 20;
  // 32000 counts a volt: 500 mV is the sample the oscillograph draws at 500 mV.
  TriggerCriteria c = CriteriaFor(s, 32000, 250, 44100);
  EXPECT_DOUBLE_EQ(c.level, 16000);
  EXPECT_DOUBLE_EQ(ToMillivolts(c.level, 32000), 500);
  EXPECT_DOUBLE_EQ(c.holdoff, 882);
  c = CriteriaFor(s, 1000, 250, 11025);
  EXPECT_DOUBLE_EQ(c.level, 500);
  EXPECT_NEAR(c.holdoff, 220.5, 1e-9);
  // The hysteresis is a share of a division in mV, in counts through the calibration: a tenth of
  // a division by default, so a trace filling the screen at the finest scale still arms it.
  struct Case {
    double div;  // setting
    double divisionMv;
    int voltValue;
    double counts;
  };
  const Case cases[] = {{0.1, 250, 32000, 800}, {0.1, 2.5, 32000, 8}, {0.5, 25, 32000, 400},
                        {0, 250, 32000, 0},     {2, 100, 1000, 200},  {0.25, 2.5, 16000, 10}};
  for (const Case& k : cases) {
    s.hysteresisDiv = k.div;
    EXPECT_DOUBLE_EQ(CriteriaFor(s, k.voltValue, k.divisionMv, 48000).hysteresis, k.counts)
        << k.div << " div of " << k.divisionMv << " mV";
  }
  // At the finest scale (2.5 mV a division) a sine of the screen's height, 10 mV, swings 40
  // times the default hysteresis either way.
  s.hysteresisDiv = TriggerSettings().hysteresisDiv;
  EXPECT_LT(CriteriaFor(s, 32000, 2.5, 48000).hysteresis * 40, TriggerLevelCounts(10, 32000) + 1);
  EXPECT_DOUBLE_EQ(TriggerLevelMv(TriggerLevelCounts(-123.5, 32767), 32767), -123.5);
}

TEST(TriggerSettingsTest, LimitsAndNames) {
  TriggerSettings s;
  EXPECT_EQ(s.mode, TriggerMode::kOff);  // the default leaves everything as it is
  s.positionPercent = 140;
  s.holdoffMs = -3;
  s.hysteresisDiv = std::numeric_limits<double>::quiet_NaN();
  s.levelMv = 1e9;
  s.source = 7;
  const TriggerSettings l = s.Limited();
  EXPECT_EQ(l.positionPercent, 100);
  EXPECT_EQ(l.holdoffMs, 0);
  EXPECT_EQ(l.hysteresisDiv, 0.1);
  EXPECT_EQ(l.levelMv, kMaxTriggerLevelMv);
  EXPECT_EQ(l.source, 0);
  for (TriggerMode m :
       {TriggerMode::kOff, TriggerMode::kAuto, TriggerMode::kNormal, TriggerMode::kSingle}) {
    TriggerMode back = TriggerMode::kOff;
    EXPECT_TRUE(ParseTriggerMode(TriggerModeName(m), back));
    EXPECT_EQ(back, m);
  }
  TriggerSlope slope = TriggerSlope::kRising;
  EXPECT_TRUE(ParseTriggerSlope("either", slope));
  EXPECT_EQ(slope, TriggerSlope::kEither);
  EXPECT_FALSE(ParseTriggerSlope("Rising", slope));
  int source = 0;
  EXPECT_TRUE(ParseTriggerSource("right", source));
  EXPECT_EQ(source, 1);
  EXPECT_FALSE(ParseTriggerSource("both", source));
  TriggerMode mode = TriggerMode::kAuto;
  EXPECT_FALSE(ParseTriggerMode("", mode));
  EXPECT_EQ(mode, TriggerMode::kAuto);
}

// Only the fields a user changed reach the stored settings.
TEST(TriggerSettingsTest, OnlyChangedFieldsAreStored) {
  TriggerSettings stored;  // the profile: off, rising, 0 mV
  stored.levelMv = 40;
  TriggerSettings before = stored;  // this start: --trigger normal --trigger-level 100
  before.mode = TriggerMode::kNormal;
  before.levelMv = 100;
  struct Case {
    const char* what;
    void (*change)(TriggerSettings&);
    void (*expect)(TriggerSettings&);
  };
  const Case cases[] = {
      {"slope", [](TriggerSettings& s) { s.slope = TriggerSlope::kFalling; },
       [](TriggerSettings& s) { s.slope = TriggerSlope::kFalling; }},
      {"source", [](TriggerSettings& s) { s.source = 1; },
       [](TriggerSettings& s) { s.source = 1; }},
      {"level", [](TriggerSettings& s) { s.levelMv = -5; },
       [](TriggerSettings& s) { s.levelMv = -5; }},
      {"mode", [](TriggerSettings& s) { s.mode = TriggerMode::kSingle; },
       [](TriggerSettings& s) { s.mode = TriggerMode::kSingle; }},
      {"hysteresis", [](TriggerSettings& s) { s.hysteresisDiv = 0.5; },
       [](TriggerSettings& s) { s.hysteresisDiv = 0.5; }},
      {"position, holdoff, roll",
       [](TriggerSettings& s) {
         s.positionPercent = 50;
         s.holdoffMs = 3;
         s.roll = true;
       },
       [](TriggerSettings& s) {
         s.positionPercent = 50;
         s.holdoffMs = 3;
         s.roll = true;
       }},
      {"nothing", [](TriggerSettings&) {}, [](TriggerSettings&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TriggerSettings after = before;
    c.change(after);
    TriggerSettings want = stored;
    c.expect(want);
    const TriggerSettings got = WithChanges(before, after, stored);
    EXPECT_EQ(got.mode, want.mode);
    EXPECT_EQ(got.source, want.source);
    EXPECT_EQ(got.slope, want.slope);
    EXPECT_EQ(got.levelMv, want.levelMv);
    EXPECT_EQ(got.hysteresisDiv, want.hysteresisDiv);
    EXPECT_EQ(got.positionPercent, want.positionPercent);
    EXPECT_EQ(got.holdoffMs, want.holdoffMs);
    EXPECT_EQ(got.roll, want.roll);
  }
}
