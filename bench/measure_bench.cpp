// The automatic measurements: an accuracy table against signals whose figures are known in
// closed form (printed first), then the time one channel's measurement of half a second takes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "../tests/analysis/measurement_signals.h"
#include "analysis/measurements.h"

namespace {

using signals::Make;
using signals::Tone;

const double kRates[] = {11025, 22050, 44100, 48000, 96000};

ChannelMeasurement Measure(const std::vector<double>& x, double rate) {
  MeasureSetup setup;
  setup.sampleRate = rate;
  return MeasureChannel(x.data(), x.size(), setup);
}

double Mv(double counts) { return counts * 1000 / 32000; }

struct Worst {
  double error = 0;
  int cases = 0;
  int invalid = 0;
  void Add(bool valid, double e) {
    ++cases;
    if (!valid) {
      ++invalid;
      return;
    }
    error = std::max(error, std::fabs(e));
  }
};

void PrintAccuracyTable() {
  Worst frequency, rms, vpp;
  const double frequencies[] = {20,   31.6, 50,   100,  220,   500,   997,
                                1000, 2000, 4410, 5000, 10000, 15000, 20000};
  for (double rate : kRates) {
    for (double f : frequencies) {
      if (f > rate / 2 - 100) continue;
      for (double dbfs : {-20.0, -10.0, -3.0, 0.0}) {
        for (double phase : {0.0, 1.1, 2.3}) {
          Tone t;
          t.rate = rate;
          t.frequency = f;
          t.amplitude = 32767 * std::pow(10, dbfs / 20);
          t.phase = phase;
          t.quantise = true;
          const ChannelMeasurement m = Measure(Make(t, static_cast<std::size_t>(rate / 2)), rate);
          frequency.Add(m.Valid(Quantity::kFrequency), m.Value(Quantity::kFrequency) / f - 1);
          rms.Add(m.Valid(Quantity::kRms),
                  m.Value(Quantity::kRms) / Mv(t.amplitude / std::sqrt(2.0)) - 1);
          vpp.Add(m.Valid(Quantity::kVpp), m.Value(Quantity::kVpp) / Mv(2 * t.amplitude) - 1);
        }
      }
    }
  }
  Worst thd, thd16, snr, sinad;
  for (double rate : kRates) {
    for (double level = -20; level >= -90; level -= 10) {
      for (double f : {100.0, 997.0, 3000.0}) {
        if (3 * f > rate / 2) continue;
        Tone t;
        t.rate = rate;
        t.frequency = f;
        t.amplitude = 29000;
        const double share = std::pow(10, level / 20) / std::sqrt(2.0);
        t.harmonics = {share, share};  // 2nd and 3rd, equal
        const std::size_t n = static_cast<std::size_t>(rate / 2);
        ChannelMeasurement m = Measure(Make(t, n), rate);
        thd.Add(m.Valid(Quantity::kThdDb), m.Value(Quantity::kThdDb) - level);
        t.quantise = true;
        if (level >= -80) {
          m = Measure(Make(t, n), rate);
          thd16.Add(m.Valid(Quantity::kThdDb), m.Value(Quantity::kThdDb) - level);
        }
        // Noise for an SNR of -level dB in the band, no harmonics.
        t.quantise = false;
        t.harmonics.clear();
        const double signal = t.amplitude * t.amplitude / 2;
        const double band = signal * std::pow(10, level / 10);
        t.noiseRms = std::sqrt(band / signals::NoiseBandShare(rate));
        t.seed = static_cast<unsigned>(rate + f - level);
        m = Measure(Make(t, n), rate);
        snr.Add(m.Valid(Quantity::kSnr), m.Value(Quantity::kSnr) + level);
        sinad.Add(m.Valid(Quantity::kSinad),
                  m.Value(Quantity::kSinad) - 10 * std::log10((signal + band) / band));
      }
    }
  }
  std::printf("| quantity | signals | largest error | invalid | goal |\n|---|---|---|---|---|\n");
  std::printf(
      "| frequency | 16-bit sines, 20 Hz..20 kHz, -20..0 dBFS, every rate, %d cases | "
      "%.2g (relative) | %d | 1e-5 |\n",
      frequency.cases, frequency.error, frequency.invalid);
  std::printf("| rms | the same | %.3f %% | %d | 0.1 %% |\n", 100 * rms.error, rms.invalid);
  std::printf("| vpp | the same | %.3f %% | %d | 0.1 %% |\n", 100 * vpp.error, vpp.invalid);
  std::printf(
      "| thd_db | 2nd + 3rd harmonic, -20..-90 dB, every rate, %d cases | %.3f dB | %d | "
      "0.5 dB |\n",
      thd.cases, thd.error, thd.invalid);
  std::printf(
      "| thd_db | the same rounded to 16 bits, -20..-80 dB, %d cases | %.3f dB | %d | "
      "0.5 dB |\n",
      thd16.cases, thd16.error, thd16.invalid);
  std::printf(
      "| snr | white noise, 20..90 dB in the band, every rate, %d cases | %.3f dB | %d | "
      "0.5 dB |\n",
      snr.cases, snr.error, snr.invalid);
  std::printf("| sinad | the same | %.3f dB | %d | 0.5 dB |\n\n", sinad.error, sinad.invalid);
  std::fflush(stdout);
}

void BM_MeasureHalfSecond(benchmark::State& state) {
  const double rate = static_cast<double>(state.range(0));
  Tone t;
  t.rate = rate;
  t.frequency = 997;
  t.harmonics = {0.001, 0.0005};
  t.noiseRms = 3;
  t.quantise = true;
  const std::vector<double> x = Make(t, static_cast<std::size_t>(rate / 2));
  for (auto _ : state) {
    ChannelMeasurement m = Measure(x, rate);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_MeasureHalfSecond)->Arg(11025)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  PrintAccuracyTable();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
