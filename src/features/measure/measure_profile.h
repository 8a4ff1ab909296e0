#pragma once

#include <vector>

#include "features/measure/measure_settings.h"

// The readout's preferences, kept in the per-user profile (never in Aurivue.ini). Missing or
// unusable entries read as: hidden, no statistics, the default quantities.
MeasureSettings LoadMeasureProfile();
void SaveMeasureVisible(bool visible);
void SaveMeasureStatistics(bool statistics);
void SaveMeasureQuantities(const std::vector<Quantity>& quantities);

// What the readout shows until the user chooses.
const std::vector<Quantity>& DefaultReadoutQuantities();
