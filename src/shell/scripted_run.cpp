#include "shell/scripted_run.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <mutex>

#include "acquisition/input_stall.h"
#include "controls/control_view.h"
#include "controls/image_button.h"
#include "controls/rotary_switch.h"
#include "features/data_out/data_out.h"
#include "features/data_out/data_out_feature.h"
#include "features/data_out/input_watch.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/main_frame.h"
#include "shell/nav_bar_ctrl.h"
#include "shell/setup_commands.h"
#include "shell/trigger_options.h"
#include "view/display_modes.h"
#include "view/save_folders.h"
#include "view/trigger_control.h"
#include "view/view_dialogs.h"

struct PrintedMessages::State {
  std::mutex mutex;
  std::string program;
  int count = 0;
};

PrintedMessages::PrintedMessages(std::string program) : m_state(std::make_shared<State>()) {
  m_state->program = std::move(program);
  std::shared_ptr<State> state = m_state;
  m_previous = SetMessageBoxHook([state](const std::string& text) {
    std::lock_guard<std::mutex> lock(state->mutex);
    ++state->count;
    std::fprintf(stderr, "%s: %s\n", state->program.c_str(), text.c_str());
    std::fflush(stderr);
  });
}

PrintedMessages::~PrintedMessages() { SetMessageBoxHook(std::move(m_previous)); }

int PrintedMessages::Count() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->count;
}

int DetentShowingFigure(const RotarySwitch& knob, int figure) {
  for (int i = 0; i < knob.GetPositionCount(); ++i) {
    const QString label = knob.GetDetent(i).label.trimmed();
    int digits = 0;
    while (digits < label.size() && label[digits].isDigit()) ++digits;
    if (digits > 0 && label.left(digits).toInt() == figure) return i;
  }
  return -1;
}

namespace {

// How long the wait for buffers may take: a second per buffer plus ten, since the first buffer
// of a real device can take a few seconds to come. A device that never delivers ends the run
// with a failure instead of a hang.
constexpr int kWaitSlackMs = 10000;
constexpr int kWaitPerBufferMs = 1000;
// How long the input may run past the holdoff without a trigger before a run that waits for one
// gives up and says so.
constexpr int kTriggerGiveUpMs = 3000;
// The resolution the program prints PDF files at.
constexpr int kPdfResolution = 300;

// Runs the event loop until done() holds or timeoutMs pass; false on time-out.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer clock;
  clock.start();
  bool finished = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) {
      finished = true;
      loop.quit();
    } else if (clock.elapsed() > timeoutMs) {
      loop.quit();
    }
  });
  poll.start(5);
  loop.exec();
  return finished;
}

}  // namespace

void SelectDisplayMode(CMainFrame* frame, int mode) {
  CNavBarCtrl* bar = frame->NavBar();
  const int folder = (mode - DISPLAY_MODE_FIRST_2D) / 10;
  int item = (mode - DISPLAY_MODE_FIRST_2D) % 10;
  if (folder == kAnalyserFolder) {
    // The folder lists only the analysers some feature draws: the item is the mode's place
    // among them.
    item = 0;
    for (const DisplayModeInfo& info : DisplayModes()) {
      if (info.mode >= mode || info.mode / 10 - 60 != kAnalyserFolder) continue;
      for (ViewFeature* feature : frame->ScopeView()->Features()) {
        if (feature->ShowsDisplay(info.mode)) {
          ++item;
          break;
        }
      }
    }
  }
  if (bar->GetSelFolder() != folder) bar->SetSelFolder(folder);
  SendMessageTo(NotifyTargetOf(bar), WM_NAVBAR_NOTIFY, NAVBAR_ITEM_CLICK, item);
}

bool TurnSwitchTo(RotarySwitch* knob, int figure) {
  const int detent = DetentShowingFigure(*knob, figure);
  if (detent < 0) return false;
  knob->SetPosition(detent);
  knob->update();
  SendMessageTo(NotifyTargetOf(knob), WM_SWITCH_CHANGED, knob->GetNotifyId(), 0);
  return true;
}

namespace {

class Script {
 public:
  Script(CAurivueApp& app, const CommandLineOptions& options, const PrintedMessages* messages,
         std::string program)
      : m_app(app), m_options(options), m_messages(messages), m_program(std::move(program)) {}

