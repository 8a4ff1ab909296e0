#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "chart/chart_cursor_layer.h"
#include "chart/chart_marks.h"
#include "chart/chart_zoom.h"
#include "platform/device_context.h"
#include "platform/window_styles.h"

// One data series of a chart: capacity-long x and y arrays owned by the chart.
struct ChartSerie {
  int m_bHasData = 0;
  std::unique_ptr<double[]> m_pX;
  std::unique_ptr<double[]> m_pY;
  COLORREF m_color = 0;  // pen colour in 2-D, fill colour in 3-D
  int m_bOwned = 0;
  // 3-D only: the points are (minimum, maximum) pairs of one x each, and the curtain is the band
  // between them instead of hanging from the curve to the value 0.
  int m_bBand = 0;
  // The points as SetPoint was given them, before clamping into the range.
  std::unique_ptr<double[]> m_pGivenX;
  std::unique_ptr<double[]> m_pGivenY;
};

// A read-only look at a serie's points as they were given to the chart: count is the chart's
// last index plus one, or 0 while the serie holds no data.
struct GivenPoints {
  const double* x = nullptr;
  const double* y = nullptr;
  int count = 0;
};

// The chart window: up to 60 series of (x, y) points in a rectangular data range, with title,
// axis titles and grid divisions, painted through a cached static layer (background, grid,
// axes, labels, title) and an off-screen frame, plus a crosshair under the mouse.
class ChartCtrl : public QWidget {
 public:
  static constexpr int kMaxSeries = 60;

  ChartCtrl();
  ~ChartCtrl() override;
  ChartCtrl(const ChartCtrl&) = delete;
  ChartCtrl& operator=(const ChartCtrl&) = delete;

  // Creates the window as a child of parentView at rect (parent's client coordinates) with a
  // 2-px sunken edge, then the fonts and the plot rectangle. Shows "Can't Create Window!" and
  // carries on without a window when there is no parent. Returns 1 when the window exists.
  int Create(unsigned style, const DcRect& rect, QWidget* parentView, int id);
  // Takes the window away (hidden, detached from its parent); the object and its data stay.
  void DestroyWindow();
  bool HasWindow() const { return m_bWindow != 0; }
  int GetDlgCtrlID() const { return m_nId; }

  // Allocates capacity n for each of the first series count series, once per chart.
  int AllocSeries(int n);
  int SetRange(double xmin, double xmax, double ymin, double ymax);
  void RecalcScale();
  // Stores a point clamped into the current range (not-a-number becomes the minimum).
  int SetPoint(double x, double y, int index, int serie);
  QPoint MapToPixel(double x, double y) const;
  void SetTitle(const std::string& text);
  void SetAxisTitles(const std::string& xTitle, const std::string& yTitle);
  void SetGridDivisions(int nx, int ny);
  // 0 box, 1 mid-line, 2 cross; other values are ignored.
  void SetAxisStyle(int style);
  // Repaints the series and crosshair; with rebuild nonzero the static layer too.
  virtual void Refresh(int rebuild);
  // Draws the complete chart (no crosshair) into dc with its viewport origin at device (x, y),
  // scaled by 80 % of the ratio of dc's resolution to the screen's.
  void PrintChart(DeviceContext& dc, int x, int y);

  // The screen paint: static layer rebuilt if dirty, frame composed off-screen, copied to dc
  // at (0, 0) in one block. dc is in the chart's client coordinates.
  void PaintFrame(DeviceContext& dc);
  // A mouse move at a client point: remembered for the crosshair, window repainted.
  void MouseMovedTo(QPoint client);

  int GetSeriesCount() const { return m_nSeriesCount; }
  // Series in use, 1..60; set before AllocSeries.
  void SetSeriesCount(int n);
  const ChartSerie& GetSerie(int i) const { return m_series[i]; }
  // What the chart shows of serie i, in the values its caller gave (exports take these).
  GivenPoints GetGivenPoints(int i) const;
  void SetSerieColor(int i, COLORREF color) { m_series[i].m_color = color; }
  int GetCapacity() const { return m_nCapacity; }
  int GetLastIndex() const { return m_nLastIndex; }
  bool IsAllocated() const { return m_bAllocated != 0; }
  bool IsCreated() const { return m_bCreated != 0; }
  bool IsDirty() const { return m_bDirty != 0; }
  double GetXMin() const { return m_dXMin; }
  double GetXMax() const { return m_dXMax; }
  double GetYMin() const { return m_dYMin; }
  double GetYMax() const { return m_dYMax; }
  double GetXUnitsPerPixel() const { return m_dXUnitsPerPixel; }
  double GetYUnitsPerPixel() const { return m_dYUnitsPerPixel; }
  const std::string& GetTitle() const { return m_szTitle; }
  const std::string& GetXTitle() const { return m_szXTitle; }
  const std::string& GetYTitle() const { return m_szYTitle; }
  int GetAxisStyle() const { return m_nAxisStyle; }
  int GetXDivisions() const { return m_nXDivisions; }
  int GetYDivisions() const { return m_nYDivisions; }
  const DcRect& GetCreateRect() const { return m_createRect; }
  const DcRect& GetChartRect() const { return m_chartRect; }
  const DcRect& GetPlotRect() const { return m_plotRect; }
  QPoint GetMousePos() const { return QPoint(m_nMouseX, m_nMouseY); }
  COLORREF GetBkColor() const { return m_bkColor; }
  COLORREF GetGridColor() const { return m_gridColor; }
  // Size of the cached static layer; empty before the first paint.
  QSize StaticLayerSize() const;
  // Marks over the series (chart_marks.cpp); none unless set.
  void SetMarks(const ChartMarks& marks);
  const ChartMarks& GetMarks() const { return m_marks; }
  // Names the series when the chart draws more than one (fewer than two entries: no legend).
  void SetLegend(const std::vector<ChartLegendEntry>& legend);
  const std::vector<ChartLegendEntry>& GetLegend() const { return m_legend; }

