#include "shell/feature_list.h"

#include "features/generator/generator_feature.h"
#include "shell/setup_commands.h"

InstrumentFeatures MakeInstrumentFeatures(CMainFrame* frame) {
  InstrumentFeatures features;
  features.push_back(std::make_unique<SetupCommands>(frame));
  features.push_back(std::make_unique<GeneratorFeature>());
  return features;
}
