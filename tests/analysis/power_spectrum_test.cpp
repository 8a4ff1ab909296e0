#include "analysis/power_spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis_oracles.h"

namespace {

std::vector<double> RandomFrame(int n, unsigned seed, double offset) {
  const std::vector<Complex> noise = oracle::RandomSignal(n, seed, 5000);
  std::vector<double> frame(n);
  for (int i = 0; i < n; ++i) frame[i] = std::round(noise[i].re) + offset;
  return frame;
}

// The biased estimate summed directly.
std::vector<double> DirectBiased(const std::vector<double>& samples, int L, bool removeMean,
                                 int lags) {
  double mean = 0;
  if (removeMean) {
    for (int i = 0; i < L; ++i) mean += samples[i];
    mean /= L;
  }
  std::vector<double> r(lags, 0.0);
  for (int m = 0; m < lags && m < L; ++m) {
    for (int i = 0; i + m < L; ++i) r[m] += (samples[i] - mean) * (samples[i + m] - mean);
    r[m] /= L;
  }
  return r;
}

std::vector<double> Autocorrelation(const std::vector<double>& samples, int L, int M,
                                    bool removeMean) {
  FftEngine fft;
  std::vector<double> r(M / 2 + 2, oracle::kGuard);
  EstimateAutocorrelation(fft, samples.data(), L, M, removeMean, r.data());
  EXPECT_EQ(r[M / 2 + 1], oracle::kGuard);
  r.pop_back();
  return r;
}

TEST(AnalysisPowerSpectrumTest, AutocorrelationIsTheDirectBiasedSum) {
  for (int L : {32, 64, 128, 256}) {
    const int M = 2 * L;
    const std::vector<double> samples = RandomFrame(441, L, 700);
    for (bool removeMean : {false, true}) {
      const std::vector<double> r = Autocorrelation(samples, L, M, removeMean);
      const std::vector<double> want = DirectBiased(samples, L, removeMean, M / 2 + 1);
      for (int m = 0; m <= M / 2; ++m) {
        ASSERT_NEAR(r[m], want[m], std::fabs(want[0]) * 1e-12)
            << L << " " << removeMean << " " << m;
      }
    }
  }
  // A constant frame without the mean removed: v^2 (L - m) / L.
  const std::vector<double> r = Autocorrelation(std::vector<double>(441, -50), 128, 256, false);
  for (int m = 0; m <= 128; ++m) ASSERT_NEAR(r[m], 2500.0 * (128 - m) / 128, 1e-9) << m;
}

struct Estimate {
  std::vector<double> frequencies;
  std::vector<double> levels;
};

Estimate Estimated(const std::vector<double>& samples, int N, bool removeMean, double Fs, int Q) {
  FftEngine fft;
  Estimate e{std::vector<double>(N / 2 + 1, oracle::kGuard),
             std::vector<double>(N / 2 + 1, oracle::kGuard)};
  EstimatePowerSpectrum(fft, samples.data(), N / 4, N / 2, removeMean, Fs, Q, N,
                        e.frequencies.data(), e.levels.data());
  EXPECT_EQ(e.frequencies[N / 2], oracle::kGuard);
  EXPECT_EQ(e.levels[N / 2], oracle::kGuard);
  e.frequencies.pop_back();
  e.levels.pop_back();
  return e;
}

// The whole estimate rebuilt from the direct sum: lag window, even sequence, naive DFT.
TEST(AnalysisPowerSpectrumTest, LevelsOfTheLagWindowedEvenSequence) {
  const double pi = 3.14159265358979323846;
  for (int N : {128, 512, 1024}) {
    const std::vector<double> samples = RandomFrame(N, N, 0);
    const int L = N / 4, Q = 32;
    std::vector<double> r = DirectBiased(samples, L, true, Q);
    for (int m = 1; m < Q; ++m) r[m] *= 0.54 + 0.46 * std::cos(pi * m / (Q - 1));
    std::vector<Complex> even(N, Complex{0, 0});
    even[0].re = r[0];
    for (int m = 1; m < Q; ++m) even[m].re = even[N - m].re = r[m];
    const std::vector<Complex> spectrum = oracle::NaiveDft(even, -1);

    const double Fs = 44100.0 / 2;
    const Estimate e = Estimated(samples, N, true, Fs, Q);
    for (int k = 0; k < N / 2; ++k) {
      EXPECT_DOUBLE_EQ(e.frequencies[k], k * Fs / N);
      ASSERT_NEAR(e.levels[k], 20 * std::log10(oracle::Magnitude(spectrum[k])), 1e-9)
          << N << " " << k;
    }
  }
}

TEST(AnalysisPowerSpectrumTest, SizesAtTheLowestRate) {
  // L = 32, M = 64, K = 128: 64 levels, frequencies up to 63 * 11025 / 128.
  const Estimate e = Estimated(RandomFrame(110, 1, 0), 128, false, 11025.0, 32);
  EXPECT_EQ(e.levels.size(), 64u);
  EXPECT_DOUBLE_EQ(e.frequencies[63], 63 * 11025.0 / 128);
  for (double level : e.levels) EXPECT_TRUE(std::isfinite(level));
  // More lags than the transforms hold are cut to what fits.
  Estimated(RandomFrame(110, 1, 0), 128, false, 11025.0, 500);
}

TEST(AnalysisPowerSpectrumTest, ConstantFrameWithMeanRemovedIsMinusInfinity) {
  const Estimate e = Estimated(std::vector<double>(441, 1234), 512, true, 44100, 32);
  for (double level : e.levels) EXPECT_EQ(level, -INFINITY);
  std::vector<double> broken(441, 1.0);
  broken[7] = std::nan("");
  const Estimate n = Estimated(broken, 512, false, 44100, 32);
  EXPECT_TRUE(std::isnan(n.levels[0]));
}

}  // namespace