  // Zoom and pan (chart_ctrl_zoom.cpp). SetRange sets the full range; a zoomed chart shows a
  // window inside it (GetXMin .. GetYMax are the window), keeps it through later SetRange calls
  // and clamps stored points into the full range. The gestures: wheel zooms x about the mouse
  // (y with Shift), a left drag pans, a right drag zooms to its band, a double click shows the
  // full range again. Charts that are not zoomable (the waterfall) ignore all of it.
  bool IsZoomed() const { return m_bZoomed != 0; }
  ZoomWindow GetFullRange() const { return {m_dFullXMin, m_dFullXMax, m_dFullYMin, m_dFullYMax}; }
  void SetZoom(const ZoomWindow& window);
  void ResetZoom();
  void WheelAt(QPoint client, double steps, bool yAxis);
  void DragStart(QPoint client, bool band);
  // True while a drag is under way.
  bool DragTo(QPoint client);
  void DragEnd(QPoint client);
  // The x values are log10 of frequencies: decade grid lines labelled 10, 100, 1k ... and the
  // crosshair reads hertz.
  void SetLogX(bool log);
  bool IsLogX() const { return m_bLogX != 0; }
  // The crosshair reads the x and y of a stored point of series 0: the highest within a pixel of
  // the mouse's column, else the nearest in x.
  void SetCursorSnap(bool snap) { m_bCursorSnap = snap ? 1 : 0; }
  // The crosshair's read-out for a mouse at client pixel (mx, my).
  void CursorValues(int mx, int my, double& x, double& y) const;

  // The cursors and markers over the chart (chart_ctrl_cursors.cpp), made at the first call;
  // until then there is no layer and the chart draws and handles exactly what it did before.
  ChartCursorLayer& CursorLayer();
  const ChartCursorLayer* GetCursorLayer() const { return m_pCursorLayer.get(); }
  // The chart as the layer sees it now: plot, data window, grid and the first series' points.
  CursorChartView CursorView() const;

 protected:
  virtual void DrawSeries(DeviceContext& dc);
  virtual void DrawBackground(DeviceContext& dc);
  virtual void DrawTitle(DeviceContext& dc);
  virtual void DrawGrid(DeviceContext& dc);
  virtual void DrawAxes(DeviceContext& dc);
  virtual void DrawLabels(DeviceContext& dc);
  virtual void CreateFonts();
  virtual void DrawCursor(DeviceContext& dc);
  void DrawMarks(DeviceContext& dc);
  void DrawLegend(DeviceContext& dc);
  void RebuildBackground(DeviceContext& dc);
  // A line from a to b, b not painted.
  static void Line(DeviceContext& dc, QPoint a, QPoint b);

  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void DrawCursorLayer(DeviceContext& dc);
  void DrawLogGrid(DeviceContext& dc);
  void DrawLogLabels(DeviceContext& dc);
  QSize DrawYLabelsAndXTitle(DeviceContext& dc);
  void DrawSeriesClipped(DeviceContext& dc);
  void DrawZoomBand(DeviceContext& dc);
  void ApplyZoomWindow();

  std::unique_ptr<DeviceContext> m_pMemDC;  // the static layer's context
  DcBitmap m_background;
  ChartSerie m_series[kMaxSeries];
  int m_nSeriesCount = 1;
  DcRect m_createRect;
  DcRect m_chartRect;
  COLORREF m_bkColor = RGB(255, 255, 255);
  COLORREF m_gridColor = RGB(128, 128, 128);
  int m_bCreated = 0;
  DcBitmap m_previousBitmap;
  int m_bDirty = 1;
  std::string m_szXTitle = "x";
  std::string m_szYTitle = "y";
  std::string m_szTitle = "Untitle";
  DcFont m_labelFont;
  DcFont m_rotatedFont;
  DcFont m_titleFont;
  DcRect m_plotRect;
  int m_nAxisStyle = 0;
  int m_nCapacity = 0;
  int m_nLastIndex = 0;
  int m_nYDivisions = 2;
  int m_nXDivisions = 2;
  double m_dYUnitsPerPixel = 0;
  double m_dXUnitsPerPixel = 0;
  double m_dYMin = -10;
  double m_dYMax = 10;
  double m_dXMin = -10;
  double m_dXMax = 10;
  int m_bAllocated = 0;
  int m_nMouseX = -1;
  int m_nMouseY = -1;
  int m_bWindow = 0;
  int m_nId = 0;
  ChartMarks m_marks;
  std::vector<ChartLegendEntry> m_legend;

  // Zoom: the full range of the last SetRange, the window shown, and the drag under way.
  double m_dFullXMin = -10, m_dFullXMax = 10, m_dFullYMin = -10, m_dFullYMax = 10;
  int m_bZoomable = 1;
  int m_bZoomed = 0;
  ZoomWindow m_zoom;
  int m_nDrag = 0;  // 0 none, 1 pan, 2 band
  QPoint m_dragStart;
  QPoint m_dragLast;
  int m_bLogX = 0;
  int m_bCursorSnap = 0;
  std::unique_ptr<ChartCursorLayer> m_pCursorLayer;
};

// The face every chart font uses.
inline const char* const kChartFontFace = "Times New Roman";
