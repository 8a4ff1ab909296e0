// Outputs that must never hold the program or end it, and an input lost in the middle of a run,
// met the way a user meets them: FIFOs and pipes as output files, a disk that fills up, and a
// sound server killed and started again during the live display and a recording.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <sstream>

#include "e2e_reliability_support.h"
#include "features/data_out/data_out.h"
#include "features/data_out/data_out_feature.h"
#include "features/data_out/input_watch.h"
#include "instrument_support.h"
#include "platform/file_services.h"
#include "support/needs_environment.h"
#include "support/private_program.h"

using namespace e2e;
using namespace instrument;

namespace {

// The environment PrivateProgram::Run gives the program, for runs that need their own QProcess.
void PrepareProcess(QProcess& process, const PrivateProgram& program) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("AURIVUE_SPLASH_MS", "0");
  env.insert("AURIVUE_INSTANCE_DIR", program.Path("instance"));
  env.remove("AURIVUE_INPUT");
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(program.Path(""));
}

// A tmpfs of size bytes mounted for one test.
class SmallDisk {
 public:
  SmallDisk(const QString& where, const char* size) : m_where(where.toStdString()) {
    QDir().mkpath(where);
    const std::string options = std::string("size=") + size + ",mode=0755";
    m_mounted = ::geteuid() == 0 && ::mount("aurivue-test", m_where.c_str(), "tmpfs",
                                            MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (m_mounted) ::umount2(m_where.c_str(), MNT_DETACH);
  }
  bool mounted() const { return m_mounted; }
  std::string Path(const std::string& name) const { return m_where + "/" + name; }

  // Fills the disk up to the last free bytes (at least; a tmpfs counts in pages).
  bool LeaveFree(size_t bytes) const {
    struct statvfs disk {};
    if (::statvfs(m_where.c_str(), &disk) != 0) return false;
    const size_t free = static_cast<size_t>(disk.f_bavail) * disk.f_frsize;
    if (free < bytes) return false;
    return WriteFileReplacing(Path("filler"), std::string(free - bytes, 'f'));
  }

 private:
  std::string m_where;
  bool m_mounted = false;
};

// Frames of a recording as sox (not the program) reads it; -1 when sox cannot read it.
long long FramesSoxReads(const std::string& path) {
  const Stereo s = ReadRecording(path);
  return s.empty() ? -1 : static_cast<long long>(s.size() / 2);
}

// The frames a message says the file holds: the number before " frames)".
long long FramesInMessage(const QString& text) {
  const qsizetype end = text.indexOf(" frames)");
  if (end < 0) return -1;
  qsizetype begin = end;
  while (begin > 0 && text[begin - 1].isDigit()) --begin;
  return text.mid(begin, end - begin).toLongLong();
}

class OutputTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!m_program.ok()) GTEST_SKIP() << "aurivue is not built";
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  }
  PrivateProgram m_program;
};

}  // namespace

// Each output pointed at a FIFO nobody reads: refused at once with a message that says why,
// never a window frozen in the open.
TEST_F(OutputTargetTest, AFifoWithoutAReaderIsRefusedAtOnceByEveryOutput) {
  const QString fifo = m_program.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  const struct {
    QStringList args;
    QString says;
  } cases[] = {
      {{"--log", fifo}, "Nothing is reading from " + fifo + "."},
      {{"--record", fifo}, fifo + " is not a regular file."},
      {{"--measure", fifo}, fifo + " is not a regular file."},
      {{"--export-csv", fifo}, "Nothing is reading from " + fifo + "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QElapsedTimer clock;
    clock.start();
    const auto r = m_program.Run(QStringList{"--input", "tone:1000", "--power", "--frames", "2"} +
                                     c.args + QStringList{"--quit"},
                                 30000);
    ASSERT_TRUE(r.finished) << "the run waited for a reader";
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("unexpected error")) << r.err.toStdString();
  }
}

