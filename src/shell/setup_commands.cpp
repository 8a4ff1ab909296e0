#include "shell/setup_commands.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "controls/control_view.h"
#include "controls/rotary_switch.h"
#include "features/live/live_profile.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "shell/main_frame.h"
#include "shell/scripted_run.h"
#include "view/open_file_dialog.h"
#include "view/save_folders.h"
#include "view/view_dialogs.h"

namespace {

constexpr char kFilter[] = "Aurivue setups(*.aurivue)|*.aurivue|";
// Setups are saved and opened from one folder: where the last one was saved or opened.
constexpr char kSetupKind[] = "Setup";
// A setup is a page of text; anything far larger is not one, and is not read into memory.
constexpr qint64 kMaxSetupBytes = 1 << 20;

// The figure the label of knob's current detent shows ("500mv" shows 500).
int FigureOf(const RotarySwitch* knob, int fallback) {
  if (knob == nullptr) return fallback;
  const QString label = knob->GetDetent(knob->GetPosition()).label.trimmed();
  int digits = 0;
  while (digits < label.size() && label[digits].isDigit()) ++digits;
  return digits > 0 ? label.left(digits).toInt() : fallback;
}

// Each feature with settings of its own, and where the state keeps them.
template <typename State, typename Visit>
void ForEachFeatureSetup(const CMainFrame& frame, State& state, Visit visit) {
  for (const auto& feature : frame.Features()) {
    const ParameterTable* table = feature->SetupTable();
    if (table == nullptr) continue;
    if (auto* settings = SettingsIn(state, *table)) visit(*feature, settings);
  }
}

}  // namespace

InstrumentState CaptureInstrumentState(CMainFrame& frame) {
  InstrumentState s;
  const AppState& app = CurrentApp();
  s.displayMode = app.m_nDisplayMode;
  s.live = app.m_bLive != 0;
  if (const CControlView* panel = frame.ControlView()) {
    s.timeBaseMs = FigureOf(panel->TimeBaseSwitch(), s.timeBaseMs);
    s.leftMv = FigureOf(panel->LeftSwitch(), s.leftMv);
    s.rightMv = FigureOf(panel->RightSwitch(), s.rightMv);
  }
  s.curtainRate = app.m_nCurtainRate;
  ForEachFeatureSetup(frame, s,
                      [](const InstrumentFeature& f, void* settings) { f.ReadSetup(settings); });
  s.card.rate = static_cast<int>(app.m_nSampleRate);
  s.card.channels = app.m_nChannels;
  s.card.bits = app.m_nBits;
  return s;
}

void ApplyInstrumentState(CMainFrame& frame, const InstrumentState& state, SetupScope scope,
                          bool remember) {
  AppState& app = CurrentApp();
  SetupApplication how;
  how.whole = scope == SetupScope::kAll;
  how.remember = remember;
  if (how.whole) {
    app.m_nCurtainRate = state.curtainRate;
    app.m_bLive = state.live ? 1 : 0;
    if (remember) {
      SaveCurtainRate(app.m_nCurtainRate);
      SaveLiveMode(state.live);
    }
  }
  auto apply = [&how](InstrumentFeature& f, const void* settings) { f.ApplySetup(settings, how); };
  ForEachFeatureSetup(frame, state, apply);
  // A new scope view takes over even when the mode stays: it is made for the choices above.
  SelectDisplayMode(&frame, state.displayMode);
  if (CControlView* panel = frame.ControlView()) {
    TurnSwitchTo(panel->TimeBaseSwitch(), state.timeBaseMs);
    TurnSwitchTo(panel->LeftSwitch(), state.leftMv);
    TurnSwitchTo(panel->RightSwitch(), state.rightMv);
  }
  how.stage = SetupApplication::Stage::kOnView;
  ForEachFeatureSetup(frame, state, apply);
  frame.UpdatePanes();
}

