// Export CSV through the real application object, in every display mode: each column against
// the chart it came from (the chart drew it clamped into its range, the file keeps it whole),
// and against values computed here from the sox-made recording the program analysed.
#include <gtest/gtest.h>

#include <QSettings>
#include <algorithm>
#include <cmath>
#include <complex>
#include <deque>
#include <sstream>

#include "e2e_reliability_support.h"
#include "instrument_support.h"
#include "platform/file_services.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "view/csv_export.h"
#include "view/view_csv_export.h"
#include "view/view_dialogs.h"

using namespace e2e;
using namespace instrument;

namespace {

constexpr double kToneHz = 1000;
// The left crest is four times the right one, so the Lissajous figure leaves its range.
constexpr int kLeftLevel = 16000;
constexpr int kRightLevel = 4000;
constexpr double kEmpty = -1e300;  // a cell left empty

struct Csv {
  std::vector<std::string> comments;
  std::vector<std::string> names;
  std::vector<std::vector<double>> rows;
  // Column c as values, kEmpty where the cell is empty.
  std::vector<double> Column(size_t c) const {
    std::vector<double> values;
    for (const auto& row : rows) values.push_back(c < row.size() ? row[c] : kEmpty);
    return values;
  }
  size_t Index(const std::string& name) const {
    return static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
  }
};

Csv ParseCsv(const std::string& text) {
  Csv csv;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '#') {
      csv.comments.push_back(line);
      continue;
    }
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream cellsIn(line);
    while (std::getline(cellsIn, cell, ',')) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    if (csv.names.empty()) {
      csv.names = cells;
      continue;
    }
    std::vector<double> row;
    for (const std::string& c : cells)
      row.push_back(c.empty() ? kEmpty : std::strtod(c.c_str(), nullptr));
    csv.rows.push_back(row);
  }
  return csv;
}

struct Frame {
  std::vector<double> left;
  std::vector<double> right;
};

double Peak(const std::vector<double>& v) {
  double peak = 0;
  for (double x : v) peak = std::max(peak, std::abs(x));
  return peak;
}

std::vector<std::complex<double>> NaiveSpectrum(const std::vector<double>& frame, int fftSize) {
  std::vector<std::complex<double>> bins(static_cast<size_t>(fftSize / 2));
  for (int k = 0; k < fftSize / 2; ++k) {
    std::complex<double> sum;
    for (size_t i = 0; i < frame.size(); ++i) {
      sum += frame[i] * std::polar(1.0, -2 * kPi * k * static_cast<double>(i) / fftSize);
    }
    bins[static_cast<size_t>(k)] = sum;
  }
  return bins;
}

