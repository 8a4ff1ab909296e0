// The automatic measurements: an accuracy table against signals whose figures are known in
// closed form (printed first), then the time one channel's measurement of half a second takes.
#include <benchmark/benchmark.h>

#include <algorithm>
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

// Waves that are no sines: band-limited pulse trains, trapezoids, clipped sines, and tones with
// content outside 20 Hz..20 kHz.
void PrintShapeRows() {
  Worst pulseFrequency, pulseThd, pulseDuty;
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0}) {
    for (double f : {100.0, 300.0, 1000.0}) {
      for (double duty : {0.9, 0.5, 0.2, 0.1, 0.05, 0.03}) {
        // A pulse of fewer than 8 samples is no pulse its band-limited series can draw.
        if (std::min(duty, 1 - duty) * rate / f < 8) continue;
        const std::vector<double> x =
            signals::Pulse(rate, f, duty, 12000, static_cast<std::size_t>(rate / 2));
        const ChannelMeasurement m = Measure(x, rate);
        pulseFrequency.Add(m.Valid(Quantity::kFrequency), m.Value(Quantity::kFrequency) / f - 1);
        // The harmonics the program counts: up to the 10th, 4 Hz (two bins of half a second)
        // clear of half the rate.
        int harmonics = 0;
        while (harmonics < 10 && (harmonics + 1) * f < rate / 2 - 4.0) ++harmonics;
        double d = 0;
        for (int k = 2; k <= harmonics; ++k) d += std::pow(signals::PulseHarmonic(k, duty), 2);
        if (d > 0) {
          const double thdDb = 10 * std::log10(d / std::pow(signals::PulseHarmonic(1, duty), 2));
          pulseThd.Add(m.Valid(Quantity::kThdDb), m.Value(Quantity::kThdDb) - thdDb);
        }
        pulseDuty.Add(m.Valid(Quantity::kDuty), m.Value(Quantity::kDuty) - 100 * duty);
      }
    }
  }
  Worst trapezoidVpp, trapezoidCrest;
  for (double rate : kRates) {
    for (double f : {50.0, 200.0, 1000.0}) {
      for (double ramp : {0.01, 0.05, 0.1, 0.2}) {
        // The closed-form levels hold for ramps of several samples.
        if (ramp * rate / f < 8) continue;
        const double a = 16384;
        const std::vector<double> x =
            signals::Trapezoid(rate, f, ramp, a, static_cast<std::size_t>(rate / 2));
        const ChannelMeasurement m = Measure(x, rate);
        const double rms = a * std::sqrt(1 - 4 * ramp / 3);
        trapezoidVpp.Add(m.Valid(Quantity::kVpp), m.Value(Quantity::kVpp) / Mv(2 * a) - 1);
        trapezoidCrest.Add(m.Valid(Quantity::kCrest), m.Value(Quantity::kCrest) / (a / rms) - 1);
      }
    }
  }
  Worst clippedVpp, clippedCrest;
  for (double rate : kRates) {
    for (double f : {100.0, 997.0, 3001.7}) {
      for (double share : {0.3, 0.5, 0.7, 0.9}) {
        const double a = 32000, clip = share * a;
        std::vector<double> x(static_cast<std::size_t>(rate / 2));
        for (std::size_t i = 0; i < x.size(); ++i) {
          x[i] =
              std::clamp(a * std::sin(2 * signals::kPi * f * static_cast<double>(i) / rate + 0.2),
                         -clip, clip);
        }
        const double theta = std::asin(share);
        const double meanSquare = 2 / signals::kPi *
                                  (a * a * (theta / 2 - std::sin(2 * theta) / 4) +
                                   (signals::kPi / 2 - theta) * clip * clip);
        const ChannelMeasurement m = Measure(x, rate);
        clippedVpp.Add(m.Valid(Quantity::kVpp), m.Value(Quantity::kVpp) / Mv(2 * clip) - 1);
        clippedCrest.Add(m.Valid(Quantity::kCrest),
                         m.Value(Quantity::kCrest) / (clip / std::sqrt(meanSquare)) - 1);
      }
    }
  }
  Worst outOfBand;
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    for (double spur : {10.0, 20100.0, 23000.0, 30000.0}) {
      if (spur >= rate / 2) continue;
      for (double f : {1000.0, 5000.0}) {
        Tone t;
        t.rate = rate;
        t.frequency = f;
        t.amplitude = 16384;
        t.noiseRms = 2;
        t.seed = static_cast<unsigned>(rate + spur + f);
        std::vector<double> x = Make(t, static_cast<std::size_t>(rate / 2));
        for (std::size_t i = 0; i < x.size(); ++i) {
          x[i] = std::round(
              x[i] + 164 * std::sin(2 * signals::kPi * spur * static_cast<double>(i) / rate));
        }
        const ChannelMeasurement m = Measure(x, rate);
        const double noise = (t.noiseRms * t.noiseRms + 1.0 / 12) * signals::NoiseBandShare(rate);
        const double snrDb = 10 * std::log10(t.amplitude * t.amplitude / 2 / noise);
        outOfBand.Add(m.Valid(Quantity::kSnr), m.Value(Quantity::kSnr) - snrDb);
      }
    }
  }
  std::printf(
      "| frequency | band-limited pulse trains, 90..3 %% duty, 100 Hz..1 kHz, 22050 Hz and up, "
      "%d cases | %.2g (relative) | %d | 1e-4 |\n",
      pulseFrequency.cases, pulseFrequency.error, pulseFrequency.invalid);
  std::printf("| thd_db | the same, against their Fourier series | %.3f dB | %d | 0.5 dB |\n",
              pulseThd.error, pulseThd.invalid);
  std::printf("| duty | the same | %.2f points | %d | 1 point |\n", pulseDuty.error,
              pulseDuty.invalid);
  std::printf(
      "| vpp | trapezoids, ramps of 1..20 %% of the period, 50 Hz..1 kHz, every rate, %d cases | "
      "%.3f %% | %d | 0.1 %% |\n",
      trapezoidVpp.cases, 100 * trapezoidVpp.error, trapezoidVpp.invalid);
  std::printf("| crest | the same | %.3f %% | %d | 0.1 %% |\n", 100 * trapezoidCrest.error,
              trapezoidCrest.invalid);
  std::printf(
      "| vpp | sines clipped at 30..90 %% of their crest, 100 Hz..3 kHz, every rate, %d cases | "
      "%.3f %% | %d | 0.1 %% |\n",
      clippedVpp.cases, 100 * clippedVpp.error, clippedVpp.invalid);
  std::printf("| crest | the same | %.3f %% | %d | 0.1 %% |\n", 100 * clippedCrest.error,
              clippedCrest.invalid);
  std::printf(
      "| snr | -6 dBFS tones with noise and a -40 dBc spur at 10 Hz or 20.1..30 kHz, "
      "%d cases | %.3f dB | %d | 0.5 dB |\n",
      outOfBand.cases, outOfBand.error, outOfBand.invalid);
}

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
  std::printf("| sinad | the same | %.3f dB | %d | 0.5 dB |\n", sinad.error, sinad.invalid);
  PrintShapeRows();
  std::printf("\n");
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
