// The single-instance folder and socket against other local users and against clients that
// connect and say nothing.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/event_pump.h"
#include "support/needs_environment.h"

namespace {

constexpr uid_t kNobody = 65534;

// Sets an environment variable for a scope and puts the old value back.
class EnvScope {
 public:
  EnvScope(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvScope() {
    if (m_old)
      setenv(m_name.c_str(), m_old->c_str(), 1);
    else
      unsetenv(m_name.c_str());
  }

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// Runs the event loop for ms milliseconds; returns the longest single pass through it.
qint64 PumpFor(int ms) {
  QElapsedTimer total, pass;
  total.start();
  qint64 longest = 0;
  while (total.elapsed() < ms) {
    pass.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    longest = std::max(longest, pass.elapsed());
    usleep(1000);
  }
  return longest;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return support::PumpEventsUntil(done, limit);
}

// A client connected to path that sends nothing; -1 when it cannot connect (also when the
// listener's queue is full: the caller lets the event loop run and tries again).
int ConnectSilently(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd < 0 || path.size() + 1 > sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.data(), path.size());
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

TEST(InstanceFolderTest, AFolderOpenToEveryUserIsPassedOver) {
  QTemporaryDir open;
  ASSERT_TRUE(open.isValid());
  ASSERT_EQ(chmod(open.path().toLocal8Bit().constData(), 0777), 0);
  EnvScope folder("AURIVUE_INSTANCE_DIR", open.path().toStdString());
  EnvScope runtime("XDG_RUNTIME_DIR", open.path().toStdString());
  EXPECT_NE(InstanceDirectory(), open.path().toStdString());
  EXPECT_FALSE(InstanceDirectory().empty());
  ASSERT_EQ(chmod(open.path().toLocal8Bit().constData(), 0700), 0);
  EXPECT_EQ(InstanceDirectory(), open.path().toStdString());
}

TEST(InstanceFolderTest, AFolderOfAnotherUserIsPassedOverWhereverItIsNamed) {
  REQUIRE_ENVIRONMENT(geteuid() == 0, "making a folder of another user needs root");
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid());
  const std::string theirs = base.path().toStdString() + "/theirs";
  ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
  ASSERT_EQ(chown(theirs.c_str(), kNobody, kNobody), 0);
  {
    EnvScope folder("AURIVUE_INSTANCE_DIR", theirs);
    EXPECT_NE(InstanceDirectory(), theirs);
  }
  {
    EnvScope folder("AURIVUE_INSTANCE_DIR", "");
    EnvScope runtime("XDG_RUNTIME_DIR", theirs);
    EXPECT_NE(InstanceDirectory(), theirs);
    EXPECT_FALSE(InstanceDirectory().empty());
  }
}

// However long the folder's path, the socket is a file in it: never a name in the abstract
// namespace, which any local user may bind first or connect to.
TEST(InstanceSocketTest, ALongFolderKeepsTheSocketInTheFolder) {
  QTemporaryDir base;
  const QString deep = base.path() + "/" + QString(100, 'a') + "/" + QString(100, 'b');
  ASSERT_TRUE(QDir().mkpath(deep));
  EnvScope folder("AURIVUE_INSTANCE_DIR", deep.toStdString());
  const std::string name = "LongFolderSocketProbe";
  ASSERT_TRUE(ClaimInstanceName(name));
  int requests = 0;
  {
    InstanceListener listener(name, [&requests] { ++requests; });
    ASSERT_TRUE(listener.IsListening());
    struct stat info;
    ASSERT_EQ(lstat((deep.toStdString() + "/" + name + ".sock").c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0077, 0u);
    std::ifstream table("/proc/net/unix");
    std::string line;
    while (std::getline(table, line)) EXPECT_EQ(line.find("@aurivue"), std::string::npos) << line;
    EXPECT_TRUE(RequestInstanceActivation(name));
    EXPECT_TRUE(PumpUntil([&] { return requests == 1; }, 5000ms));
  }
  EXPECT_FALSE(RequestInstanceActivation(name));
}

// Clients that connect and never finish their request cost the user-interface thread nothing,
// and a real request behind them still gets through.
TEST(InstanceSocketTest, SilentClientsNeitherStallTheLoopNorBlockARequest) {
  QTemporaryDir dir;
  EnvScope folder("AURIVUE_INSTANCE_DIR", dir.path().toStdString());
  const std::string name = "SilentClientProbe";
  ASSERT_TRUE(ClaimInstanceName(name));
  int requests = 0;
  InstanceListener listener(name, [&requests] { ++requests; });
  ASSERT_TRUE(listener.IsListening());
  std::vector<int> silent;
  for (int i = 0; i < 20; ++i) {
    int fd = -1;
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
      fd = ConnectSilently(InstanceSocketName(name));
      if (fd < 0) PumpFor(10);
    }
    ASSERT_GE(fd, 0);
    if (i % 2 == 1) {
      ASSERT_EQ(send(fd, "act", 3, MSG_NOSIGNAL), 3);  // a request never finished
    }
    silent.push_back(fd);
  }
  EXPECT_LT(PumpFor(1000), 150) << "a pass through the event loop waited for a client";
  EXPECT_EQ(requests, 0);
  EXPECT_TRUE(RequestInstanceActivation(name));
  EXPECT_TRUE(PumpUntil([&] { return requests == 1; }, 5000ms));
  for (int fd : silent) close(fd);
}

// Another local user can neither reach the socket nor stand in for the instance.
TEST(InstanceSocketTest, AnotherUserCannotConnect) {
  REQUIRE_ENVIRONMENT(geteuid() == 0, "acting as a second user needs root");
  QTemporaryDir dir;
  EnvScope folder("AURIVUE_INSTANCE_DIR", dir.path().toStdString());
  const std::string name = "OtherUserProbe";
  ASSERT_TRUE(ClaimInstanceName(name));
  int requests = 0;
  InstanceListener listener(name, [&requests] { ++requests; });
  ASSERT_TRUE(listener.IsListening());
  const std::string path = InstanceSocketName(name);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Raw calls: this child of a threaded process changes only its own (single) thread.
    if (syscall(SYS_setresgid, kNobody, kNobody, kNobody) != 0 ||
        syscall(SYS_setresuid, kNobody, kNobody, kNobody) != 0) {
      _exit(3);
    }
    const int fd = ConnectSilently(path);
    if (fd < 0) _exit(0);
    const bool sent = send(fd, "activate\n", 9, MSG_NOSIGNAL) == 9;
    _exit(sent ? 1 : 2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 3) << "the child could not become another user";
  PumpFor(300);
  EXPECT_EQ(requests, 0) << "another user's request was heard";
}
