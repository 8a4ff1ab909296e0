#include "features/trigger_parameters.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

using S = TriggerSettings;

// A plain decimal number ([-+]digits[.digits] or [-+].digits), or nothing: no exponent, no
// hexadecimal, no infinity.
std::optional<double> ParseDecimal(const std::string& text) {
  if (text.empty() || text.size() > 24) return std::nullopt;
  std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  int digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  return std::strtod(text.c_str(), nullptr);
}

// Written as plain decimals too, which is all ParseDecimal takes: the shortest text would give
// "1e+05" for the highest level.
std::string DecimalText(double v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
  return ec == std::errc() ? std::string(text, end) : std::string("0");
}

// A figure of the trigger: a plain decimal from lo to hi.
Parameter Figure(const char* key, double S::*field, double lo, double hi, const char* needs,
                 const char* profileKey) {
  return CustomParameter<S>(
             key, needs, [field](const S& s) { return DecimalText(s.*field); },
             [field, lo, hi](const std::string& text, S& s) {
               const std::optional<double> v = ParseDecimal(text);
               if (!v || *v < lo || *v > hi) return false;
               s.*field = *v;
               return true;
             })
      .ProfileFields({StoredField(profileKey, ProfileType::kDouble, field, lo, hi)});
}

ParameterTable MakeTable() {
  Parameter position = CustomParameter<S>(
      "trigger-position", "a share of the screen from 0 to 100 %",
      [](const S& s) { return DecimalText(s.positionPercent); },
      [](const std::string& text, S& s) {
        // "50%" and "50" alike, as the value is written in the dialog and in the help.
        const bool sign = !text.empty() && text.back() == '%';
        const std::optional<double> percent =
            ParseDecimal(sign ? text.substr(0, text.size() - 1) : text);
        if (!percent || *percent < 0 || *percent > 100) return false;
        s.positionPercent = *percent;
        return true;
      });
  position.ProfileFields(
      {StoredField("PositionPercent", ProfileType::kDouble, &S::positionPercent, 0, 100)});
  ParameterTable t = MakeParameterTable<S>(
      "Trigger",
      {
          ChoiceParameter("trigger", &S::mode,
                          {{"off", static_cast<int>(TriggerMode::kOff)},
                           {"auto", static_cast<int>(TriggerMode::kAuto)},
                           {"normal", static_cast<int>(TriggerMode::kNormal)},
                           {"single", static_cast<int>(TriggerMode::kSingle)}})
              .Option("MODE",
                      "trigger of the oscillograph: off, auto, normal or single\n"
                      "(default: as last set in the Trigger menu, else off)")
              .Profile("Mode", ProfileType::kText)
              .Csv("trigger"),
          ChoiceParameter("trigger-source", &S::source, {{"left", 0}, {"right", 1}})
              .Option("CHANNEL", "left or right")
              .Profile("Source", ProfileType::kText)
              .Csv("trigger_source"),
          ChoiceParameter("trigger-slope", &S::slope,
                          {{"rising", static_cast<int>(TriggerSlope::kRising)},
                           {"falling", static_cast<int>(TriggerSlope::kFalling)},
                           {"either", static_cast<int>(TriggerSlope::kEither)}})
              .Option("SLOPE", "rising, falling or either")
              .Profile("Slope", ProfileType::kText)
              .Csv("trigger_slope"),
          Figure("trigger-level", &S::levelMv, -kMaxTriggerLevelMv, kMaxTriggerLevelMv,
                 "a level in mV from -100000 to 100000", "LevelMv")
              .Option("MV", "trigger level in mV (the oscillograph's units)")
              .Csv("trigger_level_mv")
              .CsvText<S>([](const S& s) { return ParameterNumberText(s.levelMv); }),
          position
              .Option("PERCENT",
                      "trigger point, 0..100 % of the screen from the left\n"
                      "(default 10; 50 and 50% alike)")
              .Csv("trigger_position_percent")
              .CsvText<S>([](const S& s) { return ParameterNumberText(s.positionPercent); }),
          Figure("trigger-holdoff", &S::holdoffMs, 0, kMaxTriggerHoldoffMs,
                 "a time in ms from 0 to 5000", "HoldoffMs")
              .Option("MS", "no new trigger for MS ms after one (0..5000)")
              .Csv("trigger_holdoff_ms")
              .CsvText<S>([](const S& s) { return ParameterNumberText(s.holdoffMs); }),
          Figure("trigger-hysteresis", &S::hysteresisDiv, 0, kMaxTriggerHysteresisDiv,
                 "a share of a division from 0 to 2", "HysteresisDiv")
              .Option("DIV",
                      "hysteresis, 0..2 vertical divisions of the source\n"
                      "channel's chart (default 0.1)")
              .Csv("trigger_hysteresis_div")
              .CsvText<S>([](const S& s) { return ParameterNumberText(s.hysteresisDiv); }),
          OnOffParameter("trigger-roll", &S::roll).Profile("Roll"),
      });
  // A file names the trigger's choices while it is on, its figures written as the file's
  // other numbers are (the shortest text that reads back), not as the setup's plain decimals.
  for (Parameter& p : t.parameters) {
    p.CsvWhen<S>([](const S& s) { return s.mode != TriggerMode::kOff; });
  }
  t.csvOrder = {"trigger",        "trigger-source",     "trigger-slope",
                "trigger-level",  "trigger-hysteresis", "trigger-position",
                "trigger-holdoff"};
  t.helpPlace = ParameterTable::HelpPlace::kSettings;
  t.helpWideColumn = 28;
  // After the spectrum analyser's, a line apart.
  t.helpOrder = 1;
  t.helpHeading = "\n";
  t.sanitize = [](void* s) {
    auto* settings = static_cast<S*>(s);
    *settings = settings->Limited();
  };
  return t;
}

}  // namespace

const ParameterTable& TriggerParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}
