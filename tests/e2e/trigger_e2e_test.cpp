// The trigger driven through the real application object: the Trigger menu, its keys and its
// dialog, the frames Classic and Live show in each mode, the marks and the state pane.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenuBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <vector>

#include "analysis/trigger_search.h"
#include "e2e_reliability_support.h"
#include "features/trigger/trigger_dlg.h"
#include "features/trigger/trigger_feature.h"
#include "features/trigger_profile.h"
#include "instrument_support.h"
#include "platform/command_ids.h"
#include "platform/user_profile.h"
#include "support/private_profile.h"
#include "support/profile_lock.h"
#include "view/trigger_control.h"

using namespace e2e;
using namespace instrument;

namespace {

// A 1001 Hz tone (not a whole number of samples a period) whose amplitude swells and ebbs, so
// that no two triggered frames hold the same samples; the right channel is silent.
Stereo SwellingTone(unsigned rate, double seconds) {
  const auto frames = static_cast<size_t>(seconds * rate);
  Stereo s(2 * frames);
  for (size_t m = 0; m < frames; ++m) {
    const double t = static_cast<double>(m) / rate;
    const double amplitude = 12000 + 6000 * std::sin(2 * kPi * 0.37 * t);
    s[2 * m] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * 1001 * t)));
  }
  return s;
}

class TriggerE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    ASSERT_TRUE(m_dir.isValid());
    // The trigger it turns on stays in a profile of its own: the programs other tests run
    // beside it start untriggered.
    m_profile = std::make_unique<support::PrivateProfile>();
    QStandardPaths::setTestModeEnabled(true);
    UserProfile().remove("Trigger");
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    CAurivueApp& app = m_session->App();
    if (app.m_nChannels != 2 || app.m_nBits != 16 || app.m_nSampleRate != 44100) {
      GTEST_SKIP() << "these checks are written for two channels of 16 bits at 44100 Hz";
    }
    app.m_nFilterType = 1;
  }

  void TearDown() override {
    if (m_session) {
      m_session->App().m_bLive = 0;
      if (m_session->PowerOn()) m_session->ClickPower();
      SendCommandTo(m_session->Frame(), ID_TRIGGER_MODE_FIRST);  // Off
    }
    m_session.reset();
    UserProfile().remove("Trigger");
    m_profile.reset();
  }

  void Record(const Stereo& samples) {
    const std::string wav = m_dir.filePath("input.wav").toStdString();
    ASSERT_TRUE(WriteRecording(wav, m_session->App().m_nSampleRate, samples));
    std::string error;
    ASSERT_TRUE(SelectWaveInput("file:" + wav, &error)) << error;
  }

  // Sets the trigger as the dialog would and keeps it, through the frame.
  void SetTrigger(TriggerMode mode, double levelMv, double positionPercent = 10) {
    TriggerSettings s = CurrentTrigger().Settings();
    s.mode = mode;
    s.levelMv = levelMv;
    s.positionPercent = positionPercent;
    CurrentTrigger().SetSettings(s);
  }

  bool WaitForBuffers(int count) {
    const int target = m_session->Tap().m_nHandled + count;
    return PumpUntil([&] { return m_session->Tap().m_nHandled >= target; }, 10s);
  }

  bool WaitForUpdates(int count) {
    CAurivueApp& app = m_session->App();
    const uint64_t target = app.m_nAnalysisUpdates + static_cast<uint64_t>(count);
    return PumpUntil([&] { return app.m_nAnalysisUpdates >= target; }, 10s);
  }

  QString PaneText() {
    m_session->Frame()->UpdatePanes();
    return FindFeature<TriggerFeature>(m_session->Frame()->Features())->StatusText();
  }

  std::vector<double> LeftFrame() {
    const double* left = m_session->View()->LeftSamples();
    return std::vector<double>(left, left + m_session->App().m_nSamplesPerView);
  }

  // The rising crossing of levelCounts nearest to index near in a frame, interpolated; -1 when
  // there is none within two samples.
  // The rising crossing of levelCounts near sample near, where the cubic through the two samples
  // around it and their outer neighbours passes the level (Lagrange form, found by false
  // position).
  static double CrossingNear(const std::vector<double>& frame, double levelCounts, double near) {
    const int n = static_cast<int>(frame.size());
    for (int k = std::max(1, static_cast<int>(near) - 2); k <= static_cast<int>(near) + 3 && k < n;
         ++k) {
      if (frame[k - 1] < levelCounts && frame[k] >= levelCounts) {
        const double a = k >= 2 ? frame[k - 2] : 2 * frame[k - 1] - frame[k];
        const double b = frame[k - 1], c = frame[k];
        const double d = k + 1 < n ? frame[k + 1] : 2 * frame[k] - frame[k - 1];
        auto f = [&](double t) {
          return -a * t * (t - 1) * (t - 2) / 6 + b * (t + 1) * (t - 1) * (t - 2) / 2 -
                 c * (t + 1) * t * (t - 2) / 2 + d * (t + 1) * t * (t - 1) / 6 - levelCounts;
        };
        double lo = 0, hi = 1, flo = f(lo), fhi = f(hi);
        double t = lo;
        for (int i = 0; i < 200 && fhi != flo; ++i) {
          t = hi - fhi * (hi - lo) / (fhi - flo);
          const double ft = f(t);
          if (ft == 0) break;
          if ((ft < 0) == (flo < 0)) {
            lo = t;
            flo = ft;
            fhi /= 2;  // Illinois: the end that stays is weighed down, so both ends move
          } else {
            hi = t;
            fhi = ft;
            flo /= 2;
          }
        }
        return k - 1 + t;
      }
    }
    return -1;
  }

  // The shift of the drawn trace in samples.
  double ShiftSamples() {
    return m_session->View()->TraceShiftMs() * m_session->App().m_nSampleRate / 1000.0;
  }

  QShortcut* Key(const QKeySequence& key) {
    for (QShortcut* s : m_session->Frame()->findChildren<QShortcut*>()) {
      if (s->key() == key) return s;
    }
    return nullptr;
  }

  QTemporaryDir m_dir;
  std::unique_ptr<support::PrivateProfile> m_profile;
  std::unique_ptr<AppSession> m_session;
};

}  // namespace

