// Live's oscillograph on a wide screen at a time base whose frame has fewer samples than the
// chart has pixel columns: every recorded sample is drawn as it is in the capture ring, with no
// thinning and no filter, triggered or not.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/app_state.h"
#include "e2e/instrument_support.h"
#include "platform/capture_ring.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "support/event_pump.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"
#include "view/trigger_control.h"
#if AURIVUE_FEATURE_TRIGGER
#include "features/trigger/trigger_frame_selector.h"
#endif

namespace {

using namespace std::chrono_literals;

constexpr int kVoltValue = 32000;
constexpr int kSpikeCounts = 16000;  // 500 mV

// The 2-D oscillograph in Live, two channels of 16 bits, in a view as wide as a full-HD screen
// leaves it.
struct WideLive {
  WideLive(const std::string& input, unsigned rate, float timeBase) {
    std::string error;
    EXPECT_TRUE(SelectWaveInput(input, &error)) << error;
    SetWaveInRealTimePacing(true);
    app.m_nChannels = 2;
    app.m_nBits = 16;
    app.m_nSampleRate = rate;
    app.m_nVoltValue = kVoltValue;
    app.m_nFFTWindow = 1;
    app.m_nFilterType = 1;
    app.m_nFreqPoint = 10000;
    app.m_fTimeBase = timeBase;
    app.m_nDisplayMode = 602;
    app.m_bLive = 1;
    app.m_bPowerOn = 1;
    app.ComputeDerived();
    app.m_capture.SetFormat(2, rate, 16);
    view = std::make_unique<CAurivueView>(&doc);
#if AURIVUE_FEATURE_TRIGGER
    view->SetFeatures({&trigger});
#endif
    view->resize(1536, 700);
    SetMainWindow(view.get());
    view->OnInitialUpdate();
    app.m_capture.Start();
  }
  ~WideLive() {
    app.m_capture.Stop();
    SetMainWindow(nullptr);
    CurrentTrigger().SetSettings(TriggerSettings{});
    SelectWaveInput("default", nullptr);
  }
  // Once the ring holds a second, one refresh on frames it has not shown yet.
  bool Refresh() {
    auto ring = app.m_capture.GetRing();
    const bool filled = support::PumpEventsUntil(
        [&] {
          ring = app.m_capture.GetRing();
          return ring && ring->WritePosition() >= app.m_nSampleRate;
        },
        10s);
    if (!filled) return false;
    for (int i = 0; i < 400 && ring->WritePosition() <= view->LiveFrameEnd(); ++i) {
      std::this_thread::sleep_for(5ms);
    }
    return view->OnLiveRefresh();
  }
  // The ring's raw samples of channel c (counts), the newest second.
  std::vector<double> RingSecond(int c, uint64_t* first) {
    auto ring = app.m_capture.GetRing();
    const uint64_t end = view->LiveFrameEnd();
    const uint64_t n = std::min<uint64_t>(end, app.m_nSampleRate);
    std::vector<uint8_t> bytes(n * 4);
    std::vector<double> out(n);
    if (!ring->Read(end - n, n, bytes.data())) return {};
    for (uint64_t i = 0; i < n; ++i) {
      out[i] = static_cast<int16_t>(bytes[i * 4 + 2 * c] | bytes[i * 4 + 2 * c + 1] << 8);
    }
    *first = end - n;
    return out;
  }
  MessageRecorder messages;
  AppState app;
  CAurivueDoc doc;
#if AURIVUE_FEATURE_TRIGGER
  TriggerFrameSelector trigger;
#endif
  std::unique_ptr<CAurivueView> view;
};

// The chart's points of channel c against samples[at..at + span): one point a sample, at its
// own time, in mV.
void ExpectEverySample(ChartCtrl& chart, const std::vector<double>& samples, size_t at, size_t span,
                       double end) {
  ASSERT_EQ(chart.GetLastIndex() + 1, static_cast<int>(span));
  ASSERT_LE(at + span, samples.size());
  const ChartSerie& s = chart.GetSerie(0);
  for (size_t k = 0; k < span; ++k) {
    ASSERT_NEAR(s.m_pY[k], samples[at + k] * 1000.0 / kVoltValue, 1e-9) << k;
    if (k > 0) {
      ASSERT_NEAR(s.m_pX[k] - s.m_pX[k - 1], end / static_cast<double>(span), 1e-9) << k;
    }
  }
}

// Where run (span samples of the chart, in counts) lies in samples; samples.size() if nowhere.
size_t FindRun(const ChartCtrl& chart, const std::vector<double>& samples, size_t span) {
  const ChartSerie& s = chart.GetSerie(0);
  for (size_t at = 0; at + span <= samples.size(); ++at) {
    size_t k = 0;
    while (k < span && std::fabs(s.m_pY[k] - samples[at + k] * 1000.0 / kVoltValue) < 1e-9) ++k;
    if (k == span) return at;
  }
  return samples.size();
}

struct Case {
  const char* name;
  unsigned rate;
  bool spike;  // a recording with a one-sample spike every 701 samples; else a 15 kHz tone
  bool triggered;
};

class LiveEverySampleTest : public ::testing::TestWithParam<Case> {};

TEST_P(LiveEverySampleTest, TwoMsPerDivisionDrawsEachRecordedSample) {
  const Case& c = GetParam();
#if !AURIVUE_FEATURE_TRIGGER
  if (c.triggered) GTEST_SKIP() << "built without the trigger";
#endif
  QTemporaryDir dir;
  std::string input;
  if (c.spike) {
    if (!instrument::HaveSox()) GTEST_SKIP() << "sox is not installed";
    instrument::Stereo samples(2 * c.rate, 0);
    for (size_t m = 0; m < c.rate; m += 701) samples[2 * m] = samples[2 * m + 1] = kSpikeCounts;
    const std::string wav = dir.filePath("spikes.wav").toStdString();
    ASSERT_TRUE(instrument::WriteRecording(wav, c.rate, samples));
    input = "file:" + wav;
  } else {
    input = "tone:left=15000,sine,0.5;right=15000,sine,0.5";
  }
  WideLive live(input, c.rate, 2);
  if (c.triggered) {
    TriggerSettings s;
    s.mode = TriggerMode::kNormal;
    s.levelMv = 250;
    CurrentTrigger().SetSettings(s);
  }
  // Untriggered every refresh on new frames draws; triggered, one draws once a spike has the
  // rest of its frame behind it.
  bool drawn = live.Refresh();
  for (int i = 0; i < 20 && c.triggered && !drawn; ++i) drawn = live.Refresh();
  ASSERT_TRUE(drawn);
  const size_t span = static_cast<size_t>(live.app.m_nSamplesPerView) * 2;
  ChartCtrl& chart = live.view->Chart2D(0);
  ASSERT_GT(static_cast<size_t>(chart.GetPlotRect().Width()), span);
  uint64_t first = 0;
  const std::vector<double> ring = live.RingSecond(0, &first);
  ASSERT_GT(ring.size(), span);
  // Untriggered the frame ends at the newest sample; triggered it lies where the trigger put it.
  const size_t at = c.triggered ? FindRun(chart, ring, span) : ring.size() - span;
  ASSERT_LT(at, ring.size()) << "the points drawn are not a run of recorded samples";
  ExpectEverySample(chart, ring, at, span, 20.0);
  if (c.spike) {
    // Drawn at its full height, and nothing rings around it.
    const ChartSerie& s = chart.GetSerie(0);
    double hi = -1e9, lo = 1e9;
    for (size_t k = 0; k < span; ++k) {
      hi = std::max(hi, s.m_pY[k]);
      lo = std::min(lo, s.m_pY[k]);
    }
    EXPECT_NEAR(hi, 500.0, 1e-9);
    EXPECT_NEAR(lo, 0.0, 1e-9);
  }
  if (c.triggered) {
    // The spike that fired the trigger sits at the trigger point, 10 % of the screen.
    const ChartSerie& s = chart.GetSerie(0);
    const size_t trigger = span / 10;
    bool near = false;
    for (size_t k = trigger - 1; k <= trigger + 1; ++k) near = near || s.m_pY[k] > 400;
    EXPECT_TRUE(near);
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, LiveEverySampleTest,
                         ::testing::Values(Case{"SpikeAt44100", 44100, true, false},
                                           Case{"SpikeAt48000", 48000, true, false},
                                           Case{"TriggeredSpikeAt44100", 44100, true, true},
                                           Case{"TriggeredSpikeAt48000", 48000, true, true},
                                           Case{"Tone15kHzAt44100", 44100, false, false},
                                           Case{"Tone15kHzAt48000", 48000, false, false}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
