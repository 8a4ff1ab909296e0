// The spectrogram through the built program: recordings made here with sox go in through the
// file input, and what the program exports is held against the signal, the dB spectrum of the
// same program and the picture's rows.
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/spectrogram_history.h"
#include "analysis/spectrogram_raster.h"
#include "instrument_support.h"
#include "support/needs_environment.h"

using namespace instrument;

namespace {

constexpr unsigned kRate = 44100;

// A CSV export: its header cells and rows of cells after the "#" lines.
struct Csv {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  std::string cell;
  while (std::getline(in, cell, ',')) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

Csv ReadCsv(const QString& path) {
  Csv csv;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return csv;
  std::stringstream in(file.readAll().toStdString());
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (csv.header.empty()) {
      csv.header = Cells(line);
    } else {
      csv.rows.push_back(Cells(line));
    }
  }
  return csv;
}

// A known start: 44100 Hz, two channels, 16 bits, window as given.
std::string Settings(int window) {
  return "[Card]\nChannels=2\nBits=16\nRateIndex=3\nFFTWindow=" + std::to_string(window) +
         "\nVoltValue=32000\nFilterType=1\nFreqPoint=10000\n";
}

struct Program {
  PrivateProgram program;
  bool Start(int window) {
    if (!program.ok()) return false;
    // A profile of its own, so the menus' choices of other runs do not come in.
    program.SetEnv("XDG_CONFIG_HOME", program.Path("config"));
    return program.WriteSettings(Settings(window));
  }
  PrivateProgram::Result Run(const QStringList& args, int timeoutMs = 120000) {
    return program.Run(args, timeoutMs);
  }
};

// The right channel of a recording at a tenth of the left's level, so the rows of the two
// channels cannot be mistaken for one another.
Stereo Tone(double seconds, double hz, int level) {
  return QuadratureTone(kRate, seconds, hz, level, level / 10);
}

}  // namespace

