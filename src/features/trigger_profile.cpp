#include "features/trigger_profile.h"

#include "features/trigger_parameters.h"
#include "platform/parameter_profile.h"

TriggerSettings LoadTriggerProfile() {
  TriggerSettings s;
  LoadParameterProfile(TriggerParameters(), &s);
  return s;
}

void SaveTriggerProfile(const TriggerSettings& settings) {
  SaveParameterProfile(TriggerParameters(), &settings);
}
