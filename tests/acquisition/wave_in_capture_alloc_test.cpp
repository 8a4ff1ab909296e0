// Counts heap allocations made off the user-interface thread, that is by the capture worker and
// the input's own thread, to show that a running capture allocates nothing per buffer.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>

#include "acquisition/wave_in_capture.h"
#include "platform/message_box.h"
#include "platform/signal_output.h"
#include "support/counted_new.h"
#include "wave_in_capture_support.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_offThreadAllocations{0};
pthread_t g_uiThread;

void Count() {
  if (g_counting.load(std::memory_order_relaxed) && !pthread_equal(pthread_self(), g_uiThread)) {
    g_offThreadAllocations.fetch_add(1, std::memory_order_relaxed);
  }
}
}  // namespace

TEST(CaptureAllocationTest, NothingIsAllocatedPerBuffer) {
  MessageRecorder messages;
  ReadyReceiver receiver;
  MainWindowScope main(&receiver);
  CaptureInput input("tone:1000");
  WaveInCapture capture;
  capture.SetFormat(2, 22050, 16);
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return receiver.m_count >= 3; }));
  g_uiThread = pthread_self();
  support::SetAllocationHook(&Count);
  g_counting = true;
  const int from = receiver.m_count;
  ASSERT_TRUE(PumpUntil([&] { return receiver.m_count >= from + 30; }));
  g_counting = false;
  capture.Stop();
  EXPECT_EQ(g_offThreadAllocations.load(), 0);
  EXPECT_TRUE(messages.Texts().empty());
}

// The generator through the loopback: rendering, the hand-over to the capture and the dithered
// conversion allocate nothing per block either, also across a change of level and shape.
TEST(CaptureAllocationTest, NothingIsAllocatedPerBlockByTheGeneratorsLoopback) {
  MessageRecorder messages;
  ReadyReceiver receiver;
  MainWindowScope main(&receiver);
  CaptureInput input("loopback");
  SignalOutput& output = SignalOutput::Instance();
  OutputSpec none;
  none.kind = OutputSpec::Kind::None;
  output.SetDestination(none);
  GeneratorSetup setup;
  setup.channels[1].waveform = Waveform::PinkNoise;
  setup.output = true;
  output.Publish(setup);
  WaveInCapture capture;
  capture.SetFormat(2, 22050, 16);
  capture.Start();
  ASSERT_TRUE(PumpUntil([&] { return receiver.m_count >= 3; }));
  g_uiThread = pthread_self();
  support::SetAllocationHook(&Count);
  g_counting = true;
  const int from = receiver.m_count;
  setup.channels[0].level = 0.25;
  setup.channels[1].waveform = Waveform::Square;
  output.Publish(setup);
  ASSERT_TRUE(PumpUntil([&] { return receiver.m_count >= from + 30; }));
  g_counting = false;
  capture.Stop();
  setup.output = false;
  output.Publish(setup);
  EXPECT_EQ(g_offThreadAllocations.load(), 0);
  EXPECT_TRUE(messages.Texts().empty());
}
