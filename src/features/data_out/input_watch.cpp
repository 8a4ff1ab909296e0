#include "features/data_out/input_watch.h"

#include <QLabel>
#include <QStatusBar>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "features/data_out/data_out.h"
#include "platform/capture_ring.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"

namespace {

constexpr int kCheckMs = 250;
// The first frames of a sound card can take two seconds; quiet for longer means lost.
constexpr uint64_t kQuietNs = 3'000'000'000ull;
// How often a lost device is opened again: as long as its first frames may take.
constexpr uint64_t kRetryNs = kQuietNs;
constexpr int kBackMessageMs = 5000;

}  // namespace

InputWatch::InputWatch(QStatusBar* bar, DataOut* dataOut)
    : m_pDataOut(dataOut), m_pBar(bar), m_detector(kQuietNs) {
  if (bar != nullptr) {
    m_pMark = new QLabel("INPUT LOST");
    m_pMark->setObjectName("inputLostMark");
    m_pMark->setStyleSheet("QLabel { color: rgb(220, 0, 0); font-weight: bold; }");
    m_pMark->setVisible(false);
    bar->addPermanentWidget(m_pMark);
  }
  m_timer.setInterval(kCheckMs);
  connect(&m_timer, &QTimer::timeout, this, [this] { Check(); });
  m_timer.start();
}

InputWatch::~InputWatch() = default;

std::string InputWatch::InputName() const {
  return InputDisplayName(CurrentWaveInput(), CurrentApp().m_capture.DeviceName());
}

void InputWatch::Check() {
  if (!HasCurrentApp() || m_bInCheck) return;  // a message box of ours is up
  m_bInCheck = true;
  AppState& app = CurrentApp();
  const bool recording = m_pDataOut != nullptr && m_pDataOut->IsRecording();
  const bool watched = app.m_bPowerOn != 0 && (app.m_bLive != 0 || recording || Lost());
  if (!watched) {
    // POWER off ends the wait for a lost input; the next POWER on starts afresh.
    if (Lost()) {
      m_detector.Reset();
      ShowState();
    }
    m_detector.Reset();
    m_bDelivered = false;
    m_bInCheck = false;
    return;
  }
  const uint64_t now = SteadyNowNs();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  const uint64_t frames = ring && app.m_capture.IsCapturing() ? ring->WritePosition() : 0;
  if (frames > 0) m_bDelivered = true;
  switch (m_detector.Observe(now, app.m_capture.IsCapturing() ? ring.get() : nullptr, frames)) {
    case InputStallDetector::Change::kLost:
      OnLost();
      break;
    case InputStallDetector::Change::kBack:
      OnBack();
      break;
    case InputStallDetector::Change::kNone:
      if (Lost()) Retry(now);
      break;
  }
  m_bInCheck = false;
}

void InputWatch::OnLost() {
  AppState& app = CurrentApp();
  // A device that never opened has said why already (POWER on showed the message); it is
  // looked for again all the same.
  const bool opened = app.m_capture.IsCapturing() || m_bDelivered;
  // The dead stream is closed, so that the device can be looked for and opened afresh.
  app.m_capture.Stop();
  m_nLastTryNs = SteadyNowNs();
  ShowState();
  if (!opened) return;
  const bool recording = m_pDataOut != nullptr && m_pDataOut->IsRecording();
  const std::string text =
      "The input " + InputName() + " was lost: nothing has come from it for 3 seconds." +
      (recording ? " The recording is paused." : "") + " The display" +
      (recording ? " and the recording go" : " goes") + " on when the input is back.";
  // Posted: the watch goes on looking for the device while the message waits for its OK.
  QTimer::singleShot(0, this, [text] { ShowMessageBox(text); });
}

void InputWatch::OnBack() {
  ShowState();
  if (m_pBar != nullptr) {
    m_pBar->showMessage(QString::fromStdString("The input " + InputName() + " is back."),
                        kBackMessageMs);
  }
}

void InputWatch::Retry(uint64_t now) {
  if (now - m_nLastTryNs < kRetryNs) return;
  m_nLastTryNs = now;
  AppState& app = CurrentApp();
  // A device that opened again but still delivers nothing is closed before the next try.
  if (app.m_capture.HasWorker()) app.m_capture.Stop();
  if (!app.m_capture.StartQuietly().empty()) app.m_capture.Stop();
}

void InputWatch::ShowState() {
  const bool lost = Lost();
  if (m_pMark != nullptr) {
    m_pMark->setVisible(lost);
    m_pMark->setToolTip(lost ? QString::fromStdString("Waiting for the input " + InputName())
                             : QString());
  }
  if (m_pDataOut != nullptr) m_pDataOut->SetInputLost(lost);
}
