#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/color_map.h"
#include "analysis/spectrogram_clock.h"
#include "analysis/spectrogram_producer.h"
#include "chart/spectrogram_chart.h"
#include "features/spectrogram/spectrogram_options.h"
#include "view/spectrogram_picture.h"

class AppState;
class CaptureRing;
class CAurivueView;
class DeviceContext;

// The producer's settings for the instrument's settings: the spectrum's FFT size (8192 while the
// spectrum keeps its described size), window, unit and the card's rate, channels and width.
SpectrogramSettings SpectrogramSettingsFor(const AppState& app, const SpectrogramOptions& options);

// Display mode 620: a chart per channel, stacked, each drawing its channel's picture of the
// producer's history. Classic feeds it every buffer, Live every frame the ring received since
// the last refresh; each transform is computed once and drawn once.
class SpectrogramDisplay {
 public:
  SpectrogramDisplay(CAurivueView& view, const SpectrogramOptions& options);
  ~SpectrogramDisplay();
  SpectrogramDisplay(const SpectrogramDisplay&) = delete;
  SpectrogramDisplay& operator=(const SpectrogramDisplay&) = delete;

  // Classic: the capture's ready buffer, the next half second of the input.
  void TakeBuffer();
  // Live: the frames the ring received since the last call; true when a column was drawn.
  bool TakeRing();

  // New colour map, range or span: the pictures are drawn afresh from the history.
  void SetLook(const SpectrogramOptions& options);

  // A paused display keeps taking transforms but holds its picture where it is; scrolling
  // moves it through the history (and pauses it).
  void SetPaused(bool paused);
  bool Paused() const { return m_bPaused; }
  // Moves the picture by a fraction of its span: negative back in time.
  void Scroll(double spans);

  void Print(DeviceContext& dc);
  // The history as CSV rows after the "#" lines, oldest first; false when write failed.
  bool WriteCsv(const std::function<bool(const std::string&)>& write) const;

  CAurivueView& View() const { return m_view; }
  int Channels() const { return m_producer.Settings().channels; }
  const SpectrogramProducer& Producer() const { return m_producer; }
  const SpectrogramPicture* Picture(int channel) const { return m_pictures[channel].get(); }
  SpectrogramChart& Chart(int channel) { return m_charts[channel]; }
  // The column at the pictures' right edge.
  int64_t ShownEnd() const { return m_nShownEnd; }

 private:
  // Fits the pictures to the charts and draws the columns that are new.
  bool Show();
  void MakePictures();
  void Feed(uint64_t first, int count);
  // A new ring (POWER went off and on) starts the history afresh.
  void FollowRing(const std::shared_ptr<const CaptureRing>& ring);

  CAurivueView& m_view;
  SpectrogramOptions m_options;
  SpectrogramProducer m_producer;
  bool m_bLogAxis = false;
  std::string m_unit;
  std::unique_ptr<LevelColors> m_colors;
  std::unique_ptr<SpectrogramPicture> m_pictures[2];
  SpectrogramChart m_charts[2];

  // Weak, so that a new ring made where the old one was is never taken for it.
  std::weak_ptr<const CaptureRing> m_ring;
  InputFrameClock m_clock;
  uint64_t m_nNextRingFrame = 0;  // Live: the next ring frame to take
  uint64_t m_nClassicFrames = 0;  // Classic: ring frames the buffers so far held
  std::vector<unsigned char> m_raw;
  std::vector<double> m_left;
  std::vector<double> m_right;

  bool m_bPaused = false;
  int64_t m_nShownEnd = 0;
};
