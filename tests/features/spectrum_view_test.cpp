#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/log_frequency_axis.h"
#include "features/spectrum/large_spectrum_pass.h"
#include "view/large_spectrum.h"
#include "view/view_test_support.h"

namespace {

const double kPi = 4.0 * std::atan(1.0);

// The scope view at 44100 Hz, two channels, 16 bit: a tone of amplitude `level` (of full scale)
// at `hz` on the left, a third of it at 3 x hz on the right.
class SpectrumViewTest : public ::testing::Test {
 protected:
  SpectrumViewTest() : host(2, 16, 44100) { host.features = {&pass}; }

  void FillTone(double hz, double level, size_t start = 0) {
    host.Fill([&](size_t f, int c) {
      const double t = static_cast<double>(f + start) / 44100;
      const double v =
          c == 0 ? level * std::sin(2 * kPi * hz * t) : level / 3 * std::sin(2 * kPi * 3 * hz * t);
      return static_cast<int>(std::lround(v * 32767));
    });
  }

  // The point of series s of chart c with the largest y.
  static int Highest(const ChartCtrl& chart, int s = 0) {
    int best = 0;
    for (int i = 1; i <= chart.GetLastIndex(); ++i) {
      if (chart.GetSerie(s).m_pY[i] > chart.GetSerie(s).m_pY[best]) best = i;
    }
    return best;
  }

  void Save(CAurivueView& view, const char* name) {
    // Pictures to look at, when asked for.
    if (const char* dir = std::getenv("AURIVUE_SPECTRUM_PNG_DIR")) {
      view.grab().save(QString("%1/%2.png").arg(dir, name));
    }
  }

