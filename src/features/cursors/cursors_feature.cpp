#include "features/cursors/cursors_feature.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <cmath>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/measurement_report.h"
#include "analysis/pcm_samples.h"
#include "analysis/spectrum_levels.h"
#include "chart/chart_3d_ctrl.h"
#include "chart/chart_ctrl.h"
#include "features/cursors/cursor_parameters.h"
#include "platform/command_ids.h"
#include "view/csv_export.h"
#include "view/large_spectrum.h"

namespace {

CursorsFeature* g_pInstance = nullptr;

constexpr int kSpectrumMode = DISPLAY_MODE_FIRST_2D;
constexpr int kPowerSpectrumMode = DISPLAY_MODE_FIRST_2D + 5;
const char* const kNames[4] = {"x1", "x2", "y1", "y2"};

bool IsVertical(int id) { return id == kCursorX1 || id == kCursorX2; }

// Where a cursor turned on without a place of its own appears: inside the window, apart.
double DefaultValue(int id, const ChartCtrl& chart) {
  const double share = (id == kCursorX1 || id == kCursorY1) ? 0.3 : 0.7;
  return IsVertical(id) ? chart.GetXMin() + share * (chart.GetXMax() - chart.GetXMin())
                        : chart.GetYMin() + share * (chart.GetYMax() - chart.GetYMin());
}

// The x a fractional index of the chart's points stands for, between the two points around it.
double XAtIndex(const GivenPoints& g, double index) {
  const int k = std::clamp(static_cast<int>(std::floor(index)), 0, std::max(0, g.count - 2));
  const double f = index - k;
  if (g.count < 2) return g.count == 1 ? g.x[0] : 0.0;
  return g.x[k] + f * (g.x[k + 1] - g.x[k]);
}

std::string ValueText(double v, const std::string& unit) {
  const std::string number = FormatMeasurementNumber(v);
  return unit.empty() ? number : number + " " + unit;
}

}  // namespace

CursorsFeature::CursorsFeature() {
  m_settings = LoadCursorProfile();
  g_pInstance = this;
}

CursorsFeature::~CursorsFeature() {
  if (g_pInstance == this) g_pInstance = nullptr;
}

CursorsFeature* CursorsFeature::Instance() { return g_pInstance; }

void CursorsFeature::CreateParts(const FrameParts& parts) {
  m_scopeView = parts.scopeView;
  // One source for the life of the process: the lines come from the instance of the moment.
  static const bool registered = [] {
    AddCsvMetadataSource([](const AppState&, CsvMetadata& metadata) {
      if (CursorsFeature* f = Instance()) {
        for (auto& line : f->CsvLines()) metadata.push_back(std::move(line));
      }
    });
    return true;
  }();
  (void)registered;
  if (parts.menuBar == nullptr) return;
  QMenu* menu = AddFeatureMenu(parts.menuBar, "&Cursors");
  QWidget* owner = parts.owner;
  struct Item {
    int id;
    const char* text;
    const char* tip;
    bool checkable;
  };
  static const Item kItems[] = {
      {ID_CURSOR_X1, "Cursor X&1", "A vertical cursor: drag it, or press 1 over the chart", true},
      {ID_CURSOR_X2, "Cursor X&2", "A second vertical cursor: its distance to X1 reads", true},
      {ID_CURSOR_Y1, "Cursor Y&1", "A horizontal cursor: drag it, or press 3 over the chart", true},
      {ID_CURSOR_Y2, "Cursor Y&2", "A second horizontal cursor: its distance to Y1 reads", true},
      {0, nullptr, nullptr, false},
      {ID_CURSOR_TRACK, "&Track the Trace", "The vertical cursors read the trace where they stand",
       true},
      {ID_CURSOR_SNAP, "&Snap to Edges and Peaks",
       "A vertical cursor let go near an edge or a peak goes onto it", true},
      {0, nullptr, nullptr, false},
      {ID_MARKER_PEAK, "&Peak Marker", "A marker on the highest peak of the spectrum", false},
      {ID_MARKER_NEXT_PEAK, "&Next Peak Marker",
       "One more marker, on the next lower peak (up to 8)", false},
      {ID_MARKER_CONTINUOUS, "Peak Search &Continuous", "Marker 1 follows the highest peak", true},
      {ID_MARKER_REFERENCE, "Marker 1 is the &Reference",
       "The other markers read their distance to marker 1", true},
      {ID_MARKER_CLEAR, "C&lear Markers", "Takes the markers away", false},
      {ID_MARKER_TABLE, "Marker &Table", "The markers' frequencies and levels beside the chart",
       true},
  };
  for (const Item& item : kItems) {
    if (item.text == nullptr) {
      menu->addSeparator();
      continue;
    }
    m_actions[item.id] = AddCommand(menu, owner, item.text, item.id, item.tip, item.checkable);
  }
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { UpdateCommands(); });
  UpdateCommands();
}

