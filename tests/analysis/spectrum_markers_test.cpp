#include "analysis/spectrum_markers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/smoothing_windows.h"
#include "analysis/spectrum_levels.h"
#include "analysis_oracles.h"

namespace {

struct Tone {
  double bin;
  double amplitude;
};

// Bin magnitudes 0..size/2 of the windowed tones, by FFTW.
std::vector<double> Magnitudes(const std::vector<Tone>& tones, const std::vector<double>& w,
                               int size) {
  std::vector<Complex> x(size, Complex{0, 0});
  for (size_t i = 0; i < w.size(); ++i) {
    double v = 0;
    for (const Tone& t : tones)
      v += t.amplitude * std::cos(2 * std::numbers::pi * t.bin * i / size);
    x[i].re = v * w[i];
  }
  const std::vector<Complex> X = oracle::Fftw(x, FFTW_FORWARD);
  std::vector<double> m(size / 2 + 1);
  for (int k = 0; k <= size / 2; ++k) m[k] = oracle::Magnitude(X[k]);
  return m;
}

double AmplitudeOf(double magnitude, const std::vector<double>& w) {
  double sum = 0;
  for (double v : w) sum += v;
  return 2 * magnitude / sum;
}

const int kWindows[] = {kWindowRectangle, kWindowTriangular, kWindowHanning,
                        kWindowHamming,   kWindowBlackman,   kWindowFlatTop};

// "Peak" then "next peak" twice walks a multitone down in level, each read between its bins.
TEST(SpectrumMarkersTest, PeakAndNextPeaksWalkDownAMultitone) {
  const int size = 2048;
  const std::vector<Tone> tones = {{100.3, 1.0}, {230.71, 0.3}, {400.5, 0.1}};
  for (int window : kWindows) {
    const std::vector<double> w = WindowWeights(window, size);
    const std::vector<double> m = Magnitudes(tones, w, size);
    const WindowLobe lobe(w, size);
    MarkerSet set;
    for (size_t i = 0; i < tones.size(); ++i) {
      ASSERT_TRUE(AddPeakMarker(m.data(), static_cast<int>(m.size()), lobe, set)) << window;
    }
    const std::vector<SpectrumPeak> read =
        ReadMarkers(m.data(), static_cast<int>(m.size()), lobe, set);
    ASSERT_EQ(read.size(), tones.size());
    // The rectangle's far side lobes of the loud tone (-60 dB at 300 bins) reach the quiet one.
    const double tolerance = window == kWindowRectangle ? 0.02 : 0.01;
    for (size_t i = 0; i < tones.size(); ++i) {
      EXPECT_NEAR(read[i].bin, tones[i].bin, tolerance) << window << " marker " << i + 1;
      EXPECT_NEAR(20 * std::log10(AmplitudeOf(read[i].magnitude, w) / tones[i].amplitude), 0, 0.05)
          << window << " marker " << i + 1;
    }
  }
}

TEST(SpectrumMarkersTest, NoMoreThanEightMarkers) {
  const int size = 4096;
  std::vector<Tone> tones;
  for (int i = 0; i < 10; ++i) tones.push_back({100.0 + 150 * i + 0.25, 1.0 / (i + 1)});
  const std::vector<double> w = WindowWeights(kWindowHanning, size);
  const std::vector<double> m = Magnitudes(tones, w, size);
  const WindowLobe lobe(w, size);
  MarkerSet set;
  int added = 0;
  while (AddPeakMarker(m.data(), static_cast<int>(m.size()), lobe, set)) ++added;
  EXPECT_EQ(added, MarkerSet::kMaxMarkers);
  // Highest first: the eighth is the eighth tone.
  EXPECT_NEAR(set.bins.back(), tones[7].bin, 0.01);
}

// From frame to frame a marker stays on its tone as it drifts, and a continuous marker 1 goes
// to whichever tone is highest now.
TEST(SpectrumMarkersTest, MarkersFollowTheirTones) {
  const int size = 2048;
  const std::vector<double> w = WindowWeights(kWindowHanning, size);
  const WindowLobe lobe(w, size);
  const std::vector<double> before = Magnitudes({{100.2, 1.0}, {300.4, 0.5}}, w, size);
  struct Case {
    bool continuous;
    std::vector<Tone> after;
    double marker1, marker2;
  };
  const Case cases[] = {
      // Both tones drift by most of a bin: the markers follow.
      {false, {{100.9, 1.0}, {299.7, 0.5}}, 100.9, 299.7},
      // The levels swap: a plain marker 1 keeps its tone, a continuous one jumps.
      {false, {{100.2, 0.2}, {300.4, 0.8}}, 100.2, 300.4},
      {true, {{100.2, 0.2}, {300.4, 0.8}}, 300.4, 300.4},
  };
  for (const Case& c : cases) {
    MarkerSet set;
    set.continuous = c.continuous;
    ASSERT_TRUE(AddPeakMarker(before.data(), static_cast<int>(before.size()), lobe, set));
    ASSERT_TRUE(AddPeakMarker(before.data(), static_cast<int>(before.size()), lobe, set));
    const std::vector<double> after = Magnitudes(c.after, w, size);
    const std::vector<SpectrumPeak> read =
        ReadMarkers(after.data(), static_cast<int>(after.size()), lobe, set);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_NEAR(read[0].bin, c.marker1, 0.01) << c.continuous;
    EXPECT_NEAR(read[1].bin, c.marker2, 0.01) << c.continuous;
    EXPECT_NEAR(set.bins[0], c.marker1, 0.01);
  }
}

TEST(SpectrumMarkersTest, NothingToMarkOnSilence) {
  const int size = 256;
  const std::vector<double> silence(size / 2 + 1, 0.0);
  const WindowLobe lobe(WindowWeights(kWindowHanning, size), size);
  MarkerSet set;
  EXPECT_FALSE(AddPeakMarker(silence.data(), static_cast<int>(silence.size()), lobe, set));
  EXPECT_FALSE(AddPeakMarker(nullptr, 0, lobe, set));
  set.bins = {10.4};
  const std::vector<SpectrumPeak> read =
      ReadMarkers(silence.data(), static_cast<int>(silence.size()), lobe, set);
  ASSERT_EQ(read.size(), 1u);
  // A marker whose tone is gone stays where it stood and reads the level there.
  EXPECT_DOUBLE_EQ(read[0].bin, 10.4);
  EXPECT_DOUBLE_EQ(read[0].magnitude, 0.0);
}

}  // namespace
