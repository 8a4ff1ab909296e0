// The response analyser through a real sound server: the generator plays into the PulseAudio
// test daemon's null sink and the program captures the sink's monitor through PortAudio, so
// that the loop is generator -> sink -> monitor -> input. A null sink copies samples: the loop
// is a wire with a latency. Skipped, with the reason, when no daemon is reachable, except in CI
// (tools/start_test_pulseaudio.sh makes one).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "acquisition/current_app.h"
#include "analysis/response_quantity.h"
#include "e2e_reliability_support.h"
#include "features/response/response_feature.h"
#include "features/stimulus_output.h"
#include "instrument_support.h"
#include "platform/capture_ring.h"
#include "platform/message_target.h"
#include "platform/ring_read.h"
#include "platform/signal_output.h"
#include "shell/scripted_run.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "support/private_program.h"
#include "support/profile_lock.h"
#include "view/display_modes.h"

using namespace e2e;
using namespace instrument;

namespace {

constexpr unsigned kRate = 44100;  // the null sink's rate: nothing resamples
// The frequencies checked: the sweep's band less a third of an octave at either end, where it
// starts and stops abruptly.
constexpr double kChecked[] = {31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// The generator's sweep as the generator defines it, f1 L whole: sin(2 pi f1 L (e^(t/L) - 1))
// from 20 Hz to 20 kHz in about the seconds asked, amplitude times full scale.
std::vector<double> KnownSweep(double seconds, double amplitude) {
  const double f1 = 20, f2 = 20000;
  const double L = std::round(f1 * seconds / std::log(f2 / f1)) / f1;
  const auto frames = static_cast<std::size_t>(L * std::log(f2 / f1) * kRate);
  std::vector<double> s(frames);
  for (std::size_t n = 0; n < frames; ++n) {
    s[n] = amplitude * std::sin(2 * kPi * f1 * L * std::expm1(static_cast<double>(n) / kRate / L));
  }
  return s;
}

// Where the known signal s lies in x, in samples to a fraction: the largest cross-correlation
// within 2048 samples before the first sample well above silence and 64 after it (the sound
// server may drop the first milliseconds of a stream), refined by a parabola through the peak
// and its neighbours.
double ArrivalOf(const std::vector<double>& s, const std::vector<double>& x, double threshold) {
  long guess = 0;
  while (guess < static_cast<long>(x.size()) && std::fabs(x[guess]) < threshold) ++guess;
  auto correlation = [&](long lag) {
    double sum = 0;
    for (std::size_t n = 0; n < s.size(); ++n) {
      const long at = lag + static_cast<long>(n);
      if (at >= 0 && at < static_cast<long>(x.size())) sum += s[n] * x[at];
    }
    return sum;
  };
  long best = guess;
  double peak = 0;
  for (long lag = std::max(0L, guess - 2048); lag <= guess + 64; ++lag) {
    const double c = correlation(lag);
    if (std::fabs(c) > std::fabs(peak)) {
      peak = c;
      best = lag;
    }
  }
  const double before = correlation(best - 1), after = correlation(best + 1);
  const double curvature = before - 2 * peak + after;
  return best + (curvature != 0 ? 0.5 * (before - after) / curvature : 0.0);
}

class ResponsePulseLoopProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    REQUIRE_PULSE_DAEMON();
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
    m_program.SetEnv("XDG_CONFIG_HOME", m_program.Path("config"));
    m_program.SetEnv("PULSE_SOURCE", "testsink.monitor");
    m_program.SetEnv("PULSE_SINK", "testsink");
  }
  PrivateProgram m_program;
};

}  // namespace

