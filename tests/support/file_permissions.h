#pragma once
// Root reads and writes every file whatever its permission bits say, so a test of what happens
// to a user who may not read or write a file must take that power away first. These helpers do,
// for this thread or for a child process, by dropping the two capabilities behind it.

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace file_permissions {

// While it lives, this thread obeys permission bits as any user does (a no-op for a user who is
// not root). The capabilities stay permitted and come back when it goes.
class ObeyPermissionBits {
 public:
  ObeyPermissionBits() {
    m_header.version = _LINUX_CAPABILITY_VERSION_3;
    m_header.pid = 0;
    if (::syscall(SYS_capget, &m_header, m_saved) != 0) return;
    __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    m_active = ::syscall(SYS_capset, &m_header, reduced) == 0;
  }
  ~ObeyPermissionBits() {
    if (m_active) ::syscall(SYS_capset, &m_header, m_saved);
  }
  ObeyPermissionBits(const ObeyPermissionBits&) = delete;
  ObeyPermissionBits& operator=(const ObeyPermissionBits&) = delete;

  // True when permission bits now apply to this thread.
  bool Holds() const { return m_active || ::geteuid() != 0; }

 private:
  __user_cap_header_struct m_header{};
  __user_cap_data_struct m_saved[2]{};
  bool m_active = false;
};

// For a child process between fork and exec: the program it runs obeys permission bits even as
// root (the capabilities leave its bounding set, so exec cannot give them back). Only
// async-signal-safe calls. False when they could not be dropped.
inline bool DropPermissionOverrideForExec() {
  if (::geteuid() != 0) return true;
  constexpr unsigned kBits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  data[0].inheritable &= ~kBits;
  return ::syscall(SYS_capset, &header, data) == 0 &&
         ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
         ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0;
}

}  // namespace file_permissions