TEST_F(TriggerE2ETest, OffByDefaultLeavesTheFramesUntouched) {
  EXPECT_FALSE(CurrentTrigger().IsOn());
  EXPECT_EQ(PaneText(), "OFF");
  Record(SwellingTone(44100, 2.0));
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(2));
  EXPECT_EQ(m_session->View()->TraceShiftMs(), 0.0);
  EXPECT_FALSE(m_session->View()->Chart2D(0).GetMarks().Any());
  EXPECT_FALSE(m_session->View()->Chart2D(1).GetMarks().Any());
  // The frame starts where the buffer starts, as always.
  const double x0 = m_session->View()->Chart2D(0).GetSerie(0).m_pX[0];
  EXPECT_EQ(x0, 0.0);
}

TEST_F(TriggerE2ETest, ClassicNormalPutsTheCrossingAtThePositionBetweenSamples) {
  Record(SwellingTone(44100, 3.0));
  SendCommandTo(m_session->Frame(), ID_TRIGGER_MODE_FIRST + 2);  // Normal, from the menu
  EXPECT_EQ(CurrentTrigger().Settings().mode, TriggerMode::kNormal);
  EXPECT_EQ(LoadTriggerProfile().mode, TriggerMode::kNormal);  // kept in the profile
  SetTrigger(TriggerMode::kNormal, 150, 25);
  CAurivueApp& app = m_session->App();
  const double level = 150.0 * app.m_nVoltValue / 1000.0;
  const double before = 0.25 * app.m_nSamplesPerView;
  int checked = 0;
  std::vector<double> previous;
  m_session->Tap().m_after = [&] {
    const std::vector<double> frame = LeftFrame();
    const double c = CrossingNear(frame, level, before - ShiftSamples());
    ASSERT_GE(c, 0) << "no rising crossing of the level at the trigger point";
    // The trace drawn shifted: the crossing lands on the trigger point within rounding.
    EXPECT_NEAR(c + ShiftSamples(), before, 1e-6);
    EXPECT_NE(frame, previous);
    previous = frame;
    ++checked;
  };
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(4));
  m_session->Tap().m_after = nullptr;
  EXPECT_GE(checked, 4);
  EXPECT_EQ(PaneText(), "TRIG'D");
  const ChartMarks marks = m_session->View()->Chart2D(0).GetMarks();
  EXPECT_TRUE(marks.hasLevel);
  EXPECT_DOUBLE_EQ(marks.level, 150);
  EXPECT_TRUE(marks.hasPoint);
  EXPECT_DOUBLE_EQ(marks.point, 2.5);  // 25 % of 10 ms
  // The level mark belongs to the source channel's chart only.
  EXPECT_FALSE(m_session->View()->Chart2D(1).GetMarks().hasLevel);
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(TriggerE2ETest, NormalWaitsOnSilenceWhileAutoShowsItUntriggered) {
  Record(Stereo(2 * 44100, 0));
  SetTrigger(TriggerMode::kNormal, 100);
  CAurivueApp& app = m_session->App();
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(1));
  const uint64_t updates = app.m_nAnalysisUpdates;
  ASSERT_TRUE(WaitForBuffers(2));
  EXPECT_EQ(app.m_nAnalysisUpdates, updates) << "Normal showed a frame without a trigger";
  EXPECT_EQ(PaneText(), "WAIT");
  SendCommandTo(m_session->Frame(), ID_TRIGGER_MODE_FIRST + 1);  // Auto
  ASSERT_TRUE(WaitForBuffers(2));
  EXPECT_GE(app.m_nAnalysisUpdates, updates + 2);
  EXPECT_EQ(PaneText(), "AUTO");
  EXPECT_FALSE(m_session->View()->Chart2D(0).GetMarks().hasPoint);
}

