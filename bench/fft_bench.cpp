// Our transform against FFTW3 at the lengths the spectra use. Each iteration transforms a fresh
// copy of the same random input; only the transforms are timed. Counters: ours_ns and fftw_ns
// per transform, ratio = ours / FFTW.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "analysis/fft_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_FftForwardVsFftw(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  int m = 0;
  while ((1 << m) < n) ++m;

  std::mt19937 gen(42);
  std::uniform_real_distribution<double> dist(-32768, 32767);
  std::vector<Complex> input(n);
  for (Complex& c : input) c = {dist(gen), dist(gen)};

  FftEngine fft;
  std::vector<Complex> ours(n);
  fftw_complex* theirs = fftw_alloc_complex(n);
  fftw_plan plan = fftw_plan_dft_1d(n, theirs, theirs, FFTW_FORWARD, FFTW_MEASURE);

  double oursSeconds = 0;
  double fftwSeconds = 0;
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), ours.begin());
    const auto t0 = Clock::now();
    fft.FftForward(ours.data(), m);
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(ours.data());

    for (int i = 0; i < n; ++i) {
      theirs[i][0] = input[i].re;
      theirs[i][1] = input[i].im;
    }
    const auto t2 = Clock::now();
    fftw_execute(plan);
    const auto t3 = Clock::now();
    benchmark::DoNotOptimize(theirs);

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
  fftw_free(theirs);
}

BENCHMARK(BM_FftForwardVsFftw)->RangeMultiplier(2)->Range(128, 1024)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
