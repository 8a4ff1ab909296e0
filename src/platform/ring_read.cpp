#include "platform/ring_read.h"

#include <algorithm>
#include <cstring>

#include "platform/capture_ring.h"

size_t RingReach(const CaptureRing& ring) {
  // Four blocks of slack: the producer publishes block by block and may be one block past what
  // it published; the rest keeps a copy of nearly the whole ring from failing every time.
  const size_t slack = 4 * CaptureRing::kMaxBlockFrames;
  return ring.Capacity() > slack ? ring.Capacity() - slack : 0;
}

RingRead ReadFramesEndingAt(const CaptureRing& ring, uint64_t end, size_t count,
                            uint8_t silenceByte, uint8_t* out) {
  if (end > ring.WritePosition()) return RingRead::kNotWritten;
  const size_t have =
      static_cast<size_t>(std::min<uint64_t>({end, count, static_cast<uint64_t>(RingReach(ring))}));
  const size_t missing = count - have;
  const size_t frameBytes = ring.FrameBytes();
  std::memset(out, silenceByte, missing * frameBytes);
  if (have == 0) return RingRead::kCopied;
  // The ring's own check after the copy is the overwrite rule: frames the consumer has not taken
  // are never written over, and older ones only once the producer, published position plus the
  // block it may be writing, has come round to them.
  if (!ring.Read(end - have, have, out + missing * frameBytes)) return RingRead::kOverrun;
  return RingRead::kCopied;
}
