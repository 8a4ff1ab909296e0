#include "features/spectrogram/spectrogram_display.h"

#include <algorithm>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/frame_decoding.h"
#include "analysis/pcm_samples.h"
#include "analysis/smoothing_windows.h"
#include "analysis/spectrum_levels.h"
#include "platform/capture_ring.h"
#include "platform/device_context.h"
#include "platform/ring_read.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/csv_export.h"

namespace {

// Frames decoded at a time: the scratch arrays' size, whatever the ring holds.
constexpr std::size_t kChunkFrames = 16384;
constexpr int kPrintSecondChartY = 1400;
constexpr int kDescribedSize = 8192;

// The spectrogram shows the input as it came: the display filter is left to the other modes,
// since a filter started afresh on every piece would put a click between pieces.
FrameFormat Unfiltered(FrameFormat format) {
  format.filterType = kFilterNone;
  return format;
}

const char* const kTitles[2][2] = {{"Spectrogram", "Spectrogram"},
                                   {"Channel Left Spectrogram", "Channel Right Spectrogram"}};

// A stored level as decibels with two decimals, '.' whatever the locale: the store keeps
// hundredths, so this is exactly what was kept.
void AppendHundredths(std::string& line, int16_t level) {
  const int v = level;
  const int a = v < 0 ? -v : v;
  if (v < 0) line += '-';
  line += std::to_string(a / 100);
  line += '.';
  line += static_cast<char>('0' + a % 100 / 10);
  line += static_cast<char>('0' + a % 10);
}

}  // namespace

SpectrogramSettings SpectrogramSettingsFor(const AppState& app, const SpectrogramOptions& options) {
  const SpectrumOptions& spectrum = app.m_spectrum;
  SpectrogramSettings s;
  s.rate = static_cast<int>(app.m_nSampleRate);
  s.fftSize = spectrum.fftSize == SpectrumOptions::kDescribed ? kDescribedSize : spectrum.fftSize;
  s.window = spectrum.flatTop ? kWindowFlatTop : app.m_nFFTWindow;
  s.overlapPercent = options.overlapPercent;
  s.channels = CaptureFormatOf(app).channels;
  s.dbv = spectrum.scale == 2;
  s.fullScale = FullScale(app.m_nBits);
  s.voltValue = std::max(app.m_nVoltValue, 1);
  s.historySeconds = SpectrogramOptions::kMaxSpanSeconds;
  return s;
}

SpectrogramDisplay::SpectrogramDisplay(CAurivueView& view, const SpectrogramOptions& options)
    : m_view(view),
      m_options(SanitizedSpectrogramOptions(options)),
      m_producer(SpectrogramSettingsFor(CurrentApp(), m_options)),
      m_raw(kChunkFrames * 4),
      m_left(kChunkFrames),
      m_right(kChunkFrames) {
  const AppState& app = CurrentApp();
  m_bLogAxis = app.m_spectrum.logAxis;
  m_unit = m_producer.Settings().dbv ? "dBV" : "dBFS";
  const int charts = Channels();
  const int w = view.width(), h = view.height();
  for (int i = 0; i < charts; ++i) {
    const int top = charts == 1 ? 0 : (i == 0 ? 0 : h / 2);
    const int bottom = charts == 1 ? h : (i == 0 ? h - h / 2 : h);
    SpectrogramChart& chart = m_charts[i];
    chart.SetTitle(kTitles[charts - 1][i]);
    chart.Create(WS_CHILD | WS_VISIBLE, DcRect{0, top, w, bottom}, &view, i == 0 ? 300 : 310);
  }
  SetLook(m_options);
}

SpectrogramDisplay::~SpectrogramDisplay() {
  for (SpectrogramChart& chart : m_charts) {
    chart.SetSource(nullptr);
    if (chart.HasWindow()) chart.DestroyWindow();
  }
}

