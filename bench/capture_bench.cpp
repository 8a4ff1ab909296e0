// Delay from the device finishing a capture buffer to the ID_BUFFER_READY handler starting on
// the user-interface thread, with the tone input: median and 99th percentile in microseconds.
// Paced runs at the real rate (two buffers a second); unpaced measures the hand-off alone.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "acquisition/wave_in_capture.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"

namespace {

class Receiver : public QWidget, public MessageTarget {
 public:
  bool OnCommand(int id) override {
    if (id != ID_BUFFER_READY) return false;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    const WaveHeader& h =
        m_capture->GetHeader(m_capture->GetReadyBuffer() == m_capture->GetHeader(0).lpData ? 0 : 1);
    if (m_delays.size() < m_delays.capacity()) {
      m_delays.push_back(static_cast<double>(now - static_cast<int64_t>(h.dwReserved)) / 1000.0);
    }
    if (m_loop != nullptr) m_loop->quit();
    return true;
  }
  WaveInCapture* m_capture = nullptr;
  QEventLoop* m_loop = nullptr;
  std::vector<double> m_delays;
};

void BM_BufferFilledToHandler(benchmark::State& state) {
  const bool paced = state.range(0) != 0;
  std::string error;
  if (!SelectWaveInput("tone:1000", &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  SetWaveInRealTimePacing(paced);
  MessageRecorder messages;
  Receiver receiver;
  SetMainWindow(&receiver);
  WaveInCapture capture;
  capture.SetFormat(2, 44100, 16);
  receiver.m_capture = &capture;
  receiver.m_delays.reserve(static_cast<size_t>(state.max_iterations));
  QEventLoop loop;
  receiver.m_loop = &loop;
  capture.Start();
  for (auto _ : state) loop.exec();  // one buffer per iteration
  capture.Stop();
  SetMainWindow(nullptr);
  SetWaveInRealTimePacing(true);

  std::vector<double>& d = receiver.m_delays;
  if (d.empty() || !messages.Texts().empty()) {
    state.SkipWithError("no buffers arrived");
    return;
  }
  std::sort(d.begin(), d.end());
  state.counters["median_us"] = d[d.size() / 2];
  state.counters["p99_us"] = d[std::min(d.size() - 1, d.size() * 99 / 100)];
  state.counters["buffers"] = static_cast<double>(d.size());
}

BENCHMARK(BM_BufferFilledToHandler)
    ->Arg(0)
    ->Iterations(2000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BufferFilledToHandler)
    ->Arg(1)
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
