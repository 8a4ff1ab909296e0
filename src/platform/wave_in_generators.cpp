// The backends that make their own samples on their own thread: no input, tone, file.
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "analysis/generator_spec.h"
#include "analysis/signal_generator.h"
#include "platform/capture_ring.h"
#include "platform/wave_in_backend.h"

int16_t ToSample16(double value) {
  // A float recording may hold anything, also NaN and infinities: those become silence and full
  // scale rather than whatever lround makes of them.
  if (std::isnan(value)) return 0;
  value = std::clamp(value, -2.0, 2.0);
  double v = std::lround(value * 32767.0);
  if (v > 32767.0) v = 32767.0;
  if (v < -32768.0) v = -32768.0;
  return static_cast<int16_t>(v);
}

void PutSample(uint8_t* out, int bits, int16_t sample) {
  if (bits == 8) {
    out[0] = static_cast<uint8_t>((sample >> 8) + 128);
  } else {
    auto u = static_cast<uint16_t>(sample);
    out[0] = static_cast<uint8_t>(u & 0xFF);
    out[1] = static_cast<uint8_t>(u >> 8);
  }
}

void FillCaps(WaveInCaps* caps, const std::string& name, int channels) {
  *caps = WaveInCaps{};
  caps->wMid = 1;
  caps->vDriverVersion = 0x0200;
  std::strncpy(caps->szPname, name.c_str(), sizeof(caps->szPname) - 1);
  caps->dwFormats = 0x000FFFFF;  // every standard rate, width and channel count
  caps->wChannels = static_cast<uint16_t>(channels);
}

namespace {

class NoInputBackend final : public WaveInBackend {
 public:
  unsigned DeviceCount() override { return 0; }
  MMRESULT Caps(unsigned, WaveInCaps*) override { return MMSYSERR_BADDEVICEID; }
  MMRESULT Open(unsigned, const WaveFormat&, std::unique_ptr<WaveInSource>*) override {
    return MMSYSERR_NODRIVER;
  }
};

bool DeviceIdOk(unsigned id) { return id == 0 || id == WAVE_MAPPER; }

// Renders chunks of 10 ms (at most one ring block) on its own thread, at the pace of the format's
// rate unless pacing is off for tests. Renders only while the device records, so every recording
// starts with the first sample of the signal, and only what the queued buffers take, so no sample
// is ever lost or repeated: a late consumer delays the signal instead.
class GeneratorSource : public WaveInSource {
 public:
  explicit GeneratorSource(const WaveFormat& fmt)
      : m_format(fmt),
        m_chunkFrames(
            std::clamp<uint32_t>(fmt.nSamplesPerSec / 100, 1, CaptureRing::kMaxBlockFrames)),
        m_chunk(static_cast<size_t>(m_chunkFrames) * fmt.nBlockAlign) {}
  ~GeneratorSource() override { StopDelivery(); }

  bool StartDelivery(WaveInSink* sink) override {
    m_quit = false;
    m_thread = std::thread([this, sink] { Run(sink); });
    return true;
  }

  void StopDelivery() override {
    m_quit = true;
    if (m_thread.joinable()) m_thread.join();
  }

 protected:
  // Fills frames interleaved frames (left first) in the device's format.
  virtual void Render(uint8_t* out, uint32_t frames) = 0;
  const WaveFormat m_format;

