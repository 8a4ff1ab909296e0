#include "chart/chart_3d_ctrl.h"

#include <algorithm>
#include <cmath>

Chart3DCtrl::Chart3DCtrl() {
  // The waterfall has no zoom: its projection needs the whole box.
  m_bZoomable = 0;
  Set3DRange(0, 100, 0, 20, 0, 100);
}

void Chart3DCtrl::Set3DRange(double x0, double x1, double y0, double y1, double z0, double z1) {
  m_dYOrigin = y0;
  m_dXOrigin = x0;
  double l = std::cos(DegreesToRadians(m_dXAngle)) * (x1 - x0);
  m_dDepthFactor = std::fabs(l / (std::cos(DegreesToRadians(m_dZAngle)) * (z1 - z0)));
  double h = y1 - y0;
  SetRange(x0, std::fabs(2 * l), y0 - h, y1 + h);
  m_dBoxXMin = x0;
  m_dBoxXMax = x1;
  m_dBoxYMin = y0;
  m_dBoxYMax = y1;
  m_dZMin = z0;
  m_dZMax = z1;
}

ProjectedPoint Chart3DCtrl::Project3D(double x, double y, double z) const {
  return ProjectOblique(x, y, z, m_dXAngle, m_dZAngle, m_dDepthFactor,
                        m_dYUnitsPerPixel / m_dXUnitsPerPixel);
}

QPoint Chart3DCtrl::MapToPixel3D(double x, double y, double z) const {
  ProjectedPoint p = Project3D(x, y, z);
  return MapToPixel(p.x + m_dXOrigin, p.y + m_dYOrigin);
}

void Chart3DCtrl::ShiftHistory() {
  for (int k = m_nSeriesCount - 1; k >= 1; --k) {
    ChartSerie& from = m_series[k - 1];
    ChartSerie& to = m_series[k];
    if (!from.m_bHasData || !to.m_pX || !to.m_pY) continue;
    std::copy(from.m_pX.get(), from.m_pX.get() + m_nCapacity, to.m_pX.get());
    std::copy(from.m_pY.get(), from.m_pY.get() + m_nCapacity, to.m_pY.get());
    if (from.m_pGivenX && to.m_pGivenX) {
      std::copy(from.m_pGivenX.get(), from.m_pGivenX.get() + m_nCapacity, to.m_pGivenX.get());
      std::copy(from.m_pGivenY.get(), from.m_pGivenY.get() + m_nCapacity, to.m_pGivenY.get());
    }
    to.m_bHasData = 1;
    to.m_bBand = from.m_bBand;
  }
}

void Chart3DCtrl::SetBand(int serie, bool band) {
  if (serie >= 0 && serie < m_nSeriesCount) m_series[serie].m_bBand = band ? 1 : 0;
}

std::vector<Chart3DCtrl::Quad> Chart3DCtrl::CurtainSegments(int serie) const {
  std::vector<Quad> quads;
  const ChartSerie& s = m_series[serie];
  if (!s.m_pX || !s.m_pY) return quads;
  double z = serie;
  if (s.m_bBand) {
    for (int j = 0; j + 3 <= m_nLastIndex; j += 2) {
      Quad q{MapToPixel3D(s.m_pX[j], s.m_pY[j + 1], z),
             MapToPixel3D(s.m_pX[j + 2], s.m_pY[j + 3], z),
             MapToPixel3D(s.m_pX[j + 2], s.m_pY[j + 2], z), MapToPixel3D(s.m_pX[j], s.m_pY[j], z)};
      if (q.p1 == q.p2 && q.p3 == q.p4) continue;
      quads.push_back(q);
    }
    return quads;
  }
  for (int j = 0; j <= m_nLastIndex - 2; ++j) {
    QPoint p1 = MapToPixel3D(s.m_pX[j], s.m_pY[j], z);
    QPoint p2 = MapToPixel3D(s.m_pX[j + 1], s.m_pY[j + 1], z);
    if (p1 == p2) continue;
    quads.push_back(Quad{p1, p2, MapToPixel3D(s.m_pX[j + 1], 0, z), MapToPixel3D(s.m_pX[j], 0, z)});
  }
  return quads;
}

void Chart3DCtrl::DrawSeries(DeviceContext& dc) {
  if (m_nLastIndex == 0) return;
  // The curtains hide most of one another. Drawn behind, front series first and each segment's
  // outline before its fill, the picture is the same as drawn back to front, but a pixel is
  // written once instead of once per curtain over it.
  const bool behind = dc.BeginDrawBehind();
  const int count = m_nSeriesCount;
  for (int k = 0; k < count; ++k) {
    const int i = behind ? k : count - 1 - k;
    if (!m_series[i].m_bHasData) continue;
    DcBrush brush = DcBrush::Solid(m_series[i].m_color);
    DcPen old = dc.SelectPen(DcPen::Create(PS_SOLID, 1, 0));
    std::vector<Quad> quads = CurtainSegments(i);
    if (behind) std::reverse(quads.begin(), quads.end());
    const bool band = m_series[i].m_bBand != 0;
    for (const Quad& q : quads) {
      QPoint corners[4] = {q.p1, q.p2, q.p3, q.p4};
      DcRegion region = DcRegion::CreatePolygonRgn(corners, 4, WINDING);
      if (behind) {
        dc.FillRgn(region, brush);
        Line(dc, q.p1, q.p2);
        if (band) Line(dc, q.p4, q.p3);
      } else {
        Line(dc, q.p1, q.p2);
        if (band) Line(dc, q.p4, q.p3);
        dc.FillRgn(region, brush);
      }
    }
    dc.SelectPen(old);
  }
  if (behind) dc.EndDrawBehind();
}

