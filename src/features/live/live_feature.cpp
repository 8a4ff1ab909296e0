#include "features/live/live_feature.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "features/live/input_device_dlg.h"
#include "features/live/level_meter_bar.h"
#include "features/live/live_profile.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"

QString LivePaneText(bool live, unsigned long long lostBlocks, double updatesPerSecond) {
  // Bars between the three figures, and a unit on the rate, so the count of lost blocks and the
  // updates a second never read as one "lost per second".
  return QString("%1 | %2 lost | %3 upd/s")
      .arg(live ? "LIVE" : "CLASSIC")
      .arg(lostBlocks)
      .arg(updatesPerSecond, 0, 'f', updatesPerSecond < 10 ? 1 : 0);
}

void LiveFeature::CreateParts(const FrameParts& parts) {
  m_parts = parts;
  QWidget* owner = parts.owner;
  // Setup: the devices by name, beside the desktop's mixer.
  if (QMenu* setup = MenuNamed(parts.menuBar, "Setup")) {
    setup->insertAction(ItemAfter(setup, ID_SETUP_INPUT_DEVICE),
                        MakeCommand(setup, owner, "Input Device &List...", ID_SETUP_INPUT_LIST,
                                    "Choose the recording device by name"));
  }
  QMenu* view = ViewMenu(parts.menuBar);
  m_pLiveAction = AddCommand(view, owner, "&Live display\tF5", ID_VIEW_LIVE,
                             "Redraw with the screen from the newest samples", true);
  QMenu* curtains = view->addMenu("3-D &Curtains a Second");
  auto* group = new QActionGroup(curtains);
  const std::vector<int>& rates = CurtainRates();
  for (size_t i = 0; i < rates.size(); ++i) {
    QAction* a = AddCommand(curtains, owner, QString::number(rates[i]),
                            ID_VIEW_CURTAINS_FIRST + static_cast<int>(i),
                            "New waterfall curtains a second in Live", true);
    group->addAction(a);
    m_curtainActions.push_back(a);
  }
  auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), owner);
  f5->setContext(Qt::WindowShortcut);
  QObject::connect(f5, &QShortcut::activated, owner,
                   [owner] { SendCommandTo(owner, ID_VIEW_LIVE); });

  m_pLivePane = new QLabel(LivePaneText(false, 0, 0));
  m_pLivePane->setObjectName("liveStatus");
  m_pLivePane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  m_pLivePane->setAlignment(Qt::AlignCenter);
  m_pLivePane->setToolTip(
      "Display (LIVE or CLASSIC) | blocks of input lost since POWER on | analysis updates a "
      "second");
  parts.statusBar->addPermanentWidget(m_pLivePane);
  m_pMeters = new LevelMeterBar;
  parts.statusBar->addPermanentWidget(m_pMeters);
  UpdateCommands();
}

bool LiveFeature::OnCommand(int id) {
  if (!HasCurrentApp()) return false;
  AppState& app = CurrentApp();
  if (id == ID_VIEW_LIVE) {
    app.m_bLive = app.m_bLive ? 0 : 1;
    SaveLiveMode(app.m_bLive != 0);
    // The view sizes its charts and arrays for one display: a new one takes over.
    if (m_parts.remakeView) m_parts.remakeView();
    UpdateCommands();
    return true;
  }
  if (id >= ID_VIEW_CURTAINS_FIRST && id <= ID_VIEW_CURTAINS_LAST) {
    app.m_nCurtainRate = CurtainRates()[static_cast<size_t>(id - ID_VIEW_CURTAINS_FIRST)];
    SaveCurtainRate(app.m_nCurtainRate);
    UpdateCommands();
    return true;
  }
  if (id == ID_SETUP_INPUT_LIST) {
    OnInputDeviceList();
    return true;
  }
  return false;
}

void LiveFeature::OnInputDeviceList() {
  InputDeviceDlg dialog(ListWaveInDevices(), DeviceNameOfInput(CurrentWaveInput()), m_parts.owner);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::string chosen = dialog.Chosen();
  SaveInputDevice(chosen);
  // --input or AURIVUE_INPUT keep their say for this run; the choice waits for the next start.
  if (m_parts.inputOverridden && m_parts.inputOverridden()) return;
  SelectWaveInput(chosen.empty() ? "default" : "device:" + chosen, nullptr);
}

QString LiveFeature::StatusText() const {
  return m_pLivePane != nullptr ? m_pLivePane->text() : QString();
}

void LiveFeature::UpdateCommands() {
  if (m_pLivePane == nullptr || !HasCurrentApp()) return;
  const AppState& app = CurrentApp();
  if (m_pLiveAction != nullptr) m_pLiveAction->setChecked(app.m_bLive != 0);
  const std::vector<int>& rates = CurtainRates();
  for (size_t i = 0; i < m_curtainActions.size(); ++i) {
    m_curtainActions[i]->setChecked(rates[i] == app.m_nCurtainRate);
  }
  // Updates a second over the last second or so.
  const int64_t now = static_cast<int64_t>(SteadyNowNs());
  if (m_nRateSinceNs == 0 || now - m_nRateSinceNs > 4'000'000'000LL) {
    m_nRateSinceNs = now;
    m_nRateSinceUpdates = app.m_nAnalysisUpdates;
  } else if (now - m_nRateSinceNs >= 1'000'000'000LL) {
    m_dUpdatesPerSecond = static_cast<double>(app.m_nAnalysisUpdates - m_nRateSinceUpdates) * 1e9 /
                          static_cast<double>(now - m_nRateSinceNs);
    m_nRateSinceNs = now;
    m_nRateSinceUpdates = app.m_nAnalysisUpdates;
  }
  if (app.m_bPowerOn == 0) m_dUpdatesPerSecond = 0;
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  m_pLivePane->setText(
      LivePaneText(app.m_bLive != 0, ring ? ring->Overruns() : 0, m_dUpdatesPerSecond));
}
