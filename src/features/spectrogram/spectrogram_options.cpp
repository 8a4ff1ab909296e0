#include "features/spectrogram/spectrogram_options.h"

#include <cmath>

#include "analysis/color_map.h"
#include "features/spectrogram/spectrogram_parameters.h"
#include "platform/parameter_profile.h"

SpectrogramOptions SanitizedSpectrogramOptions(SpectrogramOptions o) {
  const SpectrogramOptions d;
  if (o.colorMap < 0 || o.colorMap >= kColorMapCount) o.colorMap = d.colorMap;
  const bool range = std::isfinite(o.dbBottom) && std::isfinite(o.dbTop) && o.dbBottom >= -400 &&
                     o.dbTop <= 100 && o.dbTop - o.dbBottom >= 10;
  if (!range) {
    o.dbBottom = d.dbBottom;
    o.dbTop = d.dbTop;
  }
  if (!(o.spanSeconds >= SpectrogramOptions::kMinSpanSeconds &&
        o.spanSeconds <= SpectrogramOptions::kMaxSpanSeconds)) {
    o.spanSeconds = d.spanSeconds;
  }
  if (o.overlapPercent != 50 && o.overlapPercent != 75) o.overlapPercent = d.overlapPercent;
  return o;
}

SpectrogramOptions& CurrentSpectrogramOptions() {
  static SpectrogramOptions options = LoadSpectrogramProfile();
  return options;
}

SpectrogramOptions LoadSpectrogramProfile() {
  SpectrogramOptions o;
  LoadParameterProfile(SpectrogramParameters(), &o);
  return o;
}

void SaveSpectrogramProfile(const SpectrogramOptions& options) {
  const SpectrogramOptions o = SanitizedSpectrogramOptions(options);
  SaveParameterProfile(SpectrogramParameters(), &o);
}
