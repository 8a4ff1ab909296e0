#include "features/spectrogram/spectrogram_feature.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <cmath>
#include <cstdio>

#include "acquisition/app_state.h"
#include "analysis/color_map.h"
#include "features/spectrogram/spectrogram_parameters.h"
#include "view/csv_export.h"
#include "view/display_modes.h"

namespace {

std::string SpanText(double seconds) {
  char text[32];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%g s", seconds);
  } else {
    std::snprintf(text, sizeof text, "%g min", seconds / 60);
  }
  return text;
}

}  // namespace

const std::vector<double>& SpectrogramSpans() {
  static const std::vector<double> spans = {5, 10, 30, 60, 120, 300, 600};
  return spans;
}

const std::vector<SpectrogramRange>& SpectrogramRanges() {
  static const std::vector<SpectrogramRange> ranges = {{-60, 0},  {-80, 0},  {-100, 0},
                                                       {-120, 0}, {-140, 0}, {-160, 0}};
  return ranges;
}

bool SpectrogramFeature::ShowsDisplay(int mode) const { return mode == kSpectrogramMode; }

void SpectrogramFeature::CreateParts(const FrameParts& parts) {
  m_parts = parts;
  // The file says what the matrix was made with, where it differs from the spectrum's lines.
  static const bool registered = [] {
    AddCsvMetadataSource([](const AppState& app, CsvMetadata& metadata) {
      if (app.m_nDisplayMode != kSpectrogramMode) return;
      const SpectrogramSettings s = SpectrogramSettingsFor(app, CurrentSpectrogramOptions());
      metadata.emplace_back("spectrogram_fft_size", std::to_string(s.fftSize));
      metadata.emplace_back("spectrogram_overlap_percent", std::to_string(s.overlapPercent));
      metadata.emplace_back("spectrogram_level_unit", s.dbv ? "dBV" : "dBFS");
    });
    return true;
  }();
  (void)registered;
  if (parts.menuBar == nullptr) return;
  QMenu* menu = AddFeatureMenu(parts.menuBar, "Spectro&gram");
  QWidget* owner = parts.owner;
  auto add = [&](QMenu* into, const std::string& text, int id, const char* prompt,
                 QActionGroup* group) {
    QAction* action = AddCommand(into, owner, QString::fromStdString(text), id, prompt,
                                 group != nullptr || id == ID_SPECTROGRAM_PAUSE);
    if (group != nullptr) group->addAction(action);
    m_actions.push_back(action);
  };
  QMenu* maps = menu->addMenu("&Colour Map");
  auto* mapGroup = new QActionGroup(maps);
  for (int k = 0; k < kColorMapCount; ++k) {
    std::string name = ColorMapName(k);
    add(maps, name, ID_SPECTROGRAM_MAP_FIRST + k, "Colour the levels with this map", mapGroup);
  }
  QMenu* ranges = menu->addMenu("&Range");
  auto* rangeGroup = new QActionGroup(ranges);
  for (std::size_t i = 0; i < SpectrogramRanges().size(); ++i) {
    const SpectrogramRange& r = SpectrogramRanges()[i];
    char text[48];
    std::snprintf(text, sizeof text, "%g to %g dB", r.top, r.bottom);
    add(ranges, text, ID_SPECTROGRAM_RANGE_FIRST + static_cast<int>(i),
        "The levels the colour bar spans", rangeGroup);
  }
  QMenu* spans = menu->addMenu("&Time Span");
  auto* spanGroup = new QActionGroup(spans);
  for (std::size_t i = 0; i < SpectrogramSpans().size(); ++i) {
    add(spans, SpanText(SpectrogramSpans()[i]), ID_SPECTROGRAM_SPAN_FIRST + static_cast<int>(i),
        "The time across the chart", spanGroup);
  }
  QMenu* overlap = menu->addMenu("&Overlap");
  auto* overlapGroup = new QActionGroup(overlap);
  add(overlap, "50 %", ID_SPECTROGRAM_OVERLAP_50, "Transforms half a window apart", overlapGroup);
  add(overlap, "75 %", ID_SPECTROGRAM_OVERLAP_75, "Transforms a quarter window apart",
      overlapGroup);
  menu->addSeparator();
  add(menu, "&Pause", ID_SPECTROGRAM_PAUSE, "Hold the picture; the history goes on filling",
      nullptr);
  add(menu, "Scroll &Back", ID_SPECTROGRAM_BACK, "Show the history half a span earlier", nullptr);
  add(menu, "Scroll &Forward", ID_SPECTROGRAM_FORWARD, "Show the history half a span later",
      nullptr);
  add(menu, "&Newest", ID_SPECTROGRAM_NEWEST, "Go on with the newest columns", nullptr);
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { UpdateCommands(); });
  UpdateCommands();
}

void SpectrogramFeature::Changed(const SpectrogramOptions& options) {
  SpectrogramOptions& current = CurrentSpectrogramOptions();
  const bool remake = options.overlapPercent != current.overlapPercent;
  current = SanitizedSpectrogramOptions(options);
  SaveSpectrogramProfile(current);
  if (remake) {
    // The transforms themselves change: a new history.
    if (m_pDisplay && m_parts.remakeView) m_parts.remakeView();
  } else if (m_pDisplay) {
    m_pDisplay->SetLook(current);
  }
  UpdateCommands();
}

