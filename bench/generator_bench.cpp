// The signal generator's cost on the audio thread: blocks of 512 stereo frames at 96 kHz, per
// waveform, printed as the share of one core that real-time output would take ("%core").
#include <benchmark/benchmark.h>

#include <vector>

#include "analysis/signal_generator.h"

namespace {

constexpr uint32_t kRate = 96000;
constexpr size_t kFrames = 512;

void RenderShape(benchmark::State& state, Waveform waveform, double hertz) {
  SignalGenerator gen(kRate);
  GeneratorSetup setup;
  for (ChannelSetup& ch : setup.channels) {
    ch.waveform = waveform;
    ch.frequency = hertz;
    ch.level = 0.5;
    ch.toneCount = ChannelSetup::kMaxTones;
    for (int t = 0; t < ch.toneCount; ++t) ch.toneHz[t] = 20.0 * (t + 1) * (t + 1);
  }
  setup.output = true;
  gen.Publish(setup);
  std::vector<float> out(2 * kFrames);
  for (auto _ : state) {
    gen.Render(out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
  }
  // Seconds of CPU per second of sound, in per cent: elapsed / (iterations * block length).
  state.counters["%core"] = benchmark::Counter(
      static_cast<double>(kFrames) / kRate / 100.0,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK_CAPTURE(RenderShape, sine_1k, Waveform::Sine, 1000.0);
BENCHMARK_CAPTURE(RenderShape, square_1k, Waveform::Square, 1000.0);
BENCHMARK_CAPTURE(RenderShape, sawtooth_1k, Waveform::Sawtooth, 1000.0);
BENCHMARK_CAPTURE(RenderShape, square_100, Waveform::Square, 100.0);
BENCHMARK_CAPTURE(RenderShape, sawtooth_20, Waveform::Sawtooth, 20.0);
BENCHMARK_CAPTURE(RenderShape, white, Waveform::WhiteNoise, 1000.0);
BENCHMARK_CAPTURE(RenderShape, pink, Waveform::PinkNoise, 1000.0);
BENCHMARK_CAPTURE(RenderShape, multitone_32, Waveform::Multitone, 1000.0);
BENCHMARK_CAPTURE(RenderShape, sweep, Waveform::Sweep, 1000.0);

BENCHMARK_MAIN();