void Chart3DCtrl::DrawAxes(DeviceContext& dc) {
  DcPen old = dc.SelectPen(DcPen::Create(PS_SOLID, 1, RGB(0, 0, 255)));
  const double x0 = m_dBoxXMin, x1 = m_dBoxXMax, y0 = m_dBoxYMin, y1 = m_dBoxYMax;
  const double z0 = m_dZMin, z1 = m_dZMax;
  auto edge = [&](double ax, double ay, double az, double bx, double by, double bz) {
    Line(dc, MapToPixel3D(ax, ay, az), MapToPixel3D(bx, by, bz));
  };
  edge(x1, y0, z0, x1, y0, z1);
  edge(x1, y0, z1, x0, y0, z1);
  edge(x0, y0, z1, x0, y1, z1);
  edge(x0, y1, z1, x1, y1, z1);
  edge(x1, y1, z1, x1, y0, z1);
  edge(x0, y1, z1, x0, y1, z0);
  edge(x0, y0, z0, x1, y0, z0);
  edge(x0, y0, z0, x0, y1, z0);
  edge(x0, y0, z0, x0, y0, z1);
  dc.SelectPen(old);
}

void Chart3DCtrl::DrawLabels(DeviceContext& dc) {
  DcFont oldFont = dc.SelectFont(m_labelFont);
  int oldMode = dc.SetBkMode(TRANSPARENT);
  dc.SetTextAlign(TA_RIGHT | TA_TOP);

  QSize e = dc.GetTextExtent(m_szXTitle);
  QPoint p =
      MapToPixel3D((m_dBoxXMax - m_dBoxXMin) * 0.5, m_dBoxYMin - 0.2 * (m_dBoxYMax - m_dBoxYMin),
                   m_dZMin - 0.2 * (m_dZMax - m_dZMin));
  dc.TextOut(p.x() - e.width() / 2, p.y() + e.height() / 2, m_szXTitle);

  dc.SelectFont(m_depthFont);
  for (int i = 0; i <= m_nXDivisions; ++i) {
    double x = m_dBoxXMin + i * (m_dBoxXMax - m_dBoxXMin) / m_nXDivisions;
    p = MapToPixel3D(x, 0, 0);
    std::string text = FormatXTickLabel(x);
    e = dc.GetTextExtent(text);
    dc.TextOut(p.x() - e.width() / 2, p.y() + 5, text);
  }

  dc.SelectFont(m_labelFont);
  for (int i = 0; i <= m_nYDivisions; ++i) {
    double y = m_dBoxYMin + i * (m_dBoxYMax - m_dBoxYMin) / m_nYDivisions;
    p = MapToPixel3D(m_dBoxXMin, y, m_dZMin);
    std::string text = FormatXTickLabel(y);
    e = dc.GetTextExtent(text);
    dc.TextOut(p.x() - 5, p.y() - e.height() / 2, text);
  }
  for (int i = 0; i <= m_nDepthDivisions; ++i) {
    double z = m_dZMin + i * (m_dZMax - m_dZMin) / m_nDepthDivisions;
    p = MapToPixel3D(m_dBoxXMax, m_dBoxYMin, z);
    std::string text = FormatDepthLabel(z);
    e = dc.GetTextExtent(text);
    dc.TextOut(p.x() + e.width() + 2, p.y() + e.height() / 2, text);
  }

  dc.SelectFont(m_rotatedFont);
  e = dc.GetTextExtent(m_szYTitle);
  dc.TextOut(m_chartRect.left + e.height() / 2,
             (m_chartRect.top + m_chartRect.bottom) / 2 - e.width() / 2, m_szYTitle);
  dc.SetBkMode(oldMode);
  dc.SelectFont(oldFont);
}

void Chart3DCtrl::CreateFonts() {
  m_rotatedFont = DcFont::FromPoints(7, 0, 900, kChartFontFace);
  m_titleFont = DcFont::FromPoints(9, 700, 0, kChartFontFace);
  m_labelFont = DcFont::FromPoints(7, 0, static_cast<int>(m_dXAngle) * 10, kChartFontFace);
  m_depthFont = DcFont::FromPoints(7, 0, static_cast<int>(m_dZAngle) * 10, kChartFontFace);
}
