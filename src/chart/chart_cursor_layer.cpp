#include "chart/chart_cursor_layer.h"

#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/spectrum_peaks.h"

namespace {

const char* const kCursorNames[kChartCursorCount] = {"X1", "X2", "Y1", "Y2"};
const char* const kDelta = "\xCE\x94";  // the Greek capital delta, UTF-8

bool IsVertical(int id) { return id == kCursorX1 || id == kCursorX2; }

// The unit of 1/dX and the factor that brings 1/dX into it.
void InverseUnit(const std::string& unit, std::string& inverse, double& factor) {
  struct Entry {
    const char* unit;
    const char* inverse;
    double factor;
  };
  static const Entry kTable[] = {{"s", "Hz", 1},           {"ms", "Hz", 1e3}, {"us", "Hz", 1e6},
                                 {"\xC2\xB5s", "Hz", 1e6}, {"Hz", "s", 1},    {"kHz", "ms", 1}};
  for (const Entry& e : kTable) {
    if (unit == e.unit) {
      inverse = e.inverse;
      factor = e.factor;
      return;
    }
  }
  inverse = unit.empty() ? std::string() : "1/" + unit;
  factor = 1;
}

}  // namespace

std::string InverseUnitOf(const std::string& unit, double& factor) {
  std::string inverse;
  InverseUnit(unit, inverse, factor);
  return inverse;
}

std::string AxisTitleUnit(const std::string& title) {
  const std::size_t open = title.find('(');
  if (open != std::string::npos) {
    const std::size_t end = title.find_first_of(",)", open + 1);
    std::string unit = title.substr(open + 1, end == std::string::npos ? end : end - open - 1);
    unit.erase(0, unit.find_first_not_of(' '));
    unit.erase(unit.find_last_not_of(' ') + 1);
    return unit;
  }
  if (title == "Degree") return "\xC2\xB0";
  return std::string();
}

std::string FormatReadoutValue(double v, const std::string& unit, double resolution) {
  if (std::fabs(v) < resolution) v = 0;
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", v);
  return unit.empty() ? std::string(text) : std::string(text) + " " + unit;
}

std::vector<std::string> CursorReadoutLines(const CursorReadoutText& in) {
  std::vector<std::string> lines;
  const CursorPositions& p = in.positions;
  const CursorReadout r = ComputeCursorReadout(p);
  const bool on[4] = {p.x1On, p.x2On, p.y1On, p.y2On};
  const double value[4] = {p.x1, p.x2, p.y1, p.y2};
  for (int id = kCursorX1; id <= kCursorX2; ++id) {
    if (!on[id]) continue;
    std::string line = std::string(kCursorNames[id]) + " = " +
                       FormatReadoutValue(value[id], in.xUnit, in.xResolution);
    if (in.track) {
      line += in.trackedValid[id]
                  ? "   y = " + FormatReadoutValue(in.tracked[id], in.yUnit, in.yResolution)
                  : std::string("   y = ---");
    }
    lines.push_back(line);
  }
  if (r.hasDx) {
    lines.push_back(std::string(kDelta) +
                    "X = " + FormatReadoutValue(r.dx, in.xUnit, in.xResolution));
    std::string unit;
    double factor = 1;
    InverseUnit(in.xUnit, unit, factor);
    lines.push_back("1/" + std::string(kDelta) + "X = " +
                    (r.hasInvDx ? FormatReadoutValue(r.invDx * factor, unit) : std::string("---")));
    if (in.track && in.trackedValid[0] && in.trackedValid[1]) {
      lines.push_back(std::string(kDelta) + "y = " +
                      FormatReadoutValue(in.tracked[1] - in.tracked[0], in.yUnit, in.yResolution));
    }
  }
  for (int id = kCursorY1; id <= kCursorY2; ++id) {
    if (on[id]) {
      lines.push_back(std::string(kCursorNames[id]) + " = " +
                      FormatReadoutValue(value[id], in.yUnit, in.yResolution));
    }
  }
  if (r.hasDy)
    lines.push_back(std::string(kDelta) +
                    "Y = " + FormatReadoutValue(r.dy, in.yUnit, in.yResolution));
  return lines;
}

