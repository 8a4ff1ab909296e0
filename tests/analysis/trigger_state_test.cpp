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

TEST(TriggerSettingsTest, LevelFollowsTheVoltsCalibrationAndHysteresisTheFullScale) {
  TriggerSettings s;
  s.levelMv = 500;
  s.hysteresisPercent = 2;
  s.holdoffMs = 20;
  // 32000 counts a volt: 500 mV is the sample the oscillograph draws at 500 mV.
  TriggerCriteria c = CriteriaFor(s, 32000, 16, 44100);
  EXPECT_DOUBLE_EQ(c.level, 16000);
  EXPECT_DOUBLE_EQ(ToMillivolts(c.level, 32000), 500);
  EXPECT_DOUBLE_EQ(c.hysteresis, 0.02 * 32768);
  EXPECT_DOUBLE_EQ(c.holdoff, 882);
  c = CriteriaFor(s, 1000, 8, 11025);
  EXPECT_DOUBLE_EQ(c.level, 500);
  EXPECT_DOUBLE_EQ(c.hysteresis, 0.02 * 128);
  EXPECT_NEAR(c.holdoff, 220.5, 1e-9);
  EXPECT_DOUBLE_EQ(TriggerLevelMv(TriggerLevelCounts(-123.5, 32767), 32767), -123.5);
}

TEST(TriggerSettingsTest, LimitsAndNames) {
  TriggerSettings s;
  EXPECT_EQ(s.mode, TriggerMode::kOff);  // the default leaves everything as it is
  s.positionPercent = 140;
  s.holdoffMs = -3;
  s.hysteresisPercent = std::numeric_limits<double>::quiet_NaN();
  s.levelMv = 1e9;
  s.source = 7;
  const TriggerSettings l = s.Limited();
  EXPECT_EQ(l.positionPercent, 100);
  EXPECT_EQ(l.holdoffMs, 0);
  EXPECT_EQ(l.hysteresisPercent, 2);
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
