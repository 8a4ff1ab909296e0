#include "analysis/signal_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "analysis/harmonic_bank.h"
#include "analysis/log_sweep.h"
#include "analysis/phase_accumulator.h"
#include "analysis/pink_noise_filter.h"

namespace {

constexpr uint32_t kDirty = 4;

bool Periodic(Waveform w) {
  return w == Waveform::Sine || w == Waveform::Square || w == Waveform::Triangle ||
         w == Waveform::Sawtooth || w == Waveform::Pulse;
}

// What cannot glide: a change of any of these fades the channel out and in again.
bool SameShape(const ChannelSetup& a, const ChannelSetup& b) {
  if (a.waveform != b.waveform || a.phaseDegrees != b.phaseDegrees) return false;
  switch (a.waveform) {
    case Waveform::Pulse:
      return a.dutyPercent == b.dutyPercent;
    case Waveform::Multitone:
      return a.toneCount == b.toneCount && a.toneHz == b.toneHz && a.toneDb == b.toneDb;
    case Waveform::Sweep:
      return a.sweepStartHz == b.sweepStartHz && a.sweepStopHz == b.sweepStopHz &&
             a.sweepSeconds == b.sweepSeconds && a.sweepRepeat == b.sweepRepeat;
    case Waveform::Recording:
      return a.recording == b.recording && a.recordingFrames == b.recordingFrames &&
             a.recordingStride == b.recordingStride;
    default:
      return true;
  }
}

double Finite(double v, double otherwise) { return std::isfinite(v) ? v : otherwise; }

uint64_t NextRandom(uint64_t& s) {
  s ^= s << 13;
  s ^= s >> 7;
  s ^= s << 17;
  return s;
}

// Uniform in [-1, 1), as the tone input has always drawn it.
double UniformFrom(uint64_t bits) {
  return static_cast<double>(bits >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

}  // namespace

struct SignalGenerator::Channel {
  explicit Channel(uint32_t rate)
      : phase(rate),
        baseCosine(HarmonicBank::kMaxPartials, 0.0),
        baseSine(HarmonicBank::kMaxPartials, 0.0),
        pink(rate) {
    tones.fill(PhaseAccumulator(rate));
  }

  ChannelSetup shape;  // the shape in force
  bool exactTriangle = false;
  double phaseOffset = 0.0;  // cycles
  PhaseAccumulator phase;
  double frequency = 0.0;
  double glideFrom = 0.0, glideTo = 0.0;
  int glideSteps = 0, glideDone = 0;
  Ramp level, dc, gate;
  bool pending = false;
  ChannelSetup pendingShape;
  bool restart = true;
  int framesInStep = 0;

  HarmonicBank bank;
  std::vector<double> baseCosine, baseSine;
  int stride = 1;     // partial i is harmonic 1 + i * stride
  double mean = 0.0;  // the pulse's average
  double weightedFor = -1.0;

  PinkNoiseFilter pink;
  uint64_t pinkNoise = 0xD1B54A32D192ED03ULL;

  std::optional<LogSweep> sweep;
  uint64_t sweepIndex = 0;

  std::array<PhaseAccumulator, ChannelSetup::kMaxTones> tones;
  std::array<double, ChannelSetup::kMaxTones> tonePhase{}, toneStep{};
};

void SignalGenerator::Ramp::Glide(double to, double frames) {
  if (!(frames >= 1.0) || to == value) {
    Jump(to);
    return;
  }
  target = to;
  step = (to - value) / frames;
}

SignalGenerator::SignalGenerator(uint32_t rate) : m_rate(std::max<uint32_t>(rate, 1)) {
  m_channels[0] = std::make_unique<Channel>(m_rate);
  m_channels[1] = std::make_unique<Channel>(*m_channels[0]);  // the pink design once
  m_channels[1]->pinkNoise = 0x94D049BB133111EBULL;
}

SignalGenerator::~SignalGenerator() = default;

double SignalGenerator::BandWeight(double hertz, double rate) {
  const double nyquist = 0.5 * rate;
  if (hertz >= nyquist) return 0.0;
  if (hertz <= 0.9 * nyquist) return 1.0;
  return (nyquist - hertz) / (0.1 * nyquist);
}

GeneratorSetup SignalGenerator::Publish(const GeneratorSetup& setup) {
  GeneratorSetup s = setup;
  s.rampSeconds = std::clamp(Finite(s.rampSeconds, 0.005), 0.0, 10.0);
  s.fadeSeconds = std::clamp(Finite(s.fadeSeconds, 0.010), 0.0, 10.0);
  s.maxLevelStep = std::max(0.0, Finite(s.maxLevelStep, 0.0));
  for (int c = 0; c < kChannels; ++c) {
    ChannelSetup& ch = s.channels[c];
    ch.frequency = std::clamp(Finite(ch.frequency, 0.0), 0.0, 1e6);
    ch.level = std::clamp(Finite(ch.level, 0.0), 0.0, 1.0);
    ch.level = std::min(ch.level, m_acceptedLevel[c] + s.maxLevelStep);
    m_acceptedLevel[c] = ch.level;
    ch.dutyPercent = std::clamp(Finite(ch.dutyPercent, 50.0), 1.0, 99.0);
    ch.dcOffset = std::clamp(Finite(ch.dcOffset, 0.0), -1.0, 1.0);
    ch.phaseDegrees = Finite(ch.phaseDegrees, 0.0);
    ch.toneCount = std::clamp(ch.toneCount, 0, ChannelSetup::kMaxTones);
    for (double& f : ch.toneHz) f = std::max(0.0, Finite(f, 0.0));
    for (double& db : ch.toneDb) db = std::clamp(Finite(db, 0.0), -200.0, 0.0);
    ch.sweepSeconds = std::clamp(Finite(ch.sweepSeconds, 1.0), 1e-3, 86400.0);
    if (ch.recording == nullptr || ch.recordingStride < 1) ch.recordingFrames = 0;
  }
  m_slots[m_back] = s;
  m_back = m_middle.exchange(m_back | kDirty, std::memory_order_acq_rel) & 3;
  return s;
}

void SignalGenerator::TakeNewestSetup() {
  if ((m_middle.load(std::memory_order_acquire) & kDirty) == 0) return;
  m_front = m_middle.exchange(m_front, std::memory_order_acq_rel) & 3;
  Apply(m_slots[m_front]);
}

void SignalGenerator::Apply(const GeneratorSetup& setup) {
  const bool wasStopped = m_stopped.load(std::memory_order_relaxed);
  const GeneratorSetup old = m_current;
  m_current = setup;
  const bool first = !m_haveSetup;
  m_haveSetup = true;
  const bool newRun = setup.run != old.run && setup.output;
  if (wasStopped || first || newRun) {
    if (setup.output) StartAfresh();
    if (newRun) m_master.Jump(1.0);
    return;
  }
  const double rampFrames = setup.rampSeconds * m_rate;
  const double fadeFrames = setup.fadeSeconds * m_rate;
  for (int c = 0; c < kChannels; ++c) {
    Channel& ch = *m_channels[c];
    const ChannelSetup& now = setup.channels[c];
    if (!SameShape(now, ch.pending ? ch.pendingShape : ch.shape) ||
        setup.exactTriangle != old.exactTriangle) {
      ch.pending = true;
      ch.pendingShape = now;
      ch.gate.Glide(0.0, fadeFrames);
    } else if (!ch.pending) {
      ch.gate.Glide(now.on ? 1.0 : 0.0, fadeFrames);
    }
    if (now.frequency != ch.glideTo) {
      ch.glideFrom = ch.frequency > 0.0 ? ch.frequency : now.frequency;
      ch.glideTo = now.frequency;
      ch.glideSteps = std::max(1, static_cast<int>(std::lround(rampFrames / kStepFrames)));
      ch.glideDone = 0;
      ch.restart = true;
    }
    ch.level.Glide(now.level, rampFrames);
    ch.dc.Glide(now.dcOffset, rampFrames);
  }
  if (setup.output != old.output) m_master.Glide(setup.output ? 1.0 : 0.0, fadeFrames);
}

void SignalGenerator::StartAfresh() {
  for (int c = 0; c < kChannels; ++c) {
    Channel& ch = *m_channels[c];
    const ChannelSetup& s = m_current.channels[c];
    ch.phase.Reset();
    ch.phase.SetFrequency(s.frequency);
    ch.frequency = ch.glideFrom = ch.glideTo = s.frequency;
    ch.glideSteps = ch.glideDone = 0;
    ch.level.Jump(s.level);
    ch.dc.Jump(s.dcOffset);
    ch.gate.Jump(s.on ? 1.0 : 0.0);
    ch.pending = false;
    ch.pink.Reset();
    ApplyShape(ch, s);
  }
  m_master.Jump(0.0);
  m_master.Glide(1.0, m_current.fadeSeconds * m_rate);
  m_framesSinceStart.store(0, std::memory_order_relaxed);
  m_stopped.store(false, std::memory_order_relaxed);
}

void SignalGenerator::ApplyShape(Channel& ch, const ChannelSetup& s) {
  ch.shape = s;
  ch.exactTriangle = m_current.exactTriangle;
  ch.phaseOffset = s.phaseDegrees / 360.0;
  ch.phaseOffset -= std::floor(ch.phaseOffset);
  ch.restart = true;
  ch.weightedFor = -1.0;
  ch.mean = 0.0;
  double* cosine = ch.baseCosine.data();
  double* sine = ch.baseSine.data();
  std::fill(ch.baseCosine.begin(), ch.baseCosine.end(), 0.0);
  std::fill(ch.baseSine.begin(), ch.baseSine.end(), 0.0);
  constexpr double pi = std::numbers::pi;
  // Squares and triangles have odd harmonics only: partial i is harmonic 2 i + 1.
  ch.stride = s.waveform == Waveform::Square || s.waveform == Waveform::Triangle ? 2 : 1;
  for (int i = 0; i < HarmonicBank::kMaxPartials; ++i) {
    const double k = 1 + i * ch.stride;
    switch (s.waveform) {
      case Waveform::Sine:
        sine[i] = i == 0 ? 1.0 : 0.0;
        break;
      case Waveform::Square:
        sine[i] = 4.0 / (pi * k);
        break;
      case Waveform::Sawtooth:
        sine[i] = -2.0 / (pi * k);
        break;
      case Waveform::Triangle:
        cosine[i] = -8.0 / (pi * pi * k * k);
        break;
      case Waveform::Pulse: {
        const double d = s.dutyPercent / 100.0;
        cosine[i] = 2.0 / (pi * k) * std::sin(2.0 * pi * k * d);
        sine[i] = 2.0 / (pi * k) * (1.0 - std::cos(2.0 * pi * k * d));
        ch.mean = 2.0 * d - 1.0;
        break;
      }
      default:
        break;
    }
  }
  if (s.waveform == Waveform::Multitone) {
    double sum = 0.0;
    for (int t = 0; t < s.toneCount; ++t) sum += std::pow(10.0, s.toneDb[t] / 20.0);
    for (int t = 0; t < s.toneCount; ++t) {
      ch.tones[t].Reset();
      ch.tones[t].SetFrequency(s.toneHz[t]);
      sine[t] = std::pow(10.0, s.toneDb[t] / 20.0) / sum;
    }
    std::copy(ch.baseCosine.begin(), ch.baseCosine.end(), ch.bank.CosineCoefficients());
    std::copy(ch.baseSine.begin(), ch.baseSine.end(), ch.bank.SineCoefficients());
  }
  ch.sweep.reset();
  ch.sweepIndex = 0;  // also the place in a recording
  if (s.waveform == Waveform::Sweep) {
    const double stop = std::min(s.sweepStopHz, 0.5 * m_rate);
    if (LogSweep::Valid(s.sweepStartHz, stop, s.sweepSeconds, m_rate)) {
      ch.sweep.emplace(s.sweepStartHz, stop, s.sweepSeconds, m_rate);
    }
  }
}

void SignalGenerator::StartStep(Channel& ch) {
  if (ch.shape.waveform == Waveform::Multitone) {
    for (int t = 0; t < ch.shape.toneCount; ++t) ch.tones[t].AdvanceBy(ch.framesInStep);
  }
  ch.framesInStep = 0;
  ch.restart = false;
  if (ch.glideDone < ch.glideSteps) {
    ++ch.glideDone;
    ch.frequency = ch.glideDone == ch.glideSteps
                       ? ch.glideTo
                       : ch.glideFrom * std::pow(ch.glideTo / ch.glideFrom,
                                                 static_cast<double>(ch.glideDone) / ch.glideSteps);
    if (!(ch.frequency > 0.0)) ch.frequency = ch.glideTo;
    ch.phase.SetFrequency(ch.frequency);
  }
  const double unit = 1.0 / static_cast<double>(ch.phase.UnitsPerCycle());
  if (Periodic(ch.shape.waveform)) {
    if (ch.exactTriangle && ch.shape.waveform == Waveform::Triangle) return;
    const double f = ch.phase.Frequency();
    int count = 1;
    if (ch.shape.waveform != Waveform::Sine) {
      const double highest = f > 0.0 ? std::ceil(0.5 * m_rate / f) - 1.0 : 0.0;
      const double partials = highest >= 1.0 ? std::floor((highest - 1.0) / ch.stride) + 1.0 : 0.0;
      count = static_cast<int>(std::min(partials, double{HarmonicBank::kMaxPartials}));
    }
    if (f != ch.weightedFor) {
      ch.weightedFor = f;
      double* cosine = ch.bank.CosineCoefficients();
      double* sine = ch.bank.SineCoefficients();
      const bool weigh = ch.shape.waveform != Waveform::Sine;
      for (int i = 0; i < count; ++i) {
        const double w = weigh ? BandWeight((1.0 + i * ch.stride) * f, m_rate) : 1.0;
        cosine[i] = ch.baseCosine[i] * w;
        sine[i] = ch.baseSine[i] * w;
      }
    }
    ch.bank.StartHarmonics(ch.phase.Cycles() + ch.phaseOffset,
                           static_cast<double>(ch.phase.Increment()) * unit, count, 1, ch.stride);
  } else if (ch.shape.waveform == Waveform::Multitone) {
    for (int t = 0; t < ch.shape.toneCount; ++t) {
      ch.tonePhase[t] = ch.tones[t].Cycles() + ch.phaseOffset;
      ch.toneStep[t] = static_cast<double>(ch.tones[t].Increment()) * unit;
    }
    ch.bank.StartPartials(ch.tonePhase.data(), ch.toneStep.data(), ch.shape.toneCount);
  }
}

double SignalGenerator::NextValue(Channel& ch) {
  const double gate = ch.gate.Next();
  if (ch.pending && gate == 0.0 && ch.gate.step == 0.0) {
    ch.pending = false;
    ApplyShape(ch, ch.pendingShape);
    ch.gate.Glide(ch.shape.on ? 1.0 : 0.0, m_current.fadeSeconds * m_rate);
  }
  if (ch.restart || ch.framesInStep == kStepFrames) StartStep(ch);
  ++ch.framesInStep;
  double v = 0.0;
  switch (ch.shape.waveform) {
    case Waveform::Sine:
    case Waveform::Square:
    case Waveform::Sawtooth:
    case Waveform::Pulse:
    case Waveform::Triangle:
      if (ch.exactTriangle && ch.shape.waveform == Waveform::Triangle) {
        double p = ch.phase.Cycles() + ch.phaseOffset;
        if (p >= 1.0) p -= 1.0;
        v = p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p;
      } else {
        v = ch.bank.Next() + ch.mean;
      }
      ch.phase.Advance();
      break;
    case Waveform::WhiteNoise:
      v = UniformFrom(NextRandom(m_whiteNoise));
      break;
    case Waveform::PinkNoise:
      // Uniform noise has a variance of 1/3; the filter keeps the variance.
      v = std::clamp(0.25 * std::sqrt(3.0) * ch.pink.Process(UniformFrom(NextRandom(ch.pinkNoise))),
                     -1.0, 1.0);
      break;
    case Waveform::Multitone:
      v = ch.bank.Next();
      break;
    case Waveform::Recording:
      if (ch.sweepIndex < ch.shape.recordingFrames) {
        v = ch.shape.recording[ch.sweepIndex * ch.shape.recordingStride];
        if (++ch.sweepIndex == ch.shape.recordingFrames) ch.sweepIndex = 0;
      }
      break;
    case Waveform::Sweep:
      if (ch.sweep && ch.sweepIndex < ch.sweep->Frames()) {
        v = ch.sweep->Value(ch.sweepIndex);
        if (++ch.sweepIndex == ch.sweep->Frames() && ch.shape.sweepRepeat) ch.sweepIndex = 0;
      }
      break;
  }
  const double level = ch.level.Next();
  const double dc = ch.dc.Next();
  return gate * (level * v + dc);
}

template <typename T>
void SignalGenerator::RenderTo(T* out, size_t frames, int channels) {
  channels = std::clamp(channels, 1, kChannels);
  TakeNewestSetup();
  if (m_stopped.load(std::memory_order_relaxed)) {
    std::fill(out, out + frames * channels, T{0});
    return;
  }
  for (size_t i = 0; i < frames; ++i) {
    const double master = m_master.Next();
    for (int c = 0; c < channels; ++c) {
      const double v = master * NextValue(*m_channels[c]);
      *out++ = static_cast<T>(std::clamp(v, -1.0, 1.0));
    }
  }
  m_framesSinceStart.fetch_add(frames, std::memory_order_relaxed);
  if (!m_current.output && m_master.value == 0.0 && m_master.step == 0.0) {
    m_stopped.store(true, std::memory_order_relaxed);
  }
}

void SignalGenerator::Render(double* out, size_t frames, int channels) {
  RenderTo(out, frames, channels);
}

void SignalGenerator::Render(float* out, size_t frames, int channels) {
  RenderTo(out, frames, channels);
}
