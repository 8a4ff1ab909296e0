#include "platform/instance_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/file_services.h"

namespace {

const char kActivateRequest[] = "activate\n";
// How long a connected client has to say what it wants, from its connection on. The wait is never
// spent blocked: the user-interface thread reads only what has arrived.
constexpr int kRequestReadMs = 200;
// Clients waiting to finish their request at once; more are turned away until some are done.
constexpr size_t kMaxPendingClients = 8;

std::mutex& ClaimsMutex() {
  static std::mutex m;
  return m;
}

// Lock-file path -> descriptor held for the life of the process.
std::map<std::string, int>& Claims() {
  static std::map<std::string, int> claims;
  return claims;
}

// A folder fit to hold the claim and the socket: absent (nothing to find there, nothing to
// fear), or a folder of this user that no other user may write into. A folder of another user,
// or one open to all, would let someone else hold the claim or stand in for the socket.
bool FolderIsOurs(const std::string& dir) {
  struct stat info;
  if (stat(dir.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & S_IWOTH) == 0;
}

// A socket address for path. A path too long for the address is reached through a descriptor
// of its folder (/proc/self/fd/N/NAME), kept open in *folderFd until the caller has bound or
// connected; so the socket always lives in the private folder and never in the abstract
// namespace, where anyone may bind or connect.
bool MakeAddress(const std::string& path, sockaddr_un* address, socklen_t* length, int* folderFd) {
  *folderFd = -1;
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  std::string text = path;
  if (text.size() + 1 > sizeof address->sun_path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return false;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    *folderFd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (*folderFd < 0) return false;
    text = "/proc/self/fd/" + std::to_string(*folderFd) + path.substr(slash);
    if (text.size() + 1 > sizeof address->sun_path) {
      close(*folderFd);
      *folderFd = -1;
      return false;
    }
  }
  std::memcpy(address->sun_path, text.data(), text.size());
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + text.size() + 1);
  return true;
}

// The user on the other end of a connected Unix socket, or -1.
long PeerUid(int fd) {
  ucred cred{};
  socklen_t size = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0) return -1;
  return static_cast<long>(cred.uid);
}

}  // namespace

std::string InstanceDirectory() {
  for (const char* variable : {"AURIVUE_INSTANCE_DIR", "XDG_RUNTIME_DIR"}) {
    const char* dir = std::getenv(variable);
    if (dir != nullptr && *dir != '\0' && FolderIsOurs(dir)) return dir;
  }
  std::string dir = "/tmp/aurivue-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  struct stat info;
  if (lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && FolderIsOurs(dir)) return dir;
  // Someone else made that folder: keep to our home, where nobody else can interfere.
  const char* home = std::getenv("HOME");
  dir = JoinPath(home != nullptr ? home : ".", ".aurivue-instance");
  mkdir(dir.c_str(), 0700);
  if (lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && FolderIsOurs(dir)) return dir;
  return std::string();
}

bool ClaimInstanceName(const std::string& name) {
  const std::string dir = InstanceDirectory();
  // Without a folder of our own we cannot tell; run as the first instance rather than refuse.
  if (dir.empty()) return true;
  const std::string path = JoinPath(dir, name + ".lock");
  std::lock_guard<std::mutex> lock(ClaimsMutex());
  if (Claims().count(path) != 0) return true;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
  const std::string dir = InstanceDirectory();
  return dir.empty() ? std::string() : JoinPath(dir, name + ".sock");
}

InstanceListener::InstanceListener(const std::string& name, std::function<void()> onActivate)
    : m_onActivate(std::move(onActivate)) {
  const std::string socketName = InstanceSocketName(name);
  if (socketName.empty()) return;
  sockaddr_un address;
  socklen_t length = 0;
  int folderFd = -1;
  if (!MakeAddress(socketName, &address, &length, &folderFd)) return;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  // Only the holder of the claim listens, so a socket file here was left by a holder that died.
  if (fd >= 0) unlink(socketName.c_str());
  const bool bound =
      fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd, 8) == 0;
  if (folderFd >= 0) close(folderFd);
  if (!bound) {
    if (fd >= 0) close(fd);
    return;
  }
  m_path = socketName;
  chmod(m_path.c_str(), 0600);
  m_nSocket = fd;
  m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnConnection(); });
}

InstanceListener::~InstanceListener() {
  m_notifier.reset();
  for (auto& [fd, client] : m_pending) {
    client.notifier.reset();
    close(fd);
  }
  m_pending.clear();
  if (m_nSocket >= 0) close(m_nSocket);
  if (!m_path.empty()) unlink(m_path.c_str());
}

void InstanceListener::OnConnection() {
  for (;;) {
    int client = accept4(m_nSocket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    // Another user has no business here; nor have more clients than the ones already waiting.
    if (PeerUid(client) != static_cast<long>(getuid()) || m_pending.size() >= kMaxPendingClients) {
      close(client);
      continue;
    }
    PendingClient& pending = m_pending[client];
    pending.notifier = std::make_unique<QSocketNotifier>(client, QSocketNotifier::Read);
    QObject::connect(pending.notifier.get(), &QSocketNotifier::activated, this,
                     [this, client] { OnClientReadable(client); });
    // A client that has not said everything in time is dropped, whatever it sends later.
    pending.timer = std::make_unique<QTimer>();
    pending.timer->setSingleShot(true);
    QObject::connect(pending.timer.get(), &QTimer::timeout, this,
                     [this, client] { DropClient(client); });
    pending.timer->start(kRequestReadMs);
  }
}

void InstanceListener::OnClientReadable(int client) {
  auto it = m_pending.find(client);
  if (it == m_pending.end()) return;
  std::string& request = it->second.request;
  char buffer[32];
  bool ended = false;
  while (request.size() < sizeof kActivateRequest) {
    const ssize_t got = read(client, buffer, sizeof buffer);
    if (got > 0) {
      request.append(buffer, static_cast<size_t>(got));
      continue;
    }
    ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    break;
  }
  const bool complete = request.size() >= sizeof kActivateRequest - 1;
  if (!complete && !ended) return;  // more to come, within the time allowed
  const bool activate = request == kActivateRequest;
  DropClient(client);
  if (activate && m_onActivate) m_onActivate();
}

void InstanceListener::DropClient(int client) {
  auto it = m_pending.find(client);
  if (it == m_pending.end()) return;
  // Deleted later: this may run inside the notifier's or the timer's own signal.
  it->second.notifier->setEnabled(false);
  it->second.notifier.release()->deleteLater();
  it->second.timer->stop();
  it->second.timer.release()->deleteLater();
  m_pending.erase(it);
  close(client);
}

bool RequestInstanceActivation(const std::string& name) {
  const std::string socketName = InstanceSocketName(name);
  if (socketName.empty()) return false;
  sockaddr_un address;
  socklen_t length = 0;
  int folderFd = -1;
  if (!MakeAddress(socketName, &address, &length, &folderFd)) return false;
  // Non-blocking: a listener whose queue is full refuses at once instead of holding this start.
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  if (folderFd >= 0) close(folderFd);
  // Only our own instance hears the request.
  bool sent = connected && PeerUid(fd) == static_cast<long>(getuid()) &&
              send(fd, kActivateRequest, sizeof kActivateRequest - 1, MSG_NOSIGNAL) ==
                  static_cast<ssize_t>(sizeof kActivateRequest - 1);
  if (fd >= 0) close(fd);
  return sent;
}