TEST(SpectrogramE2eTest, SteadyToneReadsAsTheDbSpectrumReadsIt) {
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  struct Case {
    int window;  // FFTWindow of the settings
    const char* fftSize;
    double hz;
    int level;
  };
  // On a bin with the rectangle, between bins with Hanning and Blackman (where the level depends
  // on the window's own loss, so both displays must apply the same one).
  const Case cases[] = {{1, "8192", 186 * 44100.0 / 8192, 16000},
                        {3, "4096", 1000, 8000},
                        {5, "16384", 5123.4, 20000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "window " << c.window << " size " << c.fftSize);
    Program p;
    if (!p.program.ok()) GTEST_SKIP() << "aurivue is not built";
    ASSERT_TRUE(p.Start(c.window));
    ASSERT_TRUE(WriteRecording(p.program.PathStd("tone.wav"), kRate, Tone(4, c.hz, c.level)));
    const QStringList common = {"--input", "file:tone.wav",    "--fft-size",
                                c.fftSize, "--spectrum-scale", "dbfs",
                                "--power", "--frames",         "3"};
    auto r = p.Run(common + QStringList{"--mode", "600", "--export-csv", "spectrum.csv", "--quit"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = p.Run(common + QStringList{"--mode", "620", "--export-csv", "sg.csv", "--quit"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const Csv spectrum = ReadCsv(p.program.Path("spectrum.csv"));
    const Csv sg = ReadCsv(p.program.Path("sg.csv"));
    const int size = std::stoi(c.fftSize);
    ASSERT_EQ(sg.header.size(), static_cast<std::size_t>(size / 2 + 1 + 2));
    ASSERT_FALSE(sg.rows.empty());
    const int bin = static_cast<int>(std::lround(c.hz * size / kRate));
    // The frequency, then the left and the right channel's level.
    ASSERT_EQ(spectrum.header.size(), 3u);
    EXPECT_EQ(spectrum.header[1].rfind("left_", 0), 0u);
    EXPECT_EQ(spectrum.header[2].rfind("right_", 0), 0u);
    const int leftColumn = 1, rightColumn = 2;
    ASSERT_GT(spectrum.rows.size(), static_cast<std::size_t>(bin));
    const double want[2] = {std::stod(spectrum.rows[bin][leftColumn]),
                            std::stod(spectrum.rows[bin][rightColumn])};
    // The amplitude itself where the tone sits on a bin of the rectangle: the closed form.
    if (c.window == 1) {
      EXPECT_NEAR(want[0], 20 * std::log10(c.level / 32768.0), 0.05);
    }
    int checked = 0;
    for (const auto& row : sg.rows) {
      ASSERT_EQ(row.size(), sg.header.size());
      const int channel = row[0] == "left" ? 0 : 1;
      EXPECT_NEAR(std::stod(row[2 + bin]), want[channel], 0.1)
          << row[0] << " at " << row[1] << " s";
      ++checked;
    }
    EXPECT_GT(checked, 4);
  }
}

TEST(SpectrogramE2eTest, CsvHoldsEveryTransformOnceOldestFirstWithItsFrequencies) {
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  struct Case {
    const char* mode;  // --live or --classic
    const char* fftSize;
    int hop;
    const char* frames;
  };
  // Classic takes the buffers, Live the ring, both over some seconds of input; with the
  // smallest size Live brings 172 transforms a second a channel.
  const Case cases[] = {{"--classic", "8192", 2048, "12"}, {"--live", "1024", 256, "300"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Program p;
    if (!p.program.ok()) GTEST_SKIP() << "aurivue is not built";
    ASSERT_TRUE(p.Start(3));
    ASSERT_TRUE(WriteRecording(p.program.PathStd("tone.wav"), kRate, Tone(3, 440, 12000)));
    const auto r = p.Run({"--input", "file:tone.wav", c.mode, "--fft-size", c.fftSize,
                          "--spectrum-scale", "dbfs", "--mode", "620", "--power", "--frames",
                          c.frames, "--export-csv", "sg.csv", "--quit"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const Csv csv = ReadCsv(p.program.Path("sg.csv"));
    const int size = std::stoi(c.fftSize);
    ASSERT_EQ(csv.header.size(), static_cast<std::size_t>(size / 2 + 3));
    EXPECT_EQ(csv.header[0], "channel");
    EXPECT_EQ(csv.header[1], "time_s");
    for (int k = 0; k <= size / 2; k += size / 16) {
      EXPECT_NEAR(std::stod(csv.header[2 + k]), k * static_cast<double>(kRate) / size, 1e-9);
    }
    // A row a channel and transform, left then right; the transforms one hop apart from the
    // first after POWER, none missing and none twice.
    ASSERT_GE(csv.rows.size(), 2u * 10);
    ASSERT_EQ(csv.rows.size() % 2, 0u);
    const double first = std::stod(csv.rows[0][1]);
    EXPECT_NEAR(first, (size / 2.0) / kRate, 1e-9) << "the first window starts at POWER";
    for (std::size_t i = 0; i < csv.rows.size(); ++i) {
      const auto& row = csv.rows[i];
      ASSERT_EQ(row.size(), csv.header.size()) << "row " << i;
      EXPECT_EQ(row[0], i % 2 == 0 ? "left" : "right") << "row " << i;
      const double t = std::stod(row[1]);
      const double index = (t * kRate - size / 2.0) / c.hop;
      ASSERT_NEAR(index, static_cast<double>(i / 2), 1e-6) << "row " << i;
      EXPECT_FALSE(row[2].empty()) << "transform " << i / 2 << " lost";
    }
  }
}

TEST(SpectrogramE2eTest, LogChirpRidgeLiesWithinOneRowOfItsFrequency) {
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  Program p;
  if (!p.program.ok()) GTEST_SKIP() << "aurivue is not built";
  ASSERT_TRUE(p.Start(3));
  // 20 Hz to 20 kHz over 8 s in the left channel; the right one silent.
  const double seconds = 8, f0 = 20, f1 = 20000;
  const double k = std::log(f1 / f0) / seconds;
  auto frequencyAt = [&](double t) { return f0 * std::exp(k * t); };
  const std::size_t frames = static_cast<std::size_t>(seconds * kRate);
  Stereo chirp(2 * frames, 0);
  for (std::size_t m = 0; m < frames; ++m) {
    const double t = static_cast<double>(m) / kRate;
    chirp[2 * m] = static_cast<int16_t>(
        std::lround(16000 * std::sin(2 * kPi * f0 * (std::exp(k * t) - 1) / k)));
  }
  ASSERT_TRUE(WriteRecording(p.program.PathStd("chirp.wav"), kRate, chirp));
  const auto r = p.Run({"--input", "file:chirp.wav", "--classic", "--fft-size", "8192",
                        "--spectrum-scale", "dbfs", "--frequency-axis", "log", "--mode", "620",
                        "--power", "--frames", "16", "--export-csv", "sg.csv", "--quit"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const Csv csv = ReadCsv(p.program.Path("sg.csv"));
  const int size = 8192, hop = 2048, bins = size / 2 + 1;
  ASSERT_EQ(csv.header.size(), static_cast<std::size_t>(bins + 2));

  // The exported levels are the history's exactly (hundredths of a decibel): the pictures the
  // program draws from them, at heights a chart may have, put the ridge on the chirp's row.
  SpectrogramHistory history(1, bins, static_cast<int>(csv.rows.size()));
  for (const auto& row : csv.rows) {
    if (row[0] != "left") continue;
    const int64_t index =
        std::llround((std::stod(row[1]) * kRate - size / 2.0) / static_cast<double>(hop));
    ASSERT_TRUE(history.Append(index));
    int16_t* levels = history.Row(index, 0);
    for (int b = 0; b < bins; ++b) levels[b] = SpectrogramHistory::Quantise(std::stod(row[2 + b]));
  }
  ASSERT_GT(history.End(), static_cast<int64_t>(seconds * kRate / hop) - 8);
  for (const int rows : {180, 300, 420}) {
    SCOPED_TRACE(testing::Message() << rows << " rows");
    SpectrogramRasterSettings s;
    s.rate = kRate;
    s.fftSize = size;
    s.hop = hop;
    s.columns = 400;
    s.rows = rows;
    s.spanSeconds = seconds;
    s.logAxis = true;
    SpectrogramRaster raster(s);
    std::vector<int16_t> levels(rows);
    const double binHz = static_cast<double>(kRate) / size;
    int checked = 0;
    for (int64_t col = 0; col < raster.EndColumn(history); ++col) {
      const double t = raster.ColumnSeconds(col);
      const double f = frequencyAt(t);
      // Away from the ends, where windows hold the chirp's start or its end, and from the lowest
      // bins, where a tone meets its own mirror image.
      if (t < 0.3 || t > seconds - 0.3 || f < 4 * binHz) continue;
      if (raster.DrawColumn(history, 0, col, levels.data()) != kColumnMeasured) continue;
      const int16_t peak = *std::max_element(levels.begin(), levels.end());
      int top = rows, bottom = -1;
      for (int row = 0; row < rows; ++row) {
        if (levels[row] == peak) {
          top = std::min(top, row);
          bottom = std::max(bottom, row);
        }
      }
      const int want = raster.RowOf(f);
      const int distance = want < top ? top - want : want > bottom ? want - bottom : 0;
      EXPECT_LE(distance, 1) << "at " << t << " s, " << f << " Hz: ridge rows " << top << ".."
                             << bottom << ", frequency row " << want;
      ++checked;
    }
    EXPECT_GT(checked, 200);
  }
}
