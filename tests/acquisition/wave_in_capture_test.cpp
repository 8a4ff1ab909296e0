#include "acquisition/wave_in_capture.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <vector>

#include "platform/message_box.h"
#include "wave_in_capture_support.h"

namespace {

size_t ThreadCount() {
  size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    static_cast<void>(entry);
    ++n;
  }
  return n;
}

// Threads after one capture has come and gone: runtimes (the thread sanitizer's, Qt's) start
// helper threads on first use, and those must not count against the engine.
size_t SettledThreadCount() {
  WaveInCapture warmUp;
  warmUp.SetFormat(1, 11025, 8);
  warmUp.Start();
  warmUp.Stop();
  return ThreadCount();
}

class CaptureTest : public ::testing::Test {
 protected:
  MessageRecorder m_messages;
  ReadyReceiver m_receiver;
  MainWindowScope m_main{&m_receiver};
};

}  // namespace

TEST_F(CaptureTest, WorkedFormatAndBufferSizes) {
  CaptureInput input("tone:1000");
  struct Case {
    int channels, bits;
    uint32_t rate, avg, buffer;
    uint16_t align;
  };
  for (Case c : {Case{2, 16, 44100, 176400, 88200, 4}, Case{1, 8, 11025, 11025, 5512, 1},
                 Case{2, 8, 22050, 44100, 22050, 2}, Case{1, 16, 96000, 192000, 96000, 2}}) {
    WaveInCapture capture;
    capture.SetFormat(c.channels, c.rate, c.bits);
    const WaveFormat& f = capture.GetFormat();
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nChannels, c.channels);
    EXPECT_EQ(f.nSamplesPerSec, c.rate);
    EXPECT_EQ(f.nAvgBytesPerSec, c.avg);
    EXPECT_EQ(f.nBlockAlign, c.align);
    EXPECT_EQ(f.wBitsPerSample, c.bits);
    EXPECT_EQ(f.cbSize, 18);
    capture.Start();
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(capture.GetHeader(i).dwBufferLength, c.buffer) << c.rate;
      EXPECT_NE(capture.GetHeader(i).dwFlags & WHDR_PREPARED, 0u);
    }
    EXPECT_NE(capture.GetHeader(0).lpData, capture.GetHeader(1).lpData);
    capture.Stop();
  }
  EXPECT_TRUE(m_messages.Texts().empty());
}

