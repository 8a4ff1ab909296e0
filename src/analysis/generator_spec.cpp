#include "analysis/generator_spec.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

const char* const kGenerateForms =
    "FREQ[,SHAPE[,LEVEL]], left=...;right=..., sweep:F1-F2,SECONDS[,LEVEL] or file:PATH "
    "(SHAPE sine|square|triangle|sawtooth|pulse|pulse:DUTY|noise|pink, LEVEL 0..1 or -NdBFS)";
const char* const kOutputForms = "default, device:NAME, none or file:PATH";

namespace {

bool EndsWith(const std::string& s, const char* tail, size_t* cut) {
  const std::string t(tail);
  if (s.size() <= t.size()) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[s.size() - t.size() + i])) != t[i]) return false;
  }
  *cut = s.size() - t.size();
  return true;
}

// A finite number, optionally followed by one of the units (lower case, matched in any case).
bool ParseNumber(const std::string& s, double* out, std::initializer_list<const char*> units) {
  std::string t = s;
  for (const char* unit : units) {
    size_t cut = 0;
    if (EndsWith(t, unit, &cut)) {
      t.resize(cut);
      break;
    }
  }
  if (t.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end == nullptr || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  if (s.empty()) parts.clear();
  return parts;
}

bool ParseLevel(const std::string& text, double* level, std::string* error) {
  size_t cut = 0;
  if (EndsWith(text, "dbfs", &cut)) {
    double db = 0.0;
    if (!ParseNumber(text.substr(0, cut), &db, {}) || db > 0.0) {
      *error = "level \"" + text + "\" is not a level in dBFS at or below 0 dBFS";
      return false;
    }
    *level = std::pow(10.0, db / 20.0);
    return true;
  }
  if (!ParseNumber(text, level, {}) || *level < 0.0 || *level > 1.0) {
    *error = "level \"" + text + "\" is not within 0..1";
    return false;
  }
  return true;
}

bool ParseShape(const std::string& s, ChannelSetup* ch) {
  static const struct {
    const char* word;
    Waveform waveform;
  } kShapes[] = {{"sine", Waveform::Sine},         {"square", Waveform::Square},
                 {"triangle", Waveform::Triangle}, {"sawtooth", Waveform::Sawtooth},
                 {"pulse", Waveform::Pulse},       {"noise", Waveform::WhiteNoise},
                 {"pink", Waveform::PinkNoise}};
  for (const auto& shape : kShapes) {
    if (s == shape.word) {
      ch->waveform = shape.waveform;
      if (shape.waveform == Waveform::Pulse) ch->dutyPercent = 25.0;
      return true;
    }
  }
  if (s.rfind("pulse:", 0) == 0) {
    double duty = 0.0;
    if (!ParseNumber(s.substr(6), &duty, {"%"}) || duty < 1.0 || duty > 99.0) return false;
    ch->waveform = Waveform::Pulse;
    ch->dutyPercent = duty;
    return true;
  }
  return false;
}

// sweep:F1-F2,SECONDS[,LEVEL]
bool ParseSweep(const std::string& text, ChannelSetup* ch, std::string* error) {
  const std::vector<std::string> items = Split(text.substr(6), ',');
  const char* form = "a sweep is sweep:F1-F2,SECONDS[,LEVEL]";
  if (items.size() < 2 || items.size() > 3) {
    *error = form;
    return false;
  }
  const size_t dash = items[0].find('-', 1);
  double f1 = 0.0, f2 = 0.0, seconds = 0.0;
  if (dash == std::string::npos || !ParseNumber(items[0].substr(0, dash), &f1, {"hz"}) ||
      !ParseNumber(items[0].substr(dash + 1), &f2, {"hz"})) {
    *error = "sweep range \"" + items[0] + "\" is not F1-F2 in hertz";
    return false;
  }
  if (f1 <= 0.0 || f2 <= f1 || f2 > 96000.0) {
    *error = "sweep range \"" + items[0] + "\" needs 0 < F1 < F2 <= 96000 Hz";
    return false;
  }
  if (!ParseNumber(items[1], &seconds, {"s"}) || seconds < 0.01 || seconds > 3600.0) {
    *error = "sweep length \"" + items[1] + "\" is not within 0.01..3600 seconds";
    return false;
  }
  ch->waveform = Waveform::Sweep;
  ch->sweepStartHz = f1;
  ch->sweepStopHz = f2;
  ch->sweepSeconds = seconds;
  ch->sweepRepeat = true;
  return items.size() < 3 || ParseLevel(items[2], &ch->level, error);
}

// FREQ[,SHAPE[,LEVEL]]; a shape word may stand alone ("noise").
bool ParseChannel(const std::string& text, ChannelSetup* ch, std::string* error) {
  if (text.rfind("sweep:", 0) == 0) return ParseSweep(text, ch, error);
  const std::vector<std::string> items = Split(text, ',');
  const char* form = "a channel is FREQ[,SHAPE[,LEVEL]]";
  if (items.empty() || items.size() > 3) {
    *error = form;
    return false;
  }
  size_t i = 0;
  double f = 0.0;
  if (ParseNumber(items[0], &f, {"hz"})) {
    if (f <= 0.0 || f > 96000.0) {
      *error = "frequency \"" + items[0] + "\" is not within 0..96000 Hz";
      return false;
    }
    ch->frequency = f;
    ++i;
  }
  if (i < items.size()) {
    if (!ParseShape(items[i], ch)) {
      *error = items[i].rfind("pulse:", 0) == 0
                   ? "pulse duty \"" + items[i].substr(6) + "\" is not within 1..99 %"
                   : "\"" + items[i] + "\" is neither a frequency nor a shape";
      return false;
    }
    ++i;
  } else if (i == 0) {
    *error = form;
    return false;
  }
  if (i < items.size()) {
    if (!ParseLevel(items[i], &ch->level, error)) return false;
    ++i;
  }
  if (i != items.size()) {
    *error = form;
    return false;
  }
  return true;
}

}  // namespace

