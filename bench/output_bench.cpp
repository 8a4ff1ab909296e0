// The generator's whole output path on the audio thread at 96 kHz stereo: the generator renders,
// the loopback (when attached) is offered the block, and the block is converted to the device's
// format (float, or 16 bits with dither), printed as the share of one core that real-time output
// takes ("%core"). Targets: under 1 % for a sine, under 3 % for pink noise.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/output_block_writer.h"
#include "platform/signal_output.h"

namespace {

constexpr uint32_t kRate = 96000;
constexpr size_t kFrames = 480;  // the 5 ms block a low-latency device asks for

void OutputPath(benchmark::State& state, Waveform waveform, OutputSampleFormat format) {
  SignalOutput& output = SignalOutput::Instance();
  output.GeneratorFor(kRate);
  GeneratorSetup setup;
  for (ChannelSetup& ch : setup.channels) {
    ch.waveform = waveform;
    ch.frequency = 1000.0;
    ch.level = 0.5;
  }
  setup.output = true;
  setup.run = output.Setup().run + 1;
  output.Publish(setup);
  OutputBlockWriter writer(format, 2);
  std::vector<float> device(2 * kFrames);
  for (auto _ : state) {
    writer.Fill(device.data(), kFrames, false, &SignalOutput::RenderInto, &output);
    benchmark::DoNotOptimize(device.data());
  }
  state.counters["%core"] = benchmark::Counter(
      static_cast<double>(kFrames) / kRate / 100.0,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK_CAPTURE(OutputPath, sine_float, Waveform::Sine, OutputSampleFormat::Float32);
BENCHMARK_CAPTURE(OutputPath, sine_16bit_dither, Waveform::Sine, OutputSampleFormat::Int16);
BENCHMARK_CAPTURE(OutputPath, sine_24bit, Waveform::Sine, OutputSampleFormat::Int24);
BENCHMARK_CAPTURE(OutputPath, pink_float, Waveform::PinkNoise, OutputSampleFormat::Float32);
BENCHMARK_CAPTURE(OutputPath, pink_16bit_dither, Waveform::PinkNoise, OutputSampleFormat::Int16);

BENCHMARK_MAIN();
