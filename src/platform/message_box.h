#pragma once

#include <functional>
#include <string>
#include <vector>

// The modal message box with an OK button and a fixed text: the program's only way of
// reporting a failure.
//
// Callable from any thread. On the user-interface thread it blocks until the user presses OK;
// from another thread the box is queued to the user-interface thread and the caller goes on, so
// a worker can never wait on a window that the user-interface thread is not free to show.
void ShowMessageBox(const std::string& text);

// The seam for tests and scripted runs: while a hook is installed no window is shown and every
// text goes to the hook instead (on the calling thread). Returns the previous hook.
using MessageBoxHook = std::function<void(const std::string&)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// A thread-safe recorder that installs itself as the hook for its lifetime.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<std::string> Texts() const;
  void Clear();

 private:
  struct Impl;
  Impl* m_impl;
  MessageBoxHook m_previous;
};
