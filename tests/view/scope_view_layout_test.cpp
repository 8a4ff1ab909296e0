#include <gtest/gtest.h>

#include "platform/device_context.h"
#include "view_test_support.h"

namespace {

DcRect Rect(int l, int t, int r, int b) { return DcRect{l, t, r, b}; }

}  // namespace

TEST(ScopeViewLayoutTest, OneChannelGivesOneTitledChartForDoubleCapableModes) {
  ScopeViewHost host(1, 16, 44100);
  const char* titles[] = {"Spectrum", "Phase", "OscilloGraph"};
  for (int a = 0; a < 3; ++a) {
    CAurivueView& view = host.MakeView(600 + a);
    EXPECT_EQ(view.Chart2D(0).GetTitle(), titles[a]);
    EXPECT_TRUE(view.Chart2D(0).HasWindow());
    EXPECT_FALSE(view.Chart2D(1).HasWindow());
    EXPECT_EQ(view.Chart2D(0).GetCreateRect(), Rect(0, 0, 800, 501));
    EXPECT_EQ(view.Chart2D(0).GetDlgCtrlID(), 300);

    CAurivueView& view3 = host.MakeView(610 + a);
    EXPECT_EQ(view3.Chart3D(0).GetTitle(), titles[a]);
    EXPECT_TRUE(view3.Chart3D(0).HasWindow());
    EXPECT_FALSE(view3.Chart3D(1).HasWindow());
    EXPECT_FALSE(view3.Chart2D(0).HasWindow());
    EXPECT_EQ(view3.Chart3D(0).GetDlgCtrlID(), 300);
  }
  EXPECT_TRUE(host.messages.Texts().empty());
}

TEST(ScopeViewLayoutTest, TwoChannelsStackLeftAboveRightOverlappingByOnePixel) {
  ScopeViewHost host(2, 16, 44100);
  struct {
    int mode;
    const char* top;
    const char* bottom;
  } cases[] = {{600, "Channel Left Spectrum", "Channel Right Spectrum"},
               {601, "Channel Left Phase", "Channel Right Phase"},
               {602, "OscilloGraph(Channel Left)", "OscilloGraph(Channel Right)"}};
  for (const auto& c : cases) {
    CAurivueView& view = host.MakeView(c.mode, 640, 501);
    EXPECT_EQ(view.Chart2D(0).GetTitle(), c.top);
    EXPECT_EQ(view.Chart2D(1).GetTitle(), c.bottom);
    EXPECT_EQ(view.Chart2D(0).GetCreateRect(), Rect(0, 0, 640, 251));
    EXPECT_EQ(view.Chart2D(1).GetCreateRect(), Rect(0, 250, 640, 501));
    EXPECT_EQ(view.Chart2D(0).GetDlgCtrlID(), 300);
    EXPECT_EQ(view.Chart2D(1).GetDlgCtrlID(), 310);

    CAurivueView& view3 = host.MakeView(c.mode + 10, 640, 501);
    EXPECT_EQ(view3.Chart3D(0).GetTitle(), c.top);
    EXPECT_EQ(view3.Chart3D(1).GetTitle(), c.bottom);
    EXPECT_EQ(view3.Chart3D(1).GetCreateRect(), Rect(0, 250, 640, 501));
    EXPECT_EQ(view3.Chart3D(0).GetDlgCtrlID(), 540);
    EXPECT_EQ(view3.Chart3D(1).GetDlgCtrlID(), 540);
  }
}

TEST(ScopeViewLayoutTest, LissajousCorrelationAndPowerAreSingleWhateverTheChannels) {
  ScopeViewHost host(2, 16, 44100);
  struct {
    int mode;
    const char* title;
    const char* x;
    const char* y;
  } cases[] = {{603, "Lissajous Pattern", "X", "Y"},
               {604, "Correlation", "Time(ms)", "Coefficient"},
               {605, "Power Spectrum", "Frequency(Hz)", "Estimation(dB)"}};
  for (const auto& c : cases) {
    for (int dim = 0; dim < 2; ++dim) {
      CAurivueView& view = host.MakeView(c.mode + 10 * dim);
      ChartCtrl& chart = dim ? static_cast<ChartCtrl&>(view.Chart3D(0)) : view.Chart2D(0);
      ChartCtrl& other = dim ? static_cast<ChartCtrl&>(view.Chart3D(1)) : view.Chart2D(1);
      EXPECT_EQ(chart.GetTitle(), c.title);
      EXPECT_EQ(chart.GetXTitle(), c.x);
      EXPECT_EQ(chart.GetYTitle(), c.y);
      EXPECT_TRUE(chart.HasWindow());
      EXPECT_FALSE(other.HasWindow());
      EXPECT_EQ(chart.GetCreateRect(), Rect(0, 0, 800, 501));
    }
  }
}