// The log into a pipe whose reader leaves after 300 bytes: the log stops with a message, the
// recording keeps every buffer and the measurements are written.
TEST_F(OutputTargetTest, AReaderThatGoesAwayStopsTheLogAndNothingElse) {
  QProcess program;
  QProcess head;
  PrepareProcess(program, m_program);
  program.setStandardOutputProcess(&head);
  head.setStandardOutputFile(QProcess::nullDevice());
  head.start("head", {"-c", "300"});
  ASSERT_TRUE(head.waitForStarted(5000));
  program.start(m_program.ProgramPath(),
                {"--input", "tone:1000", "--power", "--frames", "6", "--log", "/dev/stdout",
                 "--record", "r.wav", "--measure", "m.csv", "--quit"});
  ASSERT_TRUE(program.waitForFinished(60000));
  head.waitForFinished(5000);
  const QString err = QString::fromLocal8Bit(program.readAllStandardError());
  ASSERT_EQ(program.exitStatus(), QProcess::NormalExit)
      << "ended by a signal: " << err.toStdString();
  EXPECT_EQ(program.exitCode(), 1) << err.toStdString();
  EXPECT_TRUE(err.contains("the measurement log stopped after")) << err.toStdString();
  EXPECT_TRUE(err.contains("The program reading /dev/stdout has closed it.")) << err.toStdString();
  std::string csv;
  ASSERT_TRUE(ReadRegularFile(m_program.PathStd("m.csv"), csv));
  EXPECT_NE(csv.find("\nleft,frequency,1000,Hz,1,"), std::string::npos) << csv;
  // Six half-second buffers at least, from POWER on to the end of the run.
  EXPECT_GE(FramesSoxReads(m_program.PathStd("r.wav")), 6 * 22050);
}

// A recording on a disk that fills: the message gives what a reader finds in the file, and the
// run says nothing false about the capture, which went on.
TEST_F(OutputTargetTest, AFullDiskNamesWhatTheRecordingHoldsAndNoFalseCaptureFailure) {
  REQUIRE_ENVIRONMENT(::geteuid() == 0, "mounting a tiny tmpfs needs root");
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  for (const char* name : {"take.wav", "take.flac"}) {
    SCOPED_TRACE(name);
    SmallDisk disk(m_program.Path(QString("disk-") + name), "192k");
    REQUIRE_ENVIRONMENT(disk.mounted(), "this root may not mount a tmpfs");
    const std::string path = disk.Path(name);
    // Noise: FLAC cannot pack it small, so the disk fills within a few seconds either way.
    const auto r =
        m_program.Run({"--input", "tone:left=1000,noise,0.9;right=700,noise,0.9", "--power",
                       "--frames", "12", "--record", QString::fromStdString(path), "--quit"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("A disk full error occurred while writing")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("processed after POWER")) << r.err.toStdString();
    const long long read = FramesSoxReads(path);
    EXPECT_GT(read, 0);
    EXPECT_EQ(FramesInMessage(r.err), read) << r.err.toStdString();
  }
}

// The log on a disk that fills: said while the run goes on, and the file ends with a whole row.
TEST_F(OutputTargetTest, ALogOnAFillingDiskIsReportedAtOnceAndEndsWithAWholeRow) {
  REQUIRE_ENVIRONMENT(::geteuid() == 0, "mounting a tiny tmpfs needs root");
  SmallDisk disk(m_program.Path("disk"), "64k");
  REQUIRE_ENVIRONMENT(disk.mounted(), "this root may not mount a tmpfs");
  ASSERT_TRUE(disk.LeaveFree(4096));
  const std::string log = disk.Path("log.csv");
  QProcess program;
  PrepareProcess(program, m_program);
  program.start(m_program.ProgramPath(), {"--input", "tone:1000", "--live", "--power", "--frames",
                                          "10000", "--log", QString::fromStdString(log), "--quit"});
  ASSERT_TRUE(program.waitForStarted(5000));
  QString err;
  QElapsedTimer clock;
  clock.start();
  while (!err.contains("measurement log stopped") && clock.elapsed() < 60000 &&
         program.state() == QProcess::Running) {
    program.waitForReadyRead(200);
    err += QString::fromLocal8Bit(program.readAllStandardError());
  }
  EXPECT_TRUE(
      err.contains("A disk full error occurred while writing " + QString::fromStdString(log)))
      << err.toStdString();
  EXPECT_EQ(program.state(), QProcess::Running) << "said only when the run ended";
  program.kill();
  program.waitForFinished(5000);
  std::string text;
  ASSERT_TRUE(ReadRegularFile(log, text));
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n') << "a half row at the end";
  // Every row has the header's cells.
  const auto cells = [](const std::string& line) {
    return std::count(line.begin(), line.end(), ',');
  };
  std::istringstream lines(text);
  std::string header, row;
  std::getline(lines, header);
  int rows = 0;
  while (std::getline(lines, row)) {
    EXPECT_EQ(cells(row), cells(header)) << "row " << rows;
    ++rows;
  }
  EXPECT_GT(rows, 0);
}

// A scripted live run against a sound server that is not there ends within seconds, as the
// classic one does, and says which input gave nothing.
TEST(LostInputTest, ScriptedLiveRunAgainstADeadSoundServerEndsAtOnce) {
  PrivateProgram program;
  if (!program.ok()) GTEST_SKIP() << "aurivue is not built";
  ASSERT_TRUE(program.WriteSettings(kKnownSettings));
  ScopedEnv server("PULSE_SERVER", "unix:" + program.PathStd("no-server"));
  for (const char* display : {"--live", "--classic"}) {
    SCOPED_TRACE(display);
    QElapsedTimer clock;
    clock.start();
    const auto r =
        program.Run({display, "--input", "default", "--power", "--frames", "240", "--quit"}, 60000);
    ASSERT_TRUE(r.finished);
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("nothing came from the input \"default\"")) << r.err.toStdString();
  }
}