// What a display of analysis should show of frame, computed here: the x column and one value
// column per chart. Power spectrum values are not computed (only their peak is checked).
std::vector<std::vector<double>> Expected(int analysis, const Frame& f, int n, int fftSize, float t,
                                          int voltValue) {
  std::vector<std::vector<double>> cols(3);
  if (analysis == 2) {
    for (int i = 0; i < n; ++i) {
      cols[0].push_back(i * 10.0 * t / n);
      cols[1].push_back(f.left[static_cast<size_t>(i)] * 1000.0 / voltValue);
      cols[2].push_back(f.right[static_cast<size_t>(i)] * 1000.0 / voltValue);
    }
  } else if (analysis == 0 || analysis == 1) {
    const auto l = NaiveSpectrum(f.left, fftSize);
    const auto r = NaiveSpectrum(f.right, fftSize);
    double lp = 0, rp = 0;
    for (size_t k = 0; k < l.size(); ++k) {
      lp = std::max(lp, std::abs(l[k]));
      rp = std::max(rp, std::abs(r[k]));
    }
    for (size_t k = 0; k < l.size(); ++k) {
      cols[0].push_back(static_cast<double>(static_cast<int>(k) * n * 100) / (fftSize * t));
      if (analysis == 0) {
        cols[1].push_back(std::abs(l[k]) / lp);
        cols[2].push_back(std::abs(r[k]) / rp);
      } else {
        // Where a bin holds next to nothing its phase is rounding noise: not compared.
        cols[1].push_back(std::abs(l[k]) > 1e-3 * lp ? std::arg(l[k]) * 180 / kPi : kEmpty);
        cols[2].push_back(std::abs(r[k]) > 1e-3 * rp ? std::arg(r[k]) * 180 / kPi : kEmpty);
      }
    }
  } else if (analysis == 3) {
    const double lp = Peak(f.left), rp = Peak(f.right);
    for (int i = 0; i < n; ++i) {
      cols[0].push_back(f.right[static_cast<size_t>(i)] / lp);
      cols[1].push_back(f.left[static_cast<size_t>(i)] / rp);
    }
    cols.pop_back();
  } else if (analysis == 4) {
    std::vector<double> l(static_cast<size_t>(fftSize)), r(static_cast<size_t>(fftSize));
    std::copy(f.left.begin(), f.left.end(), l.begin());
    std::copy(f.right.begin(), f.right.end(), r.begin());
    std::vector<double> corr(static_cast<size_t>(fftSize));
    double normaliser = 0;
    for (int m = 0; m < fftSize; ++m) {
      double sum = 0;
      for (int i = 0; i < fftSize; ++i) {
        sum += l[static_cast<size_t>((i + m) % fftSize)] * r[static_cast<size_t>(i)];
      }
      corr[static_cast<size_t>(m)] = sum;
      normaliser = std::max(normaliser, std::abs(sum));
    }
    for (int j = 0; j < n; ++j) {
      cols[0].push_back(10.0 * j * t / n);
      cols[1].push_back(corr[static_cast<size_t>(j * fftSize / n)] / normaliser);
    }
    cols.pop_back();
  }
  return cols;
}

void ExpectColumn(const std::vector<double>& got, const std::vector<double>& want, double shift,
                  const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < got.size(); ++i) {
    if (want[i] == kEmpty) continue;
    const double tolerance = 1e-9 * std::max(1.0, std::abs(want[i]));
    ASSERT_NEAR(got[i], want[i] + shift, tolerance) << what << " row " << i;
  }
}

class CsvExportE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_TRUE(WriteFileReplacing(JoinPath(ProgramDirectory(), "Aurivue.ini"), kKnownSettings));
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    CAurivueApp& app = m_session->App();
    ASSERT_EQ(app.m_nChannels, 2);
    ASSERT_EQ(app.m_nBits, 16);
    app.m_nFFTWindow = 1;
    app.m_nFilterType = 1;
    const std::string wav = m_dir.filePath("tone.wav").toStdString();
    ASSERT_TRUE(
        WriteRecording(wav, app.m_nSampleRate,
                       QuadratureTone(app.m_nSampleRate, 1.0, kToneHz, kLeftLevel, kRightLevel)));
    m_recording = ReadRecording(wav);
    ASSERT_FALSE(m_recording.empty());
    std::string error;
    ASSERT_TRUE(SelectWaveInput("file:" + wav, &error)) << error;
    SetWaveInRealTimePacing(false);
    const size_t bytes = app.m_capture.GetFormat().nAvgBytesPerSec / 2;
    m_session->Tap().m_before = [this, &app, bytes](const uint8_t* buffer) {
      if (app.m_bPowerOn == 0) return;
      // The frame as the description of the decoding takes it at time base 1.
      Frame f;
      for (int i = 0; i < app.m_nSamplesPerView && 4u * i + 3 < bytes; ++i) {
        const size_t at = 4u * static_cast<size_t>(i);
        f.left.push_back(static_cast<int16_t>(buffer[at] | buffer[at + 1] << 8));
        f.right.push_back(static_cast<int16_t>(buffer[at + 2] | buffer[at + 3] << 8));
      }
      m_frames.push_back(f);
    };
  }

  void TearDown() override {
    if (m_session && m_session->PowerOn()) m_session->ClickPower();
    m_session.reset();
    SetWaveInRealTimePacing(true);
  }

  // Every frame a pass analysed is a run of the recording's own samples.
  void ExpectFromRecording(const Frame& f) {
    EXPECT_GE(FindInRecording(m_recording, f.left, f.right, 1), 0)
        << "the analysed frame is not in the recording";
  }

  // Each value column of csv against the chart it came from: the chart holds it clamped.
  void ExpectChartsHold(const Csv& csv, bool threeD, int analysis, int charts) {
    CAurivueView* view = m_session->View();
    for (size_t c = 1; c < csv.names.size(); ++c) {
      int chart = 0, serie = 0;
      const std::string& name = csv.names[c];
      bool isX = false;
      if (threeD) {
        chart = name.rfind("right_", 0) == 0 ? 1 : 0;
        const size_t at = name.find("frame_") + 6;
        serie = std::atoi(name.c_str() + at);
        isX = analysis == 3 && name.size() > 2 && name.compare(name.size() - 2, 2, "_x") == 0;
      } else {
        chart = charts == 2 && c == 2 ? 1 : 0;
        isX = analysis == 3 && c == 0;
      }
      ChartCtrl& ctrl =
          threeD ? static_cast<ChartCtrl&>(view->Chart3D(chart)) : view->Chart2D(chart);
      const ChartSerie& s = ctrl.GetSerie(serie);
      const std::vector<double> values = csv.Column(c);
      for (size_t i = 0; i < values.size(); ++i) {
        if (values[i] == kEmpty) {
          ASSERT_FALSE(s.m_bHasData) << name << " is empty though its curtain holds data";
          break;
        }
        const double lo = isX ? ctrl.GetXMin() : ctrl.GetYMin();
        const double hi = isX ? ctrl.GetXMax() : ctrl.GetYMax();
        const double drawn = isX ? s.m_pX[i] : s.m_pY[i];
        ASSERT_EQ(drawn, std::isnan(values[i]) ? lo : std::clamp(values[i], lo, hi))
            << name << " row " << i;
      }
    }
  }

  // A profile of this test's own (the program writes its recent-file list back at the end);
  // the shared one is back when the test ends.
  const support::PrivateProfile m_profile;
  QTemporaryDir m_dir;
  std::unique_ptr<AppSession> m_session;
  Stereo m_recording;
  std::deque<Frame> m_frames;
};

}  // namespace

