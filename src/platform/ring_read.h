#pragma once

#include <cstddef>
#include <cstdint>

class CaptureRing;

// What a copy out of the capture ring came to.
enum class RingRead {
  kCopied,      // out holds the frames
  kOverrun,     // the producer may have written over some of them: out is undefined
  kNotWritten,  // some of them are not written yet: out is undefined
};

// How far back from the frame it ends at a copy reaches into the ring: the ring less the blocks
// the producer may be writing while the copy runs. Older frames read as silence.
size_t RingReach(const CaptureRing& ring);

// The one way passes read the input: copies the count frames that end just before frame number
// end (the newest count frames when end is the write position) into out, count * FrameBytes()
// bytes. Frames before the first one ever written, and frames more than RingReach() before end,
// are silence: every byte silenceByte. Anything but kCopied means the caller drops what it got
// (or tries again with newer frames); nothing else tells a torn copy from a good one.
RingRead ReadFramesEndingAt(const CaptureRing& ring, uint64_t end, size_t count,
                            uint8_t silenceByte, uint8_t* out);
