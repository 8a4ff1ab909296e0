#include "platform/capture_ring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

// Frames of one 32-bit counter value each, so every frame says which one it is.
std::vector<uint8_t> CounterFrames(uint32_t first, size_t count) {
  std::vector<uint8_t> bytes(count * 4);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = first + static_cast<uint32_t>(i);
    std::memcpy(&bytes[i * 4], &v, 4);
  }
  return bytes;
}

uint32_t FrameValue(const std::vector<uint8_t>& bytes, size_t i) {
  uint32_t v = 0;
  std::memcpy(&v, &bytes[i * 4], 4);
  return v;
}

}  // namespace

TEST(CaptureRingTest, SizeIsAPowerOfTwoAndWrapsWithoutLosingAFrame) {
  CaptureRing ring(1000, 4);
  EXPECT_EQ(ring.Capacity(), 1024u);
  EXPECT_EQ(CaptureRing(3, 2).Capacity(), CaptureRing::kMaxBlockFrames);

  // Blocks of 300 frames do not divide the capacity, so their copies straddle the end.
  uint32_t next = 0;
  std::vector<uint8_t> out(300 * 4);
  for (int block = 0; block < 20; ++block) {
    ASSERT_TRUE(ring.Write(CounterFrames(next, 300).data(), 300, 1000 + block));
    ASSERT_EQ(ring.WritePosition(), next + 300u);
    ASSERT_TRUE(ring.Read(next, 300, out.data()));
    for (size_t i = 0; i < 300; ++i) ASSERT_EQ(FrameValue(out, i), next + i) << "block " << block;
    next += 300;
    ring.AdvanceReadPosition(next);
  }
  EXPECT_EQ(ring.ReadPosition(), 6000u);
  EXPECT_EQ(ring.Overruns(), 0u);

  // Blocks 3 (900..1200), 6 and others crossed the end of the ring: their reads above came
  // back whole. A reader behind the consumer still gets frames far enough from the writer.
  std::vector<uint8_t> older(100 * 4);
  ASSERT_TRUE(ring.Read(5900, 100, older.data()));
  for (size_t i = 0; i < 100; ++i) EXPECT_EQ(FrameValue(older, i), 5900 + i);
}

TEST(CaptureRingTest, OverrunsDropWholeBlocksAndAreCounted) {
  CaptureRing ring(1024, 4);
  uint32_t value = 0;
  int written = 0;
  // Nobody consumes: 1024 frames fit, the 4th block of 300 does not, nor any after it.
  for (int block = 0; block < 6; ++block) {
    if (ring.Write(CounterFrames(value, 300).data(), 300, 0)) ++written;
    value += 300;
  }
  EXPECT_EQ(written, 3);
  EXPECT_EQ(ring.WritePosition(), 900u);
  EXPECT_EQ(ring.Overruns(), 3u);
  EXPECT_EQ(ring.LostFrames(), 900u);
  // A block the sound system lost before the callback counts as lost, with no frames of ours.
  ring.CountLostBlock();
  EXPECT_EQ(ring.Overruns(), 4u);
  EXPECT_EQ(ring.LostFrames(), 900u);
  EXPECT_EQ(ring.WritePosition(), 900u);
  // A smaller block still fits into what is left.
  EXPECT_TRUE(ring.Write(CounterFrames(value, 124).data(), 124, 0));
  EXPECT_FALSE(ring.Write(CounterFrames(value, 1).data(), 1, 0));
  EXPECT_EQ(ring.Overruns(), 5u);

  // Once the consumer has taken frames, writing goes on after the last frame kept.
  ring.AdvanceReadPosition(600);
  EXPECT_TRUE(ring.Write(CounterFrames(7000, 500).data(), 500, 0));
  std::vector<uint8_t> out(4 * 4);
  ASSERT_TRUE(ring.Read(1022, 4, out.data()));
  EXPECT_EQ(FrameValue(out, 0), value + 122);
  EXPECT_EQ(FrameValue(out, 1), value + 123);
  EXPECT_EQ(FrameValue(out, 2), 7000u);
  EXPECT_EQ(FrameValue(out, 3), 7001u);
  // The read position never passes the write position.
  ring.AdvanceReadPosition(1u << 20);
  EXPECT_EQ(ring.ReadPosition(), ring.WritePosition());
}