bool SpectrogramFeature::OnCommand(int id) {
  SpectrogramOptions o = CurrentSpectrogramOptions();
  if (id >= ID_SPECTROGRAM_MAP_FIRST && id < ID_SPECTROGRAM_MAP_FIRST + kColorMapCount) {
    o.colorMap = id - ID_SPECTROGRAM_MAP_FIRST;
  } else if (id >= ID_SPECTROGRAM_SPAN_FIRST &&
             id < ID_SPECTROGRAM_SPAN_FIRST + static_cast<int>(SpectrogramSpans().size())) {
    o.spanSeconds = SpectrogramSpans()[id - ID_SPECTROGRAM_SPAN_FIRST];
  } else if (id >= ID_SPECTROGRAM_RANGE_FIRST &&
             id < ID_SPECTROGRAM_RANGE_FIRST + static_cast<int>(SpectrogramRanges().size())) {
    o.dbBottom = SpectrogramRanges()[id - ID_SPECTROGRAM_RANGE_FIRST].bottom;
    o.dbTop = SpectrogramRanges()[id - ID_SPECTROGRAM_RANGE_FIRST].top;
  } else if (id == ID_SPECTROGRAM_OVERLAP_50 || id == ID_SPECTROGRAM_OVERLAP_75) {
    o.overlapPercent = id == ID_SPECTROGRAM_OVERLAP_50 ? 50 : 75;
  } else if (id == ID_SPECTROGRAM_PAUSE || id == ID_SPECTROGRAM_BACK ||
             id == ID_SPECTROGRAM_FORWARD || id == ID_SPECTROGRAM_NEWEST) {
    if (m_pDisplay) {
      if (id == ID_SPECTROGRAM_PAUSE) m_pDisplay->SetPaused(!m_pDisplay->Paused());
      if (id == ID_SPECTROGRAM_BACK) m_pDisplay->Scroll(-0.5);
      if (id == ID_SPECTROGRAM_FORWARD) m_pDisplay->Scroll(0.5);
      if (id == ID_SPECTROGRAM_NEWEST) m_pDisplay->SetPaused(false);
    }
    UpdateCommands();
    return true;
  } else {
    return false;
  }
  Changed(o);
  return true;
}

void SpectrogramFeature::UpdateCommands() {
  const SpectrogramOptions& o = CurrentSpectrogramOptions();
  for (QAction* action : m_actions) {
    const int id = action->data().toInt();
    bool checked = false;
    bool enabled = true;
    if (id >= ID_SPECTROGRAM_MAP_FIRST && id < ID_SPECTROGRAM_MAP_FIRST + kColorMapCount) {
      checked = o.colorMap == id - ID_SPECTROGRAM_MAP_FIRST;
    } else if (id >= ID_SPECTROGRAM_SPAN_FIRST && id < ID_SPECTROGRAM_RANGE_FIRST) {
      checked = o.spanSeconds == SpectrogramSpans()[id - ID_SPECTROGRAM_SPAN_FIRST];
    } else if (id >= ID_SPECTROGRAM_RANGE_FIRST && id < ID_SPECTROGRAM_OVERLAP_50) {
      const SpectrogramRange& r = SpectrogramRanges()[id - ID_SPECTROGRAM_RANGE_FIRST];
      checked = o.dbBottom == r.bottom && o.dbTop == r.top;
    } else if (id == ID_SPECTROGRAM_OVERLAP_50 || id == ID_SPECTROGRAM_OVERLAP_75) {
      checked = o.overlapPercent == (id == ID_SPECTROGRAM_OVERLAP_50 ? 50 : 75);
    } else {
      enabled = m_pDisplay != nullptr;
      checked = id == ID_SPECTROGRAM_PAUSE && m_pDisplay && m_pDisplay->Paused();
    }
    action->setChecked(checked);
    action->setEnabled(enabled);
  }
}

void SpectrogramFeature::SetupDisplay(CAurivueView& view, int mode) {
  if (!ShowsDisplay(mode)) return;
  m_pDisplay = std::make_unique<SpectrogramDisplay>(view, CurrentSpectrogramOptions());
  UpdateCommands();
}

SpectrogramDisplay* SpectrogramFeature::DisplayOf(const CAurivueView& view, int mode) const {
  if (!ShowsDisplay(mode) || !m_pDisplay || &m_pDisplay->View() != &view) return nullptr;
  return m_pDisplay.get();
}

void SpectrogramFeature::ComputeDisplay(CAurivueView& view, int mode) {
  if (SpectrogramDisplay* display = DisplayOf(view, mode)) display->TakeBuffer();
}

bool SpectrogramFeature::LiveDisplay(CAurivueView& view, int mode) {
  SpectrogramDisplay* display = DisplayOf(view, mode);
  return display != nullptr && display->TakeRing();
}

void SpectrogramFeature::TeardownDisplay(CAurivueView& view, int mode) {
  // A view going after its successor was set up leaves the successor's display alone.
  if (DisplayOf(view, mode) != nullptr) {
    m_pDisplay.reset();
    UpdateCommands();
  }
}

void SpectrogramFeature::PrintDisplay(CAurivueView& view, int mode, DeviceContext& dc) {
  if (SpectrogramDisplay* display = DisplayOf(view, mode)) display->Print(dc);
}

bool SpectrogramFeature::WriteDisplayCsv(CAurivueView& view, int mode,
                                         const std::function<bool(const std::string&)>& write) {
  SpectrogramDisplay* display = DisplayOf(view, mode);
  if (display == nullptr) return write("");
  return display->WriteCsv(write);
}

const ParameterTable* SpectrogramFeature::SetupTable() const { return &SpectrogramParameters(); }

void SpectrogramFeature::ReadSetup(void* settings) const {
  *static_cast<SpectrogramOptions*>(settings) = CurrentSpectrogramOptions();
}

void SpectrogramFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  if (how.stage != SetupApplication::Stage::kBeforeView || !how.whole) return;
  CurrentSpectrogramOptions() =
      SanitizedSpectrogramOptions(*static_cast<const SpectrogramOptions*>(settings));
  if (how.remember) SaveSpectrogramProfile(CurrentSpectrogramOptions());
}
