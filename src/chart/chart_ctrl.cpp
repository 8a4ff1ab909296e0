#include "chart/chart_ctrl.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <new>

#include "chart/chart_math.h"
#include "platform/message_box.h"

ChartCtrl::ChartCtrl() {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  SetRange(-10, 10, -10, 10);
}

ChartCtrl::~ChartCtrl() {
  if (m_pMemDC) m_pMemDC->SelectBitmap(m_previousBitmap);
}

int ChartCtrl::Create(unsigned style, const DcRect& rect, QWidget* parentView, int id) {
  int result = 0;
  if (parentView == nullptr || (style & WS_CHILD) == 0) {
    ShowMessageBox("Can't Create Window!");
  } else {
    setParent(parentView);
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    setVisible((style & WS_VISIBLE) != 0);
    m_nId = id;
    m_bWindow = 1;
    result = 1;
  }
  m_createRect = rect;
  // The client area lies inside the sunken edge, so the window's own rectangle in client
  // coordinates starts at minus the edge width.
  m_chartRect = DcRect{-kClientEdgeWidth, -kClientEdgeWidth, rect.Width() - kClientEdgeWidth,
                       rect.Height() - kClientEdgeWidth};
  CreateFonts();
  m_bCreated = 1;
  m_plotRect = DcRect{m_chartRect.left + 40, m_chartRect.top + 30, m_chartRect.right - 40,
                      m_chartRect.bottom - 30};
  RecalcScale();
  return result;
}

void ChartCtrl::DestroyWindow() {
  if (!m_bWindow) return;
  hide();
  setParent(nullptr);
  m_bWindow = 0;
}

int ChartCtrl::AllocSeries(int n) {
  if (m_bAllocated) return 1;
  for (int i = 0; i < m_nSeriesCount; ++i) {
    ChartSerie& s = m_series[i];
    if (n >= 0) {
      s.m_pX.reset(new (std::nothrow) double[static_cast<size_t>(n)]());
      s.m_pY.reset(new (std::nothrow) double[static_cast<size_t>(n)]());
      s.m_pGivenX.reset(new (std::nothrow) double[static_cast<size_t>(n)]());
      s.m_pGivenY.reset(new (std::nothrow) double[static_cast<size_t>(n)]());
    }
    if (n < 0 || !s.m_pX || !s.m_pY || !s.m_pGivenX || !s.m_pGivenY) {
      s.m_pX.reset();
      s.m_pY.reset();
      s.m_pGivenX.reset();
      s.m_pGivenY.reset();
      ShowMessageBox("Can not allocate serie");
      return 0;
    }
    s.m_bOwned = 1;
  }
  m_nCapacity = n;
  m_bAllocated = 1;
  return 1;
}

int ChartCtrl::SetRange(double xmin, double xmax, double ymin, double ymax) {
  m_dFullXMin = m_dXMin = xmin;
  m_dFullXMax = m_dXMax = xmax;
  m_dFullYMin = m_dYMin = ymin;
  m_dFullYMax = m_dYMax = ymax;
  if (m_bZoomed) ApplyZoomWindow();
  m_bDirty = 1;
  RecalcScale();
  return 1;
}

void ChartCtrl::RecalcScale() {
  m_dYUnitsPerPixel = (m_dYMax - m_dYMin) / (m_plotRect.bottom - m_plotRect.top);
  m_dXUnitsPerPixel = (m_dXMax - m_dXMin) / (m_plotRect.right - m_plotRect.left);
}

