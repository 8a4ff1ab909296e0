#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/measurement_stats.h"
#include "analysis/measurements.h"

class CaptureRing;

// The automatic measurements of both channels and their statistics since POWER on (or a reset).
// Each update measures every sample of the newest half second after the settings' filter: in
// Classic the buffer just filled, in Live the newest half second of the capture ring, five times a
// second. It measures only while someone wants its figures, so an instrument without the
// readout, the log or a measuring script does no extra work. User-interface thread only.
class MeasurementStation {
 public:
  // The users of Want.
  static constexpr int kReadoutUser = 0;
  static constexpr int kLogUser = 1;
  static constexpr int kScriptUser = 2;
  // Milliseconds between updates in Live.
  static constexpr int kLiveIntervalMs = 200;

  MeasurementStation();
  MeasurementStation(const MeasurementStation&) = delete;
  MeasurementStation& operator=(const MeasurementStation&) = delete;

  // Each user (readout, log, script) says whether it wants updates; the station runs while any
  // does.
  void Want(int user, bool wanted);
  bool Active() const { return m_wanted != 0; }

  // Classic: the capture buffer ID_BUFFER_READY announces (call while that is handled).
  void OnBufferReady();
  // Live: measures the newest half second of the ring when new frames came; true when it did.
  // The station's own timer calls it; a script may call it to have a last update.
  bool MeasureNewest();

  // Forgets the statistics (POWER on does this by itself).
  void ResetStatistics();

  // Measures count interleaved frames in the capture format; the core of both paths.
  void MeasureFrames(const unsigned char* frames, std::size_t count);

  // Channels of the last update; before the first, those of the settings.
  int Channels() const;
  const ChannelMeasurement* Last() const { return m_last; }
  const ChannelStats* Stats() const { return m_stats; }
  uint64_t Updates() const { return m_nUpdates; }
  // The samples of channel (0 left, 1 right) the last update measured, after the filter.
  const std::vector<double>& Samples(int channel) const { return channel == 0 ? m_left : m_right; }

  // Called after every update.
  using Listener = std::function<void()>;
  int AddListener(Listener listener);
  // Called after the statistics were reset.
  int AddResetListener(Listener listener);
  // Removes a listener of either kind.
  void RemoveListener(int id);

 private:
  // A new capture ring means a new POWER on: the statistics start again.
  void FollowRing();

  unsigned m_wanted = 0;
  QTimer m_liveTimer;
  std::shared_ptr<const CaptureRing> m_pRing;
  uint64_t m_nLastEnd = 0;
  std::vector<unsigned char> m_frames;
  std::vector<double> m_left;
  std::vector<double> m_right;
  int m_nChannels = 1;
  ChannelMeasurement m_last[2];
  ChannelStats m_stats[2];
  uint64_t m_nUpdates = 0;
  int m_nNextListener = 1;
  std::vector<std::pair<int, Listener>> m_listeners;
  std::vector<std::pair<int, Listener>> m_resetListeners;
};
