#include "platform/ring_recorder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "analysis/pcm_samples.h"
#include "platform/capture_ring.h"
#include "platform/file_services.h"

namespace {

// How often the writer looks for new frames, and how many it takes at most in one write.
constexpr auto kWriterInterval = std::chrono::milliseconds(10);
constexpr size_t kChunkFrames = 4096;

bool EndsWith(const std::string& text, const char* tail) {
  const size_t n = std::strlen(tail);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    const char c = text[text.size() - n + i];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != tail[i]) return false;
  }
  return true;
}

int FileFormatFor(const std::string& path, int bits) {
  if (EndsWith(path, ".flac"))
    return SF_FORMAT_FLAC | (bits == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16);
  if (EndsWith(path, ".aif") || EndsWith(path, ".aiff")) {
    return SF_FORMAT_AIFF | (bits == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16);
  }
  return SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
}

// The errno a failed write leaves, or what the disk says when the library kept it to itself.
int WriteErrno(int saved, const std::string& path) {
  if (saved != 0) return saved;
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  struct statvfs disk {};
  if (statvfs(folder.c_str(), &disk) == 0 && disk.f_bavail == 0) return ENOSPC;
  return EIO;
}

// The frames a reader gets out of the file at path, by reading it through.
uint64_t ReadableFrames(const std::string& path) {
  SF_INFO info{};
  SNDFILE* in = sf_open(path.c_str(), SFM_READ, &info);
  if (in == nullptr) return 0;
  std::vector<short> chunk(kChunkFrames * static_cast<size_t>(std::max(info.channels, 1)));
  uint64_t frames = 0;
  for (sf_count_t n; (n = sf_readf_short(in, chunk.data(), kChunkFrames)) > 0;) {
    frames += static_cast<uint64_t>(n);
  }
  sf_close(in);
  return frames;
}

}  // namespace

struct RingRecorder::File {
  SNDFILE* handle = nullptr;
  ~File() {
    if (handle != nullptr) sf_close(handle);
  }
};

RingRecorder::RingRecorder() = default;

RingRecorder::~RingRecorder() { Stop(); }

bool RingRecorder::Start(const std::string& path, int channels, uint32_t rate, int bits,
                         std::string* error, int* errorNumber) {
  Stop();
  auto refuse = [&](const std::string& why, int number) {
    if (error != nullptr) *error = why;
    if (errorNumber != nullptr) *errorNumber = number;
    return false;
  };
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate == 0) {
    return refuse("the capture format cannot be recorded", EINVAL);
  }
  // Never blocks on a FIFO, and refuses what is not a regular file: the header is rewritten in
  // place as the recording grows.
  const int fd = OpenOutputFile(path, O_RDWR, SpecialTarget::kRefuse, true);
  if (fd < 0) {
    const int saved = errno;
    if (saved == EINVAL || saved == EISDIR) {
      return refuse("\"" + path + "\" is not a regular file", saved);
    }
    return refuse("cannot create \"" + path + "\": " + std::strerror(saved), saved);
  }
  SF_INFO info{};
  info.samplerate = static_cast<int>(rate);
  info.channels = channels;
  info.format = FileFormatFor(path, bits);
  SNDFILE* handle = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (handle == nullptr) {
    const std::string why = sf_strerror(nullptr);
    return refuse("cannot write \"" + path + "\" as audio: " + why,
                  why.find("space") != std::string::npos ? ENOSPC : EIO);
  }
  // The header follows every write, so the file is valid whenever the recording stops.
  sf_command(handle, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
  m_pFile = std::make_unique<File>();
  m_pFile->handle = handle;
  m_path = path;
  m_nChannels = channels;
  m_nBits = bits;
  m_nRate = rate;
  m_nFrameBytes = static_cast<size_t>(channels * bits / 8);
  m_bFlac = EndsWith(path, ".flac");
  m_raw.assign(kChunkFrames * m_nFrameBytes, 0);
  m_samples.assign(kChunkFrames * static_cast<size_t>(channels), 0);
  m_rings.clear();
  m_bStop = false;
  m_nWritten = 0;
  m_nLost = 0;
  m_nFailureErrno = 0;
  m_bFailed = false;
  m_bRunning = true;
  m_thread = std::thread([this] { WriterMain(); });
  return true;
}

