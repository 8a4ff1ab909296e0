#pragma once

#include <QWidget>

// Window messages of the program, numbered as the rest of the system expects them.
constexpr unsigned WM_COMMAND_MSG = 0x0111;
constexpr unsigned WM_USER_BASE = 0x0400;

// Mixed into every window of the program that takes commands or messages: a synchronous send
// reaches these handlers on the user-interface thread and returns their result.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;

  // A command id (menu item, accelerator, or a command sent by code). True when handled.
  virtual bool OnCommand(int id);

  // A message based on WM_USER. The result goes back to the sender.
  virtual long OnMessage(unsigned msg, long wParam, long lParam);

  // The window that receives this one's notifications; nullptr means the parent does.
  void SetOwner(QWidget* owner) { m_owner = owner; }
  QWidget* GetOwner() const { return m_owner; }

 private:
  QWidget* m_owner = nullptr;
};

// Synchronous sends. A widget that is not a MessageTarget ignores them (false / 0).
bool SendCommandTo(QWidget* target, int id);
long SendMessageTo(QWidget* target, unsigned msg, long wParam, long lParam);

// The window that receives a notification from w: its owner when set, else its parent.
QWidget* NotifyTargetOf(QWidget* w);

// The application's main window (the frame), for commands sent "to the main window".
void SetMainWindow(QWidget* w);
QWidget* GetMainWindow();
