// The generator's profile entries, now made from its declared parameters, keep the keys and types
// profiles written by earlier versions hold, and give back exactly the levels they hold.
#include <gtest/gtest.h>

#include <QVariant>
#include <cmath>

#include "analysis/generator_texts.h"
#include "features/generator/generator_parameters.h"
#include "platform/parameter_profile.h"
#include "platform/user_profile.h"
#include "support/private_profile.h"

namespace {

void Store(const char* key, const QVariant& value) {
  UserProfile profile;
  profile.setValue(QString("Generator/") + key, value);
}

GeneratorSettings Loaded() {
  GeneratorSettings s;
  LoadParameterProfile(GeneratorParameters(), &s);
  return s;
}

TEST(GeneratorProfile, EntriesOfEarlierVersionsReadAsTheyWereMeant) {
  support::PrivateProfile privateProfile;
  struct Case {
    const char* key;
    QVariant stored;
    std::function<bool(const GeneratorSettings&)> holds;
  };
  const double oddLevel = 0.123456789012345;  // typed in mV: no short dBFS gives it back
  const Case cases[] = {
      {"LeftWaveform", 6, [](auto& s) { return s.channels[0].waveform == Waveform::PinkNoise; }},
      {"RightWaveform", 9, [](auto& s) { return s.channels[1].waveform == Waveform::Sine; }},
      {"LeftLevel", 0.25, [](auto& s) { return s.channels[0].level == 0.25; }},
      {"RightLevel", oddLevel,
       [=](auto& s) { return std::abs(s.channels[1].level - oddLevel) < 1e-16; }},
      {"LeftLevel", 3.0, [](auto& s) { return s.channels[0].level == 1.0; }},
      {"LeftFrequency", 1e9, [](auto& s) { return s.channels[0].frequency == 96000.0; }},
      {"LeftFrequency", 997.25, [](auto& s) { return s.channels[0].frequency == 997.25; }},
      {"LeftTones", "100, 1000@-6, 5000@-12",
       [](auto& s) {
         return s.channels[0].toneCount == 3 && s.channels[0].toneDb[2] == -12.0 &&
                s.channels[0].toneHz[1] == 1000.0;
       }},
      {"RightTones", "1000, banana", [](auto& s) { return s.channels[1].toneCount == 3; }},
      {"RightSweepRepeat", false, [](auto& s) { return !s.channels[1].sweepRepeat; }},
      {"RightSweepSeconds", 0.0, [](auto& s) { return s.channels[1].sweepSeconds == 0.01; }},
      {"MaxLevelStep", 0.05, [](auto& s) { return s.maxLevelStep == 0.05; }},
      {"MaxLevelStep", 0.0, [](auto& s) { return s.maxLevelStep == 0.001; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " = " + c.stored.toString().toStdString());
    UserProfile().remove("Generator");
    Store(c.key, c.stored);
    EXPECT_TRUE(c.holds(Loaded()));
  }
}

TEST(GeneratorProfile, WritesTheKeysAndTypesEarlierVersionsRead) {
  support::PrivateProfile privateProfile;
  GeneratorSettings s;
  s.channels[0].waveform = Waveform::Recording;  // played for one start only
  s.channels[0].level = LevelFromDbfs(-20.0);
  s.channels[1].on = false;
  s.channels[1].waveform = Waveform::Sweep;
  s.channels[1].sweepStopHz = 15000.0;
  s.maxLevelStep = 0.2;
  SaveParameterProfile(GeneratorParameters(), &s);
  UserProfile profile;
  profile.beginGroup("Generator");
  struct Case {
    const char* key;
    QVariant want;
  } cases[] = {
      {"LeftWaveform", 0},   {"RightWaveform", 8},        {"LeftLevel", 0.1},
      {"RightOn", false},    {"RightSweepStop", 15000.0}, {"LeftTones", "100, 1000, 10000"},
      {"MaxLevelStep", 0.2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    // The profile's file keeps text: an int, a bool and a number are told apart by it.
    EXPECT_EQ(profile.value(c.key).toString(), c.want.toString());
  }
  // Phase and DC offset are a setup's alone: a start never puts an offset on the output.
  EXPECT_FALSE(profile.contains("LeftPhase") || profile.contains("LeftDcOffset"));
}

}  // namespace
