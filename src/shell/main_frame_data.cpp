// The main frame's part of the data out of the program: File > Export CSV..., Record...,
// Open Recording... and the recent recordings, and the record mark in the status bar.
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "shell/data_out.h"
#include "shell/input_watch.h"
#include "shell/main_frame.h"

void CMainFrame::CreateDataParts() {
  m_pDataOut = std::make_unique<DataOut>(this);
  const QList<QAction*> menus = menuBar()->actions();
  if (menus.isEmpty() || menus.front()->menu() == nullptr) {
    m_pInputWatch = std::make_unique<InputWatch>(statusBar(), m_pDataOut.get());
    return;
  }
  m_pDataOut->CreateParts(menus.front()->menu(), statusBar());
  m_pInputWatch = std::make_unique<InputWatch>(statusBar(), m_pDataOut.get());
}

bool CMainFrame::HandleDataCommand(int id) {
  return m_pDataOut != nullptr && m_pDataOut->OnCommand(id);
}
