// The CSV export's formatting: numbers that read back exactly, the time stamp, the layout of
// the file, the tables of every display and the metadata lines.
#include "view/csv_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>

#include "acquisition/app_state.h"
#include "analysis/trigger_state.h"
#include "chart/chart_3d_ctrl.h"
#include "chart/chart_ctrl.h"
#include "view/trigger_control.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, ',')) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

// A chart with count points of value y(serie, i) at x(i), set far outside its range.
void Fill(ChartCtrl& chart, int series, int count, double (*x)(int), double (*y)(int, int)) {
  chart.SetSeriesCount(series);
  ASSERT_TRUE(chart.AllocSeries(count));
  chart.SetRange(0, 1, 0, 1);
  for (int s = 0; s < series; ++s) {
    for (int i = 0; i < count; ++i) chart.SetPoint(x(i), y(s, i), i, s);
  }
}

double XOf(int i) { return 0.1 * i + 1e-3; }
double YOf(int s, int i) { return -1000.0 / 3 * (s + 1) + i; }

}  // namespace

TEST(CsvNumberTest, EveryDoubleReadsBackExactlyInAnyLocale) {
  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> spread(-1e6, 1e6);
  std::vector<double> values = {0.0,  -0.0,    1.0 / 3, 0.1, 1e-300, 5e-324, 1.7976931348623157e308,
                                -2.5, 32767.0, 1e22};
  for (int i = 0; i < 2000; ++i) values.push_back(spread(random) * std::pow(10, i % 40 - 20));
  for (double v : values) {
    const std::string text = FormatCsvNumber(v);
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    EXPECT_LE(text.size(), 24u) << text;
  }
  EXPECT_EQ(FormatCsvNumber(0.5), "0.5");
  EXPECT_EQ(FormatCsvNumber(-250), "-250");
  EXPECT_EQ(FormatCsvNumber(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(FormatCsvNumber(-std::numeric_limits<double>::infinity()), "-inf");
  // A locale with a decimal comma changes nothing (where such a locale is installed).
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    EXPECT_EQ(FormatCsvNumber(0.25), "0.25");
    std::setlocale(LC_NUMERIC, "C");
  }
}

TEST(CsvNumberTest, IsoTimeCarriesTheOffsetInHoursAndMinutes) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  EXPECT_EQ(FormatIsoTime(t, 0), "2026-12-08T09:05:07+00:00");
  EXPECT_EQ(FormatIsoTime(t, 3600), "2026-12-08T09:05:07+01:00");
  EXPECT_EQ(FormatIsoTime(t, -(5 * 3600 + 30 * 60)), "2026-12-08T09:05:07-05:30");
  const std::string now = CurrentIsoTime();
  ASSERT_EQ(now.size(), 25u) << now;
  EXPECT_EQ(now[10], 'T');
  EXPECT_TRUE(now[19] == '+' || now[19] == '-') << now;
}

