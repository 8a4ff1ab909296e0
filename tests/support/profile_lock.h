#pragma once
// Test programs run side by side (ctest -j) share the per-user profile of the test mode. A test
// that counts on what it stored there holds this lock, so that another one does not clear or
// change the same entries in between.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <string>

namespace support {

class ProfileLock {
 public:
  ProfileLock() {
    const std::string path = (QDir::tempPath() + "/aurivue-test-profile.lock").toStdString();
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd >= 0) ::flock(m_fd, LOCK_EX);
  }
  ~ProfileLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
  }
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;

 private:
  int m_fd = -1;
};

}  // namespace support
