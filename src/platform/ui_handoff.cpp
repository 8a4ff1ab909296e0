#include "platform/ui_handoff.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/message_target.h"

struct UiHandoff::State {
  std::mutex mutex;
  std::condition_variable cv;
  bool armed = false;
  uint64_t posted = 0;    // sequence number of the hand-off waiting to start; 0 none
  uint64_t finished = 0;  // sequence number of the last hand-off whose handler returned
  uint64_t sequence = 0;
  int id = 0;
  int running = 0;  // handlers on the stack (nested loops can start another)
  std::function<void(int)> handler;
};

UiHandoff::UiHandoff(std::function<void(int)> handler) : m_state(std::make_shared<State>()) {
  m_state->handler =
      handler ? std::move(handler) : [](int id) { SendCommandTo(GetMainWindow(), id); };
}

UiHandoff::~UiHandoff() {
  Cancel();
  if (m_notifier != nullptr) {
    m_notifier->setEnabled(false);
    if (HandlerRunning()) {
      m_notifier->deleteLater();  // its activation is still on the stack
    } else {
      delete m_notifier;
    }
  }
  if (m_fd >= 0) ::close(m_fd);
}

void UiHandoff::Arm() {
  QCoreApplication* app = QCoreApplication::instance();
  if (m_fd < 0 && app != nullptr && QThread::currentThread() == app->thread()) {
    m_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_fd >= 0) {
      m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read);
      QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier,
                       [this] { OnReadable(); });
    }
  }
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->armed = true;
}

bool UiHandoff::Send(int id) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app != nullptr && QThread::currentThread() == app->thread()) {
    m_state->handler(id);
    return true;
  }
  State& s = *m_state;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!s.armed || m_fd < 0) return false;
  uint64_t mine = ++s.sequence;
  s.posted = mine;
  s.id = id;
  uint64_t one = 1;
  ssize_t written = ::write(m_fd, &one, sizeof one);
  if (written != static_cast<ssize_t>(sizeof one)) {
    s.posted = 0;
    return false;
  }
  s.cv.wait(lock, [&] { return s.finished >= mine || !s.armed; });
  if (s.posted == mine) s.posted = 0;  // cancelled before it started: drop it
  return s.finished >= mine;
}

void UiHandoff::Cancel() {
  {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->armed = false;
    m_state->posted = 0;
  }
  m_state->cv.notify_all();
}

bool UiHandoff::HandlerRunning() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->running > 0;
}

void UiHandoff::OnReadable() {
  uint64_t count = 0;
  while (::read(m_fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {
  }
  std::shared_ptr<State> keep = m_state;  // no allocation: a reference count
  State& s = *keep;
  uint64_t mine = 0;
  int id = 0;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.posted == 0 || !s.armed) return;
    mine = s.posted;
    id = s.id;
    s.posted = 0;
    ++s.running;
  }
  s.handler(id);  // `this` may be gone after this returns
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    --s.running;
    if (mine > s.finished) s.finished = mine;
  }
  s.cv.notify_all();
}
