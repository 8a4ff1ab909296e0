#include "features/live/live_profile.h"

#include <algorithm>

#include "platform/user_profile.h"

namespace {

constexpr char kLiveKey[] = "Live/Enabled";
constexpr char kCurtainKey[] = "Live/CurtainRate";
constexpr char kInputKey[] = "Input/Device";

}  // namespace

const std::vector<int>& CurtainRates() {
  static const std::vector<int> rates = {2, 5, 10, 20, 30};
  return rates;
}

LiveProfile LoadLiveProfile() {
  LiveProfile p;
  UserProfile profile;
  p.live = profile.value(kLiveKey, false).toBool();
  bool ok = false;
  const int rate = profile.value(kCurtainKey, p.curtainRate).toInt(&ok);
  const std::vector<int>& rates = CurtainRates();
  if (ok && std::find(rates.begin(), rates.end(), rate) != rates.end()) p.curtainRate = rate;
  p.inputDevice = profile.value(kInputKey).toString().toStdString();
  return p;
}

void SaveLiveMode(bool live) { UserProfile().setValue(kLiveKey, live); }

void SaveCurtainRate(int rate) { UserProfile().setValue(kCurtainKey, rate); }

void SaveInputDevice(const std::string& name) {
  UserProfile profile;
  if (name.empty()) {
    profile.remove(kInputKey);
  } else {
    profile.setValue(kInputKey, QString::fromStdString(name));
  }
}
