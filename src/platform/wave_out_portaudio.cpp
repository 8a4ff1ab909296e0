// The generator's sound-card output through PortAudio, sharing its start with the input.
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/portaudio_session.h"
#include "platform/portaudio_streams.h"
#include "platform/wave_out.h"

namespace {

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

// The generator's end of a PortAudio stream: its own, or one it shares with the input.
class PortAudioOutput final : public WaveOutStream, public PlaybackEnd {
 public:
  PortAudioOutput(std::string device, OutputRenderFn render, void* context)
      : m_device(std::move(device)), m_render(render), m_context(context) {}
  ~PortAudioOutput() override { Stop(); }

  PaError Attach(const PaStreamParameters& out, uint32_t rate) {
    const PaError err = PortAudioStreams::Instance().AttachPlayback(out, rate, this, nullptr);
    m_attached = err == paNoError;
    return err;
  }

  void Stop() override {
    if (!m_attached) return;
    PortAudioStreams::Instance().DetachPlayback(this);
    m_attached = false;
  }
  std::string DeviceName() const override { return m_device; }
  OutputSampleFormat Format() const override {
    return PortAudioStreams::Instance().PlaybackFormat();
  }
  uint64_t Underruns() const override { return m_underruns.load(std::memory_order_relaxed); }
  OutputClock Clock() const override { return PortAudioStreams::Instance().PlaybackClock(); }
  int64_t LoopFrames() const override { return PortAudioStreams::Instance().PlaybackLoopFrames(); }

  // The audio thread.
  void Play(OutputBlockWriter& writer, void* out, unsigned long frames, bool underflowed,
            int64_t captureFrame) override {
    if (underflowed) m_underruns.fetch_add(1, std::memory_order_relaxed);
    m_captureFrame = captureFrame;
    writer.Fill(out, frames, false, &RenderPiece, this);
  }

 private:
  // The writer renders a block in pieces; each is put out that many frames after the last.
  static void RenderPiece(void* self, float* frames, size_t count) {
    auto* output = static_cast<PortAudioOutput*>(self);
    output->m_render(output->m_context, frames, count, output->m_captureFrame);
    if (output->m_captureFrame >= 0) output->m_captureFrame += static_cast<int64_t>(count);
  }

  std::string m_device;
  OutputRenderFn m_render;
  void* m_context;
  bool m_attached = false;
  int64_t m_captureFrame = -1;  // the audio thread's only
  std::atomic<uint64_t> m_underruns{0};
};

}  // namespace

std::unique_ptr<WaveOutStream> OpenWaveOut(const std::string& name, uint32_t rate,
                                           OutputRenderFn render, void* context,
                                           std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return std::unique_ptr<WaveOutStream>();
  };
  const std::string what = name.empty() ? "the default output" : "output \"" + name + "\"";
  PaStreamParameters out{};
  std::string device;
  {
    std::lock_guard<std::mutex> lock(PortAudioMutex());
    if (!PortAudioReadyLocked()) return fail("the sound system (PortAudio) cannot start");
    PaDeviceIndex d = FindOutputLocked(name);
    if (d == paNoDevice && RescanPortAudioLocked()) d = FindOutputLocked(name);
    if (d == paNoDevice) return fail("no sound-card output device matches " + what);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    out.device = d;
    out.channelCount = std::min(2, info->maxOutputChannels);
    out.suggestedLatency = info->defaultLowOutputLatency;
    device = info->name;
  }
  auto stream = std::make_unique<PortAudioOutput>(device, render, context);
  const PaError err = stream->Attach(out, rate);
  if (err == paNoError) return stream;
  return fail("cannot play on " + what + " (" + device + ") at " + std::to_string(rate) + " Hz" +
              (err != paSampleFormatNotSupported ? std::string(": ") + Pa_GetErrorText(err)
                                                 : std::string()));
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
