#include "features/measure/measure_feature.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "acquisition/current_app.h"
#include "controls/flat_splitter.h"
#include "features/measure/measure_parameters.h"
#include "features/measure/measure_profile.h"
#include "features/measure/measurement_panel.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "view/aurivue_view.h"
#include "view/measurement_log.h"
#include "view/measurement_station.h"
#include "view/view_dialogs.h"

MeasureFeature::MeasureFeature() = default;

MeasureFeature::~MeasureFeature() {
  // The panel and the log hold on to the station: they go first.
  delete m_pMeasurePanel.data();
  m_pMeasureLog.reset();
  m_pMeasure.reset();
}

void MeasureFeature::CreateParts(const FrameParts& parts) {
  m_parts = parts;
  m_pMeasure = std::make_unique<MeasurementStation>();
  m_pMeasureLog = std::make_unique<MeasurementLog>(*m_pMeasure);
}

void MeasureFeature::CreatePanels(const FrameParts& parts) {
  m_parts = parts;
  const MeasureSettings profile = LoadMeasureProfile();
  // A hidden child of the frame until shown, so the panes are laid out as without it.
  m_pMeasurePanel = new MeasurementPanel(*m_pMeasure, parts.owner);
  m_pMeasurePanel->hide();
  m_pMeasurePanel->SetQuantities(profile.quantities);
  m_pMeasurePanel->SetStatistics(profile.statistics);

  // The View menu is Live's too; a program without Live still has the measurements' items.
  if (QMenu* view = ViewMenu(parts.menuBar)) {
    view->addSeparator();
    QWidget* owner = parts.owner;
    m_pMeasureAction = AddCommand(view, owner, "&Measurements", ID_VIEW_MEASUREMENTS,
                                  "Show or hide the measurements beside the display", true);
    m_pMeasureLogAction = AddCommand(view, owner, "Measurement &Log...", ID_VIEW_MEASURE_LOG,
                                     "Write every measurement update to a CSV file, or stop", true);
    AddCommand(view, owner, "&Reset Measurement Statistics", ID_VIEW_MEASURE_RESET,
               "Start the measurement statistics again");
    // A log started from the command line, or stopped by a full disk, shows as it is.
    QObject::connect(view, &QMenu::aboutToShow, view, [this] {
      if (m_pMeasureLogAction != nullptr && m_pMeasureLog) {
        m_pMeasureLogAction->setChecked(m_pMeasureLog->Running());
      }
    });
  }
  ShowPanel(profile.readout);
}

void MeasureFeature::OnBufferReady() {
  if (m_pMeasure) m_pMeasure->OnBufferReady();
}

void MeasureFeature::ShowPanel(bool show) {
  FlatSplitter* row = m_parts.viewRow;
  if (m_pMeasurePanel == nullptr || row == nullptr) return;
  if (m_pMeasureAction != nullptr) m_pMeasureAction->setChecked(show);
  const bool inSplitter = m_pMeasurePanel->parent() == static_cast<QObject*>(row);
  if (show == (inSplitter && !m_pMeasurePanel->isHidden())) return;
  if (show) {
    row->addWidget(m_pMeasurePanel);
    m_pMeasurePanel->show();
  } else {
    m_pMeasurePanel->hide();
    // Out of the splitter again: the scope view is its last pane, as it was.
    m_pMeasurePanel->setParent(m_parts.owner);
    m_pMeasurePanel->hide();
  }
  if (m_parts.layOut) m_parts.layOut();
  // The charts were laid out for the old width: the view sets itself up again.
  CAurivueView* view = m_parts.scopeView ? m_parts.scopeView() : nullptr;
  if (view != nullptr && view->isVisible() && m_parts.remakeView) m_parts.remakeView();
}

void MeasureFeature::FitPanels(int navWidth) {
  FlatSplitter* row = m_parts.viewRow;
  if (m_pMeasurePanel == nullptr || row == nullptr ||
      m_pMeasurePanel->parent() != static_cast<QObject*>(row)) {
    return;
  }
  // The readout never takes more than half of what the navigation bar leaves.
  const int bars = 2 * row->handleWidth();
  const int rest = std::max(0, row->contentsRect().width() - navWidth - bars);
  const int panelWidth = std::min(MeasurementPanel::kWidth, rest / 2);
  row->SetPaneInfo(1, rest - panelWidth, 0);
  row->RecalcLayout();
}

bool MeasureFeature::OnCommand(int id) {
  if (!m_pMeasure) return false;
  switch (id) {
    case ID_VIEW_MEASUREMENTS: {
      const bool show = m_pMeasurePanel != nullptr && m_pMeasurePanel->isHidden();
      ShowPanel(show);
      SaveMeasureVisible(show);
      return true;
    }
    case ID_VIEW_MEASURE_LOG:
      if (m_pMeasureLog->Running()) {
        if (!m_pMeasureLog->Stop()) ShowMessageBox(m_pMeasureLog->Error());
      } else {
        SaveFileRequest request;
        request.defaultExtension = "csv";
        request.initialPath = "measurements.csv";
        request.filter = "CSV files(*.csv)|*.csv|";
        request.kind = "Log";
        if (const std::optional<std::string> path = RunSaveFileDialog(m_parts.owner, request)) {
          if (!m_pMeasureLog->Start(*path)) ShowMessageBox(m_pMeasureLog->Error());
        }
      }
      if (m_pMeasureLogAction != nullptr) m_pMeasureLogAction->setChecked(m_pMeasureLog->Running());
      return true;
    case ID_VIEW_MEASURE_RESET:
      m_pMeasure->ResetStatistics();
      return true;
    default:
      return false;
  }
}

MeasurementPanel* MeasureFeature::Panel() const { return m_pMeasurePanel.data(); }

const ParameterTable* MeasureFeature::SetupTable() const { return &MeasureParameters(); }

void MeasureFeature::ReadSetup(void* settings) const {
  auto& s = *static_cast<MeasureSettings*>(settings);
  s.readout = m_pMeasurePanel != nullptr && !m_pMeasurePanel->isHidden();
  if (m_pMeasurePanel != nullptr) {
    s.statistics = m_pMeasurePanel->Statistics();
    s.quantities = m_pMeasurePanel->Quantities();
  }
}

void MeasureFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  if (how.stage != SetupApplication::Stage::kBeforeView || m_pMeasurePanel == nullptr) return;
  const auto& s = *static_cast<const MeasureSettings*>(settings);
  // No quantities at all is no readout a setup would want: the ones shown stay.
  if (!s.quantities.empty()) m_pMeasurePanel->SetQuantities(s.quantities);
  m_pMeasurePanel->SetStatistics(s.statistics);
  if (how.remember) {
    if (!s.quantities.empty()) SaveMeasureQuantities(s.quantities);
    SaveMeasureStatistics(s.statistics);
  }
  if (s.readout != !m_pMeasurePanel->isHidden()) {
    // Shown or hidden as the menu does it, which the profile keeps; a setup for one start
    // leaves the profile's choice as it was.
    const bool kept = LoadMeasureProfile().readout;
    SendCommandTo(m_parts.owner, ID_VIEW_MEASUREMENTS);
    if (!how.remember) SaveMeasureVisible(kept);
  }
}
