// The trigger's command-line options, its profile entries and its setup dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QStandardPaths>

#include "features/trigger/trigger_dlg.h"
#include "features/trigger/trigger_feature.h"
#include "features/trigger_parameters.h"
#include "features/trigger_profile.h"
#include "platform/user_profile.h"
#include "shell/command_line.h"
#include "shell/main_frame.h"
#include "support/private_profile.h"
#include "support/profile_lock.h"
#include "view/trigger_control.h"

using Action = CommandLineOptions::Action;

namespace {

// The trigger's settings the command line gives over those of the profile.
TriggerSettings Over(const CommandLineOptions& o, TriggerSettings settings) {
  ApplyGivenParameters(TriggerParameters(), o.parameters, &settings);
  return settings.Limited();
}

}  // namespace

TEST(TriggerCommandLine, EachOptionInBothFormsOverTheProfile) {
  const CommandLineOptions o =
      ParseCommandLine({"--trigger", "single", "--trigger-source=right", "--trigger-slope",
                        "falling", "--trigger-level", "-125.5", "--trigger-position", "50%",
                        "--trigger-holdoff=2.5", "--trigger-hysteresis", "0.25"},
                       nullptr);
  ASSERT_EQ(o.action, Action::Run) << o.error;
  EXPECT_FALSE(o.IsScripted());  // a setting, like --live, not a measurement
  TriggerSettings profile;
  profile.hysteresisDiv = 0.7;
  profile.roll = true;
  const TriggerSettings s = Over(o, profile);
  EXPECT_EQ(s.mode, TriggerMode::kSingle);
  EXPECT_EQ(s.source, 1);
  EXPECT_EQ(s.slope, TriggerSlope::kFalling);
  EXPECT_DOUBLE_EQ(s.levelMv, -125.5);
  EXPECT_DOUBLE_EQ(s.positionPercent, 50);
  EXPECT_DOUBLE_EQ(s.holdoffMs, 2.5);
  EXPECT_DOUBLE_EQ(s.hysteresisDiv, 0.25);
  // What the command line does not name stays as the profile has it.
  EXPECT_DOUBLE_EQ(Over(ParseCommandLine({"--trigger", "auto"}, nullptr), profile).hysteresisDiv,
                   0.7);
  EXPECT_TRUE(s.roll);
  const TriggerSettings untouched = Over(ParseCommandLine({}, nullptr), profile);
  EXPECT_EQ(untouched.mode, TriggerMode::kOff);
  EXPECT_DOUBLE_EQ(untouched.positionPercent, 10);
}

TEST(TriggerCommandLine, BadValuesNameTheOption) {
  const std::vector<std::vector<std::string>> bad = {
      {"--trigger", "on"},
      {"--trigger", "Auto"},
      {"--trigger-source", "both"},
      {"--trigger-slope", "up"},
      {"--trigger-level", "1e3"},
      {"--trigger-level", "nan"},
      {"--trigger-level", "100001"},
      {"--trigger-level", "-"},
      {"--trigger-position", "101"},
      {"--trigger-position", "-1"},
      {"--trigger-holdoff", "5000.5"},
      {"--trigger-holdoff", "0x10"},
      {"--trigger-position", "50%%"},
      {"--trigger-position", "%"},
      {"--trigger-position", "101%"},
      {"--trigger-hysteresis", "2.5"},
      {"--trigger-hysteresis", "-0.1"},
      {"--trigger-hysteresis", "1%"},
      {"--trigger"},
      {"--trigger", "--power"},
  };
  for (const std::vector<std::string>& args : bad) {
    const CommandLineOptions o = ParseCommandLine(args, nullptr);
    EXPECT_EQ(o.action, Action::Error) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_NE(o.error.find(args[0]), std::string::npos) << o.error;
  }
  // Edges of the ranges are fine, and a level may be negative without an equals sign.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--trigger-level", "-100000"},
                                             {"--trigger-position", "0"},
                                             {"--trigger-position", "100"},
                                             {"--trigger-position", "0%"},
                                             {"--trigger-position", "12.5%"},
                                             {"--trigger-hysteresis", "0"},
                                             {"--trigger-hysteresis", "2"},
                                             {"--trigger-holdoff", "5000"},
                                             {"--trigger-level", ".5"}}) {
    EXPECT_EQ(ParseCommandLine(args, nullptr).action, Action::Run) << args[1];
  }
}

TEST(TriggerCommandLine, HelpListsEveryTriggerOption) {
  const std::string help = UsageText("aurivue", "x");
  for (const char* name : {"--trigger ", "--trigger-source", "--trigger-slope", "--trigger-level",
                           "--trigger-position", "--trigger-holdoff", "--trigger-hysteresis"}) {
    EXPECT_NE(help.find(name), std::string::npos) << name;
  }
}

