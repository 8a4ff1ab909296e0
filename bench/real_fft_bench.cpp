// The large real-input transform of the spectrum analyser against FFTW3's real-input transform
// (planned with FFTW_MEASURE) at 1024 .. 65536 points. Each iteration times one transform of
// each on the same random input. Counters: ours_ns and fftw_ns per transform, ratio = ours /
// FFTW.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <chrono>
#include <random>
#include <vector>

#include "analysis/real_fft.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_RealFftVsFftw(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  int order = 0;
  while ((1 << order) < n) ++order;

  std::mt19937 gen(42);
  std::uniform_real_distribution<double> dist(-32768, 32767);
  std::vector<double> input(n);
  for (double& v : input) v = dist(gen);

  RealFft fft(order);
  std::vector<Complex> ours(n / 2 + 1);
  double* theirIn = fftw_alloc_real(n);
  fftw_complex* theirOut = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, theirIn, theirOut, FFTW_MEASURE);
  for (int i = 0; i < n; ++i) theirIn[i] = input[i];

  double oursSeconds = 0;
  double fftwSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    fft.Forward(input.data(), ours.data());
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(ours.data());
    benchmark::ClobberMemory();

    const auto t2 = Clock::now();
    fftw_execute(plan);
    const auto t3 = Clock::now();
    benchmark::DoNotOptimize(theirOut);
    benchmark::ClobberMemory();

    const double ourTime = std::chrono::duration<double>(t1 - t0).count();
    oursSeconds += ourTime;
    fftwSeconds += std::chrono::duration<double>(t3 - t2).count();
    state.SetIterationTime(ourTime);
  }
  const double count = static_cast<double>(state.iterations());
  state.counters["ours_ns"] = oursSeconds / count * 1e9;
  state.counters["fftw_ns"] = fftwSeconds / count * 1e9;
  state.counters["ratio"] = fftwSeconds > 0 ? oursSeconds / fftwSeconds : 0;

  fftw_destroy_plan(plan);
  fftw_free(theirIn);
  fftw_free(theirOut);
}

BENCHMARK(BM_RealFftVsFftw)->RangeMultiplier(2)->Range(1024, 65536)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
