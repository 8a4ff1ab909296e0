#include "platform/ring_read.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "platform/capture_ring.h"

namespace {

constexpr uint8_t kSilence = 0x80;

// Frames of one 32-bit counter value each, so every frame says which one it is.
void WriteCounters(CaptureRing& ring, uint32_t first, size_t count) {
  std::vector<uint8_t> bytes(count * 4);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = first + static_cast<uint32_t>(i);
    std::memcpy(&bytes[i * 4], &v, 4);
  }
  ASSERT_TRUE(ring.Write(bytes.data(), count, 0));
}

uint32_t FrameValue(const std::vector<uint8_t>& bytes, size_t i) {
  uint32_t v = 0;
  std::memcpy(&v, &bytes[i * 4], 4);
  return v;
}

// Frames 0 .. total - 1 in blocks of 300, each taken by the consumer as it arrives, so the
// producer goes on writing over the oldest.
void FillTaken(CaptureRing& ring, uint32_t total) {
  for (uint32_t at = 0; at < total; at += 300) {
    WriteCounters(ring, at, std::min<uint32_t>(300, total - at));
    ring.AdvanceReadPosition(ring.WritePosition());
  }
}

}  // namespace

TEST(RingReadTest, NewestFramesSilenceAndTheOverwriteRule) {
  // 4096 frames, of which a copy reaches 4096 - 4 * 512 = 2048 back; written up to 5000, so
  // the ring holds frames 904 .. 4999 and the next block may take 904 .. 1415.
  CaptureRing ring(4096, 4);
  FillTaken(ring, 5000);
  ASSERT_EQ(RingReach(ring), 2048u);
  struct Case {
    const char* name;
    uint64_t end;
    size_t count;
    RingRead result;
    size_t silent;  // leading frames of silence
  };
  const Case cases[] = {
      {"newest, across the ring's end", 5000, 1500, RingRead::kCopied, 0},
      {"beyond the reach is silence", 5000, 3000, RingRead::kCopied, 952},
      {"ending before the write position", 4500, 1000, RingRead::kCopied, 0},
      {"oldest frame safe from the next block", 1516, 100, RingRead::kCopied, 0},
      {"oldest frame within the next block", 1500, 100, RingRead::kOverrun, 0},
      {"written over", 1400, 1000, RingRead::kOverrun, 0},
      {"not written yet", 5001, 10, RingRead::kNotWritten, 0},
      {"nothing asked", 5000, 0, RingRead::kCopied, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> out(c.count * 4 + 4, 0x55);
    ASSERT_EQ(ReadFramesEndingAt(ring, c.end, c.count, kSilence, out.data()), c.result);
    if (c.result != RingRead::kCopied) continue;
    for (size_t i = 0; i < c.silent * 4; ++i) ASSERT_EQ(out[i], kSilence) << "byte " << i;
    for (size_t i = c.silent; i < c.count; ++i) {
      ASSERT_EQ(FrameValue(out, i), c.end - c.count + i) << "frame " << i;
    }
    // Not a byte past the frames asked for.
    EXPECT_EQ(FrameValue(out, c.count), 0x55555555u);
  }
}

TEST(RingReadTest, FramesBeforeTheFirstOneWrittenAreSilence) {
  struct Case {
    uint32_t written;
    size_t count;
  };
  const Case cases[] = {{0, 5}, {100, 300}, {100, 100}, {100, 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.written << " written, " << c.count << " asked");
    CaptureRing ring(4096, 4);
    if (c.written > 0) WriteCounters(ring, 0, c.written);
    std::vector<uint8_t> out(c.count * 4, 0);
    ASSERT_EQ(ReadFramesEndingAt(ring, c.written, c.count, kSilence, out.data()),
              RingRead::kCopied);
    const size_t silent = c.count > c.written ? c.count - c.written : 0;
    for (size_t i = 0; i < silent * 4; ++i) ASSERT_EQ(out[i], kSilence) << "byte " << i;
    for (size_t i = silent; i < c.count; ++i) {
      ASSERT_EQ(FrameValue(out, i), c.written - c.count + i) << "frame " << i;
    }
  }
}

TEST(RingReadTest, SmallRingReachesNothing) {
  // A ring no larger than the producer's slack holds nothing a copy can trust.
  CaptureRing ring(1024, 4);
  WriteCounters(ring, 0, 10);
  EXPECT_EQ(RingReach(ring), 0u);
  std::vector<uint8_t> out(10 * 4, 0);
  ASSERT_EQ(ReadFramesEndingAt(ring, 10, 10, kSilence, out.data()), RingRead::kCopied);
  EXPECT_EQ(out, std::vector<uint8_t>(40, kSilence));
}

// A reader against a producer that never waits (its frames are taken at once): whatever the
// reader is told it copied is exactly the frames it asked for, never a torn mix.
TEST(RingReadTest, NoTornCopyPassesWhileTheProducerWritesOver) {
  CaptureRing ring(4096, 4);
  std::atomic<bool> done{false};
  std::thread producer([&ring, &done] {
    std::vector<uint8_t> block(CaptureRing::kMaxBlockFrames * 4);
    uint32_t value = 0;
    std::mt19937 random(3);
    while (!done.load()) {
      const uint32_t n = 1 + random() % 512;
      for (uint32_t i = 0; i < n; ++i) {
        const uint32_t v = value + i;
        std::memcpy(&block[i * 4], &v, 4);
      }
      ring.Write(block.data(), n, 0);
      ring.AdvanceReadPosition(ring.WritePosition());
      value += n;
      if (random() % 4 == 0) std::this_thread::yield();
    }
  });
  std::mt19937 random(11);
  std::vector<uint8_t> out(2048 * 4);
  int copied = 0, overrun = 0;
  bool torn = false;
  // Once the producer has gone round the ring twice, until both outcomes were seen often.
  while (ring.WritePosition() < 2 * ring.Capacity()) std::this_thread::yield();
  for (int k = 0; k < 200000 && !torn && (copied < 2000 || overrun < 200); ++k) {
    const uint64_t w = ring.WritePosition();
    const uint64_t lag = std::min<uint64_t>(w, random() % 3000);
    const uint64_t end = w - lag;
    const size_t count = 1 + random() % 2048;
    const RingRead r = ReadFramesEndingAt(ring, end, count, kSilence, out.data());
    ASSERT_NE(r, RingRead::kNotWritten);
    if (r == RingRead::kOverrun) {
      ++overrun;
      continue;
    }
    ++copied;
    const size_t have = static_cast<size_t>(std::min<uint64_t>(end, count));
    for (size_t i = count - have; i < count && !torn; ++i) {
      torn = FrameValue(out, i) != end - count + i;
    }
  }
  done = true;
  producer.join();
  EXPECT_FALSE(torn);
  EXPECT_GT(copied, 0);
  EXPECT_GT(overrun, 0);
}
