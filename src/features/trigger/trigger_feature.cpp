#include "features/trigger/trigger_feature.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "features/trigger/trigger_dlg.h"
#include "features/trigger/trigger_frame_selector.h"
#include "features/trigger_parameters.h"
#include "features/trigger_profile.h"
#include "platform/command_ids.h"
#include "platform/message_target.h"
#include "view/aurivue_view.h"
#include "view/display_modes.h"
#include "view/trigger_control.h"

QString TriggerPaneText(const TriggerControl& trigger, bool live, float timeBase, int displayMode) {
  if (trigger.IsOn() && !IsOscillographMode(displayMode)) return "FREE";
  if (trigger.IsOn() && live && trigger.Rolls(timeBase)) return "ROLL";
  return TriggerStatusText(trigger.IsOn() ? trigger.Status() : TriggerStatus::kOff);
}

void TriggerFeature::CreateParts(const FrameParts& parts) {
  m_parts = parts;
  QWidget* owner = parts.owner;
  QMenu* menu = AddMenuBeforeHelp(parts.menuBar, "&Trigger");
  AddCommand(menu, owner, "Trigger &Setup...\tCtrl+T", ID_TRIGGER_SETUP,
             "Set up the oscillograph's trigger");
  menu->addSeparator();
  auto* modes = new QActionGroup(menu);
  const char* const modeTexts[] = {"&Off", "&Auto", "&Normal", "S&ingle"};
  for (int i = 0; i < 4; ++i) {
    QAction* a =
        AddCommand(menu, owner, modeTexts[i], ID_TRIGGER_MODE_FIRST + i, "Trigger mode", true);
    modes->addAction(a);
    m_triggerActions.push_back(a);
  }
  menu->addSeparator();
  QMenu* source = menu->addMenu("So&urce");
  auto* sources = new QActionGroup(source);
  for (int i = 0; i < 2; ++i) {
    QAction* a = AddCommand(source, owner, i == 0 ? "Channel &Left" : "Channel &Right",
                            i == 0 ? ID_TRIGGER_SOURCE_LEFT : ID_TRIGGER_SOURCE_RIGHT,
                            "Trigger source", true);
    sources->addAction(a);
    m_triggerActions.push_back(a);
  }
  QMenu* slope = menu->addMenu("S&lope");
  auto* slopes = new QActionGroup(slope);
  const char* const slopeTexts[] = {"&Rising", "&Falling", "&Either"};
  for (int i = 0; i < 3; ++i) {
    QAction* a =
        AddCommand(slope, owner, slopeTexts[i], ID_TRIGGER_SLOPE_FIRST + i, "Trigger slope", true);
    slopes->addAction(a);
    m_triggerActions.push_back(a);
  }
  m_triggerActions.push_back(
      AddCommand(menu, owner, "Ro&ll at 20 ms/div and Slower", ID_TRIGGER_ROLL,
                 "Live display: the trace scrolls from the right, untriggered", true));
  menu->addSeparator();
  AddCommand(menu, owner, "Level to &50 %\tCtrl+L", ID_TRIGGER_FIFTY,
             "Trigger level to the middle of the newest frame");
  AddCommand(menu, owner, "&Re-arm Single\tF9", ID_TRIGGER_REARM, "Wait for the next trigger");

  const struct {
    QKeyCombination key;
    int id;
  } keys[] = {{Qt::CTRL | Qt::Key_T, ID_TRIGGER_SETUP},
              {Qt::CTRL | Qt::Key_L, ID_TRIGGER_FIFTY},
              {QKeyCombination(Qt::Key_F9), ID_TRIGGER_REARM}};
  for (const auto& k : keys) {
    auto* shortcut = new QShortcut(QKeySequence(k.key), owner);
    shortcut->setContext(Qt::WindowShortcut);
    const int id = k.id;
    QObject::connect(shortcut, &QShortcut::activated, owner,
                     [owner, id] { SendCommandTo(owner, id); });
  }

  m_pTriggerPane = new QLabel("OFF");
  m_pTriggerPane->setObjectName("triggerStatus");
  m_pTriggerPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  m_pTriggerPane->setAlignment(Qt::AlignCenter);
  m_pTriggerPane->setMinimumWidth(50);
  m_pTriggerPane->setToolTip(
      "Trigger state: OFF, WAIT, TRIG'D, AUTO, STOP (Single holding), ROLL, or FREE in the "
      "displays the trigger does not drive");
  parts.statusBar->addPermanentWidget(m_pTriggerPane);
  m_pRearmButton = new QPushButton("Re-arm");
  m_pRearmButton->setObjectName("triggerRearm");
  m_pRearmButton->setToolTip("Single: wait for the next trigger (F9)");
  m_pRearmButton->setFocusPolicy(Qt::NoFocus);
  QObject::connect(m_pRearmButton, &QPushButton::clicked, owner,
                   [owner] { SendCommandTo(owner, ID_TRIGGER_REARM); });
  parts.statusBar->addPermanentWidget(m_pRearmButton);
  UpdateCommands();
}

