#include "shell/aurivue_app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <cstdlib>

#include "controls/control_view.h"
#include "features/data_out/data_out.h"
#include "features/data_out/data_out_feature.h"
#include "features/live/live_profile.h"
#include "features/response/response_settings.h"
#include "platform/command_ids.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/parameter_profile.h"
#include "platform/shell_services.h"
#include "platform/user_profile.h"
#include "platform/wave_in.h"
#include "shell/feature_parameter_list.h"
#include "shell/main_frame.h"
#include "shell/settings_csv_lines.h"
#include "shell/setup_commands.h"
#include "shell/single_instance.h"
#include "shell/splash_wnd.h"
#include "shell/wizard_commands.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"
#include "view/trigger_control.h"

CAurivueApp::CAurivueApp() = default;

CAurivueApp::~CAurivueApp() {
  // Windows and the document go before the state they read.
  m_pMainFrame.reset();
  m_pDocument.reset();
}

QWidget* CAurivueApp::MainWindow() const { return m_pMainFrame.get(); }

bool CAurivueApp::InitInstance(QApplication& qapp, const CommandLineOptions& options) {
  qapp.setApplicationName(kAppTitle);
  // The splash stays up through every later step and goes when start-up returns, on every path.
  CSplashWnd splash;
  splash.Create(119);
  if (options.splashMs > 0) QThread::msleep(static_cast<unsigned long>(options.splashMs));

  ResetRuntimeState();
  RegisterSettingsCsvLines();
  BuildPaths(ProgramDirectory());
  qapp.setOrganizationName(kProfileKey);
  // One folder for the user's files: a profile kept by earlier versions moves into it once.
  AdoptEarlierProfile();
  // A --setup stands in for the profile's choices for this start; the other options win over it.
  InstrumentState profileState;
  const LiveProfile liveProfile = LoadLiveProfile();
  profileState.live = liveProfile.live;
  profileState.curtainRate = liveProfile.curtainRate;
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (void* settings = SettingsIn(profileState, *table)) LoadParameterProfile(*table, settings);
  }
  std::optional<InstrumentState> setup;
  if (!options.setupPath.empty()) {
    const SetupReadResult read = OpenSetupFile(options.setupPath, profileState);
    if (read.ok) setup = read.state;
  }
  ApplyLiveProfile(options, setup ? *setup : profileState);
  // The trigger's options given win over the profile or setup for this start (never stored).
  InstrumentState start = setup ? *setup : profileState;
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (void* settings = SettingsIn(start, *table)) {
      ApplyGivenParameters(*table, options.parameters, settings);
    }
  }
  CurrentTrigger().SetSettings(start.trigger.Limited());
  LoadSettings();
  ComputeDerived();
  // A recording at another rate could never be opened at POWER: say so now, with both rates.
  m_startRefusal = WaveInputRateProblem(m_nSampleRate);
  if (!m_startRefusal.empty()) return false;
  m_capture.SetFormat(m_nChannels, m_nSampleRate, m_nBits);
  LoadStdProfileSettings(4);

  if (!ProcessShellCommand(options)) return false;

  CSingleInstance instance;
  if (instance.FindRunningInstance(m_pMainFrame.get())) {
    instance.ActivateRunningInstance();
    SetMainWindow(nullptr);
    m_pMainFrame.reset();
    return false;
  }

  // A save killed half-way leaves its temporary beside the settings file. Only the one running
  // instance clears them, so no save in progress is ever cut off.
  RemoveStaleReplacements(m_szIniPath);

  // A recording named on the command line becomes the input, as Open Recording makes it; one
  // that cannot be opened says why, as there.
  if (DataOut* data = DataOutOf(m_pMainFrame->Features()); data != nullptr) {
    for (const std::string& file : options.files) data->OpenRecording(file);
  }

  // The window's part of a --setup, over what the window shows now; the scripted steps that
  // follow win over it.
  if (setup) {
    const SetupReadResult read =
        OpenSetupFile(options.setupPath, CaptureInstrumentState(*m_pMainFrame));
    if (read.ok) ApplyInstrumentState(*m_pMainFrame, read.state, SetupScope::kWindow, false);
  }
  m_pMainFrame->showNormal();
  m_pMainFrame->setWindowTitle(kAppTitle);
  m_pMainFrame->repaint();
  return true;
}

