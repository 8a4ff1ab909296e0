#include "analysis/spectrogram_raster.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysis/log_frequency_axis.h"

namespace {

SpectrogramRasterSettings Sanitised(SpectrogramRasterSettings s) {
  s.rate = std::max(s.rate, 1);
  s.fftSize = std::max(s.fftSize, 2);
  s.hop = std::clamp(s.hop, 1, s.fftSize);
  s.columns = std::max(s.columns, 1);
  s.rows = std::max(s.rows, 1);
  if (!(s.spanSeconds > 0)) s.spanSeconds = 1;
  return s;
}

__extension__ typedef unsigned __int128 Wide;

// floor(value × num / den), exact for any column a run can reach.
int64_t MulDivFloor(int64_t value, uint64_t num, uint64_t den) {
  if (value < 0) {
    const Wide v = static_cast<Wide>(static_cast<uint64_t>(-value));
    return -static_cast<int64_t>((v * num + den - 1) / den);
  }
  return static_cast<int64_t>(static_cast<Wide>(static_cast<uint64_t>(value)) * num / den);
}

}  // namespace

SpectrogramRaster::SpectrogramRaster(const SpectrogramRasterSettings& settings)
    : m_settings(Sanitised(settings)) {
  const SpectrogramRasterSettings& s = m_settings;
  // Transforms a column: span × rate / (hop × columns), kept as a reduced fraction (the span in
  // milliseconds) so that long runs do not drift.
  const uint64_t spanMs = static_cast<uint64_t>(std::max(1.0, std::round(s.spanSeconds * 1000)));
  uint64_t num = spanMs * static_cast<uint64_t>(s.rate);
  uint64_t den = 1000ull * static_cast<uint64_t>(s.hop) * static_cast<uint64_t>(s.columns);
  const uint64_t g = std::gcd(num, den);
  m_nNum = num / g;
  m_nDen = den / g;

  const int half = s.fftSize / 2;
  if (s.logAxis) {
    const LogFrequencyRange axis = LogFrequencyAxis(s.rate, s.fftSize);
    m_dLow = axis.low;
    m_dHigh = axis.high;
  } else {
    m_dLow = 0;
    m_dHigh = s.rate / 2.0;
  }
  const double binsPerHz = static_cast<double>(s.fftSize) / s.rate;
  m_rowBins.resize(s.rows);
  for (int r = 0; r < s.rows; ++r) {
    const double lo = RowLow(r);
    const double hi = RowHigh(r);
    BinRange b;
    b.first = static_cast<int>(std::ceil(lo * binsPerHz - 1e-9));
    // The top row holds the bin at half the rate, its upper edge.
    b.last = r == 0 ? half + 1 : static_cast<int>(std::ceil(hi * binsPerHz - 1e-9));
    b.first = std::clamp(b.first, 0, half);
    b.last = std::clamp(b.last, 0, half + 1);
    if (b.last <= b.first) {
      const int nearest =
          std::clamp(static_cast<int>(std::lround(RowCentre(r) * binsPerHz)), 0, half);
      b = {nearest, nearest + 1};
    }
    m_rowBins[r] = b;
  }
  m_binMax.assign(static_cast<std::size_t>(half) + 1, SpectrogramHistory::kLevelMin);
}

TransformRange SpectrogramRaster::ColumnTransforms(int64_t column) const {
  TransformRange t;
  t.first = MulDivFloor(column, m_nNum, m_nDen);
  t.last = std::max(MulDivFloor(column + 1, m_nNum, m_nDen), t.first + 1);
  return t;
}

int64_t SpectrogramRaster::ColumnOf(int64_t transform) const {
  // The first column c with floor(c × num / den) >= transform, then back while it still holds it.
  if (transform <= 0) return 0;
  const Wide t = static_cast<Wide>(static_cast<uint64_t>(transform));
  int64_t c = static_cast<int64_t>((t * m_nDen + m_nNum - 1) / m_nNum);
  while (c > 0 && ColumnTransforms(c - 1).last > transform) --c;
  while (ColumnTransforms(c).last <= transform) ++c;
  return c;
}

int64_t SpectrogramRaster::EndColumn(const SpectrogramHistory& history) const {
  const int64_t end = history.End();
  if (history.Appended() == 0) return 0;
  // The last column whose transforms all lie before end.
  int64_t c = ColumnOf(end);
  while (c > 0 && ColumnTransforms(c - 1).last > end) --c;
  while (ColumnTransforms(c).last <= end) ++c;
  return c;
}

