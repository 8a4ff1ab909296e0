#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// Carries one command at a time from a worker thread to the user-interface thread and lets the
// worker wait until the handler has run, like a synchronous send, except that the wait also ends
// when the hand-off is cancelled. So the owner can cancel, then join its worker, without a
// deadlock even while the user-interface thread is busy (or is the one cancelling, from a nested
// event loop inside that very handler). Nothing is allocated per hand-off.
class UiHandoff {
 public:
  // handler runs on the user-interface thread with the id sent; by default it sends the command
  // to the main window (SendCommandTo(GetMainWindow(), id)).
  explicit UiHandoff(std::function<void(int)> handler = {});
  ~UiHandoff();
  UiHandoff(const UiHandoff&) = delete;
  UiHandoff& operator=(const UiHandoff&) = delete;

  // User-interface thread: accept hand-offs (again) after construction or Cancel.
  void Arm();

  // Worker thread: hands id over and blocks until its handler has returned (true) or until
  // Cancel (false, and a handler not yet started never runs). False at once while cancelled or
  // when no user-interface thread exists. On the user-interface thread itself it runs the handler
  // directly.
  bool Send(int id);

  // Any thread: ends a waiting Send and refuses new ones until Arm. A handler already running
  // runs on to its end.
  void Cancel();

  // True while a handler started by Send is on the user-interface thread's stack.
  bool HandlerRunning() const;

 private:
  void OnReadable();

  // Shared with a running handler's frame, so that destroying the hand-off from inside a nested
  // event loop of its own handler leaves that frame something valid to return to.
  struct State;
  std::shared_ptr<State> m_state;
  QSocketNotifier* m_notifier = nullptr;
  int m_fd = -1;
};
