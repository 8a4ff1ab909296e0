#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <mutex>

namespace {

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

void ShowModal(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(),
                  QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace

void ShowMessageBox(const std::string& text) {
  MessageBoxHook hook;
  {
    std::lock_guard<std::mutex> lock(HookMutex());
    hook = Hook();
  }
  if (hook) {
    hook(text);
    return;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    return;  // no user interface exists: nowhere to show it
  }
  if (QThread::currentThread() == app->thread()) {
    ShowModal(text);
  } else {
    QMetaObject::invokeMethod(
        app, [text] { ShowModal(text); }, Qt::QueuedConnection);
  }
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(HookMutex());
  MessageBoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

struct MessageRecorder::Impl {
  mutable std::mutex mutex;
  std::vector<std::string> texts;
};

MessageRecorder::MessageRecorder() : m_impl(new Impl) {
  Impl* impl = m_impl;
  m_previous = SetMessageBoxHook([impl](const std::string& text) {
    std::lock_guard<std::mutex> lock(impl->mutex);
    impl->texts.push_back(text);
  });
}

MessageRecorder::~MessageRecorder() {
  SetMessageBoxHook(std::move(m_previous));
  delete m_impl;
}

std::vector<std::string> MessageRecorder::Texts() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->texts;
}

void MessageRecorder::Clear() {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->texts.clear();
}
