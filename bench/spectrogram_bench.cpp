// The spectrogram at 96 kHz stereo, 8192 points, 75 % overlap (46.875 transforms a second a
// channel): how many transforms a second the producer sustains, ten minutes of input fed through
// it with none dropped, and what one Live refresh costs (the frames of a 60 Hz refresh fed, the
// new columns drawn into the kept picture, the charts painted) at time spans from 5 s to 10 min,
// and the drawing of the new columns alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QImage>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/color_map.h"
#include "analysis/spectrogram_producer.h"
#include "chart/spectrogram_chart.h"
#include "gui_bench_main.h"
#include "view/spectrogram_picture.h"

namespace {

constexpr int kRate = 96000;
constexpr int kWidth = 1200;
constexpr int kHeight = 400;

SpectrogramSettings Settings(double historySeconds) {
  SpectrogramSettings s;
  s.rate = kRate;
  s.fftSize = 8192;
  s.overlapPercent = 75;
  s.channels = 2;
  s.historySeconds = historySeconds;
  return s;
}

// Two tones and a little noise-like motion, so that the levels are not all alike.
void Fill(uint64_t first, std::vector<double>& a, std::vector<double>& b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double t = static_cast<double>(first + i) / kRate;
    a[i] = 12000 * std::sin(2 * M_PI * 1000 * t) + 300 * std::sin(2 * M_PI * 7919 * t * t);
    b[i] = 8000 * std::sin(2 * M_PI * 440 * t) + 300 * std::sin(2 * M_PI * 3571 * t * t);
  }
}

void BM_SpectrogramTransforms(benchmark::State& state) {
  SpectrogramProducer p(Settings(10));
  std::vector<double> a(kRate / 10), b(kRate / 10);
  uint64_t frame = 0;
  const int64_t before = p.Transforms();
  for (auto _ : state) {
    Fill(frame, a, b);
    p.Feed(frame, static_cast<int>(a.size()), a.data(), b.data());
    frame += a.size();
  }
  // Both channels' transforms, against the 93.75 a second the input brings.
  const double transforms = 2.0 * static_cast<double>(p.Transforms() - before);
  state.counters["transforms_per_s"] = benchmark::Counter(transforms, benchmark::Counter::kIsRate);
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(frame) / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SpectrogramTransforms)->Unit(benchmark::kMillisecond);

void BM_SpectrogramTenMinutes(benchmark::State& state) {
  for (auto _ : state) {
    SpectrogramProducer p(Settings(600));
    std::vector<double> a(4800), b(4800);
    const uint64_t frames = 600ull * kRate;
    for (uint64_t f = 0; f < frames; f += a.size()) {
      Fill(f, a, b);
      p.Feed(f, static_cast<int>(a.size()), a.data(), b.data());
    }
    const int64_t expected = static_cast<int64_t>((frames - p.Size()) / p.Hop() + 1);
    state.counters["transforms"] = static_cast<double>(p.Transforms());
    state.counters["dropped"] = static_cast<double>(expected - p.Transforms());
    state.counters["kept"] = static_cast<double>(p.History().End() - p.History().First());
    state.counters["history_MB"] = static_cast<double>(p.History().Bytes()) / 1e6;
    if (p.Transforms() != expected) state.SkipWithError("a transform was dropped");
  }
}
BENCHMARK(BM_SpectrogramTenMinutes)->Unit(benchmark::kSecond)->Iterations(1);

