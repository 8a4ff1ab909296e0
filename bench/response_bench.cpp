// The response analyser's two computations at their largest: one live dual-channel pass at
// 65536 points and 96 kHz (two windowed transforms into the averages, then the delay, H1,
// coherence, phase and group delay for every bin; budget 8 ms), and the analysis of a
// 10-second 20 Hz - 20 kHz sweep at 48 kHz (deconvolution, the linear and four harmonic
// impulse responses, response and distortion; budget well under 500 ms).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/octave_smoother.h"
#include "analysis/sweep_analyser.h"
#include "analysis/transfer_estimator.h"

namespace {

std::vector<double> Noise(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> dist(0.0, 0.1);
  std::vector<double> x(n);
  for (double& v : x) v = dist(gen);
  return x;
}

// A device for both: a short smoothing filter and 40 samples of latency.
std::vector<double> Device(const std::vector<double>& x) {
  std::vector<double> y(x.size(), 0.0);
  for (std::size_t i = 42; i < x.size(); ++i) {
    y[i] = 0.5 * x[i - 40] + 0.3 * x[i - 41] + 0.2 * x[i - 42];
  }
  return y;
}

void BM_LiveDualChannelPass(benchmark::State& state) {
  TransferSettings settings;
  settings.fftOrder = 16;
  settings.rate = 96000;
  TransferEstimator estimator(settings);
  const int n = estimator.Size();
  const std::vector<double> x = Noise(4 * n, 1);
  const std::vector<double> y = Device(x);
  std::size_t start = 0;
  for (auto _ : state) {
    // Half-overlapped frames, read as far apart as the delay found so far.
    const int offset = estimator.SuggestedOffset();
    estimator.Add(x.data() + start, y.data() + start + offset, offset);
    estimator.Evaluate();
    benchmark::DoNotOptimize(estimator.Trace().gainDb.data());
    start = (start + n / 2) % (2 * n);
  }
  state.counters["delay"] = estimator.DelaySamples();
  state.counters["budget_ms"] = 8;
}

void BM_LiveDualChannelPassSmoothed(benchmark::State& state) {
  TransferSettings settings;
  settings.fftOrder = 16;
  settings.rate = 96000;
  TransferEstimator estimator(settings);
  OctaveSmoother smoother(estimator.Bins());
  ResponseTrace shown;
  const int n = estimator.Size();
  const std::vector<double> x = Noise(4 * n, 2);
  const std::vector<double> y = Device(x);
  std::size_t start = 0;
  for (auto _ : state) {
    const int offset = estimator.SuggestedOffset();
    estimator.Add(x.data() + start, y.data() + start + offset, offset);
    estimator.Evaluate();
    shown = estimator.Trace();
    smoother.SmoothTrace(shown, 6);
    benchmark::DoNotOptimize(shown.gainDb.data());
    start = (start + n / 2) % (2 * n);
  }
  state.counters["budget_ms"] = 8;
}

void BM_SweepAnalysis(benchmark::State& state) {
  const LogSweep sweep(20, 20000, 10, 48000);
  std::vector<double> x(sweep.Frames() + 12000, 0.0);
  sweep.Generate(0.5, x.data(), x.size());
  std::vector<double> y = Device(x);
  for (double& v : y) v += 0.01 * v * v;
  SweepAnalyser analyser(sweep);
  // The plans are made while the sweep plays.
  analyser.Prepare(static_cast<std::int64_t>(x.size()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(analyser.Analyse(x.data(), static_cast<std::int64_t>(x.size()),
                                              y.data(), static_cast<std::int64_t>(y.size())));
  }
  state.counters["latency"] = analyser.LatencySamples();
  state.counters["budget_ms"] = 500;
}

// The same with the plans made after the sweep has ended, as a caller that never prepares.
void BM_SweepAnalysisUnprepared(benchmark::State& state) {
  const LogSweep sweep(20, 20000, 10, 48000);
  std::vector<double> x(sweep.Frames() + 12000, 0.0);
  sweep.Generate(0.5, x.data(), x.size());
  const std::vector<double> y = Device(x);
  for (auto _ : state) {
    SweepAnalyser analyser(sweep);
    benchmark::DoNotOptimize(analyser.Analyse(x.data(), static_cast<std::int64_t>(x.size()),
                                              y.data(), static_cast<std::int64_t>(y.size())));
  }
  state.counters["budget_ms"] = 500;
}

BENCHMARK(BM_LiveDualChannelPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveDualChannelPassSmoothed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweepAnalysis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweepAnalysisUnprepared)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