bool SaveSetupFile(const std::string& path, const InstrumentState& state, std::string& error) {
  const QString name = QString::fromStdString(path);
  const QFileInfo info(name);
  // Replacing a pipe or a device by a file of our own would not be what was asked for.
  if (info.exists() && !info.isFile()) {
    error = path + " is not a regular file";
    return false;
  }
  QSaveFile file(name);
  const std::string text = WriteSetupText(state);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    error = path + ": " + file.errorString().toStdString();
    return false;
  }
  return true;
}

SetupReadResult OpenSetupFile(const std::string& path, const InstrumentState& base) {
  SetupReadResult failed;
  failed.state = base;
  const QString name = QString::fromStdString(path);
  const QFileInfo info(name);
  if (!info.exists()) {
    failed.error = "there is no such file";
  } else if (!info.isFile()) {
    // Opening a FIFO would wait for a writer that may never come.
    failed.error = "it is not a regular file";
  } else if (info.size() > kMaxSetupBytes) {
    failed.error = "it is far too large for a setup";
  } else {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
      failed.error = file.errorString().toStdString();
    } else {
      return ReadSetupText(file.readAll().toStdString(), base);
    }
  }
  return failed;
}

void SetupCommands::CreateParts(const FrameParts& parts) {
  QMenu* file = MenuNamed(parts.menuBar, "File");
  if (file == nullptr) return;
  QWidget* owner = parts.owner;
  // Above the separator that sets Exit apart, in a group of their own.
  QAction* before = GroupStartOf(file, ID_APP_EXIT);
  file->insertSeparator(before);
  file->insertAction(before, MakeCommand(file, owner, "Open Set&up...", ID_FILE_OPEN_SETUP,
                                         "Set the instrument up as a setup file says"));
  file->insertAction(before, MakeCommand(file, owner, "Save Setu&p...", ID_FILE_SAVE_SETUP,
                                         "Save the whole state of the instrument as a setup file"));
}

bool SetupCommands::OnCommand(int id) {
  if (id == ID_FILE_SAVE_SETUP) {
    SaveFileRequest request;
    request.defaultExtension = "aurivue";
    request.initialPath = "Setup.aurivue";
    request.filter = kFilter;
    request.kind = kSetupKind;
    const std::optional<std::string> path = RunSaveFileDialog(m_pFrame, request);
    std::string error;
    if (path && !SaveSetupFile(*path, CaptureInstrumentState(*m_pFrame), error)) {
      ShowMessageBox("The setup was not saved: " + error);
    }
    return true;
  }
  if (id != ID_FILE_OPEN_SETUP) return false;
  OpenFileRequest request;
  request.title = "Open Setup";
  request.filter = kFilter;
  request.initialFolder = SaveFolder(kSetupKind);
  const std::optional<std::string> path = RunOpenFileDialog(m_pFrame, request);
  if (!path) return true;
  RememberSaveFolder(kSetupKind, *path);
  const InstrumentState current = CaptureInstrumentState(*m_pFrame);
  const SetupReadResult read = OpenSetupFile(*path, current);
  if (!read.ok) {
    ShowMessageBox("The setup " + *path + " was not opened, and nothing changed: " + read.error);
    return true;
  }
  ApplyInstrumentState(*m_pFrame, read.state, SetupScope::kAll, true);
  std::string report;
  if (!read.ignored.empty()) {
    report = "These entries of the setup are not known here and were passed over:";
    for (const std::string& entry : read.ignored) report += "\n" + entry;
  }
  const std::string card = CardDifferenceText(read.state.card, current.card);
  if (!card.empty()) report += (report.empty() ? "" : "\n\n") + card;
  if (!report.empty()) ShowMessageBox("The setup " + *path + " was opened.\n\n" + report);
  return true;
}

std::string CheckStartSetup(const CommandLineOptions& o, std::vector<std::string>& notes) {
  if (o.setupPath.empty()) return std::string();
  const SetupReadResult read = OpenSetupFile(o.setupPath, InstrumentState());
  if (!read.ok) return "--setup " + o.setupPath + ": " + read.error;
  for (const std::string& entry : read.ignored) {
    notes.push_back("--setup " + o.setupPath + ": passed over " + entry);
  }
  return std::string();
}
