#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "analysis/smoothing_windows.h"
#include "analysis/spectra.h"
#include "analysis_oracles.h"

namespace {

const double kPi = 3.14159265358979323846;

// The window weights written out from their textbook forms.
double Weight(int window, int i, int n) {
  const double x = 2 * kPi * i / (n - 1);
  switch (window) {
    case kWindowTriangular:
      return i <= (n - 1) / 2 ? 2.0 * i / (n - 1) : 2.0 - 2.0 * i / (n - 1);
    case kWindowHanning:
      return 0.5 - 0.5 * std::cos(x);
    case kWindowHamming:
      return 0.54 - 0.46 * std::cos(x);
    case kWindowBlackman:
      return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
    default:
      return 1.0;
  }
}

// Weights a window gives, read back from values 1 + 2j.
std::vector<double> Weights(int window, int n) {
  std::vector<Complex> x(n + 1, Complex{1, 2});
  ApplyWindow(x.data(), n, window);
  EXPECT_EQ(x[n].re, 1);  // past the window length nothing changes
  std::vector<double> w(n);
  for (int i = 0; i < n; ++i) {
    w[i] = x[i].re;
    EXPECT_DOUBLE_EQ(x[i].im, 2 * x[i].re) << "window " << window << " i " << i;
  }
  return w;
}

TEST(AnalysisWindowTest, WeightsMatchTheirFormsForOddAndEvenLengths) {
  for (int window = 1; window <= 5; ++window) {
    for (int n : {8, 9, 441}) {
      const std::vector<double> w = Weights(window, n);
      for (int i = 0; i < n; ++i) {
        ASSERT_NEAR(w[i], Weight(window, i, n), 1e-14) << window << " " << n << " " << i;
      }
    }
  }
  EXPECT_EQ(Weights(7, 5), std::vector<double>(5, 1.0));  // unknown choice: rectangle
}

TEST(AnalysisWindowTest, WorkedWeights) {
  const std::vector<double> tri = Weights(kWindowTriangular, 441);
  EXPECT_EQ(tri[0], 0);
  EXPECT_DOUBLE_EQ(tri[220], 1);
  EXPECT_NEAR(tri[221], 0.9955, 1e-4);
  EXPECT_NEAR(tri[440], 0, 1e-15);
  const std::vector<double> hann = Weights(kWindowHanning, 441);
  EXPECT_EQ(hann[0], 0);
  EXPECT_DOUBLE_EQ(hann[220], 1);
  EXPECT_NEAR(Weights(kWindowHamming, 441)[0], 0.08, 1e-15);
  EXPECT_NEAR(Weights(kWindowBlackman, 441)[0], 0, 1e-15);
  // Lengths without defined weights are left alone.
  Complex one{3, 4};
  WindowHanning(&one, 1);
  EXPECT_EQ(one.re, 3);
}

struct Spectra {
  std::vector<Complex> left;
  std::vector<Complex> right;
  SpectrumPeaks peaks;
};

Spectra Prepare(const std::vector<double>& left, const std::vector<double>* right, int order,
                int window) {
  FftEngine fft;
  const int size = 1 << order;
  Spectra s;
  s.left.assign(size + 1, Complex{oracle::kGuard, 0});
  s.right.assign(size + 1, Complex{oracle::kGuard, 0});
  s.peaks = PrepareSpectra(fft, left.data(), right ? right->data() : nullptr,
                           static_cast<int>(left.size()), order, window, s.left.data(),
                           right ? s.right.data() : nullptr);
  EXPECT_EQ(s.left[size].re, oracle::kGuard);
  EXPECT_EQ(s.right[size].re, oracle::kGuard);
  s.left.pop_back();
  s.right.pop_back();
  return s;
}

TEST(AnalysisSpectraTest, ConstantFrameIsTheTransformOfARectangle) {
  const int n = 441, N = 512;
  const double v = 300;
  const Spectra s = Prepare(std::vector<double>(n, v), nullptr, 9, kWindowRectangle);
  EXPECT_NEAR(s.left[0].re, n * v, 1e-9);
  EXPECT_NEAR(s.left[0].im, 0, 1e-9);
  for (int k = 1; k < N; ++k) {
    // Geometric series: v (1 - z^n) / (1 - z) with z = e^(-j 2 pi k / N).
    const std::complex<double> z = std::polar(1.0, -2 * kPi * k / N);
    const std::complex<double> want = v * (1.0 - std::pow(z, n)) / (1.0 - z);
    ASSERT_NEAR(s.left[k].re, want.real(), 1e-8) << k;
    ASSERT_NEAR(s.left[k].im, want.imag(), 1e-8) << k;
  }
  EXPECT_NEAR(s.peaks.m_dLeftSpectrumPeak, n * v, 1e-9);
  EXPECT_EQ(s.peaks.m_dLeftSpectrumMin, 0);
  EXPECT_EQ(s.peaks.m_dRightSpectrumPeak, 0);
  EXPECT_EQ(s.right[0].re, oracle::kGuard);  // one channel: the right spectrum is not touched
}

TEST(AnalysisSpectraTest, ImpulseAndSilence) {
  std::vector<double> impulse(110, 0.0);
  impulse[0] = 1;
  const Spectra s = Prepare(impulse, nullptr, 7, kWindowRectangle);
  for (const Complex& c : s.left) EXPECT_DOUBLE_EQ(oracle::Magnitude(c), 1.0);
  EXPECT_DOUBLE_EQ(s.peaks.m_dLeftSpectrumPeak, 1.0);

  const std::vector<double> silence(441, 0.0);
  const Spectra quiet = Prepare(silence, &silence, 9, kWindowBlackman);
  EXPECT_EQ(quiet.peaks.m_dLeftSpectrumPeak, 0);
  EXPECT_EQ(quiet.peaks.m_dRightSpectrumPeak, 0);
}

TEST(AnalysisSpectraTest, TwoChannelsAreWindowedZeroPaddedTransforms) {
  const int n = 480, order = 9, N = 512;
  for (int window = 1; window <= 5; ++window) {
    std::vector<double> left(n), right(n);
    const std::vector<Complex> noise = oracle::RandomSignal(n, window, 30000);
    for (int i = 0; i < n; ++i) {
      left[i] = std::round(noise[i].re);
      right[i] = std::round(noise[i].im);
    }
    const Spectra s = Prepare(left, &right, order, window);
    for (int channel = 0; channel < 2; ++channel) {
      const std::vector<double>& frame = channel ? right : left;
      std::vector<Complex> padded(N, Complex{0, 0});
      for (int i = 0; i < n; ++i) padded[i].re = frame[i] * Weight(window, i, n);
      const std::vector<Complex> want = oracle::Fftw(padded, FFTW_FORWARD);
      const std::vector<Complex>& got = channel ? s.right : s.left;
      EXPECT_LT(oracle::RelativeError(got.data(), want), 1e-12) << window << " " << channel;
      double peak = 0;
      for (const Complex& c : want) peak = std::max(peak, oracle::Magnitude(c));
      const double gotPeak = channel ? s.peaks.m_dRightSpectrumPeak : s.peaks.m_dLeftSpectrumPeak;
      EXPECT_NEAR(gotPeak, peak, peak * 1e-12);
    }
  }
}

}  // namespace