std::vector<std::string> MarkerTableLines(const std::vector<ChartMarker>& markers) {
  std::vector<std::string> lines;
  const ChartMarker* ref = nullptr;
  for (const ChartMarker& m : markers) {
    if (m.reference) ref = &m;
  }
  for (const ChartMarker& m : markers) {
    char text[160];
    std::snprintf(text, sizeof text, "%s  %s  %.2f dB", m.name.c_str(),
                  FormatReadoutValue(m.hz, "Hz").c_str(), m.db);
    std::string line = text;
    if (ref != nullptr && &m != ref) {
      const MarkerDelta d = MarkerDeltaTo(m.hz, m.db, ref->hz, ref->db);
      std::snprintf(text, sizeof text, "   %s %s  %+.2f dB", kDelta,
                    FormatReadoutValue(d.hz, "Hz").c_str(), d.db);
      line += text;
    }
    lines.push_back(line);
  }
  return lines;
}

bool ChartCursorLayer::IsActive() const {
  return m_on[0] || m_on[1] || m_on[2] || m_on[3] || !m_markers.empty();
}

void ChartCursorLayer::SetCursorOn(int id, bool on) {
  if (id < 0 || id >= kChartCursorCount) return;
  m_on[id] = on;
  if (!on && m_nDragging == id) m_nDragging = -1;
}

bool ChartCursorLayer::IsCursorOn(int id) const {
  return id >= 0 && id < kChartCursorCount && m_on[id];
}

void ChartCursorLayer::SetCursorValue(int id, double value) {
  if (id >= 0 && id < kChartCursorCount && std::isfinite(value)) m_value[id] = value;
}

double ChartCursorLayer::CursorValue(int id) const {
  return id >= 0 && id < kChartCursorCount ? m_value[id] : 0.0;
}

void ChartCursorLayer::SelectCursor(int id) {
  if (id >= 0 && id < kChartCursorCount) m_nSelected = id;
}

void ChartCursorLayer::SetUnits(const std::string& xUnit, const std::string& yUnit) {
  m_xUnit = xUnit;
  m_yUnit = yUnit;
}

CursorPositions ChartCursorLayer::Positions(const CursorChartView& view) const {
  CursorPositions p;
  p.x1On = m_on[kCursorX1];
  p.x2On = m_on[kCursorX2];
  p.y1On = m_on[kCursorY1];
  p.y2On = m_on[kCursorY2];
  p.x1 = view.logX ? std::pow(10.0, m_value[kCursorX1]) : m_value[kCursorX1];
  p.x2 = view.logX ? std::pow(10.0, m_value[kCursorX2]) : m_value[kCursorX2];
  p.y1 = m_value[kCursorY1];
  p.y2 = m_value[kCursorY2];
  return p;
}

CursorReadoutText ChartCursorLayer::Readout(const CursorChartView& view) const {
  CursorReadoutText r;
  r.positions = Positions(view);
  r.track = m_bTrack;
  r.xUnit = m_xUnit;
  r.yUnit = m_yUnit;
  // A ten-millionth of the window: far below a pixel, far above rounding.
  r.xResolution = view.logX ? 0 : std::fabs(view.xmax - view.xmin) * 1e-7;
  r.yResolution = std::fabs(view.ymax - view.ymin) * 1e-7;
  if (m_bTrack) {
    for (int id = kCursorX1; id <= kCursorX2; ++id) {
      r.trackedValid[id] = m_on[id] && TraceValueAt(view.traceX, view.traceY, view.traceCount,
                                                    m_value[id], r.tracked[id]);
    }
  }
  return r;
}

// Pixels are found with a little slack so that a value set from a pixel maps back onto it
// despite rounding.
int ChartCursorLayer::PixelX(double x, const CursorChartView& view) {
  const double upp = (view.xmax - view.xmin) / (view.plot.right - view.plot.left);
  const double f = std::floor((x - view.xmin) / upp + 1e-7);
  return view.plot.left + static_cast<int>(std::clamp(f, -32768.0, 32768.0));
}

int ChartCursorLayer::PixelY(double y, const CursorChartView& view) {
  const double upp = (view.ymax - view.ymin) / (view.plot.bottom - view.plot.top);
  const double f = std::floor((y - view.ymin) / upp + 1e-7);
  return view.plot.bottom - static_cast<int>(std::clamp(f, -32768.0, 32768.0));
}

double ChartCursorLayer::DataAtPixel(int id, int pixel, const CursorChartView& view) const {
  const DcRect& plot = view.plot;
  if (IsVertical(id)) {
    pixel = std::clamp(pixel, plot.left, plot.right - 1);
    return view.xmin + (pixel - plot.left) * (view.xmax - view.xmin) / (plot.right - plot.left);
  }
  pixel = std::clamp(pixel, plot.top + 1, plot.bottom);
  return view.ymin - (pixel - plot.bottom) * (view.ymax - view.ymin) / (plot.bottom - plot.top);
}

