// Reliability of the whole program under use: a short soak run in CI (tool_soak_run does the
// long one), POWER cycles that leave no thread behind, and a sound card that vanishes while it
// records.
#include <gtest/gtest.h>

#include "e2e_reliability_support.h"

using namespace e2e;

TEST(ReliabilityTest, ShortSoakLosesNothingAndLeavesNothingBehind) {
  SoakOptions options;
  options.seconds = 24;
  options.warmupSeconds = 8;
  options.rssGrowthBoundKiB = 16 * 1024;
  const SoakResult result = RunSoak(options);
  std::printf("%s", result.Report().c_str());
  ASSERT_TRUE(result.error.empty()) << result.error;
  EXPECT_TRUE(result.counterChecked);
  EXPECT_GE(result.powerCycles, 2);
  EXPECT_GT(result.modeChanges, 0);
  EXPECT_GT(result.switchTurns, 0);
  EXPECT_GE(result.handled, result.expected - 2 * result.powerCycles);
  EXPECT_EQ(result.shortfall, 0);
  EXPECT_EQ(result.counterBreaks, 0);
  EXPECT_EQ(result.badStarts, 0);
  EXPECT_LE(result.RssGrowthKiB(), result.rssGrowthBoundKiB);
  EXPECT_LE(result.threadsMaxAfterOff, result.threadsBaseline);
  EXPECT_TRUE(result.messages.empty());
}
