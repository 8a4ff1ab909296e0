#include "platform/message_target.h"

#include <QPointer>

bool MessageTarget::OnCommand(int) { return false; }

long MessageTarget::OnMessage(unsigned, long, long) { return 0; }

bool SendCommandTo(QWidget* target, int id) {
  auto* t = dynamic_cast<MessageTarget*>(target);
  return t != nullptr && t->OnCommand(id);
}

long SendMessageTo(QWidget* target, unsigned msg, long wParam, long lParam) {
  auto* t = dynamic_cast<MessageTarget*>(target);
  if (t == nullptr) return 0;
  if (msg == WM_COMMAND_MSG) return t->OnCommand(static_cast<int>(wParam)) ? 1 : 0;
  return t->OnMessage(msg, wParam, lParam);
}

QWidget* NotifyTargetOf(QWidget* w) {
  if (w == nullptr) return nullptr;
  if (auto* t = dynamic_cast<MessageTarget*>(w); t != nullptr && t->GetOwner() != nullptr) {
    return t->GetOwner();
  }
  return w->parentWidget();
}

namespace {
QPointer<QWidget>& MainWindowSlot() {
  static QPointer<QWidget> w;
  return w;
}
}  // namespace

void SetMainWindow(QWidget* w) { MainWindowSlot() = w; }

QWidget* GetMainWindow() { return MainWindowSlot().data(); }
