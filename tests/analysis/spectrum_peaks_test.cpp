#include "analysis/spectrum_peaks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/fft_engine.h"
#include "analysis/smoothing_windows.h"
#include "analysis/spectrum_levels.h"
#include "analysis_oracles.h"

namespace {

struct Tone {
  double bin;  // frequency in bins of the transform
  double amplitude;
  double phase;
};

// Bin magnitudes 0..size/2 of the windowed tones (count samples, zero-padded to size), by FFTW.
std::vector<double> Magnitudes(const std::vector<Tone>& tones, const std::vector<double>& w,
                               int size) {
  std::vector<Complex> x(size, Complex{0, 0});
  for (size_t i = 0; i < w.size(); ++i) {
    double v = 0;
    for (const Tone& t : tones) {
      v += t.amplitude * std::cos(2 * std::numbers::pi * t.bin * i / size + t.phase);
    }
    x[i].re = v * w[i];
  }
  const std::vector<Complex> X = oracle::Fftw(x, FFTW_FORWARD);
  std::vector<double> m(size / 2 + 1);
  for (int k = 0; k <= size / 2; ++k) m[k] = oracle::Magnitude(X[k]);
  return m;
}

double SumOf(const std::vector<double>& w) {
  double s = 0;
  for (double v : w) s += v;
  return s;
}

const int kWindows[] = {kWindowRectangle, kWindowTriangular, kWindowHanning,
                        kWindowHamming,   kWindowBlackman,   kWindowFlatTop};

TEST(WindowLobeTest, GainIsTheWindowsOwnTransform) {
  // Closed forms for the rectangle of n = size: |sin(pi u) / sin(pi u / n)|.
  const int n = 512;
  const WindowLobe rect(std::vector<double>(n, 1.0), n);
  for (double u : {0.0, 0.013, 0.25, 0.5, 0.77, 1.5, 2.3}) {
    const double expected =
        u == 0 ? n : std::fabs(std::sin(std::numbers::pi * u) / std::sin(std::numbers::pi * u / n));
    EXPECT_NEAR(rect.Gain(u), expected, 1e-6 * n) << u;
    EXPECT_NEAR(rect.Gain(-u), expected, 1e-6 * n) << u;
  }
  EXPECT_NEAR(rect.MainLobeHalfWidth(), 1.0, 1.0 / 64);
  const WindowLobe hann(WindowWeights(kWindowHanning, n), n);
  EXPECT_NEAR(hann.MainLobeHalfWidth(), 2.0, 0.05);
  // Zero-padded to twice its length, the lobe is twice as wide in bins; the symmetric window
  // spans n - 1 intervals, so its first null lies at 2 size / (n - 1) bins.
  const WindowLobe padded(WindowWeights(kWindowHanning, n), 2 * n);
  EXPECT_NEAR(padded.MainLobeHalfWidth(), 2.0 * 2 * n / (n - 1), 1.0 / 64);
  EXPECT_EQ(DefaultPeakSeparation(rect), 3);
  EXPECT_EQ(DefaultPeakSeparation(padded), 5);
}

TEST(SpectrumPeakTest, ToneBetweenBinsReadsWithEveryWindow) {
  struct Length {
    int count, size;
  };
  const Length lengths[] = {{1024, 1024}, {700, 1024}, {4096, 4096}};
  for (const Length& len : lengths) {
    for (int window : kWindows) {
      const std::vector<double> w = WindowWeights(window, len.count);
      const WindowLobe lobe(w, len.size);
      for (double frac : {0.0, 0.1, 0.25, 0.37, 0.5, 0.62, 0.81, 0.97}) {
        const Tone tone{len.size / 8.0 + 3 + frac, 1000.0, 0.3 + frac};
        const std::vector<double> m = Magnitudes({tone}, w, len.size);
        const std::vector<SpectrumPeak> peaks =
            FindSpectrumPeaks(m.data(), static_cast<int>(m.size()), lobe, 1, 3);
        ASSERT_EQ(peaks.size(), 1u);
        const double amplitude = 2 * peaks[0].magnitude / SumOf(w);
        EXPECT_NEAR(peaks[0].bin, tone.bin, 0.01)
            << "window " << window << " n " << len.count << " frac " << frac;
        EXPECT_NEAR(20 * std::log10(amplitude / tone.amplitude), 0.0, 0.05)
            << "window " << window << " n " << len.count << " frac " << frac;
      }
    }
  }
}

TEST(SpectrumPeakTest, HighestPeaksOfAMultitoneInOrder) {
  // Fs 48 kHz, 4096 points: tones at 1, 3, 5 and 7.5 kHz (bins 85.33, 256, 426.67, 640).
  const double binHz = 48000.0 / 4096;
  const std::vector<Tone> tones = {{1000 / binHz, 1000, 0.1},
                                   {3000 / binHz, 500, 1.0},
                                   {5000 / binHz, 250, 2.0},
                                   {7500 / binHz, 100, 0.5}};
  for (int window : {int{kWindowHanning}, int{kWindowBlackman}, kWindowFlatTop}) {
    const std::vector<double> w = WindowWeights(window, 4096);
    const WindowLobe lobe(w, 4096);
    const std::vector<double> m = Magnitudes(tones, w, 4096);
    const std::vector<SpectrumPeak> peaks = FindSpectrumPeaks(
        m.data(), static_cast<int>(m.size()), lobe, 4, DefaultPeakSeparation(lobe) + 2);
    ASSERT_EQ(peaks.size(), 4u) << window;
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(peaks[i].bin * binHz, tones[i].bin * binHz, 0.01 * binHz) << window << " " << i;
      EXPECT_NEAR(20 * std::log10(2 * peaks[i].magnitude / SumOf(w) / tones[i].amplitude), 0, 0.05)
          << window << " " << i;
    }
    // "Next peak" walks down the list from any level.
    EXPECT_EQ(NextLowerPeak(peaks, peaks[0].magnitude), 1);
    EXPECT_EQ(NextLowerPeak(peaks, peaks[2].magnitude * 1.0001), 2);
    EXPECT_EQ(NextLowerPeak(peaks, peaks[3].magnitude), -1);
    // A marker left near a tone keeps reading it.
    SpectrumPeak near;
    ASSERT_TRUE(
        ReadPeakNear(m.data(), static_cast<int>(m.size()), lobe, tones[2].bin + 1.4, 3, near));
    EXPECT_NEAR(near.bin, tones[2].bin, 0.01);
    EXPECT_FALSE(ReadPeakNear(m.data(), 3, lobe, 2000.0, 3, near));
  }
}

