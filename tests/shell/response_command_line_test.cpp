#include <gtest/gtest.h>

#include "features/response/response_parameters.h"
#include "shell/command_line.h"

namespace {

// Each option stores what it says over the profile's settings; a malformed value names its
// option in one line.
TEST(ShellResponseCommandLine, OptionsOverrideTheProfileAndRefuseTheMalformed) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    ResponseSettings want;
  };
  ResponseSettings sweep;
  sweep.method = ResponseSettings::kSweep;
  sweep.sweepStartHz = 10;
  sweep.sweepStopHz = 22000;
  sweep.sweepSeconds = 2.5;
  ResponseSettings right;
  right.referenceRight = true;
  right.smoothing = 6;
  ResponseSettings profile;  // what the profile held: 1/3 octave
  profile.smoothing = 3;
  ResponseSettings off;
  const Case cases[] = {
      {{"--response", "sweep", "--sweep", "10-22000,2.5", "--smoothing", "off"}, true, sweep},
      {{"--response-reference=right", "--smoothing", "1/6"}, true, right},
      {{}, true, profile},
      {{"--smoothing", "off"}, true, off},
      {{"--response", "swept"}, false, {}},
      {{"--response-reference", "both"}, false, {}},
      {{"--sweep", "20000-20,5"}, false, {}},
      {{"--sweep", "20-20000"}, false, {}},
      {{"--sweep", "20-20000,0"}, false, {}},
      {{"--sweep", "20-20000,21"}, false, {}},
      {{"--sweep", "-20-20000,5"}, false, {}},
      {{"--smoothing", "1/49"}, false, {}},
      {{"--smoothing", "3"}, false, {}},
      {{"--smoothing", "1/3x"}, false, {}},
  };
  for (const Case& c : cases) {
    const CommandLineOptions o = ParseCommandLine(c.args, nullptr);
    const std::string joined = c.args.empty() ? "(none)" : c.args[0] + " " + c.args.back();
    if (!c.ok) {
      EXPECT_EQ(o.action, CommandLineOptions::Action::Error) << joined;
      EXPECT_NE(o.error.find(c.args[0].substr(0, c.args[0].find('='))), std::string::npos)
          << o.error;
      EXPECT_EQ(o.error.find('\n'), std::string::npos) << o.error;
      continue;
    }
    ASSERT_EQ(o.action, CommandLineOptions::Action::Run) << joined << ": " << o.error;
    ResponseSettings s = profile;
    ApplyGivenParameters(ResponseParameters(), o.parameters, &s);
    EXPECT_TRUE(s == c.want) << joined;
  }
}

TEST(ShellResponseCommandLine, HelpListsTheOptionsAndTheNumbers) {
  const std::string help = UsageText("aurivue", "default");
  for (const char* text :
       {"--response METHOD", "--response-reference CHANNEL", "--sweep F1-F2,SECONDS",
        "--smoothing 1/N", "response.gain_db@1000", "response.delay_ms"}) {
    EXPECT_NE(help.find(text), std::string::npos) << text;
  }
  // Checks of the response's numbers are taken, a malformed one refused.
  EXPECT_EQ(ParseCommandLine({"--expect", "response.gain_db@1000=-3.01+-0.1"}, nullptr).action,
            CommandLineOptions::Action::Run);
  EXPECT_EQ(ParseCommandLine({"--expect", "response.gain_db=-3"}, nullptr).action,
            CommandLineOptions::Action::Error);
}

}  // namespace