TEST(ScopeViewLayoutTest, ChartParametersBeforeTheFirstBuffer) {
  ScopeViewHost host(2, 16, 44100);
  CAurivueView& view = host.MakeView(602);
  ChartCtrl& c = view.Chart2D(1);
  EXPECT_EQ(c.GetXTitle(), "Time(ms)");
  EXPECT_EQ(c.GetYTitle(), "Volts(mV)");
  EXPECT_DOUBLE_EQ(c.GetXMin(), 0);
  EXPECT_DOUBLE_EQ(c.GetXMax(), 10);
  EXPECT_DOUBLE_EQ(c.GetYMin(), -1000);
  EXPECT_DOUBLE_EQ(c.GetYMax(), 1000);
  EXPECT_EQ(c.GetSeriesCount(), 1);
  EXPECT_EQ(c.GetCapacity(), 441);
  EXPECT_EQ(c.GetSerie(0).m_color, 0x0000FFu);
  EXPECT_EQ(c.GetXDivisions(), 10);
  EXPECT_EQ(c.GetYDivisions(), 4);

  CAurivueView& view3 = host.MakeView(612);
  Chart3DCtrl& d = view3.Chart3D(0);
  EXPECT_DOUBLE_EQ(d.GetBoxXMin(), 0);
  EXPECT_DOUBLE_EQ(d.GetBoxXMax(), 10);
  EXPECT_DOUBLE_EQ(d.GetBoxYMin(), -10);
  EXPECT_DOUBLE_EQ(d.GetBoxYMax(), 10);
  EXPECT_DOUBLE_EQ(d.GetZMin(), 0);
  EXPECT_DOUBLE_EQ(d.GetZMax(), 24);
  EXPECT_EQ(d.GetSeriesCount(), 24);
  EXPECT_EQ(d.GetCapacity(), 441);
  EXPECT_EQ(d.GetXDivisions(), 2);
  EXPECT_EQ(d.GetYDivisions(), 2);
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(d.GetSerie(i).m_color, RGB(255, 10 + 10 * i, 0)) << i;
    EXPECT_EQ(d.GetSerie(i).m_bHasData, 0) << i;
  }

  CAurivueView& power = host.MakeView(605);
  EXPECT_DOUBLE_EQ(power.Chart2D(0).GetYMin(), -10);
  EXPECT_DOUBLE_EQ(power.Chart2D(0).GetYMax(), 200);
  CAurivueView& phase = host.MakeView(611);
  EXPECT_DOUBLE_EQ(phase.Chart3D(1).GetBoxYMin(), -180);
  EXPECT_DOUBLE_EQ(phase.Chart3D(1).GetBoxYMax(), 180);
}

TEST(ScopeViewLayoutTest, TeardownDestroysTheFamilysWindowsOnly) {
  ScopeViewHost host(2, 16, 44100);
  CAurivueView& view = host.MakeView(600);
  ASSERT_TRUE(view.Chart2D(1).HasWindow());
  EXPECT_TRUE(SendCommandTo(&view, 1410));  // the 3-D family: nothing of ours to destroy
  EXPECT_TRUE(view.Chart2D(0).HasWindow());
  EXPECT_TRUE(SendCommandTo(&view, 1400));
  EXPECT_FALSE(view.Chart2D(0).HasWindow());
  EXPECT_FALSE(view.Chart2D(1).HasWindow());
  EXPECT_TRUE(SendCommandTo(&view, 1400));  // a second teardown does nothing
}

TEST(ScopeViewLayoutTest, UnknownCommandsAreLeftToTheFrame) {
  ScopeViewHost host(1, 16, 44100);
  CAurivueView& view = host.MakeView(602);
  EXPECT_FALSE(view.OnCommand(1106));
  EXPECT_FALSE(view.OnCommand(1316));
  EXPECT_FALSE(view.OnCommand(390));
}
