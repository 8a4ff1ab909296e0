// The live display driven in this process: a counter recording shows up frame by frame with no
// gap inside a frame and no frame shown twice, the envelope is the very minimum and maximum of
// the recorded samples, the waterfall keeps its own pace, and the status pane tells the mode.
#include <gtest/gtest.h>

#include <QImage>
#include <QPointer>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "e2e_reliability_support.h"
#include "features/live/level_meter_bar.h"
#include "features/live/live_feature.h"
#include "features/live/live_profile.h"
#include "instrument_support.h"
#include "platform/capture_ring.h"
#include "platform/user_profile.h"
#include "support/private_profile.h"

using namespace e2e;
using namespace instrument;

namespace {

class LiveDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    ASSERT_TRUE(m_dir.isValid());
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    CAurivueApp& app = m_session->App();
    if (app.m_nChannels != 2 || app.m_nBits != 16) {
      GTEST_SKIP() << "these checks are written for two channels of 16 bits";
    }
    app.m_nFilterType = 1;
  }

  void TearDown() override {
    if (m_session) {
      m_session->App().m_bLive = 0;
      if (m_session->PowerOn()) m_session->ClickPower();
    }
    m_session.reset();
  }

  // Live on without touching the per-user profile: the mode's command builds a new view.
  void GoLive(int mode) {
    CAurivueApp& app = m_session->App();
    app.m_bLive = 1;
    app.m_nDisplayMode = mode;
    SendCommandTo(m_session->Frame(), mode);
  }

  void Record(const std::function<bool(const std::string&, unsigned)>& make) {
    const std::string wav = m_dir.filePath("input.wav").toStdString();
    ASSERT_TRUE(make(wav, m_session->App().m_nSampleRate));
    std::string error;
    ASSERT_TRUE(SelectWaveInput("file:" + wav, &error)) << error;
  }

  // Pumps events until count more analysis updates have been made.
  bool WaitForUpdates(int count, const std::function<void()>& each = {}) {
    CAurivueApp& app = m_session->App();
    uint64_t seen = app.m_nAnalysisUpdates;
    const uint64_t target = seen + static_cast<uint64_t>(count);
    return PumpUntil(
        [&] {
          if (app.m_nAnalysisUpdates != seen) {
            seen = app.m_nAnalysisUpdates;
            if (each) each();
          }
          return seen >= target;
        },
        10s);
  }

  void CheckEnvelope(int mode);

  // The trigger and Live choices other tests keep in the shared profile would pick other frames
  // than the newest: the test starts from a profile of its own.
  const support::PrivateProfile m_profile;
  QTemporaryDir m_dir;
  std::unique_ptr<AppSession> m_session;
};

// The frame number a counter-recording sample pair carries (mod 65536).
unsigned CounterFrame(double left, double right) {
  const auto lo = static_cast<unsigned>(static_cast<int>(left) + 32768) >> 8;
  const auto hi = static_cast<unsigned>(static_cast<int>(right) + 32768) >> 8;
  return (lo | hi << 8) & 0xFFFF;
}

}  // namespace

TEST_F(LiveDisplayTest, CounterRecordingHasNoGapInAFrameAndNoFrameTwice) {
  Record(MakeCounterRecording);
  GoLive(602);
  CAurivueApp& app = m_session->App();
  m_session->ClickPower();
  ASSERT_TRUE(m_session->PowerOn());
  for (float timeBase : {1.0f, 5.0f}) {
    SCOPED_TRACE(timeBase);
    app.m_fTimeBase = timeBase;
    const int n = app.m_nSamplesPerView;
    const unsigned step = static_cast<unsigned>(timeBase);
    uint64_t lastEnd = 0;
    int updates = 0, gaps = 0, repeats = 0, wrongEnds = 0;
    // Above 1 ms/div Live filters the frames before it keeps every step-th one, so the counter
    // survives only at 1 ms/div; the order of the frames is checked at both.
    const bool raw = step == 1;
    ASSERT_TRUE(WaitForUpdates(30, [&] {
      CAurivueView* view = m_session->View();
      const double* left = view->LeftSamples();
      const double* right = view->RightSamples();
      for (int i = 1; raw && i < n; ++i) {
        if (CounterFrame(left[i], right[i]) !=
            (CounterFrame(left[i - 1], right[i - 1]) + step) % 65536)
          ++gaps;
      }
      // The frame ends at the newest frame the ring had: the file's frame end - 1.
      const uint64_t end = view->LiveFrameEnd();
      if (raw && end >= static_cast<uint64_t>(n) * step &&
          CounterFrame(left[n - 1], right[n - 1]) != (end - 1) % 65536) {
        ++wrongEnds;
      }
      if (end <= lastEnd) ++repeats;
      lastEnd = end;
      ++updates;
    }));
    EXPECT_EQ(gaps, 0);
    EXPECT_EQ(wrongEnds, 0);
    EXPECT_EQ(repeats, 0);
    EXPECT_GE(updates, 30);
  }
  ASSERT_TRUE(app.m_capture.GetRing());
  EXPECT_EQ(app.m_capture.GetRing()->Overruns(), 0u);
  EXPECT_TRUE(m_session->Messages().empty());
}

