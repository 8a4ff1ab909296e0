// The whole instrument driven as a user drives it, in this process: POWER clicked, every
// navigation item clicked, switches turned, the file commands answered, and what the charts hold
// checked against the known recording and against sums computed here from the very buffer the
// program analysed.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <complex>

#include "controls/rotary_switch.h"
#include "e2e_reliability_support.h"
#include "instrument_support.h"
#include "platform/file_services.h"
#include "platform/user_profile.h"
#include "shell/scripted_run.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"
#include "view/view_dialogs.h"

using namespace e2e;
using namespace instrument;

namespace {

constexpr double kToneHz = 1000;
constexpr int kLeftLevel = 16000;  // 500 mV at 1 V = 32000 counts
constexpr int kRightLevel = 8000;

// One decoded frame, as the description of the decoding gives it for 16-bit two-channel data:
// sample i of each channel from byte offset trunc(t × 4i) of the buffer.
struct Frame {
  std::vector<double> left;
  std::vector<double> right;
};

Frame DecodeBuffer(const std::vector<uint8_t>& buffer, int n, float t) {
  Frame f;
  for (int i = 0; i < n; ++i) {
    const auto at = static_cast<size_t>(static_cast<double>(t) * (4.0 * i));
    f.left.push_back(static_cast<int16_t>(buffer[at] | buffer[at + 1] << 8));
    f.right.push_back(static_cast<int16_t>(buffer[at + 2] | buffer[at + 3] << 8));
  }
  return f;
}

double Peak(const std::vector<double>& v) {
  double peak = 0;
  for (double x : v) peak = std::max(peak, std::abs(x));
  return peak;
}

// The transform of the frame zero-padded to fftSize, bins 0 .. fftSize/2, by the naive sum.
std::vector<std::complex<double>> NaiveSpectrum(const std::vector<double>& frame, int fftSize) {
  std::vector<std::complex<double>> bins(static_cast<size_t>(fftSize / 2 + 1));
  for (int k = 0; k <= fftSize / 2; ++k) {
    std::complex<double> sum;
    for (size_t i = 0; i < frame.size(); ++i) {
      sum += frame[i] * std::polar(1.0, -2 * kPi * k * static_cast<double>(i) / fftSize);
    }
    bins[static_cast<size_t>(k)] = sum;
  }
  return bins;
}

size_t ArgMax(const std::vector<double>& v, size_t count) {
  return static_cast<size_t>(std::max_element(v.begin(), v.begin() + static_cast<long>(count)) -
                             v.begin());
}

// Degrees from a to b, folded into -180..180.
double AngleBetween(double a, double b) {
  double d = std::fmod(b - a, 360.0);
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return d;
}

class InstrumentE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
    ASSERT_TRUE(m_dir.isValid());
  }

  void TearDown() override {
    m_session.reset();
    SetWaveInRealTimePacing(true);
  }

  // Starts the program, then gives it the recording made by make at the rate it has read from
  // its settings. The analysis settings that may change while it runs are put to the rectangle
  // window and no filter, as the wizard's pages would.
  void StartOn(const std::function<bool(const std::string& wav, unsigned rate)>& make) {
    // The checks are written for two channels of 16 bits: the settings say so before the start.
    ASSERT_TRUE(WriteFileReplacing(JoinPath(ProgramDirectory(), "Aurivue.ini"), kKnownSettings));
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    CAurivueApp& app = m_session->App();
    ASSERT_EQ(app.m_nChannels, 2);
    ASSERT_EQ(app.m_nBits, 16);
    app.m_nFFTWindow = 1;
    app.m_nFilterType = 1;
    m_wav = m_dir.filePath("input.wav").toStdString();
    ASSERT_TRUE(make(m_wav, app.m_nSampleRate)) << "sox could not write the recording";
    std::string error;
    ASSERT_TRUE(SelectWaveInput("file:" + m_wav, &error)) << error;
    SetWaveInRealTimePacing(false);
    const size_t bytes = app.m_capture.GetFormat().nAvgBytesPerSec / 2;
    m_session->Tap().m_before = [this, &app, bytes](const uint8_t* buffer) {
      if (app.m_bPowerOn == 0) return;  // the view leaves it alone
      m_buffer.assign(buffer, buffer + bytes);
      ++m_nPasses;
    };
  }

  void StartOnQuadratureTone() {
    StartOn([](const std::string& wav, unsigned rate) {
      return WriteRecording(wav, rate, QuadratureTone(rate, 1.0, kToneHz, kLeftLevel, kRightLevel));
    });
  }

  // Waits for count more analysis passes.
  bool WaitForPasses(int count) {
    const int target = m_nPasses + count;
    return PumpUntil([&] { return m_nPasses >= target; }, 10s);
  }

  // The frame the view analysed last, decoded here from the buffer it was given.
  Frame LastFrame() {
    const CAurivueApp& app = m_session->App();
    return DecodeBuffer(m_buffer, app.m_nSamplesPerView, app.m_fTimeBase);
  }

  CAurivueApp& App() { return m_session->App(); }
  CAurivueView* View() { return m_session->View(); }
  ChartCtrl& Chart(bool threeD, int i) {
    return threeD ? static_cast<ChartCtrl&>(View()->Chart3D(i)) : View()->Chart2D(i);
  }

  // The x range of a chart: the data range in 2-D, the box in 3-D.
  static std::pair<double, double> XRange(ChartCtrl& c, bool threeD) {
    if (!threeD) return {c.GetXMin(), c.GetXMax()};
    auto& c3 = static_cast<Chart3DCtrl&>(c);
    return {c3.GetBoxXMin(), c3.GetBoxXMax()};
  }
  static std::pair<double, double> YRange(ChartCtrl& c, bool threeD) {
    if (!threeD) return {c.GetYMin(), c.GetYMax()};
    auto& c3 = static_cast<Chart3DCtrl&>(c);
    return {c3.GetBoxYMin(), c3.GetBoxYMax()};
  }

  void CheckOscillograph(bool threeD, const Frame& f) {
    const CAurivueApp& app = App();
    const int n = app.m_nSamplesPerView;
    const float t = app.m_fTimeBase;
    const double levels[2] = {kLeftLevel * 1000.0 / app.m_nVoltValue,
                              kRightLevel * 1000.0 / app.m_nVoltValue};
    const float scales[2] = {app.m_fLeftScale, app.m_fRightScale};
    for (int c = 0; c < 2; ++c) {
      SCOPED_TRACE(c == 0 ? "left" : "right");
      ChartCtrl& chart = Chart(threeD, c);
      EXPECT_EQ(XRange(chart, threeD), std::make_pair(0.0, 10.0 * t));
      EXPECT_EQ(YRange(chart, threeD), std::make_pair(-4.0 * scales[c], 4.0 * scales[c]));
      const ChartSerie& s = chart.GetSerie(0);
      const std::vector<double>& samples = c == 0 ? f.left : f.right;
      double highest = 0;
      for (int i = 0; i < n; ++i) {
        const double mv = samples[static_cast<size_t>(i)] * 1000.0 / app.m_nVoltValue;
        EXPECT_NEAR(s.m_pX[i], i * 10.0 * t / n, 1e-9) << i;
        // Stored clamped into the chart's window (in 3-D it reaches a box height beyond the box).
        EXPECT_NEAR(s.m_pY[i], std::clamp(mv, chart.GetYMin(), chart.GetYMax()), 1e-9) << i;
        highest = std::max(highest, mv);
      }
      // Ten periods of the tone in the frame: its crest is sampled within a fraction of a count.
      EXPECT_NEAR(highest, levels[c], 0.01 * levels[c]);
    }
  }

  void CheckSpectrum(bool threeD, const Frame& f) {
    const CAurivueApp& app = App();
    const int n = app.m_nSamplesPerView;
    const int N = app.m_nFftSize;
    const float t = app.m_fTimeBase;
    for (int c = 0; c < 2; ++c) {
      SCOPED_TRACE(c == 0 ? "left" : "right");
      ChartCtrl& chart = Chart(threeD, c);
      EXPECT_EQ(XRange(chart, threeD), std::make_pair(0.0, app.m_nSampleRate / (2.0 * t)));
      EXPECT_EQ(YRange(chart, threeD), std::make_pair(0.0, 2.0));
      const auto bins = NaiveSpectrum(c == 0 ? f.left : f.right, N);
      std::vector<double> mags;
      for (const auto& b : bins) mags.push_back(std::abs(b));
      const double peak = *std::max_element(mags.begin(), mags.end());
      const ChartSerie& s = chart.GetSerie(0);
      std::vector<double> shown(s.m_pY.get(), s.m_pY.get() + N / 2);
      for (int k = 0; k < N / 2; ++k) {
        EXPECT_NEAR(s.m_pX[k], static_cast<double>(k * n * 100) / (N * t), 1e-9) << k;
        EXPECT_NEAR(shown[static_cast<size_t>(k)], mags[static_cast<size_t>(k)] / peak, 1e-9) << k;
      }
      // The tone's bin: the one nearest to 1000 Hz on the transform's grid.
      const size_t toneBin = static_cast<size_t>(std::lround(kToneHz * N * t / app.m_nSampleRate));
      EXPECT_EQ(ArgMax(shown, shown.size()), toneBin);
      EXPECT_NEAR(shown[toneBin], 1.0, 1e-12);
    }
  }

  void CheckPhase(bool threeD, const Frame& f) {
    const CAurivueApp& app = App();
    const int N = app.m_nFftSize;
    const size_t toneBin =
        static_cast<size_t>(std::lround(kToneHz * N * app.m_fTimeBase / app.m_nSampleRate));
    double atTone[2] = {0, 0};
    for (int c = 0; c < 2; ++c) {
      SCOPED_TRACE(c == 0 ? "left" : "right");
      ChartCtrl& chart = Chart(threeD, c);
      EXPECT_EQ(YRange(chart, threeD), std::make_pair(-180.0, 180.0));
      const auto bins = NaiveSpectrum(c == 0 ? f.left : f.right, N);
      const ChartSerie& s = chart.GetSerie(0);
      // Around the tone the phase is well defined; far from it rounding noise decides it.
      for (size_t k = toneBin - 2; k <= toneBin + 2; ++k) {
        const double expected = std::arg(bins[k]) * 180 / kPi;
        EXPECT_NEAR(AngleBetween(expected, s.m_pY[k]), 0.0, 1e-6) << k;
      }
      atTone[c] = s.m_pY[toneBin];
    }
    // The right channel leads by a quarter period.
    EXPECT_NEAR(AngleBetween(atTone[0], atTone[1]), 90.0, 3.0);
  }

  void CheckLissajous(bool threeD, const Frame& f) {
    const int n = App().m_nSamplesPerView;
    ChartCtrl& chart = Chart(threeD, 0);
    const double lo = threeD ? 0 : -2;
    EXPECT_EQ(XRange(chart, threeD), std::make_pair(lo, 2.0));
    EXPECT_EQ(YRange(chart, threeD), std::make_pair(lo, 2.0));
    const double leftPeak = Peak(f.left);
    const double rightPeak = Peak(f.right);
    const double shift = threeD ? 1 : 0;
    const ChartSerie& s = chart.GetSerie(0);
    double worst = 0;
    for (int i = 0; i < n; ++i) {
      const double x = f.right[static_cast<size_t>(i)] / leftPeak;
      const double y = f.left[static_cast<size_t>(i)] / rightPeak;
      EXPECT_NEAR(s.m_pX[i], x + shift, 1e-12) << i;
      // The 3-D window reaches a box height beyond the box, so nothing is clamped there.
      const double shown = threeD ? y + shift : std::clamp(y, -2.0, 2.0);
      EXPECT_NEAR(s.m_pY[i], shown, 1e-12) << i;
      // Sine against cosine, each over the other's peak: an ellipse of half-axes 1/2 and 2.
      const double ratio = static_cast<double>(kRightLevel) / kLeftLevel;
      worst = std::max(worst, std::abs(std::hypot(x / ratio, y * ratio) - 1.0));
    }
    EXPECT_LT(worst, 0.01);
  }

  void CheckCorrelation(bool threeD, const Frame& f) {
    const CAurivueApp& app = App();
    const int n = app.m_nSamplesPerView;
    const int N = app.m_nFftSize;
    ChartCtrl& chart = Chart(threeD, 0);
    EXPECT_EQ(chart.GetTitle(), threeD ? "Cross-Correlation" : "Cross-Correlate");
    EXPECT_EQ(XRange(chart, threeD), std::make_pair(0.0, 10.0 * app.m_fTimeBase));
    EXPECT_EQ(YRange(chart, threeD), std::make_pair(-2.0, 2.0));
    // The circular cross-correlation of the zero-padded frames by direct sums.
    std::vector<double> l(static_cast<size_t>(N)), r(static_cast<size_t>(N));
    std::copy(f.left.begin(), f.left.end(), l.begin());
    std::copy(f.right.begin(), f.right.end(), r.begin());
    std::vector<double> corr(static_cast<size_t>(N));
    double normaliser = 0;
    for (int m = 0; m < N; ++m) {
      double sum = 0;
      for (int i = 0; i < N; ++i)
        sum += l[static_cast<size_t>((i + m) % N)] * r[static_cast<size_t>(i)];
      corr[static_cast<size_t>(m)] = sum;
      normaliser = std::max(normaliser, std::abs(sum));
    }
    const ChartSerie& s = chart.GetSerie(0);
    for (int j = 0; j < n; ++j) {
      EXPECT_NEAR(s.m_pX[j], 10.0 * j * app.m_fTimeBase / n, 1e-9) << j;
      EXPECT_NEAR(s.m_pY[j], corr[static_cast<size_t>(j * N / n)] / normaliser, 1e-9) << j;
    }
    // Sine against cosine: no likeness at lag 0, unlike an auto-correlation's 1.
    EXPECT_LT(std::abs(s.m_pY[0]), 0.05);
  }

  void CheckPowerSpectrum(bool threeD) {
    const CAurivueApp& app = App();
    const int N = app.m_nFftSize;
    ChartCtrl& chart = Chart(threeD, 0);
    const double effectiveRate = app.m_nSampleRate / app.m_fTimeBase;
    EXPECT_EQ(XRange(chart, threeD), std::make_pair(0.0, effectiveRate / 2));
    const ChartSerie& s = chart.GetSerie(0);
    std::vector<double> levels(s.m_pY.get(), s.m_pY.get() + N / 2);
    const size_t top = ArgMax(levels, levels.size());
    EXPECT_NEAR(s.m_pX[top], kToneHz, 1.5 * effectiveRate / N);
    // The y range closes on the levels at the next multiples of ten, counted from 0.
    const double highest = levels[top];
    ASSERT_GT(highest, 0) << "a tone at half scale stands well above 0 dB";
    const double lowest = std::min(0.0, *std::min_element(levels.begin(), levels.end()));
    const auto [bottom, upper] = YRange(chart, threeD);
    EXPECT_GT(upper, highest);
    EXPECT_LE(upper, highest + 10);
    EXPECT_EQ(std::fmod(upper, 10.0), 0.0);
    EXPECT_LE(bottom, lowest);
    EXPECT_GT(bottom, lowest - 10.0 - 1e-9);
    EXPECT_EQ(std::fmod(bottom, 10.0), 0.0);
  }

  MessageRecorder m_messages;
  QTemporaryDir m_dir;
  std::unique_ptr<AppSession> m_session;
  std::string m_wav;
  std::vector<uint8_t> m_buffer;  // the buffer of the last analysis pass
  int m_nPasses = 0;
};

}  // namespace