// Each notification announces the buffer just filled: A first, then B, A, B...; the samples run
// on without a gap or repeat, and the announced buffer is not in the device's hands.
TEST_F(CaptureTest, AnnouncesAThenBWithTheSignalInOrder) {
  CaptureInput input("tone:1000,sine,0.5");
  WaveInCapture capture;
  capture.SetFormat(1, 11025, 16);
  std::vector<int> order;
  size_t bad = 0;
  m_receiver.m_onReady = [&](int n) {
    uint8_t* buffer = capture.GetReadyBuffer();
    int which = buffer == capture.GetHeader(0).lpData ? 0 : 1;
    order.push_back(which);
    if ((capture.GetHeader(which).dwFlags & WHDR_INQUEUE) != 0) ++bad;
    // Half of 22050 bytes a second is 11025 bytes: 5512 whole samples and a byte left over.
    EXPECT_EQ(capture.GetHeader(which).dwBytesRecorded, 11024u);
    const size_t frames = 5512;
    for (size_t i = 0; i < frames; ++i) {
      size_t k = static_cast<size_t>(n - 1) * frames + i;
      auto got = static_cast<int16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
      double want = std::lround(0.5 * 32767 * std::sin(2 * std::numbers::pi * 1000.0 * k / 11025));
      if (std::fabs(got - want) > 1) ++bad;
    }
  };
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return order.size() >= 7; }));
  capture.Stop();
  EXPECT_EQ(bad, 0u);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i % 2)) << i;
  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(CaptureTest, EveryFailureHasItsMessage) {
  struct Case {
    const char* input;
    WaveInFaultPlan plan;
    std::vector<std::string> texts;
    bool workerLeft;
  };
  const std::vector<Case> cases = {
      {"none", {}, {"System hasn't install input Device!"}, false},
      {"tone:1000", {.failCaps = 1}, {"Cann't get input device caps!"}, false},
      {"tone:1000", {.failOpen = 1}, {"Cann't open input device!"}, true},
      {"tone:1000", {.failPrepare = 1}, {"Cann't prepare header!"}, true},
      {"tone:1000", {.failPrepare = 2}, {"Cann't prepare header!"}, true},
      {"tone:1000", {.failAdd = 2}, {"Cann't add buffer!"}, true},
      {"tone:1000", {.failStart = 1}, {"Cann't start!"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.texts[0]);
    CaptureInput input(c.input);
    SetWaveInFaults(c.plan);
    m_messages.Clear();
    WaveInCapture capture;
    capture.SetFormat(2, 22050, 16);
    capture.Start();
    EXPECT_EQ(m_messages.Texts(), c.texts);
    EXPECT_EQ(capture.HasWorker(), c.workerLeft);
    capture.Stop();  // cleans up as far as Start went
    EXPECT_FALSE(capture.HasWorker());
    EXPECT_EQ(m_messages.Texts(), c.texts);
    EXPECT_EQ(m_receiver.m_count, 0);
  }
}

// Re-queueing after a notification reports with its own spellings and recording goes on.
TEST_F(CaptureTest, RequeueFailuresUseTheirOwnSpellings) {
  struct Case {
    WaveInFaultPlan plan;
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases = {
      // An unprepared buffer cannot be added either.
      {{.failPrepare = 3}, {"Cann't prepare Header!", "Cann't Add Buffer!"}},
      {{.failAdd = 3}, {"Cann't Add Buffer!"}},
      {{.failStart = 2}, {"Cann't Start!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.texts[0]);
    CaptureInput input("tone:300");
    SetWaveInFaults(c.plan);
    m_messages.Clear();
    m_receiver.m_count = 0;
    WaveInCapture capture;
    capture.SetFormat(1, 11025, 8);
    capture.Start();
    ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count >= 3; }));
    capture.Stop();
    EXPECT_EQ(m_messages.Texts(), c.texts);
  }
}

TEST_F(CaptureTest, StopWithoutStartIsQuiet) {
  WaveInCapture capture;
  capture.Stop();
  capture.SetFormat(2, 44100, 16);
  capture.Stop();
  capture.Stop();
  EXPECT_TRUE(m_messages.Texts().empty());
  EXPECT_FALSE(capture.HasWorker());
}

// POWER pressed on and off quickly, with notifications waiting, being handled or not yet sent.
TEST_F(CaptureTest, FiveHundredStartStopCyclesEndEveryThread) {
  CaptureInput input("tone:440");
  const size_t threadsBefore = SettledThreadCount();
  WaveInCapture capture;
  capture.SetFormat(1, 11025, 8);
  int inFlight = 0;
  m_receiver.m_onReady = [&](int) {
    if ((capture.GetHeader(capture.GetReadyBuffer() == capture.GetHeader(0).lpData ? 0 : 1)
             .dwFlags &
         WHDR_INQUEUE) != 0) {
      ++inFlight;
    }
  };
  for (int cycle = 0; cycle < 500; ++cycle) {
    const int before = m_receiver.m_count;
    capture.Start();
    switch (cycle % 4) {
      case 0:  // stop at once: the open notification may not even be consumed
        break;
      case 1:  // stop with a notification posted but not yet handled
        QCoreApplication::processEvents();
        break;
      default:
        ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count >= before + cycle % 4 - 1; }))
            << "cycle " << cycle;
    }
    capture.Stop();
    ASSERT_FALSE(capture.HasWorker());
  }
  // Notifications dropped by Stop never run later.
  const int handled = m_receiver.m_count;
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(m_receiver.m_count, handled);
  EXPECT_GT(handled, 200);
  EXPECT_EQ(inFlight, 0);
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(m_messages.Texts().empty());
}