bool ParseChannelPair(const std::string& text, std::array<ChannelSetup, 2>* channels,
                      std::string* error) {
  const std::vector<std::string> parts = Split(text, ';');
  if (text.empty() || parts.size() > 2) {
    *error = "tone takes one channel description for both channels or left=...;right=...";
    return false;
  }
  std::array<ChannelSetup, 2> result;
  bool seen[2] = {false, false};
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string part = parts[i];
    int which = parts.size() == 1 ? -1 : static_cast<int>(i);
    if (part.rfind("left=", 0) == 0) {
      which = 0;
      part = part.substr(5);
    } else if (part.rfind("right=", 0) == 0) {
      which = 1;
      part = part.substr(6);
    }
    ChannelSetup ch;
    if (!ParseChannel(part, &ch, error)) return false;
    if (which < 0) {
      result[0] = result[1] = ch;
      seen[0] = seen[1] = true;
    } else {
      if (seen[which]) {
        *error = "a channel is given twice";
        return false;
      }
      result[which] = ch;
      seen[which] = true;
    }
  }
  for (int c = 0; c < 2; ++c) {
    if (!seen[c]) {
      result[c].level = 0.0;
      result[c].on = false;
    }
  }
  *channels = result;
  return true;
}

bool ParseGenerateSpec(const std::string& spec, GenerateSpec* out, std::string* error) {
  GenerateSpec result;
  std::string why;
  if (spec.rfind("file:", 0) == 0) {
    if (spec.size() == 5) why = "file: needs a path";
    result.file = true;
    result.path = spec.substr(5);
  } else if (!ParseChannelPair(spec, &result.channels, &why)) {
    if (spec.empty() || why.rfind("tone takes", 0) == 0) {
      why = "one channel for both or left=...;right=...";
    }
  }
  if (!why.empty()) {
    *error = "--generate \"" + spec + "\": " + why + "; SPEC is " + kGenerateForms;
    return false;
  }
  *out = result;
  return true;
}

bool ParseOutputSpec(const std::string& spec, OutputSpec* out, std::string* error) {
  OutputSpec result;
  std::string why;
  if (spec == "default") {
    result.kind = OutputSpec::Kind::Default;
  } else if (spec == "none") {
    result.kind = OutputSpec::Kind::None;
  } else if (spec.rfind("device:", 0) == 0) {
    result.kind = OutputSpec::Kind::Device;
    result.name = spec.substr(7);
    if (result.name.empty()) why = "device: needs a device name or number";
  } else if (spec.rfind("file:", 0) == 0) {
    result.kind = OutputSpec::Kind::File;
    result.name = spec.substr(5);
    if (result.name.empty()) why = "file: needs a path";
  } else {
    why = "unknown output";
  }
  if (!why.empty()) {
    *error = "--output \"" + spec + "\": " + why + "; SPEC is " + kOutputForms;
    return false;
  }
  *out = result;
  return true;
}