TEST_F(InstrumentE2eTest, EveryNavigationItemShowsTheKnownToneInItsAnalysis) {
  StartOnQuadratureTone();
  if (HasFatalFailure() || IsSkipped()) return;
  m_session->ClickPower();
  ASSERT_TRUE(m_session->PowerOn());
  for (int folder = 0; folder < 2; ++folder) {
    for (int item = 0; item < 6; ++item) {
      const int mode = DisplayModeFor(folder, item);
      SCOPED_TRACE(mode);
      ASSERT_TRUE(m_session->ClickNavItem(folder, item));
      // Three passes, so that the waterfall holds a history.
      ASSERT_TRUE(WaitForPasses(3)) << "no buffer reached the new view";
      const Frame f = LastFrame();
      const bool threeD = folder == 1;
      switch (item) {
        case 0:
          CheckSpectrum(threeD, f);
          break;
        case 1:
          CheckPhase(threeD, f);
          break;
        case 2:
          CheckOscillograph(threeD, f);
          break;
        case 3:
          CheckLissajous(threeD, f);
          break;
        case 4:
          CheckCorrelation(threeD, f);
          break;
        default:
          CheckPowerSpectrum(threeD);
          break;
      }
      if (threeD) {
        Chart3DCtrl& waterfall = View()->Chart3D(0);
        EXPECT_EQ(waterfall.GetSeriesCount(), 24);
        EXPECT_EQ(waterfall.GetZMax(), 24);
        EXPECT_TRUE(waterfall.GetSerie(1).m_bHasData) << "the last frame moved back in depth";
      }
    }
  }
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(InstrumentE2eTest, TurnedSwitchesSetTheRangesAndTheStepOfTheNextFrames) {
  StartOnQuadratureTone();
  if (HasFatalFailure() || IsSkipped()) return;
  CControlView* panel = m_session->Panel();
  m_session->ClickPower();
  ASSERT_TRUE(WaitForPasses(2));
  CheckOscillograph(false, LastFrame());  // 1 ms/div, 500 mV/div on both channels
  // A new calibration, as the volts page sets it while its slider moves: 1 V = 20000 counts
  // puts the left crest of 16000 counts at 800 mV.
  App().m_nVoltValue = 20000;
  ASSERT_TRUE(WaitForPasses(2));
  CheckOscillograph(false, LastFrame());
  const ChartSerie& left = View()->Chart2D(0).GetSerie(0);
  EXPECT_NEAR(*std::max_element(left.m_pY.get(), left.m_pY.get() + App().m_nSamplesPerView), 800.0,
              8.0);
  App().m_nVoltValue = 32000;

  m_session->TurnSwitch(panel->TimeBaseSwitch(), true);
  m_session->TurnSwitch(panel->LeftSwitch(), false);
  m_session->TurnSwitch(panel->RightSwitch(), true);  // from the last detent round to the first
  auto label = [](RotarySwitch* knob) {
    return knob->GetDetent(knob->GetPosition()).label.toStdString();
  };
  EXPECT_EQ(label(panel->TimeBaseSwitch()), "2 ms");
  EXPECT_EQ(label(panel->LeftSwitch()), "200mv");
  EXPECT_EQ(label(panel->RightSwitch()), "5 mv ");
  EXPECT_EQ(App().m_fTimeBase, 2.0f);
  EXPECT_EQ(App().m_fLeftScale, 100.0f);
  EXPECT_EQ(App().m_fRightScale, 2.5f);
  ASSERT_TRUE(WaitForPasses(2));
  // 20 ms across, every second sample, ±400 mV on the left, ±10 mV on the right (clamped).
  CheckOscillograph(false, LastFrame());
  EXPECT_EQ(View()->Chart2D(0).GetXMax(), 20.0);
  EXPECT_EQ(View()->Chart2D(1).GetYMax(), 10.0);

  ASSERT_TRUE(m_session->ClickNavItem(0, 0));
  ASSERT_TRUE(WaitForPasses(2));
  EXPECT_EQ(View()->Chart2D(0).GetXMax(), App().m_nSampleRate / 4.0);

  // Up to 50 ms/div: the frame spans the whole half-second buffer, samples 50 frames apart.
  ASSERT_TRUE(m_session->ClickNavItem(1, 2));
  for (int i = 0; i < 4; ++i) m_session->TurnSwitch(panel->TimeBaseSwitch(), true);
  EXPECT_EQ(label(panel->TimeBaseSwitch()), "50ms");
  ASSERT_TRUE(WaitForPasses(2));
  CheckOscillograph(true, LastFrame());
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(InstrumentE2eTest, ExportPictureAndPrintTakeTheFrameOfTheRecording) {
  StartOn(
      [](const std::string& wav, unsigned rate) { return WriteNoiseRecording(wav, rate, 2.0); });
  if (HasFatalFailure() || IsSkipped()) return;
  const Stereo recording = ReadRecording(m_wav);
  ASSERT_FALSE(recording.empty());
  m_session->ClickPower();
  ASSERT_TRUE(WaitForPasses(2));
  m_session->ClickPower();  // the frame holds still from here on
  ASSERT_FALSE(m_session->PowerOn());
  const Frame f = LastFrame();
  ASSERT_GE(FindInRecording(recording, f.left, f.right, 1), 0)
      << "the analysed frame is not a stretch of the recording";

  // The temporary picture in a folder of this test's own, out of the way of other runs.
  App().m_szTmpBmpPath = m_dir.filePath("TmpBMP.tmp").toStdString();
  CMainFrame* frame = m_session->Frame();
  const std::string exportPath = m_dir.filePath("frame.txt").toStdString();
  const std::string bmpPath = m_dir.filePath("view.bmp").toStdString();
  std::vector<SaveFileRequest> asked;
  std::string answer;
  SaveFileDialogHook previous = SetSaveFileDialogHook([&](const SaveFileRequest& request) {
    asked.push_back(request);
    return std::optional<std::string>(answer);
  });
  UserProfile().remove("Folders");
  answer = exportPath;
  EXPECT_TRUE(SendCommandTo(frame, ID_EXPORT_DATA));
  answer = bmpPath;
  EXPECT_TRUE(SendCommandTo(frame, ID_FILE_SAVE_BMP));
  SetSaveFileDialogHook(std::move(previous));
  ASSERT_EQ(asked.size(), 2u);
  // The described names, in the user's documents folder the first time.
  EXPECT_EQ(QFileInfo(QString::fromStdString(asked[0].initialPath)).fileName(), "ExportData.txt");
  EXPECT_EQ(QFileInfo(QString::fromStdString(asked[1].initialPath)).fileName(), "Aurivue.bmp");
  EXPECT_NE(asked[0].initialPath, App().m_szExportPath);

  EXPECT_EQ(ReadFileBytes(exportPath), ExpectedExport(f.left, f.right));

  const std::string bmp = ReadFileBytes(bmpPath);
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(Le32(bmp, 2), bmp.size());
  EXPECT_EQ(static_cast<int>(Le32(bmp, 18)), View()->width());
  EXPECT_EQ(static_cast<int>(Le32(bmp, 22)), View()->height());
  const uint16_t bits = Le16(bmp, 28);
  const uint32_t palette = Le32(bmp, 10) - 54;
  const uint32_t stride = (static_cast<uint32_t>(View()->width()) * bits + 31) / 32 * 4;
  EXPECT_EQ(bmp.size(), 54 + palette + stride * static_cast<uint32_t>(View()->height()));
  EXPECT_FALSE(FileExists(App().m_szTmpBmpPath)) << "the temporary picture stayed";

  const QString pdf = m_dir.filePath("page.pdf");
  PrintDialogHook previousPrint = SetPrintDialogHook([&](QPrinter& printer, PrintDialogKind) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  EXPECT_TRUE(SendCommandTo(frame, ID_FILE_PRINT));
  SetPrintDialogHook(std::move(previousPrint));
  QFile printed(pdf);
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  const QByteArray pdfBytes = printed.readAll();
  EXPECT_TRUE(pdfBytes.startsWith("%PDF-"));
  EXPECT_EQ(PdfPageCount(pdfBytes), 1);
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(InstrumentE2eTest, ExitWithPowerOnStopsTheCaptureFirst) {
  StartOnQuadratureTone();
  if (HasFatalFailure() || IsSkipped()) return;
  const int threadsBefore = ThreadCount();
  m_session->ClickPower();
  ASSERT_TRUE(WaitForPasses(2));
  ASSERT_TRUE(App().m_capture.HasWorker());
  EXPECT_TRUE(SendCommandTo(m_session->Frame(), ID_APP_EXIT));
  EXPECT_FALSE(m_session->Frame()->isVisible());
  EXPECT_EQ(App().ExitInstance(), 0);
  EXPECT_FALSE(App().m_capture.HasWorker());
  Pump(50ms);
  EXPECT_LE(ThreadCount(), threadsBefore) << "a capture thread outlived the exit";
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(InstrumentE2eTest, ScriptedMeasurementsTurnTheSwitchesToTheirFigures) {
  StartOnQuadratureTone();
  if (HasFatalFailure() || IsSkipped()) return;
  CControlView* panel = m_session->Panel();
  // Every figure the options accept is shown by a detent of the real switches, whose value is
  // the figure for the time base and half of it for the channels.
  for (int ms : TimeBaseFigures()) {
    const int d = DetentShowingFigure(*panel->TimeBaseSwitch(), ms);
    ASSERT_GE(d, 0) << ms;
    EXPECT_EQ(panel->TimeBaseSwitch()->GetDetent(d).value, ms);
  }
  for (int mv : ChannelFigures()) {
    const int d = DetentShowingFigure(*panel->LeftSwitch(), mv);
    ASSERT_GE(d, 0) << mv;
    EXPECT_EQ(panel->LeftSwitch()->GetDetent(d).value, mv / 2.0f);
  }
  EXPECT_EQ(DetentShowingFigure(*panel->LeftSwitch(), 1), -1);

  CommandLineOptions options;
  options.displayMode = 612;
  options.timeBaseMs = 5;
  options.leftMv = 100;
  options.rightMv = 20;
  options.power = true;
  options.frames = 3;
  options.exportPath = m_dir.filePath("scripted.txt").toStdString();
  const int passesBefore = m_nPasses;
  EXPECT_EQ(RunScriptedMeasurements(App(), options, nullptr, "aurivue"), 0);
  EXPECT_GE(m_nPasses - passesBefore, 3);
  EXPECT_EQ(App().m_nDisplayMode, 612);
  EXPECT_EQ(m_session->Frame()->NavBar()->GetSelFolder(), 1);
  EXPECT_EQ(App().m_fTimeBase, 5.0f);
  EXPECT_EQ(App().m_fLeftScale, 50.0f);
  EXPECT_EQ(App().m_fRightScale, 10.0f);
  EXPECT_EQ(
      panel->RightSwitch()->GetDetent(panel->RightSwitch()->GetPosition()).label.toStdString(),
      "20mv ");
  CheckOscillograph(true, LastFrame());
  const Frame f = LastFrame();
  EXPECT_EQ(ReadFileBytes(options.exportPath), ExpectedExport(f.left, f.right));
  EXPECT_TRUE(m_session->Messages().empty());
}
