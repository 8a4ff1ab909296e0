#include "chart/chart_cursor_layer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "chart/chart_ctrl.h"
#include "chart_test_support.h"

namespace {

const std::string kD = "\xCE\x94";

TEST(CursorReadoutLinesTest, LinesInTheChartsUnits) {
  struct Case {
    CursorReadoutText in;
    std::vector<std::string> lines;
  };
  CursorReadoutText time;
  time.positions = {true, true, false, false, 0.3, 1.3, 0, 0};
  time.xUnit = "ms";
  time.yUnit = "mV";
  CursorReadoutText spectrum;
  spectrum.positions = {true, true, true, true, 1000, 1250, -6, -26};
  spectrum.xUnit = "Hz";
  spectrum.yUnit = "dB";
  CursorReadoutText tracked = time;
  tracked.track = true;
  tracked.trackedValid[0] = true;
  tracked.tracked[0] = 812.5;
  CursorReadoutText rounding = tracked;
  rounding.tracked[0] = -2.9e-14;
  rounding.yResolution = 1e-6;
  CursorReadoutText levels;
  levels.positions = {false, false, true, false, 0, 0, 2.5, 0};
  levels.yUnit = "\xC2\xB0";
  const Case cases[] = {
      {time, {"X1 = 0.3 ms", "X2 = 1.3 ms", kD + "X = 1 ms", "1/" + kD + "X = 1000 Hz"}},
      {spectrum,
       {"X1 = 1000 Hz", "X2 = 1250 Hz", kD + "X = 250 Hz", "1/" + kD + "X = 0.004 s", "Y1 = -6 dB",
        "Y2 = -26 dB", kD + "Y = -20 dB"}},
      {tracked,
       {"X1 = 0.3 ms   y = 812.5 mV", "X2 = 1.3 ms   y = ---", kD + "X = 1 ms",
        "1/" + kD + "X = 1000 Hz"}},
      {levels, {"Y1 = 2.5 \xC2\xB0"}},
      {rounding,
       {"X1 = 0.3 ms   y = 0 mV", "X2 = 1.3 ms   y = ---", kD + "X = 1 ms",
        "1/" + kD + "X = 1000 Hz"}},
  };
  for (const Case& c : cases) EXPECT_EQ(CursorReadoutLines(c.in), c.lines);
}

TEST(MarkerTableLinesTest, DeltasToTheReference) {
  std::vector<ChartMarker> markers = {{0, 0, "R", 1000, -6.02, true},
                                      {0, 0, "2", 3000, -15.56, false},
                                      {0, 0, "3", 5000, -20, false}};
  EXPECT_EQ(MarkerTableLines(markers),
            (std::vector<std::string>{"R  1000 Hz  -6.02 dB",
                                      "2  3000 Hz  -15.56 dB   " + kD + " 2000 Hz  -9.54 dB",
                                      "3  5000 Hz  -20.00 dB   " + kD + " 4000 Hz  -13.98 dB"}));
  markers[0].reference = false;
  markers[0].name = "1";
  EXPECT_EQ(MarkerTableLines(markers)[1], "2  3000 Hz  -15.56 dB");
}

// A chart of 0..10 by -5..5 with a 10 x 10 grid: 0.025 a pixel across and 0.05 a pixel up.
class ChartCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.resize(600, 400);
    chart.AllocSeries(1000);
    chart.SetSerieColor(0, RGB(0, 0, 255));
    chart.SetGridDivisions(10, 10);
    CreateChart(chart, parent);
    chart.SetRange(0, 10, -5, 5);
  }
  // Client pixels to the widget's own coordinates, inside its 2-px edge.
  static QPointF W(int x, int y) { return QPointF(x + 2, y + 2); }
  void Mouse(QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, W(x, y), W(x, y), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&chart, &e);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&chart, &e);
  }
  // A 1 kHz band-limited square over 0..10 ms, 48 kHz, amplitude 4, rising edges at 0.5, 1.5 ...
  void FillSquare() {
    for (int i = 0; i < 480; ++i) {
      const double t = i / 48.0;
      double v = 0;
      for (int k = 1; k < 24; k += 2) {
        v += 4 / std::numbers::pi * std::sin(2 * std::numbers::pi * k * (t - 0.5)) / k;
      }
      chart.SetPoint(t, 4 * v / 1.2, i, 0);
    }
  }
  QWidget parent;
  ChartCtrl chart;
  const DcRect plot{38, 28, 438, 228};
};

