#include "platform/signal_output.h"

#include <sndfile.h>

#include <algorithm>
#include <thread>

#include "platform/generator_file_output.h"
#include "platform/wave_out.h"

namespace {
// The rate of a generator made before any input or output says which.
constexpr uint32_t kFirstRate = 48000;
}  // namespace

SignalOutput& SignalOutput::Instance() {
  static SignalOutput output;
  return output;
}

SignalOutput::SignalOutput() : m_generator(std::make_unique<SignalGenerator>(kFirstRate)) {
  m_live.store(m_generator.get(), std::memory_order_release);
  m_destination.kind = OutputSpec::Kind::None;
}

SignalOutput::~SignalOutput() { Stop(); }

GeneratorSetup SignalOutput::Publish(const GeneratorSetup& setup) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_setup = m_generator->Publish(setup);
  return m_setup;
}

GeneratorSetup SignalOutput::Setup() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_setup;
}

void SignalOutput::SetDestination(const OutputSpec& spec) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_destination = spec;
}

OutputSpec SignalOutput::Destination() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_destination;
}

SignalGenerator* SignalOutput::GeneratorFor(uint32_t rate) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const bool rendering = m_started || m_tap.load(std::memory_order_acquire) != nullptr;
  if (rate != 0 && rate != m_generator->Rate() && !rendering) {
    auto fresh = std::make_unique<SignalGenerator>(rate);
    // The new generator starts from silence, so the safety step holds across the change too.
    m_setup = fresh->Publish(m_setup);
    m_generator = std::move(fresh);
    m_live.store(m_generator.get(), std::memory_order_release);
  }
  return m_generator.get();
}

bool SignalOutput::Start(uint32_t rate, std::string* error) {
  if (m_started) Stop();
  GeneratorFor(rate);
  std::lock_guard<std::mutex> lock(m_mutex);
  const uint32_t at = m_generator->Rate();
  if (m_destination.kind == OutputSpec::Kind::None) {
    m_started = true;
    return true;
  }
  // From here the destination renders: the loopback input finishes the block it may be
  // rendering and then only takes what the destination hands it.
  m_destinationRenders.store(true, std::memory_order_release);
  { std::lock_guard<std::mutex> wait(m_loopbackRender); }
  std::string why;
  if (m_destination.kind == OutputSpec::Kind::File) {
    m_file = GeneratorFileOutput::Open(m_destination.name, at, &RenderInto, this, &why);
    if (m_file) m_file->Start();
  } else {
    const std::string name =
        m_destination.kind == OutputSpec::Kind::Device ? m_destination.name : std::string();
    m_device = OpenWaveOut(name, at, &RenderAt, this, &why);
  }
  if (!m_file && !m_device) {
    m_destinationRenders.store(false, std::memory_order_release);
    if (error != nullptr) *error = why;
    return false;
  }
  m_started = true;
  return true;
}

void SignalOutput::Stop() {
  std::unique_ptr<WaveOutStream> device;
  std::unique_ptr<GeneratorFileOutput> file;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    device = std::move(m_device);
    file = std::move(m_file);
    if (device) m_underrunsBefore += device->Underruns();
    m_started = false;
  }
  device.reset();  // stops and closes: the callback has run for the last time
  file.reset();
  m_destinationRenders.store(false, std::memory_order_release);
}

uint64_t SignalOutput::Underruns() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_underrunsBefore + (m_device ? m_device->Underruns() : 0);
}

OutputClock SignalOutput::Clock() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_device ? m_device->Clock() : OutputClock::Alone;
}

void SignalOutput::RenderInto(void* self, float* out, size_t frames) {
  static_cast<SignalOutput*>(self)->RenderBlock(out, frames);
}

void SignalOutput::RenderAt(void* self, float* out, size_t frames, int64_t captureFrame) {
  static_cast<SignalOutput*>(self)->RenderBlock(out, frames, captureFrame);
}

void SignalOutput::RenderBlock(float* out, size_t frames, int64_t captureFrame) {
  SignalGenerator* generator = m_live.load(std::memory_order_acquire);
  generator->Render(out, frames);
  int64_t first = captureFrame;
  bool onDevice = captureFrame >= 0;
  m_tapUsers.fetch_add(1);
  if (LoopbackTap* tap = m_tap.load(); tap != nullptr) {
    first = tap->Take(out, frames);
    onDevice = false;
  }
  m_tapUsers.fetch_sub(1);
  // A run that started in this block started frames - since frames into it; where nothing ties
  // it to the capture, an earlier run's frame must not stand for it.
  const uint64_t since = generator->FramesSinceStart();
  if (!generator->Stopped() && since <= frames) {
    m_runOnDevice.store(onDevice, std::memory_order_relaxed);
    m_runStart.store(first >= 0 ? first + static_cast<int64_t>(frames - since) : -1,
                     std::memory_order_release);
  }
}

void SignalOutput::AttachLoopback(LoopbackTap* tap) {
  m_runStart.store(-1, std::memory_order_release);
  m_tap.store(tap);
}

void SignalOutput::DetachLoopback(LoopbackTap* tap) {
  LoopbackTap* expected = tap;
  m_tap.compare_exchange_strong(expected, nullptr);
  // A renderer that already holds the tap finishes with it first.
  while (m_tapUsers.load() != 0) std::this_thread::yield();
}

bool SignalOutput::RunStartCaptureFrame(uint64_t* frame) const {
  int64_t start = m_runStart.load(std::memory_order_acquire);
  if (start < 0) return false;
  if (m_runOnDevice.load(std::memory_order_relaxed)) {
    // The stream's latency is known better the longer it runs, so it is added when asked.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_device) return false;
    start += m_device->LoopFrames();
  }
  if (frame != nullptr) *frame = static_cast<uint64_t>(start);
  return true;
}

void SignalOutput::SetStartChoices(const GeneratorStartChoices& choices) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_startChoices = choices;
}

GeneratorStartChoices SignalOutput::StartChoices() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_startChoices;
}

bool SignalOutput::LoadRecording(const std::string& path, uint32_t rate,
                                 std::array<ChannelSetup, 2>* channels, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr)
    return fail("cannot read \"" + path + "\" as an audio file (" + sf_strerror(nullptr) + ")");
  if (info.frames <= 0 || info.channels < 1) {
    sf_close(file);
    return fail("\"" + path + "\" holds no samples");
  }
  if (static_cast<uint32_t>(info.samplerate) != rate) {
    sf_close(file);
    return fail("\"" + path + "\" is recorded at " + std::to_string(info.samplerate) +
                " Hz, the output plays at " + std::to_string(rate) + " Hz");
  }
  auto samples = std::make_unique<std::vector<float>>(static_cast<size_t>(info.frames) *
                                                      static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(file, samples->data(), info.frames);
  sf_close(file);
  if (got <= 0) return fail("\"" + path + "\" holds no samples");
  std::array<ChannelSetup, 2> result;
  for (int c = 0; c < 2; ++c) {
    ChannelSetup& ch = result[c];
    ch.waveform = Waveform::Recording;
    ch.level = 1.0;
    ch.recording = samples->data() + std::min(c, info.channels - 1);
    ch.recordingFrames = static_cast<uint64_t>(got);
    ch.recordingStride = info.channels;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_recordings.push_back(std::move(samples));
  *channels = result;
  return true;
}
