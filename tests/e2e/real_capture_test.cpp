// The real capture path end to end: a sox-made tone played into the PulseAudio null sink of
// tools/start_test_pulseaudio.sh reaches the whole program through its default input and shows
// in the oscillograph at its level and in the spectrum at its bin. Skipped, with the reason,
// when no daemon is reachable, except in CI where it must run.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_reliability_support.h"
#include "support/needs_environment.h"

using namespace e2e;

namespace {

constexpr double kToneHz = 1000;
constexpr double kToneLevel = 0.5;  // of full scale

struct Extremes {
  double min = 0;
  double max = 0;
};

Extremes SeriesExtremes(const ChartCtrl& chart, int points) {
  const double* y = chart.GetSerie(0).m_pY.get();
  Extremes e{y[0], y[0]};
  for (int i = 1; i < points; ++i) {
    e.min = std::min(e.min, y[i]);
    e.max = std::max(e.max, y[i]);
  }
  return e;
}

// Plays a file into the test sink for as long as the test needs it.
class Player {
 public:
  explicit Player(const QString& wav) {
    m_process.start("paplay", {"-d", "testsink", wav});
    m_started = m_process.waitForStarted(5000);
  }
  ~Player() {
    m_process.kill();
    m_process.waitForFinished(5000);
  }
  bool started() const { return m_started; }

 private:
  QProcess m_process;
  bool m_started = false;
};

}  // namespace

TEST(RealCaptureTest, ToneInTheSinkShowsInOscillographAndSpectrum) {
  REQUIRE_PULSE_DAEMON();
  setenv("PULSE_SOURCE", "testsink.monitor", 0);
  Watchdog watchdog(30);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString wav = dir.filePath("tone.wav");
  ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + wav.toStdString() + "' synth 60 sine " +
                         std::to_string(kToneHz) + " vol " + std::to_string(kToneLevel))
                            .c_str()),
            0);

  AppSession session("default");
  ASSERT_TRUE(session.ok()) << session.error();
  CAurivueApp& app = session.App();
  ASSERT_EQ(app.m_nDisplayMode, 602);
  Player player(wav);
  ASSERT_TRUE(player.started());

  // The oscillograph in millivolts: the tone's peak in sample counts over the calibration.
  const double fullScale = app.m_nBits == 16 ? 32768.0 : 128.0;
  const double peakMv = kToneLevel * fullScale / app.m_nVoltValue * 1000.0;
  const int channels = app.m_nChannels;
  const int samples = app.m_nSamplesPerView;
  std::vector<Extremes> seen(channels);
  bool toneSeen = false;
  session.Tap().m_after = [&] {
    if (toneSeen) return;
    bool all = true;
    for (int c = 0; c < channels; ++c) {
      seen[c] = SeriesExtremes(session.View()->Chart2D(c), samples);
      all = all && std::abs(seen[c].max - peakMv) < 0.03 * peakMv;
    }
    toneSeen = all;
  };
  watchdog.Feed("pressing POWER on");
  session.ClickPower();
  ASSERT_TRUE(session.PowerOn());
  // The first buffer of a PulseAudio stream can take about two seconds.
  const bool shown = PumpUntil(
      [&] {
        watchdog.Feed("waiting for the tone in the oscillograph");
        return toneSeen;
      },
      20s);
  ASSERT_TRUE(shown) << "after " << session.Tap().m_nHandled << " buffers the oscillograph spans "
                     << seen[0].min << " .. " << seen[0].max << " mV, expected +-" << peakMv;
  for (int c = 0; c < channels; ++c) {
    // Ten periods sampled at the frame's rate come within a fraction of a percent of the peak.
    EXPECT_NEAR(seen[c].max, peakMv, 0.02 * peakMv) << "channel " << c;
    EXPECT_NEAR(seen[c].min, -peakMv, 0.02 * peakMv) << "channel " << c;
  }

  // The spectrum: its highest point at the bin nearest the tone.
  session.Tap().m_after = nullptr;
  ASSERT_TRUE(session.ClickNavItem(0, 0));
  ASSERT_EQ(app.m_nDisplayMode, 600);
  const int before = session.Tap().m_nHandled;
  ASSERT_TRUE(PumpUntil(
      [&] {
        watchdog.Feed("waiting for spectrum frames");
        return session.Tap().m_nHandled >= before + 2;
      },
      10s));
  const double binHz = static_cast<double>(samples) * 100.0 / (app.m_nFftSize * app.m_fTimeBase);
  for (int c = 0; c < channels; ++c) {
    const ChartCtrl& chart = session.View()->Chart2D(c);
    const double* x = chart.GetSerie(0).m_pX.get();
    const double* y = chart.GetSerie(0).m_pY.get();
    const int points = app.m_nFftSize / 2;
    const int peak = static_cast<int>(std::max_element(y, y + points) - y);
    EXPECT_NEAR(x[peak], kToneHz, binHz / 2) << "channel " << c;
    EXPECT_DOUBLE_EQ(y[peak], 1.0) << "channel " << c;
    // Far from the tone only leakage is left.
    for (int k = 0; k < points; ++k) {
      if (std::abs(x[k] - kToneHz) > 8 * binHz) {
        ASSERT_LT(y[k], 0.1) << "channel " << c << " at " << x[k] << " Hz";
      }
    }
  }

  watchdog.Feed("pressing POWER off");
  session.ClickPower();
  EXPECT_FALSE(session.PowerOn());
  EXPECT_FALSE(app.m_capture.HasWorker());
  EXPECT_TRUE(session.Messages().empty()) << session.Messages()[0];
}