TEST(SpectrumPeakTest, SeparationKeepsNeighboursOut) {
  // A weak tone 6.2 bins above a strong one (clear of the Hann lobe) is a peak of its own, but
  // not when the peaks must lie 8 bins apart; the next tone further up is found either way.
  const std::vector<double> w = WindowWeights(kWindowHanning, 1024);
  const WindowLobe lobe(w, 1024);
  const std::vector<double> m =
      Magnitudes({{100.3, 1000, 0}, {106.5, 100, 1}, {150.7, 10, 2}}, w, 1024);
  const std::vector<SpectrumPeak> near = FindSpectrumPeaks(m.data(), 513, lobe, 3, 3);
  ASSERT_EQ(near.size(), 3u);
  EXPECT_NEAR(near[1].bin, 106.5, 0.05);
  const std::vector<SpectrumPeak> apart = FindSpectrumPeaks(m.data(), 513, lobe, 2, 8);
  ASSERT_EQ(apart.size(), 2u);
  EXPECT_NEAR(apart[0].bin, 100.3, 0.05);
  EXPECT_NEAR(apart[1].bin, 150.7, 0.05);
}

TEST(SpectrumPeakTest, MeasuredPeaksOfAKnownMultitone) {
  // 1, 3 and 5 kHz at 48 kHz, -6, -12 and -20 dBFS (of 32768), 10000 samples of which the first
  // 8192 are read; the transform is ours, the answer the tones themselves.
  struct Tone {
    double hz, db;
  };
  const Tone tones[] = {{1000, -6}, {3000, -12}, {5000.7, -20}};
  std::vector<double> x(10000);
  for (size_t i = 0; i < x.size(); ++i) {
    for (const Tone& t : tones) {
      x[i] += 32768 * std::pow(10.0, t.db / 20) *
              std::sin(2 * std::numbers::pi * t.hz * i / 48000 + t.db);
    }
  }
  FftEngine fft;
  for (int window : kWindows) {
    const std::vector<MeasuredPeak> peaks =
        MeasureSpectrumPeaks(fft, x.data(), static_cast<int>(x.size()), 48000, window, 32768, 3);
    ASSERT_EQ(peaks.size(), 3u) << window;
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(peaks[i].hz, tones[i].hz, 0.06) << window << " " << i;
      EXPECT_NEAR(peaks[i].db, tones[i].db, 0.05) << window << " " << i;
    }
  }
  EXPECT_TRUE(MeasureSpectrumPeaks(fft, x.data(), 4, 48000, kWindowHanning, 32768, 3).empty());
}

TEST(SpectrumPeakTest, NoPeaksInSilenceAndDcIsNoCandidate) {
  const WindowLobe lobe(WindowWeights(kWindowHanning, 64), 64);
  std::vector<double> zero(33, 0.0);
  EXPECT_TRUE(FindSpectrumPeaks(zero.data(), 33, lobe, 8, 3).empty());
  std::vector<double> dc(33, 0.0);
  dc[0] = 100;
  dc[1] = 50;
  EXPECT_TRUE(FindSpectrumPeaks(dc.data(), 33, lobe, 8, 3).empty());
  const MarkerDelta d = MarkerDeltaTo(3000, -26, 1000, -6);
  EXPECT_DOUBLE_EQ(d.hz, 2000);
  EXPECT_DOUBLE_EQ(d.db, -20);
}

}  // namespace