TEST_F(ChartCursorTest, WithoutCursorsThePictureIsUnchanged) {
  FillSquare();
  QWidget otherParent;  // made first so that it goes last, after its child
  ChartCtrl plain;
  plain.AllocSeries(1000);
  plain.SetSerieColor(0, RGB(0, 0, 255));
  plain.SetGridDivisions(10, 10);
  CreateChart(plain, otherParent);
  plain.SetRange(0, 10, -5, 5);
  for (int i = 0; i < 480; ++i) {
    plain.SetPoint(chart.GetSerie(0).m_pX[i], chart.GetSerie(0).m_pY[i], i, 0);
  }
  chart.MouseMovedTo(QPoint(200, 100));
  plain.MouseMovedTo(QPoint(200, 100));
  const QImage before = RenderFrame(plain);
  EXPECT_EQ(RenderFrame(chart), before);
  // A layer made and used, then with everything off again, draws nothing either.
  chart.CursorLayer().SetCursorOn(kCursorX1, true);
  chart.CursorLayer().SetCursorValue(kCursorX1, 2.5);
  EXPECT_NE(RenderFrame(chart), before);
  chart.CursorLayer().SetCursorOn(kCursorX1, false);
  EXPECT_EQ(RenderFrame(chart), before);
  // Without a layer, keys are not taken.
  QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
  QCoreApplication::sendEvent(&plain, &right);
  EXPECT_FALSE(right.isAccepted());
  EXPECT_EQ(plain.GetCursorLayer(), nullptr);
}

TEST_F(ChartCursorTest, DragArrowsAndPlacingByKey) {
  ChartCursorLayer& layer = chart.CursorLayer();
  layer.SetCursorOn(kCursorX1, true);
  layer.SetCursorValue(kCursorX1, 2.5);  // pixel 138
  layer.SetCursorOn(kCursorY1, true);
  layer.SetCursorValue(kCursorY1, 0.0);  // pixel 128
  chart.SetZoom({0, 10, -5, 5});
  const ZoomWindow before{chart.GetXMin(), chart.GetXMax(), chart.GetYMin(), chart.GetYMax()};
  // A press two pixels beside X1 takes it; the drag moves it and pans nothing.
  Mouse(QEvent::MouseButtonPress, 140, 60);
  Mouse(QEvent::MouseMove, 238, 70);
  Mouse(QEvent::MouseButtonRelease, 238, 70);
  EXPECT_DOUBLE_EQ(layer.CursorValue(kCursorX1), 5.0);
  EXPECT_EQ(layer.SelectedCursor(), kCursorX1);
  EXPECT_EQ((ZoomWindow{chart.GetXMin(), chart.GetXMax(), chart.GetYMin(), chart.GetYMax()}),
            before);
  // Beyond the plot the cursor stops at its edge.
  Mouse(QEvent::MouseButtonPress, 238, 60);
  Mouse(QEvent::MouseMove, 900, 60);
  Mouse(QEvent::MouseButtonRelease, 900, 60);
  EXPECT_DOUBLE_EQ(layer.CursorValue(kCursorX1), 9.975);
  layer.SetCursorValue(kCursorX1, 5.0);

  struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    int cursor;
    double value;
  };
  const Step steps[] = {
      {Qt::Key_Right, Qt::NoModifier, kCursorX1, 5.025},
      {Qt::Key_Right, Qt::NoModifier, kCursorX1, 5.05},
      {Qt::Key_Left, Qt::NoModifier, kCursorX1, 5.025},
      {Qt::Key_Right, Qt::ShiftModifier, kCursorX1, 6.025},  // one division
      {Qt::Key_Up, Qt::NoModifier, kCursorX1, 6.025},        // X1 does not move up
  };
  for (const Step& s : steps) {
    Key(s.key, s.modifiers);
    EXPECT_NEAR(layer.CursorValue(s.cursor), s.value, 1e-12) << s.key;
  }
  // The horizontal cursor, taken with the mouse, moves up and down.
  Mouse(QEvent::MouseButtonPress, 300, 127);
  Mouse(QEvent::MouseButtonRelease, 300, 127);
  EXPECT_EQ(layer.SelectedCursor(), kCursorY1);
  Key(Qt::Key_Up);
  EXPECT_NEAR(layer.CursorValue(kCursorY1), 0.05, 1e-12);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_NEAR(layer.CursorValue(kCursorY1), -0.95, 1e-12);
  // Keys 1..4 put a cursor under the mouse and turn it on.
  Mouse(QEvent::MouseMove, 300, 78);
  Key(Qt::Key_2);
  EXPECT_TRUE(layer.IsCursorOn(kCursorX2));
  EXPECT_DOUBLE_EQ(layer.CursorValue(kCursorX2), 6.55);
  Key(Qt::Key_4);
  EXPECT_DOUBLE_EQ(layer.CursorValue(kCursorY2), 2.5);
  const CursorPositions p = layer.Positions(chart.CursorView());
  EXPECT_TRUE(p.x1On && p.x2On && p.y1On && p.y2On);
  // A press away from every cursor still pans a zoomed chart.
  chart.SetZoom({2, 7, -5, 5});
  Mouse(QEvent::MouseButtonPress, 200, 200);
  Mouse(QEvent::MouseMove, 240, 200);
  Mouse(QEvent::MouseButtonRelease, 240, 200);
  EXPECT_NEAR(chart.GetXMin(), 2 - 40 * 5.0 / 400, 1e-9);
}