TEST(CsvLayoutTest, CommentsThenOneHeaderRowThenRowsWithEmptyCellsForShortColumns) {
  CsvTable table;
  table.names = {"x", "a", "b"};
  table.columns = {{1, 2, 3}, {0.5, 0.25}, {}};
  table.notes = {{"frame_values", "mv"}};
  const std::string text = FormatCsv({{"program", "P"}, {"rate_hz", "44100"}}, table);
  EXPECT_EQ(text,
            "# program: P\n# rate_hz: 44100\n# frame_values: mv\nx,a,b\n1,0.5,\n2,0.25,\n3,,\n");
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(CsvTableTest, TwoDimensionalTablesNameTheirUnitsAndKeepTheGivenValues) {
  struct Case {
    int analysis;
    int charts;
    std::vector<std::string> header;
  };
  const Case cases[] = {
      {0, 2, {"frequency_hz", "left_amplitude", "right_amplitude"}},
      {1, 2, {"frequency_hz", "left_phase_deg", "right_phase_deg"}},
      {2, 2, {"time_ms", "left_mv", "right_mv"}},
      {2, 1, {"time_ms", "mv"}},
      {0, 1, {"frequency_hz", "amplitude"}},
      {3, 1, {"x", "y"}},
      {4, 1, {"time_ms", "coefficient"}},
      {5, 1, {"frequency_hz", "level_db"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.analysis * 10 + c.charts);
    ChartCtrl top, bottom;
    Fill(top, 1, 5, XOf, YOf);
    Fill(bottom, 1, 5, XOf, [](int, int i) { return 7.0 * i - 0.1; });
    const ChartCtrl* charts[] = {&top, &bottom};
    const CsvTable table = DisplayedTable(c.analysis, false, charts, c.charts);
    EXPECT_EQ(table.names, c.header);
    ASSERT_EQ(table.columns.size(), c.header.size());
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(table.columns[0][static_cast<size_t>(i)], XOf(i));
      EXPECT_EQ(table.columns[1][static_cast<size_t>(i)], YOf(0, i));
      if (c.charts == 2) {
        EXPECT_EQ(table.columns[2][static_cast<size_t>(i)], 7.0 * i - 0.1);
      }
    }
    // The values really are outside the range the chart drew them in.
    EXPECT_LT(top.GetGivenPoints(0).y[0], top.GetYMin());
  }
}

TEST(CsvTableTest, WaterfallTablesHoldEveryCurtainNewestFirstAndLeaveUnfilledOnesEmpty) {
  Chart3DCtrl top, bottom;
  for (Chart3DCtrl* chart : {&top, &bottom}) {
    chart->SetSeriesCount(24);
    ASSERT_TRUE(chart->AllocSeries(4));
    chart->Set3DRange(0, 1, 0, 1, 0, 24);
  }
  // Five passes: frame f holds 1000 f + i (left) and -(1000 f + i) (right).
  for (int f = 1; f <= 5; ++f) {
    for (int i = 0; i < 4; ++i) {
      top.SetPoint(0.5 * i, 1000.0 * f + i, i, 0);
      bottom.SetPoint(0.5 * i, -(1000.0 * f + i), i, 0);
    }
    top.ShiftHistory();
    bottom.ShiftHistory();
  }
  const ChartCtrl* charts[] = {&top, &bottom};
  const CsvTable one = DisplayedTable(5, true, charts, 1);
  ASSERT_EQ(one.names.size(), 25u);
  EXPECT_EQ(one.names[0], "frequency_hz");
  EXPECT_EQ(one.names[1], "frame_0");
  EXPECT_EQ(one.names[24], "frame_23");
  ASSERT_EQ(one.notes.size(), 1u);
  EXPECT_EQ(one.notes[0].second, "level_db");
  // Curtain 0 and its copy behind it hold the newest frame, then each older one in turn.
  const int frameOf[] = {5, 5, 4, 3, 2, 1};
  for (int k = 0; k < 24; ++k) {
    const std::vector<double>& column = one.columns[static_cast<size_t>(k) + 1];
    if (k >= 6) {
      EXPECT_TRUE(column.empty()) << k;
      continue;
    }
    ASSERT_EQ(column.size(), 4u) << k;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(column[static_cast<size_t>(i)], 1000.0 * frameOf[k] + i);
  }
  const std::string text = FormatCsv({}, one);
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 6u);  // note, header, four rows
  const std::vector<std::string> row = Cells(lines[2]);
  ASSERT_EQ(row.size(), 25u);
  EXPECT_EQ(row[1], "5000");
  EXPECT_EQ(row[7], "");

  const CsvTable two = DisplayedTable(2, true, charts, 2);
  ASSERT_EQ(two.names.size(), 49u);
  EXPECT_EQ(two.names[0], "time_ms");
  EXPECT_EQ(two.names[1], "left_frame_0");
  EXPECT_EQ(two.names[25], "right_frame_0");
  EXPECT_EQ(two.notes[0].second, "left_mv, right_mv");
  EXPECT_EQ(two.columns[25][1], -5001.0);
  EXPECT_EQ(two.columns[29][3], -(1000.0 * 2 + 3));
  EXPECT_TRUE(two.columns[48].empty());
}

