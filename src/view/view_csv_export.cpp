#include "view/view_csv_export.h"

#include <QDir>
#include <QFileInfo>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/command_ids.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "view/aurivue_view.h"
#include "view/csv_export.h"
#include "view/file_error_text.h"
#include "view/view_dialogs.h"

namespace {

constexpr char kCsvName[] = "AurivueData.csv";

// The two-chart families (spectrum, phase, oscillograph) with two channels draw two charts.
int ChartsShown(const CAurivueView& view, const AppState& app, int analysis) {
  return analysis <= 2 && app.m_nChannels == 2 && view.RightSamples() != nullptr ? 2 : 1;
}

}  // namespace

std::string DisplayedCsvText(CAurivueView& view, const AppState& app, const std::string& isoTime) {
  const int mode = app.m_nDisplayMode;
  const bool threeD = mode >= DISPLAY_MODE_FIRST_3D;
  const int analysis = mode - (threeD ? DISPLAY_MODE_FIRST_3D : DISPLAY_MODE_FIRST_2D);
  const ChartCtrl* charts[2];
  for (int i = 0; i < 2; ++i) {
    charts[i] = threeD ? static_cast<const ChartCtrl*>(&view.Chart3D(i)) : &view.Chart2D(i);
  }
  const CsvTable table = DisplayedTable(analysis, threeD, charts, ChartsShown(view, app, analysis));
  return FormatCsv(CollectCsvMetadata(app, isoTime), table);
}

bool ExportDisplayedCsv(CAurivueView& view) {
  const AppState& app = CurrentApp();
  std::optional<std::string> path = RunSaveFileDialog(
      &view, SaveFileRequest{"CSV", kCsvName, "CSV files(*.csv)|*.csv|", "Csv", ""});
  if (!path) return false;
  // What the charts hold after the dialog: passes run meanwhile have moved them on.
  const std::string text = DisplayedCsvText(view, app, CurrentIsoTime());
  int error = 0;
  if (!WriteFileReplacing(*path, text, &error, SpecialTarget::kWriteInPlace)) {
    ShowMessageBox(FileErrorText(error, *path));
    return false;
  }
  return true;
}