int ChartCtrl::SetPoint(double x, double y, int index, int serie) {
  if (!m_bAllocated || serie < 0 || serie >= m_nSeriesCount || index < 0 || index >= m_nCapacity) {
    return 0;
  }
  ChartSerie& s = m_series[serie];
  s.m_pGivenX[index] = x;
  s.m_pGivenY[index] = y;
  // Written so that a not-a-number fails the upper test and is caught by the lower one. A zoomed
  // chart keeps what lies outside its window: the full range clamps.
  if (x > m_dFullXMax) x = m_dFullXMax;
  if (!(x >= m_dFullXMin)) x = m_dFullXMin;
  if (y > m_dFullYMax) y = m_dFullYMax;
  if (!(y >= m_dFullYMin)) y = m_dFullYMin;
  s.m_pX[index] = x;
  s.m_pY[index] = y;
  s.m_bHasData = 1;
  m_nLastIndex = index;
  return 1;
}

GivenPoints ChartCtrl::GetGivenPoints(int i) const {
  GivenPoints points;
  if (i < 0 || i >= m_nSeriesCount || !m_bAllocated) return points;
  const ChartSerie& s = m_series[i];
  if (!s.m_bHasData || !s.m_pGivenX || !s.m_pGivenY) return points;
  points.x = s.m_pGivenX.get();
  points.y = s.m_pGivenY.get();
  points.count = std::min(m_nLastIndex + 1, m_nCapacity);
  return points;
}

QPoint ChartCtrl::MapToPixel(double x, double y) const {
  return MapDataToPixel(x, y, m_dXMin, m_dYMin, m_dXUnitsPerPixel, m_dYUnitsPerPixel, m_plotRect);
}

void ChartCtrl::SetTitle(const std::string& text) {
  m_szTitle = text;
  m_bDirty = 1;
}

void ChartCtrl::SetAxisTitles(const std::string& xTitle, const std::string& yTitle) {
  m_szXTitle = xTitle;
  m_szYTitle = yTitle;
  if (m_pCursorLayer) m_pCursorLayer->SetUnits(AxisTitleUnit(xTitle), AxisTitleUnit(yTitle));
}

void ChartCtrl::SetGridDivisions(int nx, int ny) {
  m_nXDivisions = nx;
  m_nYDivisions = ny;
  m_bDirty = 1;
}

void ChartCtrl::SetAxisStyle(int style) {
  if (style >= 0 && style <= 2) m_nAxisStyle = style;
}

void ChartCtrl::SetSeriesCount(int n) {
  if (!m_bAllocated && n >= 1 && n <= kMaxSeries) m_nSeriesCount = n;
}

void ChartCtrl::Refresh(int rebuild) {
  if (rebuild) m_bDirty = 1;
  update();
}

QSize ChartCtrl::StaticLayerSize() const {
  return m_background.IsNull() ? QSize() : QSize(m_background.Width(), m_background.Height());
}

void ChartCtrl::Line(DeviceContext& dc, QPoint a, QPoint b) {
  dc.MoveTo(a.x(), a.y());
  dc.LineTo(b.x(), b.y());
}

void ChartCtrl::PaintFrame(DeviceContext& dc) {
  // Moved to a screen of another density: the static layer is made again at the new one.
  if (m_pMemDC && m_background.Scale() != dc.DevicePixelScale()) {
    m_pMemDC->SelectBitmap(m_previousBitmap);
    m_pMemDC.reset();
    m_background = DcBitmap();
  }
  if (m_bDirty || !m_pMemDC) {
    RebuildBackground(dc);
    m_bDirty = 0;
  }
  int width = m_chartRect.Width();
  int height = m_chartRect.Height();
  if (width <= 0 || height <= 0) return;
  auto frame = DeviceContext::CreateCompatibleDC(&dc);
  DcBitmap bitmap = frame->CreateCompatibleBitmap(width, height);
  DcBitmap previous = frame->SelectBitmap(bitmap);
  frame->BitBlt(0, 0, width, height, *m_pMemDC, 0, 0, SRCCOPY);
  DrawSeries(*frame);
  DrawMarks(*frame);
  DrawCursorLayer(*frame);
  DrawCursor(*frame);
  DrawZoomBand(*frame);
  dc.BitBlt(0, 0, width, height, *frame, 0, 0, SRCCOPY);
  frame->SelectBitmap(previous);
}

