#include "view/csv_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <numbers>

#include "acquisition/app_state.h"
#include "analysis/spectrum_levels.h"
#include "chart/chart_ctrl.h"
#include "platform/command_ids.h"

namespace {

constexpr char kProgram[] = "Aurivue Version 2.0";
constexpr int kCurtains = 24;

struct Sources {
  std::mutex mutex;
  std::vector<CsvMetadataSource> settings;
  std::vector<CsvMetadataSource> list;
};

Sources& TheSources() {
  static Sources sources;
  return sources;
}

std::string Whole(long long value) { return std::to_string(value); }

const char* WindowName(int window) {
  switch (window) {
    case 1:
      return "rectangle";
    case 2:
      return "triangular";
    case 3:
      return "Hanning";
    case 4:
      return "Hamming";
    case 5:
      return "Blackman";
    default:
      return "unknown";
  }
}

const char* FilterName(int filter) {
  switch (filter) {
    case 1:
      return "all pass";
    case 2:
      return "low pass";
    case 3:
      return "high pass";
    default:
      return "unknown";
  }
}

// Points of serie s of chart as one x and one y column.
void TakeSerie(const ChartCtrl& chart, int serie, std::vector<double>* x, std::vector<double>* y) {
  const GivenPoints p = chart.GetGivenPoints(serie);
  if (x != nullptr) x->assign(p.x, p.x + p.count);
  // A log frequency axis is given log10 of the frequency: the file keeps its hertz.
  if (x != nullptr && chart.IsLogX()) {
    for (double& v : *x) v = std::pow(10.0, v);
  }
  if (y != nullptr) y->assign(p.y, p.y + p.count);
}

}  // namespace

std::string FormatCsvNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

std::string FormatIsoTime(const std::tm& local, long utcOffsetSeconds) {
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
  // Offsets on Earth stay within a day; anything else is no offset to write.
  const int minutes = static_cast<int>(std::min(std::labs(utcOffsetSeconds), 86399L) / 60);
  char offset[16];
  std::snprintf(offset, sizeof offset, "%c%02d:%02d", utcOffsetSeconds < 0 ? '-' : '+',
                minutes / 60, minutes % 60);
  return std::string(stamp) + offset;
}

std::string CurrentIsoTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatIsoTime(local, local.tm_gmtoff);
}

std::string FormatCsvComments(const CsvMetadata& metadata) {
  std::string text;
  for (const auto& line : metadata) text += "# " + line.first + ": " + line.second + "\n";
  return text;
}

std::string FormatCsv(const CsvMetadata& metadata, const CsvTable& table) {
  std::string text = FormatCsvComments(metadata) + FormatCsvComments(table.notes);
  for (size_t c = 0; c < table.names.size(); ++c) {
    if (c > 0) text += ',';
    text += table.names[c];
  }
  text += '\n';
  size_t rows = 0;
  for (const std::vector<double>& column : table.columns) rows = std::max(rows, column.size());
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < table.columns.size(); ++c) {
      if (c > 0) text += ',';
      if (r < table.columns[c].size()) text += FormatCsvNumber(table.columns[c][r]);
    }
    text += '\n';
  }
  return text;
}

CsvQuantities CsvQuantitiesOf(int analysis) {
  switch (analysis) {
    case 0:
      return {"frequency_hz", "amplitude"};
    case 1:
      return {"frequency_hz", "phase_deg"};
    case 2:
      return {"time_ms", "mv"};
    case 3:
      return {"x", "y"};
    case 4:
      return {"time_ms", "coefficient"};
    default:
      return {"frequency_hz", "level_db"};
  }
}

CsvTable DisplayedTable(int analysis, bool threeD, const ChartCtrl* const* charts, int chartCount) {
  CsvTable table;
  const CsvQuantities q = CsvQuantitiesOf(analysis);
  chartCount = std::clamp(chartCount, 1, 2);
  static const char* const kSides[] = {"left_", "right_"};
  auto prefix = [&](int chart) { return chartCount == 2 ? std::string(kSides[chart]) : ""; };
  if (analysis == 3) chartCount = 1;  // the figure is one chart of both channels
  if (!threeD) {
    if (analysis == 3) {
      table.names = {q.x, q.y};
      table.columns.resize(2);
      TakeSerie(*charts[0], 0, &table.columns[0], &table.columns[1]);
      return table;
    }
    table.names.push_back(q.x);
    table.columns.emplace_back();
    TakeSerie(*charts[0], 0, &table.columns[0], nullptr);
    for (int c = 0; c < chartCount; ++c) {
      table.names.push_back(prefix(c) + q.y);
      table.columns.emplace_back();
      TakeSerie(*charts[c], 0, nullptr, &table.columns.back());
    }
    return table;
  }
  if (analysis == 3) {
    for (int k = 0; k < kCurtains; ++k) {
      table.names.push_back("frame_" + Whole(k) + "_x");
      table.names.push_back("frame_" + Whole(k) + "_y");
      table.columns.emplace_back();
      table.columns.emplace_back();
      std::vector<double>& y = table.columns.back();
      TakeSerie(*charts[0], k, &table.columns[table.columns.size() - 2], &y);
    }
    table.notes.emplace_back(
        "frame_values", "x and y of each curtain as drawn: the figure moved by 1 along both axes");
    return table;
  }
  table.names.push_back(q.x);
  table.columns.emplace_back();
  TakeSerie(*charts[0], 0, &table.columns[0], nullptr);
  std::string units;
  for (int c = 0; c < chartCount; ++c) {
    for (int k = 0; k < kCurtains; ++k) {
      table.names.push_back(prefix(c) + "frame_" + Whole(k));
      table.columns.emplace_back();
      TakeSerie(*charts[c], k, nullptr, &table.columns.back());
    }
    if (c > 0) units += ", ";
    units += prefix(c) + q.y;
  }
  table.notes.emplace_back("frame_values", units);
  return table;
}

