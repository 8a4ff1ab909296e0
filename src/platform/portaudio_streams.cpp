#include "platform/portaudio_streams.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "platform/capture_ring.h"
#include "platform/portaudio_session.h"

namespace {

std::atomic<bool> g_duplexAllowed{true};

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

size_t BytesPerSample(OutputSampleFormat format) {
  switch (format) {
    case OutputSampleFormat::Float32:
      return 4;
    case OutputSampleFormat::Int24:
      return 3;
    case OutputSampleFormat::Int16:
      return 2;
  }
  return 2;
}

constexpr OutputSampleFormat kOutputFormats[] = {
    OutputSampleFormat::Float32, OutputSampleFormat::Int24, OutputSampleFormat::Int16};

// Waits until no callback still holds what it loaded before the end was taken away.
void WaitForUsers(const std::atomic<int>& users) {
  while (users.load() != 0) std::this_thread::yield();
}

}  // namespace

// One PortAudio stream: input, output or both. Its ends are swapped in and out while it runs.
class PortAudioStreams::Stream {
 public:
  Stream(const PaStreamParameters* in, const PaStreamParameters* out, uint32_t rate,
         OutputSampleFormat format)
      : m_hasInput(in != nullptr), m_hasOutput(out != nullptr), m_rate(rate), m_format(format) {
    if (in != nullptr) m_in = *in;
    if (out != nullptr) {
      m_out = *out;
      m_out.sampleFormat = PaFormat(format);
      m_writer = std::make_unique<OutputBlockWriter>(format, out->channelCount);
      m_silentBytes = BytesPerSample(format) * static_cast<size_t>(out->channelCount);
    }
  }

  // With PortAudioMutex held.
  PaError Open() {
    // 10 ms blocks (at most a ring block) keep the live display close behind the input and a
    // change of setting close behind the knob.
    const unsigned long frames =
        std::min<unsigned long>(CaptureRing::kMaxBlockFrames, m_rate / 100);
    PaError err =
        Pa_OpenStream(&m_stream, m_hasInput ? &m_in : nullptr, m_hasOutput ? &m_out : nullptr,
                      m_rate, frames, paClipOff, &Callback, this);
    if (err != paNoError) {
      m_stream = nullptr;
      return err;
    }
    NoteStreamOpenedLocked();
    if (const PaStreamInfo* info = Pa_GetStreamInfo(m_stream); info != nullptr) {
      m_latencyFrames = std::llround((info->inputLatency + info->outputLatency) * m_rate);
      m_loopFrames.store(m_latencyFrames);
    }
    return paNoError;
  }

  // With PortAudioMutex held.
  PaError Start() {
    const PaError err = Pa_StartStream(m_stream);
    m_running = err == paNoError;
    return err;
  }

  // With PortAudioMutex held: after this the callback has run for the last time.
  void Close() {
    if (m_stream == nullptr) return;
    if (m_running) Pa_StopStream(m_stream);
    m_running = false;
    Pa_CloseStream(m_stream);
    NoteStreamClosedLocked();
    m_stream = nullptr;
  }

  bool HasInput() const { return m_hasInput; }
  bool HasOutput() const { return m_hasOutput; }
  OutputSampleFormat Format() const { return m_format; }

  bool MatchesInput(const PaStreamParameters& in, uint32_t rate) const {
    return m_hasInput && rate == m_rate && in.device == m_in.device &&
           in.channelCount == m_in.channelCount && in.sampleFormat == m_in.sampleFormat;
  }
  bool MatchesOutput(const PaStreamParameters& out, uint32_t rate) const {
    return m_hasOutput && rate == m_rate && out.device == m_out.device &&
           out.channelCount == m_out.channelCount;
  }

  // Any thread but the audio one: after it returns, the end taken away is not called again.
  void SetCapture(CaptureEnd* end) {
    m_capture.store(end);
    if (end == nullptr) WaitForUsers(m_captureUsers);
  }
  void SetPlayback(PlaybackEnd* end) {
    m_playback.store(end);
    if (end == nullptr) WaitForUsers(m_playbackUsers);
  }
  bool Captures() const { return m_capture.load() != nullptr; }
  int64_t LoopFrames() const { return m_loopFrames.load(std::memory_order_relaxed); }

