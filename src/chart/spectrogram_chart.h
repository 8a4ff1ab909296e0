#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/chart_ctrl.h"

// One point of the spectrogram as the readout gives it.
struct SpectrogramPoint {
  double seconds = 0;    // from the start of the input
  double frequency = 0;  // hertz
  double level = 0;      // decibels in the colour bar's unit
};

// What the spectrogram picture draws from: pixel columns numbered from the start of the input,
// so that the picture scrolls by whole columns and each is drawn once.
class SpectrogramColumnSource {
 public:
  virtual ~SpectrogramColumnSource() = default;
  // The column's pixels, 0xFFRRGGBB, top row first.
  virtual void ColumnPixels(int64_t column, uint32_t* pixels, int rows) = 0;
  // The point under column and row; false where nothing was measured.
  virtual bool Readout(int64_t column, int row, SpectrogramPoint& point) const = 0;
};

// What the axes and the colour bar of a spectrogram say.
struct SpectrogramAxes {
  double lowHz = 0;  // the bottom row's lower edge
  double highHz = 24000;
  bool logAxis = false;
  double spanSeconds = 10;
  double dbBottom = -120;
  double dbTop = 0;
  std::string unit = "dBFS";
  std::vector<uint32_t> barColors;  // the colour bar from its bottom to its top, 0xFFRRGGBB
};

// A frequency grid line at axis position 0 (bottom) .. 1 (top), labelled or not.
struct FrequencyLine {
  double position;
  std::string label;
};

// The frequency grid of a spectrogram: decades and their 2 .. 9 on a log axis, steps of 1, 2 or
// 5 × 10^n hertz giving at most maxLines lines on a linear one.
std::vector<FrequencyLine> SpectrogramFrequencyLines(const SpectrogramAxes& axes, int maxLines);
// Colour-bar labels: levels at steps of 1, 2 or 5 × 10^n dB, at most maxLabels of them.
std::vector<double> ColorBarTicks(double bottomDb, double topDb, int maxLabels);

// Where a picture whose newest column is end - 1 at the plot's right edge shows column and row
// for client pixel (x, y); false outside the plot.
struct SpectrogramCell {
  int64_t column = 0;
  int row = 0;
};
bool SpectrogramCellAt(int x, int y, const DcRect& plot, int64_t end, SpectrogramCell& cell);
// "12.35 s  1.25k Hz  -43.2 dBFS", or the time and frequency and "no data".
std::string FormatSpectrogramReadout(const SpectrogramPoint& point, bool measured,
                                     const std::string& unit);

// The spectrogram chart: time across (the newest column at the right edge), frequency up, level
// as colour, with the chart's frame, grid and labels and a colour bar at the right. The picture
// is an image kept between refreshes with each pixel column at its column number modulo the
// width: ShowColumns draws only the columns that are new since the last call, and painting
// copies the image in two parts, so a refresh costs the same whatever the time span.
class SpectrogramChart : public ChartCtrl {
 public:
  static constexpr int kBarMargin = 80;  // room right of the plot for the colour bar

  SpectrogramChart();

  void SetSource(SpectrogramColumnSource* source);
  // New axes redraw the labels and the whole picture.
  void SetAxes(const SpectrogramAxes& axes);
  const SpectrogramAxes& Axes() const { return m_axes; }

  // The pixel columns and rows of the picture: the plot, less the colour bar's room.
  int PictureColumns() const;
  int PictureRows() const { return std::max(m_plotRect.Height(), 1); }

  // Shows columns up to end - 1 at the right edge, drawing those not yet drawn (all of them
  // after SetAxes, a resize, or an end earlier than the last: scrolling back). Returns how many
  // were drawn.
  int ShowColumns(int64_t end);
  int64_t EndColumn() const { return m_nEnd; }
  // The picture as kept: column c at x = c mod width.
  const QImage* Picture() const { return m_picture.Image(); }

 protected:
  void DrawBackground(DeviceContext& dc) override;
  void DrawSeries(DeviceContext& dc) override;
  void DrawGrid(DeviceContext& dc) override;
  void DrawLabels(DeviceContext& dc) override;
  void DrawCursor(DeviceContext& dc) override;

 private:
  void DrawGridLines(DeviceContext& dc);
  // Takes the colour bar's room from the plot the chart made.
  void FitPlot();

  SpectrogramColumnSource* m_pSource = nullptr;
  SpectrogramAxes m_axes;
  DcBitmap m_picture;
  std::vector<uint32_t> m_column;
  int64_t m_nEnd = 0;
  bool m_bPictureValid = false;
};
