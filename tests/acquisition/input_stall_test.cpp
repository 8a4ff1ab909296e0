// The verdict on an input that may have been lost, from the frames its ring holds over time.
#include "acquisition/input_stall.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Change = InputStallDetector::Change;
constexpr uint64_t kMs = 1'000'000;
constexpr uint64_t kQuiet = 3000 * kMs;

struct Look {
  uint64_t atMs;
  int ring;  // 0: no ring (the device is closed)
  uint64_t frames;
  Change expected;
};

struct StallCase {
  const char* name;
  std::vector<Look> looks;
};

}  // namespace

TEST(InputStallTest, LostOnlyAfterTheQuietTimeAndBackWithTheFirstNewFrame) {
  const int a = 1, b = 2;
  const StallCase cases[] = {
      {"a steady input is never lost",
       {{0, a, 0, Change::kNone},
        {1000, a, 44100, Change::kNone},
        {5000, a, 220500, Change::kNone},
        {9000, a, 396900, Change::kNone}}},
      {"a slow first block is waited for",
       {{0, a, 0, Change::kNone},
        {2900, a, 0, Change::kNone},
        {2950, a, 512, Change::kNone},
        {5900, a, 512, Change::kNone}}},
      {"quiet for the whole time after frames came is lost, once",
       {{0, a, 100, Change::kNone},
        {500, a, 22050, Change::kNone},
        {3499, a, 22050, Change::kNone},
        {3500, a, 22050, Change::kLost},
        {9000, a, 22050, Change::kNone}}},
      {"a device that never delivers is lost",
       {{0, a, 0, Change::kNone}, {3000, a, 0, Change::kLost}}},
      {"a closed device is no sign of life",
       {{0, a, 10, Change::kNone},
        {3000, a, 10, Change::kLost},
        {3250, 0, 0, Change::kNone},
        {9000, 0, 0, Change::kNone}}},
      {"a new ring with no frames yet is not back; its first frames are",
       {{0, a, 10, Change::kNone},
        {3000, a, 10, Change::kLost},
        {6000, b, 0, Change::kNone},
        {6250, b, 0, Change::kNone},
        {6500, b, 441, Change::kBack},
        {7000, b, 22050, Change::kNone}}},
      {"a new ring that already holds frames is back at once",
       {{0, a, 10, Change::kNone}, {3000, a, 10, Change::kLost}, {6000, b, 4410, Change::kBack}}},
      {"after coming back the quiet time starts again",
       {{0, a, 10, Change::kNone},
        {3000, a, 10, Change::kLost},
        {4000, a, 20, Change::kBack},
        {6999, a, 20, Change::kNone},
        {7000, a, 20, Change::kLost}}},
      {"a new start restarts the quiet time",
       {{0, a, 10, Change::kNone},
        {2500, b, 0, Change::kNone},
        {5000, b, 0, Change::kNone},
        {5500, b, 0, Change::kLost}}},
  };
  for (const StallCase& c : cases) {
    InputStallDetector detector(kQuiet);
    for (size_t i = 0; i < c.looks.size(); ++i) {
      const Look& l = c.looks[i];
      const void* ring = l.ring == 0 ? nullptr : reinterpret_cast<const void*>(&cases[l.ring]);
      EXPECT_EQ(detector.Observe(l.atMs * kMs, ring, l.frames), l.expected)
          << c.name << ", look " << i << " at " << l.atMs << " ms";
    }
  }
}

TEST(InputStallTest, ResetForgetsALostInput) {
  InputStallDetector detector(kQuiet);
  int ring = 0;
  EXPECT_EQ(detector.Observe(0, &ring, 5), Change::kNone);
  EXPECT_EQ(detector.Observe(kQuiet, &ring, 5), Change::kLost);
  EXPECT_TRUE(detector.Lost());
  detector.Reset();
  EXPECT_FALSE(detector.Lost());
  // The next POWER on waits the whole quiet time again, on the same ring object or not.
  EXPECT_EQ(detector.Observe(10 * kQuiet, &ring, 5), Change::kNone);
  EXPECT_EQ(detector.Observe(11 * kQuiet - 1, &ring, 5), Change::kNone);
  EXPECT_EQ(detector.Observe(11 * kQuiet, &ring, 5), Change::kLost);
}

TEST(InputStallTest, TheInputIsNamedByTheChoiceAndTheDevice) {
  const struct {
    const char* choice;
    const char* device;
    const char* expected;
  } cases[] = {
      {"default", "pulse", "\"default\" (pulse)"},
      {"device:USB", "USB Audio CODEC: Analog", "\"device:USB\" (USB Audio CODEC: Analog)"},
      {"default", "", "\"default\""},
      {"default", "default", "\"default\""},
  };
  for (const auto& c : cases) EXPECT_EQ(InputDisplayName(c.choice, c.device), c.expected);
}
