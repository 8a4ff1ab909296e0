// The built program's single-instance socket in a folder whose path is too long for a socket
// address: still a file in that folder (no name in the abstract namespace, which any local user
// may take first), and a second start still reaches the running one and ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <fstream>

#include "instrument_support.h"
#include "shell/single_instance.h"

using namespace instrument;

namespace {

void StartProgram(QProcess& process, const PrivateProgram& program, const QString& folder,
                  const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("AURIVUE_SPLASH_MS", "0");
  env.insert("AURIVUE_INSTANCE_DIR", folder);
  env.remove("AURIVUE_INPUT");
  env.remove("AURIVUE_QUIT_AFTER_FIRST_PAINT");
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(program.Path(""));
  process.start(program.Path("aurivue"), args);
}

bool AbstractAurivueSocketExists() {
  std::ifstream table("/proc/net/unix");
  std::string line;
  while (std::getline(table, line)) {
    if (line.find("@aurivue") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

TEST(InstanceSocketE2eTest, ALongFolderKeepsTheSocketThereAndASecondStartEnds) {
  if (!QFile::exists(AURIVUE_BINARY_DIR "/src/aurivue")) GTEST_SKIP() << "aurivue is not built";
  PrivateProgram program;
  ASSERT_TRUE(program.ok());
  const QString folder = program.Path(QString(90, 'f') + "/" + QString(90, 'g'));
  ASSERT_TRUE(QDir().mkpath(folder));
  const std::string socketFile = folder.toStdString() + "/" + SingleInstanceName() + ".sock";
  ASSERT_GT(socketFile.size(), 108u) << "the path must not fit a socket address";

  QProcess first;
  StartProgram(first, program, folder, {"--input", "none"});
  ASSERT_TRUE(first.waitForStarted(10000));
  QElapsedTimer clock;
  clock.start();
  struct stat info {};
  while (lstat(socketFile.c_str(), &info) != 0 && clock.elapsed() < 30000) QThread::msleep(20);
  ASSERT_TRUE(S_ISSOCK(info.st_mode)) << "no socket in the instance folder";
  EXPECT_EQ(info.st_mode & 0077, 0u);
  EXPECT_FALSE(AbstractAurivueSocketExists());

  QProcess second;
  StartProgram(second, program, folder, {"--input", "none"});
  EXPECT_TRUE(second.waitForFinished(30000)) << "the second start did not end";
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  first.terminate();
  if (!first.waitForFinished(10000)) {
    first.kill();
    first.waitForFinished(5000);
  }
}
