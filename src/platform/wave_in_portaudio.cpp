// The sound-card backend: PortAudio's input devices, the default one standing for the system's
// preferred recording device.
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/capture_ring.h"
#include "platform/portaudio_session.h"
#include "platform/portaudio_streams.h"
#include "platform/wave_in_backend.h"

namespace {

std::mutex& PaMutex() { return PortAudioMutex(); }

// The capture's end of a PortAudio stream: the input's own, or one it shares with the
// generator's output (then both run on one clock).
class PortAudioSource final : public WaveInSource, public CaptureEnd {
 public:
  PortAudioSource(const WaveFormat& fmt, int deviceChannels)
      : m_format(fmt),
        m_deviceChannels(deviceChannels),
        m_scratch(deviceChannels < fmt.nChannels ? kScratchFrames * fmt.nBlockAlign : 0) {}
  ~PortAudioSource() override { Detach(); }

  // The stream runs from here; what it brings is dropped until delivery starts.
  PaError Attach(const PaStreamParameters& in) {
    const PaError err =
        PortAudioStreams::Instance().AttachCapture(in, m_format.nSamplesPerSec, this);
    m_attached = err == paNoError;
    return err;
  }

  bool StartDelivery(WaveInSink* sink) override {
    m_sink.store(sink, std::memory_order_release);
    return m_attached;
  }

  void StopDelivery() override { Detach(); }

  // PortAudio's audio thread: only copies into the device's ring (see WaveInSink::Deliver).
  int64_t Captured(const void* input, unsigned long frames, bool overflowed) override {
    WaveInSink* sink = m_sink.load(std::memory_order_acquire);
    if (sink == nullptr) return -1;
    if (overflowed) sink->NoteLostInput();
    if (input == nullptr || !sink->IsRecording()) return -1;
    const auto first = static_cast<int64_t>(sink->FramesKept());
    Take(sink, static_cast<const uint8_t*>(input), frames);
    return first;
  }

 private:
  static constexpr size_t kScratchFrames = 1024;

  void Detach() {
    if (!m_attached) return;
    PortAudioStreams::Instance().DetachCapture(this);  // the callback has let go of this
    m_attached = false;
  }

  void Take(WaveInSink* sink, const uint8_t* input, unsigned long frames) {
    if (m_deviceChannels == m_format.nChannels) {
      sink->Deliver(input, frames * m_format.nBlockAlign);
      return;
    }
    // A mono device feeding a two-channel capture: both channels carry the one signal.
    const size_t width = m_format.wBitsPerSample / 8;
    while (frames > 0) {
      size_t n = std::min<size_t>(frames, kScratchFrames);
      uint8_t* out = m_scratch.data();
      for (size_t i = 0; i < n; ++i, input += width) {
        for (int c = 0; c < 2; ++c, out += width) std::copy(input, input + width, out);
      }
      sink->Deliver(m_scratch.data(), n * m_format.nBlockAlign);
      frames -= n;
    }
  }

  WaveFormat m_format;
  int m_deviceChannels;
  std::vector<uint8_t> m_scratch;
  std::atomic<WaveInSink*> m_sink{nullptr};
  bool m_attached = false;
};

class PortAudioBackend final : public WaveInBackend {
 public:
  explicit PortAudioBackend(std::string name) : m_name(std::move(name)) {}

  // With the default device, every PortAudio input device counts and the wave mapper is the
  // default input; with a named one, that device is the only one.
  unsigned DeviceCount() override {
    if (Device() == paNoDevice) return 0;
    return m_name.empty() ? static_cast<unsigned>(InputDevices()) : 1;
  }

  MMRESULT Caps(unsigned id, WaveInCaps* caps) override {
    PaDeviceIndex d = DeviceById(id);
    if (d == paNoDevice) return MMSYSERR_BADDEVICEID;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    FillCaps(caps, info->name, std::min(2, info->maxInputChannels));
    return MMSYSERR_NOERROR;
  }

