#include "shell/trigger_options.h"

#include <cmath>
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
  return settings.Limited();
}

bool IsTriggerOption(const std::string& name) {
  return name == "--trigger" || name == "--trigger-source" || name == "--trigger-slope" ||
         name == "--trigger-level" || name == "--trigger-position" || name == "--trigger-holdoff";
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
    const std::optional<double> percent = ParseDecimal(value);
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
  } else {
    return "unknown option " + name;
  }
  return std::string();
}

const char* TriggerUsageText() {
  return "  --trigger MODE    trigger of the oscillograph: off, auto, normal or single\n"
         "                    (default: as last set in the Trigger menu, else off)\n"
         "  --trigger-source CHANNEL  left or right\n"
         "  --trigger-slope SLOPE     rising, falling or either\n"
         "  --trigger-level MV        trigger level in mV (the oscillograph's units)\n"
         "  --trigger-position PERCENT  trigger point, 0..100 % of the screen from the left\n"
         "                    (default 10)\n"
         "  --trigger-holdoff MS      no new trigger for MS ms after one (0..5000)\n";
}