bool CursorsFeature::OnCommand(int id) {
  if (id < ID_CURSOR_X1 || id > ID_CURSOR_LAST) return false;
  Harvest();
  CursorSettings s = m_settings;
  switch (id) {
    case ID_CURSOR_X1:
    case ID_CURSOR_X2:
    case ID_CURSOR_Y1:
    case ID_CURSOR_Y2:
      s.on[id - ID_CURSOR_X1] = !s.on[id - ID_CURSOR_X1];
      break;
    case ID_CURSOR_TRACK:
      s.track = !s.track;
      break;
    case ID_CURSOR_SNAP:
      s.snap = !s.snap;
      break;
    case ID_MARKER_PEAK:
      // Marker 1 starts again on the highest peak.
      for (ChartMarkers& m : m_markers) m.set.bins.clear();
      s.markers = 1;
      break;
    case ID_MARKER_NEXT_PEAK:
      s.markers = std::min(MarkerSet::kMaxMarkers, s.markers + 1);
      break;
    case ID_MARKER_CONTINUOUS:
      s.continuous = !s.continuous;
      if (s.continuous && s.markers == 0) s.markers = 1;
      break;
    case ID_MARKER_REFERENCE:
      s.reference = !s.reference;
      break;
    case ID_MARKER_CLEAR:
      s.markers = 0;
      break;
    default:
      s.table = !s.table;
      break;
  }
  Apply(s);
  SaveProfile();
  // The markers show at once, not half a second later.
  if (m_pView != nullptr && m_bDrawn) UpdateMarkers(*m_pView, m_nMode);
  UpdateCommands();
  return true;
}

void CursorsFeature::UpdateCommands() {
  Harvest();
  const bool checks[] = {m_settings.on[0],      m_settings.on[1],     m_settings.on[2],
                         m_settings.on[3],      m_settings.track,     m_settings.snap,
                         m_settings.continuous, m_settings.reference, m_settings.table};
  const int ids[] = {ID_CURSOR_X1,         ID_CURSOR_X2,        ID_CURSOR_Y1,
                     ID_CURSOR_Y2,         ID_CURSOR_TRACK,     ID_CURSOR_SNAP,
                     ID_MARKER_CONTINUOUS, ID_MARKER_REFERENCE, ID_MARKER_TABLE};
  for (std::size_t i = 0; i < std::size(ids); ++i) {
    auto it = m_actions.find(ids[i]);
    if (it != m_actions.end()) it->second->setChecked(checks[i]);
  }
  const bool spectrum = m_nMode == kSpectrumMode || m_nMode == kPowerSpectrumMode;
  for (int id : {ID_MARKER_PEAK, ID_MARKER_NEXT_PEAK}) {
    auto it = m_actions.find(id);
    if (it != m_actions.end()) it->second->setEnabled(spectrum);
  }
  auto next = m_actions.find(ID_MARKER_NEXT_PEAK);
  if (next != m_actions.end()) {
    next->second->setEnabled(spectrum && m_settings.markers < MarkerSet::kMaxMarkers);
  }
}

