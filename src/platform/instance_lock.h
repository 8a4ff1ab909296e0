#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

// The per-user folder that holds the single-instance lock file and socket: $AURIVUE_INSTANCE_DIR
// when set (tests and scripts use it to keep their instances apart), else $XDG_RUNTIME_DIR, else
// /tmp/aurivue-<uid> (created private to the user), else $HOME/.aurivue-instance. A folder that
// another user owns, or that every user may write into, is passed over; empty when none is fit.
std::string InstanceDirectory();

// Claims name for this process for the rest of its life: an exclusive flock on
// <InstanceDirectory>/<name>.lock, which the kernel releases when the process ends however it
// ends (also on kill -9). True when this process holds the claim, also when it already did;
// false when another process holds it. The descriptor is close-on-exec, so programs we start do
// not inherit the claim.
bool ClaimInstanceName(const std::string& name);

// Where the instance that holds name listens for "come to the front" requests: a Unix socket
// in the instance folder (of any length: a path too long for a socket address is reached through
// a descriptor of the folder); empty without an instance folder.
std::string InstanceSocketName(const std::string& name);

// Listens on the instance socket of name and runs onActivate (on the user-interface thread) for
// every request. Only the holder of the claim may listen; a socket left by a killed holder is
// removed first. Requests come from this user only, and each has a fifth of a second to arrive;
// nothing a client does blocks the user-interface thread.
class InstanceListener : public QObject {
 public:
  InstanceListener(const std::string& name, std::function<void()> onActivate);
  ~InstanceListener() override;
  bool IsListening() const { return m_nSocket >= 0; }

 private:
  void OnConnection();
  void OnClientReadable(int client);
  void DropClient(int client);

  // A connected client still sending its request.
  struct PendingClient {
    std::string request;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> timer;
  };

  int m_nSocket = -1;
  std::string m_path;  // the socket file to remove at the end
  std::map<int, PendingClient> m_pending;
  std::unique_ptr<QSocketNotifier> m_notifier;
  std::function<void()> m_onActivate;
};

// Asks the holder of name to come to the front. False when no holder answered (nothing listens,
// or what listens is not this user's), without waiting for a busy one.
bool RequestInstanceActivation(const std::string& name);
