#include "features/generator/generator_parameters.h"

#include <charconv>
#include <cmath>
#include <string>

#include "analysis/generator_texts.h"

namespace {

using S = GeneratorSettings;

constexpr double kMaxHz = 96000.0;
constexpr double kLowestDbfs = -120.0;  // the panel's lowest level

const S& Of(const void* s) { return *static_cast<const S*>(s); }
S& Of(void* s) { return *static_cast<S*>(s); }

// The shortest plain decimal of shown that reads back, through stored, as the very value a
// setting holds: a level kept in a fraction of full scale and written in dBFS comes back
// unchanged from a setup or the profile, instead of a hair off at every round.
std::string ExactText(double value, double shown, double (*stored)(double)) {
  for (int decimals = 0; decimals <= 17; ++decimals) {
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, shown, std::chars_format::fixed, decimals);
    if (ec != std::errc()) break;
    const std::string t(text, end);
    double back = 0;
    if (ReadParameterNumber(t, back) && stored(back) == value) return t == "-0" ? "0" : t;
  }
  return ParameterNumberText(shown);
}

double FromDbfs(double dbfs) { return LevelFromDbfs(dbfs); }
double FromPercent(double percent) { return percent / 100.0; }

// A channel's field as a number: the typed builders take a member of the settings themselves.
template <typename F>
Parameter ChannelField(Parameter p, int c, F ChannelSetup::*field) {
  p.get = [c, field](const void* s) { return parameter_detail::Widened(Of(s).channels[c].*field); };
  p.set = [c, field](void* s, double v) {
    Of(s).channels[c].*field = parameter_detail::Narrowed<F>(v);
  };
  return p;
}

Parameter Plain(ParameterKind kind, std::string key) {
  Parameter p;
  p.key = std::move(key);
  p.kind = kind;
  return p;
}

// A fraction (of full scale) a setup writes in the panel's unit: shown(v) for v, stored(text)
// back; values outside [lo, hi] of the panel's unit are refused.
Parameter ScaledFraction(std::string key, std::string needs, double lo, double hi,
                         double (*shown)(double), double (*stored)(double),
                         std::function<double&(S&)> field) {
  auto get = [field](const S& s) { return field(const_cast<S&>(s)); };
  return CustomParameter<S>(
      std::move(key), std::move(needs),
      [get, lo, hi, shown, stored](const S& s) {
        const double v = get(s);
        return ExactText(v, std::clamp(shown(v), lo, hi), stored);
      },
      [field, lo, hi, stored](const std::string& text, S& s) {
        double v = 0;
        if (!ReadParameterNumber(text, v) || v < lo || v > hi) return false;
        field(s) = stored(v);
        return true;
      });
}

ProfileField StoredFraction(const char* key, double lo, double hi,
                            std::function<double&(S&)> field) {
  ProfileField f;
  f.key = key;
  f.type = ProfileType::kDouble;
  f.get = [field](const void* s) { return field(const_cast<S&>(Of(s))); };
  f.set = [field](void* s, double v) { field(Of(s)) = v; };
  f.lo = lo;
  f.hi = hi;
  return f;
}

