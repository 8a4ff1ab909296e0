#include "features/data_out/data_out.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QThread>
#include <cstdio>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/file_error_text.h"
#include "view/open_file_dialog.h"
#include "view/save_folders.h"
#include "view/view_csv_export.h"
#include "view/view_dialogs.h"

namespace {

constexpr int kWatchMs = 100;
constexpr char kRecordingName[] = "Aurivue.wav";
// Recordings made and recordings opened share their folder.
constexpr char kRecordingKind[] = "Recording";

bool IsRecordableRate(uint32_t rate) {
  for (int i = 1; i <= 5; ++i) {
    if (RateForIndex(i) == rate) return true;
  }
  return false;
}

std::string Seconds(uint64_t frames, uint32_t rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", rate > 0 ? static_cast<double>(frames) / rate : 0.0);
  return text;
}

}  // namespace

std::string RecordingRateMessage(const std::string& path, uint32_t fileRate,
                                 uint32_t settingsRate) {
  if (fileRate == settingsRate) return std::string();
  const std::string file = std::to_string(fileRate);
  const std::string settings = std::to_string(settingsRate);
  if (IsRecordableRate(fileRate)) {
    return path + " is recorded at " + file + " Hz, but the sampling rate is " + settings +
           " Hz. Choose " + file +
           " Hz under Setup > Sampling Rate, start the program again and open the recording "
           "then.";
  }
  return path + " is recorded at " + file +
         " Hz, a rate the program cannot sample at (11025, 22050, 44100, 48000 or 96000 Hz). "
         "Convert it to " +
         settings + " Hz first, for example: sox IN.wav -r " + settings + " OUT.wav";
}

std::string RecordingFailedMessage(const std::string& path, int errorNumber, uint64_t framesWritten,
                                   uint32_t rate) {
  return FileErrorText(errorNumber, path) + " The recording has stopped; the file holds the " +
         Seconds(framesWritten, rate) + " s (" + std::to_string(framesWritten) +
         " frames) recorded until then.";
}

DataOut::DataOut(const FrameParts& parts) : m_pOwner(parts.owner), m_parts(parts) {
  m_watch.setInterval(kWatchMs);
  connect(&m_watch, &QTimer::timeout, this, [this] { WatchRecording(); });
}

DataOut::~DataOut() {
  if (HasCurrentApp()) CurrentApp().m_capture.SetRingListener(nullptr);
  m_recorder.Stop();
}

void DataOut::CreateParts(QMenu* file, QStatusBar* bar) {
  QWidget* owner = m_pOwner;
  file->insertAction(ItemAfter(file, ID_EXPORT_DATA),
                     MakeCommand(file, owner, "Export &CSV...", ID_EXPORT_CSV,
                                 "Export what the display shows as CSV"));
  // Before the separator that sets Exit apart.
  QAction* before = GroupStartOf(file, ID_APP_EXIT);
  file->insertSeparator(before);
  m_pRecordAction = MakeCommand(file, owner, "&Record...", ID_FILE_RECORD,
                                "Record every captured sample into a file", true);
  file->insertAction(before, m_pRecordAction);
  file->insertAction(before, MakeCommand(file, owner, "Open Rec&ording...", ID_FILE_OPEN_RECORDING,
                                         "Play a recording as the input"));
  m_pRecentMenu = new QMenu("Recent Recor&dings", file);
  file->insertMenu(before, m_pRecentMenu);
  for (int i = 0; ID_FILE_RECENT_FIRST + i <= ID_FILE_RECENT_LAST; ++i) {
    AddCommand(m_pRecentMenu, owner, QString(), ID_FILE_RECENT_FIRST + i, "Open this recording");
  }
  UpdateRecentMenu();

  m_pMark = new QLabel(QString::fromUtf8("\u25CF REC"));
  m_pMark->setObjectName("recordMark");
  m_pMark->setStyleSheet("QLabel { color: rgb(220, 0, 0); font-weight: bold; }");
  m_pMark->setVisible(false);
  bar->addPermanentWidget(m_pMark);
}

bool DataOut::OnCommand(int id) {
  if (id == ID_EXPORT_CSV) {
    CAurivueView* view = m_parts.scopeView ? m_parts.scopeView() : nullptr;
    if (view != nullptr) ExportDisplayedCsv(*view);
    return true;
  }
  if (id == ID_FILE_RECORD) {
    OnRecordCommand();
    return true;
  }
  if (id == ID_FILE_OPEN_RECORDING) {
    OnOpenRecordingCommand();
    return true;
  }
  if (id >= ID_FILE_RECENT_FIRST && id <= ID_FILE_RECENT_LAST) {
    const std::vector<std::string> recent = RecentEntries();
    const size_t at = static_cast<size_t>(id - ID_FILE_RECENT_FIRST);
    if (at < recent.size()) OpenRecording(recent[at]);
    return true;
  }
  return false;
}

void DataOut::OnRecordCommand() {
  if (m_bRecording) {
    StopRecording();
    return;
  }
  const std::optional<std::string> path = RunSaveFileDialog(
      m_pOwner, SaveFileRequest{"wav", kRecordingName,
                                "WAV files(*.wav)|*.wav|FLAC files(*.flac)|*.flac|AIFF "
                                "files(*.aiff *.aif)|*.aiff;*.aif|",
                                kRecordingKind, "Record to File"});
  if (path) StartRecording(*path);
  ShowRecordingState();
}