void ChartCtrl::RebuildBackground(DeviceContext& dc) {
  if (!m_pMemDC) {
    m_pMemDC = DeviceContext::CreateCompatibleDC(&dc);
    m_background = m_pMemDC->CreateCompatibleBitmap(m_chartRect.Width(), m_chartRect.Height());
  }
  DcBitmap previous = m_pMemDC->SelectBitmap(m_background);
  if (!(previous == m_background)) m_previousBitmap = previous;
  DrawBackground(*m_pMemDC);
  DrawGrid(*m_pMemDC);
  DrawAxes(*m_pMemDC);
  DrawLabels(*m_pMemDC);
  DrawTitle(*m_pMemDC);
}

void ChartCtrl::DrawBackground(DeviceContext& dc) {
  DcBrush old = dc.SelectBrush(DcBrush::Solid(m_bkColor));
  dc.FillRect(m_chartRect, DcBrush::Solid(m_bkColor));
  dc.SelectBrush(old);
}

void ChartCtrl::DrawTitle(DeviceContext& dc) {
  DcFont oldFont = dc.SelectFont(m_titleFont);
  int oldMode = dc.SetBkMode(TRANSPARENT);
  QSize extent = dc.GetTextExtent(m_szTitle);
  dc.SetTextAlign(TA_LEFT | TA_TOP);
  dc.TextOut(m_chartRect.left + (m_chartRect.right - m_chartRect.left) / 2 - extent.width() / 2,
             m_chartRect.top + extent.height() / 2, m_szTitle);
  dc.SetBkMode(oldMode);
  dc.SelectFont(oldFont);
}

void ChartCtrl::DrawGrid(DeviceContext& dc) {
  if (m_bLogX) {
    DrawLogGrid(dc);
    return;
  }
  DcPen old = dc.SelectPen(DcPen::Create(PS_DOT, 1, m_gridColor));
  dc.FillRect(m_plotRect, DcBrush::Solid(m_bkColor));
  double step = (m_dXMax - m_dXMin) / m_nXDivisions;
  for (int i = 0; i <= m_nXDivisions; ++i) {
    double x = m_dXMin + i * step;
    Line(dc, MapToPixel(x, m_dYMin), MapToPixel(x, m_dYMax));
  }
  step = (m_dYMax - m_dYMin) / m_nYDivisions;
  for (int i = 0; i <= m_nYDivisions; ++i) {
    double y = m_dYMin + i * step;
    Line(dc, MapToPixel(m_dXMin, y), MapToPixel(m_dXMax, y));
  }
  dc.SelectPen(old);
}

void ChartCtrl::DrawAxes(DeviceContext& dc) {
  DcPen old = dc.SelectPen(DcPen::Create(PS_SOLID, 1, RGB(0, 0, 255)));
  double midX = (m_dXMax + m_dXMin) / 2;
  double midY = (m_dYMax + m_dYMin) / 2;
  switch (m_nAxisStyle) {
    case 0:
      Line(dc, MapToPixel(m_dXMin, m_dYMin), MapToPixel(m_dXMax, m_dYMin));
      Line(dc, MapToPixel(m_dXMin, m_dYMin), MapToPixel(m_dXMin, m_dYMax));
      Line(dc, MapToPixel(m_dXMax, m_dYMax), MapToPixel(m_dXMax, m_dYMin));
      Line(dc, MapToPixel(m_dXMax, m_dYMax), MapToPixel(m_dXMin, m_dYMax));
      break;
    case 1:
      Line(dc, MapToPixel(m_dXMin, midY), MapToPixel(m_dXMax, midY));
      Line(dc, MapToPixel(m_dXMin, m_dYMin), MapToPixel(m_dXMin, m_dYMax));
      break;
    default:
      Line(dc, MapToPixel(midX, m_dYMin), MapToPixel(midX, m_dYMax));
      Line(dc, MapToPixel(m_dXMin, midY), MapToPixel(m_dXMax, midY));
      break;
  }
  dc.SelectPen(old);
}