TEST_F(TriggerE2ETest, SingleHoldsItsFrameUntilF9ArmsItAgain) {
  Record(SwellingTone(44100, 3.0));
  SetTrigger(TriggerMode::kSingle, 0);
  m_session->ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return PaneText() == "STOP"; }, 5s));
  const std::vector<double> held = LeftFrame();
  ASSERT_TRUE(WaitForBuffers(3));
  EXPECT_EQ(LeftFrame(), held);
  EXPECT_EQ(PaneText(), "STOP");
  QShortcut* f9 = Key(QKeySequence(Qt::Key_F9));
  ASSERT_NE(f9, nullptr);
  emit f9->activated();
  EXPECT_EQ(PaneText(), "WAIT");
  ASSERT_TRUE(PumpUntil([&] { return PaneText() == "STOP"; }, 5s));
  EXPECT_NE(LeftFrame(), held);
  const double c = CrossingNear(LeftFrame(), 0, 44.1 - ShiftSamples());
  EXPECT_NEAR(c + ShiftSamples(), 44.1, 1e-6);
}

TEST_F(TriggerE2ETest, LiveFramesStandStillAtTheTriggerPoint) {
  Record(SwellingTone(44100, 3.0));
  CAurivueApp& app = m_session->App();
  app.m_bLive = 1;
  SendCommandTo(m_session->Frame(), 602);
  SetTrigger(TriggerMode::kNormal, -50, 40);
  const double level = -50.0 * app.m_nVoltValue / 1000.0;
  const double before = 0.4 * app.m_nSamplesPerView;
  m_session->ClickPower();
  int updates = 0;
  double worst = 0;
  uint64_t lastEnd = 0;
  const uint64_t target = app.m_nAnalysisUpdates + 40;
  ASSERT_TRUE(PumpUntil(
      [&] {
        CAurivueView* view = m_session->View();
        if (view->LiveFrameEnd() != lastEnd && app.m_nAnalysisUpdates > 0) {
          lastEnd = view->LiveFrameEnd();
          const double c = CrossingNear(LeftFrame(), level, before - ShiftSamples());
          if (c < 0) {
            worst = 1e9;
          } else {
            worst = std::max(worst, std::fabs(c + ShiftSamples() - before));
          }
          ++updates;
        }
        return app.m_nAnalysisUpdates >= target;
      },
      10s));
  EXPECT_GE(updates, 20);
  EXPECT_LT(worst, 1e-6);
  EXPECT_EQ(PaneText(), "TRIG'D");
  EXPECT_EQ(app.m_capture.GetRing()->Overruns(), 0u);
}