void CAurivueApp::ApplyLiveProfile(const CommandLineOptions& options,
                                   const InstrumentState& start) {
  const LiveProfile profile = LoadLiveProfile();
  m_bLive = options.live >= 0 ? options.live : (start.live ? 1 : 0);
  m_nCurtainRate = start.curtainRate;
  // The features' options given win over the profile or setup they start from.
  InstrumentState given = start;
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (void* settings = SettingsIn(given, *table)) {
      ApplyGivenParameters(*table, options.parameters, settings);
    }
  }
  m_spectrum = given.spectrum;
  CurrentResponseSettings() = given.response;
  // --input and AURIVUE_INPUT win over the device chosen in the program; so does any input a
  // caller selected before the start.
  const char* env = std::getenv("AURIVUE_INPUT");
  m_bInputOverridden = !options.inputSpec.empty() || (env != nullptr && *env != '\0') ||
                       CurrentWaveInput() != "default";
  if (!m_bInputOverridden && !profile.inputDevice.empty()) {
    SelectWaveInput("device:" + profile.inputDevice, nullptr);
  }
}

bool CAurivueApp::ProcessShellCommand(const CommandLineOptions& /*options*/) {
  m_pDocument = std::make_unique<CAurivueDoc>();
  m_pMainFrame = std::make_unique<CMainFrame>();
  SetMainWindow(m_pMainFrame.get());
  if (!m_pMainFrame->Create(m_pDocument.get())) {
    SetMainWindow(nullptr);
    m_pMainFrame.reset();
    return false;
  }
  m_pMainFrame->show();
  m_pMainFrame->ApplyPaneSizes();
  m_pMainFrame->ControlView()->OnInitialUpdate();
  m_pMainFrame->ScopeView()->OnInitialUpdate();
  return true;
}

int CAurivueApp::ExitInstance() {
  m_capture.Stop();
  SaveStdProfileSettings();
  if (GetMainWindow() == m_pMainFrame.get()) SetMainWindow(nullptr);
  m_pMainFrame.reset();
  return 0;
}

bool CAurivueApp::OnAppCommand(int id) {
  switch (id) {
    case ID_SETUP_INPUT_DEVICE:
      // Nothing happening at all would leave the user guessing; name what to install.
      if (!StartRecordingMixer()) ShowMessageBox(NoRecordingMixerText());
      return true;
    case ID_SETUP_RATE:
    case ID_SETUP_WINDOW:
    case ID_SETUP_CHANNELS:
    case ID_SETUP_VOLTS:
    case ID_SETUP_FILTER:
    case ID_SETUP_WIZARD:
    case ID_PANEL_SETUP_WIZARD:
      return RunSetupWizardForCommand(id, MainWindow());
    default:
      return false;
  }
}

void CAurivueApp::AddToRecentFileList(const QString& path) {
  // A relative name means nothing once the working directory has changed: the list keeps the
  // full path, as it was meant at the time it was added.
  const QString full = path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  m_recentFiles.removeAll(full);
  m_recentFiles.prepend(full);
  while (m_recentFiles.size() > m_nMaxRecent) m_recentFiles.removeLast();
}

void CAurivueApp::LoadStdProfileSettings(int maxRecent) {
  m_nMaxRecent = maxRecent;
  m_recentFiles.clear();
  UserProfile profile;
  profile.beginGroup("Recent File List");
  for (int i = 1; i <= maxRecent; ++i) {
    const QString file = profile.value(QString("File%1").arg(i)).toString();
    if (!file.isEmpty()) m_recentFiles.append(file);
  }
  profile.endGroup();
  m_bProfileLoaded = true;
}

void CAurivueApp::SaveStdProfileSettings() {
  if (!m_bProfileLoaded) return;
  UserProfile profile;
  profile.beginGroup("Recent File List");
  for (int i = 1; i <= m_nMaxRecent; ++i) {
    const QString key = QString("File%1").arg(i);
    if (i <= m_recentFiles.size()) {
      profile.setValue(key, m_recentFiles[i - 1]);
    } else {
      profile.remove(key);
    }
  }
  profile.endGroup();
}
