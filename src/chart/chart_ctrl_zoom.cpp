// The zoom, pan and logarithmic axis of the 2-D chart.
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>

#include "chart/chart_ctrl.h"
#include "chart/chart_log_axis.h"
#include "chart/chart_math.h"

void ChartCtrl::ApplyZoomWindow() {
  m_zoom = ClampZoom(m_zoom, GetFullRange());
  m_dXMin = m_zoom.x0;
  m_dXMax = m_zoom.x1;
  m_dYMin = m_zoom.y0;
  m_dYMax = m_zoom.y1;
}

void ChartCtrl::SetZoom(const ZoomWindow& window) {
  if (!m_bZoomable) return;
  m_zoom = window;
  m_bZoomed = 1;
  ApplyZoomWindow();
  if (m_zoom == GetFullRange()) {
    ResetZoom();
    return;
  }
  m_bDirty = 1;
  RecalcScale();
  update();
}

void ChartCtrl::ResetZoom() {
  m_bZoomed = 0;
  m_dXMin = m_dFullXMin;
  m_dXMax = m_dFullXMax;
  m_dYMin = m_dFullYMin;
  m_dYMax = m_dFullYMax;
  m_bDirty = 1;
  RecalcScale();
  update();
}

void ChartCtrl::WheelAt(QPoint client, double steps, bool yAxis) {
  if (!m_bZoomable || steps == 0) return;
  const ZoomWindow now{m_dXMin, m_dXMax, m_dYMin, m_dYMax};
  const double cx = PixelToDataX(client.x(), now, m_plotRect);
  const double cy = PixelToDataY(client.y(), now, m_plotRect);
  const double f = WheelZoomFactor(steps);
  SetZoom(ZoomAbout(now, GetFullRange(), cx, cy, yAxis ? 1.0 : f, yAxis ? f : 1.0));
}

void ChartCtrl::DragStart(QPoint client, bool band) {
  if (!m_bZoomable) return;
  m_nDrag = band ? 2 : 1;
  m_dragStart = m_dragLast = client;
}

bool ChartCtrl::DragTo(QPoint client) {
  if (m_nDrag == 0) return false;
  if (m_nDrag == 1 && client != m_dragLast) {
    const ZoomWindow now{m_dXMin, m_dXMax, m_dYMin, m_dYMax};
    SetZoom(PanByPixels(now, GetFullRange(), m_plotRect, m_dragLast, client));
  }
  m_dragLast = client;
  update();
  return true;
}

void ChartCtrl::DragEnd(QPoint client) {
  if (m_nDrag == 2) {
    const ZoomWindow now{m_dXMin, m_dXMax, m_dYMin, m_dYMax};
    const ZoomWindow band = ZoomToBand(now, GetFullRange(), m_plotRect, m_dragStart, client);
    if (!(band == now)) SetZoom(band);
  } else if (m_nDrag == 1) {
    DragTo(client);
  }
  m_nDrag = 0;
  update();
}

void ChartCtrl::SetLogX(bool log) {
  if ((m_bLogX != 0) == log) return;
  m_bLogX = log ? 1 : 0;
  m_bDirty = 1;
}

void ChartCtrl::CursorValues(int mx, int my, double& x, double& y) const {
  x = (mx - m_plotRect.left) * m_dXUnitsPerPixel + m_dXMin;
  y = m_dYMin - (my - m_plotRect.bottom) * m_dYUnitsPerPixel;
  const ChartSerie& s = m_series[0];
  if (m_bCursorSnap && m_nLastIndex > 0 && s.m_pX && s.m_pY) {
    // The highest point drawn within a pixel of the mouse's column (a column holds the
    // strongest of its bins), else the nearest in x.
    int best = -1;
    for (int j = 0; j <= m_nLastIndex; ++j) {
      const int px = MapToPixel(s.m_pX[j], s.m_pY[j]).x();
      if (std::abs(px - mx) <= 1 && (best < 0 || s.m_pY[j] > s.m_pY[best])) best = j;
    }
    if (best < 0) {
      best = 0;
      for (int j = 1; j <= m_nLastIndex; ++j) {
        if (std::fabs(s.m_pX[j] - x) < std::fabs(s.m_pX[best] - x)) best = j;
      }
    }
    x = s.m_pX[best];
    y = s.m_pY[best];
  }
  if (m_bLogX) x = std::pow(10.0, x);
}

