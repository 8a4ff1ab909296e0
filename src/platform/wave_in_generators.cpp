// The backends that make their own samples on their own thread: no input, tone, file.
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>
#include <thread>
#include <vector>

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

enum class Shape { Sine, Square, Triangle, Noise };

struct ToneChannel {
  double frequency = 1000.0;
  Shape shape = Shape::Sine;
  double level = 0.5;
};

class ToneSource final : public GeneratorSource {
 public:
  ToneSource(const WaveFormat& fmt, const ToneChannel (&channels)[2]) : GeneratorSource(fmt) {
    for (int c = 0; c < 2; ++c) m_channels[c] = channels[c];
  }
  ~ToneSource() override { StopDelivery(); }

 protected:
  void Render(uint8_t* out, uint32_t frames) override {
    const int bytes = m_format.wBitsPerSample / 8;
    for (uint32_t i = 0; i < frames; ++i) {
      for (int c = 0; c < m_format.nChannels; ++c) {
        PutSample(out, m_format.wBitsPerSample, ToSample16(Next(c)));
        out += bytes;
      }
    }
  }

 private:
  double Next(int c) {
    const ToneChannel& ch = m_channels[c];
    double p = m_phase[c];
    double v = 0.0;
    switch (ch.shape) {
      case Shape::Sine:
        v = std::sin(2.0 * std::numbers::pi * p);
        break;
      case Shape::Square:
        v = p < 0.5 ? 1.0 : -1.0;
        break;
      case Shape::Triangle:
        v = p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p;
        break;
      case Shape::Noise: {
        m_noise ^= m_noise << 13;
        m_noise ^= m_noise >> 7;
        m_noise ^= m_noise << 17;
        v = static_cast<double>(m_noise >> 11) / static_cast<double>(1ULL << 52) - 1.0;
        break;
      }
    }
    ++m_index[c];
    // Phase from the sample index, not by accumulation, so long runs do not drift.
    m_phase[c] = std::fmod(ch.frequency * static_cast<double>(m_index[c]) /
                               static_cast<double>(m_format.nSamplesPerSec),
                           1.0);
    return ch.level * v;
  }

  ToneChannel m_channels[2];
  double m_phase[2] = {0.0, 0.0};
  uint64_t m_index[2] = {0, 0};
  uint64_t m_noise = 0x9E3779B97F4A7C15ULL;
};

bool ParseNumber(const std::string& s, double* out) {
  std::string t = s;
  if (t.size() > 2 &&
      (t.compare(t.size() - 2, 2, "Hz") == 0 || t.compare(t.size() - 2, 2, "hz") == 0)) {
    t.resize(t.size() - 2);
  }
  if (t.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end == nullptr || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string item;
  std::istringstream in(s);
  while (std::getline(in, item, sep)) parts.push_back(item);
  if (!s.empty() && s.back() == sep) parts.emplace_back();
  return parts;
}

// FREQ[,SHAPE[,LEVEL]]; a shape word may stand alone ("noise").
bool ParseChannel(const std::string& text, ToneChannel* ch, std::string* error) {
  std::vector<std::string> items = Split(text, ',');
  if (items.empty() || items.size() > 3) {
    *error = "a channel is FREQ[,SHAPE[,LEVEL]]";
    return false;
  }
  size_t i = 0;
  double f = 0.0;
  if (ParseNumber(items[0], &f)) {
    if (f <= 0.0 || f > 96000.0) {
      *error = "frequency \"" + items[0] + "\" is not within 0..96000 Hz";
      return false;
    }
    ch->frequency = f;
    ++i;
  }
  if (i < items.size()) {
    const std::string& s = items[i];
    if (s == "sine")
      ch->shape = Shape::Sine;
    else if (s == "square")
      ch->shape = Shape::Square;
    else if (s == "triangle")
      ch->shape = Shape::Triangle;
    else if (s == "noise")
      ch->shape = Shape::Noise;
    else {
      *error = "\"" + s + "\" is neither a frequency nor a shape";
      return false;
    }
    ++i;
  } else if (i == 0) {
    *error = "a channel is FREQ[,SHAPE[,LEVEL]]";
    return false;
  }
  if (i < items.size()) {
    double level = 0.0;
    if (!ParseNumber(items[i], &level) || level < 0.0 || level > 1.0) {
      *error = "level \"" + items[i] + "\" is not within 0..1";
      return false;
    }
    ch->level = level;
    ++i;
  }
  if (i != items.size()) {
    *error = "a channel is FREQ[,SHAPE[,LEVEL]]";
    return false;
  }
  return true;
}

class ToneBackend final : public WaveInBackend {
 public:
  explicit ToneBackend(const ToneChannel (&channels)[2]) {
    for (int c = 0; c < 2; ++c) m_channels[c] = channels[c];
  }
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
  ToneChannel m_channels[2];
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
  std::string why;
  ToneChannel channels[2];
  std::vector<std::string> parts = Split(arg, ';');
  if (arg.empty() || parts.size() > 2) {
    *error = "tone takes one channel description for both channels or left=...;right=...";
    return nullptr;
  }
  bool seen[2] = {false, false};
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string text = parts[i];
    int which = parts.size() == 1 ? -1 : static_cast<int>(i);
    if (text.rfind("left=", 0) == 0) {
      which = 0;
      text = text.substr(5);
    } else if (text.rfind("right=", 0) == 0) {
      which = 1;
      text = text.substr(6);
    }
    ToneChannel ch;
    if (!ParseChannel(text, &ch, &why)) {
      *error = why;
      return nullptr;
    }
    if (which < 0) {
      channels[0] = channels[1] = ch;
      seen[0] = seen[1] = true;
    } else {
      if (seen[which]) {
        *error = "a channel is given twice";
        return nullptr;
      }
      channels[which] = ch;
      seen[which] = true;
    }
  }
  // A channel left out is silent.
  for (int c = 0; c < 2; ++c) {
    if (!seen[c]) channels[c].level = 0.0;
  }
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
