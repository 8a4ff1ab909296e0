#include "chart/spectrogram_chart.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/chart_log_axis.h"
#include "chart/chart_math.h"

namespace {

// The smallest of 1, 2, 5 × 10^n at least `least`.
double NiceStep(double least) {
  if (!(least > 0)) return 1;
  const double decade = std::pow(10.0, std::floor(std::log10(least)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * decade >= least * (1 - 1e-9)) return m * decade;
  }
  return 10 * decade;
}

int64_t FloorMod(int64_t a, int64_t n) { return ((a % n) + n) % n; }

}  // namespace

std::vector<FrequencyLine> SpectrogramFrequencyLines(const SpectrogramAxes& axes, int maxLines) {
  std::vector<FrequencyLine> lines;
  const double lo = axes.lowHz, hi = axes.highHz;
  if (!(hi > lo)) return lines;
  if (axes.logAxis) {
    if (!(lo > 0)) return lines;
    const double l0 = std::log10(lo), l1 = std::log10(hi);
    for (const LogAxisLine& line : LogAxisLines(l0, l1)) {
      lines.push_back({(line.position - l0) / (l1 - l0), line.label});
    }
    return lines;
  }
  const double step = NiceStep((hi - lo) / std::max(maxLines, 1));
  for (double f = std::ceil(lo / step - 1e-9) * step; f <= hi * (1 + 1e-12); f += step) {
    lines.push_back({(f - lo) / (hi - lo), FrequencyLabel(std::fabs(f) < step * 1e-9 ? 0.0 : f)});
  }
  return lines;
}

std::vector<double> ColorBarTicks(double bottomDb, double topDb, int maxLabels) {
  std::vector<double> ticks;
  if (!(topDb > bottomDb)) return ticks;
  // The finest step of 1, 2 or 5 × 10^n dB that gives no more than maxLabels levels.
  const int most = std::max(maxLabels, 2);
  double step = NiceStep((topDb - bottomDb) / (4.0 * most));
  auto count = [&](double s) {
    return std::floor(topDb / s + 1e-9) - std::ceil(bottomDb / s - 1e-9) + 1;
  };
  while (count(step) > most) step = NiceStep(step * 1.01);
  for (double v = std::ceil(bottomDb / step - 1e-9) * step; v <= topDb + 1e-9; v += step) {
    ticks.push_back(std::fabs(v) < 1e-9 ? 0.0 : v);
  }
  return ticks;
}

bool SpectrogramCellAt(int x, int y, const DcRect& plot, int64_t end, SpectrogramCell& cell) {
  if (x < plot.left || x >= plot.right || y < plot.top || y >= plot.bottom) return false;
  cell.column = end - (plot.right - x);
  cell.row = y - plot.top;
  return true;
}

std::string FormatSpectrogramReadout(const SpectrogramPoint& point, bool measured,
                                     const std::string& unit) {
  char buffer[96];
  const std::string hz = FrequencyLabel(
      point.frequency < 1000 ? std::round(point.frequency) : std::round(point.frequency / 10) * 10);
  if (measured) {
    std::snprintf(buffer, sizeof buffer, "%.2f s  %s Hz  %.1f %s", point.seconds, hz.c_str(),
                  point.level, unit.c_str());
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2f s  %s Hz  no data", point.seconds, hz.c_str());
  }
  return buffer;
}

SpectrogramChart::SpectrogramChart() {
  m_bZoomable = 0;
  SetTitle("");
}

int SpectrogramChart::PictureColumns() const {
  return std::max(m_chartRect.right - kBarMargin - m_plotRect.left, 1);
}

void SpectrogramChart::FitPlot() {
  const int right = m_plotRect.left + PictureColumns();
  if (m_plotRect.right == right) return;
  m_plotRect.right = right;
  RecalcScale();
  m_bDirty = 1;
}

void SpectrogramChart::DrawBackground(DeviceContext& dc) {
  FitPlot();
  ChartCtrl::DrawBackground(dc);
}

void SpectrogramChart::SetSource(SpectrogramColumnSource* source) {
  m_pSource = source;
  m_bPictureValid = false;
}

void SpectrogramChart::SetAxes(const SpectrogramAxes& axes) {
  m_axes = axes;
  FitPlot();
  // x in seconds before the newest column, y as the axis position 0 .. 1.
  SetRange(-axes.spanSeconds, 0, 0, 1);
  SetAxisTitles("Time(s)", axes.logAxis ? "Frequency(Hz, log)" : "Frequency(Hz)");
  // Whole steps of 1, 2 or 5 × 10^n seconds where the span allows, else ten.
  const double step = NiceStep(axes.spanSeconds / 10);
  const double divisions = axes.spanSeconds / step;
  const bool whole = std::fabs(divisions - std::round(divisions)) < 1e-6 && divisions >= 1;
  SetGridDivisions(whole ? static_cast<int>(std::lround(divisions)) : 10, 1);
  m_bPictureValid = false;
  Refresh(1);
}

