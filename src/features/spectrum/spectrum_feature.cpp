#include "features/spectrum/spectrum_feature.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "features/spectrum/spectrum_menu.h"
#include "features/spectrum/spectrum_parameters.h"
#include "features/spectrum/spectrum_profile.h"
#include "platform/command_ids.h"

void SpectrumFeature::CreateParts(const FrameParts& parts) {
  m_parts = parts;
  QWidget* owner = parts.owner;
  QMenu* menu = AddMenuBeforeHelp(parts.menuBar, "S&pectrum");
  for (const SpectrumMenuGroup& group : SpectrumMenuGroups()) {
    QMenu* into = group.title.empty() ? menu : menu->addMenu(QString::fromStdString(group.title));
    if (group.title.empty()) menu->addSeparator();
    auto* exclusive = group.title.empty() ? nullptr : new QActionGroup(into);
    for (const SpectrumMenuItem& item : group.items) {
      QAction* action =
          AddCommand(into, owner, QString::fromStdString(item.text), item.id,
                     QString::fromStdString(item.prompt), item.id != ID_SPECTRUM_RESET_HOLDS);
      if (exclusive != nullptr) exclusive->addAction(action);
      m_spectrumActions.push_back(action);
    }
  }
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { UpdateCommands(); });
  UpdateCommands();
}

void SpectrumFeature::UpdateCommands() {
  if (!HasCurrentApp()) return;
  const SpectrumOptions& o = CurrentApp().m_spectrum;
  for (QAction* action : m_spectrumActions) {
    if (action->isCheckable()) action->setChecked(SpectrumMenuChecked(action->data().toInt(), o));
  }
}

bool SpectrumFeature::OnCommand(int id) {
  if (id < ID_SPECTRUM_FIRST || id > ID_SPECTRUM_LAST || !HasCurrentApp()) return false;
  AppState& app = CurrentApp();
  if (id == ID_SPECTRUM_RESET_HOLDS) {
    m_pass.RestartAverages();
    return true;
  }
  SpectrumOptions options = app.m_spectrum;
  if (!ApplySpectrumMenuChoice(id, options)) return false;
  app.m_spectrum = options;
  SaveSpectrumProfile(options);
  // The view sizes its transform and charts for the choices: a new one takes over.
  if (m_parts.remakeView) m_parts.remakeView();
  UpdateCommands();
  return true;
}

const ParameterTable* SpectrumFeature::SetupTable() const { return &SpectrumParameters(); }

void SpectrumFeature::ReadSetup(void* settings) const {
  *static_cast<SpectrumOptions*>(settings) = CurrentApp().m_spectrum;
}

void SpectrumFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  if (how.stage != SetupApplication::Stage::kBeforeView || !how.whole) return;
  AppState& app = CurrentApp();
  app.m_spectrum = SanitizedSpectrumOptions(*static_cast<const SpectrumOptions*>(settings));
  if (how.remember) SaveSpectrumProfile(app.m_spectrum);
}
