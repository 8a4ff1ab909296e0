// One Live spectrum pass of the spectrum analyser: the newest 65536 frames of the ring at 96 kHz
// stereo (the tone input recording into it), decoded, windowed, transformed, averaged, held and
// reduced to the chart's pixel columns, then both charts painted off-screen. The view has the
// size of its pane on a 1920 x 1080 screen. Target: under 8 ms a pass.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include "acquisition/app_state.h"
#include "features/spectrum/large_spectrum_pass.h"
#include "gui_bench_main.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"

namespace {

constexpr int kViewWidth = 1780;
constexpr int kViewHeight = 800;

// range(0): 2-D (0) or waterfall (1); range(1): linear axis and scale (0) or dBFS on a log axis
// with exponential averaging and both holds (1).
void BM_LiveSpectrumPass65536(benchmark::State& state) {
  const bool threeD = state.range(0) != 0;
  const bool everything = state.range(1) != 0;
  MessageRecorder messages;
  SelectWaveInput("tone:left=1000,sine,0.5;right=2500,sine,0.25", nullptr);
  SetWaveInRealTimePacing(true);
  AppState app;
  app.m_nChannels = 2;
  app.m_nBits = 16;
  app.m_nSampleRate = 96000;
  app.m_nVoltValue = 32000;
  app.m_nFFTWindow = 3;
  app.m_nFilterType = 1;
  app.m_nFreqPoint = 10000;
  app.m_nDisplayMode = threeD ? 610 : 600;
  app.m_bLive = 1;
  app.m_bPowerOn = 1;
  app.m_spectrum.fftSize = 65536;
  if (everything) {
    app.m_spectrum.scale = 1;
    app.m_spectrum.logAxis = true;
    app.m_spectrum.average = 1;
    app.m_spectrum.peakHold = true;
    app.m_spectrum.minimumHold = true;
  }
  app.ComputeDerived();
  app.m_capture.SetFormat(2, app.m_nSampleRate, 16);
  CAurivueDoc doc;
  LargeSpectrumPass pass;  // before the view: it goes after it
  CAurivueView view(&doc);
  view.SetFeatures({&pass});
  view.resize(kViewWidth, kViewHeight);
  SetMainWindow(&view);
  view.OnInitialUpdate();
  app.m_capture.Start();
  // A second of input, so the ring holds more than the transform needs.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QImage frame(kViewWidth, kViewHeight, QImage::Format_RGB32);
  const int compute = app.m_nDisplayMode + COMPUTE_COMMAND_OFFSET;
  for (auto _ : state) {
    SendCommandTo(&view, compute);
    view.render(&frame);
    benchmark::ClobberMemory();
  }
  app.m_capture.Stop();
  SetMainWindow(nullptr);
  state.SetLabel(std::string(threeD ? "3-D" : "2-D") +
                 (everything ? ", dBFS, log axis, averaged, both holds" : ", linear") +
                 "; target < 8 ms");
}
BENCHMARK(BM_LiveSpectrumPass65536)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
