#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/auto_reset_event.h"
#include "platform/capture_ring.h"
#include "platform/ui_handoff.h"
#include "platform/wave_in.h"

// Continuous capture from the wave-input device into two alternating half-second buffers. For each
// filled buffer a worker thread sends ID_BUFFER_READY to the main window and waits until it has
// been handled before lending the buffer to the device again.
class WaveInCapture {
 public:
  WaveInCapture();
  // Stops the capture, then frees both buffers.
  virtual ~WaveInCapture();
  WaveInCapture(const WaveInCapture&) = delete;
  WaveInCapture& operator=(const WaveInCapture&) = delete;

  // Fills the PCM format record and reallocates both buffers, zero-filled, of half the average
  // bytes per second each.
  void SetFormat(int channels, uint32_t samplesPerSec, int bits);
  // Opens the device, starts the worker, queues both buffers and starts recording. Failures are
  // reported in a message box and leave what was set up for the next Stop.
  void Start();
  // Start without a message box: the text Start would show, empty when recording has started.
  std::string StartQuietly();
  // Ends the worker and waits until it has ended, pauses 50 ms, then stops and closes the device.
  // Never blocks on the user-interface thread, also when called from inside the handling of
  // ID_BUFFER_READY. Afterwards no thread touches the buffers.
  void Stop();
  // The buffer the current ID_BUFFER_READY announces; valid while that command is handled.
  uint8_t* GetReadyBuffer();
  // True when nobody but the caller touches GetReadyBuffer() now: while ID_BUFFER_READY is
  // handled, or while no device records. Otherwise the device may be filling it.
  bool ReadyBufferHeld() const { return !m_bCapturing || m_handoff.HandlerRunning(); }

  const WaveFormat& GetFormat() const { return m_format; }
  // Header 0 describes m_pBufferA, header 1 m_pBufferB; read them only while stopped or while
  // ID_BUFFER_READY is handled.
  const WaveHeader& GetHeader(int index) const { return m_headers[index & 1]; }
  // The ring of the device opened by the last Start (kept after Stop, so the newest frames stay
  // readable), or nullptr before the first Start. Its overruns are the blocks lost since then.
  std::shared_ptr<const CaptureRing> GetRing() const { return m_pRing; }
  // Told of each new device's ring as Start opens it, on the thread that runs Start, before any
  // frame reaches that ring is lost to it (a recording follows the rings so). Empty: nobody.
  using RingListener = std::function<void(const std::shared_ptr<const CaptureRing>&)>;
  void SetRingListener(RingListener listener) { m_ringListener = std::move(listener); }
  // True from Start until Stop has seen the worker end.
  bool HasWorker() const { return m_pThread != nullptr; }
  // True from a Start that got the device recording until the next Stop.
  bool IsCapturing() const { return m_bCapturing; }
  // The name of the device the last Start found (from its capabilities), empty before.
  std::string DeviceName() const;

 private:
  void WorkerMain();
  void OnBufferDone();
  // Ends the worker (if any) without the pause: cancel the hand-off, wake it, join it.
  void EndWorker();

  uint8_t* m_pBufferA = nullptr;
  uint8_t* m_pBufferB = nullptr;
  WaveInCaps m_caps;
  WaveInHandle m_hWaveIn = 0;
  WaveHeader m_headers[2];
  WaveFormat m_format;
  EventHandle m_hEvent;
  std::unique_ptr<std::thread> m_pThread;
  std::atomic<int32_t> m_bStop{0};
  std::atomic<int32_t> m_nCurrent{0};
  UiHandoff m_handoff;
  std::shared_ptr<const CaptureRing> m_pRing;
  RingListener m_ringListener;
  bool m_bCapturing = false;
};