TEST(CsvTableTest, WaterfallLissajousGivesEachCurtainItsOwnXAndY) {
  Chart3DCtrl chart;
  chart.SetSeriesCount(24);
  ASSERT_TRUE(chart.AllocSeries(3));
  chart.Set3DRange(0, 2, 0, 2, 0, 24);
  for (int f = 1; f <= 2; ++f) {
    for (int i = 0; i < 3; ++i) chart.SetPoint(f + 0.25 * i, -f - 0.5 * i, i, 0);
    chart.ShiftHistory();
  }
  const ChartCtrl* charts[] = {&chart, &chart};
  const CsvTable table = DisplayedTable(3, true, charts, 2);
  ASSERT_EQ(table.names.size(), 48u);
  EXPECT_EQ(table.names[0], "frame_0_x");
  EXPECT_EQ(table.names[1], "frame_0_y");
  EXPECT_EQ(table.names[47], "frame_23_y");
  EXPECT_EQ(table.columns[0][2], 2.5);   // newest
  EXPECT_EQ(table.columns[5][1], -1.5);  // curtain 2: the first frame
  EXPECT_TRUE(table.columns[6].empty());
}

TEST(CsvMetadataTest, NamesEverySettingInOrderAndTakesRegisteredLines) {
  AppState app;
  app.m_nDisplayMode = 613;
  app.m_nSampleRate = 48000;
  app.m_nBits = 16;
  app.m_nChannels = 2;
  app.m_nFFTWindow = 3;
  app.m_nFilterType = 2;
  app.m_nFreqPoint = 1200;
  app.m_nVoltValue = 32000;
  app.m_fTimeBase = 5;
  app.m_fLeftScale = 2.5f;
  app.m_fRightScale = 250;
  app.m_nFftSize = 512;
  app.m_bLive = 1;
  app.m_nCurtainRate = 20;
  static bool once = false;
  if (!once) {
    once = true;
    AddCsvMetadataSource([](const AppState& a, CsvMetadata& m) {
      m.emplace_back("trigger", a.m_bLive ? "armed" : "off");
    });
  }
  const CsvMetadata m = CollectCsvMetadata(app, "2026-12-08T10:00:00+00:00");
  const CsvMetadata expected = {{"program", "Aurivue Version 2.0"},
                                {"date", "2026-12-08T10:00:00+00:00"},
                                {"mode", "613 3-D Lissajous"},
                                {"rate_hz", "48000"},
                                {"bits", "16"},
                                {"channels", "2"},
                                {"smoothing_window", "Hanning"},
                                {"filter", "low pass"},
                                {"filter_corner_hz", "1200"},
                                {"volts_calibration_counts_per_volt", "32000"},
                                {"time_base_ms_per_div", "5"},
                                {"left_scale_mv_per_div", "5"},
                                {"right_scale_mv_per_div", "500"},
                                {"fft_size", "512"},
                                {"display", "Live"},
                                {"curtains_per_second", "20"},
                                {"trigger", "armed"}};
  EXPECT_EQ(m, expected);
  app.m_bLive = 0;
  const CsvMetadata classic = CollectCsvMetadata(app, "");
  ASSERT_GE(classic.size(), 2u);
  EXPECT_EQ(classic[classic.size() - 2],
            (std::pair<std::string, std::string>("display", "Classic")));
  EXPECT_EQ(classic.back().second, "off");
  EXPECT_EQ(DisplayModeName(600), "2-D Spectrum");
  EXPECT_EQ(DisplayModeName(615), "3-D Power Spectrum");
}

