#include "chart/chart_marks.h"

#include <algorithm>

#include "chart/chart_ctrl.h"

void ChartCtrl::SetMarks(const ChartMarks& marks) {
  m_marks = marks;
  update();
}

DcRect LegendRect(const DcRect& plot, int lines, int lineHeight, int textWidth) {
  if (lines <= 0) return DcRect{};
  const int width = 3 * kLegendPad + kLegendStroke + textWidth;
  const int height = 2 * kLegendPad + lines * lineHeight;
  DcRect r;
  r.right = plot.right - kLegendPad;
  r.left = r.right - width;
  r.top = plot.top + kLegendPad;
  r.bottom = r.top + height;
  if (r.left < plot.left || r.bottom > plot.bottom) return DcRect{};
  return r;
}

void ChartCtrl::SetLegend(const std::vector<ChartLegendEntry>& legend) {
  if (legend == m_legend) return;
  m_legend = legend;
  update();
}

void ChartCtrl::DrawLegend(DeviceContext& dc) {
  if (m_legend.size() < 2) return;
  DcFont oldFont = dc.SelectFont(m_labelFont);
  int textWidth = 0;
  int lineHeight = 0;
  for (const ChartLegendEntry& e : m_legend) {
    const QSize extent = dc.GetTextExtent(e.text);
    textWidth = std::max(textWidth, extent.width());
    lineHeight = std::max(lineHeight, extent.height());
  }
  const DcRect box =
      LegendRect(m_plotRect, static_cast<int>(m_legend.size()), lineHeight, textWidth);
  if (box.Width() > 0) {
    dc.FillSolidRect(box, m_bkColor);
    DcPen oldPen = dc.SelectPen(DcPen::Create(PS_SOLID, 1, m_gridColor));
    const QPoint corners[5] = {{box.left, box.top},
                               {box.right - 1, box.top},
                               {box.right - 1, box.bottom - 1},
                               {box.left, box.bottom - 1},
                               {box.left, box.top}};
    dc.MoveTo(corners[0].x(), corners[0].y());
    for (int i = 1; i < 5; ++i) dc.LineTo(corners[i].x(), corners[i].y());
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF oldColor = dc.SetTextColor(RGB(0, 0, 0));
    dc.SetTextAlign(TA_LEFT | TA_TOP);
    for (std::size_t i = 0; i < m_legend.size(); ++i) {
      const int top = box.top + kLegendPad + static_cast<int>(i) * lineHeight;
      const int mid = top + lineHeight / 2;
      dc.SelectPen(DcPen::Create(PS_SOLID, 2, m_legend[i].color));
      dc.MoveTo(box.left + kLegendPad, mid);
      dc.LineTo(box.left + kLegendPad + kLegendStroke, mid);
      dc.TextOut(box.left + 2 * kLegendPad + kLegendStroke, top, m_legend[i].text);
    }
    dc.SetTextColor(oldColor);
    dc.SetBkMode(oldMode);
    dc.SelectPen(oldPen);
  }
  dc.SelectFont(oldFont);
}

void ChartCtrl::DrawMarks(DeviceContext& dc) {
  DrawLegend(dc);
  if (!m_marks.Any()) return;
  const DcBrush brush = DcBrush::Solid(m_marks.color);
  DcBrush oldBrush = dc.SelectBrush(brush);
  DcPen oldPen = dc.SelectPen(DcPen::Create(PS_SOLID, 1, m_marks.color));
  const int s = kChartMarkSize;
  if (m_marks.hasLevel) {
    const double y =
        std::clamp(m_marks.level, std::min(m_dYMin, m_dYMax), std::max(m_dYMin, m_dYMax));
    const QPoint at = MapToPixel(m_dXMax, y);
    const QPoint tri[3] = {QPoint(at.x() + 1, at.y()), QPoint(at.x() + 1 + s, at.y() - s / 2 - 1),
                           QPoint(at.x() + 1 + s, at.y() + s / 2 + 1)};
    dc.Polygon(tri, 3);
  }
  if (m_marks.hasPoint) {
    const double x =
        std::clamp(m_marks.point, std::min(m_dXMin, m_dXMax), std::max(m_dXMin, m_dXMax));
    const QPoint at = MapToPixel(x, m_dYMax);
    const QPoint tri[3] = {QPoint(at.x(), at.y() - 1), QPoint(at.x() - s / 2 - 1, at.y() - 1 - s),
                           QPoint(at.x() + s / 2 + 1, at.y() - 1 - s)};
    dc.Polygon(tri, 3);
  }
  dc.SelectPen(oldPen);
  dc.SelectBrush(oldBrush);
}
