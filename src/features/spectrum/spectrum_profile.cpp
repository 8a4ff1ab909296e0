#include "features/spectrum/spectrum_profile.h"

#include <algorithm>
#include <cmath>

#include "platform/user_profile.h"

namespace {

constexpr char kGroup[] = "Spectrum";

}  // namespace

SpectrumOptions SanitizedSpectrumOptions(SpectrumOptions o) {
  const SpectrumOptions d;
  const bool power = o.fftSize > 0 && (o.fftSize & (o.fftSize - 1)) == 0;
  if (!(power && o.fftSize >= SpectrumOptions::kMinSize &&
        o.fftSize <= SpectrumOptions::kMaxSize)) {
    o.fftSize = SpectrumOptions::kDescribed;
  }
  if (o.scale < 0 || o.scale > 2) o.scale = d.scale;
  if (o.average < 0 || o.average > 2) o.average = d.average;
  if (!(o.averageSeconds >= 0.1 && o.averageSeconds <= 10)) o.averageSeconds = d.averageSeconds;
  if (o.averageCount < 2 || o.averageCount > 1000) o.averageCount = d.averageCount;
  if (!(o.peakDecayDbPerSecond >= 0 && o.peakDecayDbPerSecond <= 1000)) {
    o.peakDecayDbPerSecond = d.peakDecayDbPerSecond;
  }
  const bool range = std::isfinite(o.dbBottom) && std::isfinite(o.dbTop) && o.dbBottom >= -400 &&
                     o.dbTop <= 100 && o.dbTop - o.dbBottom >= 10;
  if (!range) {
    o.dbBottom = d.dbBottom;
    o.dbTop = d.dbTop;
  }
  return o;
}

SpectrumOptions LoadSpectrumProfile() {
  SpectrumOptions o;
  UserProfile profile;
  profile.beginGroup(kGroup);
  o.fftSize = profile.value("FftSize", o.fftSize).toInt();
  o.scale = profile.value("Scale", o.scale).toInt();
  o.logAxis = profile.value("LogAxis", o.logAxis).toBool();
  o.average = profile.value("Average", o.average).toInt();
  o.averageSeconds = profile.value("AverageSeconds", o.averageSeconds).toDouble();
  o.averageCount = profile.value("AverageCount", o.averageCount).toInt();
  o.peakHold = profile.value("PeakHold", o.peakHold).toBool();
  o.peakDecayDbPerSecond = profile.value("PeakDecay", o.peakDecayDbPerSecond).toDouble();
  o.minimumHold = profile.value("MinimumHold", o.minimumHold).toBool();
  o.flatTop = profile.value("FlatTop", o.flatTop).toBool();
  o.dbBottom = profile.value("DbBottom", o.dbBottom).toDouble();
  o.dbTop = profile.value("DbTop", o.dbTop).toDouble();
  return SanitizedSpectrumOptions(o);
}

void SaveSpectrumProfile(const SpectrumOptions& options) {
  const SpectrumOptions o = SanitizedSpectrumOptions(options);
  UserProfile profile;
  profile.beginGroup(kGroup);
  profile.setValue("FftSize", o.fftSize);
  profile.setValue("Scale", o.scale);
  profile.setValue("LogAxis", o.logAxis);
  profile.setValue("Average", o.average);
  profile.setValue("AverageSeconds", o.averageSeconds);
  profile.setValue("AverageCount", o.averageCount);
  profile.setValue("PeakHold", o.peakHold);
  profile.setValue("PeakDecay", o.peakDecayDbPerSecond);
  profile.setValue("MinimumHold", o.minimumHold);
  profile.setValue("FlatTop", o.flatTop);
  profile.setValue("DbBottom", o.dbBottom);
  profile.setValue("DbTop", o.dbTop);
}
