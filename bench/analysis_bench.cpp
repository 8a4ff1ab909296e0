// The per-buffer analysis at the lowest and highest rates, two channels, 16 bit, time base 1:
// decoding with the high pass, the spectra, the correlation and the power estimate, and the
// heaviest whole pass (decode, spectra, correlation). The budget is the 500 ms buffer period.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/correlation.h"
#include "analysis/frame_decoding.h"
#include "analysis/power_spectrum.h"
#include "analysis/smoothing_windows.h"
#include "analysis/spectra.h"

namespace {

struct Setup {
  explicit Setup(unsigned rate) : rate(rate) {
    n = static_cast<int>(rate / 100);
    while ((1 << order) < n) ++order;
    N = 1 << order;
    buffer.resize(static_cast<std::size_t>(2) * 16 * rate / 8 / 2);
    std::mt19937 gen(rate);
    for (unsigned char& b : buffer) b = static_cast<unsigned char>(gen());
    format = {2, 16, n, 1.0f, kFilterHighPass, rate, 1000};
    left.resize(n);
    right.resize(n);
    leftSpectrum.resize(N);
    rightSpectrum.resize(N);
    work.resize(N);
    frequencies.resize(N / 2);
    levels.resize(N / 2);
    DecodeFrame(buffer.data(), buffer.size(), format, left.data(), right.data());
  }

  void Decode() { DecodeFrame(buffer.data(), buffer.size(), format, left.data(), right.data()); }
  void Spectra() {
    PrepareSpectra(fft, left.data(), right.data(), n, order, kWindowBlackman, leftSpectrum.data(),
                   rightSpectrum.data());
  }
  double Correlation() {
    return ComputeCorrelation(fft, leftSpectrum.data(), rightSpectrum.data(), order, work.data());
  }
  void Power() {
    EstimatePowerSpectrum(fft, left.data(), N / 4, N / 2, true, rate, 32, N, frequencies.data(),
                          levels.data());
  }

  unsigned rate;
  int n = 0;
  int order = 0;
  int N = 0;
  FrameFormat format;
  FftEngine fft;
  std::vector<unsigned char> buffer;
  std::vector<double> left, right, frequencies, levels;
  std::vector<Complex> leftSpectrum, rightSpectrum, work;
};

void BM_DecodeFrame(benchmark::State& state) {
  Setup s(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    s.Decode();
    benchmark::DoNotOptimize(s.left.data());
  }
}

void BM_PrepareSpectra(benchmark::State& state) {
  Setup s(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    s.Spectra();
    benchmark::DoNotOptimize(s.leftSpectrum.data());
  }
}

void BM_ComputeCorrelation(benchmark::State& state) {
  Setup s(static_cast<unsigned>(state.range(0)));
  s.Spectra();
  for (auto _ : state) benchmark::DoNotOptimize(s.Correlation());
}

void BM_EstimatePowerSpectrum(benchmark::State& state) {
  Setup s(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    s.Power();
    benchmark::DoNotOptimize(s.levels.data());
  }
}

void BM_CorrelationPass(benchmark::State& state) {
  Setup s(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    s.Decode();
    s.Spectra();
    benchmark::DoNotOptimize(s.Correlation());
  }
}

BENCHMARK(BM_DecodeFrame)->Arg(11025)->Arg(96000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrepareSpectra)->Arg(11025)->Arg(96000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeCorrelation)->Arg(11025)->Arg(96000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EstimatePowerSpectrum)->Arg(11025)->Arg(96000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CorrelationPass)->Arg(11025)->Arg(96000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