TEST_F(TriggerE2ETest, LiveRollsUntriggeredAtTwentyMsAndSlowerWhenAskedTo) {
  Record(SwellingTone(44100, 3.0));
  CAurivueApp& app = m_session->App();
  app.m_bLive = 1;
  SendCommandTo(m_session->Frame(), 602);
  SetTrigger(TriggerMode::kNormal, 0);
  SendCommandTo(m_session->Frame(), ID_TRIGGER_ROLL);
  EXPECT_TRUE(CurrentTrigger().Settings().roll);
  app.m_fTimeBase = 20;
  m_session->ClickPower();
  ASSERT_TRUE(WaitForUpdates(5));
  EXPECT_EQ(PaneText(), "ROLL");
  // Untriggered: the frame ends at the newest sample the ring had.
  EXPECT_EQ(m_session->View()->TraceShiftMs(), 0.0);
  EXPECT_FALSE(m_session->View()->Chart2D(0).GetMarks().hasPoint);
  // Faster than 20 ms/div the trigger holds again.
  app.m_fTimeBase = 10;
  ASSERT_TRUE(WaitForUpdates(3));
  EXPECT_EQ(PaneText(), "TRIG'D");
  EXPECT_TRUE(m_session->View()->Chart2D(0).GetMarks().hasPoint);
}

TEST_F(TriggerE2ETest, MenuDialogAndKeysSetTheTriggerAndTheProfileKeepsIt) {
  QMenu* menu = nullptr;
  for (QAction* a : m_session->Frame()->menuBar()->actions()) {
    if (a->text() == "&Trigger") menu = a->menu();
  }
  ASSERT_NE(menu, nullptr);
  QShortcut* ctrlT = Key(QKeySequence(Qt::CTRL | Qt::Key_T));
  ASSERT_NE(ctrlT, nullptr);
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = dynamic_cast<TriggerDlg*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    seen = true;
    dialog->ModeBox()->setCurrentIndex(1);
    dialog->SlopeBox()->setCurrentIndex(1);
    dialog->LevelBox()->setValue(-250);
    dialog->HoldoffBox()->setValue(12);
    dialog->accept();
  });
  emit ctrlT->activated();
  ASSERT_TRUE(seen) << "Ctrl+T did not open the dialog";
  const TriggerSettings s = CurrentTrigger().Settings();
  EXPECT_EQ(s.mode, TriggerMode::kAuto);
  EXPECT_EQ(s.slope, TriggerSlope::kFalling);
  EXPECT_DOUBLE_EQ(s.levelMv, -250);
  EXPECT_DOUBLE_EQ(s.holdoffMs, 12);
  const TriggerSettings stored = LoadTriggerProfile();
  EXPECT_EQ(stored.mode, TriggerMode::kAuto);
  EXPECT_DOUBLE_EQ(stored.levelMv, -250);
  // The menu's check marks follow.
  for (QAction* a : menu->actions()) {
    if (a->data().toInt() == ID_TRIGGER_MODE_FIRST + 1) {
      EXPECT_TRUE(a->isChecked());
    } else if (a->data().toInt() == ID_TRIGGER_MODE_FIRST) {
      EXPECT_FALSE(a->isChecked());
    }
  }
  // Ctrl+L: the level to the middle of the newest frame (a tone of +-16384 counts around 0).
  Record(QuadratureTone(44100, 2.0, 1000, 16000, 8000));
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(2));
  QShortcut* ctrlL = Key(QKeySequence(Qt::CTRL | Qt::Key_L));
  ASSERT_NE(ctrlL, nullptr);
  emit ctrlL->activated();
  const double* left = m_session->View()->LeftSamples();
  const double mid = MidLevel(left, static_cast<size_t>(m_session->App().m_nSamplesPerView));
  EXPECT_NEAR(CurrentTrigger().Settings().levelMv, mid * 1000.0 / m_session->App().m_nVoltValue,
              1e-9);
  EXPECT_LT(std::fabs(CurrentTrigger().Settings().levelMv), 5.0);
  // The next start reads what was kept; the command line wins over it.
  m_session->ClickPower();
  m_session.reset();
  m_session = std::make_unique<AppSession>("tone:1000");
  ASSERT_TRUE(m_session->ok());
  EXPECT_EQ(CurrentTrigger().Settings().mode, TriggerMode::kAuto);
  EXPECT_EQ(CurrentTrigger().Settings().slope, TriggerSlope::kFalling);
}
