#include "features/response/response_settings.h"

#include <algorithm>
#include <cmath>

#include "platform/user_profile.h"

ResponseSettings& CurrentResponseSettings() {
  static ResponseSettings settings;
  return settings;
}

ResponseSettings LoadResponseProfile() {
  ResponseSettings s;
  UserProfile profile;
  profile.beginGroup("Response");
  s.method = profile.value("Method", s.method).toInt() == 1 ? 1 : 0;
  s.referenceRight = profile.value("ReferenceRight", s.referenceRight).toBool();
  s.averaging = profile.value("Averaging", s.averaging).toInt() == 1 ? 1 : 0;
  s.averageSeconds =
      std::clamp(profile.value("AverageSeconds", s.averageSeconds).toDouble(), 0.1, 100.0);
  s.smoothing = std::clamp(profile.value("Smoothing", s.smoothing).toInt(), 0, 48);
  const double f1 = profile.value("SweepStartHz", s.sweepStartHz).toDouble();
  const double f2 = profile.value("SweepStopHz", s.sweepStopHz).toDouble();
  const double seconds = profile.value("SweepSeconds", s.sweepSeconds).toDouble();
  // A sweep the profile got wrong gives way to the default one whole.
  if (std::isfinite(f1) && std::isfinite(f2) && f1 > 0 && f2 > f1 && seconds > 0 && seconds <= 20) {
    s.sweepStartHz = f1;
    s.sweepStopHz = f2;
    s.sweepSeconds = seconds;
  }
  s.phaseUnwrapped = profile.value("PhaseUnwrapped", s.phaseUnwrapped).toBool();
  s.groupDelay = profile.value("GroupDelay", s.groupDelay).toBool();
  profile.endGroup();
  return s;
}

void SaveResponseProfile(const ResponseSettings& s) {
  UserProfile profile;
  profile.beginGroup("Response");
  profile.setValue("Method", s.method);
  profile.setValue("ReferenceRight", s.referenceRight);
  profile.setValue("Averaging", s.averaging);
  profile.setValue("AverageSeconds", s.averageSeconds);
  profile.setValue("Smoothing", s.smoothing);
  profile.setValue("SweepStartHz", s.sweepStartHz);
  profile.setValue("SweepStopHz", s.sweepStopHz);
  profile.setValue("SweepSeconds", s.sweepSeconds);
  profile.setValue("PhaseUnwrapped", s.phaseUnwrapped);
  profile.setValue("GroupDelay", s.groupDelay);
  profile.endGroup();
}
