// The built program refusing, at start and in one line, inputs it could never record from: a
// pipe, standard input, a recording at another rate than the settings; and an option that
// needs a value given another option instead. Also a float recording seen at its true level.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <cmath>

#include "instrument_support.h"
#include "support/file_bytes.h"

using namespace instrument;

namespace {

class InputStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(AURIVUE_BINARY_DIR "/src/aurivue")) GTEST_SKIP() << "aurivue is not built";
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    ASSERT_TRUE(m_program.ok());
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  }

  // Expects the run to end with status 2 and exactly one line of the program's own (the toolkit
  // may add notes of its own) holding each of words.
  static void ExpectOneLineRefusal(const PrivateProgram::Result& r, const QStringList& words) {
    ASSERT_TRUE(r.finished) << "the program did not end";
    EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
    QStringList lines;
    for (const QString& line : r.err.split('\n', Qt::SkipEmptyParts)) {
      if (line.startsWith("aurivue: ")) lines << line;
    }
    ASSERT_EQ(lines.size(), 1) << r.err.toStdString();
    for (const QString& w : words) EXPECT_TRUE(lines[0].contains(w)) << lines[0].toStdString();
  }

  PrivateProgram m_program;
};

}  // namespace

TEST_F(InputStartTest, APipeIsRefusedAtStartAndItsWriterIsLeftAlone) {
  const std::string fifo = m_program.PathStd("feed");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Without a writer: the start must not wait for one.
  QElapsedTimer clock;
  clock.start();
  auto r = m_program.Run({"--input", "file:feed"}, 20000);
  ExpectOneLineRefusal(r, {"feed", "pipe"});
  EXPECT_LT(clock.elapsed(), 15000);

  // With a writer waiting for its reader: refused just the same, and the writer still waits
  // (the program never opened the pipe, so it neither fed nor cut off the writer).
  const std::string wav = m_program.PathStd("tone.wav");
  ASSERT_EQ(
      std::system(("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 1 sine 1000 vol 0.5").c_str()),
      0);
  QProcess writer;
  writer.start("sh", {"-c", QString::fromStdString("exec cat '" + wav + "' > '" + fifo + "'")});
  ASSERT_TRUE(writer.waitForStarted(5000));
  r = m_program.Run({"--input", "file:feed", "--power", "--frames", "2", "--quit"}, 20000);
  ExpectOneLineRefusal(r, {"feed", "pipe"});
  EXPECT_EQ(writer.state(), QProcess::Running) << "the writer was disturbed";
  writer.kill();
  writer.waitForFinished(5000);
}

TEST_F(InputStartTest, StandardInputFromAPipeIsRefusedAtStart) {
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("AURIVUE_SPLASH_MS", "0");
  env.insert("AURIVUE_INSTANCE_DIR", m_program.Path("instance"));
  env.remove("AURIVUE_INPUT");
  program.setProcessEnvironment(env);
  program.setWorkingDirectory(m_program.Path(""));
  // QProcess gives the program a pipe as its standard input.
  program.start(m_program.Path("aurivue"),
                {"--input", "file:/dev/stdin", "--power", "--frames", "2", "--quit"});
  ASSERT_TRUE(program.waitForStarted(5000));
  const bool finished = program.waitForFinished(20000);
  if (!finished) program.kill();
  PrivateProgram::Result r;
  r.finished = finished;
  r.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  r.err = QString::fromLocal8Bit(program.readAllStandardError());
  ExpectOneLineRefusal(r, {"/dev/stdin", "pipe"});
}

TEST_F(InputStartTest, ARecordingAtAnotherRateIsRefusedAtStartNamingBothRates) {
  ASSERT_EQ(std::system(("sox -n -r 48000 -c 2 -b 16 '" + m_program.PathStd("take.wav") +
                         "' synth 0.5 sine 1000 vol 0.5")
                            .c_str()),
            0);
  // Scripted or not, the start ends before any window: POWER could never open the recording.
  ExpectOneLineRefusal(
      m_program.Run({"--input", "file:take.wav", "--power", "--frames", "2", "--quit"}, 20000),
      {"take.wav", "48000 Hz", "44100 Hz"});
  ExpectOneLineRefusal(m_program.Run({"--input", "file:take.wav"}, 20000),
                       {"take.wav", "48000 Hz", "44100 Hz"});
}

TEST_F(InputStartTest, AnOptionIsRefusedAsTheValueOfAnother) {
  const auto r = m_program.Run({"--input", "none", "--export", "--quit"}, 20000);
  ExpectOneLineRefusal(r, {"--export", "--quit"});
  EXPECT_FALSE(QFile::exists(m_program.Path("--quit")));
}

// A float recording (the usual export of audio editors) at -6 dBFS shows at -6 dBFS: the
// exported counts reach half of full scale.
TEST_F(InputStartTest, AFloatRecordingIsExportedAtItsLevel) {
  for (const char* bits : {"32", "64"}) {
    SCOPED_TRACE(bits);
    ASSERT_EQ(
        std::system(("sox -n -r 44100 -c 2 -e floating-point -b " + std::string(bits) + " '" +
                     m_program.PathStd("float.wav") + "' synth 1 sine 1000 gain -6 2>/dev/null")
                        .c_str()),
        0);
    const QString out = m_program.Path("out.txt");
    QFile::remove(out);
    const auto r = m_program.Run(
        {"--input", "file:float.wav", "--power", "--frames", "2", "--export", out, "--quit"});
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QString text = QString::fromStdString(ReadFileBytes(out.toStdString()));
    QTextStream in(&text);
    in.readLine();  // header
    double peak[2] = {0, 0};
    int records = 0;
    while (!in.atEnd()) {
      const QStringList fields = in.readLine().mid(7).split(' ', Qt::SkipEmptyParts);
      ASSERT_EQ(fields.size(), 2);
      for (int c = 0; c < 2; ++c) peak[c] = std::max(peak[c], std::abs(fields[c].toDouble()));
      ++records;
    }
    EXPECT_EQ(records, 441);
    // 0.501 of 32767 is 16422; a sampled peak of a 1 kHz sine at 44.1 kHz lies within 0.3 %.
    for (double p : peak) {
      EXPECT_LE(p, 16423);
      EXPECT_GE(p, 16370);
    }
  }
}
