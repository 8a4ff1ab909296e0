#include "analysis/generator_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
