#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "acquisition/app_state.h"
#include "platform/capture_ring.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "support/event_pump.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"

namespace {

using namespace std::chrono_literals;

// Live at 48 kHz stereo from the tone input, time base 50 (every 50th sample: 960 Hz).
struct LiveHost {
  explicit LiveHost(const std::string& tone, int mode) {
    SelectWaveInput(tone, nullptr);
    SetWaveInRealTimePacing(true);
    app.m_nChannels = 2;
    app.m_nBits = 16;
    app.m_nSampleRate = 48000;
    app.m_nVoltValue = 32000;
    app.m_nFFTWindow = 1;
    app.m_nFilterType = 1;
    app.m_nFreqPoint = 10000;
    app.m_fTimeBase = 50;
    app.m_nDisplayMode = mode;
    app.m_bLive = 1;
    app.m_bPowerOn = 1;
    app.ComputeDerived();
    app.m_capture.SetFormat(2, 48000, 16);
    // Made once the settings are in, which size its arrays.
    pView = std::make_unique<CAurivueView>(&doc);
    pView->resize(800, 501);
    SetMainWindow(pView.get());
    pView->OnInitialUpdate();
    app.m_capture.Start();
  }
  ~LiveHost() {
    app.m_capture.Stop();
    SetMainWindow(nullptr);
    SelectWaveInput("default", nullptr);
  }
  // Waits until the ring holds a second of input, then runs one refresh on new frames.
  bool Refresh() {
    const bool filled = support::PumpEventsUntil(
        [this] {
          auto ring = app.m_capture.GetRing();
          return ring && ring->WritePosition() >= 48000;
        },
        10s);
    if (!filled) return false;
    // The view's own refreshes ran meanwhile: wait, without running them, for new frames.
    auto ring = app.m_capture.GetRing();
    for (int i = 0; i < 400 && ring->WritePosition() <= pView->LiveFrameEnd(); ++i) {
      std::this_thread::sleep_for(5ms);
    }
    return pView->OnLiveRefresh();
  }
  MessageRecorder messages;
  AppState app;
  CAurivueDoc doc;
  std::unique_ptr<CAurivueView> pView;
  CAurivueView& view() { return *pView; }
};

TEST(LiveAntiAliasTest, ToneAboveTheFramesHalfRateIsFilteredOutBeforeDecimation) {
  // 1000 Hz taken every 50th sample without a filter would show as a 40 Hz wave at full size.
  LiveHost host("tone:left=1000,sine,0.5;right=100,sine,0.5", 604);
  ASSERT_TRUE(host.Refresh());
  EXPECT_LT(host.view().m_dLeftPeak, 5.0);
  // 100 Hz lies inside the 480 Hz band of the frame: it passes whole.
  EXPECT_NEAR(host.view().m_dRightPeak, 0.5 * 32767, 0.5 * 32767 * 0.01);
}

TEST(LiveAntiAliasTest, TimeBaseOneDecodesAsBefore) {
  LiveHost host("tone:left=1000,sine,0.5;right=100,sine,0.5", 604);
  host.app.m_fTimeBase = 1;
  ASSERT_TRUE(host.Refresh());
  EXPECT_NEAR(host.view().m_dLeftPeak, 0.5 * 32767, 0.5 * 32767 * 0.01);
}

}  // namespace