int SpectrogramChart::ShowColumns(int64_t end) {
  FitPlot();
  const int w = PictureColumns(), h = PictureRows();
  if (w <= 0 || h <= 0) return 0;
  if (m_picture.IsNull() || m_picture.Width() != w || m_picture.Height() != h) {
    m_picture = DcBitmap::Create(w, h);
    m_bPictureValid = false;
  }
  m_column.resize(static_cast<std::size_t>(h));
  int64_t from = m_nEnd;
  if (!m_bPictureValid || end < m_nEnd || end - m_nEnd > w) from = end - w;
  QImage& image = *m_picture.Image();
  const uint32_t background = PixelFromRef(m_bkColor);
  int drawn = 0;
  for (int64_t c = from; c < end; ++c) {
    if (m_pSource != nullptr) {
      m_pSource->ColumnPixels(c, m_column.data(), h);
    } else {
      std::fill(m_column.begin(), m_column.end(), background);
    }
    const int x = static_cast<int>(FloorMod(c, w));
    for (int y = 0; y < h; ++y) reinterpret_cast<uint32_t*>(image.scanLine(y))[x] = m_column[y];
    ++drawn;
  }
  m_nEnd = end;
  m_bPictureValid = true;
  if (drawn > 0) update();
  return drawn;
}

void SpectrogramChart::DrawSeries(DeviceContext& dc) {
  const int w = PictureColumns(), h = PictureRows();
  if (!m_picture.IsNull() && m_bPictureValid && m_picture.Width() == w && m_picture.Height() == h) {
    auto source = DeviceContext::CreateCompatibleDC(&dc);
    DcBitmap previous = source->SelectBitmap(m_picture);
    // The oldest column shown sits at end mod w: from there to the image's right edge first.
    const int split = static_cast<int>(FloorMod(m_nEnd, w));
    dc.BitBlt(m_plotRect.left, m_plotRect.top, w - split, h, *source, split, 0, SRCCOPY);
    if (split > 0) {
      dc.BitBlt(m_plotRect.left + w - split, m_plotRect.top, split, h, *source, 0, 0, SRCCOPY);
    }
    source->SelectBitmap(previous);
  }
  DrawGridLines(dc);
  DrawAxes(dc);
}

void SpectrogramChart::DrawGrid(DeviceContext& dc) {
  dc.FillRect(m_plotRect, DcBrush::Solid(m_bkColor));
}

void SpectrogramChart::DrawGridLines(DeviceContext& dc) {
  DcPen old = dc.SelectPen(DcPen::Create(PS_DOT, 1, m_gridColor));
  const int h = m_plotRect.Height();
  for (const FrequencyLine& line : SpectrogramFrequencyLines(m_axes, 10)) {
    const int y = m_plotRect.bottom - static_cast<int>(std::lround(line.position * h));
    Line(dc, QPoint(m_plotRect.left, y), QPoint(m_plotRect.right, y));
  }
  for (int i = 0; i <= m_nXDivisions; ++i) {
    const double x = m_dXMin + i * (m_dXMax - m_dXMin) / m_nXDivisions;
    Line(dc, MapToPixel(x, m_dYMin), MapToPixel(x, m_dYMax));
  }
  dc.SelectPen(old);
}

