#pragma once

#include <vector>

#include "analysis/measurements.h"

// The readout's choices: whether it is shown beside the display, with statistics or not, and
// the quantities it lists, in their order. An empty list in a setup keeps the readout's own.
struct MeasureSettings {
  bool readout = false;
  bool statistics = false;
  std::vector<Quantity> quantities;
};