TEST_F(ChartCursorTest, CursorsKeepTheirValuesThroughZoomAndRefresh) {
  ChartCursorLayer& layer = chart.CursorLayer();
  layer.SetShowReadout(false);
  layer.SetCursorOn(kCursorX1, true);
  layer.SetCursorValue(kCursorX1, 5.0);
  layer.SetCursorOn(kCursorY1, true);
  layer.SetCursorValue(kCursorY1, 2.5);
  // COLORREF is 0x00BBGGRR, the image 0xAARRGGBB.
  auto rgb = [](uint32_t c) {
    return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  };
  struct Window {
    ZoomWindow zoom;
    int column;  // of X1
    int row;     // of Y1
  };
  const Window windows[] = {{{0, 10, -5, 5}, 238, 78},
                            {{2, 7, -5, 5}, 278, 78},
                            {{4, 9, 0, 5}, 118, 128},
                            {{0, 10, -5, 5}, 238, 78}};
  for (const Window& w : windows) {
    chart.SetZoom(w.zoom);
    chart.SetRange(0, 10, -5, 5);  // the next frame's refresh
    chart.Refresh(0);
    EXPECT_EQ(layer.CursorValue(kCursorX1), 5.0);
    EXPECT_EQ(layer.CursorValue(kCursorY1), 2.5);
    const QImage image = RenderFrame(chart);
    EXPECT_EQ(image.pixel(w.column, 150), rgb(layer.CursorColor(kCursorX1))) << w.column;
    EXPECT_EQ(image.pixel(100, w.row), rgb(layer.CursorColor(kCursorY1))) << w.row;
    EXPECT_NE(image.pixel(w.column - 3, 150), rgb(layer.CursorColor(kCursorX1)));
  }
  // Zoomed away from a cursor, it is not drawn but kept.
  chart.SetZoom({6, 9, -5, 5});
  const QImage away = RenderFrame(chart);
  EXPECT_EQ(CountColour(away, rgb(layer.CursorColor(kCursorX1)), plot), 0);
  EXPECT_EQ(layer.CursorValue(kCursorX1), 5.0);
}