TEST_F(CsvExportE2eTest, EveryModesColumnsAreTheChartsValuesAndTheRecordingsAnalysis) {
  CAurivueApp& app = m_session->App();
  // A small left scale, so the oscillograph clamps the left channel's crests.
  app.m_fLeftScale = 25;
  m_session->ClickPower();
  ASSERT_TRUE(m_session->PowerOn());
  const int n = app.m_nSamplesPerView;
  const int N = app.m_nFftSize;
  const float t = app.m_fTimeBase;
  static const char* const kY[] = {"amplitude", "phase_deg", "mv", "y", "coefficient", "level_db"};
  static const char* const kX[] = {"frequency_hz", "frequency_hz", "time_ms", "x",
                                   "time_ms",      "frequency_hz"};
  for (int folder = 0; folder < 2; ++folder) {
    for (int item = 0; item < 6; ++item) {
      const int mode = DisplayModeFor(folder, item);
      SCOPED_TRACE(mode);
      const bool threeD = folder == 1;
      ASSERT_TRUE(m_session->ClickNavItem(folder, item));
      m_frames.clear();
      ASSERT_TRUE(PumpUntil([&] { return m_frames.size() >= 3; }, 10s)) << "no buffer came";
      const std::string text = DisplayedCsvText(*m_session->View(), app, "2026-12-08T00:00:00Z");
      const Csv csv = ParseCsv(text);
      ASSERT_FALSE(csv.names.empty());
      EXPECT_NE(std::find(csv.comments.begin(), csv.comments.end(),
                          "# mode: " + std::to_string(mode) + " " + DisplayModeName(mode)),
                csv.comments.end());
      const int charts = item <= 2 ? 2 : 1;
      ExpectChartsHold(csv, threeD, item, charts);
      const size_t rows =
          item == 0 || item == 1 || item == 5 ? static_cast<size_t>(N / 2) : static_cast<size_t>(n);
      EXPECT_EQ(csv.rows.size(), rows);
      for (const Frame& f : m_frames) ExpectFromRecording(f);
      if (!threeD) {
        std::vector<std::string> header{kX[item]};
        if (item == 3) {
          header.push_back("y");
        } else if (charts == 2) {
          header.push_back(std::string("left_") + kY[item]);
          header.push_back(std::string("right_") + kY[item]);
        } else {
          header.push_back(kY[item]);
        }
        EXPECT_EQ(csv.names, header);
      } else {
        EXPECT_EQ(csv.names.size(), item == 3 ? 48u : 1u + 24u * static_cast<size_t>(charts));
      }
      if (item == 5) {
        // The power estimate's highest level sits at the tone.
        const std::vector<double> f = csv.Column(0);
        const std::vector<double> level = csv.Column(1);
        const size_t top =
            static_cast<size_t>(std::max_element(level.begin(), level.end()) - level.begin());
        EXPECT_NEAR(f[top], kToneHz, 1.5 * app.m_nSampleRate / N);
        continue;
      }
      // The newest frame, then (in 3-D) each older curtain against the frame it came from.
      const size_t passes = m_frames.size();
      const int curtains = threeD ? static_cast<int>(std::min<size_t>(passes + 1, 24)) : 1;
      for (int k = 0; k < curtains; ++k) {
        const size_t frameIndex = k <= 1 ? passes - 1 : passes - static_cast<size_t>(k);
        const auto want = Expected(item, m_frames[frameIndex], n, N, t, app.m_nVoltValue);
        if (!threeD) {
          for (size_t c = 0; c < want.size(); ++c) {
            ExpectColumn(csv.Column(c), want[c], 0, csv.names[c]);
          }
          continue;
        }
        const std::string stem = "frame_" + std::to_string(k);
        if (item == 3) {
          ExpectColumn(csv.Column(csv.Index(stem + "_x")), want[0], 1, stem + "_x");
          ExpectColumn(csv.Column(csv.Index(stem + "_y")), want[1], 1, stem + "_y");
          continue;
        }
        if (k == 0) ExpectColumn(csv.Column(0), want[0], 0, csv.names[0]);
        for (int c = 0; c < charts; ++c) {
          const std::string name =
              charts == 2 ? std::string(c == 0 ? "left_" : "right_") + stem : stem;
          ExpectColumn(csv.Column(csv.Index(name)), want[static_cast<size_t>(c) + 1], 0, name);
        }
      }
      if (threeD && passes + 1 < 24) {
        const std::string unfilled = (charts == 2 ? "left_frame_" : "frame_") +
                                     std::to_string(passes + 1) + (item == 3 ? "_x" : "");
        for (double v : csv.Column(csv.Index(unfilled))) ASSERT_EQ(v, kEmpty) << unfilled;
      }
    }
  }
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(CsvExportE2eTest, TheMenuCommandWritesTheFileAndReportsAFolderThatIsNotThere) {
  m_session->ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return m_frames.size() >= 2; }, 10s));
  m_session->ClickPower();
  const std::string path = m_dir.filePath("shown.csv").toStdString();
  std::vector<SaveFileRequest> asked;
  SaveFileDialogHook previous = SetSaveFileDialogHook([&](const SaveFileRequest& r) {
    asked.push_back(r);
    return std::optional<std::string>(path);
  });
  EXPECT_TRUE(SendCommandTo(m_session->Frame(), ID_EXPORT_CSV));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].defaultExtension, "CSV");
  EXPECT_NE(asked[0].initialPath.find("AurivueData.csv"), std::string::npos);
  std::string bytes;
  ASSERT_TRUE(ReadRegularFile(path, bytes));
  const Csv csv = ParseCsv(bytes);
  EXPECT_EQ(csv.names, (std::vector<std::string>{"time_ms", "left_mv", "right_mv"}));
  EXPECT_EQ(csv.rows.size(), static_cast<size_t>(m_session->App().m_nSamplesPerView));
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  ASSERT_FALSE(csv.comments.empty());
  EXPECT_EQ(csv.comments[0], "# program: Aurivue Version 2.0");
  // The file of a frozen display is the same twice, but for the time.
  const std::string again = DisplayedCsvText(*m_session->View(), m_session->App(), "");
  EXPECT_EQ(bytes.substr(bytes.find("# mode")), again.substr(again.find("# mode")));

  const std::string nowhere = m_dir.filePath("no/such/folder/shown.csv").toStdString();
  SetSaveFileDialogHook(
      [&](const SaveFileRequest&) { return std::optional<std::string>(nowhere); });
  EXPECT_TRUE(SendCommandTo(m_session->Frame(), ID_EXPORT_CSV));
  SetSaveFileDialogHook(std::move(previous));
  const std::vector<std::string> messages = m_session->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], nowhere + " contains an invalid path.");
}

