#include "platform/instance_lock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QSocketNotifier>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/file_services.h"

namespace {

const char kActivateRequest[] = "activate\n";
// How long the running instance waits for a connected client to say what it wants.
constexpr int kRequestReadMs = 200;

std::mutex& ClaimsMutex() {
  static std::mutex m;
  return m;
}

// Lock-file path -> descriptor held for the life of the process.
std::map<std::string, int>& Claims() {
  static std::map<std::string, int> claims;
  return claims;
}

// A socket address for the instance socket. An abstract name is marked by a leading '@' in
// InstanceSocketName and by a leading NUL in the address.
bool MakeAddress(const std::string& socketName, sockaddr_un* address, socklen_t* length) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  const bool abstract = !socketName.empty() && socketName[0] == '@';
  const std::string text = abstract ? socketName.substr(1) : socketName;
  if (text.size() + 1 > sizeof address->sun_path) return false;
  std::memcpy(address->sun_path + (abstract ? 1 : 0), text.data(), text.size());
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + text.size() + 1);
  if (abstract) *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + text.size());
  return true;
}

}  // namespace

std::string InstanceDirectory() {
  if (const char* dir = std::getenv("AURIVUE_INSTANCE_DIR"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  std::string dir = "/tmp/aurivue-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  struct stat info;
  if (lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid()) {
    return dir;
  }
  // Someone else made that folder: keep to our home, where nobody else can interfere.
  const char* home = std::getenv("HOME");
  dir = JoinPath(home != nullptr ? home : ".", ".aurivue-instance");
  mkdir(dir.c_str(), 0700);
  return dir;
}

bool ClaimInstanceName(const std::string& name) {
  const std::string path = JoinPath(InstanceDirectory(), name + ".lock");
  std::lock_guard<std::mutex> lock(ClaimsMutex());
  if (Claims().count(path) != 0) return true;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // Without a lock file we cannot tell; run as the first instance rather than refuse to run.
    return true;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  Claims()[path] = fd;
  return true;
}

std::string InstanceSocketName(const std::string& name) {
  const std::string path = JoinPath(InstanceDirectory(), name + ".sock");
  if (path.size() + 1 <= sizeof(sockaddr_un{}.sun_path)) return path;
  const QByteArray hash =
      QCryptographicHash::hash(QByteArray::fromStdString(path), QCryptographicHash::Sha256)
          .toHex()
          .left(32);
  return "@aurivue-" + std::to_string(getuid()) + "-" + hash.toStdString();
}

InstanceListener::InstanceListener(const std::string& name, std::function<void()> onActivate)
    : m_onActivate(std::move(onActivate)) {
  const std::string socketName = InstanceSocketName(name);
  sockaddr_un address;
  socklen_t length = 0;
  if (!MakeAddress(socketName, &address, &length)) return;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  if (socketName[0] != '@') {
    // Only the holder of the claim listens, so a socket file here was left by a holder that died.
    unlink(socketName.c_str());
    m_path = socketName;
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 8) != 0) {
    close(fd);
    m_path.clear();
    return;
  }
  if (!m_path.empty()) chmod(m_path.c_str(), 0600);
  m_nSocket = fd;
  m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnConnection(); });
}

InstanceListener::~InstanceListener() {
  m_notifier.reset();
  if (m_nSocket >= 0) close(m_nSocket);
  if (!m_path.empty()) unlink(m_path.c_str());
}

void InstanceListener::OnConnection() {
  for (;;) {
    int client = accept4(m_nSocket, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    std::string request;
    char buffer[32];
    pollfd pfd{client, POLLIN, 0};
    while (request.size() < sizeof kActivateRequest && poll(&pfd, 1, kRequestReadMs) > 0) {
      ssize_t got = read(client, buffer, sizeof buffer);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    close(client);
    if (request == kActivateRequest && m_onActivate) m_onActivate();
  }
}

bool RequestInstanceActivation(const std::string& name) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!MakeAddress(InstanceSocketName(name), &address, &length)) return false;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool sent = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
              send(fd, kActivateRequest, sizeof kActivateRequest - 1, MSG_NOSIGNAL) ==
                  static_cast<ssize_t>(sizeof kActivateRequest - 1);
  close(fd);
  return sent;
}
