#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/complex.h"
#include "view/display_modes.h"

class AppState;
class ChartCtrl;

// The lines that open a CSV file, each written as "# name: value", in order.
using CsvMetadata = std::vector<std::pair<std::string, std::string>>;

// What a display shows, column by column: a column shorter than the others (an unfilled
// waterfall curtain has no values at all) leaves its cells empty.
struct CsvTable {
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;
  // Lines the table adds to the metadata (the unit of the curtain columns).
  CsvMetadata notes;
};

// A value in the shortest form that reads back as exactly the same double, with '.' as the
// decimal point whatever the locale; "nan", "inf" and "-inf" for the values that are no number.
std::string FormatCsvNumber(double value);

// Date and time in ISO 8601 for the given local time and its offset from UTC in seconds:
// "2026-12-08T19:05:42+01:00".
std::string FormatIsoTime(const std::tm& local, long utcOffsetSeconds);
// The current local time in that form.
std::string CurrentIsoTime();

// The metadata lines alone, "# name: value" each.
std::string FormatCsvComments(const CsvMetadata& metadata);
// The whole file: the metadata lines, one header row, then one row per point; ',' between
// cells, LF at every line's end.
std::string FormatCsv(const CsvMetadata& metadata, const CsvTable& table);

// The column names of display mode analysis (0 spectrum .. 5 power spectrum): the x column and
// the value of one chart, e.g. "frequency_hz" and "level_db".
struct CsvQuantities {
  const char* x;
  const char* y;
};
CsvQuantities CsvQuantitiesOf(int analysis);

// The table of what the charts of a display hold, in the values they were given. analysis is
// 0..5, threeD the waterfall, charts 1 or 2 (left above right). In 2-D: the x column and one
// value column per chart ("time_ms,left_mv,right_mv"; a single chart's column is unprefixed),
// and "x,y" for the Lissajous figure. In 3-D: the x column of the newest curtain, then one
// column per curtain, newest first ("frame_0".."frame_23", prefixed "left_"/"right_" with two
// charts); the Lissajous figure, whose x differs from curtain to curtain, gives an x and a y
// column per curtain ("frame_0_x,frame_0_y,...").
CsvTable DisplayedTable(int analysis, bool threeD, const ChartCtrl* const* charts, int chartCount);

// Every bin of the spectrum analyser's transform of `size` points at `rate`, for the 2-D
// spectrum (analysis 0), phase (1) and power spectrum (5) with an FFT size chosen: the chart
// draws a point a pixel column, the file holds them all, each channel's value on the row of its
// own bin. Levels in the displayed unit: the linear scale relative to the channel's largest
// averaged bin, dBFS or dBV (a silent bin, at the level floor, is -inf). The peak-hold and
// minimum-hold traces, when given, follow as columns of their own ("left_amplitude_peak_hold").
struct SpectrumBinsInput {
  int analysis = 0;
  double rate = 44100;
  int size = 0;
  int channels = 1;
  const double* average[2] = {nullptr, nullptr};  // powers, size / 2 + 1
  const double* peak[2] = {nullptr, nullptr};
  const double* minimum[2] = {nullptr, nullptr};
  const Complex* bins[2] = {nullptr, nullptr};  // for the phase
  bool decibels = false;
  bool dbv = false;
  double reference = 32768;  // full scale, or counts a volt for dBV
};
CsvTable SpectrumBinsTable(const SpectrumBinsInput& in);

// A level in decibels as the file writes it: the floor of a silent bin as -inf.
double CsvLevelDb(double db);

// The metadata of a CSV export for the application's state now: program and version, date and
// time, mode, acquisition settings, switches, FFT size, the display, then the lines of the
// registered settings sources and those of the other sources.
CsvMetadata CollectCsvMetadata(const AppState& app, const std::string& isoTime);

// A further source of metadata lines (a feature with options of its own in force registers one
// once); called after the built-in lines, in the order registered.
using CsvMetadataSource = std::function<void(const AppState& app, CsvMetadata& metadata)>;
void AddCsvMetadataSource(CsvMetadataSource source);
// A source of the settings that shape every display (the spectrum analyser's, the trigger's),
// registered once at start: its lines follow the built-in ones, before any other source's,
// in the order registered.
void AddCsvSettingsSource(CsvMetadataSource source);
