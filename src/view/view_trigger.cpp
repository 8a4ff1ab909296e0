// The trigger of the scope view's oscillograph: which frame of the Classic buffer or of the
// capture ring is shown, and where its trace and marks are drawn.
#include <algorithm>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/frame_decoding.h"
#include "analysis/pcm_samples.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/ring_read.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/trigger_control.h"

namespace {

constexpr int kOscillograph2D = DISPLAY_MODE_FIRST_2D + 2;
constexpr int kOscillograph3D = DISPLAY_MODE_FIRST_3D + 2;
// Live's Auto shows untriggered frames after this long without a trigger (past the holdoff).
constexpr unsigned kAutoTimeoutMs = 100;
constexpr COLORREF kMarkColor = RGB(0, 128, 0);

int TimeBaseSteps(float timeBase) { return std::clamp(static_cast<int>(timeBase), 1, 50); }

int SourceChannel(const AppState& app) {
  return app.m_nChannels == 2 && CurrentTrigger().Settings().source == 1 ? 1 : 0;
}

}  // namespace

bool CAurivueView::TriggerApplies() const {
  const AppState& app = CurrentApp();
  const TriggerControl& trigger = CurrentTrigger();
  if (!trigger.IsOn() || !m_pLeftSamples) return false;
  if (app.m_nDisplayMode != kOscillograph2D && app.m_nDisplayMode != kOscillograph3D) return false;
  return !(app.m_bLive && trigger.Rolls(app.m_fTimeBase));
}

void CAurivueView::SourceSamplesFrom(const unsigned char* data, std::size_t frames,
                                     double* out) const {
  const AppState& app = CurrentApp();
  const CaptureFormat capture = CaptureFormatOf(app);
  DecodeChannel(data, frames, capture.channels, capture.bits, SourceChannel(app), out);
}

double CAurivueView::TriggerSourceMidMv() const {
  const AppState& app = CurrentApp();
  const double* samples =
      SourceChannel(app) == 1 && m_pRightSamples ? m_pRightSamples.get() : m_pLeftSamples.get();
  if (samples == nullptr) return 0;
  return ToMillivolts(MidLevel(samples, static_cast<std::size_t>(m_nSamples)), app.m_nVoltValue);
}

void CAurivueView::ClearTrigger() {
  m_dTraceShiftMs = 0;
  if (!m_bTriggerMarks) return;
  m_bTriggerMarks = false;
  for (ChartCtrl& chart : m_chart2D) chart.SetMarks(ChartMarks{});
}

void CAurivueView::ShowTriggerMarks(bool triggered) {
  const AppState& app = CurrentApp();
  // The waterfall's curtains have no edge to put a mark on.
  if (app.m_nDisplayMode != kOscillograph2D) return;
  const TriggerSettings& s = CurrentTrigger().Settings();
  const int charts = TwoChannels() ? 2 : 1;
  for (int c = 0; c < charts; ++c) {
    ChartMarks marks;
    marks.color = kMarkColor;
    marks.hasLevel = c == SourceChannel(app);
    marks.level = s.levelMv;
    marks.hasPoint = triggered;
    marks.point = s.positionPercent / 100.0 * 10.0 * app.m_fTimeBase;
    m_chart2D[c].SetMarks(marks);
  }
  m_bTriggerMarks = true;
}

void CAurivueView::ShowWaitingMarks() {
  // While the trigger waits the last trace stays, and the level it waits for is marked on it,
  // also before the first trigger.
  if (!m_bTriggerMarks) ShowTriggerMarks(false);
}

void CAurivueView::PrepareTriggerSearch(const void* stream, uint64_t next) {
  const AppState& app = CurrentApp();
  TriggerControl& trigger = CurrentTrigger();
  if (trigger.m_bRestart || trigger.m_pStream != stream) {
    trigger.Search().Reset(next);
    trigger.Pending().clear();
    trigger.m_pStream = stream;
    trigger.m_bRestart = false;
  }
  // A division of the source channel's chart: a quarter of the half-height its switch sets.
  const double divisionMv = SourceChannel(app) == 1 ? app.m_fRightScale : app.m_fLeftScale;
  trigger.Search().SetCriteria(
      CriteriaFor(trigger.Settings(), app.m_nVoltValue, divisionMv, app.m_nSampleRate));
}

