// The command-line options of the data out: --export-csv and --record.
#include <gtest/gtest.h>

#include "shell/command_line.h"

using Action = CommandLineOptions::Action;

TEST(DataOutOptionsTest, ExportCsvAndRecordTakeAFileInBothFormsAndMakeARunScripted) {
  const CommandLineOptions o =
      ParseCommandLine({"--export-csv", "shown.csv", "--record=take.flac"}, nullptr);
  ASSERT_EQ(o.action, Action::Run);
  EXPECT_EQ(o.csvPath, "shown.csv");
  EXPECT_EQ(o.recordPath, "take.flac");
  EXPECT_TRUE(o.exportPath.empty());
  EXPECT_TRUE(o.IsScripted());
  EXPECT_TRUE(ParseCommandLine({"--record", "r.wav"}, nullptr).IsScripted());
  EXPECT_FALSE(ParseCommandLine({}, nullptr).IsScripted());
  // A forgotten FILE is an error, never a file named like the next option.
  for (const char* name : {"--export-csv", "--record"}) {
    SCOPED_TRACE(name);
    const CommandLineOptions bad = ParseCommandLine({name, "--quit"}, nullptr);
    EXPECT_EQ(bad.action, Action::Error);
    EXPECT_EQ(bad.error, std::string("option ") + name + " needs a value, not the option --quit");
    EXPECT_EQ(ParseCommandLine({name}, nullptr).action, Action::Error);
    const CommandLineOptions empty = ParseCommandLine({std::string(name) + "="}, nullptr);
    EXPECT_EQ(empty.error, std::string(name) + " needs a FILE");
  }
}

TEST(DataOutOptionsTest, TheHelpNamesBothOptions) {
  const std::string help = UsageText("aurivue", "default");
  EXPECT_NE(help.find("  --export-csv FILE "), std::string::npos);
  EXPECT_NE(help.find("  --record FILE "), std::string::npos);
  EXPECT_NE(help.find(".flac"), std::string::npos);
}
