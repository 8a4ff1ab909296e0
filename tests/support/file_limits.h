#pragma once
// A full disk on demand: writes beyond a size fail as they do when a disk fills up.

#include <signal.h>
#include <sys/resource.h>

// Files of this process cannot grow beyond limit bytes while it lives; a write that would is
// cut short and the next one refused with EFBIG (the signal it raises is ignored). Child
// processes started meanwhile inherit the limit.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_signal = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = m_saved;
    lowered.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    ::signal(SIGXFSZ, m_signal);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit m_saved{};
  sighandler_t m_signal = SIG_DFL;
};