TEST(CaptureRingTest, ReadRefusesFramesNotYetWrittenOrAlreadyWrittenOver) {
  CaptureRing ring(1024, 4);
  std::vector<uint8_t> out(1024 * 4);
  EXPECT_FALSE(ring.Read(0, 1, out.data()));
  ASSERT_TRUE(ring.Write(CounterFrames(0, 512).data(), 512, 0));
  EXPECT_TRUE(ring.Read(0, 512, out.data()));
  EXPECT_FALSE(ring.Read(1, 512, out.data()));
  EXPECT_FALSE(ring.Read(0, 2048, out.data()));
  uint32_t next = 512;
  for (int i = 0; i < 4; ++i, next += 512) {
    ring.AdvanceReadPosition(next);
    ASSERT_TRUE(ring.Write(CounterFrames(next, 512).data(), 512, 0));
  }
  // Written up to 2560 and taken up to 2048: a frame the consumer has taken, whose slot the
  // next block may reuse (below 2560 - 1024 + 512), is refused; frames not taken never are.
  EXPECT_FALSE(ring.Read(2047, 1, out.data()));
  ASSERT_TRUE(ring.Read(2048, 512, out.data()));
  EXPECT_EQ(FrameValue(out, 0), 2048u);
  ring.AdvanceReadPosition(2560);
  ASSERT_TRUE(ring.Write(CounterFrames(2560, 512).data(), 512, 0));
  ASSERT_TRUE(ring.Write(CounterFrames(3072, 512).data(), 512, 0));
  // Full now: the oldest frame not taken is still safe to read.
  ASSERT_TRUE(ring.Read(2560, 1024, out.data()));
  EXPECT_EQ(FrameValue(out, 1023), 3583u);
}

TEST(CaptureRingTest, EveryFrameFindsTheStampOfItsBlock) {
  CaptureRing ring(4096, 2);
  std::vector<uint8_t> zeros(2000 * 2);
  ring.Write(zeros.data(), 100, 111);
  ring.Write(zeros.data(), 1, 222);
  ring.Write(zeros.data(), 1100, 333);  // longer than one block: stamped in three parts
  EXPECT_EQ(ring.BlockTime(0), 111u);
  EXPECT_EQ(ring.BlockTime(99), 111u);
  EXPECT_EQ(ring.BlockTime(100), 222u);
  EXPECT_EQ(ring.BlockTime(101), 333u);
  EXPECT_EQ(ring.BlockTime(1200), 333u);
  EXPECT_EQ(ring.BlockTime(1201), 0u);  // not written
  // After as many further blocks as there are stamps, the first blocks are forgotten.
  for (size_t i = 0; i < CaptureRing::kStampCount; ++i) {
    ring.AdvanceReadPosition(ring.WritePosition());
    ring.Write(zeros.data(), 1, 1000 + i);
  }
  EXPECT_EQ(ring.BlockTime(0), 0u);
  EXPECT_EQ(ring.BlockTime(ring.WritePosition() - 1), 1000 + CaptureRing::kStampCount - 1);
}

// The audio thread against the capture worker: every frame the consumer takes is the next one
// the producer kept, and the frames it never sees are exactly those counted lost.
TEST(CaptureRingTest, ProducerAndConsumerOnTwoThreadsKeepOrderAndCountLosses) {
  CaptureRing ring(4096, 4);
  constexpr uint32_t kTotal = 400000;
  std::thread producer([&ring] {
    std::mt19937 random(7);
    std::vector<uint8_t> block(CaptureRing::kMaxBlockFrames * 4);
    uint32_t value = 0;
    while (value < kTotal) {
      const uint32_t n = std::min<uint32_t>(1 + random() % 512, kTotal - value);
      for (uint32_t i = 0; i < n; ++i) {
        const uint32_t v = value + i;
        std::memcpy(&block[i * 4], &v, 4);
      }
      ring.Write(block.data(), n, SteadyNowNs());
      value += n;
      if (random() % 8 == 0) std::this_thread::yield();
    }
  });
  std::vector<uint8_t> out(1000 * 4);
  uint64_t taken = 0, skipped = 0;
  int64_t expected = 0;
  bool inOrder = true;
  for (;;) {
    const uint64_t w = ring.WritePosition();
    const uint64_t r = ring.ReadPosition();
    if (w == r) {
      if (taken + ring.LostFrames() >= kTotal) break;
      std::this_thread::yield();
      continue;
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(w - r, 1000));
    ASSERT_TRUE(ring.Read(r, n, out.data()));
    for (size_t i = 0; i < n; ++i) {
      const int64_t v = FrameValue(out, i);
      if (v < expected) inOrder = false;
      skipped += static_cast<uint64_t>(v - expected);
      expected = v + 1;
    }
    taken += n;
    ring.AdvanceReadPosition(r + n);
  }
  producer.join();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(taken + ring.LostFrames(), kTotal);
  // Drops at the very end leave no later frame to show the gap.
  EXPECT_LE(skipped, ring.LostFrames());
  EXPECT_EQ(ring.WritePosition(), taken);
}