// Both inputs carry the monitor, so each method compares the loop with itself: the generator's
// sweep as the stimulus of the dual-channel method, and the swept method deconvolving the right
// input by the left. Either reads the loop's two channels alike: flat within 0.05 dB and half a
// degree, the delay between them nothing, and (dual) the coherence whole.
TEST_F(ResponsePulseLoopProgramTest, BothMethodsReadTheSinksTwoChannelsAlike) {
  for (const char* method : {"dual", "sweep"}) {
    SCOPED_TRACE(method);
    QStringList args = {"--input",
                        "default",
                        "--output",
                        "default",
                        "--generate",
                        "sweep:20-20000,2",
                        "--mode",
                        "621",
                        "--response",
                        method,
                        "--sweep",
                        "20-20000,2",
                        "--smoothing",
                        "off",
                        "--power",
                        "--frames",
                        "14",
                        "--measure",
                        m_program.Path("m.csv"),
                        "--expect",
                        "response.delay_ms=0+-0.002"};
    for (double f : kChecked) {
      args << "--expect" << QString("response.gain_db@%1=0+-0.05").arg(f);
      args << "--expect" << QString("response.phase_deg@%1=0+-0.5").arg(f);
      if (std::string(method) == "dual") {
        args << "--expect" << QString("response.coherence@%1>0.999").arg(f);
      }
    }
    args << "--quit";
    const auto r = m_program.Run(args, 120000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  }
}

// One input on the monitor: the swept method deconvolves it by the sweep the generator was
// asked to play, so the impulse response's peak lies at the loop's latency, counted from the
// request (the newest frame the capture held then). The test finds the same latency on its own:
// it copies what came back out of the capture ring and cross-correlates it with the sweep's
// closed form. The two agree within a quarter of a sample (and the frames the capture delivered
// while the request was being made, normally none); the response is flat within 0.05 dB and
// half a degree from 31.5 Hz to 16 kHz.
TEST(ResponsePulseLoopTest, TheKnownSweepReadsAFlatLoopAndItsLatency) {
  REQUIRE_PULSE_DAEMON();
  support::ProfileLock lock;
  support::PrivateProfile profile;
  setenv("PULSE_SOURCE", "testsink.monitor", 1);
  setenv("PULSE_SINK", "testsink", 1);
  Watchdog watchdog(60);
  AppSession session("default");
  ASSERT_TRUE(session.ok()) << session.error();
  CAurivueApp& app = session.App();
  ASSERT_EQ(app.m_nSampleRate, kRate) << "the test settings' rate is not the sink's";
  // One input: a single-channel capture, as Setup > Channels would make it.
  const uint16_t channelsBefore = app.m_nChannels;
  app.m_nChannels = 1;
  app.m_capture.SetFormat(1, app.m_nSampleRate, app.m_nBits);
  ASSERT_EQ(app.m_nBits, 16);
  const ResponseSettings kept = CurrentResponseSettings();
  ResponseSettings& s = CurrentResponseSettings();
  s.method = ResponseSettings::kSweep;
  s.sweepStartHz = 20;
  s.sweepStopHz = 20000;
  s.sweepSeconds = 2;
  s.smoothing = 0;
  ResponseFeature* feature = ResponseFeature::Current();
  ASSERT_NE(feature, nullptr);
  SelectDisplayMode(session.Frame(), kResponseMode);

  watchdog.Feed("pressing POWER on");
  session.ClickPower();
  ASSERT_TRUE(session.PowerOn());
  // The first buffer of a PulseAudio stream can take about two seconds; then the analyser has
  // met the capture (a pass has run) before the sweep is asked for.
  std::shared_ptr<const CaptureRing> ring;
  ASSERT_TRUE(PumpUntil(
      [&] {
        watchdog.Feed("waiting for the capture");
        ring = app.m_capture.GetRing();
        return ring && ring->WritePosition() > kRate;
      },
      20s));
  Pump(1200ms);

  // The sound server drops the first milliseconds of a stream that starts (here 5 to 10 ms),
  // which would cut the start of a sweep that starts the output. A first sweep starts it; the
  // one measured plays on the running output once the first has ended, after silence.
  ASSERT_TRUE(SendCommandTo(session.Frame(), ID_RESPONSE_START_SWEEP));
  StimulusOutput* output = CurrentStimulusOutput();
  ASSERT_NE(output, nullptr);
  ASSERT_TRUE(PumpUntil(
      [&] {
        watchdog.Feed("waiting for the first sweep");
        return feature->HasResults() && !output->Playing();
      },
      20s));
  // The sweep measured plays on the running output. Under a heavy load the sound server
  // itself may drop or repeat a block of the loop (the output reports no underrun then): such a
  // try says nothing of the program, so the sweep is played again, up to three times in all.
  const std::vector<double> sweep = KnownSweep(2, std::pow(10.0, -6.0 / 20) * 32768);
  double latency = 0, found = 0;
  uint64_t before = 0, after = 0, underruns = 0;
  long differing = 0, first = -1;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Pump(300ms);
    const uint64_t updates = app.m_nAnalysisUpdates;
    const uint64_t underrunsBefore = SignalOutput::Instance().Underruns();
    before = ring->WritePosition();
    ASSERT_TRUE(SendCommandTo(session.Frame(), ID_RESPONSE_START_SWEEP));
    after = ring->WritePosition();
    // What comes back, copied out of the ring as it arrives.
    std::vector<double> back;
    std::vector<uint8_t> bytes;
    uint64_t next = before;
    auto copy = [&] {
      const uint64_t end = ring->WritePosition();
      if (end <= next) return;
      const std::size_t count = static_cast<std::size_t>(end - next);
      bytes.resize(count * 2);
      ASSERT_EQ(ReadFramesEndingAt(*ring, end, count, 0, bytes.data()), RingRead::kCopied);
      for (std::size_t i = 0; i < count; ++i) {
        back.push_back(static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
      }
      next = end;
    };
    const bool measured = PumpUntil(
        [&] {
          watchdog.Feed("waiting for the sweep to come back");
          copy();
          return app.m_nAnalysisUpdates > updates;
        },
        20s);
    copy();
    ASSERT_TRUE(measured) << "no result after " << back.size() << " frames came back";
    underruns = SignalOutput::Instance().Underruns() - underrunsBefore;

    // The generator plays the sweep at -6 dBFS.
    latency = ArrivalOf(sweep, back, 100);
    found = feature->QuantityValue({ResponseQuantityKind::kDelayMs, 0}) * kRate / 1000.0;
    std::printf("loop latency: %.2f samples (%.2f ms) by the test, %.2f by the program\n", latency,
                1000 * latency / kRate, found);
    // The null sink copies samples: what came back is the sweep rounded to 16 bits, wherever it
    // was not lost. Where it differs, the loop dropped or changed samples, and says where.
    const long at = std::lround(latency);
    differing = 0;
    first = -1;
    for (std::size_t n = 0; n < sweep.size(); ++n) {
      const long i = at + static_cast<long>(n);
      if (i < 0 || i >= static_cast<long>(back.size())) continue;
      if (std::fabs(back[i] - sweep[n]) > 1) {
        if (first < 0) first = static_cast<long>(n);
        ++differing;
      }
    }
    if (differing == 0) break;
    std::printf("the loop changed %ld samples from %.3f s into the sweep; playing it again\n",
                differing, first / double(kRate));
    ASSERT_TRUE(PumpUntil([&] { return !output->Playing(); }, 20s));
  }
  EXPECT_EQ(differing, 0) << "from " << first / double(kRate) << " s into the sweep; the output "
                          << "reported " << underruns << " underruns meanwhile";
  EXPECT_GT(latency, 0);
  EXPECT_GE(found, latency - static_cast<double>(after - before) - 0.25);
  EXPECT_LE(found, latency + 0.25);
  for (double f : kChecked) {
    EXPECT_NEAR(feature->QuantityValue({ResponseQuantityKind::kGainDb, f}), 0, 0.05) << f << " Hz";
    EXPECT_NEAR(feature->QuantityValue({ResponseQuantityKind::kPhaseDeg, f}), 0, 0.5) << f << " Hz";
  }

  watchdog.Feed("pressing POWER off");
  session.ClickPower();
  EXPECT_FALSE(session.PowerOn());
  output->StopOutput();
  app.m_nChannels = channelsBefore;
  app.m_capture.SetFormat(channelsBefore, app.m_nSampleRate, app.m_nBits);
  CurrentResponseSettings() = kept;
}