  MMRESULT Open(unsigned id, const WaveFormat& fmt,
                std::unique_ptr<WaveInSource>* source) override {
    PaDeviceIndex d = DeviceById(id);
    if (d == paNoDevice) return MMSYSERR_BADDEVICEID;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    int channels = std::min<int>(fmt.nChannels, info->maxInputChannels);
    PaStreamParameters in{};
    in.device = d;
    in.channelCount = channels;
    in.sampleFormat = fmt.wBitsPerSample == 8 ? paUInt8 : paInt16;
    in.suggestedLatency = info->defaultLowInputLatency;
    auto created = std::make_unique<PortAudioSource>(fmt, channels);
    PaError err = created->Attach(in);
    if (err != paNoError) {
      return err == paInvalidSampleRate || err == paSampleFormatNotSupported ? WAVERR_BADFORMAT
                                                                             : MMSYSERR_ERROR;
    }
    *source = std::move(created);
    return MMSYSERR_NOERROR;
  }

 private:
  // The id-th input device, or the chosen one for WAVE_MAPPER.
  PaDeviceIndex DeviceById(unsigned id) {
    PaDeviceIndex chosen = Device();
    if (chosen == paNoDevice || id == WAVE_MAPPER || !m_name.empty()) {
      return id == WAVE_MAPPER || id == 0 ? chosen : paNoDevice;
    }
    std::lock_guard<std::mutex> lock(PaMutex());
    unsigned seen = 0;
    for (PaDeviceIndex d = 0; d < Pa_GetDeviceCount(); ++d) {
      if (Pa_GetDeviceInfo(d)->maxInputChannels <= 0) continue;
      if (seen++ == id) return d;
    }
    return paNoDevice;
  }

  int InputDevices() {
    std::lock_guard<std::mutex> lock(PaMutex());
    int n = 0;
    for (PaDeviceIndex d = 0; d < Pa_GetDeviceCount(); ++d)
      n += Pa_GetDeviceInfo(d)->maxInputChannels > 0;
    return n;
  }

  // The chosen device; when it is missing, the devices are listed again once.
  PaDeviceIndex Device() {
    std::lock_guard<std::mutex> lock(PaMutex());
    if (!PortAudioReadyLocked()) return paNoDevice;
    PaDeviceIndex d = FindDeviceLocked();
    if (d == paNoDevice && RescanPortAudioLocked()) d = FindDeviceLocked();
    return d;
  }

  PaDeviceIndex FindDeviceLocked() const {
    if (m_name.empty()) {
      PaDeviceIndex d = Pa_GetDefaultInputDevice();
      return d != paNoDevice && Pa_GetDeviceInfo(d)->maxInputChannels > 0 ? d : paNoDevice;
    }
    int count = Pa_GetDeviceCount();
    char* end = nullptr;
    long number = std::strtol(m_name.c_str(), &end, 10);
    if (end != nullptr && *end == '\0') {
      if (number < 0 || number >= count) return paNoDevice;
      return Pa_GetDeviceInfo(number)->maxInputChannels > 0 ? static_cast<PaDeviceIndex>(number)
                                                            : paNoDevice;
    }
    PaDeviceIndex partial = paNoDevice;
    for (PaDeviceIndex d = 0; d < count; ++d) {
      const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
      if (info->maxInputChannels <= 0) continue;
      std::string name = info->name;
      if (name == m_name) return d;
      if (partial == paNoDevice && name.find(m_name) != std::string::npos) partial = d;
    }
    return partial;
  }

  std::string m_name;
};

}  // namespace

std::unique_ptr<WaveInBackend> MakePortAudioBackend(const std::string& name, std::string*) {
  return std::make_unique<PortAudioBackend>(name);
}

WaveInDeviceList ListWaveInDevices() {
  WaveInDeviceList list;
  std::lock_guard<std::mutex> lock(PaMutex());
  // A fresh look, so a device plugged in (or a sound server started) since is listed too.
  if (!RescanPortAudioLocked() && !PortAudioReadyLocked()) return list;
  const PaDeviceIndex preferred = Pa_GetDefaultInputDevice();
  for (PaDeviceIndex d = 0; d < Pa_GetDeviceCount(); ++d) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    if (info == nullptr || info->maxInputChannels <= 0) continue;
    if (d == preferred) list.defaultIndex = static_cast<int>(list.names.size());
    list.names.emplace_back(info->name);
  }
  return list;
}
