#include "acquisition/wave_in_capture.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/command_ids.h"
#include "platform/message_box.h"

WaveInCapture::WaveInCapture() = default;

WaveInCapture::~WaveInCapture() {
  Stop();
  std::free(m_pBufferA);
  std::free(m_pBufferB);
}

void WaveInCapture::SetFormat(int channels, uint32_t samplesPerSec, int bits) {
  // A new format while recording would pull the buffers from under the device.
  if (m_pThread) Stop();
  m_format = PcmWaveFormat(channels, samplesPerSec, bits);

  const size_t bytes = m_format.nAvgBytesPerSec / 2;
  std::free(m_pBufferA);
  std::free(m_pBufferB);
  m_pBufferB = nullptr;
  m_pBufferA = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (m_pBufferA != nullptr) m_pBufferB = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (m_pBufferA == nullptr || m_pBufferB == nullptr) ShowMessageBox("Cann't allocation memory!");
}

void WaveInCapture::Start() {
  const std::string failure = StartQuietly();
  if (!failure.empty()) ShowMessageBox(failure);
}

std::string WaveInCapture::StartQuietly() {
  m_bCapturing = false;
  if (WaveInGetNumDevs() == 0) return "System hasn't install input Device!";
  if (WaveInGetDevCaps(0, &m_caps, sizeof m_caps) != MMSYSERR_NOERROR) {
    return "Cann't get input device caps!";
  }
  // A Start without a Stop in between would leave the first worker and device behind.
  if (m_pThread) {
    EndWorker();
    WaveInStop(m_hWaveIn);
    WaveInClose(m_hWaveIn);
  }

  m_bStop = 0;
  m_hEvent = CreateAutoResetEvent("WaveInThreadEvent");
  m_handoff.Arm();
  m_pThread = std::make_unique<std::thread>(&WaveInCapture::WorkerMain, this);

  if (WaveInOpen(&m_hWaveIn, WAVE_MAPPER, &m_format, m_hEvent) != MMSYSERR_NOERROR) {
    return "Cann't open input device!";
  }
  m_pRing = WaveInGetRing(m_hWaveIn);
  if (m_ringListener && m_pRing) m_ringListener(m_pRing);
  const uint32_t length = m_format.nAvgBytesPerSec / 2;
  for (int i = 0; i < 2; ++i) {
    m_nCurrent = i;
    WaveHeader& h = m_headers[i];
    h.lpData = i == 0 ? m_pBufferA : m_pBufferB;
    h.dwBufferLength = length;
    h.dwFlags = 0;
    if (WaveInPrepareHeader(m_hWaveIn, &h, kWaveHeaderSize) != MMSYSERR_NOERROR ||
        h.dwFlags != WHDR_PREPARED) {
      return "Cann't prepare header!";
    }
    if (WaveInAddBuffer(m_hWaveIn, &h, kWaveHeaderSize) != MMSYSERR_NOERROR) {
      return "Cann't add buffer!";
    }
  }
  if (WaveInStart(m_hWaveIn) != MMSYSERR_NOERROR) return "Cann't start!";
  m_bCapturing = true;
  return std::string();
}

void WaveInCapture::EndWorker() {
  m_bStop = 1;
  if (m_hEvent) m_hEvent->Set();
  // Frees a worker waiting for its notification; one not yet started is dropped.
  m_handoff.Cancel();
  if (m_pThread) {
    m_pThread->join();
    m_pThread.reset();
  }
}

void WaveInCapture::Stop() {
  m_bCapturing = false;
  EndWorker();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (m_hWaveIn != 0) {
    WaveInStop(m_hWaveIn);
    WaveInClose(m_hWaveIn);
  }
}

uint8_t* WaveInCapture::GetReadyBuffer() { return m_nCurrent == 0 ? m_pBufferA : m_pBufferB; }

void WaveInCapture::WorkerMain() {
  EventHandle event = m_hEvent;
  event->Wait();  // the device's open notification
  while (m_bStop == 0) {
    if (!event->Wait() || m_bStop != 0) break;
    OnBufferDone();
  }
}

void WaveInCapture::OnBufferDone() {
  const int current = 1 - m_nCurrent;
  m_nCurrent = current;
  m_handoff.Send(ID_BUFFER_READY);
  // Stopping: the buffer stays with the engine; Stop closes the device.
  if (m_bStop != 0) return;

  WaveHeader& h = m_headers[current];
  if (WaveInUnprepareHeader(m_hWaveIn, &h, kWaveHeaderSize) != MMSYSERR_NOERROR) return;
  h.lpData = current == 0 ? m_pBufferA : m_pBufferB;
  h.dwBufferLength = m_format.nAvgBytesPerSec / 2;
  h.dwLoops = 0;
  h.dwFlags = WHDR_DONE;
  if (WaveInPrepareHeader(m_hWaveIn, &h, kWaveHeaderSize) != MMSYSERR_NOERROR ||
      h.dwFlags != WHDR_PREPARED) {
    ShowMessageBox("Cann't prepare Header!");
  }
  if (WaveInAddBuffer(m_hWaveIn, &h, kWaveHeaderSize) != MMSYSERR_NOERROR) {
    ShowMessageBox("Cann't Add Buffer!");
  }
  if (WaveInStart(m_hWaveIn) != MMSYSERR_NOERROR) ShowMessageBox("Cann't Start!");
}

std::string WaveInCapture::DeviceName() const {
  return std::string(m_caps.szPname, strnlen(m_caps.szPname, sizeof m_caps.szPname));
}