bool DataOut::StartRecording(const std::string& path) {
  if (m_bRecording) StopRecording();
  AppState& app = CurrentApp();
  const CaptureFormat capture = CaptureFormatOf(app);
  std::string error;
  int errorNumber = 0;
  if (!m_recorder.Start(path, capture.channels, capture.sampleRate, capture.bits, &error,
                        &errorNumber)) {
    ShowMessageBox(errorNumber != 0 ? FileErrorText(errorNumber, path) : error);
    ShowRecordingState();
    return false;
  }
  m_bRecording = true;
  m_bFailureShown = false;
  // Every later POWER on brings a new ring, recorded from its first frame.
  app.m_capture.SetRingListener(
      [this](const std::shared_ptr<const CaptureRing>& ring) { m_recorder.Follow(ring, 0); });
  // While POWER is on, from the newest frame; the ring of an earlier run is not recorded.
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  if (app.m_bPowerOn != 0 && app.m_capture.HasWorker() && ring) {
    m_recorder.Follow(ring, ring->WritePosition());
  }
  m_watch.start();
  ShowRecordingState();
  return true;
}

bool DataOut::StopRecording() {
  if (!m_bRecording) return !m_recorder.Failed();
  if (HasCurrentApp()) CurrentApp().m_capture.SetRingListener(nullptr);
  m_recorder.Stop();
  m_bRecording = false;
  m_watch.stop();
  WatchRecording();
  ShowRecordingState();
  if (m_recorder.FramesLost() > 0) {
    ShowMessageBox(std::to_string(m_recorder.FramesLost()) + " frames came faster than " +
                   m_recorder.Path() + " could take them and are missing from the recording.");
  }
  return !m_recorder.Failed();
}

bool DataOut::IsRecording() const { return m_bRecording; }

void DataOut::WatchRecording() {
  if (!m_recorder.Failed() || m_bFailureShown) return;
  m_bFailureShown = true;
  if (m_bRecording) {
    if (HasCurrentApp()) CurrentApp().m_capture.SetRingListener(nullptr);
    m_recorder.Stop();
    m_bRecording = false;
    m_watch.stop();
    ShowRecordingState();
  }
  ShowMessageBox(RecordingFailedMessage(m_recorder.Path(), m_recorder.FailureErrno(),
                                        m_recorder.FramesWritten(), m_recorder.Rate()));
}

void DataOut::SetInputLost(bool lost) {
  m_bInputLost = lost;
  ShowRecordingState();
}

void DataOut::ShowRecordingState() {
  if (m_pMark != nullptr) {
    m_pMark->setVisible(m_bRecording);
    const bool paused = m_bRecording && m_bInputLost;
    m_pMark->setText(QString::fromUtf8(paused ? "\u275A\u275A REC" : "\u25CF REC"));
    m_pMark->setStyleSheet(paused ? "QLabel { color: rgb(128, 128, 128); font-weight: bold; }"
                                  : "QLabel { color: rgb(220, 0, 0); font-weight: bold; }");
    m_pMark->setToolTip(
        !m_bRecording ? QString()
        : paused ? QString::fromStdString("Paused until the input is back: " + m_recorder.Path())
                 : QString::fromStdString("Recording into " + m_recorder.Path()));
  }
  if (m_pRecordAction != nullptr) m_pRecordAction->setChecked(m_bRecording);
}

void DataOut::OnOpenRecordingCommand() {
  const std::optional<std::string> path = RunOpenFileDialog(
      m_pOwner,
      OpenFileRequest{"Open Recording", SaveFolder(kRecordingKind),
                      "Recordings(*.wav *.flac *.aif *.aiff)|*.wav;*.flac;*.aif;*.aiff|All "
                      "files(*)|*|"});
  if (!path) return;
  RememberSaveFolder(kRecordingKind, *path);
  OpenRecording(*path);
}

bool DataOut::OpenRecording(const std::string& path) {
  uint32_t rate = 0;
  std::string error;
  if (!ProbeWaveFile(path, &rate, &error)) {
    ShowMessageBox("The recording cannot be opened: " + error);
    return false;
  }
  AppState& app = CurrentApp();
  const std::string problem = RecordingRateMessage(path, rate, app.m_nSampleRate);
  if (!problem.empty()) {
    ShowMessageBox(problem);
    return false;
  }
  if (!SelectWaveInput("file:" + path, &error)) {
    ShowMessageBox("The recording cannot be opened: " + error);
    return false;
  }
  // The input is chosen when the device opens: with POWER on, a new start takes it now.
  if (app.m_bPowerOn != 0) {
    app.m_capture.Stop();
    QThread::msleep(50);
    app.m_capture.Start();
  }
  if (m_parts.addRecentFile) m_parts.addRecentFile(path);
  UpdateRecentMenu();
  return true;
}

std::vector<std::string> DataOut::RecentEntries() const {
  return m_parts.recentFiles ? m_parts.recentFiles() : std::vector<std::string>();
}

void DataOut::UpdateRecentMenu() {
  if (m_pRecentMenu == nullptr) return;
  const std::vector<std::string> recent = RecentEntries();
  const QList<QAction*> items = m_pRecentMenu->actions();
  for (int i = 0; i < items.size(); ++i) {
    const bool used = static_cast<size_t>(i) < recent.size();
    items[i]->setVisible(used);
    if (used) {
      items[i]->setText(
          QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(recent[static_cast<size_t>(i)])));
    }
  }
  m_pRecentMenu->setEnabled(!recent.empty());
}
