#pragma once

#include "features/response/response_settings.h"
#include "platform/parameter.h"

// The response analyser's parameters over ResponseSettings: its options, setup entries,
// profile values and CSV lines.
const ParameterTable& ResponseParameters();