void ChartCtrl::DrawSeriesClipped(DeviceContext& dc) {
  const DcRect& plot = m_plotRect;
  auto px = [this](double x) { return (x - m_dXMin) / m_dXUnitsPerPixel + m_plotRect.left; };
  auto py = [this](double y) { return m_plotRect.bottom - (y - m_dYMin) / m_dYUnitsPerPixel; };
  for (int i = 0; i < m_nSeriesCount; ++i) {
    const ChartSerie& s = m_series[i];
    if (!s.m_pX || !s.m_pY) continue;
    DcPen old = dc.SelectPen(DcPen::Create(PS_SOLID, 0, s.m_color));
    for (int j = 1; j <= m_nLastIndex; ++j) {
      double ax = px(s.m_pX[j - 1]), ay = py(s.m_pY[j - 1]);
      double bx = px(s.m_pX[j]), by = py(s.m_pY[j]);
      if (!ClipSegment(ax, ay, bx, by, plot.left, plot.top, plot.right, plot.bottom)) continue;
      Line(dc, QPoint(TruncToPixel(ax), TruncToPixel(ay)),
           QPoint(TruncToPixel(bx), TruncToPixel(by)));
    }
    dc.SelectPen(old);
  }
}

void ChartCtrl::DrawZoomBand(DeviceContext& dc) {
  if (m_nDrag != 2) return;
  DcPen old = dc.SelectPen(DcPen::Create(PS_DOT, 1, RGB(0, 0, 0)));
  const QPoint a = m_dragStart, b = m_dragLast;
  Line(dc, a, QPoint(b.x(), a.y()));
  Line(dc, QPoint(b.x(), a.y()), b);
  Line(dc, b, QPoint(a.x(), b.y()));
  Line(dc, QPoint(a.x(), b.y()), a);
  dc.SelectPen(old);
}

void ChartCtrl::DrawLogGrid(DeviceContext& dc) {
  DcPen old = dc.SelectPen(DcPen::Create(PS_DOT, 1, m_gridColor));
  dc.FillRect(m_plotRect, DcBrush::Solid(m_bkColor));
  for (const LogAxisLine& line : LogAxisLines(m_dXMin, m_dXMax)) {
    Line(dc, MapToPixel(line.position, m_dYMin), MapToPixel(line.position, m_dYMax));
  }
  const double step = (m_dYMax - m_dYMin) / m_nYDivisions;
  for (int i = 0; i <= m_nYDivisions; ++i) {
    double y = m_dYMin + i * step;
    Line(dc, MapToPixel(m_dXMin, y), MapToPixel(m_dXMax, y));
  }
  dc.SelectPen(old);
}

void ChartCtrl::DrawLogLabels(DeviceContext& dc) {
  DcFont oldFont = dc.SelectFont(m_labelFont);
  dc.SetTextAlign(TA_RIGHT | TA_TOP);
  dc.SetBkMode(TRANSPARENT);
  QSize e = DrawYLabelsAndXTitle(dc);
  // Decades labelled under their lines, centred.
  for (const LogAxisLine& line : LogAxisLines(m_dXMin, m_dXMax)) {
    if (line.label.empty()) continue;
    QPoint p = MapToPixel(line.position, m_dYMin);
    QSize te = dc.GetTextExtent(line.label);
    dc.TextOut(p.x() + te.width() / 2, p.y() + te.height() / 2, line.label);
  }
  dc.SelectFont(m_rotatedFont);
  e = dc.GetTextExtent(m_szYTitle);
  dc.TextOut(m_chartRect.left + e.height() / 2,
             (m_chartRect.top + m_chartRect.bottom) / 2 - e.width() / 2, m_szYTitle);
  dc.SelectFont(oldFont);
}

namespace {

QPoint ClientPoint(const QPointF& position) {
  return position.toPoint() - QPoint(kClientEdgeWidth, kClientEdgeWidth);
}

}  // namespace

void ChartCtrl::mousePressEvent(QMouseEvent* event) {
  // A press on a cursor takes it, not the plot.
  if (m_pCursorLayer && event->button() == Qt::LeftButton &&
      m_pCursorLayer->Press(ClientPoint(event->position()), CursorView())) {
    update();
  } else if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    DragStart(ClientPoint(event->position()), event->button() == Qt::RightButton);
  }
  QWidget::mousePressEvent(event);
}

void ChartCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (m_pCursorLayer && m_pCursorLayer->Release(ClientPoint(event->position()), CursorView())) {
    update();
  } else if (m_nDrag != 0) {
    DragEnd(ClientPoint(event->position()));
  }
  QWidget::mouseReleaseEvent(event);
}

void ChartCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  m_nDrag = 0;
  if (m_bZoomable && m_bZoomed) ResetZoom();
  QWidget::mouseDoubleClickEvent(event);
}

void ChartCtrl::wheelEvent(QWheelEvent* event) {
  // With Shift some desktops turn the wheel into a horizontal one.
  const QPoint delta = event->angleDelta();
  const double steps = (delta.y() != 0 ? delta.y() : delta.x()) / 120.0;
  WheelAt(ClientPoint(event->position()), steps, (event->modifiers() & Qt::ShiftModifier) != 0);
  event->accept();
}