 private:
  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                      void* user) {
    static_cast<Stream*>(user)->Run(input, output, frames, time, flags);
    return paContinue;
  }

  // The audio thread: no lock, no allocation.
  void Run(const void* input, void* output, unsigned long frames,
           const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags) {
    int64_t firstInput = -1;
    if (input != nullptr) {
      m_captureUsers.fetch_add(1);
      if (CaptureEnd* end = m_capture.load(); end != nullptr) {
        firstInput = end->Captured(input, frames, (flags & paInputOverflow) != 0);
      }
      m_captureUsers.fetch_sub(1);
    }
    if (output == nullptr) return;
    if (input != nullptr) {
      const int64_t loop = LoopFrames(time);
      if (loop < m_loopFrames.load(std::memory_order_relaxed))
        m_loopFrames.store(loop, std::memory_order_relaxed);
    }
    m_playbackUsers.fetch_add(1);
    if (PlaybackEnd* end = m_playback.load(); end != nullptr) {
      end->Play(*m_writer, output, frames, (flags & paOutputUnderflow) != 0, firstInput);
    } else {
      std::memset(output, 0, frames * m_silentBytes);
    }
    m_playbackUsers.fetch_sub(1);
  }

  // Frames from the converter taking this block's first input frame to the one putting out its
  // first output frame: from the callback's time stamps where the host gives them, else from
  // the latencies the stream was opened with. A sound server's first stamps run long (it
  // reports a capture backlog it does not have), so the stream keeps the least it has seen:
  // too short leaves only more of the delay to the analyser's correlation, too long would put
  // the start after the sound.
  int64_t LoopFrames(const PaStreamCallbackTimeInfo* time) const {
    if (time != nullptr && time->inputBufferAdcTime > 0 && time->outputBufferDacTime > 0) {
      const double seconds = time->outputBufferDacTime - time->inputBufferAdcTime;
      if (seconds >= 0 && seconds < 2) return std::llround(seconds * m_rate);
    }
    return m_latencyFrames;
  }

  const bool m_hasInput;
  const bool m_hasOutput;
  const uint32_t m_rate;
  const OutputSampleFormat m_format;
  PaStreamParameters m_in{};
  PaStreamParameters m_out{};
  std::unique_ptr<OutputBlockWriter> m_writer;
  size_t m_silentBytes = 0;
  int64_t m_latencyFrames = 0;
  std::atomic<int64_t> m_loopFrames{0};
  PaStream* m_stream = nullptr;
  bool m_running = false;
  std::atomic<CaptureEnd*> m_capture{nullptr};
  std::atomic<PlaybackEnd*> m_playback{nullptr};
  std::atomic<int> m_captureUsers{0};
  std::atomic<int> m_playbackUsers{0};
};

PortAudioStreams& PortAudioStreams::Instance() {
  static PortAudioStreams streams;
  return streams;
}

PortAudioStreams::PortAudioStreams() = default;
PortAudioStreams::~PortAudioStreams() = default;

void PortAudioStreams::SetDuplexAllowed(bool allowed) { g_duplexAllowed.store(allowed); }

PaError PortAudioStreams::AttachCapture(const PaStreamParameters& in, uint32_t rate,
                                        CaptureEnd* end) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_capture.end != nullptr) {
    // One sound-card input records at a time; a second one takes its place.
    for (auto* s : {m_duplex.get(), m_inputOnly.get()})
      if (s != nullptr) s->SetCapture(nullptr);
  }
  m_capture = CaptureWish{end, in, rate};
  PaError captureError = paNoError;
  Reconcile(&captureError, nullptr);
  if (captureError != paNoError) m_capture = CaptureWish{};
  return captureError;
}

void PortAudioStreams::DetachCapture(CaptureEnd* end) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_capture.end != end) return;
  for (auto* s : {m_duplex.get(), m_inputOnly.get()})
    if (s != nullptr) s->SetCapture(nullptr);
  m_capture = CaptureWish{};
  Reconcile(nullptr, nullptr);
}

PaError PortAudioStreams::AttachPlayback(const PaStreamParameters& out, uint32_t rate,
                                         PlaybackEnd* end, OutputSampleFormat* format) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_playback.end != nullptr) {
    for (auto* s : {m_duplex.get(), m_outputOnly.get()})
      if (s != nullptr) s->SetPlayback(nullptr);
  }
  m_playback = PlaybackWish{end, out, rate};
  PaError playbackError = paNoError;
  Reconcile(nullptr, &playbackError);
  if (playbackError != paNoError) {
    m_playback = PlaybackWish{};
    return playbackError;
  }
  if (format != nullptr) *format = PlaybackFormatLocked();
  return paNoError;
}

void PortAudioStreams::DetachPlayback(PlaybackEnd* end) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_playback.end != end) return;
  for (auto* s : {m_duplex.get(), m_outputOnly.get()})
    if (s != nullptr) s->SetPlayback(nullptr);
  m_playback = PlaybackWish{};
  Reconcile(nullptr, nullptr);
}

OutputSampleFormat PortAudioStreams::PlaybackFormatLocked() const {
  if (m_duplex) return m_duplex->Format();
  if (m_outputOnly) return m_outputOnly->Format();
  return OutputSampleFormat::Float32;
}

