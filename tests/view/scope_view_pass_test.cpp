#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "view/pass_math.h"
#include "view_test_support.h"

namespace {

const double kPi = std::acos(-1.0);

int TwoTone(size_t frame, double rate, double f1, double a1, double f2, double a2) {
  return static_cast<int>(std::lround(a1 * std::sin(2 * kPi * f1 * frame / rate) +
                                      a2 * std::sin(2 * kPi * f2 * frame / rate)));
}

// Naive DFT of n real values zero-padded to N.
std::vector<std::complex<double>> Dft(const std::vector<double>& x, int N) {
  std::vector<std::complex<double>> X(N);
  for (int k = 0; k < N; ++k) {
    std::complex<double> s = 0;
    for (size_t i = 0; i < x.size(); ++i) s += x[i] * std::polar(1.0, -2 * kPi * k * i / N);
    X[k] = s;
  }
  return X;
}

}  // namespace

TEST(ScopeViewPassTest, SpectrumAt44100HzMatchesADirectTransform) {
  ScopeViewHost host(1, 16, 44100);
  host.Fill([](size_t f, int) { return TwoTone(f, 44100, 1000, 8000, 5000, 3000); });
  CAurivueView& view = host.MakeView(600);
  host.Deliver();
  ChartCtrl& c = view.Chart2D(0);
  EXPECT_DOUBLE_EQ(c.GetXMax(), 22050);
  EXPECT_DOUBLE_EQ(c.GetYMax(), 2);
  EXPECT_EQ(c.GetLastIndex(), 255);

  std::vector<double> frame(441);
  for (int i = 0; i < 441; ++i) frame[i] = TwoTone(i, 44100, 1000, 8000, 5000, 3000);
  auto X = Dft(frame, 512);
  double peak = 0;
  for (auto& v : X) peak = std::max(peak, std::abs(v));
  for (int k = 0; k < 256; ++k) {
    ASSERT_DOUBLE_EQ(PointX(c, k), k * 44100.0 / 512) << k;
    ASSERT_NEAR(PointY(c, k), std::abs(X[k]) / peak, 1e-9) << k;
  }
}

TEST(ScopeViewPassTest, SpectrumAt11025HzTimeBase2UsesTheHundredsRate) {
  ScopeViewHost host(2, 16, 11025);
  host.app.m_fTimeBase = 2;
  host.Fill([](size_t f, int c) { return c ? 100 : TwoTone(f, 11025, 300, 5000, 0, 0); });
  CAurivueView& view = host.MakeView(610);
  host.Deliver();
  for (int c = 0; c < 2; ++c) {
    Chart3DCtrl& chart = view.Chart3D(c);
    EXPECT_DOUBLE_EQ(chart.GetBoxXMax(), 2756.25);
    EXPECT_DOUBLE_EQ(PointX(chart, 1), 42.96875);
    EXPECT_EQ(chart.GetLastIndex(), 63);
  }
  // A constant right channel: its whole spectrum peak is at bin 0.
  EXPECT_DOUBLE_EQ(PointY(view.Chart3D(1), 0), 1.0);
}

TEST(ScopeViewPassTest, PhaseOfACosineAtABinIsZeroAndOfASineMinus90) {
  ScopeViewHost host(2, 16, 44100);
  // Bin 4 of 512 at the 1 ms frame would need a whole number of periods in 512 samples; with
  // 441 samples a single impulse at sample 1 gives the closed form phase -360 k / 512 instead.
  host.Fill([](size_t f, int c) { return f == (c ? 2u : 1u) ? 1000 : 0; });
  CAurivueView& view = host.MakeView(601);
  host.Deliver();
  for (int c = 0; c < 2; ++c) {
    ChartCtrl& chart = view.Chart2D(c);
    EXPECT_DOUBLE_EQ(chart.GetYMin(), -180);
    int delay = c ? 2 : 1;
    for (int k = 0; k < 256; ++k) {
      double expected = std::remainder(-360.0 * delay * k / 512, 360.0);
      double got = PointY(chart, k);
      double diff = std::remainder(got - expected, 360.0);
      ASSERT_NEAR(diff, 0, 1e-6) << "channel " << c << " bin " << k;
      ASSERT_GE(got, -180);
      ASSERT_LE(got, 180);
    }
  }
}