void SpectrogramDisplay::SetLook(const SpectrogramOptions& options) {
  const SpectrogramOptions o = SanitizedSpectrogramOptions(options);
  m_options.colorMap = o.colorMap;
  m_options.dbBottom = o.dbBottom;
  m_options.dbTop = o.dbTop;
  m_options.spanSeconds = o.spanSeconds;
  m_colors = std::make_unique<LevelColors>(o.colorMap, o.dbBottom, o.dbTop,
                                           SpectrogramHistory::kLevelStep);
  MakePictures();
  Show();
}

void SpectrogramDisplay::MakePictures() {
  for (int c = 0; c < Channels(); ++c) {
    SpectrogramChart& chart = m_charts[c];
    SpectrogramRasterSettings r;
    r.rate = m_producer.Settings().rate;
    r.fftSize = m_producer.Size();
    r.hop = m_producer.Hop();
    r.columns = chart.PictureColumns();
    r.rows = chart.PictureRows();
    r.spanSeconds = m_options.spanSeconds;
    r.logAxis = m_bLogAxis;
    chart.SetSource(nullptr);
    m_pictures[c] = std::make_unique<SpectrogramPicture>(m_producer.History(), c, r, *m_colors);
    chart.SetSource(m_pictures[c].get());
    chart.SetAxes(m_pictures[c]->Axes(m_unit));
  }
}

bool SpectrogramDisplay::Show() {
  if (!m_pictures[0]) return false;
  const SpectrogramRasterSettings& r = m_pictures[0]->Raster().Settings();
  // The view was resized: the charts follow it, and the pictures the charts.
  const int charts = Channels();
  const int w = m_view.width(), h = m_view.height();
  for (int i = 0; i < charts; ++i) {
    const int top = charts == 1 ? 0 : (i == 0 ? 0 : h / 2);
    const int bottom = charts == 1 ? h : (i == 0 ? h - h / 2 : h);
    const DcRect& was = m_charts[i].GetCreateRect();
    if (was.top != top || was.bottom != bottom || was.Width() != w) {
      m_charts[i].Create(WS_CHILD | WS_VISIBLE, DcRect{0, top, w, bottom}, &m_view,
                         i == 0 ? 300 : 310);
    }
  }
  if (m_charts[0].PictureColumns() != r.columns || m_charts[0].PictureRows() != r.rows) {
    MakePictures();
  }
  const int64_t newest = m_pictures[0]->EndColumn();
  if (m_bPaused) {
    const SpectrogramRaster& raster = m_pictures[0]->Raster();
    const int64_t oldest = raster.ColumnOf(m_producer.History().First()) + 1;
    m_nShownEnd = HeldEndColumn(m_nShownEnd, oldest, newest, raster.Columns());
  } else {
    m_nShownEnd = newest;
  }
  int drawn = 0;
  for (int c = 0; c < charts; ++c) {
    drawn += m_charts[c].ShowColumns(m_nShownEnd);
  }
  return drawn > 0;
}

void SpectrogramDisplay::FollowRing(const std::shared_ptr<const CaptureRing>& ring) {
  if (ring == m_ring.lock()) return;
  m_ring = ring;
  m_producer.Reset();
  m_nClassicFrames = 0;
  m_nNextRingFrame = 0;
  m_bPaused = false;
  if (ring) {
    m_clock.Reset(ring->LostFrames(), ring->Overruns());
    const std::size_t bytes = kChunkFrames * ring->FrameBytes();
    if (m_raw.size() < bytes) m_raw.resize(bytes);
  }
}

void SpectrogramDisplay::Feed(uint64_t first, int count) {
  const bool two = Channels() == 2;
  m_producer.Feed(first, count, m_left.data(), two ? m_right.data() : nullptr);
}