void TriggerFeature::Apply(const TriggerSettings& settings) {
  const TriggerSettings before = CurrentTrigger().Settings();
  CurrentTrigger().SetSettings(settings);
  // Only what the user changed here is kept: the command line's settings hold for this start.
  SaveTriggerProfile(WithChanges(before, CurrentTrigger().Settings(), LoadTriggerProfile()));
  UpdateCommands();
}

bool TriggerFeature::OnCommand(int id) {
  CAurivueView* scope = m_parts.scopeView ? m_parts.scopeView() : nullptr;
  TriggerSettings s = CurrentTrigger().Settings();
  if (id >= ID_TRIGGER_MODE_FIRST && id <= ID_TRIGGER_MODE_LAST) {
    s.mode = static_cast<TriggerMode>(id - ID_TRIGGER_MODE_FIRST);
  } else if (id == ID_TRIGGER_SOURCE_LEFT || id == ID_TRIGGER_SOURCE_RIGHT) {
    s.source = id == ID_TRIGGER_SOURCE_RIGHT ? 1 : 0;
  } else if (id >= ID_TRIGGER_SLOPE_FIRST && id <= ID_TRIGGER_SLOPE_LAST) {
    s.slope = static_cast<TriggerSlope>(id - ID_TRIGGER_SLOPE_FIRST);
  } else if (id == ID_TRIGGER_ROLL) {
    s.roll = !s.roll;
  } else if (id == ID_TRIGGER_FIFTY) {
    if (scope == nullptr) return true;
    s.levelMv = TriggerSourceMidMv(*scope);
  } else if (id == ID_TRIGGER_REARM) {
    CurrentTrigger().Rearm();
    UpdateCommands();
    return true;
  } else if (id == ID_TRIGGER_SETUP) {
    QPointer<CAurivueView> view = scope;
    TriggerDlg dialog(
        s, [view] { return view != nullptr ? TriggerSourceMidMv(*view) : 0.0; }, m_parts.owner);
    if (dialog.exec() != QDialog::Accepted) return true;
    s = dialog.Settings();
  } else {
    return false;
  }
  Apply(s);
  return true;
}

QString TriggerFeature::StatusText() const {
  return m_pTriggerPane != nullptr ? m_pTriggerPane->text() : QString();
}

void TriggerFeature::UpdateCommands() {
  if (m_pTriggerPane == nullptr || !HasCurrentApp()) return;
  const TriggerControl& trigger = CurrentTrigger();
  const AppState& app = CurrentApp();
  m_pTriggerPane->setText(
      TriggerPaneText(trigger, app.m_bLive != 0, app.m_fTimeBase, app.m_nDisplayMode));
  const TriggerSettings& s = trigger.Settings();
  m_pRearmButton->setEnabled(s.mode == TriggerMode::kSingle);
  for (QAction* a : m_triggerActions) {
    const int id = a->data().toInt();
    bool checked = false;
    if (id >= ID_TRIGGER_MODE_FIRST && id <= ID_TRIGGER_MODE_LAST) {
      checked = static_cast<int>(s.mode) == id - ID_TRIGGER_MODE_FIRST;
    } else if (id == ID_TRIGGER_SOURCE_LEFT || id == ID_TRIGGER_SOURCE_RIGHT) {
      checked = s.source == (id == ID_TRIGGER_SOURCE_RIGHT ? 1 : 0);
    } else if (id >= ID_TRIGGER_SLOPE_FIRST && id <= ID_TRIGGER_SLOPE_LAST) {
      checked = static_cast<int>(s.slope) == id - ID_TRIGGER_SLOPE_FIRST;
    } else if (id == ID_TRIGGER_ROLL) {
      checked = s.roll;
    }
    a->setChecked(checked);
  }
}

const ParameterTable* TriggerFeature::SetupTable() const { return &TriggerParameters(); }

void TriggerFeature::ReadSetup(void* settings) const {
  *static_cast<TriggerSettings*>(settings) = CurrentTrigger().Settings();
}

void TriggerFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  if (how.stage != SetupApplication::Stage::kBeforeView || !how.whole) return;
  CurrentTrigger().SetSettings(*static_cast<const TriggerSettings*>(settings));
  if (how.remember) SaveTriggerProfile(CurrentTrigger().Settings());
}