TEST(ScopeViewPassTest, OscillographAtTimeBase50SpansHalfASecond) {
  ScopeViewHost host(1, 16, 11025);
  host.app.m_fTimeBase = 50;
  host.app.m_fLeftScale = 250;
  host.Fill([](size_t f, int) { return static_cast<int>(f); });
  CAurivueView& view = host.MakeView(602);
  host.Deliver();
  ChartCtrl& c = view.Chart2D(0);
  EXPECT_DOUBLE_EQ(c.GetXMax(), 500);
  EXPECT_DOUBLE_EQ(c.GetYMin(), -1000);
  EXPECT_DOUBLE_EQ(c.GetYMax(), 1000);
  EXPECT_EQ(c.GetLastIndex(), 109);
  for (int i = 0; i < 110; ++i) {
    ASSERT_NEAR(PointX(c, i), i * 500.0 / 110, 1e-9);
    ASSERT_NEAR(PointY(c, i), 50.0 * i * 1000 / 32000, 1e-9);  // 50 frames apart
  }
}

TEST(ScopeViewPassTest, OscillographDrawsMillivoltsPerChannelScale) {
  ScopeViewHost host(2, 16, 44100);
  host.app.m_fLeftScale = 250;
  host.app.m_fRightScale = 5;
  host.Fill([](size_t, int c) { return c ? -320 : 16000; });
  CAurivueView& view = host.MakeView(612);
  host.Deliver();
  EXPECT_DOUBLE_EQ(PointY(view.Chart3D(0), 7), 500.0);
  EXPECT_DOUBLE_EQ(view.Chart3D(0).GetBoxYMax(), 1000);
  EXPECT_DOUBLE_EQ(view.Chart3D(1).GetBoxYMin(), -20);
  EXPECT_DOUBLE_EQ(PointY(view.Chart3D(1), 7), -10.0);
}

TEST(ScopeViewPassTest, LissajousOfIdenticalChannelsLiesOnTheDiagonal) {
  for (int dim = 0; dim < 2; ++dim) {
    ScopeViewHost host(2, 16, 44100);
    host.Fill([](size_t f, int) { return TwoTone(f, 44100, 700, 9000, 2100, 4000); });
    CAurivueView& view = host.MakeView(603 + 10 * dim);
    host.Deliver();
    ChartCtrl& c = dim ? static_cast<ChartCtrl&>(view.Chart3D(0)) : view.Chart2D(0);
    const double lo = dim ? 0 : -1, hi = dim ? 2 : 1;
    std::vector<double> frame(441);
    int largest = 0;
    for (int i = 0; i < 441; ++i) {
      frame[i] = TwoTone(i, 44100, 700, 9000, 2100, 4000);
      if (std::fabs(frame[i]) > std::fabs(frame[largest])) largest = i;
    }
    for (int i = 0; i < 441; ++i) {
      ASSERT_DOUBLE_EQ(PointX(c, i), PointY(c, i));
      ASSERT_GE(PointX(c, i), lo);
      ASSERT_LE(PointX(c, i), hi);
    }
    const double corner = frame[largest] > 0 ? hi : lo;
    EXPECT_DOUBLE_EQ(PointX(c, largest), corner);
    EXPECT_DOUBLE_EQ(PointY(c, largest), corner);
  }
}

TEST(ScopeViewPassTest, LissajousDividesEachChannelByTheOthersPeak) {
  ScopeViewHost host(2, 16, 44100);
  host.Fill([](size_t f, int c) { return f == 5 ? (c ? 100 : 400) : 0; });
  CAurivueView& view = host.MakeView(603);
  host.Deliver();
  EXPECT_DOUBLE_EQ(PointX(view.Chart2D(0), 5), 100.0 / 400);  // right / left peak
  EXPECT_DOUBLE_EQ(PointY(view.Chart2D(0), 5), 2.0);          // 400 / 100, at the range top
}