// The lines of the settings that shape every display follow the built-in lines, before those of
// any other source, whenever either was registered.
TEST(CsvMetadataTest, SettingsLinesComeBeforeTheOtherSources) {
  static bool once = false;
  if (!once) {
    once = true;
    // Only for a filter no setting has, so that the other tests' lines stay as they are.
    AddCsvMetadataSource([](const AppState& a, CsvMetadata& m) {
      if (a.m_nFilterType == 77) m.emplace_back("other", "1");
    });
    AddCsvSettingsSource([](const AppState& a, CsvMetadata& m) {
      if (a.m_nFilterType == 77) m.emplace_back("setting_a", "1");
    });
    AddCsvSettingsSource([](const AppState& a, CsvMetadata& m) {
      if (a.m_nFilterType == 77) m.emplace_back("setting_b", "2");
    });
  }
  struct Case {
    bool live;
    const char* before;  // the built-in line the settings' lines follow
  };
  const Case cases[] = {{false, "display"}, {true, "curtains_per_second"}};
  for (const Case& c : cases) {
    AppState app;
    app.m_nFilterType = 77;
    app.m_bLive = c.live ? 1 : 0;
    const CsvMetadata m = CollectCsvMetadata(app, "");
    std::vector<std::string> names;
    for (const auto& line : m) names.push_back(line.first);
    const auto at = std::find(names.begin(), names.end(), c.before);
    ASSERT_NE(at, names.end());
    const std::vector<std::string> after(at, names.end());
    ASSERT_GE(after.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 3),
              (std::vector<std::string>{c.before, "setting_a", "setting_b"}));
    EXPECT_NE(std::find(after.begin(), after.end(), "other"), after.end());
  }
}

TEST(CsvTableTest, ALogFrequencyAxisIsWrittenInHertz) {
  ChartCtrl chart;
  ASSERT_TRUE(chart.AllocSeries(3));
  chart.SetRange(1, 5, -140, 0);
  chart.SetLogX(true);
  for (int i = 0; i < 3; ++i) chart.SetPoint(2.0 + i, -10.0 * i, i, 0);
  const ChartCtrl* charts[] = {&chart, &chart};
  const CsvTable table = DisplayedTable(0, false, charts, 1);
  ASSERT_EQ(table.columns.size(), 2u);
  EXPECT_NEAR(table.columns[0][0], 100, 1e-9);
  EXPECT_NEAR(table.columns[0][2], 10000, 1e-7);
  EXPECT_EQ(table.columns[1][1], -10);
}