TEST(TriggerProfile, NothingStoredIsOffAndWhatIsSavedComesBack) {
  const support::PrivateProfile profile;
  QStandardPaths::setTestModeEnabled(true);
  UserProfile().remove("Trigger");
  const TriggerSettings empty = LoadTriggerProfile();
  EXPECT_EQ(empty.mode, TriggerMode::kOff);
  EXPECT_DOUBLE_EQ(empty.hysteresisDiv, 0.1);
  EXPECT_DOUBLE_EQ(empty.positionPercent, 10);
  TriggerSettings s;
  s.mode = TriggerMode::kNormal;
  s.source = 1;
  s.slope = TriggerSlope::kEither;
  s.levelMv = -40.5;
  s.hysteresisDiv = 0.35;
  s.positionPercent = 75;
  s.holdoffMs = 120;
  s.roll = true;
  SaveTriggerProfile(s);
  const TriggerSettings back = LoadTriggerProfile();
  EXPECT_EQ(back.mode, s.mode);
  EXPECT_EQ(back.source, s.source);
  EXPECT_EQ(back.slope, s.slope);
  EXPECT_DOUBLE_EQ(back.levelMv, s.levelMv);
  EXPECT_DOUBLE_EQ(back.hysteresisDiv, s.hysteresisDiv);
  EXPECT_DOUBLE_EQ(back.positionPercent, s.positionPercent);
  EXPECT_DOUBLE_EQ(back.holdoffMs, s.holdoffMs);
  EXPECT_TRUE(back.roll);
  // Entries a hand edited badly read as their defaults or their range's end.
  UserProfile().setValue("Trigger/Mode", "sometimes");
  UserProfile().setValue("Trigger/PositionPercent", "far");
  UserProfile().setValue("Trigger/HoldoffMs", 99999);
  const TriggerSettings repaired = LoadTriggerProfile();
  EXPECT_EQ(repaired.mode, TriggerMode::kOff);
  EXPECT_DOUBLE_EQ(repaired.positionPercent, 10);
  EXPECT_DOUBLE_EQ(repaired.holdoffMs, kMaxTriggerHoldoffMs);
  UserProfile().remove("Trigger");
}

TEST(TriggerDialog, FieldsShowTheSettingsAndGiveBackTheEdits) {
  TriggerSettings s;
  s.mode = TriggerMode::kAuto;
  s.source = 1;
  s.slope = TriggerSlope::kFalling;
  s.levelMv = 12.5;
  s.holdoffMs = 30;
  TriggerDlg dialog(s, [] { return -77.0; });
  EXPECT_EQ(dialog.ModeBox()->currentText(), "Auto");
  EXPECT_EQ(dialog.SourceBox()->currentIndex(), 1);
  EXPECT_EQ(dialog.SlopeBox()->currentText(), "Falling");
  EXPECT_DOUBLE_EQ(dialog.LevelBox()->value(), 12.5);
  EXPECT_DOUBLE_EQ(dialog.HysteresisBox()->value(), 0.1);
  EXPECT_EQ(dialog.HysteresisBox()->suffix(), " div");
  EXPECT_DOUBLE_EQ(dialog.PositionBox()->value(), 10);
  EXPECT_DOUBLE_EQ(dialog.HoldoffBox()->value(), 30);
  EXPECT_FALSE(dialog.RollBox()->isChecked());
  dialog.ModeBox()->setCurrentIndex(3);
  dialog.SlopeBox()->setCurrentIndex(2);
  dialog.PositionBox()->setValue(0);
  dialog.RollBox()->setChecked(true);
  dialog.HysteresisBox()->setValue(0.35);
  // The 50 % button takes the level from the newest frame.
  QPushButton* fifty = nullptr;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (b->text() == "&50 %") fifty = b;
  }
  ASSERT_NE(fifty, nullptr);
  fifty->click();
  const TriggerSettings edited = dialog.Settings();
  EXPECT_EQ(edited.mode, TriggerMode::kSingle);
  EXPECT_EQ(edited.slope, TriggerSlope::kEither);
  EXPECT_DOUBLE_EQ(edited.levelMv, -77);
  EXPECT_DOUBLE_EQ(edited.positionPercent, 0);
  EXPECT_TRUE(edited.roll);
  EXPECT_EQ(edited.source, 1);
  EXPECT_DOUBLE_EQ(edited.hysteresisDiv, 0.35);
  // Every field is reached with Tab.
  for (QWidget* w :
       std::initializer_list<QWidget*>{dialog.ModeBox(), dialog.SourceBox(), dialog.SlopeBox(),
                                       dialog.LevelBox(), dialog.HoldoffBox(), dialog.RollBox()}) {
    EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus);
  }
}

// The state pane says WAIT only where the trigger drives the display.
TEST(TriggerPane, NamesTheStateOnlyWhereTheTriggerDrivesTheDisplay) {
  struct Case {
    TriggerMode mode;
    bool roll;
    bool live;
    float timeBase;
    int displayMode;
    const char* text;
  };
  const Case cases[] = {
      {TriggerMode::kNormal, false, true, 1, 602, "WAIT"},
      {TriggerMode::kNormal, false, false, 1, 612, "WAIT"},
      {TriggerMode::kNormal, false, true, 1, 600, "FREE"},
      {TriggerMode::kSingle, false, false, 1, 605, "FREE"},
      {TriggerMode::kAuto, false, true, 1, 614, "FREE"},
      {TriggerMode::kOff, false, true, 1, 600, "OFF"},
      {TriggerMode::kOff, false, true, 1, 602, "OFF"},
      {TriggerMode::kNormal, true, true, 20, 602, "ROLL"},
      {TriggerMode::kNormal, true, false, 20, 602, "WAIT"},
      {TriggerMode::kNormal, true, true, 20, 601, "FREE"},
  };
  for (const Case& c : cases) {
    TriggerControl trigger;
    TriggerSettings s;
    s.mode = c.mode;
    s.roll = c.roll;
    trigger.SetSettings(s);
    EXPECT_EQ(TriggerPaneText(trigger, c.live, c.timeBase, c.displayMode).toStdString(), c.text)
        << c.displayMode;
  }
}