std::vector<ChartCtrl*> CursorsFeature::Charts() const {
  std::vector<ChartCtrl*> charts;
  for (const QPointer<ChartCtrl>& c : m_charts) {
    if (c != nullptr && c->HasWindow()) charts.push_back(c.data());
  }
  return charts;
}

void CursorsFeature::DisplayBuilt(CAurivueView& view, int mode) {
  m_pView = &view;
  m_nMode = mode;
  m_bDrawn = false;
  m_charts.clear();
  for (ChartMarkers& m : m_markers) m.set.bins.clear();
  // The 2-D charts of the display, in the order they were made (the top one first).
  for (ChartCtrl* chart : view.findChildren<ChartCtrl*>()) {
    if (chart->HasWindow() && dynamic_cast<Chart3DCtrl*>(chart) == nullptr) {
      m_charts.emplace_back(chart);
    }
  }
  if (!Active()) return;
  const std::vector<ChartCtrl*> charts = Charts();
  for (std::size_t i = 0; i < charts.size(); ++i) ApplyTo(*charts[i], static_cast<int>(i), false);
}

void CursorsFeature::DisplayDrawn(CAurivueView& view, int mode) {
  if (&view != m_pView || mode != m_nMode) DisplayBuilt(view, mode);
  if (!m_bDrawn) {
    // The chart has its range now: the cursors take their places in it.
    m_bDrawn = true;
    if (Active()) {
      const std::vector<ChartCtrl*> charts = Charts();
      for (std::size_t i = 0; i < charts.size(); ++i) {
        ApplyTo(*charts[i], static_cast<int>(i), true);
      }
    }
  }
  if (m_settings.markers > 0 || !m_markers[0].set.bins.empty()) UpdateMarkers(view, mode);
}

void CursorsFeature::DisplayGoing(CAurivueView& view, int /*mode*/) {
  if (&view != m_pView) return;
  Harvest();
  m_charts.clear();
  m_pView = nullptr;
  m_bDrawn = false;
}

void CursorsFeature::ApplyTo(ChartCtrl& chart, int index, bool drawn) {
  ChartCursorLayer& layer = chart.CursorLayer();
  for (int id = 0; id < kChartCursorCount; ++id) layer.SetCursorOn(id, m_settings.on[id]);
  layer.SetTrack(m_settings.track);
  layer.SetSnap(m_settings.snap);
  layer.SetShowMarkerTable(m_settings.table);
  if (!drawn) return;
  Memory& m = m_memory[{m_nMode, index}];
  if (m.logX != chart.IsLogX()) {
    // Values on the other kind of axis mean nothing here.
    m.placed[kCursorX1] = m.placed[kCursorX2] = false;
    m.logX = chart.IsLogX();
  }
  for (int id = 0; id < kChartCursorCount; ++id) {
    if (index == 0 && m_settings.placed[id]) {
      const double v = m_settings.value[id];
      m.value[id] = IsVertical(id) && m.logX ? std::log10(std::max(v, 1e-300)) : v;
      m.placed[id] = true;
      m_settings.placed[id] = false;
    }
    if (!m.placed[id] && m_settings.on[id]) {
      m.value[id] = DefaultValue(id, chart);
      m.placed[id] = true;
    }
    if (m.placed[id]) layer.SetCursorValue(id, m.value[id]);
  }
}

void CursorsFeature::Harvest() {
  if (!m_bDrawn) return;
  const std::vector<ChartCtrl*> charts = Charts();
  for (std::size_t i = 0; i < charts.size(); ++i) {
    const ChartCursorLayer* layer = charts[i]->GetCursorLayer();
    if (layer == nullptr) continue;
    Memory& m = m_memory[{m_nMode, static_cast<int>(i)}];
    m.logX = charts[i]->IsLogX();
    for (int id = 0; id < kChartCursorCount; ++id) {
      // A cursor put down with a key is on from then on.
      if (i == 0) m_settings.on[id] = layer->IsCursorOn(id);
      if (layer->IsCursorOn(id)) {
        m.value[id] = layer->CursorValue(id);
        m.placed[id] = true;
      }
    }
  }
}

