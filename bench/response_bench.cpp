// The response analyser's two computations at their largest: one live dual-channel pass at
// 65536 points and 96 kHz (two windowed transforms into the averages, then the delay, H1,
// coherence, phase and group delay for every bin; budget 8 ms), and the analysis of a
// 10-second 20 Hz - 20 kHz sweep at 48 kHz (deconvolution, the linear and four harmonic
// impulse responses, response and distortion; budget well under 500 ms); and the same sweep
// through the whole program's path: played from a file at its real-time pace into the capture
// ring, caught by the response display (621), analysed and both charts rendered off-screen,
// timed from the moment the sweep's last sample reached the input (budget 500 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <random>
#include <vector>

#include "acquisition/app_state.h"
#include "analysis/octave_smoother.h"
#include "analysis/sweep_analyser.h"
#include "analysis/transfer_estimator.h"
#include "features/response/response_feature.h"
#include "gui_bench_main.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"
#include "view/display_modes.h"

namespace {

std::vector<double> Noise(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> dist(0.0, 0.1);
  std::vector<double> x(n);
  for (double& v : x) v = dist(gen);
  return x;
}

// A device for both: a short smoothing filter and 40 samples of latency.
std::vector<double> Device(const std::vector<double>& x) {
  std::vector<double> y(x.size(), 0.0);
  for (std::size_t i = 42; i < x.size(); ++i) {
    y[i] = 0.5 * x[i - 40] + 0.3 * x[i - 41] + 0.2 * x[i - 42];
  }
  return y;
}

void BM_LiveDualChannelPass(benchmark::State& state) {
  TransferSettings settings;
  settings.fftOrder = 16;
  settings.rate = 96000;
  TransferEstimator estimator(settings);
  const int n = estimator.Size();
  const std::vector<double> x = Noise(4 * n, 1);
  const std::vector<double> y = Device(x);
  std::size_t start = 0;
  for (auto _ : state) {
    // Half-overlapped frames, read as far apart as the delay found so far.
    const int offset = estimator.SuggestedOffset();
    estimator.Add(x.data() + start, y.data() + start + offset, offset);
    estimator.Evaluate();
    benchmark::DoNotOptimize(estimator.Trace().gainDb.data());
    start = (start + n / 2) % (2 * n);
  }
  state.counters["delay"] = estimator.DelaySamples();
  state.counters["budget_ms"] = 8;
}

void BM_LiveDualChannelPassSmoothed(benchmark::State& state) {
  TransferSettings settings;
  settings.fftOrder = 16;
  settings.rate = 96000;
  TransferEstimator estimator(settings);
  OctaveSmoother smoother(estimator.Bins());
  ResponseTrace shown;
  const int n = estimator.Size();
  const std::vector<double> x = Noise(4 * n, 2);
  const std::vector<double> y = Device(x);
  std::size_t start = 0;
  for (auto _ : state) {
    const int offset = estimator.SuggestedOffset();
    estimator.Add(x.data() + start, y.data() + start + offset, offset);
    estimator.Evaluate();
    shown = estimator.Trace();
    smoother.SmoothTrace(shown, 6);
    benchmark::DoNotOptimize(shown.gainDb.data());
    start = (start + n / 2) % (2 * n);
  }
  state.counters["budget_ms"] = 8;
}

void BM_SweepAnalysis(benchmark::State& state) {
  const LogSweep sweep(20, 20000, 10, 48000);
  std::vector<double> x(sweep.Frames() + 12000, 0.0);
  sweep.Generate(0.5, x.data(), x.size());
  std::vector<double> y = Device(x);
  for (double& v : y) v += 0.01 * v * v;
  SweepAnalyser analyser(sweep);
  // The plans are made while the sweep plays.
  analyser.Prepare(static_cast<std::int64_t>(x.size()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(analyser.Analyse(x.data(), static_cast<std::int64_t>(x.size()),
                                              y.data(), static_cast<std::int64_t>(y.size())));
  }
  state.counters["latency"] = analyser.LatencySamples();
  state.counters["budget_ms"] = 500;
}

// The same with the plans made after the sweep has ended, as a caller that never prepares.
void BM_SweepAnalysisUnprepared(benchmark::State& state) {
  const LogSweep sweep(20, 20000, 10, 48000);
  std::vector<double> x(sweep.Frames() + 12000, 0.0);
  sweep.Generate(0.5, x.data(), x.size());
  const std::vector<double> y = Device(x);
  for (auto _ : state) {
    SweepAnalyser analyser(sweep);
    benchmark::DoNotOptimize(analyser.Analyse(x.data(), static_cast<std::int64_t>(x.size()),
                                              y.data(), static_cast<std::int64_t>(y.size())));
  }
  state.counters["budget_ms"] = 500;
}

// A 16-bit stereo WAV file of frames (left, right interleaved).
bool WriteWav(const std::string& path, int rate, const std::vector<int16_t>& frames) {
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const auto bytes = static_cast<uint32_t>(frames.size() * 2);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(2);
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate) * 4);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char*>(frames.data()), bytes);
  return static_cast<bool>(out);
}

