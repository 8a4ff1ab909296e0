#pragma once

#include <cstdint>

// Where the frames of the input stand for the spectrogram: the capture ring numbers only the
// frames it kept, while its dropped blocks took time the spectrogram must leave empty. Ring frame
// f is input frame f + Offset(); a drop moves the offset on by the frames dropped.
class InputFrameClock {
 public:
  // The ring's dropped frames and blocks as they stand now; true when some were dropped since
  // the last look (the frames that follow do not continue the earlier ones).
  bool Update(uint64_t lostFrames, uint64_t lostBlocks);
  uint64_t Offset() const { return m_nOffset; }
  // Counts from the ring's drops as they stand, with no offset: a new ring.
  void Reset(uint64_t lostFrames, uint64_t lostBlocks);

 private:
  uint64_t m_nLostFrames = 0;
  uint64_t m_nLostBlocks = 0;
  uint64_t m_nOffset = 0;
};

// The column a held (paused or scrolled) picture shows at its right edge: wanted, kept within
// what the history holds, from a width of columns after the oldest complete column up to the
// newest (the newest when the history holds less than a width).
int64_t HeldEndColumn(int64_t wanted, int64_t oldestComplete, int64_t newest, int width);