TEST(ScopeViewPassTest, CorrelationStartsAtOneAndIsRetitled) {
  struct {
    int channels;
    int mode;
    const char* title;
  } cases[] = {{1, 604, "Auto-Correlation"},
               {1, 614, "Auto-Correlation"},
               {2, 604, "Cross-Correlate"},
               {2, 614, "Cross-Correlation"}};
  for (const auto& c : cases) {
    ScopeViewHost host(c.channels, 16, 44100);
    host.Fill([](size_t f, int) { return TwoTone(f, 44100, 440, 7000, 3000, 2000); });
    CAurivueView& view = host.MakeView(c.mode);
    host.Deliver();
    ChartCtrl& chart = c.mode == 614 ? static_cast<ChartCtrl&>(view.Chart3D(0)) : view.Chart2D(0);
    EXPECT_EQ(chart.GetTitle(), c.title);
    EXPECT_DOUBLE_EQ(PointX(chart, 0), 0);
    EXPECT_NEAR(PointY(chart, 0), 1.0, 1e-12);
    EXPECT_EQ(chart.GetLastIndex(), 440);
  }
}

TEST(ScopeViewPassTest, CorrelationOfAConstantFrameFollowsTheOverlap) {
  ScopeViewHost host(1, 16, 44100);
  host.Fill([](size_t, int) { return 100; });
  CAurivueView& view = host.MakeView(604);
  host.Deliver();
  ChartCtrl& c = view.Chart2D(0);
  // Lag m = j * 512 / 441; value (n - m + max(0, m - (N - n))) / n for m <= N/2, mirrored.
  for (int j = 0; j < 441; ++j) {
    int m = j * 512 / 441;
    int mm = m <= 256 ? m : 512 - m;
    double expected = (441.0 - mm + std::max(0, mm - 71)) / 441.0;
    ASSERT_NEAR(PointY(c, j), expected, 1e-9) << j;
    ASSERT_NEAR(PointX(c, j), 10.0 * j / 441, 1e-12);
  }
}

TEST(ScopeViewPassTest, PowerLevelRangeFollowsTheTensRule) {
  const double a[] = {-57.3, 23.8, 0.0};
  LevelRange r = PowerLevelRange(a, 3);
  EXPECT_DOUBLE_EQ(r.bottom, -60);
  EXPECT_DOUBLE_EQ(r.top, 30);
  const double b[] = {-12.5, -3, 0.0};
  r = PowerLevelRange(b, 3);
  EXPECT_DOUBLE_EQ(r.bottom, -20);
  EXPECT_DOUBLE_EQ(r.top, -10);
  const double c[] = {0.5, 40.0, 12};
  r = PowerLevelRange(c, 3);
  EXPECT_DOUBLE_EQ(r.top, 50);
  EXPECT_DOUBLE_EQ(r.bottom, -10);
  // Silent levels and levels between -10 and 0 would give an empty or infinite range.
  const double inf = std::numeric_limits<double>::infinity();
  const double d[] = {-inf, -inf};
  r = PowerLevelRange(d, 2);
  EXPECT_TRUE(std::isfinite(r.bottom));
  EXPECT_LT(r.bottom, r.top);
  const double e[] = {-5, -0.1};
  r = PowerLevelRange(e, 2);
  EXPECT_LT(r.bottom, r.top);
  EXPECT_DOUBLE_EQ(r.top, -10);
}

TEST(ScopeViewPassTest, PowerSpectrumOfASilentFrameIsClampedToAFiniteRange) {
  ScopeViewHost host(2, 16, 11025);
  host.Fill([](size_t, int) { return 0; });
  CAurivueView& view = host.MakeView(615);
  host.Deliver();
  Chart3DCtrl& c = view.Chart3D(0);
  EXPECT_TRUE(std::isfinite(c.GetBoxYMin()));
  EXPECT_LT(c.GetBoxYMin(), c.GetBoxYMax());
  EXPECT_EQ(c.GetLastIndex(), 63);
  for (int k = 0; k < 64; ++k) {
    ASSERT_DOUBLE_EQ(PointY(c, k), c.GetYMin());
    ASSERT_DOUBLE_EQ(PointX(c, k), k * 11025.0 / 128);
  }
}

