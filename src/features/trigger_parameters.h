#pragma once

#include "analysis/trigger_state.h"
#include "platform/parameter.h"

// The trigger's parameters over TriggerSettings: its options, setup entries and profile values.
// Beside the trigger's profile rather than in the trigger's folder: the start reads the profile
// whether or not the program is built with the trigger's menu.
const ParameterTable& TriggerParameters();
