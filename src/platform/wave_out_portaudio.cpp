// The generator's sound-card output through PortAudio, sharing its start with the input.
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "platform/capture_ring.h"
#include "platform/portaudio_session.h"
#include "platform/wave_out.h"

namespace {

PaSampleFormat PaFormat(OutputSampleFormat format) {
  switch (format) {
    case OutputSampleFormat::Float32:
      return paFloat32;
    case OutputSampleFormat::Int24:
      return paInt24;
    case OutputSampleFormat::Int16:
      return paInt16;
  }
  return paInt16;
}

// With PortAudioMutex held: the output device by name, part of a name or number; empty names
// the default output.
PaDeviceIndex FindOutputLocked(const std::string& name) {
  if (name.empty()) {
    const PaDeviceIndex d = Pa_GetDefaultOutputDevice();
    return d != paNoDevice && Pa_GetDeviceInfo(d)->maxOutputChannels > 0 ? d : paNoDevice;
  }
  const int count = Pa_GetDeviceCount();
  char* end = nullptr;
  const long number = std::strtol(name.c_str(), &end, 10);
  if (end != nullptr && *end == '\0') {
    if (number < 0 || number >= count) return paNoDevice;
    return Pa_GetDeviceInfo(static_cast<PaDeviceIndex>(number))->maxOutputChannels > 0
               ? static_cast<PaDeviceIndex>(number)
               : paNoDevice;
  }
  PaDeviceIndex partial = paNoDevice;
  for (PaDeviceIndex d = 0; d < count; ++d) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    if (info->maxOutputChannels <= 0) continue;
    const std::string n = info->name;
    if (n == name) return d;
    if (partial == paNoDevice && n.find(name) != std::string::npos) partial = d;
  }
  return partial;
}

class PortAudioOutput final : public WaveOutStream {
 public:
  PortAudioOutput(std::string device, OutputSampleFormat format, int channels,
                  OutputBlockWriter::RenderFn render, void* context)
      : m_device(std::move(device)),
        m_writer(format, channels),
        m_render(render),
        m_context(context) {}
  ~PortAudioOutput() override {
    Stop();
    if (m_stream == nullptr) return;
    std::lock_guard<std::mutex> lock(PortAudioMutex());
    Pa_CloseStream(m_stream);
    NoteStreamClosedLocked();
  }

  // With PortAudioMutex held.
  PaError OpenLocked(const PaStreamParameters& out, uint32_t rate) {
    // 10 ms blocks (at most a ring block) keep a change of setting close behind the knob.
    const unsigned long frames = std::min<unsigned long>(CaptureRing::kMaxBlockFrames, rate / 100);
    PaError err = Pa_OpenStream(&m_stream, nullptr, &out, rate, frames, paClipOff, &Callback, this);
    if (err != paNoError) {
      m_stream = nullptr;
      return err;
    }
    NoteStreamOpenedLocked();
    err = Pa_StartStream(m_stream);
    m_running = err == paNoError;
    if (!m_running) {
      Pa_CloseStream(m_stream);
      NoteStreamClosedLocked();
      m_stream = nullptr;
    }
    return err;
  }

  void Stop() override {
    if (!m_running) return;
    std::lock_guard<std::mutex> lock(PortAudioMutex());
    Pa_StopStream(m_stream);  // returns after the last callback has finished
    m_running = false;
  }
  std::string DeviceName() const override { return m_device; }
  OutputSampleFormat Format() const override { return m_writer.Format(); }
  uint64_t Underruns() const override { return m_underruns.load(std::memory_order_relaxed); }

 private:
  static int Callback(const void*, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags, void* user) {
    auto* self = static_cast<PortAudioOutput*>(user);
    self->m_writer.Fill(output, frames, (flags & paOutputUnderflow) != 0, self->m_render,
                        self->m_context);
    self->m_underruns.store(self->m_writer.Underruns(), std::memory_order_relaxed);
    return paContinue;
  }

  std::string m_device;
  OutputBlockWriter m_writer;
  OutputBlockWriter::RenderFn m_render;
  void* m_context;
  PaStream* m_stream = nullptr;
  bool m_running = false;
  std::atomic<uint64_t> m_underruns{0};
};

}  // namespace

std::unique_ptr<WaveOutStream> OpenWaveOut(const std::string& name, uint32_t rate,
                                           OutputBlockWriter::RenderFn render, void* context,
                                           std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return std::unique_ptr<WaveOutStream>();
  };
  const std::string what = name.empty() ? "the default output" : "output \"" + name + "\"";
  std::lock_guard<std::mutex> lock(PortAudioMutex());
  if (!PortAudioReadyLocked()) return fail("the sound system (PortAudio) cannot start");
  PaDeviceIndex d = FindOutputLocked(name);
  if (d == paNoDevice && RescanPortAudioLocked()) d = FindOutputLocked(name);
  if (d == paNoDevice) return fail("no sound-card output device matches " + what);
  const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
  const int channels = std::min(2, info->maxOutputChannels);
  PaError last = paNoError;
  for (OutputSampleFormat format :
       {OutputSampleFormat::Float32, OutputSampleFormat::Int24, OutputSampleFormat::Int16}) {
    PaStreamParameters out{};
    out.device = d;
    out.channelCount = channels;
    out.sampleFormat = PaFormat(format);
    out.suggestedLatency = info->defaultLowOutputLatency;
    if (Pa_IsFormatSupported(nullptr, &out, rate) != paFormatIsSupported) continue;
    auto stream = std::make_unique<PortAudioOutput>(info->name, format, channels, render, context);
    last = stream->OpenLocked(out, rate);
    if (last == paNoError) return stream;
  }
  return fail("cannot play on " + what + " (" + info->name + ") at " + std::to_string(rate) +
              " Hz" + (last != paNoError ? std::string(": ") + Pa_GetErrorText(last) : ""));
}

WaveOutDeviceList ListWaveOutDevices() {
  WaveOutDeviceList list;
  std::lock_guard<std::mutex> lock(PortAudioMutex());
  if (!RescanPortAudioLocked() && !PortAudioReadyLocked()) return list;
  const PaDeviceIndex preferred = Pa_GetDefaultOutputDevice();
  for (PaDeviceIndex d = 0; d < Pa_GetDeviceCount(); ++d) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    if (info == nullptr || info->maxOutputChannels <= 0) continue;
    if (d == preferred) list.defaultIndex = static_cast<int>(list.names.size());
    list.names.emplace_back(info->name);
  }
  return list;
}