void ChartCursorLayer::SnapIfAsked(int id, const CursorChartView& view) {
  if (!m_bSnap || !IsVertical(id) || view.traceCount < 3) return;
  const double upp = (view.xmax - view.xmin) / (view.plot.right - view.plot.left);
  const double radius = kSnapPixels * upp;
  const double context = std::max(radius, kSnapContextShare * (view.xmax - view.xmin));
  const SnapResult r =
      SnapToTrace(view.traceX, view.traceY, view.traceCount, m_value[id], radius, context);
  if (r.kind != SnapResult::kNone) m_value[id] = r.x;
}

bool ChartCursorLayer::Press(QPoint p, const CursorChartView& view) {
  const DcRect& plot = view.plot;
  const int g = kGrabPixels;
  if (p.x() < plot.left - g || p.x() > plot.right + g || p.y() < plot.top - g ||
      p.y() > plot.bottom + g) {
    return false;
  }
  int best = -1, bestDistance = g + 1;
  // The selected cursor first, so that of two on one another the one being worked on is taken.
  for (int k = 0; k < kChartCursorCount; ++k) {
    const int id = (m_nSelected + k) % kChartCursorCount;
    if (!m_on[id]) continue;
    const int d = IsVertical(id) ? std::abs(PixelX(m_value[id], view) - p.x())
                                 : std::abs(PixelY(m_value[id], view) - p.y());
    if (d < bestDistance) {
      best = id;
      bestDistance = d;
    }
  }
  if (best < 0) return false;
  m_nDragging = best;
  m_nSelected = best;
  m_pressedAt = p;
  m_bMoved = false;
  return true;
}

bool ChartCursorLayer::Move(QPoint p, const CursorChartView& view) {
  if (m_nDragging < 0) return false;
  // A click that does not move selects the cursor and leaves it where it is.
  if (!m_bMoved && p == m_pressedAt) return true;
  m_bMoved = true;
  m_value[m_nDragging] = DataAtPixel(m_nDragging, IsVertical(m_nDragging) ? p.x() : p.y(), view);
  return true;
}

bool ChartCursorLayer::Release(QPoint p, const CursorChartView& view) {
  if (m_nDragging < 0) return false;
  Move(p, view);
  if (m_bMoved) SnapIfAsked(m_nDragging, view);
  m_nDragging = -1;
  return true;
}

bool ChartCursorLayer::Key(int key, bool shift, QPoint mouse, const CursorChartView& view) {
  const DcRect& plot = view.plot;
  const bool mouseInPlot = mouse.x() >= plot.left && mouse.x() < plot.right &&
                           mouse.y() >= plot.top && mouse.y() < plot.bottom;
  int place = -1;
  if (key >= Qt::Key_1 && key <= Qt::Key_4) place = key - Qt::Key_1;
  if (key == Qt::Key_Space) place = m_nSelected;
  if (place >= 0) {
    if (!mouseInPlot) return false;
    m_on[place] = true;
    m_nSelected = place;
    m_value[place] = DataAtPixel(place, IsVertical(place) ? mouse.x() : mouse.y(), view);
    SnapIfAsked(place, view);
    return true;
  }
  const int id = m_nSelected;
  if (!m_on[id]) return false;
  int step = 0;
  if (IsVertical(id)) {
    if (key == Qt::Key_Left) step = -1;
    if (key == Qt::Key_Right) step = 1;
  } else {
    if (key == Qt::Key_Down) step = -1;
    if (key == Qt::Key_Up) step = 1;
  }
  if (step == 0) return false;
  const double lo = IsVertical(id) ? view.xmin : view.ymin;
  const double hi = IsVertical(id) ? view.xmax : view.ymax;
  double v = m_value[id];
  if (shift) {
    const int divisions = std::max(1, IsVertical(id) ? view.xDivisions : view.yDivisions);
    v += step * (hi - lo) / divisions;
  } else if (IsVertical(id)) {
    v = DataAtPixel(id, PixelX(v, view) + step, view);
  } else {
    v = DataAtPixel(id, PixelY(v, view) - step, view);
  }
  m_value[id] = std::clamp(v, std::min(lo, hi), std::max(lo, hi));
  return true;
}

