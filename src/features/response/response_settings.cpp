#include "features/response/response_settings.h"

#include "features/response/response_parameters.h"
#include "platform/parameter_profile.h"

ResponseSettings& CurrentResponseSettings() {
  static ResponseSettings settings;
  return settings;
}

ResponseSettings LoadResponseProfile() {
  ResponseSettings s;
  LoadParameterProfile(ResponseParameters(), &s);
  return s;
}

void SaveResponseProfile(const ResponseSettings& s) {
  SaveParameterProfile(ResponseParameters(), &s);
}
