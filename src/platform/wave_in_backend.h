#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/wave_in.h"

// Where an open device puts what a backend produces. Called from the backend's own thread.
class WaveInSink {
 public:
  virtual ~WaveInSink() = default;
  // Interleaved frames in the device's format; bytes is a whole number of frames. Safe to call
  // from an audio callback: it takes no lock, allocates nothing and makes no system call.
  virtual void Deliver(const uint8_t* data, size_t bytes) = 0;
  // The sound system reports that input was lost before it reached the callback. Callback-safe
  // like Deliver.
  virtual void NoteLostInput() {}
  // True while recording; generators render nothing otherwise, so a tone starts at phase 0.
  virtual bool IsRecording() = 0;
  // Bytes the queued buffers can still take while recording, or 0 while the last notification
  // has not been taken. Generators deliver no more than this, so they lose nothing and no two
  // notifications merge into one signal.
  virtual size_t Room() = 0;
  // Frames the device has kept so far (the capture ring's write position). Callback-safe.
  virtual uint64_t FramesKept() { return 0; }
};

// A running producer of samples for one open device.
class WaveInSource {
 public:
  virtual ~WaveInSource() = default;
  // Starts calling sink->Deliver; false when the backend cannot start.
  virtual bool StartDelivery(WaveInSink* sink) = 0;
  // After this returns the sink is never called again.
  virtual void StopDelivery() = 0;
};

class WaveInBackend {
 public:
  virtual ~WaveInBackend() = default;
  virtual unsigned DeviceCount() = 0;
  virtual MMRESULT Caps(unsigned deviceId, WaveInCaps* caps) = 0;
  // A source for fmt (already checked to be 8/16-bit PCM, one or two channels) or an error.
  virtual MMRESULT Open(unsigned deviceId, const WaveFormat& fmt,
                        std::unique_ptr<WaveInSource>* source) = 0;
  // The one sampling rate this input can deliver (a recording's), 0 when it takes any.
  virtual uint32_t OnlyRate() const { return 0; }
};

// The backends. Each returns nullptr with *error set when its argument is unusable.
std::unique_ptr<WaveInBackend> MakeNoInputBackend();
std::unique_ptr<WaveInBackend> MakeToneBackend(const std::string& arg, std::string* error);
std::unique_ptr<WaveInBackend> MakeFileBackend(const std::string& path, std::string* error);
// The generator's own samples, as SignalOutput renders them, straight into the capture.
std::unique_ptr<WaveInBackend> MakeLoopbackBackend();
// name empty: the default input device.
std::unique_ptr<WaveInBackend> MakePortAudioBackend(const std::string& name, std::string* error);

// Sample conversion shared by the generators: a value in [-1, 1] or a 16-bit sample into the
// device's sample width (8-bit unsigned with 128 as zero, or 16-bit signed little-endian).
int16_t ToSample16(double value);
void PutSample(uint8_t* out, int bits, int16_t sample);

// Caps filled the same way by every backend that has a device.
void FillCaps(WaveInCaps* caps, const std::string& name, int channels);