double SpectrogramRaster::AxisPosition(double hz) const {
  if (m_settings.logAxis) {
    if (!(hz > 0)) return -1e9;
    return LogAxisPosition(hz, LogFrequencyRange{m_dLow, m_dHigh});
  }
  return (hz - m_dLow) / (m_dHigh - m_dLow);
}

double SpectrogramRaster::RowLow(int row) const {
  const double position = static_cast<double>(m_settings.rows - 1 - row) / m_settings.rows;
  if (m_settings.logAxis) return LogAxisFrequency(position, LogFrequencyRange{m_dLow, m_dHigh});
  return m_dLow + position * (m_dHigh - m_dLow);
}

double SpectrogramRaster::RowCentre(int row) const {
  const double position = (m_settings.rows - 0.5 - row) / m_settings.rows;
  if (m_settings.logAxis) return LogAxisFrequency(position, LogFrequencyRange{m_dLow, m_dHigh});
  return m_dLow + position * (m_dHigh - m_dLow);
}

int SpectrogramRaster::RowOf(double hz) const {
  const double position = AxisPosition(hz);
  const double fromBottom = std::floor(std::clamp(position, -1e6, 1e6) * m_settings.rows);
  // The upper edge belongs to the top row.
  if (position >= 1.0 && position < 1.0 + 1e-12) return 0;
  return m_settings.rows - 1 - static_cast<int>(fromBottom);
}

double SpectrogramRaster::ColumnSeconds(int64_t column) const {
  const TransformRange t = ColumnTransforms(column);
  const double startFrame = (t.first + t.last - 1) / 2.0 * m_settings.hop;
  return (startFrame + m_settings.fftSize / 2.0) / m_settings.rate;
}

SpectrogramColumnState SpectrogramRaster::DrawColumn(const SpectrogramHistory& history, int channel,
                                                     int64_t column, int16_t* rowLevels) {
  const TransformRange t = ColumnTransforms(column);
  const int bins = std::min(static_cast<int>(m_binMax.size()), history.Bins());
  int measured = 0;
  int lost = 0;
  for (int64_t j = t.first; j < t.last; ++j) {
    const int16_t* levels = history.Levels(j, channel);
    if (levels == nullptr) {
      if (history.IsLost(j)) ++lost;
      continue;
    }
    if (measured == 0) {
      std::copy(levels, levels + bins, m_binMax.begin());
    } else {
      for (int k = 0; k < bins; ++k) m_binMax[k] = std::max(m_binMax[k], levels[k]);
    }
    ++measured;
  }
  if (measured == 0) {
    std::fill(rowLevels, rowLevels + m_settings.rows, SpectrogramHistory::kLevelMin);
    return lost > 0 ? kColumnLost : kColumnEmpty;
  }
  for (int r = 0; r < m_settings.rows; ++r) {
    const BinRange& b = m_rowBins[r];
    int16_t best = SpectrogramHistory::kLevelMin;
    for (int k = b.first; k < b.last && k < bins; ++k) best = std::max(best, m_binMax[k]);
    rowLevels[r] = best;
  }
  return lost > 0 ? kColumnPartial : kColumnMeasured;
}

SpectrogramReadout ReadSpectrogram(const SpectrogramRaster& raster,
                                   const SpectrogramHistory& history, int channel, int64_t column,
                                   int row) {
  SpectrogramReadout out;
  if (row < 0 || row >= raster.Rows()) return out;
  out.seconds = raster.ColumnSeconds(column);
  out.frequency = raster.RowCentre(row);
  // The rule DrawColumn colours the pixel by: the largest level over the column's transforms
  // and the row's bins.
  const TransformRange t = raster.ColumnTransforms(column);
  const BinRange& b = raster.RowBins(row);
  int measured = 0;
  int lost = 0;
  int16_t best = SpectrogramHistory::kLevelMin;
  for (int64_t j = t.first; j < t.last; ++j) {
    const int16_t* levels = history.Levels(j, channel);
    if (levels == nullptr) {
      if (history.IsLost(j)) ++lost;
      continue;
    }
    ++measured;
    for (int k = b.first; k < b.last && k < history.Bins(); ++k) best = std::max(best, levels[k]);
  }
  if (measured == 0) {
    out.state = lost > 0 ? kColumnLost : kColumnEmpty;
    return out;
  }
  out.state = lost > 0 ? kColumnPartial : kColumnMeasured;
  out.valid = true;
  out.level = SpectrogramHistory::ToDb(best);
  return out;
}
