// The measurement options of the command line.
#include <gtest/gtest.h>

#include "shell/command_line.h"

using Action = CommandLineOptions::Action;

TEST(ShellMeasureCommandLine, FilesAndRepeatedExpectations) {
  const CommandLineOptions o =
      ParseCommandLine({"--power", "--measure", "m.csv", "--expect", "left.frequency=1000+-0.5",
                        "--expect=left.thd_db<-60", "--log=run log.csv"},
                       nullptr);
  ASSERT_EQ(o.action, Action::Run) << o.error;
  EXPECT_EQ(o.measurePath, "m.csv");
  EXPECT_EQ(o.logPath, "run log.csv");
  ASSERT_EQ(o.expectations.size(), 2u);
  EXPECT_EQ(o.expectations[0], "left.frequency=1000+-0.5");
  EXPECT_EQ(o.expectations[1], "left.thd_db<-60");
  EXPECT_TRUE(o.IsScripted());
  for (const char* option : {"--measure", "--expect", "--log"}) {
    CommandLineOptions one = ParseCommandLine(
        {option, option == std::string("--expect") ? "right.snr>80" : "x"}, nullptr);
    EXPECT_EQ(one.action, Action::Run) << option;
    EXPECT_TRUE(one.IsScripted()) << option;
  }
  EXPECT_FALSE(ParseCommandLine({}, nullptr).IsScripted());
}

TEST(ShellMeasureCommandLine, MistakesEndTheStartWithOneLineNamingTheOption) {
  const struct {
    std::vector<std::string> args;
    const char* mentions;
  } cases[] = {
      {{"--expect", "left.volume>3"}, "--expect"},
      {{"--expect", "centre.rms>3"}, "--expect"},
      {{"--expect=left.rms"}, "--expect"},
      {{"--measure"}, "--measure"},
      {{"--measure="}, "--measure"},
      {{"--log", "--quit"}, "--log"},
      {{"--expect", "--quit"}, "--expect"},
  };
  for (const auto& c : cases) {
    const CommandLineOptions o = ParseCommandLine(c.args, nullptr);
    EXPECT_EQ(o.action, Action::Error) << c.args[0];
    EXPECT_NE(o.error.find(c.mentions), std::string::npos) << o.error;
    EXPECT_EQ(o.error.find('\n'), std::string::npos) << o.error;
  }
}

TEST(ShellMeasureCommandLine, HelpListsTheMeasurementOptions) {
  const std::string help = UsageText("aurivue", "default");
  for (const char* option :
       {"--measure FILE", "--expect CHECK", "--log FILE",
        "channel,quantity,value,unit,valid,mean,min,max,", "exit status is then 3"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}