CursorSettings CursorsFeature::Settings() const {
  const_cast<CursorsFeature*>(this)->Harvest();
  CursorSettings s = m_settings;
  auto it = m_memory.find({m_nMode, 0});
  if (m_bDrawn && it != m_memory.end()) {
    for (int id = 0; id < kChartCursorCount; ++id) {
      if (s.placed[id] || !it->second.placed[id]) continue;
      const double v = it->second.value[id];
      s.value[id] = IsVertical(id) && it->second.logX ? std::pow(10.0, v) : v;
      s.placed[id] = true;
    }
  }
  return s;
}

void CursorsFeature::Apply(const CursorSettings& settings) {
  Harvest();
  if (settings.markers < m_settings.markers) {
    for (ChartMarkers& m : m_markers) {
      if (static_cast<int>(m.set.bins.size()) > settings.markers)
        m.set.bins.resize(settings.markers);
    }
  }
  m_settings = settings;
  m_settings.markers = std::clamp(m_settings.markers, 0, MarkerSet::kMaxMarkers);
  const std::vector<ChartCtrl*> charts = Charts();
  for (std::size_t i = 0; i < charts.size(); ++i) {
    if (Active() || charts[i]->GetCursorLayer() != nullptr) {
      ApplyTo(*charts[i], static_cast<int>(i), m_bDrawn);
    }
    if (m_settings.markers == 0 && charts[i]->GetCursorLayer() != nullptr) {
      charts[i]->CursorLayer().SetMarkers({});
    }
  }
  RefreshCharts();
}

void CursorsFeature::RefreshCharts() {
  for (ChartCtrl* chart : Charts()) chart->Refresh(0);
}

void CursorsFeature::SaveProfile() const { SaveCursorProfile(m_settings); }

