// The measurement options of the command line: what they store, what they refuse.
#include <gtest/gtest.h>

#include "shell/command_line.h"

using Action = CommandLineOptions::Action;

TEST(InstrumentCommandLine, MeasurementOptionsInBothFormsAndTheirDefaults) {
  const CommandLineOptions plain = ParseCommandLine({"--input", "tone:1000"}, nullptr);
  EXPECT_FALSE(plain.IsScripted());
  EXPECT_EQ(plain.frames, 4);
  EXPECT_EQ(plain.displayMode, 0);

  const CommandLineOptions o =
      ParseCommandLine({"--mode", "615", "--timebase=50", "--left-mv", "5", "--right-mv=500",
                        "--power", "--frames", "10000", "--export", "a b.txt", "--save-bmp=p.bmp",
                        "--print-pdf", "p.pdf", "--quit", "doc.aur"},
                       nullptr);
  ASSERT_EQ(o.action, Action::Run) << o.error;
  EXPECT_TRUE(o.IsScripted());
  EXPECT_EQ(o.displayMode, 615);
  EXPECT_EQ(o.timeBaseMs, 50);
  EXPECT_EQ(o.leftMv, 5);
  EXPECT_EQ(o.rightMv, 500);
  EXPECT_TRUE(o.power);
  EXPECT_EQ(o.frames, 10000);
  EXPECT_EQ(o.exportPath, "a b.txt");
  EXPECT_EQ(o.bmpPath, "p.bmp");
  EXPECT_EQ(o.pdfPath, "p.pdf");
  EXPECT_TRUE(o.quit);
  EXPECT_EQ(o.files, std::vector<std::string>{"doc.aur"});

  // Each option alone makes a scripted run; --quit alone ends right after the start.
  EXPECT_TRUE(ParseCommandLine({"--quit"}, nullptr).IsScripted());
  EXPECT_TRUE(ParseCommandLine({"--mode", "600"}, nullptr).IsScripted());
  EXPECT_TRUE(ParseCommandLine({"--print-pdf", "x"}, nullptr).IsScripted());
}

TEST(InstrumentCommandLine, EveryDisplayModeAndSwitchFigureIsAccepted) {
  for (int mode : {600, 601, 602, 603, 604, 605, 610, 611, 612, 613, 614, 615}) {
    EXPECT_EQ(ParseCommandLine({"--mode", std::to_string(mode)}, nullptr).displayMode, mode);
  }
  for (int ms : TimeBaseFigures()) {
    EXPECT_EQ(ParseCommandLine({"--timebase", std::to_string(ms)}, nullptr).timeBaseMs, ms);
  }
  for (int mv : ChannelFigures()) {
    EXPECT_EQ(ParseCommandLine({"--right-mv", std::to_string(mv)}, nullptr).rightMv, mv);
  }
  EXPECT_EQ(TimeBaseFigures(), (std::vector<int>{1, 2, 5, 10, 20, 50}));
  EXPECT_EQ(ChannelFigures(), (std::vector<int>{5, 10, 20, 50, 100, 200, 500}));
}

TEST(InstrumentCommandLine, BadValuesAreOneLineErrorsNamingTheOption) {
  const struct {
    std::vector<std::string> args;
    const char* named;
  } cases[] = {
      {{"--mode", "599"}, "--mode"},
      {{"--mode", "606"}, "--mode"},
      {{"--mode", "609"}, "--mode"},
      {{"--mode", "616"}, "--mode"},
      {{"--mode", "60x"}, "--mode"},
      {{"--mode", "-602"}, "--mode"},
      {{"--timebase", "0"}, "--timebase"},
      {{"--timebase", "3"}, "--timebase"},
      {{"--timebase", "1.0"}, "--timebase"},
      {{"--timebase", "10ms"}, "--timebase"},
      {{"--left-mv", "250"}, "--left-mv"},
      {{"--left-mv", ""}, "--left-mv"},
      {{"--right-mv", "1000"}, "--right-mv"},
      {{"--power", "--frames", "0"}, "--frames"},
      {{"--power", "--frames", "10001"}, "--frames"},
      {{"--power", "--frames=-1"}, "--frames"},
      {{"--frames", "3"}, "--power"},
      {{"--export"}, "--export"},
      {{"--save-bmp="}, "--save-bmp"},
      {{"--print-pdf", ""}, "--print-pdf"},
      {{"--power=1"}, "--power"},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const CommandLineOptions o = ParseCommandLine(c.args, nullptr);
    EXPECT_EQ(o.action, Action::Error);
    EXPECT_NE(o.error.find(c.named), std::string::npos) << o.error;
    EXPECT_EQ(o.error.find('\n'), std::string::npos) << o.error;
  }
}

TEST(InstrumentCommandLine, HelpDescribesTheMeasurementOptions) {
  const std::string usage = UsageText("aurivue", "FORMS");
  for (const char* option :
       {"--mode N", "--timebase MS", "--left-mv MV", "--right-mv MV", "--power", "--frames K",
        "--export FILE", "--save-bmp FILE", "--print-pdf FILE", "--quit"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  // The figures listed are the ones the options accept.
  EXPECT_NE(usage.find("1, 2, 5, 10, 20 or 50"), std::string::npos);
  EXPECT_NE(usage.find("5, 10, 20, 50, 100, 200 or 500"), std::string::npos);
}
