#pragma once

#include <cstdint>

// Double-buffered capture from the wave-input device. (Minimal form: buffers and format only;
// the capture itself arrives with the platform's wave-input service.)
class WaveInCapture {
 public:
  WaveInCapture() = default;
  virtual ~WaveInCapture();
  WaveInCapture(const WaveInCapture&) = delete;
  WaveInCapture& operator=(const WaveInCapture&) = delete;

  void SetFormat(int channels, uint32_t samplesPerSec, int bits);
  void Start();
  void Stop();
  uint8_t* GetReadyBuffer();

 private:
  uint8_t* m_pBufferA = nullptr;
  uint8_t* m_pBufferB = nullptr;
  uint32_t m_nBufferBytes = 0;
  int m_nCurrent = 0;
};
