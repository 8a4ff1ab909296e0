// Reliability of the whole program under use: a short soak run in CI (tool_soak_run does the
// long one), POWER cycles that leave no thread behind, and a sound card that vanishes while it
// records.
#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <QDir>

#include "e2e_reliability_support.h"
#include "support/needs_environment.h"

using namespace e2e;

TEST(ReliabilityTest, ShortSoakLosesNothingAndLeavesNothingBehind) {
  SoakOptions options;
  options.seconds = SoakSecondsOr(24);
  options.warmupSeconds = options.seconds / 3;
  options.rssGrowthBoundKiB = 16 * 1024;
  const SoakResult result = RunSoak(options);
  std::printf("%s", result.Report().c_str());
  ASSERT_TRUE(result.error.empty()) << result.error;
  EXPECT_TRUE(result.counterChecked);
  EXPECT_GE(result.powerCycles, 2);
  EXPECT_GT(result.modeChanges, 0);
  EXPECT_GT(result.switchTurns, 0);
  EXPECT_GE(result.handled, result.expected - result.powerCycles);
  EXPECT_EQ(result.shortfall, 0);
  EXPECT_EQ(result.counterBreaks, 0);
  EXPECT_EQ(result.badStarts, 0);
  EXPECT_LE(result.RssGrowthKiB(), result.rssGrowthBoundKiB);
  EXPECT_LE(result.threadsMaxAfterOff, result.threadsBaseline);
  EXPECT_TRUE(result.messages.empty());
}

// The user-interface thread late by more than a buffer, every fourth buffer: the recording's
// frames still arrive one after the other, none lost or repeated, and the count keeps up.
TEST(ReliabilityTest, ALateUserInterfaceThreadLosesNoFrameOfTheRecording) {
  SoakOptions options;
  options.seconds = 14;
  options.warmupSeconds = 4;
  options.lateMs = 700;
  const SoakResult result = RunSoak(options);
  std::printf("%s", result.Report().c_str());
  ASSERT_TRUE(result.error.empty()) << result.error;
  EXPECT_TRUE(result.counterChecked);
  EXPECT_GT(result.handled, 8);
  EXPECT_EQ(result.counterBreaks, 0);
  EXPECT_EQ(result.badStarts, 0);
  EXPECT_TRUE(result.losses.empty()) << result.Report();
  EXPECT_TRUE(result.messages.empty());
}

TEST(ReliabilityTest, VanishedSoundServerLeavesAWorkingProgram) {
  REQUIRE_ENVIRONMENT(PulseAudioInstalled(), "pulseaudio and pactl are not installed");
  PrivateDaemon daemon;
  ASSERT_TRUE(daemon.Start()) << daemon.Log();
  Watchdog watchdog(10);
  ScopedEnv server("PULSE_SERVER", daemon.Server());
  ScopedEnv source("PULSE_SOURCE", "vanishsink.monitor");

  AppSession session("default");
  ASSERT_TRUE(session.ok()) << session.error();
  CAurivueApp& app = session.App();
  auto buffersArrive = [&](const char* doing) {
    const int before = session.Tap().m_nHandled;
    return PumpUntil(
        [&] {
          watchdog.Feed(doing);
          return session.Tap().m_nHandled >= before + 2;
        },
        20s);
  };

  watchdog.Feed("pressing POWER on");
  session.ClickPower();
  ASSERT_TRUE(buffersArrive("waiting for the first buffers"));

  daemon.Kill();
  // The program goes on answering while its device is gone.
  const int handledAtLoss = session.Tap().m_nHandled;
  for (int i = 0; i < 30; ++i) {
    watchdog.Feed("running with the sound server gone");
    Pump(100ms);
  }
  EXPECT_EQ(session.Tap().m_nHandled, handledAtLoss);
  EXPECT_TRUE(session.PowerOn());

  watchdog.Feed("pressing POWER off after the loss");
  QElapsedTimer off;
  off.start();
  session.ClickPower();
  std::printf("POWER off after the loss took %lld ms\n", static_cast<long long>(off.elapsed()));
  EXPECT_FALSE(session.PowerOn());
  EXPECT_FALSE(app.m_capture.HasWorker());
  EXPECT_TRUE(session.Messages().empty()) << session.Messages()[0];
  const int threadsAfterLoss = ThreadCount();

  // With nothing to record from, POWER on says so and POWER off still works.
  watchdog.Feed("pressing POWER on without a sound server");
  session.ClickPower();
  Pump(200ms);
  EXPECT_EQ(session.Messages(), std::vector<std::string>{"Cann't open input device!"});
  watchdog.Feed("pressing POWER off without a sound server");
  session.ClickPower();
  EXPECT_FALSE(app.m_capture.HasWorker());
  EXPECT_LE(ThreadCount(), threadsAfterLoss);

  watchdog.Feed("starting the sound server again");
  ASSERT_TRUE(daemon.Start()) << daemon.Log();
  watchdog.Feed("pressing POWER on again");
  session.ClickPower();
  EXPECT_TRUE(buffersArrive("waiting for buffers from the new sound server"));
  watchdog.Feed("pressing POWER off");
  session.ClickPower();
  EXPECT_FALSE(app.m_capture.HasWorker());
  Pump(100ms);
  EXPECT_LE(ThreadCount(), threadsAfterLoss);
  EXPECT_EQ(session.Messages().size(), 1u);
}

