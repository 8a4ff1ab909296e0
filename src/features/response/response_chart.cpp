#include "features/response/response_chart.h"

#include <algorithm>
#include <cmath>

#include "chart/chart_math.h"
#include "chart/chart_zoom.h"

void ResponseChart::DrawSeries(DeviceContext& dc) {
  if (m_nLastIndex == 0) return;
  const DcRect& plot = m_plotRect;
  auto px = [this](double x) { return (x - m_dXMin) / m_dXUnitsPerPixel + m_plotRect.left; };
  auto py = [this](double y) { return m_plotRect.bottom - (y - m_dYMin) / m_dYUnitsPerPixel; };
  const GivenPoints first = GetGivenPoints(0);
  if (!m_band.empty() && first.count > 1) {
    const double height = kBandShare * (plot.bottom - plot.top);
    DcPen oldPen = dc.SelectPen(DcPen::Create(PS_SOLID, 0, kBandColor));
    for (int j = 0; j < first.count && j < static_cast<int>(m_band.size()); ++j) {
      const double v = m_band[j];
      if (!std::isfinite(v) || !std::isfinite(first.x[j])) continue;
      const int x = TruncToPixel(px(std::clamp(first.x[j], m_dXMin, m_dXMax)));
      const int top = TruncToPixel(plot.bottom - std::clamp(v, 0.0, 1.0) * height);
      if (x < plot.left || x >= plot.right) continue;
      Line(dc, QPoint(x, plot.bottom - 1), QPoint(x, top));
    }
    dc.SelectPen(oldPen);
  }
  // The first trace last, on top of the others.
  for (int i = m_nSeriesCount - 1; i >= 0; --i) {
    const ChartSerie& s = m_series[i];
    const GivenPoints given = GetGivenPoints(i);
    if (!s.m_pX || !s.m_pY || given.count < 2) continue;
    const DcPen normal = DcPen::Create(PS_SOLID, 0, s.m_color);
    const DcPen grey = DcPen::Create(PS_SOLID, 0, kGreyedTraceColor);
    DcPen old = dc.SelectPen(normal);
    bool greyNow = false;
    for (int j = 1; j < given.count; ++j) {
      if (!std::isfinite(given.y[j - 1]) || !std::isfinite(given.y[j]) ||
          !std::isfinite(given.x[j - 1]) || !std::isfinite(given.x[j])) {
        continue;
      }
      if (m_dJump > 0 && std::fabs(given.y[j] - given.y[j - 1]) > m_dJump) continue;
      const bool greyed = i == 0 && j < static_cast<int>(m_greyed.size()) &&
                          (m_greyed[j] != 0 || m_greyed[j - 1] != 0);
      if (greyed != greyNow) {
        dc.SelectPen(greyed ? grey : normal);
        greyNow = greyed;
      }
      double ax = px(s.m_pX[j - 1]), ay = py(s.m_pY[j - 1]);
      double bx = px(s.m_pX[j]), by = py(s.m_pY[j]);
      if (!ClipSegment(ax, ay, bx, by, plot.left, plot.top, plot.right, plot.bottom)) continue;
      Line(dc, QPoint(TruncToPixel(ax), TruncToPixel(ay)),
           QPoint(TruncToPixel(bx), TruncToPixel(by)));
    }
    dc.SelectPen(old);
  }
}
