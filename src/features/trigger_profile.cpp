#include "features/trigger_profile.h"

#include "platform/user_profile.h"

namespace {

constexpr char kModeKey[] = "Trigger/Mode";
constexpr char kSourceKey[] = "Trigger/Source";
constexpr char kSlopeKey[] = "Trigger/Slope";
constexpr char kLevelKey[] = "Trigger/LevelMv";
constexpr char kHysteresisKey[] = "Trigger/HysteresisDiv";
constexpr char kPositionKey[] = "Trigger/PositionPercent";
constexpr char kHoldoffKey[] = "Trigger/HoldoffMs";
constexpr char kRollKey[] = "Trigger/Roll";

double ReadNumber(const QSettings& profile, const char* key, double fallback) {
  bool ok = false;
  const double value = profile.value(key).toDouble(&ok);
  return ok ? value : fallback;
}

}  // namespace

TriggerSettings LoadTriggerProfile() {
  TriggerSettings s;
  const UserProfile profile;
  ParseTriggerMode(profile.value(kModeKey).toString().toStdString(), s.mode);
  ParseTriggerSource(profile.value(kSourceKey).toString().toStdString(), s.source);
  ParseTriggerSlope(profile.value(kSlopeKey).toString().toStdString(), s.slope);
  s.levelMv = ReadNumber(profile, kLevelKey, s.levelMv);
  s.hysteresisDiv = ReadNumber(profile, kHysteresisKey, s.hysteresisDiv);
  s.positionPercent = ReadNumber(profile, kPositionKey, s.positionPercent);
  s.holdoffMs = ReadNumber(profile, kHoldoffKey, s.holdoffMs);
  s.roll = profile.value(kRollKey, false).toBool();
  return s.Limited();
}

void SaveTriggerProfile(const TriggerSettings& settings) {
  UserProfile profile;
  profile.setValue(kModeKey, TriggerModeName(settings.mode));
  profile.setValue(kSourceKey, TriggerSourceName(settings.source));
  profile.setValue(kSlopeKey, TriggerSlopeName(settings.slope));
  profile.setValue(kLevelKey, settings.levelMv);
  profile.setValue(kHysteresisKey, settings.hysteresisDiv);
  profile.setValue(kPositionKey, settings.positionPercent);
  profile.setValue(kHoldoffKey, settings.holdoffMs);
  profile.setValue(kRollKey, settings.roll);
}