OutputSampleFormat PortAudioStreams::PlaybackFormat() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return PlaybackFormatLocked();
}

int64_t PortAudioStreams::PlaybackLoopFrames() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_duplex ? m_duplex->LoopFrames() : 0;
}

OutputClock PortAudioStreams::PlaybackClock() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_capture.end == nullptr) return OutputClock::Alone;
  return m_duplex ? OutputClock::Shared : OutputClock::Separate;
}

bool PortAudioStreams::DuplexCandidate() const {
  return g_duplexAllowed.load() && m_capture.end != nullptr && m_playback.end != nullptr &&
         m_capture.rate == m_playback.rate && m_refused.count(KeyOf()) == 0;
}

PortAudioStreams::DuplexKey PortAudioStreams::KeyOf() const {
  return {m_capture.in.device,   m_capture.in.channelCount,   m_capture.in.sampleFormat,
          m_playback.out.device, m_playback.out.channelCount, m_capture.rate};
}

void PortAudioStreams::CloseLocked(std::unique_ptr<Stream>& stream) {
  if (!stream) return;
  stream->Close();
  stream.reset();
}

void PortAudioStreams::Reconcile(PaError* captureError, PaError* playbackError) {
  std::lock_guard<std::mutex> pa(PortAudioMutex());
  const bool capture = m_capture.end != nullptr;
  const bool playback = m_playback.end != nullptr;
  // What serves the sides as they now stand stays, so the side that goes on has no gap.
  if (m_duplex) {
    const bool inputOk = !capture || m_duplex->MatchesInput(m_capture.in, m_capture.rate);
    const bool outputOk = !playback || m_duplex->MatchesOutput(m_playback.out, m_playback.rate);
    if (!inputOk || !outputOk || (!capture && !playback)) CloseLocked(m_duplex);
  }
  if (m_inputOnly && (!capture || !m_inputOnly->MatchesInput(m_capture.in, m_capture.rate)))
    CloseLocked(m_inputOnly);
  if (m_outputOnly && (!playback || !m_outputOnly->MatchesOutput(m_playback.out, m_playback.rate)))
    CloseLocked(m_outputOnly);

  if (!m_duplex && DuplexCandidate()) {
    // The duplex stream takes the devices the separate ones hold (a card's device opens once).
    CloseLocked(m_inputOnly);
    CloseLocked(m_outputOnly);
    PaError last = paFormatIsSupported;
    for (OutputSampleFormat format : kOutputFormats) {
      PaStreamParameters out = m_playback.out;
      out.sampleFormat = PaFormat(format);
      if (Pa_IsFormatSupported(&m_capture.in, &out, m_capture.rate) != paFormatIsSupported)
        continue;
      auto stream = std::make_unique<Stream>(&m_capture.in, &out, m_capture.rate, format);
      last = stream->Open();
      if (last != paNoError) continue;
      stream->SetCapture(m_capture.end);
      stream->SetPlayback(m_playback.end);
      if (stream->Start() == paNoError) {
        m_duplex = std::move(stream);
        break;
      }
      stream->Close();
    }
    if (!m_duplex) m_refused.insert(KeyOf());
  }

  if (m_duplex) {
    m_duplex->SetCapture(capture ? m_capture.end : nullptr);
    m_duplex->SetPlayback(playback ? m_playback.end : nullptr);
    return;
  }
  if (capture && !m_inputOnly) {
    auto stream = std::make_unique<Stream>(&m_capture.in, nullptr, m_capture.rate,
                                           OutputSampleFormat::Float32);
    PaError err = stream->Open();
    if (err == paNoError) {
      stream->SetCapture(m_capture.end);
      err = stream->Start();
      if (err == paNoError) {
        m_inputOnly = std::move(stream);
      } else {
        stream->Close();
      }
    }
    if (err != paNoError && captureError != nullptr) *captureError = err;
  }
  if (playback && !m_outputOnly) {
    PaError last = paSampleFormatNotSupported;
    for (OutputSampleFormat format : kOutputFormats) {
      PaStreamParameters out = m_playback.out;
      out.sampleFormat = PaFormat(format);
      if (Pa_IsFormatSupported(nullptr, &out, m_playback.rate) != paFormatIsSupported) continue;
      auto stream = std::make_unique<Stream>(nullptr, &out, m_playback.rate, format);
      last = stream->Open();
      if (last != paNoError) continue;
      stream->SetPlayback(m_playback.end);
      last = stream->Start();
      if (last == paNoError) {
        m_outputOnly = std::move(stream);
        break;
      }
      stream->Close();
    }
    if (!m_outputOnly && playbackError != nullptr) *playbackError = last;
  }
}