TEST_F(ChartCursorTest, SnappedCursorsOnRisingEdgesReadTheFrequency) {
  FillSquare();
  ChartCursorLayer& layer = chart.CursorLayer();
  layer.SetSnap(true);
  layer.SetUnits("ms", "mV");
  layer.SetCursorOn(kCursorX1, true);
  layer.SetCursorValue(kCursorX1, 1.0);
  // Dragged to within a few pixels of the edges at 2.5 and 3.5 ms (pixels 138 and 178).
  Mouse(QEvent::MouseButtonPress, 78, 100);
  Mouse(QEvent::MouseMove, 141, 100);
  Mouse(QEvent::MouseButtonRelease, 141, 100);
  Mouse(QEvent::MouseMove, 175, 120);
  Key(Qt::Key_2);
  EXPECT_NEAR(layer.CursorValue(kCursorX1), 2.5, 1e-4);
  EXPECT_NEAR(layer.CursorValue(kCursorX2), 3.5, 1e-4);
  const CursorReadout r1 = ComputeCursorReadout(layer.Positions(chart.CursorView()));
  EXPECT_NEAR(r1.invDx * 1000, 1000.0, 0.5);
  const std::vector<std::string> lines = CursorReadoutLines(layer.Readout(chart.CursorView()));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3].rfind("1/" + kD + "X = 10", 0), 0u) << lines[3];
  EXPECT_EQ(lines[3].substr(lines[3].size() - 3), " Hz");
  // Without snapping a cursor stays where it was let go.
  layer.SetSnap(false);
  Mouse(QEvent::MouseButtonPress, 138, 100);
  Mouse(QEvent::MouseButtonRelease, 141, 100);
  EXPECT_DOUBLE_EQ(layer.CursorValue(kCursorX1), 2.575);
  // Tracking reads the trace under the cursor: the top of the square between the edges.
  layer.SetTrack(true);
  layer.SetCursorValue(kCursorX1, 2.75);
  const CursorReadoutText r = layer.Readout(chart.CursorView());
  ASSERT_TRUE(r.trackedValid[0]);
  EXPECT_NEAR(r.tracked[0], 4 / 1.2, 0.4);
}

TEST_F(ChartCursorTest, OnALogAxisCursorsReadHertz) {
  chart.SetLogX(true);
  chart.SetRange(1, 4, -100, 0);  // 10 Hz .. 10 kHz
  ChartCursorLayer& layer = chart.CursorLayer();
  layer.SetUnits("Hz", "dB");
  Mouse(QEvent::MouseMove, 238, 100);  // half way across: log10 f = 2.5
  Key(Qt::Key_1);
  Mouse(QEvent::MouseMove, 371, 100);
  Key(Qt::Key_2);
  const CursorPositions p = layer.Positions(chart.CursorView());
  EXPECT_NEAR(p.x1, std::pow(10.0, 2.5), 1e-9);
  EXPECT_NEAR(p.x2, std::pow(10.0, 1 + 333 * 3.0 / 400), 1e-9);
  EXPECT_DOUBLE_EQ(layer.CursorValue(kCursorX1), 2.5);
}

TEST_F(ChartCursorTest, MarkersAreDrawnAtTheirPoints) {
  ChartCursorLayer& layer = chart.CursorLayer();
  layer.SetShowReadout(false);
  layer.SetMarkers({{2.5, 0.0, "1", 2500, 0, false}, {7.5, -2.5, "R", 7500, -2.5, true}});
  const QImage image = RenderFrame(chart);
  // The triangles point down at (138, 128) and (338, 178) from 8 pixels above them.
  EXPECT_EQ(image.pixel(138, 123), 0xFFC80000u);
  EXPECT_EQ(image.pixel(338, 173), 0xFF000000u);
  EXPECT_GT(CountColour(image, 0xFFC80000u, DcRect{133, 119, 144, 128}), 20);
  EXPECT_EQ(CountColour(image, 0xFFC80000u, DcRect{38, 129, 438, 228}), 0);
  // Markers left without a plot to show them in, and the saved picture for a look.
  if (const char* path = std::getenv("AURIVUE_CURSOR_PNG")) {
    FillSquare();
    layer.SetShowReadout(true);
    layer.SetUnits("ms", "mV");
    layer.SetSnap(true);
    layer.SetTrack(true);
    layer.SetCursorOn(kCursorX1, true);
    layer.SetCursorValue(kCursorX1, 2.5);
    layer.SetCursorOn(kCursorX2, true);
    layer.SetCursorValue(kCursorX2, 3.5);
    layer.SetCursorOn(kCursorY1, true);
    layer.SetCursorValue(kCursorY1, -3.3);
    layer.SetCursorOn(kCursorY2, true);
    layer.SetCursorValue(kCursorY2, 3.3);
    chart.MouseMovedTo(QPoint(300, 200));
    RenderFrame(chart).save(path);
  }
}

}  // namespace
