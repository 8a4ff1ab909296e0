// One whole pass of the scope view per display mode: decoding, analysis and painting every chart
// of the mode off-screen, at 11025 and 96000 Hz, two channels, 16 bit, time base 1. The view has
// the size of its pane on a 1920 x 1080 screen. Each label gives the share of the 500 ms buffer
// period one pass takes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "acquisition/app_state.h"
#include "gui_bench_main.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"

namespace {

// The scope view's pane on a 1920 x 1080 screen: the frame without the navigation bar on the
// left, the control panel below, menu, status bar and window edges.
constexpr int kViewWidth = 1780;
constexpr int kViewHeight = 800;

void FillTwoTone(AppState& app) {
  const double pi = std::acos(-1.0);
  uint8_t* buffer = app.m_capture.GetReadyBuffer();
  const size_t frames = app.m_nSampleRate / 2;
  for (size_t f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f) / app.m_nSampleRate;
    const int16_t l = static_cast<int16_t>(20000 * std::sin(2 * pi * 1000 * t));
    const int16_t r = static_cast<int16_t>(12000 * std::sin(2 * pi * 2500 * t + 1));
    const int16_t v[2] = {l, r};
    for (int c = 0; c < 2; ++c) {
      buffer[f * 4 + c * 2] = static_cast<uint8_t>(static_cast<uint16_t>(v[c]) & 0xFF);
      buffer[f * 4 + c * 2 + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v[c]) >> 8);
    }
  }
}

void BM_ViewPass(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const auto rate = static_cast<uint32_t>(state.range(1));
  MessageRecorder messages;
  AppState app;
  app.m_nChannels = 2;
  app.m_nBits = 16;
  app.m_nSampleRate = rate;
  app.m_nVoltValue = 32000;
  app.m_nFFTWindow = 3;
  app.m_nFilterType = 1;
  app.m_nFreqPoint = 10000;
  app.m_bPowerOn = 1;
  app.m_nDisplayMode = mode;
  app.ComputeDerived();
  app.m_capture.SetFormat(2, rate, 16);
  FillTwoTone(app);
  CAurivueDoc doc;
  CAurivueView view(&doc);
  view.resize(kViewWidth, kViewHeight);
  view.OnInitialUpdate();
  QImage frame(kViewWidth, kViewHeight, QImage::Format_RGB32);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    SendCommandTo(&view, ID_BUFFER_READY);
    view.render(&frame);  // every chart's paint: static layer, series, block copy
    benchmark::ClobberMemory();
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double perPass = elapsed.count() / static_cast<double>(state.iterations());
  char label[64];
  std::snprintf(label, sizeof label, "%s, %.1f %% of the 500 ms buffer",
                mode >= 610 ? "3-D" : "2-D", perPass / 0.5 * 100.0);
  state.SetLabel(label);
}

void Modes(benchmark::internal::Benchmark* b) {
  for (int rate : {11025, 96000}) {
    for (int mode = 600; mode <= 615; ++mode) {
      if (mode % 10 <= 5) b->Args({mode, rate});
    }
  }
}

BENCHMARK(BM_ViewPass)->Apply(Modes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
