// The loopback input: the generator's samples go into the capture as they are rendered, sample
// for sample, with no sound card in between.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "analysis/tpdf_dither.h"
#include "platform/capture_ring.h"
#include "platform/signal_output.h"
#include "platform/wave_in_backend.h"

namespace {

// While the output's destination renders (a sound card, a file), the loopback takes the blocks
// it is handed on that thread, as a card's input would: what finds no room is lost and counted.
// Otherwise its own thread renders at the real-time pace (or as fast as the buffers are taken,
// with pacing off), never more than the queued buffers take, so nothing is lost or repeated.
class LoopbackSource final : public WaveInSource, public LoopbackTap {
 public:
  explicit LoopbackSource(const WaveFormat& fmt)
      : m_format(fmt),
        m_chunkFrames(std::clamp<uint32_t>(fmt.nSamplesPerSec / 100, 1, kPieceFrames)) {}
  ~LoopbackSource() override { StopDelivery(); }

  bool StartDelivery(WaveInSink* sink) override {
    m_sink = sink;
    SignalOutput& output = SignalOutput::Instance();
    output.GeneratorFor(m_format.nSamplesPerSec);
    output.AttachLoopback(this);
    m_quit = false;
    m_thread = std::thread([this] { Run(); });
    return true;
  }

  void StopDelivery() override {
    m_quit = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_sink != nullptr) SignalOutput::Instance().DetachLoopback(this);
  }

  // The renderer's thread: converts to the capture format (16 bits with triangular dither) and
  // hands the frames on. Allocates nothing.
  int64_t Take(const float* frames, size_t count) override {
    if (!m_sink->IsRecording()) return -1;
    const int64_t first = static_cast<int64_t>(m_sink->FramesKept());
    const int bytes = m_format.wBitsPerSample / 8;
    bool kept = true;
    while (count > 0) {
      const size_t n = std::min<size_t>(count, kPieceFrames);
      // Digital silence (the output off) stays exact silence rather than dither noise.
      const bool silent = std::all_of(frames, frames + 2 * n, [](float v) { return v == 0.0f; });
      const bool dither = m_format.wBitsPerSample == 16 && !silent;
      uint8_t* out = m_bytes.data();
      for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < m_format.nChannels; ++c, out += bytes) {
          const double v = frames[2 * i + c];
          PutSample(out, m_format.wBitsPerSample, dither ? m_dither.Quantise(v) : ToSample16(v));
        }
      }
      const uint64_t before = m_sink->FramesKept();
      m_sink->Deliver(m_bytes.data(), n * m_format.nBlockAlign);
      kept = kept && m_sink->FramesKept() == before + n;
      frames += 2 * n;
      count -= n;
    }
    return kept ? first : -1;
  }

 private:
  static constexpr uint32_t kPieceFrames = 256;

  void Run() {
    using Clock = std::chrono::steady_clock;
    SignalOutput& output = SignalOutput::Instance();
    const auto period =
        std::chrono::nanoseconds(1'000'000'000LL * m_chunkFrames / m_format.nSamplesPerSec);
    const uint64_t maxOwed = std::max<uint64_t>(m_chunkFrames, m_format.nSamplesPerSec);
    auto next = Clock::now();
    uint64_t owed = 0;
    while (!m_quit) {
      const bool paced = WaveInRealTimePacing();
      if (paced) {
        next += period;
        const auto now = Clock::now();
        if (next < now - std::chrono::seconds(1)) next = now;
        std::this_thread::sleep_until(next);
        owed = m_sink->IsRecording() ? std::min(owed + m_chunkFrames, maxOwed) : 0;
      } else {
        owed = m_chunkFrames;
      }
      bool rendered = false;
      while (owed > 0 && !m_quit && m_sink->IsRecording()) {
        std::lock_guard<std::mutex> lock(output.LoopbackRenderMutex());
        if (output.DestinationRenders()) {
          owed = 0;
          break;
        }
        const auto frames = static_cast<uint32_t>(std::min<uint64_t>(
            std::min<uint64_t>(m_chunkFrames, owed), m_sink->Room() / m_format.nBlockAlign));
        if (frames == 0) break;
        output.RenderBlock(m_floats.data(), frames);
        owed -= frames;
        rendered = true;
        if (!paced) break;
      }
      if (!paced && !rendered) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }

  const WaveFormat m_format;
  const uint32_t m_chunkFrames;
  WaveInSink* m_sink = nullptr;
  std::array<float, 2 * kPieceFrames> m_floats{};
  std::array<uint8_t, 4 * kPieceFrames> m_bytes{};
  TpdfDither m_dither;
  std::atomic<bool> m_quit{false};
  std::thread m_thread;
};

class LoopbackBackend final : public WaveInBackend {
 public:
  unsigned DeviceCount() override { return 1; }
  MMRESULT Caps(unsigned id, WaveInCaps* caps) override {
    if (id != 0) return MMSYSERR_BADDEVICEID;
    FillCaps(caps, "Generator loopback", 2);
    return MMSYSERR_NOERROR;
  }
  MMRESULT Open(unsigned id, const WaveFormat& fmt,
                std::unique_ptr<WaveInSource>* source) override {
    if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
    *source = std::make_unique<LoopbackSource>(fmt);
    return MMSYSERR_NOERROR;
  }
};

}  // namespace

std::unique_ptr<WaveInBackend> MakeLoopbackBackend() { return std::make_unique<LoopbackBackend>(); }