// The same run with a sound server that dies after POWER on: the loss ends it within seconds,
// naming the input, instead of a second of waiting per update asked for.
TEST(LostInputTest, ScriptedLiveRunWhoseSoundServerDiesEndsWithinSeconds) {
  REQUIRE_ENVIRONMENT(PulseAudioInstalled(), "pulseaudio and pactl are not installed");
  PrivateProgram program;
  if (!program.ok()) GTEST_SKIP() << "aurivue is not built";
  ASSERT_TRUE(program.WriteSettings(kKnownSettings));
  PrivateDaemon daemon;
  ASSERT_TRUE(daemon.Start()) << daemon.Log();
  ScopedEnv server("PULSE_SERVER", daemon.Server());
  ScopedEnv source("PULSE_SOURCE", "vanishsink.monitor");
  QProcess run;
  PrepareProcess(run, program);
  run.start(program.ProgramPath(),
            {"--live", "--input", "default", "--power", "--frames", "10000", "--quit"});
  ASSERT_TRUE(run.waitForStarted(5000));
  QThread::sleep(4);
  ASSERT_EQ(run.state(), QProcess::Running) << run.readAllStandardError().toStdString();
  daemon.Kill();
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_LT(clock.elapsed(), 15000);
  const QString err = QString::fromLocal8Bit(run.readAllStandardError());
  EXPECT_EQ(run.exitCode(), 1) << err.toStdString();
  EXPECT_TRUE(err.contains("The input \"default\"")) << err.toStdString();
  EXPECT_TRUE(err.contains("was lost")) << err.toStdString();
  EXPECT_TRUE(
      err.contains("updates were made after POWER; nothing came from the input \"default\""))
      << err.toStdString();
}

