#include "acquisition/wave_in_capture.h"

#include <cstdlib>

#include "platform/message_box.h"

WaveInCapture::~WaveInCapture() {
  Stop();
  std::free(m_pBufferA);
  std::free(m_pBufferB);
}

void WaveInCapture::SetFormat(int channels, uint32_t samplesPerSec, int bits) {
  uint32_t avg = static_cast<uint32_t>(channels) * static_cast<uint32_t>(bits) * samplesPerSec / 8;
  m_nBufferBytes = avg / 2;
  std::free(m_pBufferA);
  std::free(m_pBufferB);
  m_pBufferB = nullptr;
  m_pBufferA = static_cast<uint8_t*>(std::calloc(m_nBufferBytes, 1));
  if (m_pBufferA != nullptr) m_pBufferB = static_cast<uint8_t*>(std::calloc(m_nBufferBytes, 1));
  if (m_pBufferA == nullptr || m_pBufferB == nullptr) ShowMessageBox("Cann't allocation memory!");
}

void WaveInCapture::Start() {}

void WaveInCapture::Stop() {}

uint8_t* WaveInCapture::GetReadyBuffer() { return m_nCurrent == 0 ? m_pBufferA : m_pBufferB; }
