#include "features/spectrogram/spectrogram_parameters.h"

#include "analysis/color_map.h"

namespace {

ParameterTable MakeTable() {
  using S = SpectrogramOptions;
  ParameterTable t = MakeParameterTable<S>(
      "Spectrogram",
      {
          // The profile keeps the map by name, as the setup does.
          ChoiceParameter(
              "color-map", &S::colorMap,
              {{"ember", kColorMapEmber}, {"glacier", kColorMapGlacier}, {"grey", kColorMapGrey}})
              .ProfileAsText("ColorMap"),
          NumberParameter("db-bottom", &S::dbBottom).Profile("DbBottom"),
          NumberParameter("db-top", &S::dbTop).Profile("DbTop"),
          NumberParameter("span", &S::spanSeconds).Profile("SpanSeconds"),
          ChoiceParameter("overlap", &S::overlapPercent, {{"50", 50}, {"75", 75}})
              .Profile("Overlap"),
      });
  // The level range is judged as a pair and the span against its limits once all are read.
  t.sanitize = [](void* o) {
    auto* options = static_cast<S*>(o);
    *options = SanitizedSpectrogramOptions(*options);
  };
  return t;
}

}  // namespace

const ParameterTable& SpectrogramParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}
