#include "analysis/real_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "analysis_oracles.h"

namespace {

std::vector<double> RandomReal(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-32768.0, 32767.0);
  std::vector<double> x(n);
  for (double& v : x) v = dist(gen);
  return x;
}

// FFTW's real-input transform: bins 0 .. n/2.
std::vector<Complex> FftwReal(std::vector<double> x) {
  const int n = static_cast<int>(x.size());
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, x.data(), out, FFTW_ESTIMATE);
  fftw_execute(plan);
  std::vector<Complex> result(n / 2 + 1);
  for (int k = 0; k <= n / 2; ++k) result[k] = {out[k][0], out[k][1]};
  fftw_destroy_plan(plan);
  fftw_free(out);
  return result;
}

// One bin of the DFT summed directly in long double.
Complex NaiveBin(const std::vector<double>& x, long long k) {
  const long long n = static_cast<long long>(x.size());
  const long double twoPi = 2.0L * 3.14159265358979323846264338327950288L;
  std::complex<long double> sum = 0;
  for (long long i = 0; i < n; ++i) {
    const long double angle = -twoPi * static_cast<long double>((k * i) % n) / n;
    sum += static_cast<long double>(x[i]) *
           std::complex<long double>(std::cos(angle), std::sin(angle));
  }
  return {static_cast<double>(sum.real()), static_cast<double>(sum.imag())};
}

// Our transform with a guard value after the n/2 + 1 bins.
std::vector<Complex> Ours(RealFft& fft, const std::vector<double>& x) {
  const int half = fft.Size() / 2;
  std::vector<Complex> out(half + 2, Complex{oracle::kGuard, oracle::kGuard});
  fft.Forward(x.data(), out.data());
  EXPECT_EQ(out[half + 1].re, oracle::kGuard) << "overrun at size " << fft.Size();
  EXPECT_EQ(out[half + 1].im, oracle::kGuard) << "overrun at size " << fft.Size();
  out.pop_back();
  return out;
}

TEST(AnalysisRealFftTest, EverySizeAgreesWithFftwAndADirectSum) {
  for (int order = 10; order <= 16; ++order) {
    RealFft fft(order);
    ASSERT_EQ(fft.Size(), 1 << order);
    const std::vector<double> x = RandomReal(fft.Size(), 300 + order);
    const std::vector<Complex> got = Ours(fft, x);
    EXPECT_LT(oracle::RelativeError(got.data(), FftwReal(x)), 1e-13) << "size " << fft.Size();

    // The direct sum is slow at these sizes: a spread of bins, both ends included.
    std::vector<long long> bins = {0, 1, 2, fft.Size() / 4, fft.Size() / 2 - 1, fft.Size() / 2};
    std::mt19937 gen(order);
    for (int i = 0; i < 10; ++i) bins.push_back(gen() % (fft.Size() / 2 + 1));
    std::vector<Complex> want;
    std::vector<Complex> have;
    for (long long k : bins) {
      want.push_back(NaiveBin(x, k));
      have.push_back(got[k]);
    }
    // Relative to the largest bin of the whole spectrum, as against FFTW.
    double scale = 0;
    for (const Complex& c : got) scale = std::max(scale, oracle::Magnitude(c));
    for (std::size_t i = 0; i < bins.size(); ++i) {
      EXPECT_LT(std::hypot(have[i].re - want[i].re, have[i].im - want[i].im) / scale, 1e-13)
          << "size " << fft.Size() << " bin " << bins[i];
    }
  }
}

TEST(AnalysisRealFftTest, SmallSizesAgreeWithADirectSumAtEveryBin) {
  // Odd and even orders take the transform's radix-2 and pure radix-4 roads.
  for (int order = RealFft::kMinOrder; order < 10; ++order) {
    RealFft fft(order);
    const std::vector<double> x = RandomReal(fft.Size(), 17 * order);
    const std::vector<Complex> got = Ours(fft, x);
    std::vector<Complex> want;
    for (int k = 0; k <= fft.Size() / 2; ++k) want.push_back(NaiveBin(x, k));
    EXPECT_LT(oracle::RelativeError(got.data(), want), 1e-13) << "size " << fft.Size();
  }
}

TEST(AnalysisRealFftTest, ToneLandsInItsBinAndRepeatedCallsGiveTheSameBins) {
  RealFft fft(12);
  const int n = fft.Size();
  std::vector<double> x(n);
  const double pi = 4.0 * std::atan(1.0);
  for (int i = 0; i < n; ++i) x[i] = std::cos(2.0 * pi * 100.0 * i / n);
  const std::vector<Complex> first = Ours(fft, x);
  EXPECT_NEAR(first[100].re, n / 2.0, 1e-9);
  EXPECT_NEAR(first[100].im, 0.0, 1e-9);
  EXPECT_NEAR(oracle::Magnitude(first[99]), 0.0, 1e-9);
  EXPECT_EQ(first[0].im, 0.0);
  EXPECT_EQ(first[n / 2].im, 0.0);
  // The plan keeps no state between calls that could leak into the next result.
  std::vector<double> other = RandomReal(n, 5);
  Ours(fft, other);
  const std::vector<Complex> again = Ours(fft, x);
  for (int k = 0; k <= n / 2; ++k) {
    ASSERT_EQ(again[k].re, first[k].re) << k;
    ASSERT_EQ(again[k].im, first[k].im) << k;
  }
}

TEST(AnalysisRealFftTest, OrdersOutsideTheRangeMakeAnEmptyPlanThatWritesNothing) {
  for (int order : {-1, 0, 1, RealFft::kMaxOrder + 1}) {
    RealFft fft(order);
    EXPECT_EQ(fft.Size(), 0) << order;
    std::vector<double> x(8, 1.0);
    std::vector<Complex> out(8, Complex{oracle::kGuard, oracle::kGuard});
    fft.Forward(x.data(), out.data());
    EXPECT_EQ(out[0].re, oracle::kGuard) << order;
  }
}

}  // namespace
