#include "analysis/spectrogram_clock.h"

#include <gtest/gtest.h>

TEST(SpectrogramClockTest, DroppedFramesMoveTheInputOnAndBreakTheRun) {
  struct Step {
    uint64_t lostFrames, lostBlocks;
    bool broken;
    uint64_t offset;
    const char* what;
  };
  InputFrameClock clock;
  clock.Reset(100, 1);  // drops before the display began count for nothing
  for (const Step s : {Step{100, 1, false, 0, "nothing new"},
                       Step{612, 2, true, 512, "the ring dropped a block of 512"},
                       Step{612, 2, false, 512, "and nothing since"},
                       Step{612, 3, true, 512, "the device lost a block of unknown length"},
                       Step{1124, 5, true, 1024, "two more, counted at once"}}) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(clock.Update(s.lostFrames, s.lostBlocks), s.broken);
    EXPECT_EQ(clock.Offset(), s.offset);
  }
  clock.Reset(1124, 5);
  EXPECT_EQ(clock.Offset(), 0u);
  EXPECT_FALSE(clock.Update(1124, 5));
}

TEST(SpectrogramClockTest, AHeldPictureStaysWithinTheHistory) {
  struct Case {
    int64_t wanted, oldest, newest;
    int width;
    int64_t shown;
  };
  for (const Case c : {Case{500, 0, 1000, 300, 500},      // inside
                       Case{100, 0, 1000, 300, 300},      // back past the oldest: a width in
                       Case{2000, 0, 1000, 300, 1000},    // forward past the newest
                       Case{100, 0, 200, 300, 200},       // less than a width kept: the newest
                       Case{-50, 4000, 9000, 600, 4600},  // the history moved on meanwhile
                       Case{700, 650, 1000, 0, 700}}) {   // no width yet
    EXPECT_EQ(HeldEndColumn(c.wanted, c.oldest, c.newest, c.width), c.shown)
        << c.wanted << " in " << c.oldest << ".." << c.newest;
  }
}
