#pragma once

#include "analysis/trigger_state.h"

// The trigger's settings in the per-user profile (never in Aurivue.ini). Missing or unusable
// entries read as their defaults, so a profile without any gives the trigger Off.
TriggerSettings LoadTriggerProfile();
void SaveTriggerProfile(const TriggerSettings& settings);
