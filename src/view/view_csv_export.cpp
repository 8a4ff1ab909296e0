#include "view/view_csv_export.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "acquisition/spectrum_options.h"
#include "analysis/pcm_samples.h"
#include "analysis/spectrum_levels.h"
#include "platform/command_ids.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "view/aurivue_view.h"
#include "view/csv_export.h"
#include "view/file_error_text.h"
#include "view/large_spectrum.h"
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
  if (ViewFeature* feature = view.DisplayFeatureFor(mode)) {
    std::string rows;
    if (feature->StreamsDisplayCsv(mode)) {
      feature->WriteDisplayCsv(view, mode, [&rows](const std::string& piece) {
        rows += piece;
        return true;
      });
    } else {
      feature->DisplayCsvRows(view, mode, rows);
    }
    return FormatCsvComments(CollectCsvMetadata(app, isoTime)) + rows;
  }
  const bool threeD = mode >= DISPLAY_MODE_FIRST_3D;
  const int analysis = mode - (threeD ? DISPLAY_MODE_FIRST_3D : DISPLAY_MODE_FIRST_2D);
  const ChartCtrl* charts[2];
  for (int i = 0; i < 2; ++i) {
    charts[i] = threeD ? static_cast<const ChartCtrl*>(&view.Chart3D(i)) : &view.Chart2D(i);
  }
  const LargeSpectrum* large = nullptr;
  for (const ViewFeature* feature : view.Features()) {
    if ((large = feature->LargeSpectrumShown(view, analysis)) != nullptr) break;
  }
  const SpectrumOptions& o = app.m_spectrum;
  const bool decibels = analysis == 5 || o.scale != 0;
  CsvTable table;
  if (large != nullptr && !threeD) {
    // Every bin of the transform, not the point a pixel column the chart draws.
    SpectrumBinsInput in;
    in.analysis = analysis;
    in.rate = app.m_nSampleRate;
    in.size = large->fft.Size();
    in.channels = analysis == 5 ? 1 : ChartsShown(view, app, analysis);
    for (int c = 0; c < in.channels; ++c) {
      in.average[c] = large->averager[c].Average();
      if (o.peakHold) in.peak[c] = large->averager[c].Peak();
      if (o.minimumHold) in.minimum[c] = large->averager[c].Minimum();
      in.bins[c] = large->bins[c].data();
    }
    in.decibels = decibels;
    in.dbv = o.scale == 2;
    in.reference =
        in.dbv ? static_cast<double>(std::max(app.m_nVoltValue, 1)) : FullScale(app.m_nBits);
    table = SpectrumBinsTable(in);
  } else {
    table = DisplayedTable(analysis, threeD, charts, ChartsShown(view, app, analysis));
    if (large != nullptr && decibels && analysis != 1) {
      // The waterfall's curtains hang from the range's bottom: the file holds their levels.
      const double bottom = std::min(o.dbBottom, o.dbTop - 1);
      for (std::size_t c = 1; c < table.columns.size(); ++c) {
        for (double& v : table.columns[c]) v = CsvLevelDb(v + bottom);
      }
    }
  }
  return FormatCsv(CollectCsvMetadata(app, isoTime), table);
}

bool ExportDisplayedCsv(CAurivueView& view) {
  const AppState& app = CurrentApp();
  std::optional<std::string> path = RunSaveFileDialog(
      &view, SaveFileRequest{"CSV", kCsvName, "CSV files(*.csv)|*.csv|", "Csv", ""});
  if (!path) return false;
  ViewFeature* feature = view.DisplayFeatureFor(app.m_nDisplayMode);
  if (feature != nullptr && feature->StreamsDisplayCsv(app.m_nDisplayMode)) {
    // Written as it is made: the whole text of a long history would not fit in memory.
    FileReplacement file;
    bool written = file.Begin(*path, SpecialTarget::kWriteInPlace) &&
                   file.Write(FormatCsvComments(CollectCsvMetadata(app, CurrentIsoTime())));
    written = written &&
              feature->WriteDisplayCsv(view, app.m_nDisplayMode, [&file](const std::string& piece) {
                return piece.empty() || file.Write(piece);
              });
    if (!written || !file.Commit()) {
      const int error = file.Error();
      file.Abandon();
      ShowMessageBox(FileErrorText(error, *path));
      return false;
    }
    return true;
  }
  // What the charts hold after the dialog: passes run meanwhile have moved them on.
  const std::string text = DisplayedCsvText(view, app, CurrentIsoTime());
  int error = 0;
  if (!WriteFileReplacing(*path, text, &error, SpecialTarget::kWriteInPlace)) {
    ShowMessageBox(FileErrorText(error, *path));
    return false;
  }
  return true;
}