bool CAurivueView::ClassicTriggerFrame() {
  AppState& app = CurrentApp();
  TriggerControl& trigger = CurrentTrigger();
  const unsigned char* buffer = app.m_capture.GetReadyBuffer();
  if (buffer == nullptr) return false;
  const CaptureFormat capture = CaptureFormatOf(app);
  const std::size_t align = capture.frameBytes;
  const std::size_t frames = capture.bufferFrames;
  PrepareTriggerSearch(app.m_capture.GetRing().get(), 0);
  m_triggerSamples.resize(frames);
  SourceSamplesFrom(buffer, frames, m_triggerSamples.data());
  // Buffers follow one another without a gap, so the search runs on from the last one.
  const auto start = static_cast<int64_t>(trigger.Search().NextSample());
  std::vector<double>& found = trigger.Pending();
  found.clear();
  trigger.Search().Search(m_triggerSamples.data(), frames, found);
  const int t = TimeBaseSteps(app.m_fTimeBase);
  const double span = static_cast<double>(m_nSamples) * t;
  const auto last = static_cast<int64_t>(m_nSamples - 1) * t + 1;
  const std::optional<FramePlacement> frame =
      FirstFrameInside(found, trigger.Settings().positionPercent / 100.0, span, last, start,
                       start + static_cast<int64_t>(frames));
  found.clear();
  trigger.Machine().SetTimeout(0);  // one buffer without a trigger is enough
  const TriggerStatus before = trigger.Status();
  const auto show =
      trigger.Machine().Step(frame.has_value(), static_cast<uint64_t>(start) + frames);
  trigger.NoteStep(before);
  if (show == TriggerStateMachine::Show::kKeep) {
    ShowWaitingMarks();
    return false;
  }
  if (show == TriggerStateMachine::Show::kTriggered) {
    const std::size_t skip = static_cast<std::size_t>(frame->first - start) * align;
    DecodeFrameFrom(buffer + skip, frames * align - skip);
    m_dTraceShiftMs = frame->shift * 1000.0 / app.m_nSampleRate;
  } else {
    DecodeFrame();
    m_dTraceShiftMs = 0;
  }
  ShowTriggerMarks(show == TriggerStateMachine::Show::kTriggered);
  return true;
}

int CAurivueView::LiveTriggerFrame(std::size_t span) {
  AppState& app = CurrentApp();
  TriggerControl& trigger = CurrentTrigger();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  if (!ring || m_liveBuffer.empty()) return 0;
  const uint64_t end = ring->WritePosition();
  if (ring.get() == m_pLiveRing && end == m_nLiveEnd) return 0;
  const std::size_t align = ring->FrameBytes();
  // What the ring still surely holds, and how far the search may fall behind before it jumps
  // to the newest second (after a stall longer than the ring; never in normal use).
  const uint64_t keep = ring->Capacity() - ring->Capacity() / 4;
  const uint64_t oldest = end > keep ? end - keep : 0;
  const uint64_t backlog = std::min<uint64_t>(keep, app.m_nSampleRate);
  PrepareTriggerSearch(ring.get(), 0);
  TriggerSearch& search = trigger.Search();
  if (search.NextSample() > end || end - search.NextSample() > backlog) {
    search.Reset(end - std::min(end, backlog));
    trigger.Pending().clear();
  }
  const uint8_t silence = CaptureFormatOf(app).silenceByte;
  // Every sample since the last refresh, in pieces of at most half a second.
  const std::size_t chunk = m_liveBuffer.size() / align;
  m_triggerBytes.resize(chunk * align);
  m_triggerSamples.resize(chunk);
  while (search.NextSample() < end) {
    const auto count =
        static_cast<std::size_t>(std::min<uint64_t>(end - search.NextSample(), chunk));
    if (ReadFramesEndingAt(*ring, search.NextSample() + count, count, silence,
                           m_triggerBytes.data()) != RingRead::kCopied) {
      search.Reset(end);
      trigger.Pending().clear();
      break;
    }
    SourceSamplesFrom(m_triggerBytes.data(), count, m_triggerSamples.data());
    search.Search(m_triggerSamples.data(), count, trigger.Pending());
  }
  const int t = TimeBaseSteps(app.m_fTimeBase);
  const std::optional<FramePlacement> frame =
      TakeNewestFrame(trigger.Pending(), trigger.Settings().positionPercent / 100.0,
                      static_cast<double>(m_nSamples) * t, static_cast<int64_t>(span),
                      static_cast<int64_t>(oldest), static_cast<int64_t>(end));
  trigger.Machine().SetTimeout(static_cast<uint64_t>(search.Criteria().holdoff) +
                               app.m_nSampleRate * kAutoTimeoutMs / 1000);
  const TriggerStatus before = trigger.Status();
  const auto show = trigger.Machine().Step(frame.has_value(), end);
  trigger.NoteStep(before);
  // Auto's untriggered frame: the newest frames, taken as without a trigger.
  if (show == TriggerStateMachine::Show::kUntriggered) return -1;
  m_pLiveRing = ring.get();
  m_nLiveEnd = end;
  if (show == TriggerStateMachine::Show::kKeep) {
    ShowWaitingMarks();
    return 0;
  }
  const auto first = static_cast<uint64_t>(frame->first);
  if (ReadFramesEndingAt(*ring, first + span, span, silence, m_liveBuffer.data()) !=
      RingRead::kCopied) {
    return 0;
  }
  m_nLiveStamp = ring->BlockTime(first + span - 1);
  DecodeFrameFrom(m_liveBuffer.data(), span * align);
  m_dTraceShiftMs = frame->shift * 1000.0 / app.m_nSampleRate;
  ShowTriggerMarks(true);
  return 1;
}
