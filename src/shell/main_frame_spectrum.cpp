// The main frame's Spectrum menu: the spectrum analyser's choices, kept in the per-user profile.
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/command_ids.h"
#include "shell/main_frame.h"
#include "shell/spectrum_menu.h"
#include "shell/spectrum_profile.h"
#include "view/aurivue_view.h"

void CMainFrame::CreateSpectrumMenu() {
  auto* menu = new QMenu("S&pectrum", this);
  const QList<QAction*> menus = menuBar()->actions();
  // Before Help, the last menu.
  menuBar()->insertMenu(menus.isEmpty() ? nullptr : menus.back(), menu);
  for (const SpectrumMenuGroup& group : SpectrumMenuGroups()) {
    QMenu* into = group.title.empty() ? menu : menu->addMenu(QString::fromStdString(group.title));
    if (group.title.empty()) menu->addSeparator();
    auto* exclusive = group.title.empty() ? nullptr : new QActionGroup(into);
    for (const SpectrumMenuItem& item : group.items) {
      QAction* action = into->addAction(QString::fromStdString(item.text));
      action->setData(item.id);
      action->setStatusTip(QString::fromStdString(item.prompt));
      action->setCheckable(item.id != ID_SPECTRUM_RESET_HOLDS);
      if (exclusive != nullptr) exclusive->addAction(action);
      const int id = item.id;
      connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
      m_spectrumActions.push_back(action);
    }
  }
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateSpectrumMenu(); });
  UpdateSpectrumMenu();
}

void CMainFrame::UpdateSpectrumMenu() {
  if (!HasCurrentApp()) return;
  const SpectrumOptions& o = CurrentApp().m_spectrum;
  for (QAction* action : m_spectrumActions) {
    if (action->isCheckable()) action->setChecked(SpectrumMenuChecked(action->data().toInt(), o));
  }
}

bool CMainFrame::HandleSpectrumCommand(int id) {
  if (id < ID_SPECTRUM_FIRST || id > ID_SPECTRUM_LAST || !HasCurrentApp()) return false;
  AppState& app = CurrentApp();
  if (id == ID_SPECTRUM_RESET_HOLDS) {
    if (m_pView != nullptr) m_pView->RestartSpectrumAverages();
    return true;
  }
  SpectrumOptions options = app.m_spectrum;
  if (!ApplySpectrumMenuChoice(id, options)) return false;
  app.m_spectrum = options;
  SaveSpectrumProfile(options);
  // The view sizes its transform and charts for the choices: a new one takes over.
  if (m_pView != nullptr) OnDisplayModeCommand();
  UpdateSpectrumMenu();
  return true;
}
