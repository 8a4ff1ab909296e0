#include "platform/generator_file_output.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>

namespace {
void RenderGenerator(void* generator, float* frames, size_t count) {
  static_cast<SignalGenerator*>(generator)->Render(frames, count);
}
}  // namespace

std::unique_ptr<GeneratorFileOutput> GeneratorFileOutput::Open(const std::string& path,
                                                               SignalGenerator* generator,
                                                               std::string* error) {
  return Open(path, generator->Rate(), &RenderGenerator, generator, error);
}

std::unique_ptr<GeneratorFileOutput> GeneratorFileOutput::Open(const std::string& path,
                                                               uint32_t rate, RenderFn render,
                                                               void* context, std::string* error) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::max<uint32_t>(rate, 1));
  info.channels = SignalGenerator::kChannels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    if (error != nullptr) {
      *error = "cannot write \"" + path + "\" as a WAV file (" + sf_strerror(nullptr) + ")";
    }
    return nullptr;
  }
  return std::unique_ptr<GeneratorFileOutput>(
      new GeneratorFileOutput(file, static_cast<uint32_t>(info.samplerate), render, context));
}

GeneratorFileOutput::GeneratorFileOutput(void* file, uint32_t rate, RenderFn render, void* context)
    : m_file(file),
      m_rate(rate),
      m_render(render),
      m_context(context),
      m_chunkFrames(std::max<uint32_t>(1, rate / 100)),
      m_chunk(static_cast<size_t>(m_chunkFrames) * SignalGenerator::kChannels) {}

GeneratorFileOutput::~GeneratorFileOutput() {
  Stop();
  sf_close(static_cast<SNDFILE*>(m_file));
}

void GeneratorFileOutput::Start() {
  if (m_thread.joinable()) return;
  m_quit = false;
  m_thread = std::thread([this] { Run(); });
}

void GeneratorFileOutput::Stop() {
  m_quit = true;
  if (m_thread.joinable()) m_thread.join();
  sf_write_sync(static_cast<SNDFILE*>(m_file));
}

bool GeneratorFileOutput::WriteFrames(uint64_t frames) {
  while (frames > 0) {
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(frames, m_chunkFrames));
    m_render(m_context, m_chunk.data(), n);
    const sf_count_t put = sf_writef_float(static_cast<SNDFILE*>(m_file), m_chunk.data(), n);
    if (put != static_cast<sf_count_t>(n)) {
      m_failures.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    m_written.fetch_add(n, std::memory_order_relaxed);
    frames -= n;
  }
  return true;
}

void GeneratorFileOutput::Run() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::nanoseconds(1'000'000'000LL * m_chunkFrames / m_rate);
  auto next = Clock::now();
  while (!m_quit) {
    next += period;
    const auto now = Clock::now();
    if (next < now - std::chrono::seconds(1)) next = now;  // after a stall, a second at most
    std::this_thread::sleep_until(next);
    if (!m_quit) WriteFrames(m_chunkFrames);
  }
}