  LargeSpectrumPass pass;
  ScopeViewHost host;
};

TEST_F(SpectrumViewTest, DbfsSpectrumReadsTheToneLevelOverTheWholeBandAtAnyTimeBase) {
  host.app.m_spectrum.fftSize = 16384;
  host.app.m_spectrum.scale = 1;
  host.app.m_spectrum.flatTop = true;
  host.app.m_fTimeBase = 5;  // the described spectrum would end at 4410 Hz
  FillTone(1234.5, 0.5);
  CAurivueView& view = host.MakeView(600, 1200, 800);
  host.Deliver();
  for (int c = 0; c < 2; ++c) {
    const ChartCtrl& chart = view.Chart2D(c);
    EXPECT_EQ(chart.GetXMin(), 0.0);
    EXPECT_EQ(chart.GetXMax(), 22050.0);
    EXPECT_EQ(chart.GetYMin(), -140.0);
    EXPECT_EQ(chart.GetYMax(), 0.0);
    EXPECT_EQ(chart.GetYTitle(), "Level(dBFS)");
    const int top = Highest(chart);
    const double hz = c == 0 ? 1234.5 : 3 * 1234.5;
    EXPECT_NEAR(PointX(chart, top), hz, 44100.0 / 16384) << c;
    EXPECT_NEAR(PointY(chart, top), 20 * std::log10(c == 0 ? 0.5 : 0.5 / 3), 0.1) << c;
    // One point a pixel column at most: the chart never draws all 8193 bins.
    EXPECT_LE(chart.GetLastIndex() + 1, chart.GetPlotRect().Width() + 2);
    EXPECT_GT(chart.GetLastIndex() + 1, chart.GetPlotRect().Width() / 2);
  }
  EXPECT_TRUE(host.messages.Texts().empty());
  Save(view, "spectrum_dbfs_linear");
}

TEST_F(SpectrumViewTest, LogAxisHoldsLogFrequenciesFromTwentyHertzAndReadsHertz) {
  host.app.m_spectrum.fftSize = 65536;
  host.app.m_spectrum.scale = 1;
  host.app.m_spectrum.logAxis = true;
  FillTone(1000, 0.25);
  CAurivueView& view = host.MakeView(600, 1200, 800);
  host.Deliver();
  const ChartCtrl& chart = view.Chart2D(0);
  EXPECT_TRUE(chart.IsLogX());
  EXPECT_DOUBLE_EQ(chart.GetXMin(), std::log10(20.0));
  EXPECT_DOUBLE_EQ(chart.GetXMax(), std::log10(22050.0));
  EXPECT_GE(PointX(chart, 0), std::log10(20.0) - 1e-12);
  const int top = Highest(chart);
  EXPECT_NEAR(std::pow(10.0, PointX(chart, top)), 1000, 1.0);
  // The crosshair reads the frequency and level of the point under the mouse in hertz.
  const QPoint p = chart.MapToPixel(PointX(chart, top), PointY(chart, top));
  double x = 0, y = 0;
  chart.CursorValues(p.x(), p.y() - 40, x, y);
  EXPECT_NEAR(x, 1000, 2.0);
  EXPECT_NEAR(y, PointY(chart, top), 1e-12);
  Save(view, "spectrum_dbfs_log");
}

TEST_F(SpectrumViewTest, PeakHoldAndMinimumHoldAreSeriesOfTheirOwn) {
  host.app.m_spectrum.fftSize = 4096;
  host.app.m_spectrum.scale = 1;
  host.app.m_spectrum.peakHold = true;
  host.app.m_spectrum.minimumHold = true;
  CAurivueView& view = host.MakeView(600, 1000, 600);
  FillTone(2000, 0.8);
  host.Deliver();
  FillTone(2000, 0.1);
  host.Deliver();
  const ChartCtrl& chart = view.Chart2D(0);
  ASSERT_EQ(chart.GetSeriesCount(), 3);
  const int top = Highest(chart, 1);
  EXPECT_NEAR(chart.GetSerie(1).m_pY[top], 20 * std::log10(0.8), 1.5);  // held
  EXPECT_NEAR(chart.GetSerie(0).m_pY[top], 20 * std::log10(0.1), 1.5);  // as it is now
  EXPECT_NEAR(chart.GetSerie(2).m_pY[top], 20 * std::log10(0.1), 1.5);
  for (int i = 0; i <= chart.GetLastIndex(); ++i) {
    ASSERT_GE(chart.GetSerie(1).m_pY[i], chart.GetSerie(0).m_pY[i]) << i;
    ASSERT_LE(chart.GetSerie(2).m_pY[i], chart.GetSerie(0).m_pY[i]) << i;
  }
  pass.RestartAverages();
  host.Deliver();
  EXPECT_NEAR(chart.GetSerie(1).m_pY[top], 20 * std::log10(0.1), 1.5);
}

// With two or three traces on one chart a legend names them, in each trace's colour, drawn in
// the plot's top right corner; a single trace has none.
TEST_F(SpectrumViewTest, HeldTracesAreNamedInALegend) {
  struct Case {
    bool peak, minimum;
    int average;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {false, false, 0, {}},
      {true, false, 0, {"Current", "Peak hold"}},
      {false, true, 1, {"Average", "Minimum hold"}},
      {true, true, 2, {"Average", "Peak hold", "Minimum hold"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.size());
    host.app.m_spectrum.fftSize = 4096;
    host.app.m_spectrum.scale = 1;
    host.app.m_spectrum.peakHold = c.peak;
    host.app.m_spectrum.minimumHold = c.minimum;
    host.app.m_spectrum.average = c.average;
    CAurivueView& view = host.MakeView(600, 1000, 600);
    FillTone(1000, 0.25);
    host.Deliver();
    ChartCtrl& chart = view.Chart2D(0);
    const std::vector<ChartLegendEntry>& legend = chart.GetLegend();
    ASSERT_EQ(legend.size(), c.names.size());
    for (size_t i = 0; i < legend.size(); ++i) {
      EXPECT_EQ(legend[i].text, c.names[i]);
      EXPECT_EQ(legend[i].color, chart.GetSerie(static_cast<int>(i)).m_color);
    }
    // On the screen: each trace's colour in the legend's corner, as strokes of at least the
    // stroke's length.
    const QImage picture = chart.grab().toImage();
    const DcRect plot = chart.GetPlotRect();
    for (size_t i = 0; i < legend.size(); ++i) {
      const QColor want(GetRValue(legend[i].color), GetGValue(legend[i].color),
                        GetBValue(legend[i].color));
      int run = 0, best = 0;
      for (int y = plot.top; y < plot.top + 80; ++y) {
        for (int x = plot.right - 200; x < plot.right; ++x) {
          const bool hit = picture.pixelColor(x + kClientEdgeWidth, y + kClientEdgeWidth) == want;
          run = hit ? run + 1 : 0;
          best = std::max(best, run);
        }
        run = 0;
      }
      EXPECT_GE(best, kLegendStroke) << legend[i].text;
    }
    Save(view, c.names.empty() ? "legend0" : c.names.size() == 2 ? "legend2" : "legend3");
  }
}

TEST_F(SpectrumViewTest, PhasePowerSpectrumAndWaterfallRunOnTheLargeTransform) {
  host.app.m_spectrum.fftSize = 8192;
  FillTone(1000, 0.5);
  for (int mode : {601, 605, 610, 611, 615}) {
    CAurivueView& view = host.MakeView(mode, 1000, 600);
    host.Deliver();
    const bool threeD = mode >= 610;
    const ChartCtrl& chart = threeD ? static_cast<ChartCtrl&>(view.Chart3D(0)) : view.Chart2D(0);
    EXPECT_GT(chart.GetLastIndex(), 100) << mode;
    for (int i = 0; i <= chart.GetLastIndex(); ++i) {
      ASSERT_GE(PointY(chart, i), chart.GetYMin()) << mode;
      ASSERT_LE(PointY(chart, i), chart.GetYMax()) << mode;
    }
    if (mode == 605) {
      EXPECT_EQ(chart.GetXMax(), 22050.0);
      EXPECT_NEAR(PointX(chart, Highest(chart)), 1000, 6);
    }
    if (mode == 610) Save(view, "spectrum_3d");
  }
  EXPECT_TRUE(host.messages.Texts().empty());
}

TEST_F(SpectrumViewTest, DescribedSizeIgnoresEveryOtherChoice) {
  FillTone(1000, 0.5);
  auto picture = [&](int mode) {
    CAurivueView& view = host.MakeView(mode, 900, 600);
    view.show();
    host.Deliver();
    return view.grab().toImage();
  };
  for (int mode : {600, 601, 605, 610}) {
    host.app.m_spectrum = SpectrumOptions{};
    const QImage described = picture(mode);
    host.app.m_spectrum.scale = 2;
    host.app.m_spectrum.logAxis = true;
    host.app.m_spectrum.average = 1;
    host.app.m_spectrum.peakHold = true;
    host.app.m_spectrum.flatTop = true;
    EXPECT_EQ(picture(mode), described) << mode;
    EXPECT_FALSE(LargeSpectrumFor(0));
    EXPECT_EQ(host.view->Chart2D(0).GetSeriesCount(), 1);
  }
}

}  // namespace
