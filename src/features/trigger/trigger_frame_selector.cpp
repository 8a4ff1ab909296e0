#include "features/trigger/trigger_frame_selector.h"

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
#include "view/display_modes.h"
#include "view/trigger_control.h"

namespace {

constexpr int kOscillograph2D = DISPLAY_MODE_FIRST_2D + 2;
// Live's Auto shows untriggered frames after this long without a trigger (past the holdoff).
constexpr unsigned kAutoTimeoutMs = 100;
constexpr COLORREF kMarkColor = RGB(0, 128, 0);

int TimeBaseSteps(float timeBase) { return std::clamp(static_cast<int>(timeBase), 1, 50); }

int SourceChannel(const AppState& app) {
  return app.m_nChannels == 2 && CurrentTrigger().Settings().source == 1 ? 1 : 0;
}

}  // namespace

bool TriggerFrameSelector::Applies(const CAurivueView& view) const {
  const AppState& app = CurrentApp();
  const TriggerControl& trigger = CurrentTrigger();
  if (!trigger.IsOn() || view.LeftSamples() == nullptr) return false;
  if (!IsOscillographMode(app.m_nDisplayMode)) return false;
  return !(app.m_bLive && trigger.Rolls(app.m_fTimeBase));
}

void TriggerFrameSelector::SourceSamplesFrom(const unsigned char* data, std::size_t frames,
                                             double* out) const {
  const AppState& app = CurrentApp();
  const CaptureFormat capture = CaptureFormatOf(app);
  DecodeChannel(data, frames, capture.channels, capture.bits, SourceChannel(app), out);
}

double TriggerSourceMidMv(const CAurivueView& view) {
  const AppState& app = CurrentApp();
  const double* samples = SourceChannel(app) == 1 && view.RightSamples() != nullptr
                              ? view.RightSamples()
                              : view.LeftSamples();
  if (samples == nullptr) return 0;
  return ToMillivolts(MidLevel(samples, static_cast<std::size_t>(view.SampleCount())),
                      app.m_nVoltValue);
}

void TriggerFrameSelector::ViewStarting(CAurivueView& /*view*/) {
  // The new view's charts carry no marks, and the search starts over on its frames.
  CurrentTrigger().Restart();
  m_dTraceShiftMs = 0;
  m_bMarks = false;
}

void TriggerFrameSelector::NewestFrameShown(CAurivueView& view) {
  if (Applies(view)) {
    // Auto's untriggered frame in Live: no shift, the level still marked.
    m_dTraceShiftMs = 0;
    ShowMarks(view, false);
  } else {
    Clear(view);
  }
}

void TriggerFrameSelector::Clear(CAurivueView& view) {
  m_dTraceShiftMs = 0;
  if (!m_bMarks) return;
  m_bMarks = false;
  for (int c = 0; c < 2; ++c) view.Chart2D(c).SetMarks(ChartMarks{});
}

void TriggerFrameSelector::ShowMarks(CAurivueView& view, bool triggered) {
  const AppState& app = CurrentApp();
  // The waterfall's curtains have no edge to put a mark on.
  if (app.m_nDisplayMode != kOscillograph2D) return;
  const TriggerSettings& s = CurrentTrigger().Settings();
  const int charts = view.TwoChannels() ? 2 : 1;
  for (int c = 0; c < charts; ++c) {
    ChartMarks marks;
    marks.color = kMarkColor;
    marks.hasLevel = c == SourceChannel(app);
    marks.level = s.levelMv;
    marks.hasPoint = triggered;
    marks.point = s.positionPercent / 100.0 * 10.0 * app.m_fTimeBase;
    view.Chart2D(c).SetMarks(marks);
  }
  m_bMarks = true;
}

void TriggerFrameSelector::ShowWaitingMarks(CAurivueView& view) {
  // While the trigger waits the last trace stays, and the level it waits for is marked on it,
  // also before the first trigger.
  if (!m_bMarks) ShowMarks(view, false);
}