// A sound server that comes up only after the program has first looked for one (a desktop
// session whose sound starts late, or a server restarted while the program was off).
TEST(ReliabilityTest, SoundServerArrivingLateIsFoundAtTheNextPowerOn) {
  REQUIRE_ENVIRONMENT(PulseAudioInstalled(), "pulseaudio and pactl are not installed");
  PrivateDaemon daemon;
  ScopedEnv server("PULSE_SERVER", daemon.Server());
  ScopedEnv source("PULSE_SOURCE", "vanishsink.monitor");
  Watchdog watchdog(10);

  AppSession session("default");
  ASSERT_TRUE(session.ok()) << session.error();
  watchdog.Feed("pressing POWER on without a sound server");
  session.ClickPower();
  Pump(200ms);
  const std::vector<std::string> first = session.Messages();
  ASSERT_EQ(first.size(), 1u);
  std::printf("without a sound server: %s\n", first[0].c_str());
  watchdog.Feed("pressing POWER off without a sound server");
  session.ClickPower();
  EXPECT_FALSE(session.App().m_capture.HasWorker());

  watchdog.Feed("starting the sound server");
  ASSERT_TRUE(daemon.Start()) << daemon.Log();
  watchdog.Feed("pressing POWER on with the sound server up");
  session.ClickPower();
  const int before = session.Tap().m_nHandled;
  EXPECT_TRUE(PumpUntil(
      [&] {
        watchdog.Feed("waiting for buffers");
        return session.Tap().m_nHandled >= before + 2;
      },
      20s));
  EXPECT_EQ(session.Messages(), first);
  watchdog.Feed("pressing POWER off");
  session.ClickPower();
  EXPECT_FALSE(session.App().m_capture.HasWorker());
}

// The same run with the live display: the half-second buffers still arrive gap-free beside it,
// the capture ring drops no block, and the display keeps updating across mode changes and
// POWER cycles.
TEST(ReliabilityTest, ShortLiveSoakLosesNoBlock) {
  SoakOptions options;
  options.seconds = SoakSecondsOr(16);
  options.warmupSeconds = options.seconds * 3 / 8;
  options.live = true;
  const SoakResult result = RunSoak(options);
  std::printf("%s", result.Report().c_str());
  ASSERT_TRUE(result.error.empty()) << result.error;
  EXPECT_TRUE(result.counterChecked);
  EXPECT_GE(result.powerCycles, 2);
  EXPECT_GT(result.modeChanges, 0);
  EXPECT_EQ(result.lostBlocks, 0u);
  EXPECT_EQ(result.counterBreaks, 0);
  EXPECT_EQ(result.shortfall, 0);
  // Many more updates than half-second buffers: the display follows the screen, not them.
  EXPECT_GT(result.liveUpdates, static_cast<unsigned long long>(4 * result.handled));
  EXPECT_LE(result.threadsMaxAfterOff, result.threadsBaseline);
  EXPECT_TRUE(result.messages.empty());
}
