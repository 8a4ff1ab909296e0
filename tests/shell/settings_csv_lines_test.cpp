// The CSV lines of the spectrum analyser's and the trigger's choices, made from their
// declarations and registered by the start, as files have always had them.
#include "shell/settings_csv_lines.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/app_state.h"
#include "analysis/trigger_state.h"
#include "view/csv_export.h"
#include "view/trigger_control.h"

namespace {

TEST(CsvMetadataTest, SpectrumAndTriggerChoicesInForceAreNamed) {
  RegisterSettingsCsvLines();
  AppState app;
  app.m_nDisplayMode = 600;
  app.m_spectrum.fftSize = 8192;
  app.m_spectrum.scale = 1;
  app.m_spectrum.logAxis = true;
  app.m_spectrum.average = 2;
  app.m_spectrum.averageCount = 16;
  app.m_spectrum.peakHold = true;
  TriggerSettings t;
  t.mode = TriggerMode::kNormal;
  t.levelMv = -12.5;
  const TriggerSettings before = CurrentTrigger().Settings();
  CurrentTrigger().SetSettings(t);
  const CsvMetadata m = CollectCsvMetadata(app, "");
  CurrentTrigger().SetSettings(before);
  auto value = [&m](const std::string& name) {
    for (const auto& [n, v] : m) {
      if (n == name) return v;
    }
    return std::string("(missing)");
  };
  EXPECT_EQ(value("spectrum_fft_size"), "8192");
  EXPECT_EQ(value("spectrum_scale"), "dbfs");
  EXPECT_EQ(value("frequency_axis"), "log");
  EXPECT_EQ(value("average"), "lin:16");
  EXPECT_EQ(value("peak_hold"), "on");
#if AURIVUE_FEATURE_TRIGGER
  EXPECT_EQ(value("trigger"), "normal");
  EXPECT_EQ(value("trigger_level_mv"), "-12.5");
#else
  // A build without the trigger writes none of its lines, whatever the trigger holds.
  EXPECT_EQ(value("trigger"), "(missing)");
#endif
}

// Every line, in its order and words, for choices at their defaults and away from them: the
// lines that follow the built-in ones.
TEST(CsvMetadataTest, SpectrumAndTriggerLinesKeepTheirOrderAndWords) {
  RegisterSettingsCsvLines();
  SpectrumOptions exp;
  exp.fftSize = 65536;
  exp.scale = 2;
  exp.average = 1;
  exp.averageSeconds = 2.5;
  exp.minimumHold = true;
  exp.flatTop = true;
  SpectrumOptions lin;
  lin.fftSize = 1024;
  lin.average = 2;
  lin.averageCount = 1000;
  lin.peakHold = true;
  TriggerSettings normal;
  normal.mode = TriggerMode::kNormal;
  normal.source = 1;
  normal.slope = TriggerSlope::kEither;
  normal.levelMv = -100000;
  normal.hysteresisDiv = 0.00002;
  normal.positionPercent = 33.333333333333336;
  normal.holdoffMs = 1234.5678;
  TriggerSettings single;
  single.mode = TriggerMode::kSingle;
  single.roll = true;
  const CsvMetadata spectrumExp = {{"spectrum_fft_size", "65536"}, {"spectrum_scale", "dbv"},
                                   {"frequency_axis", "linear"},   {"average", "exp:2.5"},
                                   {"peak_hold", "off"},           {"minimum_hold", "on"},
                                   {"flat_top_levels", "on"}};
  const CsvMetadata spectrumLin = {{"spectrum_fft_size", "1024"}, {"spectrum_scale", "linear"},
                                   {"frequency_axis", "linear"},  {"average", "lin:1000"},
                                   {"peak_hold", "on"},           {"minimum_hold", "off"},
                                   {"flat_top_levels", "off"}};
  CsvMetadata triggerNormal = {{"trigger", "normal"},
                               {"trigger_source", "right"},
                               {"trigger_slope", "either"},
                               {"trigger_level_mv", "-1e+05"},  // as every number of the file
                               {"trigger_hysteresis_div", "2e-05"},
                               {"trigger_position_percent", "33.333333333333336"},
                               {"trigger_holdoff_ms", "1234.5678"}};
  CsvMetadata triggerSingle = {{"trigger", "single"},
                               {"trigger_source", "left"},
                               {"trigger_slope", "rising"},
                               {"trigger_level_mv", "0"},
                               {"trigger_hysteresis_div", "0.1"},
                               {"trigger_position_percent", "10"},
                               {"trigger_holdoff_ms", "0"}};
#if !AURIVUE_FEATURE_TRIGGER
  triggerNormal.clear();
  triggerSingle.clear();
#endif
  struct Case {
    SpectrumOptions spectrum;
    TriggerSettings trigger;
    std::vector<const CsvMetadata*> lines;
  };
  const Case cases[] = {
      {SpectrumOptions(), TriggerSettings(), {}},    {exp, TriggerSettings(), {&spectrumExp}},
      {SpectrumOptions(), normal, {&triggerNormal}}, {lin, single, {&spectrumLin, &triggerSingle}},
      {exp, normal, {&spectrumExp, &triggerNormal}},
  };
  const TriggerSettings before = CurrentTrigger().Settings();
  for (const Case& c : cases) {
    AppState app;
    app.m_nDisplayMode = 600;
    app.m_spectrum = c.spectrum;
    CurrentTrigger().SetSettings(c.trigger);
    const CsvMetadata m = CollectCsvMetadata(app, "");
    CurrentTrigger().SetSettings(before);
    const auto display =
        std::find_if(m.begin(), m.end(), [](const auto& line) { return line.first == "display"; });
    ASSERT_NE(display, m.end());
    CsvMetadata want;
    for (const CsvMetadata* lines : c.lines) want.insert(want.end(), lines->begin(), lines->end());
    // The lines of other sources (the features' own) may follow; these come first.
    const CsvMetadata got(
        display + 1, display + 1 + std::min<std::ptrdiff_t>(m.end() - display - 1, want.size()));
    EXPECT_EQ(got, want) << c.lines.size();
  }
}

}  // namespace
