#include "view/spectrogram_picture.h"

#include <algorithm>

namespace {

uint32_t Stripe(int row) {
  return (row / 2) % 2 == 0 ? SpectrogramPicture::kLostStripe : 0xFFFFFFFFu;
}

}  // namespace

SpectrogramPicture::SpectrogramPicture(const SpectrogramHistory& history, int channel,
                                       const SpectrogramRasterSettings& raster,
                                       const LevelColors& colors)
    : m_history(history),
      m_nChannel(channel),
      m_raster(raster),
      m_colors(colors),
      m_levels(static_cast<std::size_t>(m_raster.Rows()), SpectrogramHistory::kLevelMin) {}

SpectrogramAxes SpectrogramPicture::Axes(const std::string& unit) const {
  SpectrogramAxes axes;
  axes.lowHz = m_raster.AxisLow();
  axes.highHz = m_raster.AxisHigh();
  axes.logAxis = m_raster.Settings().logAxis;
  axes.spanSeconds = m_raster.Settings().spanSeconds;
  axes.dbBottom = m_colors.Bottom();
  axes.dbTop = m_colors.Top();
  axes.unit = unit;
  axes.barColors.resize(LevelColors::kShades);
  for (int i = 0; i < LevelColors::kShades; ++i) {
    axes.barColors[i] = m_colors.AtPosition(static_cast<double>(i) / (LevelColors::kShades - 1));
  }
  return axes;
}

void SpectrogramPicture::ColumnPixels(int64_t column, uint32_t* pixels, int rows) {
  const int n = std::min(rows, m_raster.Rows());
  const SpectrogramColumnState state =
      m_raster.DrawColumn(m_history, m_nChannel, column, m_levels.data());
  for (int r = 0; r < n; ++r) {
    switch (state) {
      case kColumnEmpty:
        pixels[r] = kBackground;
        break;
      case kColumnLost:
        pixels[r] = Stripe(r);
        break;
      case kColumnPartial:
        pixels[r] = r < kPartialBand ? Stripe(r) : m_colors(m_levels[r]);
        break;
      default:
        pixels[r] = m_colors(m_levels[r]);
        break;
    }
  }
  std::fill(pixels + n, pixels + std::max(rows, n), kBackground);
}

bool SpectrogramPicture::Readout(int64_t column, int row, SpectrogramPoint& point) const {
  const SpectrogramReadout r = ReadSpectrogram(m_raster, m_history, m_nChannel, column, row);
  point.seconds = r.seconds;
  point.frequency = r.frequency;
  point.level = r.level;
  return r.valid;
}
