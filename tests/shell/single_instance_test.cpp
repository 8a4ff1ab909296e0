#include "shell/single_instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include "platform/instance_lock.h"
#include "support/event_pump.h"
#include "support/needs_environment.h"
#include "support/private_program.h"

namespace {

constexpr int kWaitMs = 30000;

// Runs the event loop until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(kWaitMs)) {
  return support::PumpEventsUntil(done, limit);
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(program.ok(), "the program is not built (build/src/aurivue)");
    ASSERT_TRUE(dir.isValid());
    setenv("AURIVUE_INSTANCE_DIR", dir.path().toLocal8Bit().constData(), 1);
  }
  void TearDown() override { unsetenv("AURIVUE_INSTANCE_DIR"); }

  void Start(QProcess& process) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("AURIVUE_INSTANCE_DIR", dir.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("AURIVUE_INPUT", "none");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program.ProgramPath(), {"--splash-ms", "0"});
    ASSERT_TRUE(process.waitForStarted());
  }

  QString SocketFile() const {
    return dir.path() + "/" + QString::fromStdString(SingleInstanceName()) + ".sock";
  }

  QTemporaryDir dir;
  // The starts run a private copy, whose settings file is its own.
  instrument::PrivateProgram program;
};

}  // namespace

TEST_F(SingleInstanceTest, SecondStartRestoresTheFirstWindowAndEndsQuietly) {
  // This test process is the first instance, with a minimised window.
  QWidget window;
  window.showMinimized();
  ASSERT_TRUE(window.isMinimized());
  CSingleInstance first;
  ASSERT_FALSE(first.FindRunningInstance(&window));

  QProcess second;
  Start(second);
  ASSERT_TRUE(PumpUntil([&] { return second.state() == QProcess::NotRunning; }));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(PumpUntil([&] { return !window.isMinimized(); }, 5000ms));
  // The claim is the process's for good: asking again finds it free for us.
  EXPECT_FALSE(CSingleInstance().FindRunningInstance(&window));
}

TEST_F(SingleInstanceTest, KilledFirstInstanceLeavesTheNameFree) {
  QProcess first;
  Start(first);
  ASSERT_TRUE(PumpUntil([&] { return QFileInfo::exists(SocketFile()); })) << "first never listened";

  // While it runs, a second start ends at once.
  QProcess second;
  Start(second);
  ASSERT_TRUE(second.waitForFinished(kWaitMs));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);

  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  ASSERT_TRUE(first.waitForFinished(kWaitMs));
  // Its socket file is left behind, but nobody answers on it.
  EXPECT_FALSE(RequestInstanceActivation(SingleInstanceName()));

  QProcess third;
  Start(third);
  const bool listening = PumpUntil([&] {
    return third.state() != QProcess::Running || RequestInstanceActivation(SingleInstanceName());
  });
  EXPECT_TRUE(listening);
  EXPECT_EQ(third.state(), QProcess::Running) << "the new start did not become the first instance";
  third.kill();
  third.waitForFinished(kWaitMs);
}

TEST_F(SingleInstanceTest, InstancesInAnotherUsersFolderDoNotMeet) {
  QTemporaryDir otherUser;
  ASSERT_TRUE(ClaimInstanceName(SingleInstanceName()));
  setenv("AURIVUE_INSTANCE_DIR", otherUser.path().toLocal8Bit().constData(), 1);
  // A fresh folder: this process claims there too, and nothing there answers requests.
  EXPECT_FALSE(RequestInstanceActivation(SingleInstanceName()));
  EXPECT_TRUE(ClaimInstanceName(SingleInstanceName()));
}

TEST(SingleInstanceFolder, DefaultsArePerUser) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved ? saved : "";
  unsetenv("AURIVUE_INSTANCE_DIR");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(InstanceDirectory(), "/tmp/aurivue-" + std::to_string(getuid()));
  setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
  EXPECT_EQ(InstanceDirectory(), "/run/user/4242");
  if (saved) {
    setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
}

TEST(SingleInstanceFolder, FoldersOfAnyLengthStillCarryRequests) {
  QTemporaryDir base;
  const QString deep = base.path() + "/" + QString(120, 'd') + "/" + QString(120, 'e');
  ASSERT_TRUE(QDir().mkpath(deep));
  setenv("AURIVUE_INSTANCE_DIR", deep.toLocal8Bit().constData(), 1);
  const std::string name = "LongFolderProbe";
  EXPECT_EQ(InstanceSocketName(name), deep.toStdString() + "/" + name + ".sock");
  ASSERT_TRUE(ClaimInstanceName(name));
  int requests = 0;
  InstanceListener listener(name, [&requests] { ++requests; });
  ASSERT_TRUE(listener.IsListening());
  EXPECT_TRUE(RequestInstanceActivation(name));
  EXPECT_TRUE(PumpUntil([&] { return requests == 1; }, 5000ms));
  unsetenv("AURIVUE_INSTANCE_DIR");
}
