#include "shell/aurivue_app.h"

#include <QMainWindow>

#include "platform/file_services.h"
#include "platform/message_target.h"

CAurivueApp::CAurivueApp() = default;

CAurivueApp::~CAurivueApp() = default;

bool CAurivueApp::InitInstance(QApplication& qapp) {
  qapp.setApplicationName("Aurivue Version 2.0");
  ResetRuntimeState();
  BuildPaths(ProgramDirectory());
  LoadSettings();
  ComputeDerived();
  m_capture.SetFormat(m_nChannels, m_nSampleRate, m_nBits);

  auto frame = std::make_unique<QMainWindow>();
  frame->setWindowTitle("Aurivue Version 2.0");
  frame->resize(800, 600);
  frame->show();
  SetMainWindow(frame.get());
  m_mainWindow = std::move(frame);
  return true;
}

int CAurivueApp::ExitInstance() {
  m_capture.Stop();
  return 0;
}
