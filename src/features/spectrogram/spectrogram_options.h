#pragma once

// What the user chooses for the spectrogram; the transform's size, window, unit and frequency
// axis follow the spectrum's choices. Kept in the per-user profile and in setups.
struct SpectrogramOptions {
  static constexpr double kMinSpanSeconds = 5;
  static constexpr double kMaxSpanSeconds = 600;

  int colorMap = 0;  // a ColorMapKind
  double dbBottom = -120;
  double dbTop = 0;
  double spanSeconds = 10;  // the time across the chart
  int overlapPercent = 75;  // 50 or 75

  bool operator==(const SpectrogramOptions&) const = default;
};

// o with every choice out of range put back to its default (a range as a pair).
SpectrogramOptions SanitizedSpectrogramOptions(SpectrogramOptions o);

// The options in force: the profile's at start, changed by the menu and by setups.
SpectrogramOptions& CurrentSpectrogramOptions();

SpectrogramOptions LoadSpectrogramProfile();
void SaveSpectrogramProfile(const SpectrogramOptions& options);
