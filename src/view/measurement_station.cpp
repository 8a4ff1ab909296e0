#include "view/measurement_station.h"

#include <algorithm>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/frame_decoding.h"
#include "analysis/pcm_samples.h"
#include "platform/capture_ring.h"
#include "platform/ring_read.h"
#include "view/capture_format.h"

MeasurementStation::MeasurementStation() {
  m_liveTimer.setInterval(kLiveIntervalMs);
  QObject::connect(&m_liveTimer, &QTimer::timeout, [this] {
    if (!HasCurrentApp() || CurrentApp().m_bPowerOn == 0) return;
    if (CurrentApp().m_bLive) {
      MeasureNewest();
    } else if (CurrentApp().m_capture.GetRing() != m_pRing) {
      // POWER came on: the last stretch's statistics go now, not with the first buffer.
      FollowRing();
    }
  });
}

void MeasurementStation::Want(int user, bool wanted) {
  const unsigned bit = 1u << (user & 31);
  m_wanted = wanted ? (m_wanted | bit) : (m_wanted & ~bit);
  if (m_wanted != 0 && !m_liveTimer.isActive()) m_liveTimer.start();
  if (m_wanted == 0) m_liveTimer.stop();
}

void MeasurementStation::FollowRing() {
  std::shared_ptr<const CaptureRing> ring = CurrentApp().m_capture.GetRing();
  if (ring != m_pRing) {
    // Holding the old ring keeps a new one from ever having its address.
    m_pRing = std::move(ring);
    m_nLastEnd = 0;
    ResetStatistics();
  }
}

void MeasurementStation::OnBufferReady() {
  if (!Active() || !HasCurrentApp()) return;
  AppState& app = CurrentApp();
  if (app.m_bPowerOn == 0 || app.m_bLive) return;
  const unsigned char* buffer = app.m_capture.GetReadyBuffer();
  if (buffer == nullptr) return;
  FollowRing();
  MeasureFrames(buffer, CaptureFormatOf(app).bufferFrames);
}

bool MeasurementStation::MeasureNewest() {
  if (!HasCurrentApp()) return false;
  AppState& app = CurrentApp();
  FollowRing();
  if (!m_pRing) return false;
  const uint64_t end = m_pRing->WritePosition();
  if (end == m_nLastEnd) return false;
  const CaptureFormat capture = CaptureFormatOf(app);
  // Only frames that were written: statistics over silence before them would be false.
  const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(end, capture.bufferFrames));
  if (count == 0) return false;
  m_frames.resize(count * m_pRing->FrameBytes());
  if (ReadFramesEndingAt(*m_pRing, end, count, capture.silenceByte, m_frames.data()) !=
      RingRead::kCopied) {
    return false;
  }
  m_nLastEnd = end;
  MeasureFrames(m_frames.data(), count);
  return true;
}

void MeasurementStation::MeasureFrames(const unsigned char* frames, std::size_t count) {
  const AppState& app = CurrentApp();
  const CaptureFormat capture = CaptureFormatOf(app);
  const FrameFormat format = capture.Frame(static_cast<int>(count));
  m_left.resize(count);
  m_right.resize(count);
  const std::size_t bytes = count * capture.frameBytes;
  ::DecodeFrame(frames, bytes, format, m_left.data(),
                format.channels == 2 ? m_right.data() : nullptr);
  m_nChannels = format.channels;
  MeasureSetup setup;
  setup.sampleRate = app.m_nSampleRate;
  setup.fullScale = FullScale(format.bits);
  setup.countsPerVolt = app.m_nVoltValue > 0 ? app.m_nVoltValue : 1;
  for (int c = 0; c < m_nChannels; ++c) {
    setup.clipping = HasFullScaleSample(frames, count, format.channels, format.bits, c);
    m_last[c] = MeasureChannel(c == 0 ? m_left.data() : m_right.data(), count, setup);
    m_stats[c].Add(m_last[c]);
  }
  ++m_nUpdates;
  // A listener may remove itself.
  const auto listeners = m_listeners;
  for (const auto& l : listeners) l.second();
}

int MeasurementStation::Channels() const {
  if (m_nUpdates == 0 && HasCurrentApp()) return CaptureFormatOf(CurrentApp()).channels;
  return m_nChannels;
}

void MeasurementStation::ResetStatistics() {
  for (ChannelStats& s : m_stats) s.Reset();
  const auto listeners = m_resetListeners;
  for (const auto& l : listeners) l.second();
}

int MeasurementStation::AddResetListener(Listener listener) {
  const int id = m_nNextListener++;
  m_resetListeners.emplace_back(id, std::move(listener));
  return id;
}

int MeasurementStation::AddListener(Listener listener) {
  const int id = m_nNextListener++;
  m_listeners.emplace_back(id, std::move(listener));
  return id;
}

void MeasurementStation::RemoveListener(int id) {
  for (auto* list : {&m_listeners, &m_resetListeners}) {
    list->erase(
        std::remove_if(list->begin(), list->end(), [id](const auto& l) { return l.first == id; }),
        list->end());
  }
}