// The sound server killed while the live display records: the loss is said, naming the input,
// the recording shows as paused, and both go on into the same file once the server is back;
// POWER off and on afterwards goes on into that file too.
TEST(LostInputTest, SoundServerKilledDuringLiveAndRecordingIsSaidAndResumed) {
  REQUIRE_ENVIRONMENT(PulseAudioInstalled(), "pulseaudio and pactl are not installed");
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  PrivateDaemon daemon;
  ASSERT_TRUE(daemon.Start()) << daemon.Log();
  Watchdog watchdog(20);
  ScopedEnv server("PULSE_SERVER", daemon.Server());
  ScopedEnv source("PULSE_SOURCE", "vanishsink.monitor");
  QTemporaryDir dir;
  const std::string take = dir.filePath("take.wav").toStdString();

  AppSession session("default");
  ASSERT_TRUE(session.ok()) << session.error();
  CAurivueApp& app = session.App();
  CMainFrame* frame = session.Frame();
  InputWatch& watch = *InputWatchOf(frame->Features());
  DataOut& out = *DataOutOf(frame->Features());
  app.m_bLive = 1;
  app.m_nDisplayMode = 602;
  SendCommandTo(frame, 602);
  ASSERT_TRUE(out.StartRecording(take));
  const auto recordedGrows = [&](uint64_t frames, const char* doing) {
    const uint64_t target = out.Recorder().FramesWritten() + frames;
    return PumpUntil(
        [&] {
          watchdog.Feed(doing);
          return out.Recorder().FramesWritten() >= target;
        },
        20s);
  };
  watchdog.Feed("pressing POWER on");
  session.ClickPower();
  ASSERT_TRUE(recordedGrows(22050, "recording the first half second"));
  EXPECT_EQ(out.RecordMark()->text(), QString::fromUtf8("\u25CF REC"));

  daemon.Kill();
  ASSERT_TRUE(PumpUntil(
      [&] {
        watchdog.Feed("waiting for the loss to be seen and said");
        return watch.Lost() && !session.Messages().empty();
      },
      10s));
  const uint64_t atLoss = out.Recorder().FramesWritten();
  EXPECT_FALSE(watch.LostMark()->isHidden());
  EXPECT_TRUE(out.IsRecording());
  EXPECT_FALSE(out.RecordMark()->text().contains(QString::fromUtf8("\u25CF")))
      << "lit as if recording";
  const std::vector<std::string> messages = session.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("The input \"default\"", 0), 0u) << messages[0];
  EXPECT_NE(messages[0].find("was lost"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("The recording is paused."), std::string::npos) << messages[0];
  // Waiting for the server, the program answers and records nothing.
  for (int i = 0; i < 20; ++i) {
    watchdog.Feed("running without a sound server");
    Pump(100ms);
  }
  EXPECT_EQ(out.Recorder().FramesWritten(), atLoss);

  watchdog.Feed("starting the sound server again");
  ASSERT_TRUE(daemon.Start()) << daemon.Log();
  ASSERT_TRUE(PumpUntil(
      [&] {
        watchdog.Feed("waiting for the input to come back");
        return !watch.Lost();
      },
      20s));
  EXPECT_TRUE(watch.LostMark()->isHidden());
  EXPECT_EQ(out.RecordMark()->text(), QString::fromUtf8("\u25CF REC"));
  ASSERT_TRUE(recordedGrows(22050, "recording after the server came back"));
  const uint64_t beforeOff = app.m_nAnalysisUpdates;
  EXPECT_TRUE(PumpUntil([&] { return app.m_nAnalysisUpdates > beforeOff + 5; }, 10s))
      << "the live display goes on";

  // POWER off and on still goes on in the same file.
  watchdog.Feed("POWER off and on");
  session.ClickPower();
  const uint64_t atOff = out.Recorder().FramesWritten();
  session.ClickPower();
  ASSERT_TRUE(recordedGrows(22050, "recording after POWER on"));
  session.ClickPower();
  ASSERT_TRUE(out.StopRecording());
  const uint64_t written = out.Recorder().FramesWritten();
  EXPECT_GT(written, atOff);
  EXPECT_EQ(FramesSoxReads(take), static_cast<long long>(written)) << "one valid file";
  EXPECT_EQ(session.Messages().size(), 1u) << session.Messages().back();
}
