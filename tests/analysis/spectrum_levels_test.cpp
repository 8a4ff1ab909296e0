#include "analysis/spectrum_levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/pcm_samples.h"
#include "analysis/real_fft.h"
#include "analysis/smoothing_windows.h"

namespace {

const double kPi = 4.0 * std::atan(1.0);

// The level in dBFS of the strongest bin near `bin` of a sine of peak `amplitude` at `cycles`
// cycles over n samples, windowed and transformed at size 2^order.
double ToneLevel(int window, int order, int n, double cycles, double amplitude, int bits) {
  RealFft fft(order);
  const int size = fft.Size();
  const std::vector<double> w = WindowWeights(window, n);
  double sum = 0;
  for (double v : w) sum += v;
  std::vector<double> x(size, 0.0);
  for (int i = 0; i < n; ++i) x[i] = amplitude * std::sin(2 * kPi * cycles * i / n + 0.3) * w[i];
  std::vector<Complex> bins(size / 2 + 1);
  fft.Forward(x.data(), bins.data());
  const int centre = static_cast<int>(std::lround(cycles * size / n));
  double best = 0;
  for (int k = centre - 2; k <= centre + 2; ++k) {
    best = std::max(best, BinAmplitude(bins[k], k, size, sum));
  }
  return AmplitudeToDbfs(best, FullScale(bits));
}

TEST(AnalysisSpectrumLevelsTest, FullScaleSineAtABinCentreReadsZeroDbfsWhateverTheWindow) {
  for (int window : std::vector<int>{kWindowRectangle, kWindowTriangular, kWindowHanning,
                                     kWindowHamming, kWindowBlackman, kWindowFlatTop}) {
    // Bin-centred, no padding, 16 bit.
    EXPECT_NEAR(ToneLevel(window, 12, 4096, 300, 32768, 16), 0.0, 0.01) << "window " << window;
    // Half full scale is 6.02 dB down; 8-bit full scale is 128.
    EXPECT_NEAR(ToneLevel(window, 12, 4096, 300, 16384, 16), -6.0206, 0.01) << window;
    EXPECT_NEAR(ToneLevel(window, 10, 1024, 100, 128, 8), 0.0, 0.01) << window;
  }
}

TEST(AnalysisSpectrumLevelsTest, FlatTopReadsATrueLevelBetweenBinsWhereHanningDoesNot) {
  double worstFlat = 0;
  double worstHanning = 0;
  for (double offset : {0.1, 0.25, 0.5, 0.75}) {
    const double flat = ToneLevel(kWindowFlatTop, 13, 8192, 700 + offset, 32768 * 0.5, 16);
    const double hann = ToneLevel(kWindowHanning, 13, 8192, 700 + offset, 32768 * 0.5, 16);
    worstFlat = std::max(worstFlat, std::fabs(flat + 6.0206));
    worstHanning = std::max(worstHanning, std::fabs(hann + 6.0206));
  }
  EXPECT_LT(worstFlat, 0.1);
  // The scalloping loss the flat top is there to avoid: about 1.4 dB half-way between bins.
  EXPECT_GT(worstHanning, 1.0);
}

TEST(AnalysisSpectrumLevelsTest, ZeroPaddedTransformKeepsTheLevel) {
  // 5512 samples (half a second at 11025 Hz) padded to 8192: the window's sum, not the size,
  // scales the bins.
  EXPECT_NEAR(ToneLevel(kWindowFlatTop, 13, 5512, 1000.37, 32768, 16), 0.0, 0.1);
}

TEST(AnalysisSpectrumLevelsTest, WindowWeightsAreTheDescribedWindowsAndTheirGains) {
  const std::vector<double> hann = WindowWeights(kWindowHanning, 441);
  std::vector<Complex> direct(441, Complex{1, 0});
  WindowHanning(direct.data(), 441);
  for (int i = 0; i < 441; ++i) ASSERT_EQ(hann[i], direct[i].re) << i;
  EXPECT_NEAR(CoherentGain(WindowWeights(kWindowRectangle, 64)), 1.0, 1e-15);
  EXPECT_NEAR(CoherentGain(WindowWeights(kWindowHanning, 100001)), 0.5, 1e-4);
  EXPECT_NEAR(CoherentGain(WindowWeights(kWindowFlatTop, 4096)), 0.21557895, 1e-8);
  EXPECT_EQ(CoherentGain({}), 0.0);
}

TEST(AnalysisSpectrumLevelsTest, DecibelScalesAndTheirFloor) {
  EXPECT_NEAR(AmplitudeToDbfs(32768, 32768), 0.0, 1e-12);
  EXPECT_NEAR(AmplitudeToDbfs(3276.8, 32768), -20.0, 1e-9);
  // A sine of 1.41421 V peak is 1 V RMS: 0 dBV, with 10000 counts a volt.
  EXPECT_NEAR(AmplitudeToDbv(14142.1356, 10000), 0.0, 1e-5);
  EXPECT_NEAR(AmplitudeToDbv(1414.21356, 10000), -20.0, 1e-5);
  EXPECT_EQ(AmplitudeToDbfs(0, 32768), kLevelFloorDb);
  EXPECT_EQ(AmplitudeToDbv(100, 0), kLevelFloorDb);
  EXPECT_EQ(PowerToDb(std::nan(""), 1), kLevelFloorDb);
  EXPECT_EQ(PowerToDb(1e-300, 32768), kLevelFloorDb);
  // The edge bins carry no mirror image.
  EXPECT_DOUBLE_EQ(BinAmplitude({8, 6}, 0, 16, 10), 1.0);
  EXPECT_DOUBLE_EQ(BinAmplitude({8, 6}, 3, 16, 10), 2.0);
  EXPECT_DOUBLE_EQ(BinAmplitude({8, 6}, 8, 16, 10), 1.0);
  EXPECT_EQ(BinAmplitude({8, 6}, 3, 16, 0), 0.0);
}

}  // namespace