 private:
  void Run(WaveInSink* sink) {
    using Clock = std::chrono::steady_clock;
    const auto period =
        std::chrono::nanoseconds(1'000'000'000LL * m_chunkFrames / m_format.nSamplesPerSec);
    // At most a second is made up after a stall, as the pace resynchronises after one.
    const uint64_t maxOwed = std::max<uint64_t>(m_chunkFrames, m_format.nSamplesPerSec);
    auto next = Clock::now();
    uint64_t owed = 0;  // frames the pace has asked for and the buffers could not take yet
    while (!m_quit) {
      const bool paced = WaveInRealTimePacing();
      if (paced) {
        next += period;
        auto now = Clock::now();
        if (next < now - std::chrono::seconds(1)) next = now;  // resynchronise after a stall
        std::this_thread::sleep_until(next);
        if (!sink->IsRecording()) {
          owed = 0;
          continue;
        }
        owed = std::min(owed + m_chunkFrames, maxOwed);
      } else {
        owed = m_chunkFrames;
      }
      // Never more than the queued buffers take, and nothing while the last notification waits:
      // a recording or a tone can wait for a late user-interface thread, where a sound card would
      // lose what finds no buffer (and two notifications would merge into one signal).
      bool delivered = false;
      while (owed > 0 && !m_quit) {
        const auto frames = static_cast<uint32_t>(std::min<uint64_t>(
            std::min<uint64_t>(m_chunkFrames, owed), sink->Room() / m_format.nBlockAlign));
        if (frames == 0) break;
        Render(m_chunk.data(), frames);
        sink->Deliver(m_chunk.data(), static_cast<size_t>(frames) * m_format.nBlockAlign);
        owed -= frames;
        delivered = true;
        if (!paced) break;
      }
      if (!paced && !delivered) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }

  const uint32_t m_chunkFrames;
  std::vector<uint8_t> m_chunk;
  std::atomic<bool> m_quit{false};
  std::thread m_thread;
};

// The generator's waveforms at full level from the first sample: no fade, and the triangle with
// its sharp corners, which scope users of this input have always seen.
class ToneSource final : public GeneratorSource {
 public:
  ToneSource(const WaveFormat& fmt, const std::array<ChannelSetup, 2>& channels)
      : GeneratorSource(fmt), m_generator(fmt.nSamplesPerSec) {
    GeneratorSetup setup;
    setup.channels = channels;
    setup.output = true;
    setup.fadeSeconds = 0.0;
    setup.rampSeconds = 0.0;
    setup.exactTriangle = true;
    m_generator.Publish(setup);
  }
  ~ToneSource() override { StopDelivery(); }

 protected:
  void Render(uint8_t* out, uint32_t frames) override {
    const int bytes = m_format.wBitsPerSample / 8;
    const int channels = m_format.nChannels;
    while (frames > 0) {
      const uint32_t piece = std::min<uint32_t>(frames, kPieceFrames);
      m_generator.Render(m_values.data(), piece, channels);
      for (uint32_t i = 0; i < piece * channels; ++i) {
        PutSample(out, m_format.wBitsPerSample, ToSample16(m_values[i]));
        out += bytes;
      }
      frames -= piece;
    }
  }

 private:
  static constexpr uint32_t kPieceFrames = 256;
  SignalGenerator m_generator;
  std::array<double, 2 * kPieceFrames> m_values{};
};

class ToneBackend final : public WaveInBackend {
 public:
  explicit ToneBackend(const std::array<ChannelSetup, 2>& channels) : m_channels(channels) {}
  unsigned DeviceCount() override { return 1; }
  MMRESULT Caps(unsigned id, WaveInCaps* caps) override {
    if (id != 0) return MMSYSERR_BADDEVICEID;
    FillCaps(caps, "Tone generator", 2);
    return MMSYSERR_NOERROR;
  }
  MMRESULT Open(unsigned id, const WaveFormat& fmt,
                std::unique_ptr<WaveInSource>* source) override {
    if (!DeviceIdOk(id)) return MMSYSERR_BADDEVICEID;
    *source = std::make_unique<ToneSource>(fmt, m_channels);
    return MMSYSERR_NOERROR;
  }

 private:
  std::array<ChannelSetup, 2> m_channels;
};

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// What a path that is not a regular file is, for the refusal.
const char* KindOfNonFile(mode_t mode) {
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Opens a recording without ever blocking: only a regular file is opened at all. A pipe could
// be read once only, while the input loops and is opened afresh at every POWER, and opening a
// FIFO would wait for a writer (or cut off the one there is) on the user-interface thread.
// Returns null with *error set (when error is not null).
SndFilePtr OpenRecording(const std::string& path, SF_INFO* info, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return SndFilePtr();
  };
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return refuse("\"" + path + "\" is " + KindOfNonFile(st.st_mode) +
                  ", not a recording in a file (the input loops the file and opens it at "
                  "every POWER)");
  }
  // Non-blocking, and checked again once open, in case the path changed in between.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    return refuse("\"" + path + "\" is " + KindOfNonFile(st.st_mode) +
                  ", not a recording in a file");
  }
  SndFilePtr file(fd >= 0 ? sf_open_fd(fd, SFM_READ, info, SF_TRUE)
                          : sf_open(path.c_str(), SFM_READ, info));
  if (!file) {
    return refuse("cannot read \"" + path + "\" as an audio file (" + sf_strerror(nullptr) + ")");
  }
  return file;
}

// True for recordings whose samples are floating point: their full scale is 1.0, which the
// library's integer reading does not scale (it rounds every sample to -1, 0 or 1).
bool HoldsFloatSamples(const SF_INFO& info) {
  const int sub = info.format & SF_FORMAT_SUBMASK;
  return sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
}