// The y tick labels left of the plot and the x axis title under it, in the selected font;
// returns the title's extent.
QSize ChartCtrl::DrawYLabelsAndXTitle(DeviceContext& dc) {
  for (int i = 0; i <= m_nYDivisions; ++i) {
    double y = m_dYMin + i * (m_dYMax - m_dYMin) / m_nYDivisions;
    QPoint p = MapToPixel(m_dXMin, y);
    std::string text = FormatYTickLabel(y);
    QSize e = dc.GetTextExtent(text);
    dc.TextOut(p.x() - 5, p.y() - e.height() / 2, text);
  }
  QSize e = dc.GetTextExtent(m_szXTitle);
  dc.TextOut((m_chartRect.left + m_chartRect.right) / 2 + e.width() / 2,
             m_chartRect.bottom - e.height() - 5, m_szXTitle);
  return e;
}

void ChartCtrl::DrawLabels(DeviceContext& dc) {
  if (m_bLogX) {
    DrawLogLabels(dc);
    return;
  }
  DcFont oldFont = dc.SelectFont(m_labelFont);
  dc.SetTextAlign(TA_RIGHT | TA_TOP);
  dc.SetBkMode(TRANSPARENT);
  QSize e = DrawYLabelsAndXTitle(dc);
  dc.SelectFont(m_labelFont);
  for (int i = 0; i <= m_nXDivisions; ++i) {
    double x = m_dXMin + i * (m_dXMax - m_dXMin) / m_nXDivisions;
    QPoint p = MapToPixel(x, m_dYMin);
    std::string text = FormatXTickLabel(x);
    QSize te = dc.GetTextExtent(text);
    dc.TextOut(p.x() + 5, p.y() + te.height() / 2, text);
  }
  dc.SelectFont(m_rotatedFont);
  e = dc.GetTextExtent(m_szYTitle);
  dc.TextOut(m_chartRect.left + e.height() / 2,
             (m_chartRect.top + m_chartRect.bottom) / 2 - e.width() / 2, m_szYTitle);
  dc.SelectFont(oldFont);
}

void ChartCtrl::DrawSeries(DeviceContext& dc) {
  if (m_nLastIndex == 0) return;
  if (m_bZoomed) {
    DrawSeriesClipped(dc);
    return;
  }
  for (int i = 0; i < m_nSeriesCount; ++i) {
    const ChartSerie& s = m_series[i];
    if (!s.m_pX || !s.m_pY) continue;
    DcPen old = dc.SelectPen(DcPen::Create(PS_SOLID, 0, s.m_color));
    QPoint p = MapToPixel(s.m_pX[0], s.m_pY[0]);
    dc.MoveTo(p.x(), p.y());
    for (int j = 1; j <= m_nLastIndex; ++j) {
      p = MapToPixel(s.m_pX[j], s.m_pY[j]);
      dc.LineTo(p.x(), p.y());
    }
    dc.SelectPen(old);
  }
}

void ChartCtrl::DrawCursor(DeviceContext& dc) {
  dc.SetBkMode(TRANSPARENT);
  const DcRect& plot = m_plotRect;
  if (m_nMouseX < plot.left || m_nMouseX >= plot.right || m_nMouseY < plot.top ||
      m_nMouseY >= plot.bottom) {
    return;
  }
  Line(dc, QPoint(m_nMouseX, plot.top), QPoint(m_nMouseX, plot.bottom));
  Line(dc, QPoint(plot.left, m_nMouseY), QPoint(plot.right, m_nMouseY));
  double x = 0;
  double y = 0;
  CursorValues(m_nMouseX, m_nMouseY, x, y);
  std::string xText = FormatCursorValue(x);
  std::string yText = FormatCursorValue(y);
  QSize xe = dc.GetTextExtent(xText);
  QSize ye = dc.GetTextExtent(yText);
  DcBrush old = dc.SelectBrush(GetStockBrush(LTGRAY_BRUSH));
  dc.Rectangle(m_nMouseX, plot.top, m_nMouseX + xe.width() + 5, plot.top + xe.height() + 2);
  dc.Rectangle(plot.left, m_nMouseY, plot.left + ye.width() + 5, m_nMouseY + ye.height() + 2);
  dc.SelectBrush(old);
  dc.TextOut(m_nMouseX + 2, plot.top + 1, xText);
  dc.TextOut(plot.left + 2, m_nMouseY + 1, yText);
}