  int Run() {
    CMainFrame* frame = m_app.MainFrame();
    if (frame == nullptr) return Fail("the main window does not exist");
    // The window lays itself out before anything is measured or pictured.
    QCoreApplication::processEvents();
    if (m_options.displayMode != 0 && m_options.displayMode != m_app.m_nDisplayMode) {
      if (!IsClassicDisplayMode(m_options.displayMode) &&
          frame->ScopeView()->DisplayFeatureFor(m_options.displayMode) == nullptr) {
        return Fail("display mode " + std::to_string(m_options.displayMode) +
                    " is not built into this program");
      }
      SelectDisplayMode(frame, m_options.displayMode);
    }
    CControlView* panel = frame->ControlView();
    const struct {
      int figure;
      RotarySwitch* knob;
      const char* option;
    } turns[] = {{m_options.timeBaseMs, panel->TimeBaseSwitch(), "--timebase"},
                 {m_options.leftMv, panel->LeftSwitch(), "--left-mv"},
                 {m_options.rightMv, panel->RightSwitch(), "--right-mv"}};
    for (const auto& turn : turns) {
      if (turn.figure != 0 && !TurnSwitchTo(turn.knob, turn.figure)) {
        return Fail(std::string("no detent of the switch shows ") + std::to_string(turn.figure) +
                    " for " + turn.option);
      }
    }
    if (!m_options.recordPath.empty() && !StartRecording(frame)) return 1;
    if (!StartScriptedMeasurements(frame, m_options, m_program)) return 1;
    if (m_options.power && !PowerAndWait(frame, panel)) return 1;
    if (!m_options.exportPath.empty() &&
        !SaveThroughDialog(frame, ID_EXPORT_DATA, m_options.exportPath, "Export")) {
      return 1;
    }
    if (!m_options.saveSetupPath.empty()) {
      std::string error;
      if (!SaveSetupFile(m_options.saveSetupPath, CaptureInstrumentState(*frame), error)) {
        return Fail("Save Setup did not write " + error);
      }
    }
    if (!m_options.csvPath.empty() &&
        !SaveThroughDialog(frame, ID_EXPORT_CSV, m_options.csvPath, "Export CSV")) {
      return 1;
    }
    if (!m_options.bmpPath.empty() &&
        !SaveThroughDialog(frame, ID_FILE_SAVE_BMP, m_options.bmpPath, "Save to Bmp")) {
      return 1;
    }
    if (!m_options.pdfPath.empty() && !PrintToPdf(frame)) return 1;
    // A run that ends here ends its recording here; otherwise it goes on with the program.
    if (m_options.quit && !m_options.recordPath.empty() && !FinishRecording(frame)) return 1;
    return FinishScriptedMeasurements(frame, m_options, m_program);
  }

 private:
  int Fail(const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", m_program.c_str(), why.c_str());
    return 1;
  }

  int MessageCount() const { return m_messages != nullptr ? m_messages->Count() : 0; }

  bool StartRecording(CMainFrame* frame) {
    DataOut* out = DataOutOf(frame->Features());
    if (out == nullptr || !out->StartRecording(m_options.recordPath)) {
      Fail("Record did not start " + m_options.recordPath);
      return false;
    }
    return true;
  }

  bool FinishRecording(CMainFrame* frame) {
    DataOut* out = DataOutOf(frame->Features());
    if (out == nullptr || !out->StopRecording()) {
      Fail("Record did not write all of " + m_options.recordPath);
      return false;
    }
    return true;
  }