double CsvLevelDb(double db) {
  return db <= kLevelFloorDb ? -std::numeric_limits<double>::infinity() : db;
}

CsvTable SpectrumBinsTable(const SpectrumBinsInput& in) {
  CsvTable table;
  if (in.size < 2) return table;
  const int half = in.size / 2;
  const CsvQuantities q = CsvQuantitiesOf(in.analysis);
  const int channels = std::clamp(in.channels, 1, 2);
  static const char* const kSides[] = {"left_", "right_"};
  auto prefix = [&](int c) { return channels == 2 ? std::string(kSides[c]) : std::string(); };
  table.names.push_back(q.x);
  std::vector<double> x(static_cast<std::size_t>(half) + 1);
  for (int k = 0; k <= half; ++k) x[k] = k * in.rate / in.size;
  table.columns.push_back(std::move(x));
  const double degrees = 180.0 / std::numbers::pi;
  // One column of trace t (0 average, 1 peak hold, 2 minimum hold) of channel c.
  auto column = [&](int c, const double* trace) {
    std::vector<double> v(static_cast<std::size_t>(half) + 1);
    double norm = 0;
    if (!in.decibels) {
      double largest = 0;
      for (int k = 0; k <= half; ++k) largest = std::max(largest, in.average[c][k]);
      norm = largest > 0 ? 1.0 / std::sqrt(largest) : 0.0;
    }
    for (int k = 0; k <= half; ++k) {
      if (in.analysis == 1) {
        v[k] = std::atan2(in.bins[c][k].im, in.bins[c][k].re) * degrees;
      } else if (in.decibels) {
        v[k] = CsvLevelDb(PowerToDb(in.dbv ? trace[k] / 2.0 : trace[k], in.reference));
      } else {
        v[k] = std::sqrt(trace[k]) * norm;
      }
    }
    return v;
  };
  for (int c = 0; c < channels; ++c) {
    if (in.analysis == 1 ? in.bins[c] == nullptr : in.average[c] == nullptr) return CsvTable();
    table.names.push_back(prefix(c) + q.y);
    table.columns.push_back(column(c, in.average[c]));
  }
  if (in.analysis != 1) {
    for (int c = 0; c < channels; ++c) {
      if (in.peak[c] == nullptr) continue;
      table.names.push_back(prefix(c) + q.y + "_peak_hold");
      table.columns.push_back(column(c, in.peak[c]));
    }
    for (int c = 0; c < channels; ++c) {
      if (in.minimum[c] == nullptr) continue;
      table.names.push_back(prefix(c) + q.y + "_minimum_hold");
      table.columns.push_back(column(c, in.minimum[c]));
    }
  }
  return table;
}

CsvMetadata CollectCsvMetadata(const AppState& app, const std::string& isoTime) {
  CsvMetadata m;
  m.emplace_back("program", kProgram);
  m.emplace_back("date", isoTime);
  m.emplace_back("mode", Whole(app.m_nDisplayMode) + " " + DisplayModeName(app.m_nDisplayMode));
  m.emplace_back("rate_hz", Whole(app.m_nSampleRate));
  m.emplace_back("bits", Whole(app.m_nBits));
  m.emplace_back("channels", Whole(app.m_nChannels));
  m.emplace_back("smoothing_window", WindowName(app.m_nFFTWindow));
  m.emplace_back("filter", FilterName(app.m_nFilterType));
  m.emplace_back("filter_corner_hz", Whole(app.m_nFreqPoint));
  m.emplace_back("volts_calibration_counts_per_volt", Whole(app.m_nVoltValue));
  m.emplace_back("time_base_ms_per_div", FormatCsvNumber(app.m_fTimeBase));
  // The switches keep half the figure of their labels; a division shows the whole figure.
  m.emplace_back("left_scale_mv_per_div", FormatCsvNumber(2.0 * app.m_fLeftScale));
  m.emplace_back("right_scale_mv_per_div", FormatCsvNumber(2.0 * app.m_fRightScale));
  m.emplace_back("fft_size", Whole(app.m_nFftSize));
  m.emplace_back("display", app.m_bLive ? "Live" : "Classic");
  if (app.m_bLive) m.emplace_back("curtains_per_second", Whole(app.m_nCurtainRate));
  std::vector<CsvMetadataSource> sources;
  {
    Sources& s = TheSources();
    std::lock_guard<std::mutex> lock(s.mutex);
    sources = s.settings;
    sources.insert(sources.end(), s.list.begin(), s.list.end());
  }
  for (const CsvMetadataSource& source : sources) source(app, m);
  return m;
}

void AddCsvSettingsSource(CsvMetadataSource source) {
  Sources& s = TheSources();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.settings.push_back(std::move(source));
}

void AddCsvMetadataSource(CsvMetadataSource source) {
  Sources& s = TheSources();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.list.push_back(std::move(source));
}