// A modal dialog opened by the handler runs a nested event loop; POWER off inside it must not
// wait for the handler underneath, and the handler still reads its buffer afterwards.
TEST_F(CaptureTest, StopInsideNestedLoopOfTheNotificationHandler) {
  CaptureInput input("tone:1000,triangle,0.5");
  const size_t threadsBefore = SettledThreadCount();
  WaveInCapture capture;
  capture.SetFormat(2, 11025, 16);
  bool stoppedInside = false;
  bool workerGoneInside = false;
  int firstSample = 0;
  m_receiver.m_onReady = [&](int n) {
    if (n != 1) return;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
      capture.Stop();
      stoppedInside = true;
      workerGoneInside = !capture.HasWorker();
      loop.quit();
    });
    loop.exec();
    const uint8_t* b = capture.GetReadyBuffer();
    firstSample = static_cast<int16_t>(b[0] | (b[1] << 8));
  };
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return stoppedInside; }));
  EXPECT_TRUE(workerGoneInside);
  EXPECT_EQ(firstSample, -16384);  // the triangle's trough at 0.5
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(m_receiver.m_count, 1);
  EXPECT_EQ(ThreadCount(), threadsBefore);

  // POWER on again works as before.
  m_receiver.m_onReady = nullptr;
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count >= 3; }));
  capture.Stop();
  EXPECT_TRUE(m_messages.Texts().empty());
}

// Stop and Start again, both inside the nested loop of a handler: the old notification's end
// must not be taken for the new worker's.
TEST_F(CaptureTest, RestartInsideNestedLoopKeepsNotificationsApart) {
  CaptureInput input("tone:1000");
  WaveInCapture capture;
  capture.SetFormat(1, 11025, 16);
  int nestedSeen = 0;
  m_receiver.m_onReady = [&](int n) {
    if (n != 1) return;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
      capture.Stop();
      capture.Start();
    });
    QTimer::singleShot(0, &loop, [&] {
      PumpUntil([&] { return m_receiver.m_count >= 3; });
      nestedSeen = m_receiver.m_count;
      loop.quit();
    });
    loop.exec();
  };
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return nestedSeen > 0; }));
  EXPECT_GE(nestedSeen, 3);
  ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count >= nestedSeen + 2; }));
  capture.Stop();
  EXPECT_TRUE(m_messages.Texts().empty());
}

// The engine destroyed from a nested loop inside its own notification's handler.
TEST_F(CaptureTest, DestroyInsideNestedLoopOfTheNotificationHandler) {
  CaptureInput input("tone:1000");
  auto capture = std::make_unique<WaveInCapture>();
  capture->SetFormat(1, 11025, 8);
  bool destroyed = false;
  m_receiver.m_onReady = [&](int n) {
    if (n != 1) return;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
      capture.reset();
      destroyed = true;
      loop.quit();
    });
    loop.exec();
  };
  capture->Start();
  ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(m_receiver.m_count, 1);
}

TEST_F(CaptureTest, DestroyRightAfterStart) {
  CaptureInput input("tone:1000");
  const size_t threadsBefore = SettledThreadCount();
  for (int i = 0; i < 20; ++i) {
    WaveInCapture capture;
    capture.SetFormat(2, 44100, 16);
    capture.Start();
    if (i % 2 == 1) {
      const int before = m_receiver.m_count;
      ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count > before; }));
    }
  }
  {
    // Destroyed with a notification posted and never handled.
    CaptureInput paced("tone:1000", true);
    WaveInCapture capture;
    capture.SetFormat(1, 11025, 8);
    capture.Start();
  }
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(CaptureTest, PacedToneIsNotFasterThanRealTime) {
  CaptureInput input("tone:1000", true);
  WaveInCapture capture;
  capture.SetFormat(2, 44100, 16);
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count >= 1; }));
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return m_receiver.m_count >= 3; }));
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  capture.Stop();
  // Two buffers of half a second each cannot arrive sooner than a second apart, give or take.
  EXPECT_GT(seconds, 0.8);
}
