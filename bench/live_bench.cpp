// The live display measured in this process, with the tone input at its real-time pace standing
// in for the sound card's callback (it stamps every block as it hands it over):
// - input to pixel: from a block's stamp to the end of the paint of the chart that shows its
//   newest sample, Live, 2-D oscillograph, 48 kHz stereo (median and 99th percentile);
// - updates a second for every 2-D mode at 96 kHz stereo, and the refreshes let go;
// - CPU per Live update (every thread of the program, and the X server when
//   AURIVUE_XSERVER_PID names it), 2-D oscillograph, 48 kHz stereo.
// With AURIVUE_INPUT=default the sound card's own PortAudio callback stamps the blocks instead.
// The view has the size of its pane on a 1920 x 1080 screen and is shown, so it paints as on
// screen. Offscreen unless a display is chosen; under Xvfb:
//   xvfb-run -a -s '-screen 0 1920x1080x24' sh -c \
//     'AURIVUE_XSERVER_PID=$(pgrep -n Xvfb) QT_QPA_PLATFORM=xcb build/bench/bench_live_bench'
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "acquisition/app_state.h"
#include "gui_bench_main.h"
#include "platform/capture_ring.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"

namespace {

constexpr int kViewWidth = 1780;
constexpr int kViewHeight = 800;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of another process (the X server), 0 when unknown.
double ProcessCpuSeconds(const char* pid) {
  if (pid == nullptr || *pid == '\0') return 0;
  QFile stat(QString("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QString text = QString::fromLatin1(stat.readAll());
  const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return 0;
  return (fields[11].toDouble() + fields[12].toDouble()) / 100.0;  // utime, stime in ticks
}

// Times the end of every paint of one chart, and with it how old the newest sample it shows is.
class PaintClock : public QObject {
 public:
  PaintClock(QWidget* chart, const CAurivueView* view) : m_view(view) {
    chart->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    // The paint itself, so the time taken is at its end.
    static_cast<QWidget*>(watched)->removeEventFilter(this);
    QCoreApplication::sendEvent(watched, event);
    watched->installEventFilter(this);
    const uint64_t stamp = m_view->LiveFrameStamp();
    if (m_bMeasuring && stamp != 0 && stamp != m_nLastStamp) {
      m_latenciesMs.push_back(static_cast<double>(SteadyNowNs() - stamp) / 1e6);
    }
    m_nLastStamp = stamp;
    return true;
  }
  std::vector<double> m_latenciesMs;
  bool m_bMeasuring = false;

 private:
  const CAurivueView* m_view;
  uint64_t m_nLastStamp = 0;
};

struct LiveRun {
  std::vector<double> latenciesMs;
  double updatesPerSecond = 0;
  double cpuMsPerUpdate = 0;
  double xServerMsPerUpdate = 0;
  double skippedPerSecond = 0;
  uint64_t lostBlocks = 0;
  int refreshMs = 0;
};

LiveRun RunLive(int mode, uint32_t rate, double seconds) {
  LiveRun run;
  MessageRecorder messages;
  // $AURIVUE_INPUT measures a real input instead (default: the sound card through PortAudio).
  const char* input = std::getenv("AURIVUE_INPUT");
  SelectWaveInput(input != nullptr && *input != '\0' ? input : "tone:1000", nullptr);
  SetWaveInRealTimePacing(true);
  AppState app;
  app.m_nChannels = 2;
  app.m_nBits = 16;
  app.m_nSampleRate = rate;
  app.m_nVoltValue = 32000;
  app.m_nFFTWindow = 3;
  app.m_nFilterType = 1;
  app.m_nFreqPoint = 10000;
  app.m_nDisplayMode = mode;
  app.m_bLive = 1;
  app.m_bPowerOn = 1;
  app.ComputeDerived();
  app.m_capture.SetFormat(2, rate, 16);
  CAurivueDoc doc;
  CAurivueView view(&doc);
  view.resize(kViewWidth, kViewHeight);
  view.show();
  // The capture hands its half-second buffers here; Live leaves them alone.
  SetMainWindow(&view);
  view.OnInitialUpdate();
  const bool two = mode <= 602;
  PaintClock clock(two ? static_cast<QWidget*>(&view.Chart2D(1)) : &view.Chart2D(0), &view);
  app.m_capture.Start();
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const char* xPid = std::getenv("AURIVUE_XSERVER_PID");
  const double cpu0 = CpuSeconds(), x0 = ProcessCpuSeconds(xPid);
  const uint64_t updates0 = app.m_nAnalysisUpdates, skipped0 = app.m_nSkippedRefreshes;
  clock.m_bMeasuring = true;
  timer.restart();
  while (timer.elapsed() < seconds * 1000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  const double elapsed = static_cast<double>(timer.elapsed()) / 1000.0;
  const double updates = static_cast<double>(app.m_nAnalysisUpdates - updates0);
  run.updatesPerSecond = updates / elapsed;
  run.cpuMsPerUpdate = (CpuSeconds() - cpu0) * 1000.0 / std::max(1.0, updates);
  run.xServerMsPerUpdate = (ProcessCpuSeconds(xPid) - x0) * 1000.0 / std::max(1.0, updates);
  run.skippedPerSecond = static_cast<double>(app.m_nSkippedRefreshes - skipped0) / elapsed;
  run.latenciesMs = clock.m_latenciesMs;
  run.refreshMs = view.LiveRefreshIntervalMs();
  if (auto ring = app.m_capture.GetRing()) run.lostBlocks = ring->Overruns();
  app.m_capture.Stop();
  SetMainWindow(nullptr);
  return run;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
  return v[at];
}

void BM_LiveInputToPixel(benchmark::State& state) {
  LiveRun run;
  for (auto _ : state) run = RunLive(602, 48000, 10);
  state.counters["median_ms"] = Percentile(run.latenciesMs, 0.5);
  state.counters["p99_ms"] = Percentile(run.latenciesMs, 0.99);
  state.counters["paints"] = static_cast<double>(run.latenciesMs.size());
  state.counters["updates_per_s"] = run.updatesPerSecond;
  state.counters["cpu_ms_per_update"] = run.cpuMsPerUpdate;
  state.counters["x_ms_per_update"] = run.xServerMsPerUpdate;
  state.counters["lost_blocks"] = static_cast<double>(run.lostBlocks);
  state.SetLabel(
      "Live 2-D oscillograph, 48 kHz stereo; targets: median <= 20, p99 <= 30 ms, "
      "CPU + X <= 4 ms an update");
}
BENCHMARK(BM_LiveInputToPixel)->Iterations(1)->Unit(benchmark::kSecond);

void BM_LiveUpdatesPerSecond(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  LiveRun run;
  for (auto _ : state) run = RunLive(mode, 96000, 4);
  state.counters["updates_per_s"] = run.updatesPerSecond;
  state.counters["skipped_per_s"] = run.skippedPerSecond;
  state.counters["refresh_ms"] = run.refreshMs;
  state.counters["cpu_ms_per_update"] = run.cpuMsPerUpdate;
  state.counters["lost_blocks"] = static_cast<double>(run.lostBlocks);
  static const char* const kNames[] = {"spectrum",  "phase",       "oscillograph",
                                       "Lissajous", "correlation", "power spectrum"};
  state.SetLabel(std::string("2-D ") + kNames[mode - 600] + ", 96 kHz stereo; target >= 55/s");
}
BENCHMARK(BM_LiveUpdatesPerSecond)->DenseRange(600, 605)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
