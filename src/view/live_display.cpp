#include "view/live_display.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/envelope.h"
#include "analysis/frame_decoding.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/ring_read.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/pass_math.h"

namespace {

// With POWER off the view only looks every so often whether it came on.
constexpr int kIdleIntervalMs = 250;

int64_t NowNs() { return static_cast<int64_t>(SteadyNowNs()); }

int TimeBaseSteps(float timeBase) { return std::clamp(static_cast<int>(timeBase), 1, 50); }

}  // namespace

LiveDisplay::LiveDisplay(CAurivueView& view) : m_view(view) {}

int LiveDisplay::ChartCapacity() const {
  if (!CurrentApp().m_bLive) return m_view.m_nSamples;
  // Two points (minimum and maximum) for every pixel column the chart can have.
  return std::max(m_view.m_nSamples, 2 * (m_view.width() + 2));
}

void LiveDisplay::Start() {
  const AppState& app = CurrentApp();
  const std::size_t frames = static_cast<std::size_t>(m_view.m_nSamples) * 50;
  m_buffer.assign(frames * CaptureFormatOf(app).frameBytes, 0);
  m_left.assign(frames, 0.0);
  m_right.assign(frames, 0.0);
  m_envelopeMin.assign(static_cast<std::size_t>(m_view.width() + 2), 0.0);
  m_envelopeMax.assign(static_cast<std::size_t>(m_view.width() + 2), 0.0);
  QScreen* screen = m_view.screen() != nullptr ? m_view.screen() : QGuiApplication::primaryScreen();
  const double hz = screen != nullptr && screen->refreshRate() >= 20 ? screen->refreshRate() : 60;
  m_nIntervalMs = std::max(1, static_cast<int>(std::floor(1000.0 / hz)));
  m_timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&m_timer, &QTimer::timeout, &m_view, [this] { OnTick(); });
  m_timer.start(app.m_bPowerOn ? m_nIntervalMs : kIdleIntervalMs);
}

void LiveDisplay::OnTick() {
  AppState& app = CurrentApp();
  const int64_t now = NowNs();
  if (app.m_bPowerOn == 0) {
    m_nLastTickNs = 0;
    if (m_timer.interval() != kIdleIntervalMs) m_timer.setInterval(kIdleIntervalMs);
    return;
  }
  if (m_timer.interval() != m_nIntervalMs) m_timer.setInterval(m_nIntervalMs);
  // A pass (ours or anyone's on this thread) that overran lets the refreshes it covered go;
  // they are counted, never made up for.
  const int64_t period = static_cast<int64_t>(m_nIntervalMs) * 1'000'000;
  if (m_nLastTickNs != 0) {
    const int64_t gap = now - m_nLastTickNs;
    if (gap > period + period / 2) {
      app.m_nSkippedRefreshes += static_cast<uint64_t>((gap + period / 2) / period - 1);
    }
  }
  m_nLastTickNs = now;
  if (Refresh()) {
    for (ViewFeature* feature : m_view.Features()) {
      feature->DisplayDrawn(m_view, app.m_nDisplayMode);
    }
  }
}

bool LiveDisplay::TakeNewestFrames(std::size_t span) {
  const std::shared_ptr<const CaptureRing> ring = CurrentApp().m_capture.GetRing();
  if (!ring || m_buffer.empty()) return false;
  const std::size_t align = ring->FrameBytes();
  if (span * align > m_buffer.size()) span = m_buffer.size() / align;
  const uint64_t end = ring->WritePosition();
  if (ring.get() == m_pRing && end == m_nEnd) return false;
  if (ReadFramesEndingAt(*ring, end, span, CaptureFormatOf(CurrentApp()).silenceByte,
                         m_buffer.data()) != RingRead::kCopied) {
    return false;
  }
  m_pRing = ring.get();
  m_nEnd = end;
  m_nStamp = end > 0 ? ring->BlockTime(end - 1) : 0;
  return true;
}

bool LiveDisplay::Refresh() {
  AppState& app = CurrentApp();
  if (app.m_bPowerOn == 0 || !m_view.m_pLeftSamples) return false;
  const int mode = app.m_nDisplayMode;
  if (ViewFeature* feature = m_view.DisplayFeatureFor(mode))
    return feature->LiveDisplay(m_view, mode);
  const bool threeD = mode >= DISPLAY_MODE_FIRST_3D;
  if (threeD) {
    // The waterfall moves at its own steady rate, not with every refresh.
    const int64_t now = NowNs();
    const int64_t step = 1'000'000'000LL / std::clamp(app.m_nCurtainRate, 1, 100);
    if (m_nNextCurtainNs != 0 && now < m_nNextCurtainNs) return false;
    m_nNextCurtainNs = (m_nNextCurtainNs == 0 || now - m_nNextCurtainNs > step)
                           ? now + step
                           : m_nNextCurtainNs + step;
  }
  const int t = TimeBaseSteps(app.m_fTimeBase);
  const std::size_t span = static_cast<std::size_t>(m_view.m_nSamples) * t;
  const ViewFeature::FrameChoice choice = m_view.SelectFrame(true, span);
  if (choice == ViewFeature::FrameChoice::kKeep) return false;
  if (choice == ViewFeature::FrameChoice::kNewest) {
    if (!TakeNewestFrames(span)) return false;
    const std::size_t align = m_buffer.size() / (static_cast<std::size_t>(m_view.m_nSamples) * 50);
    // The decoder takes every t-th frame from its start: begin t - 1 frames in, so the frame's
    // last sample is the newest one.
    const std::size_t skip = static_cast<std::size_t>(t - 1) * align;
    // Above 1 ms/div Live filters before it decimates; Classic keeps the described decimation.
    if (t == 1 || !DecodeAntiAliased(t)) {
      m_view.DecodeFrameFrom(m_buffer.data() + skip, span * align - skip);
    }
    for (ViewFeature* feature : m_view.m_features) feature->NewestFrameShown(m_view);
  }
  if (mode == DISPLAY_MODE_FIRST_2D + 2 || mode == DISPLAY_MODE_FIRST_3D + 2) {
    OscillographPass(threeD);
  } else {
    SendCommandTo(&m_view, mode + COMPUTE_COMMAND_OFFSET);
  }
  return true;
}

