#include "analysis/generator_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

double LevelDbfs(double level) {
  if (!(level > 0.0)) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(level);
}

double LevelFromDbfs(double dbfs) {
  if (!(dbfs >= -200.0)) return 0.0;
  return std::pow(10.0, std::min(dbfs, 0.0) / 20.0);
}

double SineRmsMillivolts(double level, double fullScaleMv) {
  return level * fullScaleMv / std::sqrt(2.0);
}

double LevelFromSineRmsMillivolts(double millivolts, double fullScaleMv) {
  if (!(fullScaleMv > 0.0) || !(millivolts > 0.0)) return 0.0;
  return std::min(1.0, millivolts * std::sqrt(2.0) / fullScaleMv);
}

std::string ToneListText(const ChannelSetup& channel) {
  // Without the locale: where the decimal mark is a comma, "1000,5" would read back as two tones.
  auto number = [](double v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
  };
  std::string text;
  for (int t = 0; t < std::clamp(channel.toneCount, 0, ChannelSetup::kMaxTones); ++t) {
    if (!text.empty()) text += ", ";
    text += number(channel.toneHz[t]);
    if (channel.toneDb[t] != 0.0) text += "@" + number(channel.toneDb[t]);
  }
  return text;
}

namespace {

// A decimal number, whole text, without the locale (strtod would want "1000,5" in some).
bool ReadDecimal(const std::string& text, double& v) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, v);
  return first != last && ec == std::errc() && end == last;
}

}  // namespace

bool ParseToneList(const std::string& text, double maxHz, ChannelSetup* channel,
                   std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  std::array<double, ChannelSetup::kMaxTones> hz{};
  std::array<double, ChannelSetup::kMaxTones> db{};
  int count = 0;
  // Spaces around a tone's "@" belong to that tone ("1000 @ -6").
  std::string joined;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool blank = text[i] == ' ' || text[i] == '\t';
    if (blank) {
      size_t j = i;
      while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
      if ((!joined.empty() && joined.back() == '@') || (j < text.size() && text[j] == '@')) {
        i = j - 1;
        continue;
      }
    }
    joined += text[i];
  }
  auto separator = [](char c) { return c == ',' || c == ';' || c == ' ' || c == '\t'; };
  size_t at = 0;
  while (at < joined.size()) {
    if (separator(joined[at])) {
      ++at;
      continue;
    }
    size_t end = at;
    while (end < joined.size() && !separator(joined[end])) ++end;
    const std::string item = joined.substr(at, end - at);
    at = end;
    if (count == ChannelSetup::kMaxTones)
      return fail("at most " + std::to_string(ChannelSetup::kMaxTones) + " tones");
    const size_t sign = item.find('@');
    const std::string freq = item.substr(0, sign);
    double f = 0.0;
    if (!ReadDecimal(freq, f) || !(f > 0.0) || !(f <= maxHz)) {
      char limit[32];
      std::snprintf(limit, sizeof limit, "%g", maxHz);
      return fail("\"" + item + "\" is no frequency above 0 and up to " + limit + " Hz");
    }
    double level = 0.0;
    if (sign != std::string::npos) {
      std::string word = item.substr(sign + 1);
      if (word.size() > 2 && (word.compare(word.size() - 2, 2, "dB") == 0 ||
                              word.compare(word.size() - 2, 2, "db") == 0))
        word.resize(word.size() - 2);
      if (!ReadDecimal(word, level) || !(level >= -120.0 && level <= 0.0))
        return fail("\"" + item + "\": a tone's level is from -120 to 0 dB");
    }
    hz[count] = f;
    db[count] = level;
    ++count;
  }
  if (count == 0) return fail("no tone: list at least one frequency");
  channel->toneCount = count;
  channel->toneHz = hz;
  channel->toneDb = db;
  return true;
}

const char* WaveformWord(Waveform waveform) {
  switch (waveform) {
    case Waveform::Sine:
      return "sine";
    case Waveform::Square:
      return "square";
    case Waveform::Triangle:
      return "triangle";
    case Waveform::Sawtooth:
      return "sawtooth";
    case Waveform::Pulse:
      return "pulse";
    case Waveform::WhiteNoise:
      return "noise";
    case Waveform::PinkNoise:
      return "pink";
    case Waveform::Multitone:
      return "multitone";
    case Waveform::Sweep:
      return "sweep";
    case Waveform::Recording:
      return "file";
  }
  return "";
}

namespace {

// Hertz with as many decimals as the setting needs (to 1 mHz), without trailing zeros.
std::string Hertz(double hz) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f", hz);
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s + " Hz";
}

std::string ChannelText(const ChannelSetup& ch) {
  if (!ch.on || !(ch.level > 0.0)) return "off";
  std::string what = WaveformWord(ch.waveform);
  if (ch.waveform == Waveform::Sweep) {
    what += " " + Hertz(ch.sweepStartHz) + "-" + Hertz(ch.sweepStopHz);
  } else if (ch.waveform != Waveform::WhiteNoise && ch.waveform != Waveform::PinkNoise &&
             ch.waveform != Waveform::Multitone && ch.waveform != Waveform::Recording) {
    what += " " + Hertz(ch.frequency);
  }
  char level[32];
  std::snprintf(level, sizeof level, " %.1f dBFS", LevelDbfs(ch.level));
  return what + level;
}

}  // namespace

std::string OutputPaneText(const GeneratorSetup& setup, uint64_t underruns) {
  std::string text = "OUT";
  for (int c = 0; c < 2; ++c) {
    const ChannelSetup& ch = setup.channels[c];
    char level[32] = "off";
    if (ch.on && ch.level > 0.0) std::snprintf(level, sizeof level, "%.1f", LevelDbfs(ch.level));
    text += std::string(c == 0 ? " L " : " R ") + level;
  }
  return text + " dBFS | " + std::to_string(underruns) +
         (underruns == 1 ? " underrun" : " underruns");
}

std::string OutputPaneDetail(const GeneratorSetup& setup) {
  return "L " + ChannelText(setup.channels[0]) + ", R " + ChannelText(setup.channels[1]);
}
