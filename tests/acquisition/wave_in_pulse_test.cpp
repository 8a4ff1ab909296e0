// The real capture path: a sox-made file played into a PulseAudio null sink comes back, sample
// for sample, through PortAudio's default device and the capture engine. Needs the daemon that
// tools/start_test_pulseaudio.sh starts; skipped without one, except in CI where it must run.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "acquisition/wave_in_capture.h"
#include "platform/message_box.h"
#include "support/needs_environment.h"
#include "wave_in_capture_support.h"

namespace {}  // namespace

// ALSA's "pulse" device is a PortAudio input device like any other: found by name and number.
TEST(WaveInPulseTest, NamedDeviceIsFoundOrCountsAsNone) {
  REQUIRE_PULSE_DAEMON();
  CaptureInput pulse("device:pulse", true);
  ASSERT_TRUE(pulse.ok()) << pulse.error();
  EXPECT_EQ(WaveInGetNumDevs(), 1u);
  WaveInCaps caps;
  ASSERT_EQ(WaveInGetDevCaps(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "pulse");
  CaptureInput missing("device:no such recorder", true);
  EXPECT_EQ(WaveInGetNumDevs(), 0u);
}

TEST(WaveInPulseTest, CapturedSamplesEqualThePlayedFile) {
  REQUIRE_PULSE_DAEMON();
  setenv("PULSE_SOURCE", "testsink.monitor", 0);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string wav = dir.filePath("played.wav").toStdString();
  const std::string raw = dir.filePath("played.raw").toStdString();
  // Noise never repeats, so the file's place in the recording is unambiguous. The lead-in of
  // silence is there because the daemon may rewrite the first tens of milliseconds of a stream
  // that starts on an idle sink (it renders ahead and rewinds); that part is not compared.
  ASSERT_EQ(
      std::system(("sox -R -n -r 44100 -c 2 -b 16 " + wav +
                   " synth 1.5 whitenoise vol 0.5 pad 0.3 0.2 && sox " + wav + " -t raw " + raw)
                      .c_str()),
      0);
  std::ifstream in(raw, std::ios::binary);
  const std::vector<uint8_t> played{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
  ASSERT_EQ(played.size(), 88200u * 4);
  const size_t noiseStart = 13230 * 4;  // 0.3 s
  const size_t compareFrom = 8820 * 4;  // 0.2 s

  MessageRecorder messages;
  ReadyReceiver receiver;
  MainWindowScope main(&receiver);
  CaptureInput input("default", true);
  ASSERT_TRUE(input.ok()) << input.error();

  WaveInCapture capture;
  capture.SetFormat(2, 44100, 16);
  std::vector<uint8_t> recorded;
  recorded.reserve(88200 * 20);
  receiver.m_onReady = [&](int) {
    const uint8_t* b = capture.GetReadyBuffer();
    recorded.insert(recorded.end(), b, b + 88200);
  };
  capture.Start();
  ASSERT_TRUE(messages.Texts().empty()) << messages.Texts()[0];
  // The first buffer can take a while; play only once recording surely runs.
  ASSERT_TRUE(PumpUntil([&] { return receiver.m_count >= 1; }, 15s));
  QProcess player;
  player.start("paplay", {"-d", "testsink", QString::fromStdString(wav)});
  ASSERT_TRUE(player.waitForStarted(5000));
  ASSERT_TRUE(PumpUntil([&] { return player.state() == QProcess::NotRunning; }, 20s));
  const int after = receiver.m_count;
  ASSERT_TRUE(PumpUntil([&] { return receiver.m_count >= after + 2; }, 10s));
  capture.Stop();
  EXPECT_EQ(player.exitCode(), 0);

  auto at = std::search(recorded.begin(), recorded.end(), played.begin() + noiseStart,
                        played.begin() + noiseStart + 256);
  ASSERT_NE(at, recorded.end()) << "the file's samples are not in " << recorded.size()
                                << " recorded bytes";
  const size_t found = static_cast<size_t>(at - recorded.begin());
  ASSERT_GE(found, noiseStart);
  const size_t offset = found - noiseStart;
  EXPECT_EQ(offset % 4, 0u);
  ASSERT_GE(recorded.size() - offset, played.size());
  size_t mismatches = 0;
  for (size_t i = compareFrom; i < played.size(); ++i)
    mismatches += recorded[offset + i] != played[i];
  EXPECT_EQ(mismatches, 0u);
  EXPECT_TRUE(messages.Texts().empty());
}