void LiveDisplay::OscillographPass(bool threeD) {
  const AppState& app = CurrentApp();
  const int t = TimeBaseSteps(app.m_fTimeBase);
  const std::size_t span = static_cast<std::size_t>(m_view.m_nSamples) * t;
  const bool two = m_view.TwoChannels();
  const int charts = two ? 2 : 1;
  const double end = 10.0 * app.m_fTimeBase;
  const double shift = m_view.TraceShiftMs();
  for (int c = 0; c < charts; ++c) {
    const float scale = c == 0 ? app.m_fLeftScale : app.m_fRightScale;
    m_view.SetFrameRange(c, threeD, 0, end, -4.0 * scale, 4.0 * scale);
  }
  ChartCtrl& top = m_view.FrameChart(0, threeD);
  // The pixel columns the time axis covers: the plot in 2-D, the box's front edge in 3-D.
  int width = 0;
  if (top.HasWindow()) {
    width = threeD ? m_view.m_chart3D[0].MapToPixel3D(end, 0, 0).x() -
                         m_view.m_chart3D[0].MapToPixel3D(0, 0, 0).x()
                   : top.GetPlotRect().Width();
  }
  const std::size_t columns =
      std::min<std::size_t>(width > 0 ? static_cast<std::size_t>(width) : 0, m_envelopeMin.size());
  // With no more samples than columns every sample is drawn as it was recorded: a thinned or
  // filtered frame would hide a spike or turn a fast tone into a false slow one. At 1 ms/div the
  // frame already holds every sample.
  const bool everySample = span <= columns && t > 1;
  const int capacity = top.GetCapacity();
  if (columns == 0 || 2 * static_cast<int>(columns) > capacity ||
      (span <= columns && !everySample) ||
      (everySample && span > static_cast<std::size_t>(capacity))) {
    if (threeD) {
      for (int c = 0; c < charts; ++c) m_view.m_chart3D[c].SetBand(0, false);
    }
    SendCommandTo(&m_view, (threeD ? DISPLAY_MODE_FIRST_3D : DISPLAY_MODE_FIRST_2D) + 2 +
                               COMPUTE_COMMAND_OFFSET);
    return;
  }
  // Every frame of the span, filtered at the full rate.
  const FrameFormat format = CaptureFormatOf(app).Frame(static_cast<int>(span));
  const std::size_t align = m_buffer.size() / (static_cast<std::size_t>(m_view.m_nSamples) * 50);
  ::DecodeFrame(m_buffer.data(), span * align, format, m_left.data(),
                two ? m_right.data() : nullptr);

  if (everySample) {
    for (int c = 0; c < charts; ++c) {
      ChartCtrl& chart = m_view.FrameChart(c, threeD);
      if (threeD) m_view.m_chart3D[c].SetBand(0, false);
      const double* samples = c == 0 ? m_left.data() : m_right.data();
      for (std::size_t k = 0; k < span; ++k) {
        const double x = end * static_cast<double>(k) / static_cast<double>(span) + shift;
        chart.SetPoint(x, ToMillivolts(samples[k], app.m_nVoltValue), static_cast<int>(k), 0);
      }
    }
    m_view.FinishPass(threeD, charts);
    return;
  }
  for (int c = 0; c < charts; ++c) {
    ChartCtrl& chart = m_view.FrameChart(c, threeD);
    const std::size_t n = ComputeEnvelope(c == 0 ? m_left.data() : m_right.data(), span, columns,
                                          m_envelopeMin.data(), m_envelopeMax.data());
    // In 2-D down and up in turn, so the line runs through each column from one extreme to the
    // other and on to the nearer extreme of the next: a closed band, no diagonal strokes. The
    // waterfall takes (minimum, maximum) pairs and fills the band between them.
    if (threeD) m_view.m_chart3D[c].SetBand(0, true);
    for (std::size_t k = 0; k < n; ++k) {
      // The middle of the column, so rounding never puts two columns on one pixel.
      const double x = end * (static_cast<double>(k) + 0.5) / static_cast<double>(n) + shift;
      const double lo = ToMillivolts(m_envelopeMin[k], app.m_nVoltValue);
      const double hi = ToMillivolts(m_envelopeMax[k], app.m_nVoltValue);
      const int i = static_cast<int>(2 * k);
      const bool up = threeD || k % 2 == 0;
      chart.SetPoint(x, up ? lo : hi, i, 0);
      chart.SetPoint(x, up ? hi : lo, i + 1, 0);
    }
  }
  m_view.FinishPass(threeD, charts);
}
