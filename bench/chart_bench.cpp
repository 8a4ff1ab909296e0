// Painting cost of the charts as on every analysis frame: the range is set (so the static layer
// is rebuilt), the points are stored, and one screen paint composes the frame into an image.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdlib>

#include "chart/chart_3d_ctrl.h"
#include "chart/chart_ctrl.h"
#include "gui_bench_main.h"

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 400;
constexpr int kPoints = 960;

void BM_Chart2DPaint(benchmark::State& state) {
  QWidget parent;
  ChartCtrl chart;
  chart.AllocSeries(kPoints);
  chart.SetSerieColor(0, RGB(255, 0, 0));
  chart.SetGridDivisions(10, 4);
  chart.Create(WS_CHILD | WS_VISIBLE, DcRect{0, 0, kWidth, kHeight}, &parent, 1);
  for (int i = 0; i < kPoints; ++i)
    chart.SetPoint(i * 10.0 / kPoints, 800 * std::sin(i * 0.05), i, 0);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    chart.SetRange(0, 10, -1000, 1000);
    DeviceContext dc(&image);
    chart.PaintFrame(dc);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_Chart2DPaint)->Unit(benchmark::kMillisecond);

void BM_Chart3DPaint(benchmark::State& state) {
  QWidget parent;
  Chart3DCtrl chart;
  chart.SetSeriesCount(24);
  chart.AllocSeries(kPoints);
  for (int k = 0; k < 24; ++k) chart.SetSerieColor(k, RGB(255, k * 255 / 23, 0));
  chart.SetGridDivisions(2, 2);
  chart.Create(WS_CHILD | WS_VISIBLE, DcRect{0, 0, kWidth, kHeight}, &parent, 1);
  for (int frame = 0; frame < 24; ++frame) {
    chart.Set3DRange(0, 22050, 0, 2, 0, 24);
    for (int i = 0; i < kPoints; ++i) {
      double x = i * 22050.0 / kPoints;
      chart.SetPoint(x, 1.0 + std::sin(i * 0.02 + frame * 0.3), i, 0);
    }
    chart.ShiftHistory();
  }
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    chart.Set3DRange(0, 22050, 0, 2, 0, 24);
    DeviceContext dc(&image);
    chart.PaintFrame(dc);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_Chart3DPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
