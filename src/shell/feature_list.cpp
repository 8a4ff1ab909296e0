#include "shell/feature_list.h"

#include "shell/setup_commands.h"
#if AURIVUE_FEATURE_LIVE
#include "features/live/live_feature.h"
#endif
#if AURIVUE_FEATURE_DATA_OUT
#include "features/data_out/data_out_feature.h"
#endif
#if AURIVUE_FEATURE_TRIGGER
#include "features/trigger/trigger_feature.h"
#endif
#if AURIVUE_FEATURE_SPECTRUM
#include "features/spectrum/spectrum_feature.h"
#endif
#if AURIVUE_FEATURE_MEASURE
#include "features/measure/measure_feature.h"
#endif
#if AURIVUE_FEATURE_RESPONSE
#include "features/response/response_feature.h"
#endif
#if AURIVUE_FEATURE_SPECTROGRAM
#include "features/spectrogram/spectrogram_feature.h"
#endif
#if AURIVUE_FEATURE_CURSORS
#include "features/cursors/cursors_feature.h"
#endif
#if AURIVUE_FEATURE_GENERATOR
#include "features/generator/generator_feature.h"
#endif

// A feature left out of the build (AURIVUE_FEATURES_EXCLUDE) is left out of the list.
InstrumentFeatures MakeInstrumentFeatures(CMainFrame* frame) {
  InstrumentFeatures features;
#if AURIVUE_FEATURE_LIVE
  features.push_back(std::make_unique<LiveFeature>());
#endif
#if AURIVUE_FEATURE_DATA_OUT
  features.push_back(std::make_unique<DataOutFeature>());
#endif
#if AURIVUE_FEATURE_TRIGGER
  features.push_back(std::make_unique<TriggerFeature>());
#endif
#if AURIVUE_FEATURE_SPECTRUM
  features.push_back(std::make_unique<SpectrumFeature>());
#endif
  features.push_back(std::make_unique<SetupCommands>(frame));
#if AURIVUE_FEATURE_GENERATOR
  features.push_back(std::make_unique<GeneratorFeature>());
#endif
#if AURIVUE_FEATURE_MEASURE
  features.push_back(std::make_unique<MeasureFeature>());
#endif
#if AURIVUE_FEATURE_RESPONSE
  features.push_back(std::make_unique<ResponseFeature>());
#endif
#if AURIVUE_FEATURE_SPECTROGRAM
  features.push_back(std::make_unique<SpectrogramFeature>());
#endif
#if AURIVUE_FEATURE_CURSORS
  features.push_back(std::make_unique<CursorsFeature>());
#endif
  return features;
}
