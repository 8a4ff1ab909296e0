#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/output_block_writer.h"

// How the output's stream stands to the sound-card input's.
enum class OutputClock {
  Alone,     // no sound-card input records now
  Shared,    // one duplex stream carries both: they share one clock
  Separate,  // a stream each: the devices (or their host) cannot run both in one
};

// Renders count two-channel float frames for the output. captureFrame: the capture frame number
// (as the input's capture ring counts) of the input frame taken with the first of them, where the
// input shares the output's clock (WaveOutStream::LoopFrames later still, it is put out); -1
// where nothing ties the two.
using OutputRenderFn = void (*)(void* context, float* frames, size_t count, int64_t captureFrame);

// A sound-card output stream: PortAudio's callback asks for blocks, which are rendered by
// render(context, frames, count, captureFrame) as two-channel floats and converted to what the
// device takes (float where it can, else 24 bits, else 16 bits with dither).
class WaveOutStream {
 public:
  virtual ~WaveOutStream() = default;
  // After this returns the renderer is never called again.
  virtual void Stop() = 0;
  virtual std::string DeviceName() const = 0;
  virtual OutputSampleFormat Format() const = 0;
  // Blocks the device ran dry before (its underflows), counted since the stream opened.
  virtual uint64_t Underruns() const = 0;
  // Whether the output now shares the input's clock (the input may come and go while it plays).
  virtual OutputClock Clock() const = 0;
  // On a shared clock: frames from an input frame's arrival to the output frame handed over with
  // it leaving the converter (the stream's own latencies; the analogue path comes on top).
  virtual int64_t LoopFrames() const = 0;
};

// Opens and starts the output device named (a name, part of one or a number; empty: the
// system's default output) at rate; null with a one-line reason in *error. Where the sound-card
// input records at the same rate, both run in one duplex stream when the devices allow it.
std::unique_ptr<WaveOutStream> OpenWaveOut(const std::string& name, uint32_t rate,
                                           OutputRenderFn render, void* context,
                                           std::string* error);

// The sound-card output devices by name, in PortAudio's order, and which one is the system's
// default (-1: none).
struct WaveOutDeviceList {
  std::vector<std::string> names;
  int defaultIndex = -1;
};
WaveOutDeviceList ListWaveOutDevices();
