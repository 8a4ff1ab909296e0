#pragma once

#include <vector>

#include "analysis/measurements.h"

// The readout's preferences, kept in the per-user profile (never in Aurivue.ini). Missing or
// unusable entries read as: hidden, no statistics, the default quantities.
struct MeasureProfile {
  bool visible = false;
  bool statistics = false;
  std::vector<Quantity> quantities;
};

MeasureProfile LoadMeasureProfile();
void SaveMeasureVisible(bool visible);
void SaveMeasureStatistics(bool statistics);
void SaveMeasureQuantities(const std::vector<Quantity>& quantities);

// What the readout shows until the user chooses.
const std::vector<Quantity>& DefaultReadoutQuantities();
