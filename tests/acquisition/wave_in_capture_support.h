#pragma once

#include <QCoreApplication>
#include <QWidget>
#include <chrono>
#include <functional>
#include <string>

#include "platform/command_ids.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "support/event_pump.h"

// The main window stand-in: counts ID_BUFFER_READY and runs an optional action for each.
class ReadyReceiver : public QWidget, public MessageTarget {
 public:
  bool OnCommand(int id) override {
    if (id != ID_BUFFER_READY) return false;
    ++m_count;
    if (m_onReady) m_onReady(m_count);
    return true;
  }
  int m_count = 0;
  std::function<void(int)> m_onReady;
};

// Runs the event loop until pred holds or a generous deadline passes (a hang shows as failure).
inline bool PumpUntil(const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  return support::PumpEventsUntil(pred, limit);
}

// Selects an input for one test and puts the previous one back; tone and file run unpaced.
class CaptureInput {
 public:
  explicit CaptureInput(const std::string& spec, bool paced = false)
      : m_previous(CurrentWaveInput()) {
    std::string error;
    m_ok = SelectWaveInput(spec, &error);
    m_error = error;
    SetWaveInRealTimePacing(paced);
  }
  ~CaptureInput() {
    SetWaveInRealTimePacing(true);
    ClearWaveInFaults();
    SelectWaveInput(m_previous, nullptr);
  }
  bool ok() const { return m_ok; }
  const std::string& error() const { return m_error; }

 private:
  std::string m_previous;
  std::string m_error;
  bool m_ok = false;
};

// Routes ID_BUFFER_READY to a receiver for one test.
class MainWindowScope {
 public:
  explicit MainWindowScope(QWidget* w) : m_previous(GetMainWindow()) { SetMainWindow(w); }
  ~MainWindowScope() { SetMainWindow(m_previous); }

 private:
  QWidget* m_previous;
};
