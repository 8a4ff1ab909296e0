#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Tests that need something outside the program (a sound server, a tool) skip with a printed
// reason on a developer's machine that lacks it, and fail in CI, whose script provides it.

inline bool RunningInCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

inline bool PulseDaemonReachable() { return std::system("pactl info >/dev/null 2>&1") == 0; }

inline bool PulseAudioInstalled() {
  return std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") == 0;
}

#define REQUIRE_ENVIRONMENT(condition, why) \
  do {                                      \
    if (!(condition)) {                     \
      if (RunningInCi()) FAIL() << (why);   \
      std::printf("skipped: %s\n", (why));  \
      GTEST_SKIP() << (why);                \
    }                                       \
  } while (false)

#define REQUIRE_PULSE_DAEMON() \
  REQUIRE_ENVIRONMENT(         \
      PulseDaemonReachable(),  \
      "no PulseAudio daemon reachable (eval \"$(tools/start_test_pulseaudio.sh)\")")
