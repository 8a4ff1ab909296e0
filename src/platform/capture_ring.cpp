#include "platform/capture_ring.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

size_t PowerOfTwoAtLeast(size_t n) {
  size_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

}  // namespace

uint64_t SteadyNowNs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

CaptureRing::CaptureRing(size_t minFrames, size_t frameBytes)
    : m_nCapacity(PowerOfTwoAtLeast(std::max<size_t>(minFrames, kMaxBlockFrames))),
      m_nFrameBytes(std::max<size_t>(frameBytes, 1)),
      m_pData(new uint8_t[m_nCapacity * m_nFrameBytes]()),
      m_pStamps(new Stamp[kStampCount]) {}

bool CaptureRing::Write(const uint8_t* data, size_t frames, uint64_t timeNs) {
  const uint64_t w = m_write.load(std::memory_order_relaxed);
  const uint64_t r = m_read.load(std::memory_order_acquire);
  if (frames == 0) return true;
  if (w + frames - r > m_nCapacity) {
    m_overruns.fetch_add(1, std::memory_order_relaxed);
    m_lostFrames.fetch_add(frames, std::memory_order_relaxed);
    return false;
  }
  uint64_t at = w;
  while (frames > 0) {
    const size_t n = std::min(frames, kMaxBlockFrames);
    WriteBlock(data, n, timeNs, at);
    data += n * m_nFrameBytes;
    frames -= n;
    at += n;
    // Published block by block, so the producer is never more than one block ahead of what
    // readers can see.
    m_write.store(at, std::memory_order_release);
  }
  return true;
}

void CaptureRing::WriteBlock(const uint8_t* data, size_t frames, uint64_t timeNs, uint64_t w) {
  const size_t slot = static_cast<size_t>(w & (m_nCapacity - 1));
  const size_t first = std::min(frames, m_nCapacity - slot);
  std::memcpy(m_pData.get() + slot * m_nFrameBytes, data, first * m_nFrameBytes);
  if (first < frames) {
    std::memcpy(m_pData.get(), data + first * m_nFrameBytes, (frames - first) * m_nFrameBytes);
  }
  Stamp& stamp = m_pStamps[m_nBlocks++ % kStampCount];
  // Invalidated first, so a reader never pairs the new end with the old time.
  stamp.endFrame.store(0, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  stamp.startFrame.store(w, std::memory_order_relaxed);
  stamp.timeNs.store(timeNs, std::memory_order_relaxed);
  stamp.endFrame.store(w + frames, std::memory_order_release);
}

void CaptureRing::AdvanceReadPosition(uint64_t position) {
  position = std::min(position, m_write.load(std::memory_order_acquire));
  if (position > m_read.load(std::memory_order_relaxed)) {
    m_read.store(position, std::memory_order_release);
  }
}

bool CaptureRing::Read(uint64_t first, size_t count, uint8_t* out) const {
  if (count > m_nCapacity) return false;
  const uint64_t w = m_write.load(std::memory_order_acquire);
  if (first + count > w) return false;
  if (first < m_read.load(std::memory_order_acquire) && first + m_nCapacity < w + kMaxBlockFrames) {
    return false;
  }
  const size_t slot = static_cast<size_t>(first & (m_nCapacity - 1));
  const size_t part = std::min(count, m_nCapacity - slot);
  std::memcpy(out, m_pData.get() + slot * m_nFrameBytes, part * m_nFrameBytes);
  if (part < count) {
    std::memcpy(out + part * m_nFrameBytes, m_pData.get(), (count - part) * m_nFrameBytes);
  }
  // The producer may have moved on while we copied. It never writes over frames the consumer
  // has not taken, and never more than one block past the position it publishes.
  std::atomic_thread_fence(std::memory_order_acquire);
  if (first >= m_read.load(std::memory_order_acquire)) return true;
  return first + m_nCapacity >= m_write.load(std::memory_order_acquire) + kMaxBlockFrames;
}

uint64_t CaptureRing::BlockTime(uint64_t frame) const {
  for (size_t i = 0; i < kStampCount; ++i) {
    const Stamp& stamp = m_pStamps[i];
    const uint64_t end = stamp.endFrame.load(std::memory_order_acquire);
    if (end <= frame) continue;
    const uint64_t start = stamp.startFrame.load(std::memory_order_relaxed);
    const uint64_t t = stamp.timeNs.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    // Rewritten while we looked: that block is gone anyway.
    if (stamp.endFrame.load(std::memory_order_relaxed) != end) continue;
    if (start <= frame) return t;
  }
  return 0;
}