TEST(CsvSpectrumBinsTest, EveryBinOnTheRowOfItsOwnFrequencyInTheDisplayedUnit) {
  // A 65536-point transform at 48 kHz: the left tone at bin 4000, the right one at bin 4096
  // (3000 Hz), holds above and below the average; bin 7 of the left channel silent.
  constexpr int kSize = 65536;
  constexpr int kHalf = kSize / 2;
  constexpr double kRate = 48000;
  std::vector<double> average[2], peak[2], minimum[2];
  std::vector<Complex> bins[2];
  const int toneBin[2] = {4000, 4096};
  const double toneAmplitude[2] = {32768, 3200};  // 0 dBFS; 3200 counts
  for (int c = 0; c < 2; ++c) {
    average[c].assign(kHalf + 1, 1.0);  // one count squared: -90.3 dBFS
    average[c][toneBin[c]] = toneAmplitude[c] * toneAmplitude[c];
    peak[c] = average[c];
    minimum[c] = average[c];
    for (double& p : peak[c]) p *= 4;     // +6.02 dB
    for (double& p : minimum[c]) p /= 4;  // -6.02 dB
    bins[c].assign(kHalf + 1, Complex{1, 0});
    bins[c][toneBin[c]] = Complex{0, -2};  // -90 degrees
  }
  average[0][7] = 0;
  struct Case {
    const char* name;
    int analysis, scale;  // scale 0 linear, 1 dBFS, 2 dBV
    bool holds;
    std::vector<std::string> names;
    // The right tone's value and the left channel's at its tone, in the file's unit.
    double rightTone, leftTone, leftSilent;
  };
  const double dbfsRight = 20 * std::log10(3200.0 / 32768);
  const double dbvLeft = 20 * std::log10(32768 / std::sqrt(2.0) / 32000);
  const double minusInf = -std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"spectrum dBFS with holds",
       0,
       1,
       true,
       {"frequency_hz", "left_amplitude", "right_amplitude", "left_amplitude_peak_hold",
        "right_amplitude_peak_hold", "left_amplitude_minimum_hold", "right_amplitude_minimum_hold"},
       dbfsRight,
       0.0,
       minusInf},
      {"spectrum dBV",
       0,
       2,
       false,
       {"frequency_hz", "left_amplitude", "right_amplitude"},
       dbfsRight + dbvLeft,
       dbvLeft,
       minusInf},
      {"spectrum linear with holds",
       0,
       0,
       true,
       {"frequency_hz", "left_amplitude", "right_amplitude", "left_amplitude_peak_hold",
        "right_amplitude_peak_hold", "left_amplitude_minimum_hold", "right_amplitude_minimum_hold"},
       1.0,
       1.0,
       0.0},
      {"phase", 1, 1, true, {"frequency_hz", "left_phase_deg", "right_phase_deg"}, -90, -90, 0},
  };
  for (const Case& c : cases) {
    SpectrumBinsInput in;
    in.analysis = c.analysis;
    in.rate = kRate;
    in.size = kSize;
    in.channels = 2;
    for (int ch = 0; ch < 2; ++ch) {
      in.average[ch] = average[ch].data();
      in.peak[ch] = c.holds ? peak[ch].data() : nullptr;
      in.minimum[ch] = c.holds ? minimum[ch].data() : nullptr;
      in.bins[ch] = bins[ch].data();
    }
    in.decibels = c.scale != 0;
    in.dbv = c.scale == 2;
    in.reference = in.dbv ? 32000 : 32768;
    const CsvTable t = SpectrumBinsTable(in);
    ASSERT_EQ(t.names, c.names) << c.name;
    for (const auto& column : t.columns) ASSERT_EQ(column.size(), kHalf + 1u) << c.name;
    EXPECT_EQ(t.columns[0][toneBin[1]], 3000) << c.name;
    EXPECT_EQ(t.columns[0][kHalf], kRate / 2) << c.name;
    EXPECT_NEAR(t.columns[2][toneBin[1]], c.rightTone, 1e-9) << c.name;
    EXPECT_NEAR(t.columns[1][toneBin[0]], c.leftTone, 1e-9) << c.name;
    if (std::isinf(c.leftSilent)) {
      EXPECT_EQ(t.columns[1][7], c.leftSilent) << c.name;
    } else if (c.analysis == 0) {
      EXPECT_EQ(t.columns[1][7], c.leftSilent) << c.name;
    }
    if (c.holds && c.analysis == 0) {
      const double up = c.scale == 0 ? 2.0 : 20 * std::log10(2.0);
      const double rightTone = c.scale == 0 ? c.rightTone * 2 : c.rightTone + up;
      EXPECT_NEAR(t.columns[4][toneBin[1]], rightTone, 1e-9) << c.name;
      const double rightLow = c.scale == 0 ? c.rightTone / 2 : c.rightTone - up;
      EXPECT_NEAR(t.columns[6][toneBin[1]], rightLow, 1e-9) << c.name;
    }
  }
}

TEST(CsvSpectrumBinsTest, OneChannelIsUnprefixedAndTheFloorReadsMinusInfinity) {
  std::vector<double> average(5, 0.0);
  average[2] = 32768.0 * 32768.0;
  SpectrumBinsInput in;
  in.analysis = 5;
  in.rate = 8;
  in.size = 8;
  in.average[0] = average.data();
  in.decibels = true;
  const CsvTable t = SpectrumBinsTable(in);
  ASSERT_EQ(t.names, (std::vector<std::string>{"frequency_hz", "level_db"}));
  EXPECT_EQ(t.columns[0], (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_NEAR(t.columns[1][2], 0, 1e-12);
  EXPECT_EQ(t.columns[1][0], -std::numeric_limits<double>::infinity());
  EXPECT_EQ(CsvLevelDb(-20), -20);
  EXPECT_EQ(CsvLevelDb(-400), -std::numeric_limits<double>::infinity());
  in.average[0] = nullptr;
  EXPECT_TRUE(SpectrumBinsTable(in).names.empty()) << "nothing transformed yet";
}
