#include "shell/feature_parameter_list.h"

#if AURIVUE_FEATURE_TRIGGER
#include "features/trigger_parameters.h"
#endif
#if AURIVUE_FEATURE_SPECTRUM
#include "features/spectrum/spectrum_parameters.h"
#endif
#if AURIVUE_FEATURE_GENERATOR
#include "features/generator/generator_parameters.h"
#endif
#if AURIVUE_FEATURE_MEASURE
#include "features/measure/measure_parameters.h"
#endif
#if AURIVUE_FEATURE_RESPONSE
#include "features/response/response_parameters.h"
#endif
#if AURIVUE_FEATURE_SPECTROGRAM
#include "features/spectrogram/spectrogram_parameters.h"
#endif
#if AURIVUE_FEATURE_CURSORS
#include "features/cursors/cursor_parameters.h"
#endif

const std::vector<const ParameterTable*>& FeatureParameterTables() {
  static const std::vector<const ParameterTable*> tables = {
#if AURIVUE_FEATURE_TRIGGER
    &TriggerParameters(),
#endif
#if AURIVUE_FEATURE_SPECTRUM
    &SpectrumParameters(),
#endif
#if AURIVUE_FEATURE_GENERATOR
    &GeneratorParameters(),
#endif
#if AURIVUE_FEATURE_MEASURE
    &MeasureParameters(),
#endif
#if AURIVUE_FEATURE_RESPONSE
    &ResponseParameters(),
#endif
#if AURIVUE_FEATURE_SPECTROGRAM
    &SpectrogramParameters(),
#endif
#if AURIVUE_FEATURE_CURSORS
    &CursorParameters(),
#endif
  };
  return tables;
}

const Parameter* FindFeatureFlag(const std::string& name) {
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (const Parameter* p = table->FindFlag(name)) return p;
  }
  return nullptr;
}

const Parameter* FindFeatureOption(const std::string& name) {
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (const Parameter* p = table->FindOption(name)) return p;
  }
  return nullptr;
}
