#pragma once

#include <cstdint>
#include <vector>

#include "analysis/spectrogram_history.h"

// Transforms [first, last) that one pixel column shows.
struct TransformRange {
  int64_t first = 0;
  int64_t last = 0;
};

// Bins [first, last) that one pixel row shows.
struct BinRange {
  int first = 0;
  int last = 0;
};

// What a pixel column holds: nothing kept there, only lost transforms, measured transforms
// among lost ones, or measured transforms only.
enum SpectrogramColumnState {
  kColumnEmpty = 0,
  kColumnLost = 1,
  kColumnPartial = 2,
  kColumnMeasured = 3
};

// How a spectrogram picture of a given size and time span covers the transforms and bins.
struct SpectrogramRasterSettings {
  int rate = 48000;  // hertz
  int fftSize = 8192;
  int hop = 2048;
  int columns = 600;  // pixel columns across the time span
  int rows = 300;     // pixel rows from half the rate (row 0) down to the lowest frequency
  double spanSeconds = 10;
  bool logAxis = false;  // from 20 Hz (or one bin) up, as the large spectrum's log axis
};

// Pixel column c (counted from transform 0, so the picture can scroll by whole columns) stands
// for the transforms whose windows start in its share of time. With more transforms than
// columns a column shows the largest level of each bin over its transforms, none skipped; with
// fewer, neighbouring columns repeat one transform, never a level between two. A row shows the
// largest level of the bins whose centres fall into it, or the one nearest its centre when none
// does. Scratch space is allocated by the constructor; drawing a column allocates nothing.
class SpectrogramRaster {
 public:
  explicit SpectrogramRaster(const SpectrogramRasterSettings& settings);

  const SpectrogramRasterSettings& Settings() const { return m_settings; }
  int Rows() const { return m_settings.rows; }
  int Columns() const { return m_settings.columns; }

  TransformRange ColumnTransforms(int64_t column) const;
  // The column that shows transform index (the first of them when it is stretched).
  int64_t ColumnOf(int64_t transform) const;
  // One past the newest column whose transforms the history holds all of (measured or lost).
  int64_t EndColumn(const SpectrogramHistory& history) const;
  const BinRange& RowBins(int row) const { return m_rowBins[row]; }

  // The frequency range of a row in hertz (low edge, high edge) and its centre on the axis.
  double RowLow(int row) const;
  double RowHigh(int row) const { return RowLow(row - 1); }
  double RowCentre(int row) const;
  // The row showing frequency hz (may lie outside 0 .. rows - 1 beyond the axis).
  int RowOf(double hz) const;
  // Position 0 (bottom) .. 1 (top) of hz on the axis, and the axis ends.
  double AxisPosition(double hz) const;
  double AxisLow() const { return m_dLow; }
  double AxisHigh() const { return m_dHigh; }
  // The time a column stands for: the centre of its transforms' windows, seconds from frame 0.
  double ColumnSeconds(int64_t column) const;

  // Writes the column's level of each row (top row first, kLevelMin where nothing was measured)
  // and says what the column holds.
  SpectrogramColumnState DrawColumn(const SpectrogramHistory& history, int channel, int64_t column,
                                    int16_t* rowLevels);

 private:
  SpectrogramRasterSettings m_settings;
  uint64_t m_nNum = 1;  // transforms a column: m_nNum / m_nDen
  uint64_t m_nDen = 1;
  double m_dLow = 0;
  double m_dHigh = 0;
  std::vector<BinRange> m_rowBins;
  std::vector<int16_t> m_binMax;
};

// What the picture shows under the mouse.
struct SpectrogramReadout {
  bool valid = false;    // a measured level lies under the point
  double seconds = 0;    // the column's time, from frame 0
  double frequency = 0;  // the row's centre, hertz
  double level = 0;      // decibels in the history's unit
  SpectrogramColumnState state = kColumnEmpty;
};

// The readout at pixel column `column` (as the raster numbers them) and row `row` (0 on top).
SpectrogramReadout ReadSpectrogram(const SpectrogramRaster& raster,
                                   const SpectrogramHistory& history, int channel, int64_t column,
                                   int row);