  bool PowerAndWait(CMainFrame* frame, CControlView* panel) {
    int handled = 0;
    frame->SetCommandFilter([&handled](int id) {
      if (id == ID_BUFFER_READY) ++handled;
      return false;  // only counted; the frame handles it as always
    });
    const int before = MessageCount();
    // Classic counts the buffers handled, Live its analysis updates.
    const bool live = m_app.m_bLive != 0;
    const uint64_t updatesBefore = m_app.m_nAnalysisUpdates;
    auto done = [&] {
      return live ? static_cast<int>(m_app.m_nAnalysisUpdates - updatesBefore) : handled;
    };
    panel->PowerButton()->click();
    const int wanted = m_options.frames;
    const InputWatch* watch = InputWatchOf(frame->Features());
    // No buffer will come once the device could not be opened or was lost; a message about
    // something else (a recording on a full disk) leaves the capture going, and the run with it.
    auto inputGone = [&] {
      return MessageCount() > before &&
             (!m_app.m_capture.IsCapturing() || (watch != nullptr && watch->Lost()));
    };
    // In Live a trigger in Normal or Single makes the updates: when the input runs on and the
    // trigger does not fire, none will come, and the run says why instead of timing out.
    const TriggerSettings& trigger = CurrentTrigger().Settings();
    const int mode = m_app.m_nDisplayMode;
    const bool waitsForTrigger =
        live && (trigger.mode == TriggerMode::kNormal || trigger.mode == TriggerMode::kSingle) &&
        IsOscillographMode(mode) && !CurrentTrigger().Rolls(m_app.m_fTimeBase);
    const int giveUpMs = kTriggerGiveUpMs + static_cast<int>(trigger.holdoffMs);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int progress = 0;
    uint64_t inputFrom = 0;
    bool gaveUp = false;
    auto triggerGaveUp = [&] {
      if (!waitsForTrigger) return false;
      const std::shared_ptr<const CaptureRing> ring = m_app.m_capture.GetRing();
      const uint64_t input = ring ? ring->WritePosition() : 0;
      if (done() != progress || CurrentTrigger().Status() != TriggerStatus::kWait || input == 0) {
        progress = done();
        inputFrom = input;
        sinceProgress.restart();
        return false;
      }
      // Only time while sound comes in counts: a device slow to start is not the trigger's fault.
      const uint64_t ran = input - inputFrom;
      gaveUp = sinceProgress.elapsed() > giveUpMs &&
               ran * 1000 >= static_cast<uint64_t>(m_app.m_nSampleRate) * kTriggerGiveUpMs;
      return gaveUp;
    };
    const bool arrived =
        RunEventsUntil([&] { return done() >= wanted || inputGone() || triggerGaveUp(); },
                       kWaitSlackMs + kWaitPerBufferMs * wanted);
    frame->SetCommandFilter(nullptr);
    if (gaveUp && done() < wanted) {
      Fail(TriggerNeverFiredText(trigger, m_app.m_nChannels == 2, giveUpMs / 1000.0, done(),
                                 wanted));
      return false;
    }
    if (!arrived || done() < wanted) {
      const std::string input = InputDisplayName(CurrentWaveInput(), m_app.m_capture.DeviceName());
      Fail(std::to_string(done()) + " of " + std::to_string(wanted) +
           (live ? " updates were made after POWER" : " buffers were processed after POWER") +
           (inputGone() || done() == 0 ? "; nothing came from the input " + input : ""));
      return false;
    }
    return true;
  }

  // Sends a command whose save-file dialog is answered with path, and checks the file came.
  bool SaveThroughDialog(CMainFrame* frame, int command, const std::string& path,
                         const char* what) {
    const int before = MessageCount();
    const SaveFoldersUnchanged unchanged;
    SaveFileDialogHook previous =
        SetSaveFileDialogHook([&path](const SaveFileRequest&) { return std::optional(path); });
    SendCommandTo(frame, ID_ACTIVATE_SCOPE_VIEW);
    const bool handled = SendCommandTo(frame, command);
    SetSaveFileDialogHook(std::move(previous));
    return Check(handled, before, path, what);
  }

  bool PrintToPdf(CMainFrame* frame) {
    const int before = MessageCount();
    const SaveFoldersUnchanged unchanged;
    const QString file = QString::fromStdString(m_options.pdfPath);
    PrintDialogHook previous = SetPrintDialogHook([&file](QPrinter& printer, PrintDialogKind) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setResolution(kPdfResolution);
      printer.setOutputFileName(file);
      return true;
    });
    SendCommandTo(frame, ID_ACTIVATE_SCOPE_VIEW);
    const bool handled = SendCommandTo(frame, ID_FILE_PRINT);
    SetPrintDialogHook(std::move(previous));
    return Check(handled, before, m_options.pdfPath, "Print");
  }

  bool Check(bool handled, int messagesBefore, const std::string& path, const char* what) {
    if (!handled) {
      Fail(std::string(what) + " was not handled");
      return false;
    }
    if (MessageCount() > messagesBefore || !QFileInfo(QString::fromStdString(path)).isFile()) {
      Fail(std::string(what) + " did not write " + path);
      return false;
    }
    return true;
  }

  CAurivueApp& m_app;
  const CommandLineOptions& m_options;
  const PrintedMessages* m_messages;
  std::string m_program;
};

}  // namespace

int RunScriptedMeasurements(CAurivueApp& app, const CommandLineOptions& options,
                            const PrintedMessages* messages, const std::string& program) {
  return Script(app, options, messages, program).Run();
}
