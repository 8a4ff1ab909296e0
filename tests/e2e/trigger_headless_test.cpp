// The built program's triggered export: a sox-made two-tone recording, the frame the trigger
// chose written as Export writes it, held against a crossing this test finds by itself.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTextStream>
#include <cmath>
#include <cstdlib>

#include "instrument_support.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"

using namespace instrument;

namespace {

bool ParseRecords(const std::string& text, std::vector<double>& left, std::vector<double>& right) {
  QString all = QString::fromStdString(text);
  QTextStream in(&all);
  in.readLine();
  while (!in.atEnd()) {
    const QStringList fields = in.readLine().mid(7).split(' ', Qt::SkipEmptyParts);
    if (fields.size() != 2) return false;
    left.push_back(fields[0].toDouble());
    right.push_back(fields[1].toDouble());
  }
  return true;
}

// Falling crossings of level in channel 1 of recording whose time (interpolated linearly between
// the two samples around it) lies in (from, to].
std::vector<double> FallingCrossings(const Stereo& recording, double level, double from,
                                     double to) {
  std::vector<double> found;
  const long frames = static_cast<long>(recording.size() / 2);
  for (long k = std::max(1L, static_cast<long>(from) - 1); k <= static_cast<long>(to) + 1; ++k) {
    const double a = recording[2 * ((k - 1) % frames) + 1];
    const double b = recording[2 * (k % frames) + 1];
    if (a > level && b <= level) {
      const double t = static_cast<double>(k - 1) + (a - level) / (a - b);
      if (t > from && t <= to) found.push_back(t);
    }
  }
  return found;
}

}  // namespace

TEST(TriggerHeadlessTest, TriggeredExportIsTheFrameAroundAnIndependentlyFoundCrossing) {
  PrivateProgram program;
  REQUIRE_ENVIRONMENT(program.ok(), "the program is not built (build/src/aurivue)");
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  ASSERT_TRUE(program.WriteSettings(kKnownSettings));  // 1 V = 32000 counts
  const std::string wav = program.PathStd("tones.wav");
  const std::string make =
      "sox -n -r 44100 -b 16 -c 2 '" + wav + "' synth 3 sine 997 sine 1503 vol 0.6 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const Stereo recording = ReadRecording(wav);
  ASSERT_FALSE(recording.empty());
  const double levelMv = 100, level = levelMv * 32000 / 1000;
  for (const bool live : {false, true}) {
    SCOPED_TRACE(live ? "Live" : "Classic");
    const QString out = program.Path(live ? "live.txt" : "classic.txt");
    QStringList args = {"--input",
                        "file:tones.wav",
                        "--timebase",
                        "2",
                        "--trigger",
                        "normal",
                        "--trigger-source",
                        "right",
                        "--trigger-slope",
                        "falling",
                        "--trigger-level",
                        "100",
                        "--trigger-position",
                        "30",
                        "--power",
                        "--frames",
                        live ? "30" : "3",
                        "--export",
                        out,
                        "--quit"};
    args.prepend(live ? "--live" : "--classic");
    const auto r = program.Run(args);
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const std::string text = ReadFileBytes(out.toStdString());
    std::vector<double> left, right;
    ASSERT_TRUE(ParseRecords(text, left, right)) << text.substr(0, 200);
    ASSERT_EQ(left.size(), 441u) << "the record count stays that of the frame";
    // Where in the recording the exported frame lies (every second sample at 2 ms/div).
    const long at = FindInRecording(recording, left, right, 2);
    ASSERT_GE(at, 0) << "the export is not a stretch of the recording";
    EXPECT_EQ(text, ExpectedExport(left, right));
    // 30 % of a 20 ms frame (882 samples) before the trigger: the crossing lies within one
    // sample after the frame's first sample plus 264.6.
    const double edge = static_cast<double>(at) + 264.6;
    const std::vector<double> crossings = FallingCrossings(recording, level, edge - 1, edge);
    EXPECT_EQ(crossings.size(), 1u) << "no falling crossing of 100 mV where the trigger is drawn";
  }
}

// A run that waits for triggered updates and never gets one ends soon after the input has run
// for a while, saying the trigger never fired, instead of running into the long time-out with
// a count of updates.
TEST(TriggerHeadlessTest, NormalWithoutATriggerEndsSayingSo) {
  PrivateProgram program;
  REQUIRE_ENVIRONMENT(program.ok(), "the program is not built (build/src/aurivue)");
  ASSERT_TRUE(program.WriteSettings(kKnownSettings));
  struct Case {
    const char* slope;
    const char* level;
    const char* says;
  };
  const Case cases[] = {{"rising", "900", "no rising crossing of 900 mV on the left channel"},
                        {"either", "-950", "no rising or falling crossing of -950 mV"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slope);
    QElapsedTimer clock;
    clock.start();
    const auto r = program.Run({"--live", "--input", "tone:left=1000,sine,0.5;right=1000,sine,0.5",
                                "--trigger", "normal", "--trigger-slope", c.slope,
                                "--trigger-level", c.level, "--power", "--frames", "4", "--quit"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.indexOf("the trigger never fired"), -1) << r.err.toStdString();
    EXPECT_NE(r.err.indexOf(c.says), -1) << r.err.toStdString();
    // Three seconds of input without a trigger, not the ten and a second a frame of a run that
    // waits for a device.
    EXPECT_LT(clock.elapsed(), 10000);
  }
}
