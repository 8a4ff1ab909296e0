#include "platform/file_services.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// Nothing waits for ever on a link chain: the kernel's own limit.
constexpr int kMaxLinkHops = 40;
// The temporary's name is the target's, this mark and six letters or digits: a name nobody gives a
// file of their own ("Aurivue.ini.backup" is a user's, never ours to remove).
const char kTemporaryMark[] = ".aurivue-tmp-";
constexpr size_t kTemporaryMarkLength = sizeof kTemporaryMark - 1;
constexpr size_t kTemporarySuffix = 6;
const char kNameLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool WriteAll(int fd, const std::string& bytes, int& error) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix() {
  unsigned char random[kTemporarySuffix] = {};
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    std::random_device device;
    for (unsigned char& r : random) r = static_cast<unsigned char>(device());
  }
  std::string suffix;
  for (unsigned char r : random) suffix += kNameLetters[r % (sizeof kNameLetters - 1)];
  return suffix;
}

bool IsTemporaryNameOf(const std::string& name, const std::string& base) {
  if (name.size() != base.size() + kTemporaryMarkLength + kTemporarySuffix) return false;
  if (name.compare(0, base.size(), base) != 0 ||
      name.compare(base.size(), kTemporaryMarkLength, kTemporaryMark) != 0) {
    return false;
  }
  for (size_t i = base.size() + kTemporaryMarkLength; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

}  // namespace

namespace {
std::string& ChosenProgramDirectory() {
  static std::string dir;
  return dir;
}
}  // namespace

std::string ProgramDirectory() {
  const std::string& chosen = ChosenProgramDirectory();
  return chosen.empty() ? ExecutableDirectory() : chosen;
}

void SetProgramDirectory(const std::string& dir) { ChosenProgramDirectory() = dir; }

std::string ExecutableDirectory() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return ".";
    if (static_cast<size_t>(n) < buf.size()) {
      std::string exe(buf.data(), static_cast<size_t>(n));
      size_t slash = exe.rfind('/');
      if (slash == std::string::npos) return ".";
      if (slash == 0) return "/";
      return exe.substr(0, slash);
    }
    buf.resize(buf.size() * 2);  // paths of any length
  }
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string ResolveFileLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buf(static_cast<size_t>(st.st_size) + 2);
    ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return current;  // changed meanwhile
    std::string target(buf.data(), static_cast<size_t>(n));
    current = target.front() == '/' ? target : JoinPath(DirectoryOf(current), target);
  }
  return current;
}

int OpenOutputFile(const std::string& path, int access, SpecialTarget special, bool truncate,
                   bool* regular) {
  auto fail = [](int fd, int error) {
    if (fd >= 0) ::close(fd);
    errno = error;
    return -1;
  };
  // O_NONBLOCK only for the open itself: a FIFO with no reader would otherwise hold us for ever.
  const int fd = ::open(path.c_str(), access | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    return fail(-1, error == ENXIO && special == SpecialTarget::kRefuse ? EINVAL : error);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) return fail(fd, errno);
  const bool isRegular = S_ISREG(st.st_mode);
  if (!isRegular && special == SpecialTarget::kRefuse) {
    return fail(fd, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  }
  if (isRegular && truncate && ::ftruncate(fd, 0) != 0) return fail(fd, errno);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return fail(fd, errno);
  if (regular != nullptr) *regular = isRegular;
  return fd;
}

FileReplacement::~FileReplacement() { Abandon(); }

bool FileReplacement::Fail(int error) {
  m_error = error != 0 ? error : EIO;
  return false;
}

bool FileReplacement::Begin(const std::string& path, SpecialTarget special) {
  Abandon();
  m_error = 0;
  m_inPlace = false;
  m_regular = true;
  m_target = ResolveFileLinks(path);
  struct stat st;
  const bool exists = ::lstat(m_target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Fail(errno);
  if (exists && S_ISLNK(st.st_mode)) return Fail(ELOOP);
  if (exists && !S_ISREG(st.st_mode)) {
    if (special == SpecialTarget::kRefuse) return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    // A device or FIFO is written as it is; a FIFO without a reader fails instead of waiting.
    bool regular = false;
    m_fd = OpenOutputFile(m_target, O_WRONLY, SpecialTarget::kWriteInPlace, false, &regular);
    if (m_fd < 0) return Fail(errno);
    m_inPlace = true;
    m_regular = regular;
    return true;
  }
  if (exists) {
    // The rename needs only the folder's permission; the file's own must be asked for.
    if ((st.st_mode & 0222) == 0) return Fail(EACCES);
    if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
  }
  // A replaced file's new contents are never readable by more users than its old ones were.
  const mode_t createMode = exists ? 0600 : 0666;
  int error = 0;
  for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
    std::string name = m_target + kTemporaryMark + RandomSuffix();
    m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode);
    if (m_fd >= 0) {
      m_temporary = name;
    } else if (errno != EEXIST) {
      error = errno;
      break;
    }
  }
  if (m_fd < 0) {
    if (error != EACCES && error != EPERM && error != ENAMETOOLONG) return Fail(error);
    // No file can be made beside it, but the file itself may be writable: overwrite it, and cut
    // it to the new length only at the end, so that a shorter new text never needs more space.
    m_fd = ::open(m_target.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0) return Fail(errno);
    m_inPlace = true;
    return true;
  }
  if (exists) {
    if (::fchown(m_fd, st.st_uid, st.st_gid) != 0) {
      // Only root may give a file away; everyone else keeps the file as their own.
    }
    ::fchmod(m_fd, st.st_mode & 0777);
  }
  return true;
}

