#include "shell/command_line.h"

#include <gtest/gtest.h>

using Action = CommandLineOptions::Action;

TEST(ShellCommandLine, NoArgumentsRunWithTheThreeSecondSplash) {
  const CommandLineOptions o = ParseCommandLine({}, nullptr);
  EXPECT_EQ(o.action, Action::Run);
  EXPECT_EQ(o.splashMs, 3000);
  EXPECT_TRUE(o.inputSpec.empty());
  EXPECT_TRUE(o.files.empty());
}

TEST(ShellCommandLine, SplashLengthFromEnvironmentAndOptionWhichWins) {
  EXPECT_EQ(ParseCommandLine({}, "0").splashMs, 0);
  EXPECT_EQ(ParseCommandLine({}, "").splashMs, 3000);
  EXPECT_EQ(ParseCommandLine({"--splash-ms", "250"}, "0").splashMs, 250);
  EXPECT_EQ(ParseCommandLine({"--splash-ms=0"}, "5000").splashMs, 0);
  EXPECT_EQ(ParseCommandLine({"--splash-ms", "60000"}, nullptr).splashMs, 60000);
}

TEST(ShellCommandLine, BadSplashLengthsAreErrors) {
  for (const char* bad : {"-5", "abc", "12x", "60001", "99999999999"}) {
    EXPECT_EQ(ParseCommandLine({"--splash-ms", bad}, nullptr).action, Action::Error) << bad;
    EXPECT_EQ(ParseCommandLine({}, bad).action, Action::Error) << bad;
  }
  EXPECT_EQ(ParseCommandLine({"--splash-ms"}, nullptr).action, Action::Error);
}

TEST(ShellCommandLine, InputSpecInBothFormsAndMissingValue) {
  EXPECT_EQ(ParseCommandLine({"--input", "tone:1000"}, nullptr).inputSpec, "tone:1000");
  EXPECT_EQ(ParseCommandLine({"--input=file:/a b/c.wav"}, nullptr).inputSpec, "file:/a b/c.wav");
  const CommandLineOptions missing = ParseCommandLine({"--input"}, nullptr);
  EXPECT_EQ(missing.action, Action::Error);
  EXPECT_NE(missing.error.find("--input"), std::string::npos);
  EXPECT_EQ(ParseCommandLine({"--input="}, nullptr).action, Action::Error);
}

TEST(ShellCommandLine, HelpVersionAndUnknownOptions) {
  EXPECT_EQ(ParseCommandLine({"--help"}, nullptr).action, Action::ShowHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}, nullptr).action, Action::ShowHelp);
  EXPECT_EQ(ParseCommandLine({"--version"}, nullptr).action, Action::ShowVersion);
  EXPECT_TRUE(WantsHelpOrVersion({"x", "--version"}));
  EXPECT_FALSE(WantsHelpOrVersion({"--", "--help"}));
  const CommandLineOptions unknown = ParseCommandLine({"--frobnicate"}, nullptr);
  EXPECT_EQ(unknown.action, Action::Error);
  EXPECT_NE(unknown.error.find("--frobnicate"), std::string::npos);
  EXPECT_EQ(VersionText(), "Aurivue Version 2.0\n");
  EXPECT_NE(UsageText("aurivue", "FORMS").find("FORMS"), std::string::npos);
}

TEST(ShellCommandLine, FilesAndToolkitOptionsPassThrough) {
  const CommandLineOptions o =
      ParseCommandLine({"-platform", "offscreen", "doc.aur", "-reverse", "--", "--input"}, nullptr);
  EXPECT_EQ(o.action, Action::Run);
  EXPECT_EQ(o.files, (std::vector<std::string>{"doc.aur", "--input"}));
  EXPECT_TRUE(o.inputSpec.empty());
}

TEST(ShellCommandLine, LiveAndClassicChooseTheDisplayAndAreInTheHelp) {
  EXPECT_EQ(ParseCommandLine({}, nullptr).live, -1);
  EXPECT_EQ(ParseCommandLine({"--live"}, nullptr).live, 1);
  EXPECT_EQ(ParseCommandLine({"--classic"}, nullptr).live, 0);
  // The last one given wins, as with every other option.
  EXPECT_EQ(ParseCommandLine({"--classic", "--live"}, nullptr).live, 1);
  EXPECT_EQ(ParseCommandLine({"--live", "--power", "--frames", "30"}, nullptr).frames, 30);
  const std::string usage = UsageText("aurivue", "FORMS");
  EXPECT_NE(usage.find("--live"), std::string::npos);
  EXPECT_NE(usage.find("--classic"), std::string::npos);
}

TEST(ShellCommandLine, AnOptionIsNeverTakenAsTheValueOfAnother) {
  for (const char* name : {"--input", "--splash-ms", "--mode", "--timebase", "--left-mv",
                           "--right-mv", "--frames", "--export", "--save-bmp", "--print-pdf"}) {
    for (const char* next : {"--quit", "--power", "--", "--export=x"}) {
      const CommandLineOptions o = ParseCommandLine({name, next, "--power"}, nullptr);
      EXPECT_EQ(o.action, Action::Error) << name << " " << next;
      EXPECT_NE(o.error.find(name), std::string::npos) << o.error;
      EXPECT_NE(o.error.find(next), std::string::npos) << o.error;
    }
  }
  // Given with '=', a value is what it says, and a single dash starts no option of ours.
  const CommandLineOptions explicitName = ParseCommandLine({"--export=--quit"}, nullptr);
  EXPECT_EQ(explicitName.action, Action::Run);
  EXPECT_EQ(explicitName.exportPath, "--quit");
  EXPECT_FALSE(explicitName.quit);
  EXPECT_EQ(ParseCommandLine({"--export", "-"}, nullptr).exportPath, "-");
}
