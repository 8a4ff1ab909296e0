#pragma once

#include <string>

#include "analysis/trigger_state.h"

// Why a scripted run that waits for triggered updates ends: "the trigger never fired: no rising
// crossing of 100 mV on the left channel in 3 s of input (0 of 4 updates after POWER)", or
// "stopped firing" once some updates came. (The trigger's options are declared with its
// parameters: features/trigger_parameters.h.)
std::string TriggerNeverFiredText(const TriggerSettings& settings, bool twoChannels, double seconds,
                                  int updates, int wanted);
