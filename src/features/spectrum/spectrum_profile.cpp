#include "features/spectrum/spectrum_profile.h"

#include "features/spectrum/spectrum_parameters.h"
#include "platform/parameter_profile.h"

SpectrumOptions LoadSpectrumProfile() {
  SpectrumOptions o;
  LoadParameterProfile(SpectrumParameters(), &o);
  return o;
}

void SaveSpectrumProfile(const SpectrumOptions& options) {
  const SpectrumOptions o = SanitizedSpectrumOptions(options);
  SaveParameterProfile(SpectrumParameters(), &o);
}