bool FileReplacement::Write(const std::string& bytes) {
  if (m_fd < 0) return Fail(m_error != 0 ? m_error : EBADF);
  int error = 0;
  if (!WriteAll(m_fd, bytes, error)) return Fail(error);
  return true;
}

bool FileReplacement::Commit() {
  if (m_fd < 0) return Fail(m_error != 0 ? m_error : EBADF);
  int error = 0;
  if (m_inPlace && m_regular) {
    const off_t end = ::lseek(m_fd, 0, SEEK_CUR);
    if (end < 0 || ::ftruncate(m_fd, end) != 0) error = errno;
  }
  // Delayed write errors (a full disk, a lost server) surface here, before the old file goes.
  if (error == 0 && m_regular && ::fsync(m_fd) != 0) error = errno;
  if (::close(m_fd) != 0 && error == 0) error = errno;
  m_fd = -1;
  if (error == 0 && !m_inPlace && ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    Abandon();
    return Fail(error);
  }
  m_temporary.clear();
  return true;
}

void FileReplacement::Abandon() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
  m_temporary.clear();
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, int* errorNumber,
                        SpecialTarget special) {
  FileReplacement replacement;
  if (replacement.Begin(path, special) && replacement.Write(bytes) && replacement.Commit()) {
    return true;
  }
  if (errorNumber != nullptr) *errorNumber = replacement.Error();
  return false;
}

void RemoveStaleReplacements(const std::string& path) {
  const std::string target = ResolveFileLinks(path);
  const std::string dir = DirectoryOf(target);
  const std::string base = NameOf(target);
  DIR* folder = ::opendir(dir.c_str());
  if (folder == nullptr) return;
  const uid_t me = ::geteuid();
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (!IsTemporaryNameOf(name, base)) continue;
    const std::string full = JoinPath(dir, name);
    struct stat st;
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == me) {
      ::unlink(full.c_str());
    }
  }
  ::closedir(folder);
}

bool ReadRegularFile(const std::string& path, std::string& bytes, int* errorNumber) {
  auto fail = [errorNumber](int error) {
    if (errorNumber != nullptr) *errorNumber = error;
    return false;
  };
  // Opening a FIFO without O_NONBLOCK waits for a writer that may never come.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return fail(error);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(EINVAL);
  }
  bytes.clear();
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return fail(error);
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool CopyFileOverwrite(const std::string& src, const std::string& dst) {
  std::string bytes;
  return ReadRegularFile(src, bytes) &&
         WriteFileReplacing(dst, bytes, nullptr, SpecialTarget::kWriteInPlace);
}

bool DeleteFileAt(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool DirectoryWritable(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  // access() says yes to root on a read-only mount; a real probe file says what will happen.
  std::string probe = JoinPath(dir, ".aurivue-write-probe-XXXXXX");
  std::vector<char> name(probe.begin(), probe.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(name.data());
  return true;
}

std::string UserConfigDirectory() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr) home = env;
    // A run without HOME (a service, some sudo set-ups) still has the account's own folder.
    if (home.empty()) {
      if (const passwd* account = ::getpwuid(::geteuid()); account != nullptr && account->pw_dir) {
        home = account->pw_dir;
      }
    }
    if (home.empty() || home[0] != '/') return std::string();
    base = JoinPath(home, ".config");
  }
  ::mkdir(base.c_str(), 0700);
  std::string dir = JoinPath(base, "aurivue");
  ::mkdir(dir.c_str(), 0700);
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
  return dir;
}
