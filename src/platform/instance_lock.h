#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

// The per-user folder that holds the single-instance lock file and socket: $AURIVUE_INSTANCE_DIR
// when set (tests and scripts use it to keep their instances apart), else $XDG_RUNTIME_DIR, else
// /tmp/aurivue-<uid> (created private to the user; $HOME/.aurivue-instance when that name is
// taken by another user).
std::string InstanceDirectory();

// Claims name for this process for the rest of its life: an exclusive flock on
// <InstanceDirectory>/<name>.lock, which the kernel releases when the process ends however it
// ends (also on kill -9). True when this process holds the claim, also when it already did;
// false when another process holds it. The descriptor is close-on-exec, so programs we start do
// not inherit the claim.
bool ClaimInstanceName(const std::string& name);

// Where the instance that holds name listens for "come to the front" requests: a Unix socket
// path in the instance folder, or, when that path would be too long for a socket address, a name
// in the abstract namespace ("@" + the user id and a hash of the path; so folders of any
// length work).
std::string InstanceSocketName(const std::string& name);

// Listens on the instance socket of name and runs onActivate (on the user-interface thread) for
// every request. Only the holder of the claim may listen; a socket left by a killed holder is
// removed first.
class InstanceListener : public QObject {
 public:
  InstanceListener(const std::string& name, std::function<void()> onActivate);
  ~InstanceListener() override;
  bool IsListening() const { return m_nSocket >= 0; }

 private:
  void OnConnection();

  int m_nSocket = -1;
  std::string m_path;  // the socket file to remove at the end; empty for an abstract name
  std::unique_ptr<QSocketNotifier> m_notifier;
  std::function<void()> m_onActivate;
};

// Asks the holder of name to come to the front. False when no holder answered (nothing listens).
bool RequestInstanceActivation(const std::string& name);