void RingRecorder::Follow(std::shared_ptr<const CaptureRing> ring, uint64_t first) {
  if (!ring || ring->FrameBytes() != m_nFrameBytes) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const Followed& f : m_rings) {
    if (f.ring == ring) return;
  }
  m_rings.push_back(Followed{std::move(ring), first});
  m_wake.notify_all();
}

void RingRecorder::Stop() {
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStop = true;
  }
  m_wake.notify_all();
  m_thread.join();
  m_rings.clear();
}

void RingRecorder::WriterMain() {
  std::unique_lock<std::mutex> lock(m_mutex);
  bool ok = true;
  while (ok) {
    m_wake.wait_for(lock, kWriterInterval, [this] { return m_bStop || m_rings.size() > 1; });
    const bool stop = m_bStop;
    if (m_rings.empty()) {
      if (stop) break;
      continue;
    }
    // A later ring means the device of this one is closed: what it holds is all it will hold.
    const bool last = m_rings.size() == 1;
    std::shared_ptr<const CaptureRing> ring = m_rings.front().ring;
    uint64_t position = m_rings.front().position;
    lock.unlock();
    ok = Drain(*ring, &position);
    lock.lock();
    m_rings.front().position = position;
    if (!ok) break;
    if (!last) {
      m_rings.pop_front();
    } else if (stop) {
      break;
    }
  }
  lock.unlock();
  m_pFile.reset();  // closing writes the final header
  if (m_nFailureErrno != 0) {
    // A FLAC encoder holds back what it has not yet packed into a block: what counts is what a
    // reader finds in the file, not what was handed over.
    if (m_bFlac) m_nWritten.store(ReadableFrames(m_path), std::memory_order_release);
    m_bFailed.store(true, std::memory_order_release);
  }
  m_bRunning = false;
}

bool RingRecorder::Drain(const CaptureRing& ring, uint64_t* position) {
  const uint64_t end = ring.WritePosition();
  // Frames this far behind the newest may already be written over (the producer runs up to a
  // block ahead of what it publishes).
  const uint64_t reach = ring.Capacity() - CaptureRing::kMaxBlockFrames;
  while (*position < end) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(end - *position, kChunkFrames));
    if (!ring.Read(*position, n, m_raw.data())) {
      const uint64_t newest = ring.WritePosition();
      const uint64_t oldest = newest > reach ? newest - reach : 0;
      if (oldest <= *position) return true;  // not readable yet: the next round
      m_nLost.fetch_add(oldest - *position, std::memory_order_acq_rel);
      *position = oldest;
      continue;
    }
    if (!WriteFrames(m_raw.data(), n)) return false;
    *position += n;
  }
  return true;
}

bool RingRecorder::WriteFrames(const uint8_t* data, size_t frames) {
  const size_t count = frames * static_cast<size_t>(m_nChannels);
  // The file takes 16-bit samples: an 8-bit one goes to the high byte.
  const double scale = FullScale(16) / FullScale(m_nBits);
  const size_t width = SampleBytes(m_nBits);
  for (size_t i = 0; i < count; ++i) {
    m_samples[i] = static_cast<short>(DecodeSample(data + i * width, m_nBits) * scale);
  }
  errno = 0;
  const sf_count_t done =
      sf_writef_short(m_pFile->handle, m_samples.data(), static_cast<sf_count_t>(frames));
  const int saved = errno;
  if (done == static_cast<sf_count_t>(frames)) {
    m_nWritten.fetch_add(frames, std::memory_order_acq_rel);
    return true;
  }
  // Whatever part of a frame reached the disk goes; the header then says what is there.
  sf_count_t whole = static_cast<sf_count_t>(m_nWritten.load()) + std::max<sf_count_t>(done, 0);
  sf_command(m_pFile->handle, SFC_FILE_TRUNCATE, &whole, sizeof whole);
  m_nWritten.store(static_cast<uint64_t>(whole), std::memory_order_release);
  Fail(WriteErrno(saved, m_path));
  return false;
}

void RingRecorder::Fail(int errorNumber) { m_nFailureErrno = errorNumber; }