void SpectrogramDisplay::TakeBuffer() {
  AppState& app = CurrentApp();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  FollowRing(ring);
  const unsigned char* buffer = app.m_capture.GetReadyBuffer();
  if (buffer == nullptr) return;
  const CaptureFormat capture = CaptureFormatOf(app);
  if (ring && m_clock.Update(ring->LostFrames(), ring->Overruns())) m_producer.Break();
  const std::size_t frames = capture.bufferFrames;
  for (std::size_t done = 0; done < frames;) {
    const std::size_t n = std::min(kChunkFrames, frames - done);
    const FrameFormat format = Unfiltered(capture.Frame(static_cast<int>(n)));
    ::DecodeFrame(buffer + done * capture.frameBytes, n * capture.frameBytes, format, m_left.data(),
                  m_right.data());
    Feed(m_nClassicFrames + done + m_clock.Offset(), static_cast<int>(n));
    done += n;
  }
  m_nClassicFrames += frames;
  Show();
  ++app.m_nAnalysisUpdates;
}

bool SpectrogramDisplay::TakeRing() {
  AppState& app = CurrentApp();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  FollowRing(ring);
  if (!ring) return false;
  const CaptureFormat capture = CaptureFormatOf(app);
  if (ring->FrameBytes() != capture.frameBytes) return false;
  const uint64_t end = ring->WritePosition();
  if (m_clock.Update(ring->LostFrames(), ring->Overruns())) m_producer.Break();
  // Frames the ring no longer holds are gone: the windows that needed them stay lost.
  const uint64_t reach = RingReach(*ring);
  if (end > reach && m_nNextRingFrame < end - reach) m_nNextRingFrame = end - reach;
  while (m_nNextRingFrame < end) {
    const std::size_t n =
        static_cast<std::size_t>(std::min<uint64_t>(kChunkFrames, end - m_nNextRingFrame));
    const RingRead read =
        ReadFramesEndingAt(*ring, m_nNextRingFrame + n, n, capture.silenceByte, m_raw.data());
    if (read == RingRead::kOverrun) {
      // Written over while copied: what follows is what the ring still holds.
      const uint64_t now = ring->WritePosition();
      m_nNextRingFrame = std::max(m_nNextRingFrame + n, now > reach ? now - reach : 0);
      continue;
    }
    if (read != RingRead::kCopied) break;
    ::DecodeFrame(m_raw.data(), n * capture.frameBytes,
                  Unfiltered(capture.Frame(static_cast<int>(n))), m_left.data(), m_right.data());
    Feed(m_nNextRingFrame + m_clock.Offset(), static_cast<int>(n));
    m_nNextRingFrame += n;
  }
  const bool drawn = Show();
  if (drawn) ++app.m_nAnalysisUpdates;
  return drawn;
}

void SpectrogramDisplay::SetPaused(bool paused) {
  m_bPaused = paused;
  Show();
}

void SpectrogramDisplay::Scroll(double spans) {
  if (!m_pictures[0]) return;
  const int width = m_pictures[0]->Raster().Columns();
  m_bPaused = true;
  m_nShownEnd += static_cast<int64_t>(spans * width);
  Show();
}

void SpectrogramDisplay::Print(DeviceContext& dc) {
  m_charts[0].PrintChart(dc, 0, 0);
  if (Channels() == 2) m_charts[1].PrintChart(dc, 0, kPrintSecondChartY);
}

bool SpectrogramDisplay::WriteCsv(const std::function<bool(const std::string&)>& write) const {
  const SpectrogramHistory& history = m_producer.History();
  const int bins = m_producer.Bins();
  std::string line = "channel,time_s";
  for (int k = 0; k < bins; ++k) line += "," + FormatCsvNumber(m_producer.BinFrequency(k));
  line += "\n";
  if (!write(line)) return false;
  static const char* const kChannels[2] = {"left", "right"};
  for (int64_t index = history.First(); index < history.End(); ++index) {
    const std::string time = FormatCsvNumber(m_producer.CentreSeconds(index));
    for (int c = 0; c < Channels(); ++c) {
      line.assign(kChannels[c]);
      line += ",";
      line += time;
      const int16_t* levels = history.Levels(index, c);
      for (int k = 0; k < bins; ++k) {
        line += ",";
        // A lost transform keeps its row, its levels empty.
        if (levels == nullptr) continue;
        AppendHundredths(line, levels[k]);
      }
      line += "\n";
      if (!write(line)) return false;
    }
  }
  return true;
}
