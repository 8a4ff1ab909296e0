#include "shell/feature_parameter_list.h"

#if AURIVUE_FEATURE_RESPONSE
#include "features/response/response_parameters.h"
#endif

const std::vector<const ParameterTable*>& FeatureParameterTables() {
  static const std::vector<const ParameterTable*> tables = {
#if AURIVUE_FEATURE_RESPONSE
    &ResponseParameters(),
#endif
  };
  return tables;
}

const Parameter* FindFeatureOption(const std::string& name) {
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (const Parameter* p = table->FindOption(name)) return p;
  }
  return nullptr;
}
