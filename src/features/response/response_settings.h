#pragma once

// The response analyser's choices, kept in the per-user profile; the command line sets them
// for one start.
struct ResponseSettings {
  enum Method { kDual = 0, kSweep = 1 };
  int method = kDual;
  bool referenceRight = false;  // the reference (what goes into the device) is the right input
  int averaging = 0;            // a TransferAveraging value
  double averageSeconds = 2.0;  // the exponential average's memory
  int smoothing = 0;            // 0 off, else N for 1/N octave (1 .. 48)
  double sweepStartHz = 20;
  double sweepStopHz = 20000;
  double sweepSeconds = 5;
  bool phaseUnwrapped = false;
  bool groupDelay = false;          // the lower chart shows the group delay instead of phase
  double coherenceThreshold = 0.9;  // below it a frequency is greyed

  bool operator==(const ResponseSettings&) const = default;
};

// The settings the analyser works with now.
ResponseSettings& CurrentResponseSettings();
// The profile's settings (defaults for what it does not hold), and writing them back.
ResponseSettings LoadResponseProfile();
void SaveResponseProfile(const ResponseSettings& settings);
// The smoothing fractions the menu offers, N of 1/N octave, and 0 for off.
constexpr int kSmoothingChoices[] = {0, 48, 24, 12, 6, 3, 1};
