#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// The one place where the audio thread leaves its samples: a single-producer, single-consumer
// ring of interleaved frames in the capture format. The producer (the backend's callback) only
// copies and publishes; it never locks, allocates, waits or calls the system. Frames are
// numbered from 0 since the ring was made. The consumer moves the read position on; any other
// reader copies out what it needs by frame number and is told when those frames are gone.
class CaptureRing {
 public:
  // Longest block one time stamp stands for; longer writes are stamped in parts.
  static constexpr size_t kMaxBlockFrames = 512;
  // How many of the newest blocks keep their time stamps.
  static constexpr size_t kStampCount = 256;

  // Room for at least minFrames frames of frameBytes bytes each, rounded up to a power of two.
  CaptureRing(size_t minFrames, size_t frameBytes);
  CaptureRing(const CaptureRing&) = delete;
  CaptureRing& operator=(const CaptureRing&) = delete;

  size_t Capacity() const { return m_nCapacity; }
  size_t FrameBytes() const { return m_nFrameBytes; }

  // Producer: appends frames whole frames received at timeNs (steady clock, nanoseconds). A block
  // that does not fit into what the consumer has freed is dropped whole and counted as an
  // overrun; false then.
  bool Write(const uint8_t* data, size_t frames, uint64_t timeNs);

  // Frames published so far: the number of the next frame to be written.
  uint64_t WritePosition() const { return m_write.load(std::memory_order_acquire); }
  // Frames the consumer has taken.
  uint64_t ReadPosition() const { return m_read.load(std::memory_order_acquire); }
  // Consumer: marks frames up to position as taken (never past the write position).
  void AdvanceReadPosition(uint64_t position);

  // Copies count frames starting with frame number first into out. False, with out undefined,
  // when some of them are not written yet or may have been written over meanwhile.
  bool Read(uint64_t first, size_t count, uint8_t* out) const;

  // Producer: a block the device itself lost before it reached us (the sound system's own
  // overrun); counted with the ring's.
  void CountLostBlock() { m_overruns.fetch_add(1, std::memory_order_relaxed); }

  // Blocks dropped because the ring was full (or lost before it), and the frames the ring
  // dropped.
  uint64_t Overruns() const { return m_overruns.load(std::memory_order_relaxed); }
  uint64_t LostFrames() const { return m_lostFrames.load(std::memory_order_relaxed); }

  // Time stamp of the block that holds frame number frame, or 0 when that block is no longer
  // among the kStampCount newest (or not written yet).
  uint64_t BlockTime(uint64_t frame) const;

 private:
  struct Stamp {
    std::atomic<uint64_t> startFrame{0};
    std::atomic<uint64_t> endFrame{0};  // one past the block's last frame; 0 while rewritten
    std::atomic<uint64_t> timeNs{0};
  };

  void WriteBlock(const uint8_t* data, size_t frames, uint64_t timeNs, uint64_t w);

  const size_t m_nCapacity;
  const size_t m_nFrameBytes;
  std::unique_ptr<uint8_t[]> m_pData;
  std::unique_ptr<Stamp[]> m_pStamps;
  uint64_t m_nBlocks = 0;  // producer only
  alignas(64) std::atomic<uint64_t> m_write{0};
  alignas(64) std::atomic<uint64_t> m_read{0};
  alignas(64) std::atomic<uint64_t> m_overruns{0};
  std::atomic<uint64_t> m_lostFrames{0};
};

// The steady clock in nanoseconds, the time base of the ring's stamps.
uint64_t SteadyNowNs();
