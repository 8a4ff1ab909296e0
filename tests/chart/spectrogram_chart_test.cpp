#include "chart/spectrogram_chart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <vector>

#include "chart_test_support.h"

namespace {

// Column c, row r gets a colour that names both, so a pixel tells where it came from.
uint32_t Named(int64_t c, int r) {
  return 0xFF000000u | (static_cast<uint32_t>(r & 0xFF) << 16) | static_cast<uint32_t>(c & 0xFFFF);
}

class NamedColumns : public SpectrogramColumnSource {
 public:
  void ColumnPixels(int64_t column, uint32_t* pixels, int rows) override {
    drawn.push_back(column);
    for (int r = 0; r < rows; ++r) pixels[r] = Named(column, r);
  }
  bool Readout(int64_t column, int row, SpectrogramPoint& point) const override {
    point = {column * 0.5, 1000.0 + row, -20.0 - row};
    return column >= 0;
  }
  std::vector<int64_t> drawn;
};

// The plot of a spectrogram chart in the support's window: 38 .. 398 across, 28 .. 228 down.
constexpr int kLeft = 38, kRight = kChartWidth - 2 - SpectrogramChart::kBarMargin, kTop = 28,
              kBottom = 228;

TEST(SpectrogramChartTest, OnlyNewColumnsAreDrawnAndTheNewestSitsAtTheRightEdge) {
  QWidget parent;
  SpectrogramChart chart;
  CreateChart(chart, parent);
  NamedColumns source;
  chart.SetSource(&source);
  ASSERT_EQ(chart.PictureColumns(), kRight - kLeft);
  ASSERT_EQ(chart.PictureRows(), kBottom - kTop);
  const int w = chart.PictureColumns();
  struct Step {
    int64_t end;
    int drawn;  // columns drawn by this call
    const char* what;
  };
  for (const Step s :
       {Step{100, w, "first picture"}, Step{103, 3, "three new"}, Step{103, 0, "nothing new"},
        Step{103 + w - 1, w - 1, "almost a width"}, Step{90, w, "back: drawn afresh"},
        Step{90 + 5 * w, w, "far ahead"}, Step{90 + 5 * w + 1, 1, "one new"}}) {
    SCOPED_TRACE(s.what);
    source.drawn.clear();
    EXPECT_EQ(chart.ShowColumns(s.end), s.drawn);
    ASSERT_EQ(static_cast<int>(source.drawn.size()), s.drawn);
    if (s.drawn > 0) {
      EXPECT_EQ(source.drawn.back(), s.end - 1);
    }
    const QImage frame = RenderFrame(chart);
    // Right edge: the newest column; left edge: the oldest shown. Rows away from grid lines.
    for (int r : {1, 57, 133}) {
      EXPECT_EQ(frame.pixel(kRight - 1, kTop + r), Named(s.end - 1, r));
      EXPECT_EQ(frame.pixel(kLeft + 1, kTop + r), Named(s.end - w + 1, r));
      EXPECT_EQ(frame.pixel(kLeft + w / 2 + 3, kTop + r), Named(s.end - w + w / 2 + 3, r));
    }
  }
  // New axes redraw everything.
  source.drawn.clear();
  chart.SetAxes(chart.Axes());
  EXPECT_EQ(chart.ShowColumns(chart.EndColumn()), w);
}

TEST(SpectrogramChartTest, ColourBarRunsFromItsBottomColourToItsTop) {
  QWidget parent;
  SpectrogramChart chart;
  CreateChart(chart, parent);
  SpectrogramAxes axes;
  axes.barColors = {0xFF000010u, 0xFF808080u, 0xFFF0F0F0u};
  chart.SetAxes(axes);
  const QImage frame = RenderFrame(chart);
  const int x = kRight + 18;
  EXPECT_EQ(frame.pixel(x, kBottom - 1), axes.barColors[0]);
  EXPECT_EQ(frame.pixel(x, (kTop + kBottom) / 2), axes.barColors[1]);
  EXPECT_EQ(frame.pixel(x, kTop), axes.barColors[2]);
}

TEST(SpectrogramChartTest, FrequencyGridAndColourBarTicks) {
  struct Case {
    SpectrogramAxes axes;
    std::vector<std::string> labels;
    double firstPosition;
  };
  SpectrogramAxes log;
  log.lowHz = 20;
  log.highHz = 24000;
  log.logAxis = true;
  SpectrogramAxes lin;
  lin.lowHz = 0;
  lin.highHz = 24000;
  SpectrogramAxes narrow;
  narrow.lowHz = 0;
  narrow.highHz = 5512.5;
  for (const Case& c :
       {Case{log, {"100", "1k", "10k"}, 0.0}, Case{lin, {"0", "5k", "10k", "15k", "20k"}, 0.0},
        Case{narrow, {"0", "1k", "2k", "3k", "4k", "5k"}, 0.0}}) {
    std::vector<std::string> labels;
    const std::vector<FrequencyLine> lines = SpectrogramFrequencyLines(c.axes, 10);
    ASSERT_FALSE(lines.empty());
    EXPECT_NEAR(lines.front().position, c.firstPosition, 1e-9);
    for (const FrequencyLine& l : lines) {
      EXPECT_GE(l.position, 0);
      EXPECT_LE(l.position, 1);
      if (!l.label.empty()) labels.push_back(l.label);
    }
    EXPECT_EQ(labels, c.labels);
  }
  EXPECT_EQ(ColorBarTicks(-120, 0, 7), (std::vector<double>{-120, -100, -80, -60, -40, -20, 0}));
  EXPECT_EQ(ColorBarTicks(-95, -5, 5), (std::vector<double>{-80, -60, -40, -20}));
  EXPECT_EQ(ColorBarTicks(-100, 20, 14),
            (std::vector<double>{-100, -90, -80, -70, -60, -50, -40, -30, -20, -10, 0, 10, 20}));
  EXPECT_EQ(ColorBarTicks(-12, 3, 4), (std::vector<double>{-10, -5, 0}));
  EXPECT_TRUE(ColorBarTicks(0, 0, 4).empty());
}

TEST(SpectrogramChartTest, TimeAxisDividesTheSpanIntoRoundSteps) {
  struct Case {
    double span;
    int divisions;
  };
  SpectrogramChart chart;
  for (const Case c : {Case{5, 10}, Case{7, 7}, Case{12, 6}, Case{30, 6}, Case{45, 9}, Case{600, 6},
                       Case{7.3, 10}}) {
    SpectrogramAxes axes;
    axes.spanSeconds = c.span;
    chart.SetAxes(axes);
    EXPECT_EQ(chart.GetXDivisions(), c.divisions) << c.span;
    EXPECT_DOUBLE_EQ(chart.GetXMin(), -c.span);
    EXPECT_DOUBLE_EQ(chart.GetXMax(), 0);
  }
}

TEST(SpectrogramChartTest, ReadoutNamesTheCellUnderTheMouse) {
  struct Case {
    int x, y;
    bool inside;
    int64_t column;
    int row;
  };
  const DcRect plot{kLeft, kTop, kRight, kBottom};
  const int64_t end = 1000;
  for (const Case c : {Case{kRight - 1, kTop, true, end - 1, 0},
                       Case{kLeft, kBottom - 1, true, end - (kRight - kLeft), kBottom - kTop - 1},
                       Case{kRight, kTop, false, 0, 0}, Case{kLeft - 1, kTop, false, 0, 0},
                       Case{kLeft + 10, kBottom, false, 0, 0}}) {
    SpectrogramCell cell;
    ASSERT_EQ(SpectrogramCellAt(c.x, c.y, plot, end, cell), c.inside) << c.x << "," << c.y;
    if (!c.inside) continue;
    EXPECT_EQ(cell.column, c.column);
    EXPECT_EQ(cell.row, c.row);
  }
  EXPECT_EQ(FormatSpectrogramReadout({12.345, 1250, -43.21}, true, "dBFS"),
            "12.35 s  1.25k Hz  -43.2 dBFS");
  EXPECT_EQ(FormatSpectrogramReadout({0.5, 99.6, 0}, false, "dBV"), "0.50 s  100 Hz  no data");
}

}  // namespace
