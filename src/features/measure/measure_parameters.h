#pragma once

#include "features/measure/measure_settings.h"
#include "platform/parameter.h"

// The readout's parameters over MeasureSettings: its setup entries and profile values. The
// quantities are a list of names, separated by commas; a name this version does not know is
// passed over and reported, as a setup of a later version may hold one.
const ParameterTable& MeasureParameters();
