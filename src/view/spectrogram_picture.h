#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/color_map.h"
#include "analysis/spectrogram_history.h"
#include "analysis/spectrogram_raster.h"
#include "chart/spectrogram_chart.h"

// One channel's spectrogram as its chart draws it: the raster's columns of the history, each
// level coloured through the colour bar. Columns of lost transforms are striped, and a column
// where measured transforms meet lost ones carries a striped band at its top, so that a lost
// block shows whatever the time span; columns before the first transform are the background.
class SpectrogramPicture : public SpectrogramColumnSource {
 public:
  static constexpr uint32_t kBackground = 0xFFFFFFFFu;
  static constexpr uint32_t kLostStripe = 0xFFA0A0A0u;
  static constexpr int kPartialBand = 4;  // rows of stripes over a partly lost column

  // history and colors must outlive the picture.
  SpectrogramPicture(const SpectrogramHistory& history, int channel,
                     const SpectrogramRasterSettings& raster, const LevelColors& colors);

  const SpectrogramRaster& Raster() const { return m_raster; }
  // One past the newest column complete in the history.
  int64_t EndColumn() const { return m_raster.EndColumn(m_history); }
  // The chart's axes and colour bar for this picture, levels in unit ("dBFS" or "dBV").
  SpectrogramAxes Axes(const std::string& unit) const;

  void ColumnPixels(int64_t column, uint32_t* pixels, int rows) override;
  bool Readout(int64_t column, int row, SpectrogramPoint& point) const override;

 private:
  const SpectrogramHistory& m_history;
  int m_nChannel;
  SpectrogramRaster m_raster;
  const LevelColors& m_colors;
  std::vector<int16_t> m_levels;
};