void TriggerFrameSelector::PrepareSearch(const void* stream, uint64_t next) {
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

ViewFeature::FrameChoice TriggerFrameSelector::SelectClassicFrame(CAurivueView& view) {
  if (!Applies(view)) return FrameChoice::kNewest;
  AppState& app = CurrentApp();
  TriggerControl& trigger = CurrentTrigger();
  const unsigned char* buffer = app.m_capture.GetReadyBuffer();
  if (buffer == nullptr) return FrameChoice::kKeep;
  const CaptureFormat capture = CaptureFormatOf(app);
  const std::size_t align = capture.frameBytes;
  const std::size_t frames = capture.bufferFrames;
  PrepareSearch(app.m_capture.GetRing().get(), 0);
  m_samples.resize(frames);
  SourceSamplesFrom(buffer, frames, m_samples.data());
  // Buffers follow one another without a gap, so the search runs on from the last one.
  const auto start = static_cast<int64_t>(trigger.Search().NextSample());
  std::vector<double>& found = trigger.Pending();
  found.clear();
  trigger.Search().Search(m_samples.data(), frames, found);
  const int t = TimeBaseSteps(app.m_fTimeBase);
  const int samples = view.SampleCount();
  const double span = static_cast<double>(samples) * t;
  const auto last = static_cast<int64_t>(samples - 1) * t + 1;
  const std::optional<FramePlacement> frame =
      FirstFrameInside(found, trigger.Settings().positionPercent / 100.0, span, last, start,
                       start + static_cast<int64_t>(frames));
  found.clear();
  trigger.Machine().SetTimeout(0);  // one buffer without a trigger is enough
  const auto show =
      trigger.Machine().Step(frame.has_value(), static_cast<uint64_t>(start) + frames);
  if (show == TriggerStateMachine::Show::kKeep) {
    ShowWaitingMarks(view);
    return FrameChoice::kKeep;
  }
  if (show == TriggerStateMachine::Show::kTriggered) {
    const std::size_t skip = static_cast<std::size_t>(frame->first - start) * align;
    view.DecodeFrameFrom(buffer + skip, frames * align - skip);
    m_dTraceShiftMs = frame->shift * 1000.0 / app.m_nSampleRate;
  } else {
    view.DecodeFrame();
    m_dTraceShiftMs = 0;
  }
  ShowMarks(view, show == TriggerStateMachine::Show::kTriggered);
  return FrameChoice::kDecoded;
}

ViewFeature::FrameChoice TriggerFrameSelector::SelectLiveFrame(CAurivueView& view,
                                                               std::size_t span) {
  if (!Applies(view)) return FrameChoice::kNewest;
  AppState& app = CurrentApp();
  TriggerControl& trigger = CurrentTrigger();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  std::vector<unsigned char>& live = view.LiveBuffer();
  if (!ring || live.empty()) return FrameChoice::kKeep;
  const uint64_t end = ring->WritePosition();
  if (ring.get() == view.LiveRing() && end == view.LiveFrameEnd()) return FrameChoice::kKeep;
  const std::size_t align = ring->FrameBytes();
  // What the ring still surely holds, and how far the search may fall behind before it jumps
  // to the newest second (after a stall longer than the ring; never in normal use).
  const uint64_t keep = ring->Capacity() - ring->Capacity() / 4;
  const uint64_t oldest = end > keep ? end - keep : 0;
  const uint64_t backlog = std::min<uint64_t>(keep, app.m_nSampleRate);
  PrepareSearch(ring.get(), 0);
  TriggerSearch& search = trigger.Search();
  if (search.NextSample() > end || end - search.NextSample() > backlog) {
    search.Reset(end - std::min(end, backlog));
    trigger.Pending().clear();
  }
  const uint8_t silence = CaptureFormatOf(app).silenceByte;
  // Every sample since the last refresh, in pieces of at most half a second.
  const std::size_t chunk = live.size() / align;
  m_bytes.resize(chunk * align);
  m_samples.resize(chunk);
  while (search.NextSample() < end) {
    const auto count =
        static_cast<std::size_t>(std::min<uint64_t>(end - search.NextSample(), chunk));
    if (ReadFramesEndingAt(*ring, search.NextSample() + count, count, silence, m_bytes.data()) !=
        RingRead::kCopied) {
      search.Reset(end);
      trigger.Pending().clear();
      break;
    }
    SourceSamplesFrom(m_bytes.data(), count, m_samples.data());
    search.Search(m_samples.data(), count, trigger.Pending());
  }
  const int t = TimeBaseSteps(app.m_fTimeBase);
  const std::optional<FramePlacement> frame =
      TakeNewestFrame(trigger.Pending(), trigger.Settings().positionPercent / 100.0,
                      static_cast<double>(view.SampleCount()) * t, static_cast<int64_t>(span),
                      static_cast<int64_t>(oldest), static_cast<int64_t>(end));
  trigger.Machine().SetTimeout(static_cast<uint64_t>(search.Criteria().holdoff) +
                               app.m_nSampleRate * kAutoTimeoutMs / 1000);
  const auto show = trigger.Machine().Step(frame.has_value(), end);
  // Auto's untriggered frame: the newest frames, taken as without a trigger.
  if (show == TriggerStateMachine::Show::kUntriggered) return FrameChoice::kNewest;
  view.SetLivePosition(ring.get(), end, view.LiveFrameStamp());
  if (show == TriggerStateMachine::Show::kKeep) {
    ShowWaitingMarks(view);
    return FrameChoice::kKeep;
  }
  const auto first = static_cast<uint64_t>(frame->first);
  if (ReadFramesEndingAt(*ring, first + span, span, silence, live.data()) != RingRead::kCopied) {
    return FrameChoice::kKeep;
  }
  view.SetLivePosition(ring.get(), end, ring->BlockTime(first + span - 1));
  view.DecodeFrameFrom(live.data(), span * align);
  m_dTraceShiftMs = frame->shift * 1000.0 / app.m_nSampleRate;
  ShowMarks(view, true);
  return FrameChoice::kDecoded;
}