// The envelope of the 2-D oscillograph (602) or of the waterfall's front curtain (612) against
// a direct minimum and maximum of the recorded samples, and the tone drawn as one solid band.
void LiveDisplayTest::CheckEnvelope(int mode) {
  Record([](const std::string& wav, unsigned rate) {
    return WriteRecording(wav, rate, QuadratureTone(rate, 2.0, 1000, 16000, 8000));
  });
  GoLive(mode);
  const bool threeD = mode >= 610;
  CAurivueApp& app = m_session->App();
  app.m_fTimeBase = 50;
  m_session->ClickPower();
  const size_t span = static_cast<size_t>(app.m_nSamplesPerView) * 50;
  // Half a second in, the frame is all recorded sound.
  ASSERT_TRUE(PumpUntil([&] { return m_session->View()->LiveFrameEnd() >= span; }, 5s));
  ASSERT_TRUE(WaitForUpdates(2));
  // Hold still: POWER off keeps the last pass on the charts and the ring as it was.
  m_session->ClickPower();
  CAurivueView* view = m_session->View();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  ASSERT_TRUE(ring);
  const uint64_t end = view->LiveFrameEnd();
  std::vector<uint8_t> frames(span * 4);
  ASSERT_TRUE(ring->Read(end - span, span, frames.data()));
  for (int c = 0; c < 2; ++c) {
    SCOPED_TRACE(c == 0 ? "left" : "right");
    ChartCtrl& chart = threeD ? static_cast<ChartCtrl&>(view->Chart3D(c)) : view->Chart2D(c);
    const size_t columns = threeD
                               ? static_cast<size_t>(view->Chart3D(c).MapToPixel3D(500, 0, 0).x() -
                                                     view->Chart3D(c).MapToPixel3D(0, 0, 0).x())
                               : static_cast<size_t>(chart.GetPlotRect().Width());
    ASSERT_GT(columns, 100u);
    ASSERT_GT(span, columns);
    ASSERT_EQ(chart.GetLastIndex(), static_cast<int>(2 * columns - 1));
    const ChartSerie& s = chart.GetSerie(0);
    for (size_t k = 0; k < columns; ++k) {
      double lo = 1e9, hi = -1e9;
      for (size_t i = k * span / columns; i < (k + 1) * span / columns; ++i) {
        const auto v = static_cast<int16_t>(frames[i * 4 + 2 * c] | frames[i * 4 + 2 * c + 1] << 8);
        lo = std::min<double>(lo, v);
        hi = std::max<double>(hi, v);
      }
      const double a = s.m_pY[2 * k], b = s.m_pY[2 * k + 1];
      ASSERT_NEAR(std::min(a, b), lo * 1000.0 / app.m_nVoltValue, 1e-9) << k;
      ASSERT_NEAR(std::max(a, b), hi * 1000.0 / app.m_nVoltValue, 1e-9) << k;
      ASSERT_NEAR(s.m_pX[2 * k], 500.0 * (k + 0.5) / columns, 1e-9);
    }
    // On the screen the tone is one band: every pixel column is filled across the zero line
    // (the trace's red in 2-D, the front curtain's colour along the slanted time axis in 3-D).
    const QImage picture = chart.grab().toImage();
    int blank = 0;
    for (size_t k = 2; k + 2 < columns; ++k) {
      QPoint at;
      QColor band;
      if (threeD) {
        at = view->Chart3D(c).MapToPixel3D(500.0 * (k + 0.5) / columns, 0, 0);
        band = QColor(255, 10, 0);
      } else {
        at = QPoint(chart.GetPlotRect().left + static_cast<int>(k), chart.MapToPixel(0, 0).y());
        band = QColor(255, 0, 0);
      }
      blank += picture.pixelColor(at + QPoint(kClientEdgeWidth, kClientEdgeWidth)) != band;
    }
    EXPECT_EQ(blank, 0);
  }
}

TEST_F(LiveDisplayTest, OscillographEnvelopeIsTheMinAndMaxOfTheRecordedSamples) {
  CheckEnvelope(602);
}

TEST_F(LiveDisplayTest, WaterfallCurtainIsTheEnvelopeOfTheRecordedSamples) { CheckEnvelope(612); }

