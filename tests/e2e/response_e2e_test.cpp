// The frequency response analyser through the built program: recordings of known devices made
// here (a fractional delay, a second-order low-pass, a polynomial distortion), played as the
// input, measured by the dual-channel and the swept method and held against their closed forms
// through --measure and --expect; the files Export CSV writes and the picture of the display.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <map>
#include <random>

#include "e2e_reliability_support.h"
#include "features/response/response_feature.h"
#include "instrument_support.h"
#include "platform/message_target.h"
#include "shell/main_frame.h"
#include "shell/scripted_run.h"
#include "shell/setup_commands.h"
#include "support/biquad_oracle.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "support/private_program.h"
#include "view/display_modes.h"

using namespace instrument;

namespace {

constexpr unsigned kRate = 44100;  // RateIndex 3 of the known settings
constexpr double kScale = 32767;

// White noise of rms level (full scale 1), the same every run.
std::vector<double> Noise(std::size_t n, double rms) {
  std::mt19937 gen(30);
  std::normal_distribution<double> dist(0.0, rms);
  std::vector<double> x(n);
  for (double& v : x) v = dist(gen);
  return x;
}

// x delayed by d samples through a Blackman-windowed sinc of 1024 taps, circularly, so that the
// file's loop joins without a seam. Flat within a thousandth of a decibel far above 20 kHz.
std::vector<double> Delayed(const std::vector<double>& x, double d) {
  const int half = 512;
  const int centre = static_cast<int>(std::floor(d));
  std::vector<double> taps;
  std::vector<int> lags;
  for (int k = centre - half + 1; k <= centre + half; ++k) {
    const double t = k - d;
    const double sinc = t == 0 ? 1.0 : std::sin(kPi * t) / (kPi * t);
    const double u = (k - (centre - half + 1)) / (2.0 * half - 1);  // 0 .. 1 across the taps
    const double w = 0.42 - 0.5 * std::cos(2 * kPi * u) + 0.08 * std::cos(4 * kPi * u);
    taps.push_back(sinc * w);
    lags.push_back(k);
  }
  const std::size_t n = x.size();
  std::vector<double> y(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    double sum = 0;
    for (std::size_t j = 0; j < taps.size(); ++j) {
      const long at = (static_cast<long>(i) - lags[j]) % static_cast<long>(n);
      sum += taps[j] * x[static_cast<std::size_t>(at < 0 ? at + static_cast<long>(n) : at)];
    }
    y[i] = sum;
  }
  return y;
}

Stereo ToStereo(const std::vector<double>& left, const std::vector<double>& right) {
  Stereo s(2 * left.size());
  for (std::size_t i = 0; i < left.size(); ++i) {
    s[2 * i] = static_cast<int16_t>(std::lround(std::clamp(left[i], -1.0, 1.0) * kScale));
    s[2 * i + 1] = static_cast<int16_t>(std::lround(std::clamp(right[i], -1.0, 1.0) * kScale));
  }
  return s;
}

// The exponential sweep with f1 L whole: sin(2 pi f1 L (e^(t/L) - 1)) from 20 Hz to 20 kHz,
// after lead seconds of silence and followed by silence up to total seconds.
std::vector<double> Sweep(double seconds, double amplitude, double lead, double total) {
  const double f1 = 20, f2 = 20000;
  const double L = std::round(f1 * seconds / std::log(f2 / f1)) / f1;
  const double length = L * std::log(f2 / f1);
  std::vector<double> x(static_cast<std::size_t>(total * kRate), 0.0);
  const auto start = static_cast<std::size_t>(lead * kRate);
  for (std::size_t n = 0; start + n < x.size() && n < length * kRate; ++n) {
    const double t = static_cast<double>(n) / kRate;
    x[start + n] = amplitude * std::sin(2 * kPi * f1 * L * std::expm1(t / L));
  }
  return x;
}

// "response.gain_db@1000" -> value, from the rows of a measurement file.
std::map<std::string, QString> ResponseRows(const QString& path) {
  std::map<std::string, QString> out;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QStringList cells = QString::fromUtf8(line).split(',');
    if (cells.size() >= 5 && cells[0] == "response") {
      out["response." + cells[1].toStdString()] = cells[2];
    }
  }
  return out;
}

class ResponseProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed");
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
    m_program.SetEnv("XDG_CONFIG_HOME", m_program.Path("config"));
  }

  PrivateProgram::Result Measure(const QString& wav, const QStringList& more) {
    QStringList args = {"--input", "file:" + wav, "--classic", "--smoothing",
                        "off",     "--power",     "--measure", m_program.Path("m.csv")};
    args << more << "--quit";
    return m_program.Run(args, 120000);
  }

  PrivateProgram m_program;
};

// The generator's own sweep through the loopback input: the whole chain (stimulus asked of the
// generator, its samples into the capture, deconvolution) reads a wire, flat, on time and clean.
TEST_F(ResponseProgramTest, TheGeneratorsSweepThroughTheLoopbackReadsAWire) {
  QStringList args = {"--input",
                      "loopback",
                      "--generate",
                      "1000,sine,-6dBFS",
                      "--mode",
                      "621",
                      "--response",
                      "sweep",
                      "--sweep",
                      "20-20000,2",
                      "--power",
                      "--frames",
                      "12",
                      "--measure",
                      m_program.Path("m.csv"),
                      "--expect",
                      "response.delay_ms=0+-0.01",
                      "--expect",
                      "response.thd_db@1000<-80"};
  for (int f : {100, 1000, 8000}) {
    args << "--expect" << QString("response.gain_db@%1=0+-0.05").arg(f);
    args << "--expect" << QString("response.phase_deg@%1=0+-0.5").arg(f);
  }
  args << "--quit";
  const auto r = m_program.Run(args, 120000);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

// Noise in the left channel, the same noise 37.3 samples later in the right, quantised to 16
// bits (about 80 dB down): the delay to a twentieth of a sample, the response flat within
// 0.05 dB and half a degree with the delay taken out. A right channel that leads the left (the
// reference) by as much reads a negative delay, as accurately.
TEST_F(ResponseProgramTest, DualChannelFindsAFractionalDelayAndAFlatResponse) {
  const std::vector<double> x = Noise(4 * kRate, 0.1);
  const std::vector<double> later = Delayed(x, 37.3);
  struct Case {
    const char* name;
    const std::vector<double>& left;
    const std::vector<double>& right;
    double delaySamples;
  };
  const Case cases[] = {{"right lags", x, later, 37.3}, {"right leads", later, x, -37.3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string wav = m_program.PathStd("delay.wav");
    ASSERT_TRUE(WriteRecording(wav, kRate, ToStereo(c.left, c.right)));
    const double delayMs = 1000 * c.delaySamples / kRate;
    QStringList expect = {"--mode",
                          "621",
                          "--response",
                          "dual",
                          "--frames",
                          "8",
                          "--expect",
                          QString("response.delay_ms=%1+-%2")
                              .arg(delayMs, 0, 'f', 6)
                              .arg(1000 * 0.05 / kRate, 0, 'f', 6)};
    for (int f : {50, 200, 1000, 5000, 15000}) {
      expect << "--expect" << QString("response.gain_db@%1=0+-0.05").arg(f);
      expect << "--expect" << QString("response.phase_deg@%1=0+-0.5").arg(f);
      expect << "--expect" << QString("response.coherence@%1>0.999").arg(f);
    }
    const auto r = Measure(QString::fromStdString(wav), expect);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const auto rows = ResponseRows(m_program.Path("m.csv"));
    ASSERT_TRUE(rows.count("response.delay_ms")) << "no response rows in the measurement file";
  }
}

// Noise through the low-pass at 1 kHz, Q 0.707, measured by both methods: gain within 0.1 dB
// and phase within a degree of the closed form from 20 Hz to 20 kHz where the coherence is
// above 0.999, once the delay the program found is taken out of the closed form's phase.
TEST_F(ResponseProgramTest, KnownLowPassMatchesItsClosedFormByEitherMethod) {
  const oracle::Biquad filter = oracle::Biquad::LowPass(1000, 0.707, kRate);
  struct Case {
    const char* method;
    std::vector<double> left;
    std::vector<double> right;
  };
  const std::vector<double> noise = Noise(4 * kRate, 0.1);
  const std::vector<double> sweep = Sweep(2, 0.5, 0.3, 4.5);
  const Case cases[] = {{"dual", noise, filter.Filter(noise, true)},
                        {"sweep", sweep, filter.Filter(sweep)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    const std::string wav = m_program.PathStd(QString("lowpass-%1.wav").arg(c.method));
    ASSERT_TRUE(WriteRecording(wav, kRate, ToStereo(c.left, c.right)));
    QStringList more = {"--mode",  "621",        "--response", c.method,
                        "--sweep", "20-20000,2", "--frames",   "10"};
    // The sweep's own ends, where it starts and stops abruptly, are left out.
    std::vector<double> checked = {31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    if (std::string(c.method) == "dual") checked.insert(checked.end(), {20.0, 20000.0});
    for (double f : checked) {
      more << "--expect" << QString("response.gain_db@%1>-200").arg(f);
      more << "--expect" << QString("response.phase_deg@%1>-200").arg(f);
      more << "--expect" << QString("response.coherence@%1>-1").arg(f);
    }
    const auto r = Measure(QString::fromStdString(wav), more);
    ASSERT_TRUE(r.finished);
    const auto rows = ResponseRows(m_program.Path("m.csv"));
    ASSERT_TRUE(rows.count("response.delay_ms")) << r.err.toStdString();
    const double delaySeconds = rows.at("response.delay_ms").toDouble() / 1000;
    int compared = 0;
    for (double f : checked) {
      const std::string at = "@" + QString::number(f).toStdString();
      const QString coherence =
          rows.count("response.coherence" + at) ? rows.at("response.coherence" + at) : QString();
      // The sweep has no coherence: every frequency counts.
      if (std::string(c.method) == "dual" && !(coherence.toDouble() > 0.999)) continue;
      const std::complex<double> want = filter.Response(f, kRate);
      const double wantDb = 20 * std::log10(std::abs(want));
      double wantDeg = std::arg(want) * 180 / kPi + 360 * f * delaySeconds;
      wantDeg -= 360 * std::round(wantDeg / 360);
      ASSERT_TRUE(rows.count("response.gain_db" + at)) << at;
      EXPECT_NEAR(rows.at("response.gain_db" + at).toDouble(), wantDb, 0.1) << f << " Hz";
      double diff = rows.at("response.phase_deg" + at).toDouble() - wantDeg;
      diff -= 360 * std::round(diff / 360);
      EXPECT_NEAR(diff, 0, 1.0) << f << " Hz";
      ++compared;
    }
    EXPECT_GE(compared, 9);
  }
}

// One input: a sweep arriving at it (no generator) is found by correlation with the known sweep
// and measured against it, full scale standing for 0 dB: a sweep at half scale through the
// low-pass reads the low-pass less 6.02 dB.
TEST_F(ResponseProgramTest, ASweepArrivingAtASingleInputIsMeasuredAgainstTheKnownSweep) {
  ASSERT_TRUE(m_program.WriteSettings(
      "[Card]\nChannels=1\nBits=16\nRateIndex=3\nFFTWindow=1\nVoltValue=32000\nFilterType=1\n"
      "FreqPoint=10000\n"));
  const oracle::Biquad filter = oracle::Biquad::LowPass(1000, 0.707, kRate);
  const std::vector<double> y = filter.Filter(Sweep(2, 0.5, 0.4, 4.5));
  const std::string wav = m_program.PathStd("mono.wav");
  const std::string raw = wav + ".raw";
  {
    std::ofstream out(raw, std::ios::binary);
    for (double v : y) {
      const auto s = static_cast<int16_t>(std::lround(v * kScale));
      const char bytes[2] = {static_cast<char>(s & 0xFF), static_cast<char>((s >> 8) & 0xFF)};
      out.write(bytes, 2);
    }
  }
  const std::string cmd = "sox -t raw -r " + std::to_string(kRate) + " -e signed -b 16 -c 1 -L '" +
                          raw + "' '" + wav + "' 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  QStringList more = {"--mode",  "621",        "--response", "sweep",
                      "--sweep", "20-20000,2", "--frames",   "10"};
  for (double f : {100.0, 1000.0, 4000.0}) {
    const double want = 20 * std::log10(0.5 * std::abs(filter.Response(f, kRate)));
    more << "--expect" << QString("response.gain_db@%1=%2+-0.1").arg(f).arg(want, 0, 'f', 3);
  }
  const auto r = Measure(QString::fromStdString(wav), more);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

// A sweep through y = x + a x^2: a sine of amplitude A gives a second harmonic of a A^2 / 2, so
// H2 (and THD, which it alone makes) sits at 20 log10(a A / 2) across the band.
TEST_F(ResponseProgramTest, SweepThroughPolynomialDistortionGivesItsSecondHarmonic) {
  const double a = 0.2, amplitude = 0.5;
  const std::vector<double> x = Sweep(2, amplitude, 0.3, 4.5);
  std::vector<double> y(x);
  for (double& v : y) v = v + a * v * v;
  const std::string wav = m_program.PathStd("distortion.wav");
  ASSERT_TRUE(WriteRecording(wav, kRate, ToStereo(x, y)));
  const double want = 20 * std::log10(a * amplitude / 2);
  QStringList more = {
      "--mode",     "623",      "--response", "sweep",        "--sweep",
      "20-20000,2", "--frames", "10",         "--export-csv", m_program.Path("d.csv")};
  for (int f : {100, 300, 1000, 3000, 7000}) {
    more << "--expect" << QString("response.thd_db@%1=%2+-0.5").arg(f).arg(want, 0, 'f', 3);
  }
  const auto r = Measure(QString::fromStdString(wav), more);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile csv(m_program.Path("d.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QByteArray text = csv.readAll();
  EXPECT_TRUE(text.contains("\nfrequency_hz,thd_db,thd_percent,h2_db,h3_db,h4_db,h5_db\n"));
}

// Export CSV of each display writes its header after the "#" lines, and the response's rows
// hold numbers; the picture of the response shows both traces.
TEST_F(ResponseProgramTest, ExportsAndPictureOfTheDisplays) {
  const std::vector<double> x = Noise(3 * kRate, 0.1);
  const std::string wav = m_program.PathStd("flat.wav");
  ASSERT_TRUE(WriteRecording(wav, kRate, ToStereo(x, Delayed(x, 5))));
  struct Case {
    const char* mode;
    const char* header;
  };
  const Case cases[] = {{"621", "frequency_hz,gain_db,phase_deg,coherence"},
                        {"622", "time_ms,amplitude,level_db"},
                        {"623", "frequency_hz,thd_db,thd_percent,h2_db,h3_db,h4_db,h5_db"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    const QString csv = m_program.Path(QString("e%1.csv").arg(c.mode));
    const QString bmp = m_program.Path(QString("e%1.bmp").arg(c.mode));
    const auto r =
        Measure(QString::fromStdString(wav), {"--mode", c.mode, "--response", "dual", "--frames",
                                              "4", "--export-csv", csv, "--save-bmp", bmp});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    int at = 0;
    while (at < lines.size() && lines[at].startsWith('#')) ++at;
    ASSERT_LT(at, lines.size());
    EXPECT_EQ(lines[at].toStdString(), c.header);
    // The analyser's choices are among the "#" lines.
    EXPECT_TRUE(lines.contains(QByteArray("# response_method: dual")));
    EXPECT_TRUE(lines.contains(QByteArray("# smoothing: off")));
    if (std::string(c.mode) != "623") {
      ASSERT_LT(at + 1, lines.size());
      EXPECT_FALSE(lines[at + 1].isEmpty());  // the dual method has no distortion: 623 is empty
    }
    const QImage picture(bmp);
    ASSERT_FALSE(picture.isNull());
    // The measured trace is drawn red in the upper and (except in 623) the lower chart.
    int redAbove = 0, redBelow = 0;
    for (int y = 0; y < picture.height(); ++y) {
      for (int xPixel = 0; xPixel < picture.width(); ++xPixel) {
        if (picture.pixel(xPixel, y) != qRgb(255, 0, 0)) continue;
        (y < picture.height() / 2 ? redAbove : redBelow) += 1;
      }
    }
    if (std::string(c.mode) != "623") {
      EXPECT_GT(redAbove, 100);
      EXPECT_GT(redBelow, 100);
    }
  }
}

TEST_F(ResponseProgramTest, MalformedOptionsAreRefusedWithTheirName) {
  const struct {
    QStringList args;
    const char* mentions;
  } cases[] = {{{"--response", "both"}, "--response"},
               {{"--response-reference", "middle"}, "--response-reference"},
               {{"--sweep", "20000-20,5"}, "--sweep"},
               {{"--smoothing", "1/0"}, "--smoothing"},
               {{"--expect", "response.gain_db=1"}, "@FREQ"},
               {{"--expect", "response.delay_ms@100=1"}, "delay_ms"}};
  for (const auto& c : cases) {
    const auto r = m_program.Run(c.args + QStringList{"--quit"});
    ASSERT_TRUE(r.finished);
    EXPECT_NE(r.exitCode, 0) << c.mentions;
    EXPECT_TRUE(r.err.contains(c.mentions)) << r.err.toStdString();
  }
}

// The Classic window keeps its menus: the analyser's menu shows with its displays only, and
// its commands change what the analyser does.
TEST(ResponseWindowTest, TheMenuShowsWithTheAnalyserDisplaysAndItsCommandsTakeEffect) {
  e2e::AppSession session("tone:1000");
  ASSERT_TRUE(session.ok()) << session.error();
  CMainFrame* frame = session.Frame();
  QMenu* menu = MenuNamed(frame->menuBar(), "Response");
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->menuAction()->isVisible());
  const ResponseSettings kept = CurrentResponseSettings();
  for (int mode : {kResponseMode, kImpulseResponseMode, kDistortionMode}) {
    SelectDisplayMode(frame, mode);
    EXPECT_TRUE(menu->menuAction()->isVisible()) << mode;
  }
  SelectDisplayMode(frame, kResponseMode);
  struct Case {
    int id;
    bool (*holds)(const ResponseSettings&);
  };
  const Case cases[] = {
      {ID_RESPONSE_SWEEP, [](const ResponseSettings& s) { return s.method == 1; }},
      {ID_RESPONSE_DUAL, [](const ResponseSettings& s) { return s.method == 0; }},
      {ID_RESPONSE_REFERENCE_RIGHT, [](const ResponseSettings& s) { return s.referenceRight; }},
      {ID_RESPONSE_SMOOTHING_FIRST + 4, [](const ResponseSettings& s) { return s.smoothing == 6; }},
      {ID_RESPONSE_SMOOTHING_FIRST, [](const ResponseSettings& s) { return s.smoothing == 0; }},
      {ID_RESPONSE_AVERAGE_EXPONENTIAL,
       [](const ResponseSettings& s) { return s.averaging == kTransferExponential; }},
  };
  for (const Case& c : cases) {
    SendCommandTo(frame, c.id);
    EXPECT_TRUE(c.holds(CurrentResponseSettings())) << c.id;
    // The menu's check marks say the same.
    menu->aboutToShow();
    for (QAction* action : menu->actions()) {
      if (action->data().toInt() == c.id) {
        EXPECT_TRUE(action->isChecked()) << c.id;
      }
    }
  }
  SelectDisplayMode(frame, 602);
  EXPECT_FALSE(menu->menuAction()->isVisible());
  CurrentResponseSettings() = kept;
  SaveResponseProfile(kept);
}

// A setup opened while the analyser measures (File > Open Setup) takes effect at once, as the
// menu does: the right channel at half the left reads -6.02 dB with the left as the reference,
// and +6.02 dB from the first result after a setup makes the right one the reference, the
// averages of the other way round forgotten rather than mixed in.
TEST(ResponseWindowTest, ASetupsReferenceChannelTakesEffectAtOnce) {
  support::PrivateProfile profile;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::vector<double> x = Noise(3 * kRate, 0.2);
  std::vector<double> half(x);
  for (double& v : half) v *= 0.5;
  const std::string wav = dir.filePath("half.wav").toStdString();
  ASSERT_TRUE(WriteRecording(wav, kRate, ToStereo(x, half)));
  const ResponseSettings kept = CurrentResponseSettings();
  CurrentResponseSettings() = ResponseSettings();
  e2e::AppSession session("file:" + wav);
  ASSERT_TRUE(session.ok()) << session.error();
  CMainFrame* frame = session.Frame();
  CAurivueApp& app = session.App();
  ResponseFeature* feature = ResponseFeature::Current();
  ASSERT_NE(feature, nullptr);
  SelectDisplayMode(frame, kResponseMode);
  session.ClickPower();
  ASSERT_TRUE(session.PowerOn());
  const ResponseQuantity gain{ResponseQuantityKind::kGainDb, 1000};
  ASSERT_TRUE(e2e::PumpUntil([&] { return feature->HasResults(); }, 20s));
  EXPECT_NEAR(feature->QuantityValue(gain), -6.0206, 0.05);
  InstrumentState state = CaptureInstrumentState(*frame);
  state.response.referenceRight = true;
  ApplyInstrumentState(*frame, state, SetupScope::kAll, false);
  const uint64_t updates = app.m_nAnalysisUpdates;
  ASSERT_TRUE(e2e::PumpUntil([&] { return app.m_nAnalysisUpdates > updates; }, 20s));
  EXPECT_NEAR(feature->QuantityValue(gain), 6.0206, 0.05);
  session.ClickPower();
  CurrentResponseSettings() = kept;
}

}  // namespace
