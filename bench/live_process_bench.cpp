// The whole program as a process: CPU with POWER off (the window up, the tone input chosen,
// nothing recording) and resident memory and CPU while Live runs the 2-D oscillograph at
// 48 kHz stereo. Each figure is read from /proc over a quiet stretch after a settling time.
// Targets: under 0.5 % of a core with POWER off, at most 80 MB resident in Live.
// Run: build/bench/bench_live_process_bench (offscreen unless a display is set).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "platform/file_services.h"

namespace {

QString ProgramPath() { return QString::fromStdString(ProgramDirectory()) + "/../src/aurivue"; }

double CpuSeconds(qint64 pid) {
  QFile stat(QString("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QString text = QString::fromLatin1(stat.readAll());
  const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return 0;
  return (fields[11].toDouble() + fields[12].toDouble()) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKiB(qint64 pid) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toLong();
  }
  return 0;
}

struct Sample {
  double cpuPercent = 0;
  long rssKiB = 0;
  bool ok = false;
};

// Starts the program with args, waits settleMs, then measures over measureMs, and ends it.
Sample Measure(const QStringList& args, int settleMs, int measureMs) {
  Sample s;
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("AURIVUE_INSTANCE_DIR", dir.path());
  env.remove("AURIVUE_INPUT");
  if (!env.contains("DISPLAY") && !env.contains("WAYLAND_DISPLAY")) {
    env.insert("QT_QPA_PLATFORM", "offscreen");
  }
  QProcess process;
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(ProgramPath(), QStringList{"--splash-ms", "0"} + args);
  if (!process.waitForStarted(10000)) return s;
  QThread::msleep(static_cast<unsigned long>(settleMs));
  const qint64 pid = process.processId();
  const double cpu0 = CpuSeconds(pid);
  QThread::msleep(static_cast<unsigned long>(measureMs));
  s.cpuPercent = (CpuSeconds(pid) - cpu0) / (measureMs / 1000.0) * 100.0;
  s.rssKiB = ResidentKiB(pid);
  s.ok = process.state() == QProcess::Running;
  process.terminate();
  if (!process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished(5000);
  }
  return s;
}

void BM_PowerOff(benchmark::State& state) {
  if (!QFileInfo::exists(ProgramPath())) {
    state.SkipWithError("build the aurivue target first");
    return;
  }
  Sample s;
  for (auto _ : state) s = Measure({"--input", "tone:1000"}, 3000, 20000);
  if (!s.ok) state.SkipWithError("the program did not keep running");
  state.counters["cpu_percent"] = s.cpuPercent;
  state.counters["rss_MiB"] = static_cast<double>(s.rssKiB) / 1024.0;
  state.SetLabel("POWER off, Classic; target < 0.5 % of a core");
}
BENCHMARK(BM_PowerOff)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PowerOffLive(benchmark::State& state) {
  Sample s;
  for (auto _ : state) s = Measure({"--live", "--input", "tone:1000"}, 3000, 20000);
  if (!s.ok) state.SkipWithError("the program did not keep running");
  state.counters["cpu_percent"] = s.cpuPercent;
  state.SetLabel("POWER off, Live chosen; target < 0.5 % of a core");
}
BENCHMARK(BM_PowerOffLive)->Iterations(1)->Unit(benchmark::kSecond);

void BM_LiveResident(benchmark::State& state) {
  Sample s;
  for (auto _ : state) {
    s = Measure({"--live", "--input", "tone:1000", "--power", "--frames", "10"}, 5000, 10000);
  }
  if (!s.ok) state.SkipWithError("the program did not keep running");
  state.counters["rss_MiB"] = static_cast<double>(s.rssKiB) / 1024.0;
  state.counters["cpu_percent"] = s.cpuPercent;
  state.SetLabel(
      "Live 2-D oscillograph at the settings beside the program, recording; target <= 80 MB");
}
BENCHMARK(BM_LiveResident)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