void ChartCtrl::CreateFonts() {
  m_labelFont = DcFont::FromPoints(7, 0, 0, kChartFontFace);
  m_titleFont = DcFont::FromPoints(9, 700, 0, kChartFontFace);
  m_rotatedFont = DcFont::FromPoints(7, 0, 900, kChartFontFace);
}

void ChartCtrl::PrintChart(DeviceContext& dc, int x, int y) {
  int windowDpiX = HasWindow() ? logicalDpiX() : ScreenPixelsPerInchX();
  int windowDpiY = HasWindow() ? logicalDpiY() : ScreenPixelsPerInchY();
  int rx = windowDpiX > 0 ? dc.GetPixelsPerInchX() / windowDpiX : 0;
  int ry = windowDpiY > 0 ? dc.GetPixelsPerInchY() / windowDpiY : 0;
  int oldMode = dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetViewportExt(rx - static_cast<int>(0.2 * rx), ry - static_cast<int>(0.2 * ry));
  QPoint oldOrigin = dc.SetViewportOrg(x, y);
  DrawBackground(dc);
  DrawTitle(dc);
  DrawGrid(dc);
  DrawAxes(dc);
  DrawLabels(dc);
  DrawSeries(dc);
  DrawMarks(dc);
  DrawCursorLayer(dc);
  dc.SetMapMode(oldMode);
  // Leave the caller's context as it was, origin included, so its own drawing is not shifted.
  dc.SetViewportOrg(oldOrigin.x(), oldOrigin.y());
}

void ChartCtrl::MouseMovedTo(QPoint client) {
  m_nMouseX = client.x();
  m_nMouseY = client.y();
  update();
}

void ChartCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  int w = width(), h = height();
  // The sunken client edge: grey and white outside, black and light grey inside.
  painter.setPen(QColor(128, 128, 128));
  painter.drawLine(0, 0, w - 2, 0);
  painter.drawLine(0, 0, 0, h - 2);
  painter.setPen(QColor(255, 255, 255));
  painter.drawLine(0, h - 1, w - 1, h - 1);
  painter.drawLine(w - 1, 0, w - 1, h - 1);
  painter.setPen(QColor(0, 0, 0));
  painter.drawLine(1, 1, w - 3, 1);
  painter.drawLine(1, 1, 1, h - 3);
  painter.setPen(QColor(212, 208, 200));
  painter.drawLine(1, h - 2, w - 2, h - 2);
  painter.drawLine(w - 2, 1, w - 2, h - 2);
  QRect client(kClientEdgeWidth, kClientEdgeWidth, w - 2 * kClientEdgeWidth,
               h - 2 * kClientEdgeWidth);
  if (client.isEmpty()) return;
  painter.setClipRect(client);
  painter.translate(kClientEdgeWidth, kClientEdgeWidth);
  DeviceContext dc(&painter);
  PaintFrame(dc);
}

void ChartCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (m_pCursorLayer && m_pCursorLayer->IsDragging()) {
    m_pCursorLayer->Move(event->position().toPoint() - QPoint(kClientEdgeWidth, kClientEdgeWidth),
                         CursorView());
  } else {
    DragTo(event->position().toPoint() - QPoint(kClientEdgeWidth, kClientEdgeWidth));
  }
  MouseMovedTo(event->position().toPoint() - QPoint(kClientEdgeWidth, kClientEdgeWidth));
  QWidget::mouseMoveEvent(event);
}