void AddChannel(std::vector<Parameter>& parameters, int c) {
  const std::string side = c == 0 ? "left-" : "right-";
  // The profile's keys are those the generator has always kept.
  struct Keys {
    const char *on, *waveform, *frequency, *level, *duty, *tones, *sweepStart, *sweepStop,
        *sweepSeconds, *sweepRepeat;
  };
  static const Keys kKeys[2] = {
      {"LeftOn", "LeftWaveform", "LeftFrequency", "LeftLevel", "LeftDuty", "LeftTones",
       "LeftSweepStart", "LeftSweepStop", "LeftSweepSeconds", "LeftSweepRepeat"},
      {"RightOn", "RightWaveform", "RightFrequency", "RightLevel", "RightDuty", "RightTones",
       "RightSweepStart", "RightSweepStop", "RightSweepSeconds", "RightSweepRepeat"}};
  const Keys& keys = kKeys[c];

  parameters.push_back(ChannelField(Plain(ParameterKind::kOnOff, side + "on"), c, &ChannelSetup::on)
                           .Profile(keys.on));

  Parameter waveform =
      ChannelField(Plain(ParameterKind::kChoice, side + "waveform"), c, &ChannelSetup::waveform);
  for (Waveform w :
       {Waveform::Sine, Waveform::Square, Waveform::Triangle, Waveform::Sawtooth, Waveform::Pulse,
        Waveform::WhiteNoise, Waveform::PinkNoise, Waveform::Multitone, Waveform::Sweep}) {
    waveform.choices.push_back({WaveformWord(w), static_cast<int>(w)});
  }
  // A recording is played for one start only and is no file's to keep: it is kept as a sine.
  waveform.get = [c](const void* s) {
    const Waveform w = Of(s).channels[c].waveform;
    return static_cast<double>(w == Waveform::Recording ? Waveform::Sine : w);
  };
  parameters.push_back(waveform.Profile(keys.waveform));

  parameters.push_back(
      ChannelField(Plain(ParameterKind::kNumber, side + "frequency"), c, &ChannelSetup::frequency)
          .Profile(keys.frequency)
          .Range(0.001, kMaxHz, "hertz"));

  auto level = [c](S& s) -> double& { return s.channels[c].level; };
  parameters.push_back(ScaledFraction(side + "level", "a level in dBFS from -120 to 0", kLowestDbfs,
                                      0.0, LevelDbfs, FromDbfs, level)
                           .ProfileFields({StoredFraction(keys.level, 0.0, 1.0, level)}));

  parameters.push_back(
      ChannelField(Plain(ParameterKind::kNumber, side + "duty"), c, &ChannelSetup::dutyPercent)
          .Profile(keys.duty)
          .Range(1.0, 99.0, "percent"));
  // Phase and offset are kept by setups only: a start never puts a DC offset on the output.
  parameters.push_back(
      ChannelField(Plain(ParameterKind::kNumber, side + "phase"), c, &ChannelSetup::phaseDegrees)
          .Range(-360.0, 360.0, "degrees"));
  parameters.push_back(ScaledFraction(
      side + "dc-offset", "a DC offset in percent of full scale from -100 to 100", -100.0, 100.0,
      [](double v) { return 100.0 * v; }, FromPercent,
      [c](S& s) -> double& { return s.channels[c].dcOffset; }));

  parameters.push_back(CustomParameter<S>(
                           side + "tones",
                           "1 to 32 tones FREQ[@DB] in hertz, as 100, 1000@-6, 5000@-12",
                           [c](const S& s) { return ToneListText(s.channels[c]); },
                           [c](const std::string& text, S& s) {
                             return ParseToneList(text, kMaxHz, &s.channels[c], nullptr);
                           })
                           .ProfileAsText(keys.tones));

  parameters.push_back(ChannelField(Plain(ParameterKind::kNumber, side + "sweep-start"), c,
                                    &ChannelSetup::sweepStartHz)
                           .Profile(keys.sweepStart)
                           .Range(0.001, kMaxHz, "hertz"));
  parameters.push_back(ChannelField(Plain(ParameterKind::kNumber, side + "sweep-stop"), c,
                                    &ChannelSetup::sweepStopHz)
                           .Profile(keys.sweepStop)
                           .Range(0.001, kMaxHz, "hertz"));
  parameters.push_back(ChannelField(Plain(ParameterKind::kNumber, side + "sweep-time"), c,
                                    &ChannelSetup::sweepSeconds)
                           .Profile(keys.sweepSeconds)
                           .Range(0.01, 86400.0, "seconds"));
  parameters.push_back(ChannelField(Plain(ParameterKind::kOnOff, side + "sweep-repeat"), c,
                                    &ChannelSetup::sweepRepeat)
                           .Profile(keys.sweepRepeat));
}

ParameterTable MakeTable() {
  std::vector<Parameter> parameters;
  AddChannel(parameters, 0);
  AddChannel(parameters, 1);
  auto step = [](S& s) -> double& { return s.maxLevelStep; };
  parameters.push_back(ScaledFraction(
                           "max-level-rise",
                           "a level rise in percent of full scale from 0.1 to 100", 0.1, 100.0,
                           [](double v) { return 100.0 * v; }, FromPercent, step)
                           .ProfileFields({StoredFraction("MaxLevelStep", 0.001, 1.0, step)}));
  return MakeParameterTable<S>("Generator", std::move(parameters));
}

}  // namespace

const ParameterTable& GeneratorParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}
