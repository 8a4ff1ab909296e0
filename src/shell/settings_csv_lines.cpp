#include "shell/settings_csv_lines.h"

#include "acquisition/app_state.h"
#include "view/csv_export.h"
#if AURIVUE_FEATURE_SPECTRUM
#include "features/spectrum/spectrum_parameters.h"
#endif
#if AURIVUE_FEATURE_TRIGGER
#include "features/trigger_parameters.h"
#include "view/trigger_control.h"
#endif

namespace {

void Append(CsvMetadata& metadata, const ParameterTable& table, const void* settings) {
  for (auto& line : ParameterCsvLines(table, settings)) metadata.push_back(std::move(line));
}

}  // namespace

void RegisterSettingsCsvLines() {
  static const bool registered = [] {
#if AURIVUE_FEATURE_SPECTRUM
    AddCsvSettingsSource([](const AppState& app, CsvMetadata& metadata) {
      Append(metadata, SpectrumParameters(), &app.m_spectrum);
    });
#endif
#if AURIVUE_FEATURE_TRIGGER
    AddCsvSettingsSource([](const AppState&, CsvMetadata& metadata) {
      const TriggerSettings settings = CurrentTrigger().Settings();
      Append(metadata, TriggerParameters(), &settings);
    });
#endif
    return true;
  }();
  (void)registered;
}
