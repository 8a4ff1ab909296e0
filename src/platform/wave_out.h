#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/output_block_writer.h"

// A sound-card output stream: PortAudio's callback asks for blocks, which are rendered by
// render(context, frames, count) as two-channel floats and converted to what the device takes
// (float where it can, else 24 bits, else 16 bits with dither).
class WaveOutStream {
 public:
  virtual ~WaveOutStream() = default;
  // After this returns the renderer is never called again.
  virtual void Stop() = 0;
  virtual std::string DeviceName() const = 0;
  virtual OutputSampleFormat Format() const = 0;
  // Blocks the device ran dry before (its underflows), counted since the stream opened.
  virtual uint64_t Underruns() const = 0;
};

// Opens and starts the output device named (a name, part of one or a number; empty: the
// system's default output) at rate; null with a one-line reason in *error.
std::unique_ptr<WaveOutStream> OpenWaveOut(const std::string& name, uint32_t rate,
                                           OutputBlockWriter::RenderFn render, void* context,
                                           std::string* error);

// The sound-card output devices by name, in PortAudio's order, and which one is the system's
// default (-1: none).
struct WaveOutDeviceList {
  std::vector<std::string> names;
  int defaultIndex = -1;
};
WaveOutDeviceList ListWaveOutDevices();
