#pragma once

#include "acquisition/spectrum_options.h"
#include "platform/parameter.h"

// The spectrum analyser's parameters over SpectrumOptions: its options, setup entries and
// profile values.
const ParameterTable& SpectrumParameters();