TEST_F(LiveDisplayTest, WaterfallTakesCurtainsAtItsOwnRateAndThePaneSaysLive) {
  Record([](const std::string& wav, unsigned rate) {
    return WriteRecording(wav, rate, QuadratureTone(rate, 2.0, 1000, 16000, 8000));
  });
  CAurivueApp& app = m_session->App();
  app.m_nCurtainRate = 5;
  GoLive(612);
  m_session->ClickPower();
  ASSERT_TRUE(WaitForUpdates(1));
  const uint64_t before = app.m_nAnalysisUpdates;
  QElapsedTimer clock;
  clock.start();
  Pump(1200ms);
  const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
  const double perSecond = static_cast<double>(app.m_nAnalysisUpdates - before) / seconds;
  // Five a second, not one per screen refresh; generous bounds for a loaded machine.
  EXPECT_GE(perSecond, 2.5);
  EXPECT_LE(perSecond, 6.5);
  m_session->Frame()->UpdatePanes();
  EXPECT_TRUE(FindFeature<LiveFeature>(m_session->Frame()->Features())
                  ->StatusText()
                  .startsWith("LIVE | 0 lost | "))
      << FindFeature<LiveFeature>(m_session->Frame()->Features())->StatusText().toStdString();
  // Back to Classic: one pass per half-second buffer again, and the pane says so.
  app.m_bLive = 0;
  SendCommandTo(m_session->Frame(), 612);
  m_session->Frame()->UpdatePanes();
  EXPECT_TRUE(
      FindFeature<LiveFeature>(m_session->Frame()->Features())->StatusText().startsWith("CLASSIC"));
  const int handled = m_session->Tap().m_nHandled;
  const uint64_t classicBefore = app.m_nAnalysisUpdates;
  ASSERT_TRUE(PumpUntil([&] { return m_session->Tap().m_nHandled >= handled + 2; }, 5s));
  EXPECT_EQ(app.m_nAnalysisUpdates - classicBefore,
            static_cast<uint64_t>(m_session->Tap().m_nHandled - handled));
}

TEST_F(LiveDisplayTest, LevelMetersReadTheKnownToneInBothModes) {
  Record([](const std::string& wav, unsigned rate) {
    return WriteRecording(wav, rate, QuadratureTone(rate, 2.0, 1000, 16384, 4096));
  });
  m_session->ClickPower();
  LevelMeterBar* meters = FindFeature<LiveFeature>(m_session->Frame()->Features())->LevelMeters();
  ASSERT_NE(meters, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return meters->Meter().PeakDb(0) > -20; }, 5s));
  Pump(200ms);
  EXPECT_NEAR(meters->Meter().PeakDb(0), -6.02, 0.05);
  EXPECT_NEAR(meters->Meter().RmsDb(0), -9.03, 0.1);
  EXPECT_NEAR(meters->Meter().PeakDb(1), -18.06, 0.05);
  EXPECT_NEAR(meters->Meter().RmsDb(1), -21.07, 0.1);
}

// F5 (and View > Live display) switches the display at once, with a new view, and the per-user
// profile remembers the choice and the curtain rate for the next start.
TEST(LiveProfileTest, F5SwitchesTheDisplayAndTheNextStartRemembers) {
  QStandardPaths::setTestModeEnabled(true);
  UserProfile().remove("Live");
  {
    AppSession session("tone:1000");
    ASSERT_TRUE(session.ok()) << session.error();
    CAurivueApp& app = session.App();
    EXPECT_EQ(app.m_bLive, 0);  // nothing stored: Classic
    EXPECT_EQ(app.m_nCurtainRate, 10);
    QPointer<CAurivueView> before = session.View();
    QShortcut* f5 = nullptr;
    for (QShortcut* s : session.Frame()->findChildren<QShortcut*>()) {
      if (s->key() == QKeySequence(Qt::Key_F5)) f5 = s;
    }
    ASSERT_NE(f5, nullptr);
    emit f5->activated();
    EXPECT_EQ(app.m_bLive, 1);
    EXPECT_TRUE(before.isNull());  // the Classic view is gone, a live one took over
    EXPECT_NE(session.View(), nullptr);
    EXPECT_TRUE(LoadLiveProfile().live);
    session.Frame()->UpdatePanes();
    EXPECT_TRUE(
        FindFeature<LiveFeature>(session.Frame()->Features())->StatusText().startsWith("LIVE"));
    SendCommandTo(session.Frame(), ID_VIEW_CURTAINS_FIRST + 3);
    EXPECT_EQ(app.m_nCurtainRate, 20);
  }
  {
    AppSession session("tone:1000");
    ASSERT_TRUE(session.ok()) << session.error();
    EXPECT_EQ(session.App().m_bLive, 1);
    EXPECT_EQ(session.App().m_nCurtainRate, 20);
    SendCommandTo(session.Frame(), ID_VIEW_LIVE);
    EXPECT_EQ(session.App().m_bLive, 0);
    EXPECT_FALSE(LoadLiveProfile().live);
  }
  UserProfile().remove("Live");
  // A stored rate that is not one of the choices reads as the default.
  UserProfile().setValue("Live/CurtainRate", 7);
  EXPECT_EQ(LoadLiveProfile().curtainRate, 10);
  UserProfile().remove("Live");
}
