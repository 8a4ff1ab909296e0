#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/frame_decoding.h"

class AppState;

// How the settings' input arrives: the shape of a frame and of a Classic buffer, and what a
// frame of it decodes as.
struct CaptureFormat {
  int channels = 2;  // 1 or 2
  int bits = 16;     // 8 or 16
  std::size_t frameBytes = 4;
  std::size_t bufferFrames = 0;  // half a second of frames, as the capture engine sizes a buffer
  std::size_t bufferBytes = 0;
  uint8_t silenceByte = 0;  // every byte of a silent frame (128 is the zero of 8-bit samples)
  int filterType = kFilterNone;
  unsigned sampleRate = 44100;
  int freqPoint = 10000;

  // The decoding of samples samples per channel, one taken every timeBase frames.
  FrameFormat Frame(int samples, float timeBase = 1) const;
};

// The capture format of the settings; a channel count other than 2 reads as 1 and a width
// other than 8 bits as 16, as the capture itself does.
CaptureFormat CaptureFormatOf(const AppState& app);
