// --cursors and --markers on the command line, and the [Cursors] section of a setup file.
#include <gtest/gtest.h>

#include "shell/command_line.h"
#include "shell/instrument_setup.h"

namespace {

TEST(CursorOptionsTest, CursorsAndMarkersFromTheCommandLine) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    int cursorsOn;  // how many of X1, X2, Y1, Y2 were turned on
    double values[4];
    int markers;
  };
  const Case cases[] = {
      {{"--cursors", "0.25,1.25"}, true, 2, {0.25, 1.25, 0, 0}, 0},
      {{"--cursors=1000,3000,-20,-6.5"}, true, 4, {1000, 3000, -20, -6.5}, 0},
      {{"--cursors", " 1, +2 ,3,4"}, true, 4, {1, 2, 3, 4}, 0},
      {{"--markers", "3"}, true, 0, {0, 0, 0, 0}, 3},
      {{"--markers", "8", "--cursors", "1,2"}, true, 2, {1, 2, 0, 0}, 8},
      {{"--cursors", "1"}, false, 0, {}, 0},
      {{"--cursors", "1,2,3"}, false, 0, {}, 0},
      {{"--cursors", "1,2,3,4,5"}, false, 0, {}, 0},
      {{"--cursors", "1,,2"}, false, 0, {}, 0},
      {{"--cursors", "1,2,"}, false, 0, {}, 0},
      {{"--cursors", "1,nan"}, false, 0, {}, 0},
      {{"--cursors", "1ms,2ms"}, false, 0, {}, 0},
      {{"--cursors"}, false, 0, {}, 0},
      {{"--markers", "0"}, false, 0, {}, 0},
      {{"--markers", "9"}, false, 0, {}, 0},
      {{"--markers", "2x"}, false, 0, {}, 0},
  };
  for (const Case& c : cases) {
    const CommandLineOptions o = ParseCommandLine(c.args, nullptr);
    const std::string shown = c.args.size() > 1 ? c.args[0] + " " + c.args[1] : c.args[0];
    if (!c.ok) {
      EXPECT_EQ(o.action, CommandLineOptions::Action::Error) << shown;
      continue;
    }
    ASSERT_EQ(o.action, CommandLineOptions::Action::Run) << shown << ": " << o.error;
    EXPECT_TRUE(o.IsScripted()) << shown;
    EXPECT_EQ(o.markers, c.markers) << shown;
    EXPECT_EQ(o.cursorsGiven, c.cursorsOn > 0) << shown;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(o.cursors.on[i], i < c.cursorsOn) << shown << " " << i;
      EXPECT_EQ(o.cursors.placed[i], i < c.cursorsOn) << shown << " " << i;
      if (i < c.cursorsOn) {
        EXPECT_DOUBLE_EQ(o.cursors.value[i], c.values[i]) << shown;
      }
    }
  }
  const std::string help = UsageText("aurivue", "tone:...");
  EXPECT_NE(help.find("--cursors X1,X2[,Y1,Y2]"), std::string::npos);
  EXPECT_NE(help.find("--markers N"), std::string::npos);
}

TEST(CursorOptionsTest, SetupKeepsTheCursorsAndMarkers) {
  InstrumentState s;
  s.cursors.on[0] = s.cursors.placed[0] = true;
  s.cursors.value[0] = 0.125;
  s.cursors.on[1] = true;  // on where it stood
  s.cursors.on[3] = s.cursors.placed[3] = true;
  s.cursors.value[3] = -6.5;
  s.cursors.track = true;
  s.cursors.snap = true;
  s.cursors.markers = 5;
  s.cursors.continuous = true;
  s.cursors.reference = true;
  s.cursors.table = false;
  const std::string text = WriteSetupText(s);
  EXPECT_NE(text.find("[Cursors]\nx1 = 0.125\nx2 = on\ny1 = off\ny2 = -6.5\ntrack = on\n"
                      "snap = on\nmarkers = 5\npeak-search = on\nmarker-reference = on\n"
                      "marker-table = off\n"),
            std::string::npos)
      << text;
  const SetupReadResult read = ReadSetupText(text, InstrumentState());
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_TRUE(read.state.cursors == s.cursors);

  // Without the section the cursors stay as they were; a wrong value breaks the file.
  InstrumentState base;
  base.cursors.on[2] = true;
  const SetupReadResult none = ReadSetupText("[Aurivue setup]\n[Display]\nmode = 600\n", base);
  ASSERT_TRUE(none.ok);
  EXPECT_TRUE(none.state.cursors == base.cursors);
  const struct {
    const char* text;
    const char* error;
  } broken[] = {
      {"[Aurivue setup]\n[Cursors]\nx1 = left\n", "line 3: x1 needs off, on or a value"},
      {"[Aurivue setup]\n[Cursors]\nmarkers = 9\n", "line 3: markers needs a number of peak"},
      {"[Aurivue setup]\n[Cursors]\nsnap = yes\n", "line 3: snap needs on or off"},
  };
  for (const auto& b : broken) {
    const SetupReadResult r = ReadSetupText(b.text, base);
    EXPECT_FALSE(r.ok) << b.text;
    EXPECT_EQ(r.error.rfind(b.error, 0), 0u) << r.error;
    EXPECT_TRUE(r.state.cursors == base.cursors);
  }
}

}  // namespace