// The 10-second sweep at 48 kHz through the device above, after half a second of quiet, played
// into the capture at its real-time pace; the response display catches it, analyses it and
// draws it. Measured: how long after the sweep's last sample reached the input the picture of
// the display was rendered (sweep_end_to_picture_ms: the record's room after the sweep, the wait
// for the next pass, the pass), the pass that analysed and drew it with the rendering
// (pass_and_render_ms) and the rendering alone (render_ms). One run takes the sweep's length and
// more.
void BM_SweepAnalysedAndDrawnAfterItEnds(benchmark::State& state) {
  constexpr int kRate = 48000;
  constexpr int kViewWidth = 1780;
  constexpr int kViewHeight = 800;
  const LogSweep sweep(20, 20000, 10, kRate);
  const std::size_t lead = kRate / 2;
  std::vector<double> x(lead + sweep.Frames() + 2 * kRate, 0.0);
  sweep.Generate(0.5, x.data() + lead, sweep.Frames());
  const std::vector<double> y = Device(x);
  std::vector<int16_t> frames(2 * x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    frames[2 * i] = static_cast<int16_t>(std::lround(x[i] * 32767));
    frames[2 * i + 1] = static_cast<int16_t>(std::lround(y[i] * 32767));
  }
  QTemporaryDir dir;
  const std::string wav = dir.filePath("sweep.wav").toStdString();
  if (!WriteWav(wav, kRate, frames)) {
    state.SkipWithError("cannot write the sweep's file");
    return;
  }
  const uint64_t sweepEnd = lead + sweep.Frames() + 42;  // at the input, through the device
  MessageRecorder messages;
  SelectWaveInput("file:" + wav, nullptr);
  SetWaveInRealTimePacing(true);
  ResponseSettings& settings = CurrentResponseSettings();
  settings.method = ResponseSettings::kSweep;
  settings.sweepStartHz = 20;
  settings.sweepStopHz = 20000;
  settings.sweepSeconds = 10;
  for (auto _ : state) {
    AppState app;
    app.m_nChannels = 2;
    app.m_nBits = 16;
    app.m_nSampleRate = kRate;
    app.m_nVoltValue = 32000;
    app.m_nFFTWindow = 1;
    app.m_nFilterType = 1;
    app.m_nFreqPoint = 10000;
    app.m_nDisplayMode = kResponseMode;
    app.m_bPowerOn = 1;
    app.ComputeDerived();
    app.m_capture.SetFormat(2, kRate, 16);
    CAurivueDoc doc;
    ResponseFeature feature;  // before the view: it goes after it
    CAurivueView view(&doc);
    view.SetFeatures({&feature});
    view.resize(kViewWidth, kViewHeight);
    SetMainWindow(&view);
    view.OnInitialUpdate();
    app.m_capture.Start();
    QImage picture(kViewWidth, kViewHeight, QImage::Format_RGB32);
    const int compute = kResponseMode + COMPUTE_COMMAND_OFFSET;
    QElapsedTimer run;
    run.start();
    double passMs = -1, afterEndMs = -1, analysedMs = -1;
    while (passMs < 0 && run.elapsed() < 30000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
      if (!ring) continue;
      QElapsedTimer pass;
      pass.start();
      const uint64_t arrived = ring->WritePosition();
      SendCommandTo(&view, compute);
      if (!feature.HasResults()) continue;
      analysedMs = static_cast<double>(pass.nsecsElapsed()) / 1e6;
      view.render(&picture);
      passMs = static_cast<double>(pass.nsecsElapsed()) / 1e6;
      // Frames that arrived after the sweep's end came in real time: their span and the pass.
      afterEndMs = 1000.0 * static_cast<double>(arrived - sweepEnd) / kRate + passMs;
    }
    app.m_capture.Stop();
    SetMainWindow(nullptr);
    if (passMs < 0) {
      state.SkipWithError("the sweep was not measured");
      break;
    }
    state.SetIterationTime(afterEndMs / 1000.0);
    state.counters["pass_and_render_ms"] = passMs;
    state.counters["render_ms"] = passMs - analysedMs;
    state.counters["sweep_end_to_picture_ms"] = afterEndMs;
    state.counters["latency_samples"] = feature.DelaySamples();
  }
  state.counters["budget_ms"] = 500;
}

BENCHMARK(BM_LiveDualChannelPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveDualChannelPassSmoothed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweepAnalysis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweepAnalysisUnprepared)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweepAnalysedAndDrawnAfterItEnds)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