void ChartCursorLayer::DrawBox(DeviceContext& dc, const std::vector<std::string>& lines, int x,
                               int y, bool alignRight) const {
  if (lines.empty()) return;
  int width = 0, height = 0;
  for (const std::string& line : lines) {
    const QSize e = dc.GetTextExtent(line);
    width = std::max(width, e.width());
    height = std::max(height, e.height());
  }
  const int boxWidth = width + 6;
  const int boxHeight = height * static_cast<int>(lines.size()) + 4;
  const int left = alignRight ? x - boxWidth : x;
  DcPen oldPen = dc.SelectPen(DcPen::Create(PS_SOLID, 1, RGB(96, 96, 96)));
  DcBrush oldBrush = dc.SelectBrush(DcBrush::Solid(RGB(255, 255, 232)));
  dc.Rectangle(left, y, left + boxWidth, y + boxHeight);
  dc.SelectBrush(oldBrush);
  dc.SelectPen(oldPen);
  for (size_t i = 0; i < lines.size(); ++i) {
    dc.TextOut(left + 3, y + 2 + static_cast<int>(i) * height, lines[i]);
  }
}

void ChartCursorLayer::Draw(DeviceContext& dc, const CursorChartView& view,
                            const DcFont& font) const {
  if (!IsActive()) return;
  const DcRect& plot = view.plot;
  // The crosshair drawn after this relies on the context's defaults: all is put back.
  DcFont oldFont = dc.SelectFont(font);
  const int oldMode = dc.SetBkMode(TRANSPARENT);
  const int oldAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
  const COLORREF oldText = dc.SetTextColor(RGB(0, 0, 0));
  DcPen oldPen = dc.GetPen();
  DcBrush oldBrush = dc.GetBrush();
  const CursorReadoutText readout = Readout(view);
  for (int id = 0; id < kChartCursorCount; ++id) {
    if (!m_on[id]) continue;
    dc.SelectPen(DcPen::Create(PS_SOLID, id == m_nSelected ? 2 : 1, m_colors[id]));
    dc.SetTextColor(m_colors[id]);
    const std::string name = kCursorNames[id];
    const QSize e = dc.GetTextExtent(name);
    if (IsVertical(id)) {
      const int px = PixelX(m_value[id], view);
      if (px < plot.left || px >= plot.right) continue;
      dc.MoveTo(px, plot.top);
      dc.LineTo(px, plot.bottom);
      dc.TextOut(px + 3, plot.bottom - e.height() - 2 - (id == kCursorX2 ? e.height() : 0), name);
      if (readout.trackedValid[id]) {
        const int py = PixelY(readout.tracked[id], view);
        if (py > plot.top && py <= plot.bottom) {
          dc.SelectBrush(DcBrush::Solid(m_colors[id]));
          dc.Rectangle(px - 3, py - 3, px + 4, py + 4);
        }
      }
    } else {
      const int py = PixelY(m_value[id], view);
      if (py <= plot.top || py > plot.bottom) continue;
      dc.MoveTo(plot.left, py);
      dc.LineTo(plot.right, py);
      dc.TextOut(plot.right - e.width() - 3 - (id == kCursorY2 ? e.width() + 4 : 0),
                 py - e.height() - 1, name);
    }
  }
  dc.SetTextColor(RGB(0, 0, 0));
  for (const ChartMarker& m : m_markers) {
    const int px = PixelX(m.x, view), py = PixelY(m.y, view);
    if (px < plot.left || px >= plot.right) continue;
    const int tip = std::clamp(py, plot.top + 8, plot.bottom);
    const COLORREF color = m.reference ? RGB(0, 0, 0) : RGB(200, 0, 0);
    dc.SelectPen(DcPen::Create(PS_SOLID, 1, color));
    dc.SelectBrush(DcBrush::Solid(color));
    const QPoint tri[3] = {QPoint(px, tip - 1), QPoint(px - 4, tip - 8), QPoint(px + 4, tip - 8)};
    dc.Polygon(tri, 3);
    const QSize e = dc.GetTextExtent(m.name);
    dc.TextOut(px - e.width() / 2, tip - 9 - e.height(), m.name);
  }
  if (m_bShowReadout) {
    DrawBox(dc, CursorReadoutLines(readout), plot.left + 4, plot.top + 4, false);
    if (m_bShowMarkerTable) {
      DrawBox(dc, MarkerTableLines(m_markers), plot.right - 4, plot.top + 4, true);
    }
  }
  dc.SelectBrush(oldBrush);
  dc.SelectPen(oldPen);
  dc.SetTextColor(oldText);
  dc.SetTextAlign(oldAlign);
  dc.SetBkMode(oldMode);
  dc.SelectFont(oldFont);
}
