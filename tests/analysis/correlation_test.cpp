#include "analysis/correlation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/spectra.h"
#include "analysis_oracles.h"

namespace {

// Correlates frames through PrepareSpectra and ComputeCorrelation, as the view does, with a
// work array full of rubbish and a guard past its N values.
std::vector<double> Correlate(const std::vector<double>& left, const std::vector<double>* right,
                              int order, int window, double& normaliser) {
  FftEngine fft;
  const int N = 1 << order;
  const int n = static_cast<int>(left.size());
  std::vector<Complex> l(N), r(N), work(N + 1, Complex{777, -777});
  work[N] = {oracle::kGuard, oracle::kGuard};
  PrepareSpectra(fft, left.data(), right ? right->data() : nullptr, n, order, window, l.data(),
                 right ? r.data() : nullptr);
  normaliser = ComputeCorrelation(fft, l.data(), right ? r.data() : nullptr, order, work.data());
  EXPECT_EQ(work[N].re, oracle::kGuard);
  std::vector<double> out(N);
  for (int m = 0; m < N; ++m) out[m] = work[m].re;
  return out;
}

TEST(AnalysisCorrelationTest, ConstantFrameFallsToTheOverlap) {
  const int n = 441, N = 512;
  const double v = 20;
  double normaliser = 0;
  const std::vector<double> c = Correlate(std::vector<double>(n, v), nullptr, 9, 1, normaliser);
  for (int m = 0; m <= N / 2; ++m) {
    const double want = v * v * (n - m + std::max(0, m - (N - n)));
    ASSERT_NEAR(c[m], want, 1e-8) << m;
    if (m > 0) {
      ASSERT_NEAR(c[N - m], want, 1e-8) << m;
    }
  }
  EXPECT_NEAR(c[0], 441 * v * v, 1e-8);
  for (int m = 71; m <= 441; ++m) ASSERT_NEAR(c[m], 370 * v * v, 1e-8) << m;
  EXPECT_NEAR(normaliser, n * v * v, 1e-8);
}

TEST(AnalysisCorrelationTest, CrossCorrelationIsTheDirectCircularSum) {
  const int n = 441, order = 9, N = 512;
  const double pi = 3.14159265358979323846;
  const std::vector<Complex> noise = oracle::RandomSignal(n, 5, 20000);
  std::vector<double> left(n), right(n);
  for (int i = 0; i < n; ++i) {
    left[i] = std::round(noise[i].re);
    right[i] = std::round(noise[i].im);
  }
  double normaliser = 0;
  const std::vector<double> c = Correlate(left, &right, order, 4, normaliser);

  // Hamming-weighted, zero-padded frames summed directly.
  std::vector<double> l(N, 0.0), r(N, 0.0);
  for (int i = 0; i < n; ++i) {
    const double w = 0.54 - 0.46 * std::cos(2 * pi * i / (n - 1));
    l[i] = left[i] * w;
    r[i] = right[i] * w;
  }
  double largest = 0;
  std::vector<double> want(N, 0.0);
  for (int m = 0; m < N; ++m) {
    for (int i = 0; i < N; ++i) want[m] += l[(i + m) % N] * r[i];
    largest = std::max(largest, std::fabs(want[m]));
  }
  for (int m = 0; m < N; ++m) ASSERT_NEAR(c[m], want[m], largest * 1e-12) << m;
  EXPECT_NEAR(normaliser, largest, largest * 1e-12);
}

TEST(AnalysisCorrelationTest, IdenticalChannelsGiveTheAutoCorrelation) {
  const std::vector<Complex> noise = oracle::RandomSignal(110, 9, 100);
  std::vector<double> frame(110);
  for (int i = 0; i < 110; ++i) frame[i] = std::round(noise[i].re);
  double autoNorm = 0, crossNorm = 0;
  const std::vector<double> a = Correlate(frame, nullptr, 7, 3, autoNorm);
  const std::vector<double> c = Correlate(frame, &frame, 7, 3, crossNorm);
  for (int m = 0; m < 128; ++m) EXPECT_NEAR(a[m], c[m], std::fabs(a[0]) * 1e-13) << m;
  EXPECT_NEAR(autoNorm, a[0], a[0] * 1e-13);
  EXPECT_NEAR(crossNorm, autoNorm, autoNorm * 1e-13);
}

TEST(AnalysisCorrelationTest, SilentFrameHasNoNormaliser) {
  double normaliser = -1;
  const std::vector<double> silence(441, 0.0);
  Correlate(silence, &silence, 9, 5, normaliser);
  EXPECT_EQ(normaliser, 0);
}

}  // namespace