TEST_F(CsvExportE2eTest, ALargeSpectrumWritesEveryBinInTheDisplayedUnitWithItsHolds) {
  CAurivueApp& app = m_session->App();
  app.m_spectrum.fftSize = 65536;
  app.m_spectrum.scale = 1;  // dBFS
  app.m_spectrum.peakHold = true;
  app.m_spectrum.minimumHold = true;
  m_session->ClickPower();
  ASSERT_TRUE(m_session->PowerOn());
  const double rate = app.m_nSampleRate;
  // The tone's level in dBFS on each channel, known from the recording.
  const double level[2] = {20 * std::log10(kLeftLevel / 32768.0),
                           20 * std::log10(kRightLevel / 32768.0)};
  struct Case {
    int folder, item;
    std::vector<std::string> names;  // empty: the waterfall's
  };
  const Case cases[] = {
      {0,
       0,
       {"frequency_hz", "left_amplitude", "right_amplitude", "left_amplitude_peak_hold",
        "right_amplitude_peak_hold", "left_amplitude_minimum_hold",
        "right_amplitude_minimum_hold"}},
      {0, 5, {"frequency_hz", "level_db", "level_db_peak_hold", "level_db_minimum_hold"}},
      {1, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(DisplayModeFor(c.folder, c.item));
    ASSERT_TRUE(m_session->ClickNavItem(c.folder, c.item));
    m_frames.clear();
    ASSERT_TRUE(PumpUntil([&] { return m_frames.size() >= 2; }, 10s)) << "no buffer came";
    const Csv csv = ParseCsv(DisplayedCsvText(*m_session->View(), app, ""));
    if (c.folder == 1) {
      // The newest curtain's levels in dBFS, not heights above the range's bottom.
      for (int side = 0; side < 2; ++side) {
        const std::vector<double> v =
            csv.Column(csv.Index(side == 0 ? "left_frame_0" : "right_frame_0"));
        EXPECT_NEAR(*std::max_element(v.begin(), v.end()), level[side], 0.5) << side;
      }
      // Both charts draw the same bins, so the one x column is each curtain's own.
      const GivenPoints left = m_session->View()->Chart3D(0).GetGivenPoints(0);
      const GivenPoints right = m_session->View()->Chart3D(1).GetGivenPoints(0);
      ASSERT_EQ(left.count, right.count);
      for (int i = 0; i < left.count; ++i) ASSERT_EQ(left.x[i], right.x[i]) << "point " << i;
      continue;
    }
    EXPECT_EQ(csv.names, c.names);
    ASSERT_EQ(csv.rows.size(), 32769u) << "every bin of 65536 points";
    const std::vector<double> f = csv.Column(0);
    EXPECT_EQ(f[1], rate / 65536);
    EXPECT_EQ(f.back(), rate / 2);
    const int channels = c.item == 0 ? 2 : 1;
    for (int side = 0; side < channels; ++side) {
      const std::vector<double> v = csv.Column(static_cast<size_t>(1 + side));
      const size_t top = static_cast<size_t>(std::max_element(v.begin(), v.end()) - v.begin());
      // Each channel's tone on the row of its own frequency, at its level.
      EXPECT_NEAR(f[top], kToneHz, rate / 65536) << side;
      EXPECT_NEAR(v[top], level[side], 0.5) << side;
      const std::vector<double> held = csv.Column(static_cast<size_t>(1 + channels + side));
      const std::vector<double> low = csv.Column(static_cast<size_t>(1 + 2 * channels + side));
      EXPECT_GE(held[top], v[top] - 1e-9) << side;
      EXPECT_LE(low[top], v[top] + 1e-9) << side;
    }
  }
  EXPECT_TRUE(m_session->Messages().empty());
}
