// The main frame's part of the measurements: the readout beside the scope view, View >
// Measurements, the measurement log and the statistics reset.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "acquisition/current_app.h"
#include "controls/flat_splitter.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "shell/main_frame.h"
#include "shell/measure_profile.h"
#include "shell/measurement_panel.h"
#include "view/measurement_log.h"
#include "view/measurement_station.h"
#include "view/view_dialogs.h"

namespace {

QMenu* ViewMenu(QMenuBar* bar) {
  for (QAction* a : bar->actions()) {
    if (a->menu() != nullptr && a->text() == "&View") return a->menu();
  }
  return nullptr;
}

}  // namespace

void CMainFrame::CreateMeasureParts() {
  m_pMeasure = std::make_unique<MeasurementStation>();
  m_pMeasureLog = std::make_unique<MeasurementLog>(*m_pMeasure);
  const MeasureProfile profile = LoadMeasureProfile();
  // A hidden child of the frame until shown, so the panes are laid out as without it.
  m_pMeasurePanel = new CMeasurementPanel(*m_pMeasure, this);
  m_pMeasurePanel->hide();
  m_pMeasurePanel->SetQuantities(profile.quantities);
  m_pMeasurePanel->SetStatistics(profile.statistics);

  if (QMenu* view = ViewMenu(menuBar())) {
    view->addSeparator();
    auto add = [this, view](const QString& text, int id, const QString& prompt) {
      QAction* a = view->addAction(text);
      a->setData(id);
      a->setStatusTip(prompt);
      connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
      return a;
    };
    m_pMeasureAction = add("&Measurements", ID_VIEW_MEASUREMENTS,
                           "Show or hide the measurements beside the display");
    m_pMeasureAction->setCheckable(true);
    m_pMeasureLogAction = add("Measurement &Log...", ID_VIEW_MEASURE_LOG,
                              "Write every measurement update to a CSV file, or stop");
    m_pMeasureLogAction->setCheckable(true);
    add("&Reset Measurement Statistics", ID_VIEW_MEASURE_RESET,
        "Start the measurement statistics again");
    // A log started from the command line, or stopped by a full disk, shows as it is.
    connect(view, &QMenu::aboutToShow, this, [this] {
      if (m_pMeasureLogAction != nullptr && m_pMeasureLog) {
        m_pMeasureLogAction->setChecked(m_pMeasureLog->Running());
      }
    });
  }
  ShowMeasurePanel(profile.visible);
}

void CMainFrame::DestroyMeasureParts() {
  // The panel and the log hold on to the station: they go first.
  delete m_pMeasurePanel.data();
  m_pMeasureLog.reset();
  m_pMeasure.reset();
}

void CMainFrame::ShowMeasurePanel(bool show) {
  if (m_pMeasurePanel == nullptr || m_wndSplitter2 == nullptr) return;
  if (m_pMeasureAction != nullptr) m_pMeasureAction->setChecked(show);
  const bool inSplitter = m_pMeasurePanel->parent() == static_cast<QObject*>(m_wndSplitter2);
  if (show == (inSplitter && !m_pMeasurePanel->isHidden())) return;
  if (show) {
    m_wndSplitter2->addWidget(m_pMeasurePanel);
    m_pMeasurePanel->show();
  } else {
    m_pMeasurePanel->hide();
    // Out of the splitter again: the scope view is its last pane, as it was.
    m_pMeasurePanel->setParent(this);
    m_pMeasurePanel->hide();
  }
  ApplyPaneSizes();
  // The charts were laid out for the old width: the view sets itself up again.
  if (m_pView != nullptr && m_pView->isVisible()) OnDisplayModeCommand();
}

void CMainFrame::FitMeasurementPanel(int navWidth) {
  if (m_pMeasurePanel == nullptr || m_wndSplitter2 == nullptr ||
      m_pMeasurePanel->parent() != static_cast<QObject*>(m_wndSplitter2)) {
    return;
  }
  // The readout never takes more than half of what the navigation bar leaves.
  const int bars = 2 * m_wndSplitter2->handleWidth();
  const int rest = std::max(0, m_wndSplitter2->contentsRect().width() - navWidth - bars);
  const int panelWidth = std::min(CMeasurementPanel::kWidth, rest / 2);
  m_wndSplitter2->SetPaneInfo(1, rest - panelWidth, 0);
  m_wndSplitter2->RecalcLayout();
}

bool CMainFrame::HandleMeasureCommand(int id) {
  if (!m_pMeasure) return false;
  switch (id) {
    case ID_VIEW_MEASUREMENTS: {
      const bool show = m_pMeasurePanel != nullptr && m_pMeasurePanel->isHidden();
      ShowMeasurePanel(show);
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
        if (const std::optional<std::string> path = RunSaveFileDialog(this, request)) {
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

CMeasurementPanel* CMainFrame::MeasurePanel() const { return m_pMeasurePanel.data(); }