void SpectrogramChart::DrawLabels(DeviceContext& dc) {
  DcFont oldFont = dc.SelectFont(m_labelFont);
  dc.SetBkMode(TRANSPARENT);
  const int h = m_plotRect.Height();
  // Frequencies left of the plot, centred on their lines.
  dc.SetTextAlign(TA_RIGHT | TA_TOP);
  for (const FrequencyLine& line : SpectrogramFrequencyLines(m_axes, 10)) {
    if (line.label.empty()) continue;
    const int y = m_plotRect.bottom - static_cast<int>(std::lround(line.position * h));
    const QSize e = dc.GetTextExtent(line.label);
    dc.TextOut(m_plotRect.left - 5, y - e.height() / 2, line.label);
  }
  // Times under the plot, as the chart labels its x axis.
  for (int i = 0; i <= m_nXDivisions; ++i) {
    const double x = m_dXMin + i * (m_dXMax - m_dXMin) / m_nXDivisions;
    const QPoint p = MapToPixel(x, m_dYMin);
    const std::string text = FormatXTickLabel(x);
    const QSize te = dc.GetTextExtent(text);
    dc.TextOut(p.x() + te.width() / 2, p.y() + te.height() / 2, text);
  }
  QSize e = dc.GetTextExtent(m_szXTitle);
  dc.TextOut((m_chartRect.left + m_chartRect.right) / 2 + e.width() / 2,
             m_chartRect.bottom - e.height() - 5, m_szXTitle);

  // The colour bar: one band of its colours a pixel row, ticks and levels to its right, the
  // unit above.
  const int barLeft = m_plotRect.right + 12, barRight = barLeft + 12;
  const std::vector<uint32_t>& colors = m_axes.barColors;
  if (!colors.empty() && h > 0) {
    for (int y = m_plotRect.top; y < m_plotRect.bottom; ++y) {
      const double position = (m_plotRect.bottom - y - 0.5) / h;
      const std::size_t i = std::min(
          colors.size() - 1, static_cast<std::size_t>(std::max(0.0, position * colors.size())));
      const uint32_t c = colors[i];
      dc.FillSolidRect(DcRect{barLeft, y, barRight, y + 1},
                       RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    }
  }
  DcPen oldPen = dc.SelectPen(DcPen::Create(PS_SOLID, 1, RGB(0, 0, 0)));
  DcBrush oldBrush = dc.SelectBrush(GetStockBrush(NULL_BRUSH));
  dc.Rectangle(barLeft - 1, m_plotRect.top - 1, barRight + 1, m_plotRect.bottom + 1);
  dc.SelectBrush(oldBrush);
  dc.SetTextAlign(TA_LEFT | TA_TOP);
  const double range = m_axes.dbTop - m_axes.dbBottom;
  for (double v : ColorBarTicks(m_axes.dbBottom, m_axes.dbTop, std::max(2, h / 30))) {
    const int y =
        m_plotRect.bottom - static_cast<int>(std::lround((v - m_axes.dbBottom) / range * h));
    Line(dc, QPoint(barRight, y), QPoint(barRight + 4, y));
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    const QSize te = dc.GetTextExtent(std::string(text));
    dc.TextOut(barRight + 6, y - te.height() / 2, std::string(text));
  }
  dc.SelectPen(oldPen);
  const QSize ue = dc.GetTextExtent(m_axes.unit);
  dc.TextOut(barLeft - 4, m_plotRect.top - ue.height() - 4, m_axes.unit);

  dc.SelectFont(m_rotatedFont);
  e = dc.GetTextExtent(m_szYTitle);
  dc.SetTextAlign(TA_RIGHT | TA_TOP);
  dc.TextOut(m_chartRect.left + e.height() / 2,
             (m_chartRect.top + m_chartRect.bottom) / 2 - e.width() / 2, m_szYTitle);
  dc.SelectFont(oldFont);
}

void SpectrogramChart::DrawCursor(DeviceContext& dc) {
  SpectrogramCell cell;
  if (!SpectrogramCellAt(m_nMouseX, m_nMouseY, m_plotRect, m_nEnd, cell)) return;
  dc.SetBkMode(TRANSPARENT);
  DcPen old = dc.SelectPen(DcPen::Create(PS_SOLID, 0, RGB(0, 0, 0)));
  Line(dc, QPoint(m_nMouseX, m_plotRect.top), QPoint(m_nMouseX, m_plotRect.bottom));
  Line(dc, QPoint(m_plotRect.left, m_nMouseY), QPoint(m_plotRect.right, m_nMouseY));
  dc.SelectPen(old);
  if (m_pSource == nullptr) return;
  SpectrogramPoint point;
  const bool measured = m_pSource->Readout(cell.column, cell.row, point);
  const std::string text = FormatSpectrogramReadout(point, measured, m_axes.unit);
  DcFont oldFont = dc.SelectFont(m_labelFont);
  dc.SetTextAlign(TA_LEFT | TA_TOP);
  const QSize e = dc.GetTextExtent(text);
  // Beside the mouse, kept inside the plot.
  const int x = std::min(m_nMouseX + 4, m_plotRect.right - e.width() - 6);
  const int y =
      m_nMouseY + e.height() + 6 < m_plotRect.bottom ? m_nMouseY + 3 : m_nMouseY - e.height() - 5;
  DcBrush oldBrush = dc.SelectBrush(GetStockBrush(LTGRAY_BRUSH));
  dc.Rectangle(x, y, x + e.width() + 5, y + e.height() + 2);
  dc.SelectBrush(oldBrush);
  dc.TextOut(x + 2, y + 1, text);
  dc.SelectFont(oldFont);
}
