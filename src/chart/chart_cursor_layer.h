#pragma once

#include <QPoint>
#include <string>
#include <vector>

#include "analysis/cursor_math.h"
#include "platform/device_context.h"

// The four cursors of a chart.
enum ChartCursorId { kCursorX1 = 0, kCursorX2 = 1, kCursorY1 = 2, kCursorY2 = 3 };
constexpr int kChartCursorCount = 4;

// What the cursor layer needs to know of its chart at one moment: the plot rectangle, the data
// window shown, the grid, whether x holds log10 of frequencies, and the trace the vertical
// cursors track and snap to (the points of the first series as they were given).
struct CursorChartView {
  DcRect plot;
  double xmin = 0, xmax = 1, ymin = 0, ymax = 1;
  int xDivisions = 1, yDivisions = 1;
  bool logX = false;
  const double* traceX = nullptr;
  const double* traceY = nullptr;
  int traceCount = 0;
};

// A spectrum marker as the chart shows it: a symbol at (x, y) in the chart's data units (x in
// log10 Hz on a log axis), with its name ("1" .. "8", "R" for the reference), and the reading
// its table line shows.
struct ChartMarker {
  double x = 0;
  double y = 0;
  std::string name;
  double hz = 0;
  double db = 0;
  bool reference = false;
};

// The readout beside a chart: the text lines of the cursors that are on, in the chart's units.
// With a time unit (s, ms, us) 1/dX is in hertz; with hertz it is in seconds. Tracked values
// are the trace's value under a vertical cursor.
struct CursorReadoutText {
  CursorPositions positions;
  bool track = false;
  bool trackedValid[2] = {false, false};
  double tracked[2] = {0, 0};
  std::string xUnit;
  std::string yUnit;
  // Values smaller than these read 0 (what is left of rounding where the trace is at 0).
  double xResolution = 0;
  double yResolution = 0;
};
std::vector<std::string> CursorReadoutLines(const CursorReadoutText& in);

// The marker table: one line per marker, frequency and level, and for every marker but the
// reference its difference to the reference when there is one.
std::vector<std::string> MarkerTableLines(const std::vector<ChartMarker>& markers);

// The unit an axis title names: "ms" of "Time(ms)", "Hz" of "Frequency(Hz, log)", degrees for
// "Degree"; empty for a title without a unit ("Amplitude", "Coefficient").
std::string AxisTitleUnit(const std::string& title);

// The unit of 1/dX for an x unit ("Hz" for "ms") and the factor that brings 1/dX into it.
std::string InverseUnitOf(const std::string& unit, double& factor);

// A value for a readout: six significant digits, with its unit; 0 when smaller than resolution.
std::string FormatReadoutValue(double v, const std::string& unit, double resolution = 0);

// Two vertical and two horizontal cursors and the spectrum markers over a chart. Cursor values
// are kept in the chart's data units, so they stay on their values through a refresh, a zoom or
// a pan. The layer paints and dispatches; the arithmetic is in cursor_math and spectrum_peaks.
//
// Gestures, while a cursor is on: a left press within kGrabPixels of a cursor drags it (and
// selects it); the arrow keys move the selected cursor one pixel, with Shift one grid division;
// keys 1 to 4 put X1, X2, Y1, Y2 under the mouse (turning it on), space the selected one. With
// snapping on, a vertical cursor let go or put down near an edge or a peak of the trace goes
// onto it.
class ChartCursorLayer {
 public:
  static constexpr int kGrabPixels = 3;
  // The snapping reach in pixels, and the span around the drop point whose minimum and maximum
  // set the 50 % level, as a share of the x window.
  static constexpr int kSnapPixels = 8;
  static constexpr double kSnapContextShare = 0.25;

  // Something to draw or to handle: a cursor on or a marker.
  bool IsActive() const;

  void SetCursorOn(int id, bool on);
  bool IsCursorOn(int id) const;
  void SetCursorValue(int id, double value);
  // In data units (log10 Hz on a log axis).
  double CursorValue(int id) const;
  void SelectCursor(int id);
  int SelectedCursor() const { return m_nSelected; }
  void SetTrack(bool on) { m_bTrack = on; }
  bool IsTrack() const { return m_bTrack; }
  void SetSnap(bool on) { m_bSnap = on; }
  bool IsSnap() const { return m_bSnap; }
  void SetUnits(const std::string& xUnit, const std::string& yUnit);
  void SetShowReadout(bool show) { m_bShowReadout = show; }
  void SetShowMarkerTable(bool show) { m_bShowMarkerTable = show; }
  COLORREF CursorColor(int id) const { return m_colors[id]; }

  void SetMarkers(const std::vector<ChartMarker>& markers) { m_markers = markers; }
  const std::vector<ChartMarker>& Markers() const { return m_markers; }

  // The cursors in the chart's units (hertz on a log axis) and the readout lines.
  CursorPositions Positions(const CursorChartView& view) const;
  CursorReadoutText Readout(const CursorChartView& view) const;

  // Mouse and keys at client pixels; each returns true when it used the event.
  bool Press(QPoint p, const CursorChartView& view);
  bool Move(QPoint p, const CursorChartView& view);
  bool Release(QPoint p, const CursorChartView& view);
  bool IsDragging() const { return m_nDragging >= 0; }
  bool Key(int key, bool shift, QPoint mouse, const CursorChartView& view);

  // Cursors, their labels, the markers, the readout and the marker table.
  void Draw(DeviceContext& dc, const CursorChartView& view, const DcFont& font) const;

  // Pixel column of an x value and row of a y value (the chart's mapping).
  static int PixelX(double x, const CursorChartView& view);
  static int PixelY(double y, const CursorChartView& view);

 private:
  double DataAtPixel(int id, int pixel, const CursorChartView& view) const;
  void SnapIfAsked(int id, const CursorChartView& view);
  void DrawBox(DeviceContext& dc, const std::vector<std::string>& lines, int x, int y,
               bool alignRight) const;

  bool m_on[kChartCursorCount] = {false, false, false, false};
  double m_value[kChartCursorCount] = {0, 0, 0, 0};
  COLORREF m_colors[kChartCursorCount] = {RGB(230, 120, 0), RGB(150, 0, 200), RGB(0, 140, 140),
                                          RGB(200, 0, 110)};
  int m_nSelected = kCursorX1;
  int m_nDragging = -1;
  QPoint m_pressedAt;
  bool m_bMoved = false;
  bool m_bTrack = false;
  bool m_bSnap = false;
  bool m_bShowReadout = true;
  bool m_bShowMarkerTable = true;
  std::string m_xUnit;
  std::string m_yUnit;
  std::vector<ChartMarker> m_markers;
};
