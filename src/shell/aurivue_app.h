#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "acquisition/app_state.h"
#include "shell/command_line.h"
#include "shell/instrument_setup.h"

class CAurivueDoc;
class CMainFrame;
class QApplication;
class QWidget;

// The application object: owns the settings, the capture engine and the run-time state
// (AppState), starts the program behind its splash picture, makes sure one instance runs per
// user, handles the Setup commands and stops the capture when the program ends.
class CAurivueApp : public AppState {
 public:
  CAurivueApp();
  ~CAurivueApp() override;

  // Start-up with the parsed command line. False ends the program (also for a second instance,
  // after it has brought the first one to the front).
  bool InitInstance(QApplication& qapp, const CommandLineOptions& options);
  // Shutdown: stops the capture, saves the profile and closes the main window. Returns the exit
  // code.
  int ExitInstance();
  // Why InitInstance refused to start, in one line for the command line (the input cannot
  // record at the settings' rate); empty when it did not refuse.
  const std::string& StartRefusal() const { return m_startRefusal; }

  // The commands the application object handles (the Setup menu and the panel's wizard button).
  bool OnAppCommand(int id);

  CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
  QWidget* MainWindow() const;
  CAurivueDoc* Document() const { return m_pDocument.get(); }

  // The per-user profile's recent-file list (at most 4, newest first), full paths.
  const QStringList& RecentFiles() const { return m_recentFiles; }
  void AddToRecentFileList(const QString& path);

  // True when --input, AURIVUE_INPUT or the caller chose the input, so the device chosen in the
  // Input Device List is only remembered, not used.
  bool InputOverridden() const { return m_bInputOverridden; }

 private:
  void LoadStdProfileSettings(int maxRecent);
  void SaveStdProfileSettings();
  bool ProcessShellCommand(const CommandLineOptions& options);
  // Live or Classic, the curtain rate and the input device from the per-user profile; the
  // command line has the last word.
  // Live or Classic, the curtain rate and the spectrum's choices from start (the profile's, or
  // a --setup's) with the command line over them; the input device from the profile.
  void ApplyLiveProfile(const CommandLineOptions& options, const InstrumentState& start);

  std::unique_ptr<CAurivueDoc> m_pDocument;
  std::unique_ptr<CMainFrame> m_pMainFrame;
  QStringList m_recentFiles;
  int m_nMaxRecent = 4;
  bool m_bProfileLoaded = false;
  bool m_bInputOverridden = false;
  std::string m_startRefusal;
};

// The application's name and title.
constexpr char kAppTitle[] = "Aurivue Version 2.0";
// The key of the per-user profile.
constexpr char kProfileKey[] = "Aurivue 2.0";
