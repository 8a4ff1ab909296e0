#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CaptureRing;

// Writes every frame that passes through capture rings into an audio file, in the capture
// format (WAV, or FLAC when the name ends in ".flac"), on a thread of its own that copies out of
// the ring by frame number: the audio thread is never held up, and nothing it does waits for
// the disk. Rings follow one another (one per POWER on); the frames of each go into the file
// back to back. A WAV or AIFF file's header is brought up to date after every write, so the file
// is a valid recording of what has been written at any moment, also when the program is killed.
// When a write fails (a full disk) the file is cut back to its last whole frame, closed, and
// the recording ends with Failed() set (a FLAC file keeps what its encoder got out, and
// FramesWritten() then says how many frames a reader finds in it).
class RingRecorder {
 public:
  RingRecorder();
  ~RingRecorder();
  RingRecorder(const RingRecorder&) = delete;
  RingRecorder& operator=(const RingRecorder&) = delete;

  // Creates path for channels (1 or 2) of bits (8 or 16) at rate and starts the writer. False
  // with *error (the errno of the failure in *errorNumber when it has one) when the file
  // cannot be made.
  bool Start(const std::string& path, int channels, uint32_t rate, int bits, std::string* error,
             int* errorNumber = nullptr);
  // From now on the frames of ring from frame number first on go into the file. Before it
  // takes ring the writer finishes the ring it had, up to the last frame written into it.
  // The same ring again changes nothing.
  void Follow(std::shared_ptr<const CaptureRing> ring, uint64_t first);
  // Writes what the ring holds up to its newest frame, closes the file and ends the writer.
  void Stop();

  bool IsRecording() const { return m_bRunning.load(std::memory_order_acquire); }
  const std::string& Path() const { return m_path; }
  uint32_t Rate() const { return m_nRate; }
  // Frames in the file so far.
  uint64_t FramesWritten() const { return m_nWritten.load(std::memory_order_acquire); }
  // Frames the ring had written over before the writer could take them (a writer held up for
  // seconds); they are missing from the file, which goes on with the next frame there is.
  uint64_t FramesLost() const { return m_nLost.load(std::memory_order_acquire); }
  // True once a write failed; the errno of that failure (ENOSPC for a full disk, EIO when the
  // system gave none). The recording has ended then.
  bool Failed() const { return m_bFailed.load(std::memory_order_acquire); }
  int FailureErrno() const { return m_nFailureErrno; }

 private:
  struct File;
  void WriterMain();
  // Copies what ring holds from *position up to its newest frame into the file; false after a
  // failed write.
  bool Drain(const CaptureRing& ring, uint64_t* position);
  bool WriteFrames(const uint8_t* data, size_t frames);
  void Fail(int errorNumber);

  std::unique_ptr<File> m_pFile;
  std::string m_path;
  int m_nChannels = 0;
  int m_nBits = 0;
  uint32_t m_nRate = 0;
  size_t m_nFrameBytes = 0;
  bool m_bFlac = false;

  std::mutex m_mutex;  // the rings to follow and the stop request
  std::condition_variable m_wake;
  struct Followed {
    std::shared_ptr<const CaptureRing> ring;
    uint64_t position;  // the next frame of it to write
  };
  std::deque<Followed> m_rings;  // the front one is being written
  bool m_bStop = false;

  std::thread m_thread;
  std::atomic<bool> m_bRunning{false};
  std::atomic<bool> m_bFailed{false};
  std::atomic<uint64_t> m_nWritten{0};
  std::atomic<uint64_t> m_nLost{0};
  int m_nFailureErrno = 0;  // the writer's; published by m_bFailed once the file is closed
  std::vector<uint8_t> m_raw;
  std::vector<short> m_samples;
};