// Resident memory of the process in megabytes.
double ResidentMb() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f != nullptr) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Half an hour through the ten-minute history: it grows while the first ten minutes fill, then
// neither it nor the process grows any more.
void BM_SpectrogramHalfHourMemory(benchmark::State& state) {
  for (auto _ : state) {
    SpectrogramProducer p(Settings(600));
    std::vector<double> a(4800), b(4800);
    double historyMb[4] = {0, 0, 0, 0};
    double residentMb[4] = {0, 0, 0, 0};
    historyMb[0] = static_cast<double>(p.History().Bytes()) / 1e6;
    residentMb[0] = ResidentMb();
    uint64_t f = 0;
    for (int tenth = 1; tenth <= 3; ++tenth) {
      // A little past each ten minutes, so the history has wrapped once it is full.
      for (; f < (600ull * tenth + 5) * kRate; f += a.size()) {
        Fill(f, a, b);
        p.Feed(f, static_cast<int>(a.size()), a.data(), b.data());
      }
      historyMb[tenth] = static_cast<double>(p.History().Bytes()) / 1e6;
      residentMb[tenth] = ResidentMb();
    }
    state.counters["history_MB_start"] = historyMb[0];
    state.counters["history_MB_10min"] = historyMb[1];
    state.counters["history_MB_30min"] = historyMb[3];
    state.counters["resident_MB_10min"] = residentMb[1];
    state.counters["resident_growth_MB_10_to_30min"] = residentMb[3] - residentMb[1];
    if (historyMb[3] != historyMb[1] || historyMb[1] > p.History().MaxBytes() / 1e6) {
      state.SkipWithError("the history grew after it was full");
    }
  }
}
BENCHMARK(BM_SpectrogramHalfHourMemory)->Unit(benchmark::kSecond)->Iterations(1);

void BM_SpectrogramLiveRefresh(benchmark::State& state) {
  const double span = static_cast<double>(state.range(0));
  SpectrogramProducer p(Settings(span + 1));
  QWidget parent;
  SpectrogramChart charts[2];
  for (SpectrogramChart& chart : charts) {
    chart.Create(WS_CHILD | WS_VISIBLE, DcRect{0, 0, kWidth, kHeight}, &parent, 1);
  }
  const LevelColors colors(kColorMapEmber, -140, 0, SpectrogramHistory::kLevelStep);
  const SpectrogramRasterSettings raster{
      kRate, p.Size(), p.Hop(), charts[0].PictureColumns(), charts[0].PictureRows(), span, true};
  SpectrogramPicture pictures[2] = {SpectrogramPicture(p.History(), 0, raster, colors),
                                    SpectrogramPicture(p.History(), 1, raster, colors)};
  for (int c = 0; c < 2; ++c) {
    charts[c].SetSource(&pictures[c]);
    charts[c].SetAxes(pictures[c].Axes("dBFS"));
  }
  // A 60 Hz refresh brings 1600 frames.
  std::vector<double> a(kRate / 60), b(kRate / 60);
  uint64_t frame = 0;
  const bool columnsOnly = state.range(1) != 0;
  bool timing = false;
  auto refresh = [&](QImage& image) {
    if (columnsOnly && timing) state.PauseTiming();
    Fill(frame, a, b);
    p.Feed(frame, static_cast<int>(a.size()), a.data(), b.data());
    frame += a.size();
    if (columnsOnly && timing) state.ResumeTiming();
    for (int c = 0; c < 2; ++c) {
      charts[c].ShowColumns(pictures[c].EndColumn());
      if (columnsOnly) continue;
      DeviceContext dc(&image);
      charts[c].PaintFrame(dc);
    }
  };
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  // Ten seconds in, so that the picture is full of columns.
  for (int i = 0; i < 600; ++i) refresh(image);
  state.counters["columns_a_refresh"] = 0;
  const int64_t before = pictures[0].EndColumn();
  timing = true;
  for (auto _ : state) {
    refresh(image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["columns_a_refresh"] = static_cast<double>(pictures[0].EndColumn() - before) /
                                        static_cast<double>(state.iterations());
}
// Second argument 0: the whole refresh (frames fed, new columns drawn, both charts painted);
// 1: drawing the new columns of both charts alone.
BENCHMARK(BM_SpectrogramLiveRefresh)
    ->ArgsProduct({{5, 60, 600}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
