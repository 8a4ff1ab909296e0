#include "shell/trigger_options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

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

std::string Quoted(const std::string& value) { return ", not \"" + value + "\""; }

}  // namespace

TriggerSettings TriggerOptions::Over(TriggerSettings settings) const {
  if (mode) settings.mode = *mode;
  if (source) settings.source = *source;
  if (slope) settings.slope = *slope;
  if (levelMv) settings.levelMv = *levelMv;
  if (positionPercent) settings.positionPercent = *positionPercent;
  if (holdoffMs) settings.holdoffMs = *holdoffMs;
  if (hysteresisDiv) settings.hysteresisDiv = *hysteresisDiv;
  return settings.Limited();
}

bool IsTriggerOption(const std::string& name) {
  return name == "--trigger" || name == "--trigger-source" || name == "--trigger-slope" ||
         name == "--trigger-level" || name == "--trigger-position" || name == "--trigger-holdoff" ||
         name == "--trigger-hysteresis";
}

std::string ApplyTriggerOption(TriggerOptions& o, const std::string& name,
                               const std::string& value) {
  if (name == "--trigger") {
    TriggerMode mode;
    if (!ParseTriggerMode(value, mode)) {
      return "--trigger needs off, auto, normal or single" + Quoted(value);
    }
    o.mode = mode;
  } else if (name == "--trigger-source") {
    int source = 0;
    if (!ParseTriggerSource(value, source)) {
      return "--trigger-source needs left or right" + Quoted(value);
    }
    o.source = source;
  } else if (name == "--trigger-slope") {
    TriggerSlope slope;
    if (!ParseTriggerSlope(value, slope)) {
      return "--trigger-slope needs rising, falling or either" + Quoted(value);
    }
    o.slope = slope;
  } else if (name == "--trigger-level") {
    const std::optional<double> mv = ParseDecimal(value);
    if (!mv || std::fabs(*mv) > kMaxTriggerLevelMv) {
      return "--trigger-level needs a level in mV from -100000 to 100000" + Quoted(value);
    }
    o.levelMv = *mv;
  } else if (name == "--trigger-position") {
    // "50%" and "50" alike, as the value is written in the dialog and in the help.
    const bool sign = !value.empty() && value.back() == '%';
    const std::optional<double> percent =
        ParseDecimal(sign ? value.substr(0, value.size() - 1) : value);
    if (!percent || *percent < 0 || *percent > 100) {
      return "--trigger-position needs a share of the screen from 0 to 100 %" + Quoted(value);
    }
    o.positionPercent = *percent;
  } else if (name == "--trigger-holdoff") {
    const std::optional<double> ms = ParseDecimal(value);
    if (!ms || *ms < 0 || *ms > kMaxTriggerHoldoffMs) {
      return "--trigger-holdoff needs a time in ms from 0 to 5000" + Quoted(value);
    }
    o.holdoffMs = *ms;
  } else if (name == "--trigger-hysteresis") {
    const std::optional<double> div = ParseDecimal(value);
    if (!div || *div < 0 || *div > kMaxTriggerHysteresisDiv) {
      return "--trigger-hysteresis needs a share of a division from 0 to 2" + Quoted(value);
    }
    o.hysteresisDiv = *div;
  } else {
    return "unknown option " + name;
  }
  return std::string();
}

std::string TriggerNeverFiredText(const TriggerSettings& settings, bool twoChannels, double seconds,
                                  int updates, int wanted) {
  const char* slope = settings.slope == TriggerSlope::kRising    ? "rising"
                      : settings.slope == TriggerSlope::kFalling ? "falling"
                                                                 : "rising or falling";
  char level[32];
  std::snprintf(level, sizeof level, "%g", settings.levelMv);
  char time[32];
  std::snprintf(time, sizeof time, "%g", seconds);
  const char* channel = twoChannels && settings.source == 1 ? "right" : "left";
  return std::string("the trigger ") + (updates > 0 ? "stopped firing" : "never fired") + ": no " +
         slope + " crossing of " + level + " mV on the " + channel + " channel in " + time +
         " s of input (" + std::to_string(updates) + " of " + std::to_string(wanted) +
         " updates were made after POWER; the level, slope or --trigger auto may help)";
}

const char* TriggerUsageText() {
  return "  --trigger MODE    trigger of the oscillograph: off, auto, normal or single\n"
         "                    (default: as last set in the Trigger menu, else off)\n"
         "  --trigger-source CHANNEL  left or right\n"
         "  --trigger-slope SLOPE     rising, falling or either\n"
         "  --trigger-level MV        trigger level in mV (the oscillograph's units)\n"
         "  --trigger-position PERCENT  trigger point, 0..100 % of the screen from the left\n"
         "                    (default 10; 50 and 50% alike)\n"
         "  --trigger-holdoff MS      no new trigger for MS ms after one (0..5000)\n"
         "  --trigger-hysteresis DIV  hysteresis, 0..2 vertical divisions of the source\n"
         "                    channel's chart (default 0.1)\n";
}
