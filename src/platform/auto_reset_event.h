#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

// An event that wakes one wait per signal and resets itself as that wait returns. Signals do not
// count: two signals before a wait wake it once.
class AutoResetEvent {
 public:
  explicit AutoResetEvent(std::string name = {}) : m_name(std::move(name)) {}
  AutoResetEvent(const AutoResetEvent&) = delete;
  AutoResetEvent& operator=(const AutoResetEvent&) = delete;

  void Set() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_signalled = true;
    }
    m_cv.notify_one();
  }

  // Blocks until signalled, then resets. Always succeeds; the bool keeps the callers' shape.
  bool Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return m_signalled; });
    m_signalled = false;
    return true;
  }

  // Whether a signal is waiting to be consumed.
  bool IsSet() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalled;
  }

  const std::string& Name() const { return m_name; }

 private:
  std::string m_name;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_signalled = false;
};

using EventHandle = std::shared_ptr<AutoResetEvent>;

inline EventHandle CreateAutoResetEvent(const std::string& name) {
  return std::make_shared<AutoResetEvent>(name);
}
