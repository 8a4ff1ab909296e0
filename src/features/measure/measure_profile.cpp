#include "features/measure/measure_profile.h"

#include <QStringList>
#include <algorithm>
#include <string>

#include "platform/user_profile.h"

namespace {

constexpr char kVisibleKey[] = "Measurements/Visible";
constexpr char kStatisticsKey[] = "Measurements/Statistics";
constexpr char kQuantitiesKey[] = "Measurements/Quantities";

}  // namespace

const std::vector<Quantity>& DefaultReadoutQuantities() {
  static const std::vector<Quantity> quantities = {
      Quantity::kFrequency, Quantity::kVpp,  Quantity::kRms,   Quantity::kAcRms,
      Quantity::kMean,      Quantity::kDbfs, Quantity::kThdDb, Quantity::kThdNDb,
      Quantity::kSinad,     Quantity::kSnr,  Quantity::kEnob};
  return quantities;
}

MeasureProfile LoadMeasureProfile() {
  MeasureProfile p;
  UserProfile profile;
  p.visible = profile.value(kVisibleKey, false).toBool();
  p.statistics = profile.value(kStatisticsKey, false).toBool();
  const QStringList names = profile.value(kQuantitiesKey).toStringList();
  for (const QString& name : names) {
    Quantity q;
    const std::string text = name.toStdString();
    if (QuantityFromName(text, q) &&
        std::find(p.quantities.begin(), p.quantities.end(), q) == p.quantities.end()) {
      p.quantities.push_back(q);
    }
  }
  if (!profile.contains(kQuantitiesKey)) p.quantities = DefaultReadoutQuantities();
  return p;
}

void SaveMeasureVisible(bool visible) { UserProfile().setValue(kVisibleKey, visible); }

void SaveMeasureStatistics(bool statistics) { UserProfile().setValue(kStatisticsKey, statistics); }

void SaveMeasureQuantities(const std::vector<Quantity>& quantities) {
  QStringList names;
  for (Quantity q : quantities)
    names << QString::fromUtf8(QuantityName(q).data(), static_cast<int>(QuantityName(q).size()));
  UserProfile().setValue(kQuantitiesKey, names);
}
