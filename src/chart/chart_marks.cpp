#include "chart/chart_marks.h"

#include <algorithm>

#include "chart/chart_ctrl.h"

void ChartCtrl::SetMarks(const ChartMarks& marks) {
  m_marks = marks;
  update();
}

void ChartCtrl::DrawMarks(DeviceContext& dc) {
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
