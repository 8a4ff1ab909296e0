#pragma once

#include <QApplication>
#include <memory>

#include "acquisition/app_state.h"

// The application object: owns the settings, the capture engine and the run-time state
// (AppState), starts the program and stops the capture when it ends.
class CAurivueApp : public AppState {
 public:
  CAurivueApp();
  ~CAurivueApp() override;

  // Start-up: paths, settings, capture format, main window. False ends the program.
  bool InitInstance(QApplication& qapp);
  // Shutdown: stops the capture. Returns the exit code.
  int ExitInstance();

  QWidget* MainWindow() const { return m_mainWindow.get(); }

 private:
  std::unique_ptr<QWidget> m_mainWindow;
};
