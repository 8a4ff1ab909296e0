#include "shell/single_instance.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "platform/instance_lock.h"

namespace {

// Process-wide, like the claim: the first instance answers requests until it ends. Keyed by
// the socket, as a process that changes its instance folder holds one claim per folder.
struct RunningInstance {
  QPointer<QWidget> window;
  std::unique_ptr<InstanceListener> listener;
};

std::map<std::string, RunningInstance>& Running() {
  static std::map<std::string, RunningInstance> running;
  return running;
}

}  // namespace

std::string SingleInstanceName() { return "CSingleInstance_MMF_Aurivue Version 2.0"; }

bool CSingleInstance::FindRunningInstance(QWidget* mainWindow) {
  const std::string name = SingleInstanceName();
  if (!ClaimInstanceName(name)) return true;
  const std::string socket = InstanceSocketName(name);
  RunningInstance& running = Running()[socket];
  running.window = mainWindow;
  if (running.listener == nullptr) {
    running.listener = std::make_unique<InstanceListener>(
        name, [socket] { BringWindowToFront(Running()[socket].window.data()); });
  }
  return false;
}

void CSingleInstance::ActivateRunningInstance() { RequestInstanceActivation(SingleInstanceName()); }

void BringWindowToFront(QWidget* window) {
  if (window == nullptr) return;
  QWidget* target = window;
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr) {
    for (QWidget* w = modal->parentWidget(); w != nullptr; w = w->parentWidget()) {
      if (w == window) {
        target = modal;
        break;
      }
    }
  }
  if (window->isMinimized()) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
  }
  target->raise();
  target->activateWindow();
}