TEST(ScopeViewPassTest, PowerSpectrumRangeEnclosesItsLevelsInTens) {
  ScopeViewHost host(1, 16, 44100);
  host.Fill([](size_t f, int) { return TwoTone(f, 44100, 2000, 9000, 9000, 500); });
  CAurivueView& view = host.MakeView(605);
  host.Deliver();
  ChartCtrl& c = view.Chart2D(0);
  EXPECT_DOUBLE_EQ(c.GetXMax(), 22050);
  EXPECT_EQ(std::fmod(c.GetYMax(), 10.0), 0.0);
  EXPECT_EQ(std::fmod(c.GetYMin(), 10.0), 0.0);
  EXPECT_GT(c.GetYMax(), 0);  // a loud tone lies well above 0 dB
  for (int k = 0; k < 256; ++k) ASSERT_NEAR(PointX(c, k), k * 44100.0 / 512, 1e-9);
}

TEST(ScopeViewPassTest, SilentFramesGoThroughTheChartsClamping) {
  ScopeViewHost host(2, 16, 44100);
  host.Fill([](size_t, int) { return 0; });
  for (int mode : {600, 603, 604, 610, 613, 614}) {
    CAurivueView& view = host.MakeView(mode);
    host.Deliver();
    ChartCtrl& c = mode >= 610 ? static_cast<ChartCtrl&>(view.Chart3D(0)) : view.Chart2D(0);
    EXPECT_GT(c.GetLastIndex(), 0) << mode;
    EXPECT_DOUBLE_EQ(PointY(c, 3), c.GetYMin()) << mode;  // 0/0 is stored at the bottom
  }
  EXPECT_TRUE(host.messages.Texts().empty());
}

TEST(ScopeViewPassTest, PowerOffChangesNothing) {
  ScopeViewHost host(1, 16, 44100);
  host.Fill([](size_t f, int) { return static_cast<int>(f % 50); });
  CAurivueView& view = host.MakeView(602);
  host.Deliver();
  ChartCtrl& c = view.Chart2D(0);
  std::vector<double> before(c.GetSerie(0).m_pY.get(), c.GetSerie(0).m_pY.get() + 441);
  const double leftBefore = view.LeftSamples()[3];
  host.app.m_bPowerOn = 0;
  host.app.m_fLeftScale = 5;
  host.Fill([](size_t, int) { return 999; });
  host.Deliver();
  EXPECT_DOUBLE_EQ(c.GetYMax(), 1000);
  EXPECT_DOUBLE_EQ(view.LeftSamples()[3], leftBefore);
  for (int i = 0; i < 441; ++i) ASSERT_EQ(PointY(c, i), before[i]);
}

TEST(ScopeViewPassTest, WaterfallHistoryFillsAndANewViewRestartsIt) {
  ScopeViewHost host(1, 16, 44100);
  host.Fill([](size_t f, int) { return static_cast<int>(f); });
  CAurivueView* view = &host.MakeView(612);
  auto filled = [&] {
    int n = 0;
    for (int i = 0; i < 24; ++i) n += view->Chart3D(0).GetSerie(i).m_bHasData;
    return n;
  };
  EXPECT_EQ(filled(), 0);
  host.Deliver();
  EXPECT_EQ(filled(), 2);
  host.Deliver();
  host.Deliver();
  EXPECT_EQ(filled(), 4);
  view = &host.MakeView(612);
  EXPECT_EQ(filled(), 0);
}

TEST(ScopeViewPassTest, PassMathWorkedNumbers) {
  EXPECT_DOUBLE_EQ(FrequencyAxisEnd(11025, 2), 2756.25);
  EXPECT_DOUBLE_EQ(BinFrequency(1, 110, 128, 2), 42.96875);
  EXPECT_DOUBLE_EQ(BinFrequency(255, 441, 512, 1), 255 * 44100.0 / 512);
  EXPECT_DOUBLE_EQ(BinFrequency(3, 220, 256, 1), 3 * 22000.0 / 256);  // not 22050
  EXPECT_DOUBLE_EQ(SampleTime(110, 110, 50), 500);
  EXPECT_DOUBLE_EQ(CorrelationTime(0, 441, 1), 0);
}
