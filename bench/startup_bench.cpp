// Time from process start to the first painted frame of the main window, with the splash at
// 0 ms: the program is started with AURIVUE_QUIT_AFTER_FIRST_PAINT=1 and timed until it ends.
// Target: under 400 ms. Run: build/bench/bench_startup_bench (offscreen unless a display is set).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/file_services.h"

namespace {

QString ProgramPath() { return QString::fromStdString(ExecutableDirectory()) + "/../src/aurivue"; }

void BM_StartToFirstPaint(benchmark::State& state) {
  const QString program = ProgramPath();
  if (!QFileInfo::exists(program)) {
    state.SkipWithError("build the aurivue target first");
    return;
  }
  QTemporaryDir instanceDir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("AURIVUE_INSTANCE_DIR", instanceDir.path());
  env.insert("AURIVUE_QUIT_AFTER_FIRST_PAINT", "1");
  env.insert("AURIVUE_INPUT", "none");
  if (!env.contains("DISPLAY") && !env.contains("WAYLAND_DISPLAY")) {
    env.insert("QT_QPA_PLATFORM", "offscreen");
  }
  for (auto _ : state) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {"--splash-ms", "0"});
    process.waitForFinished(60000);
    state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    if (process.exitCode() != 0) state.SkipWithError("the program did not start cleanly");
  }
  state.counters["target_ms"] = 400;
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