void CursorsFeature::UpdateMarkers(CAurivueView& view, int mode) {
  const std::vector<ChartCtrl*> charts = Charts();
  const bool spectrum = mode == kSpectrumMode || mode == kPowerSpectrumMode;
  const int wanted = spectrum ? m_settings.markers : 0;
  const AppState& app = CurrentApp();
  const int analysis = mode - DISPLAY_MODE_FIRST_2D;
  const LargeSpectrum* large = nullptr;
  for (const ViewFeature* feature : view.Features()) {
    if ((large = feature->LargeSpectrumShown(view, analysis)) != nullptr) break;
  }
  const int count = std::min<int>(static_cast<int>(charts.size()), mode == kSpectrumMode ? 2 : 1);
  for (int c = 0; c < static_cast<int>(charts.size()); ++c) {
    ChartCtrl& chart = *charts[c];
    if (wanted == 0 || c >= count) {
      if (chart.GetCursorLayer() != nullptr) chart.CursorLayer().SetMarkers({});
      if (c < 2) m_markers[c].set.bins.clear();
      continue;
    }
    // The magnitudes of the trace, the window that shaped them, and how a reading maps onto
    // the chart and into the table.
    std::vector<double> key;
    std::function<double(double)> hzOf;
    std::function<double(double)> chartX = [](double hz) { return hz; };
    std::function<double(double)> chartY;
    std::function<double(double)> tableDb;
    int bins = 0;
    const std::vector<double>* weights = nullptr;
    std::vector<double> ownWeights;
    int size = 0;
    if (large != nullptr && c < 2) {
      size = large->fft.Size();
      bins = size / 2 + 1;
      const double* power = large->averager[c].Average();
      m_magnitudes.resize(bins);
      double top = 0;
      for (int k = 0; k < bins; ++k) {
        m_magnitudes[k] = std::sqrt(std::max(power[k], 0.0));
        top = std::max(top, power[k]);
      }
      weights = &large->weights;
      key = {1, static_cast<double>(size), static_cast<double>(large->count),
             static_cast<double>(app.m_spectrum.flatTop ? kWindowFlatTop : app.m_nFFTWindow)};
      const double rate = app.m_nSampleRate;
      hzOf = [rate, size](double bin) { return bin * rate / size; };
      const bool logX = chart.IsLogX();
      chartX = [logX](double hz) { return logX ? std::log10(std::max(hz, 1e-300)) : hz; };
      const bool decibels = analysis == 5 || app.m_spectrum.scale != 0;
      const bool dbv = app.m_spectrum.scale == 2;
      const double reference =
          dbv ? static_cast<double>(std::max(app.m_nVoltValue, 1)) : FullScale(app.m_nBits);
      const double fullScale = FullScale(app.m_nBits);
      const double norm = top > 0 ? 1.0 / std::sqrt(top) : 0.0;
      chartY = [decibels, dbv, reference, norm](double a) {
        return decibels ? PowerToDb(dbv ? a * a / 2 : a * a, reference) : a * norm;
      };
      tableDb = [decibels, chartY, fullScale](double a) {
        return decibels ? chartY(a) : AmplitudeToDbfs(a, fullScale);
      };
    } else {
      const GivenPoints g = chart.GetGivenPoints(0);
      if (g.count < 3) continue;
      bins = g.count;
      m_magnitudes.resize(bins);
      const bool db = chart.GetYTitle().find("dB") != std::string::npos;
      for (int k = 0; k < bins; ++k) {
        m_magnitudes[k] = db ? std::pow(10.0, g.y[k] / 20.0) : std::max(g.y[k], 0.0);
      }
      if (mode == kSpectrumMode) {
        // The described spectrum: a bin a point, shaped by the FFT window over the frame.
        size = app.m_nFftSize;
        ownWeights = WindowWeights(app.m_nFFTWindow, std::min(app.m_nSamplesPerView, size));
        key = {2, static_cast<double>(size), static_cast<double>(app.m_nSamplesPerView),
               static_cast<double>(app.m_nFFTWindow)};
      } else {
        // The power estimate is no windowed transform: its peaks are read as plain lobes.
        size = 2 * bins;
        ownWeights.assign(size, 1.0);
        key = {3, static_cast<double>(size)};
      }
      weights = &ownWeights;
      hzOf = [g](double bin) { return XAtIndex(g, bin); };
      chartY = [db](double m) { return db ? 20 * std::log10(std::max(m, 1e-300)) : m; };
      tableDb = [](double m) { return 20 * std::log10(std::max(m, 1e-300)); };
    }
    if (size <= 0 || bins < 3 || weights->empty()) continue;
    if (!m_pLobe || key != m_lobeKey) {
      m_pLobe = std::make_unique<WindowLobe>(*weights, size);
      m_lobeKey = key;
    }
    MarkerSet& set = m_markers[c].set;
    set.continuous = m_settings.continuous;
    set.reference = m_settings.reference;
    if (static_cast<int>(set.bins.size()) > wanted) set.bins.resize(wanted);
    while (static_cast<int>(set.bins.size()) < wanted &&
           AddPeakMarker(m_magnitudes.data(), bins, *m_pLobe, set)) {
    }
    const std::vector<SpectrumPeak> readings =
        ReadMarkers(m_magnitudes.data(), bins, *m_pLobe, set);
    std::vector<ChartMarker> markers;
    for (std::size_t i = 0; i < readings.size(); ++i) {
      ChartMarker m;
      m.hz = hzOf(readings[i].bin);
      m.x = chartX(m.hz);
      m.y = chartY(readings[i].magnitude);
      m.db = tableDb(readings[i].magnitude);
      m.reference = set.reference && i == 0;
      m.name = m.reference ? "R" : std::to_string(i + 1);
      markers.push_back(m);
    }
    chart.CursorLayer().SetMarkers(markers);
    chart.Refresh(0);
  }
}

