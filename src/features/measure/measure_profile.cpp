#include "features/measure/measure_profile.h"

#include "features/measure/measure_parameters.h"
#include "platform/parameter_profile.h"

const std::vector<Quantity>& DefaultReadoutQuantities() {
  static const std::vector<Quantity> quantities = {
      Quantity::kFrequency, Quantity::kVpp,  Quantity::kRms,   Quantity::kAcRms,
      Quantity::kMean,      Quantity::kDbfs, Quantity::kThdDb, Quantity::kThdNDb,
      Quantity::kSinad,     Quantity::kSnr,  Quantity::kEnob};
  return quantities;
}

MeasureSettings LoadMeasureProfile() {
  MeasureSettings s;
  // A profile that never held a list reads as the default quantities; an empty one, as none.
  s.quantities = DefaultReadoutQuantities();
  LoadParameterProfile(MeasureParameters(), &s);
  return s;
}

void SaveMeasureVisible(bool visible) {
  MeasureSettings s;
  s.readout = visible;
  SaveParameterProfile(MeasureParameters(), &s, "readout");
}

void SaveMeasureStatistics(bool statistics) {
  MeasureSettings s;
  s.statistics = statistics;
  SaveParameterProfile(MeasureParameters(), &s, "statistics");
}

void SaveMeasureQuantities(const std::vector<Quantity>& quantities) {
  MeasureSettings s;
  s.quantities = quantities;
  SaveParameterProfile(MeasureParameters(), &s, "quantities");
}
