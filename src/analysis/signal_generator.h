#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

enum class Waveform : uint8_t {
  Sine,
  Square,
  Triangle,
  Sawtooth,
  Pulse,
  WhiteNoise,
  PinkNoise,
  Multitone,
  Sweep,
  Recording,  // the frames of a recording, played in a loop
};

// One channel of the generator. Levels are fractions of full scale (1.0 is a full-scale
// sample): the peak of a sine, the flat top of a square or pulse, the corner of a triangle,
// the ends of a sawtooth. Band-limited shapes ring at their edges (Gibbs): a square's peaks
// pass its flat top by about 9 % of the step, 18 % of the level; the output is clipped at full
// scale. White noise is uniform within +-level; pink noise has
// an rms of level / 4 (peaks beyond the level, 1 sample in about 16000, are clipped to it).
// A multitone gives each tone level / count, so its peak never passes the level.
struct ChannelSetup {
  static constexpr int kMaxTones = 32;

  bool on = true;
  Waveform waveform = Waveform::Sine;
  double frequency = 1000.0;  // hertz, kept to 1 µHz
  double level = 0.5;
  double dutyPercent = 50.0;  // pulse: the share of the period at +level, 1..99
  double dcOffset = 0.0;      // added after the level, fraction of full scale
  double phaseDegrees = 0.0;  // added to this channel's phase (periodic shapes and tones)
  int toneCount = 0;          // multitone
  std::array<double, kMaxTones> toneHz{};
  // Each tone's level in dB against the others (0 the loudest): the tones share the channel's
  // level in proportion, so their peaks never add up past it.
  std::array<double, kMaxTones> toneDb{};
  double sweepStartHz = 20.0;  // sweep: see LogSweep for the waveform
  double sweepStopHz = 20000.0;
  double sweepSeconds = 10.0;
  bool sweepRepeat = true;
  // Recording: recordingFrames frames, value i at recording[i * recordingStride], at the
  // generator's rate; not owned, and kept alive by the caller while it may play.
  const float* recording = nullptr;
  uint64_t recordingFrames = 0;
  int recordingStride = 1;
};

struct GeneratorSetup {
  std::array<ChannelSetup, 2> channels;
  bool output = false;         // off: fades out, then silence; on again starts afresh
  double rampSeconds = 0.005;  // frequency, level and offset changes glide over this time
  double fadeSeconds = 0.010;  // start, stop, channel on/off and changes of shape
  double maxLevelStep = 1.0;   // a level setting never rises by more than this at once
  bool exactTriangle = false;  // the triangle with sharp corners (aliases) instead of its
                               // band-limited series
  uint32_t run = 0;            // a new number starts the output afresh from its first sample
                               // (a sweep from its start), without a fade in
};

// Two-channel waveform engine. One thread (the user interface) publishes setups; one other
// thread (the audio callback) renders blocks. Publishing copies the setup into one of three
// fixed slots and swaps an index atomically; rendering takes the newest slot at the start of a
// block, allocates nothing, takes no lock and makes no system call.
//
// Periodic shapes are sums of their harmonics below half the rate (the Fourier series of the
// ideal shape with every harmonic from 90 % of the Nyquist frequency up faded linearly to zero
// at it, at most HarmonicBank::kMaxPartials of them), so nothing folds back as aliasing. With
// x the phase in cycles (0 at the first sample, plus the phase offset):
//   sine      sin 2 pi x
//   square    4/pi sum_{k odd} sin(2 pi k x) / k                (+1 on the first half)
//   pulse     (2d - 1) + 2/pi sum_k [sin(2 pi k d) cos(2 pi k x) + (1 - cos(2 pi k d))
//             sin(2 pi k x)] / k                                 (+1 for x in [0, d))
//   sawtooth  -2/pi sum_k sin(2 pi k x) / k                      (rises from -1 to +1)
//   triangle  -8/pi^2 sum_{k odd} cos(2 pi k x) / k^2            (-1 at x = 0, +1 at x = 1/2)
class SignalGenerator {
 public:
  static constexpr int kChannels = 2;
  // The frequency glides in steps this many samples apart; phases are taken afresh from the
  // exact accumulators at each step.
  static constexpr int kStepFrames = 32;

  explicit SignalGenerator(uint32_t rate);
  ~SignalGenerator();
  SignalGenerator(const SignalGenerator&) = delete;
  SignalGenerator& operator=(const SignalGenerator&) = delete;

  uint32_t Rate() const { return m_rate; }

  // User-interface thread: hands over a setup and returns it as accepted, with each channel's
  // level limited to the last accepted level plus maxLevelStep (the first from 0).
  GeneratorSetup Publish(const GeneratorSetup& setup);

  // Audio thread: frames of `channels` interleaved values (1: the left channel only; 2: left
  // then right), each in [-1, 1].
  void Render(double* out, size_t frames, int channels = kChannels);
  void Render(float* out, size_t frames, int channels = kChannels);
  // True while silent with the output off (nothing rendered would differ from zeros).
  bool Stopped() const { return m_stopped.load(std::memory_order_relaxed); }
  // Frames rendered since the output last started.
  uint64_t FramesSinceStart() const { return m_framesSinceStart.load(std::memory_order_relaxed); }

  // The harmonic weight of a component at `hertz` for a rate: 1 below 90 % of the Nyquist
  // frequency, falling linearly to 0 at it.
  static double BandWeight(double hertz, double rate);

 private:
  struct Channel;
  struct Ramp {
    double value = 0.0, target = 0.0, step = 0.0;
    void Jump(double v) { value = target = v, step = 0.0; }
    void Glide(double to, double frames);
    double Next() {
      if (step != 0.0) {
        value += step;
        if ((step > 0.0 && value >= target) || (step < 0.0 && value <= target)) {
          value = target;
          step = 0.0;
        }
      }
      return value;
    }
  };

  void TakeNewestSetup();
  void Apply(const GeneratorSetup& setup);
  void StartAfresh();
  void ApplyShape(Channel& ch, const ChannelSetup& setup);
  void StartStep(Channel& ch);
  double NextValue(Channel& ch);
  template <typename T>
  void RenderTo(T* out, size_t frames, int channels);

  const uint32_t m_rate;
  std::array<std::unique_ptr<Channel>, kChannels> m_channels;
  GeneratorSetup m_slots[3];
  std::atomic<uint32_t> m_middle{1};
  uint32_t m_back = 0;   // the publisher's slot
  uint32_t m_front = 2;  // the renderer's slot
  std::array<double, kChannels> m_acceptedLevel{0.0, 0.0};

  GeneratorSetup m_current;  // in force on the audio thread
  bool m_haveSetup = false;
  Ramp m_master;
  std::atomic<bool> m_stopped{true};
  int m_stepPosition = 0;
  std::atomic<uint64_t> m_framesSinceStart{0};
  uint64_t m_whiteNoise = 0x9E3779B97F4A7C15ULL;  // shared by the channels, in frame order
};