CursorNumbers CursorsFeature::FirstChartNumbers() const {
  CursorNumbers n;
  const std::vector<ChartCtrl*> charts = Charts();
  CursorPositions p;
  if (!charts.empty()) {
    n.xUnit = AxisTitleUnit(charts[0]->GetXTitle());
    n.yUnit = AxisTitleUnit(charts[0]->GetYTitle());
  }
  const ChartCursorLayer* layer = charts.empty() ? nullptr : charts[0]->GetCursorLayer();
  if (m_bDrawn && layer != nullptr) {
    p = layer->Positions(charts[0]->CursorView());
  } else {
    // Not drawn yet: where the settings will put them.
    p.x1On = m_settings.on[0] && m_settings.placed[0];
    p.x2On = m_settings.on[1] && m_settings.placed[1];
    p.y1On = m_settings.on[2] && m_settings.placed[2];
    p.y2On = m_settings.on[3] && m_settings.placed[3];
    p.x1 = m_settings.value[0];
    p.x2 = m_settings.value[1];
    p.y1 = m_settings.value[2];
    p.y2 = m_settings.value[3];
  }
  const CursorReadout r = ComputeCursorReadout(p);
  double factor = 1;
  n.invUnit = InverseUnitOf(n.xUnit, factor);
  n.hasDx = r.hasDx;
  n.dx = r.dx;
  n.hasInvDx = r.hasInvDx;
  n.invDx = r.invDx * factor;
  n.hasDy = r.hasDy;
  n.dy = r.dy;
  return n;
}

std::vector<std::pair<std::string, std::string>> CursorsFeature::CsvLines() const {
  std::vector<std::pair<std::string, std::string>> lines;
  const std::vector<ChartCtrl*> charts = Charts();
  for (std::size_t i = 0; i < charts.size(); ++i) {
    const ChartCursorLayer* layer = charts[i]->GetCursorLayer();
    if (layer == nullptr || !m_bDrawn) continue;
    const std::string prefix = i == 0 ? std::string() : "chart" + std::to_string(i + 1) + "_";
    const std::string xUnit = AxisTitleUnit(charts[i]->GetXTitle());
    const std::string yUnit = AxisTitleUnit(charts[i]->GetYTitle());
    const CursorPositions p = layer->Positions(charts[i]->CursorView());
    const bool on[4] = {p.x1On, p.x2On, p.y1On, p.y2On};
    const double value[4] = {p.x1, p.x2, p.y1, p.y2};
    const CursorReadout r = ComputeCursorReadout(p);
    double factor = 1;
    const std::string invUnit = InverseUnitOf(xUnit, factor);
    for (int id = 0; id < 2; ++id) {
      if (on[id]) lines.emplace_back(prefix + "cursor_" + kNames[id], ValueText(value[id], xUnit));
    }
    if (r.hasDx) lines.emplace_back(prefix + "cursor_dx", ValueText(r.dx, xUnit));
    if (r.hasInvDx)
      lines.emplace_back(prefix + "cursor_inv_dx", ValueText(r.invDx * factor, invUnit));
    for (int id = 2; id < 4; ++id) {
      if (on[id]) lines.emplace_back(prefix + "cursor_" + kNames[id], ValueText(value[id], yUnit));
    }
    if (r.hasDy) lines.emplace_back(prefix + "cursor_dy", ValueText(r.dy, yUnit));
    const std::vector<ChartMarker>& markers = layer->Markers();
    const ChartMarker* ref = nullptr;
    for (const ChartMarker& m : markers) {
      if (m.reference) ref = &m;
    }
    for (std::size_t k = 0; k < markers.size(); ++k) {
      const ChartMarker& m = markers[k];
      std::string text = ValueText(m.hz, "Hz") + ", " + ValueText(m.db, "dB");
      if (ref != nullptr && &m != ref) {
        text +=
            ", delta " + ValueText(m.hz - ref->hz, "Hz") + ", " + ValueText(m.db - ref->db, "dB");
      }
      lines.emplace_back(prefix + "marker" + std::to_string(k + 1), text);
    }
  }
  return lines;
}

const ParameterTable* CursorsFeature::SetupTable() const { return &CursorParameters(); }

void CursorsFeature::ReadSetup(void* settings) const {
  *static_cast<CursorSettings*>(settings) = Settings();
}

void CursorsFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  // Positions are in the units of the charts the setup's display shows.
  if (how.stage != SetupApplication::Stage::kOnView) return;
  Apply(*static_cast<const CursorSettings*>(settings));
  if (how.remember) SaveCursorProfile(m_settings);
}