// Plays the file in a loop; a mono file feeds both channels, of a wider one the first two count.
// Integer recordings are read as 16-bit samples; float ones through ToSample16, the scaling the
// generators use, so a level shows the same from either.
class FileSource final : public GeneratorSource {
 public:
  FileSource(const WaveFormat& fmt, SndFilePtr file, const SF_INFO& info)
      : GeneratorSource(fmt),
        m_file(std::move(file)),
        m_fileChannels(info.channels),
        m_bFloat(HoldsFloatSamples(info)) {
    const size_t samples = static_cast<size_t>(std::max<uint32_t>(1, fmt.nSamplesPerSec / 100)) *
                           static_cast<size_t>(m_fileChannels);
    if (m_bFloat)
      m_real.resize(samples);
    else
      m_frames.resize(samples);
  }
  ~FileSource() override { StopDelivery(); }

 protected:
  void Render(uint8_t* out, uint32_t frames) override {
    const int bytes = m_format.wBitsPerSample / 8;
    uint32_t done = 0;
    while (done < frames) {
      const sf_count_t got = m_bFloat
                                 ? sf_readf_double(m_file.get(), m_real.data(), frames - done)
                                 : sf_readf_short(m_file.get(), m_frames.data(), frames - done);
      if (got <= 0) {
        if (sf_seek(m_file.get(), 0, SEEK_SET) < 0 || ++m_emptyReads > 2) {
          // An unreadable file: deliver silence rather than spin.
          for (; done < frames; ++done)
            for (int c = 0; c < m_format.nChannels; ++c, out += bytes)
              PutSample(out, m_format.wBitsPerSample, 0);
          return;
        }
        continue;
      }
      m_emptyReads = 0;
      for (sf_count_t i = 0; i < got; ++i) {
        const size_t frame = static_cast<size_t>(i) * m_fileChannels;
        for (int c = 0; c < m_format.nChannels; ++c) {
          const size_t at = frame + (c < m_fileChannels ? c : 0);
          const int16_t s = m_bFloat ? ToSample16(m_real[at]) : m_frames[at];
          PutSample(out, m_format.wBitsPerSample, s);
          out += bytes;
        }
      }
      done += static_cast<uint32_t>(got);
    }
  }

 private:
  SndFilePtr m_file;
  int m_fileChannels;
  bool m_bFloat;
  std::vector<short> m_frames;
  std::vector<double> m_real;
  int m_emptyReads = 0;
};

class FileBackend final : public WaveInBackend {
 public:
  FileBackend(std::string path, uint32_t rate) : m_path(std::move(path)), m_nRate(rate) {}
  unsigned DeviceCount() override { return 1; }
  MMRESULT Caps(unsigned id, WaveInCaps* caps) override {
    if (id != 0) return MMSYSERR_BADDEVICEID;
    FillCaps(caps, "File " + m_path, 2);
    return MMSYSERR_NOERROR;
  }
  MMRESULT Open(unsigned id, const WaveFormat& fmt,
                std::unique_ptr<WaveInSource>* source) override {
    if (!DeviceIdOk(id)) return MMSYSERR_BADDEVICEID;
    SF_INFO info{};
    SndFilePtr file = OpenRecording(m_path, &info, nullptr);
    if (!file || info.frames <= 0 || info.channels < 1) return MMSYSERR_ERROR;
    if (static_cast<uint32_t>(info.samplerate) != fmt.nSamplesPerSec) return WAVERR_BADFORMAT;
    *source = std::make_unique<FileSource>(fmt, std::move(file), info);
    return MMSYSERR_NOERROR;
  }
  uint32_t OnlyRate() const override { return m_nRate; }

 private:
  std::string m_path;
  uint32_t m_nRate;  // as the file said when the input was chosen
};

}  // namespace

std::unique_ptr<WaveInBackend> MakeNoInputBackend() { return std::make_unique<NoInputBackend>(); }

std::unique_ptr<WaveInBackend> MakeToneBackend(const std::string& arg, std::string* error) {
  std::array<ChannelSetup, 2> channels;
  if (!ParseChannelPair(arg, &channels, error)) return nullptr;
  return std::make_unique<ToneBackend>(channels);
}

std::unique_ptr<WaveInBackend> MakeFileBackend(const std::string& path, std::string* error) {
  SF_INFO info{};
  SndFilePtr file = OpenRecording(path, &info, error);
  if (!file) return nullptr;
  if (info.frames <= 0) {
    *error = "\"" + path + "\" holds no samples";
    return nullptr;
  }
  return std::make_unique<FileBackend>(path, static_cast<uint32_t>(std::max(0, info.samplerate)));
}

bool ProbeWaveFile(const std::string& path, uint32_t* rate, std::string* error) {
  std::string why;
  std::unique_ptr<WaveInBackend> backend = MakeFileBackend(path, &why);
  if (!backend) {
    if (error != nullptr) *error = why;
    return false;
  }
  if (rate != nullptr) *rate = backend->OnlyRate();
  return true;
}
